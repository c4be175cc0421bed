// What the options dialog stores for what was typed.
#include "settings/OptionValues.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt::options;
using nrt::test::S;
using nrt::test::U;

TEST(OptionValues, NumbersTypedIntoTheMailPage)
{
    struct Case {
        const char* text;
        int port;
        int wrap;
        int timeout;
    } cases[] = {
        { "", -1, 10, 60 },
        { "25", 25, 25, 25 },
        { "587", 587, 255, 587 },
        { "0", 0, 10, 0 }, // timeout 0: no time limit
        { "5", 5, 10, 5 },
        { "300", 300, 255, 300 },
        { "abc", -1, 10, 60 },
        { "72x", -1, 72, 60 }, // the wrap width takes the number at the start
        { " 72", -1, 72, 60 },
        { "-3", -3, 10, -3 },
        { "+40", 40, 40, 40 },
        { "99999999999", -1, 255, 60 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PortFromText(c.text), c.port) << c.text;
        EXPECT_EQ(WrapFromText(c.text), c.wrap) << c.text;
        EXPECT_EQ(TimeoutFromText(c.text), c.timeout) << c.text;
    }
    const struct {
        const char* text;
        int rest;
    } rests[]
        = { { "0", 0 }, { "100", 100 }, { "9999", 9999 }, { "10000", 9999 }, { "-5", 0 }, { "", 77 }, { "x", 77 } };
    for (const auto& r : rests)
        EXPECT_EQ(RestFromText(r.text, 77), r.rest) << r.text;
    EXPECT_EQ(PortText(-1), "");
    EXPECT_EQ(PortText(25), "25");
    EXPECT_EQ(PortText(0), "0");
}

TEST(OptionValues, BackupFolder)
{
    EXPECT_EQ(U(BackupPathProblem("")), "保存先フォルダを入力してください。");
    EXPECT_EQ(BackupPathProblem(std::string(80, 'a')), "");
    EXPECT_EQ(U(BackupPathProblem(std::string(81, 'a'))), "保存先フォルダの文字数が多すぎます。");
    std::string wide;
    for (int i = 0; i < 40; ++i)
        wide += S("字");
    EXPECT_EQ(BackupPathProblem(wide), "") << "40 double-byte characters are 80 bytes";
    EXPECT_EQ(U(BackupPathProblem(wide + "a")), "保存先フォルダの文字数が多すぎます。");
}

TEST(OptionValues, AuthenticationChoice)
{
    struct Case {
        int stored;
        Auth choice;
    } cases[] = {
        { 0, kAuthNone },
        { -1, kAuthNone },
        { 1, kAuthLogin },
        { 2, kAuthCramMd5 },
        { 3, kAuthPlain },
        { 4, kAuthCramMd5 },
        { 99, kAuthCramMd5 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(AuthChoice(c.stored), c.choice) << c.stored;
}

TEST(OptionValues, EncryptionProposesItsUsualPort)
{
    struct Case {
        int ssl;
        const char* port;
        const char* proposed; // nullptr: the field stays
    } cases[] = {
        { 1, "", "587" },
        { 2, "", "465" },
        { 0, "", "25" },
        { 1, "25", "587" },
        { 1, "465", "587" },
        { 2, "587", "465" },
        { 2, "25", "465" },
        { 0, "587", "25" },
        { 0, "465", "25" },
        { 1, "587", nullptr }, // already the usual one
        { 1, "2525", nullptr }, // the user's own port stays
        { 2, "abc", nullptr },
    };
    for (const Case& c : cases) {
        const auto p = ProposedPort(c.ssl, c.port);
        if (c.proposed)
            EXPECT_EQ(p.value_or("<none>"), c.proposed) << c.ssl << " " << c.port;
        else
            EXPECT_FALSE(p.has_value()) << c.ssl << " " << c.port << " gave " << *p;
    }
    EXPECT_EQ(UsualPort(0), 25);
    EXPECT_EQ(UsualPort(1), 587);
    EXPECT_EQ(UsualPort(2), 465);
}
