#include "platform/sjis.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace nrt::platform;
using nrt::test::S;

namespace {

std::string Code(unsigned lead, unsigned trail)
{
    return std::string { static_cast<char>(lead), static_cast<char>(trail) };
}

} // namespace

TEST(Sjis, EveryMappedDoubleByteCodeRoundTrips)
{
    int mapped = 0;
    int aliases = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string sj = Code(lead, trail);
            const std::string u = SjisToUtf8(sj);
            if (u == "\xEF\xBF\xBD")
                continue; // not a CP932 character
            ++mapped;
            bool ok = false;
            const std::string back = Utf8ToSjis(u, &ok);
            ASSERT_TRUE(ok) << std::hex << lead << trail;
            // The NEC and IBM extensions hold a few characters twice; those come back
            // as the one code Windows prefers, which must show the same character.
            if (back != sj) {
                ++aliases;
                EXPECT_EQ(SjisToUtf8(back), u) << std::hex << lead << trail;
            }
        }
    }
    EXPECT_GT(mapped, 7900);
    EXPECT_LT(aliases, 400);
}

TEST(Sjis, CharactersThatDifferFromJisShiftJis)
{
    // The code page 932 meanings, not those of JIS X 0208 Shift_JIS.
    struct Case {
        const char* sjis;
        const char* utf8;
    } cases[] = {
        { "\x81\x60", "～" }, // FULLWIDTH TILDE, not WAVE DASH
        { "\x81\x61", "∥" }, // PARALLEL TO, not DOUBLE VERTICAL LINE
        { "\x81\x7C", "－" }, // FULLWIDTH HYPHEN-MINUS, not MINUS SIGN
        { "\x81\xCA", "￢" }, // FULLWIDTH NOT SIGN
        { "\x81\x91", "￠" }, // FULLWIDTH CENT SIGN
        { "\x81\x92", "￡" }, // FULLWIDTH POUND SIGN
        { "\x87\x40", "①" }, // NEC special characters
        { "\x87\x8A", "㈱" },
        { "\xED\x40", "纊" }, // NEC-selected IBM extension
        { "\xFA\x40", "ⅰ" }, // IBM extension
        { "\xFA\x5C", "纊" }, // second byte is a backslash; IBM code preferred over ED40
        { "\xFB\xFC", "髙" },
        { "\x5C", "\\" },
        { "\xB1", "ｱ" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SjisToUtf8(c.sjis), c.utf8) << c.utf8;
        EXPECT_EQ(SjisToUtf8(Utf8ToSjis(c.utf8)), c.utf8) << c.utf8;
    }
    EXPECT_EQ(Utf8ToSjis("～"), "\x81\x60");
    EXPECT_EQ(Utf8ToSjis("纊"), "\xFA\x5C");
    EXPECT_EQ(Utf8ToSjis("髙"), "\xFB\xFC");
}

TEST(Sjis, UnmappableAndBrokenInput)
{
    bool ok = true;
    EXPECT_EQ(Utf8ToSjis("a😀b", &ok), "a?b");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Utf8ToSjis("\xE3\x81", &ok), "?"); // cut UTF-8 sequence
    EXPECT_FALSE(ok);
    EXPECT_EQ(SjisToUtf8("\x81"), "\xEF\xBF\xBD"); // lead byte at the end
    EXPECT_EQ(SjisToUtf8("A\x85\x40Z"), "A\xEF\xBF\xBDZ"); // unassigned code
}

TEST(Sjis, Comparison)
{
    struct Case {
        std::string a, b;
        int insensitive, sensitive;
    } cases[] = {
        { "abc", "ABC", 0, 1 }, { "abc", "abd", -1, -1 }, { "ab", "abc", -1, -1 }, { "", "", 0, 0 },
        { "\xB1", "\xB6", -1, -1 }, // ｱ before ｶ
        { "\xDC", "\xDD", -1, -1 }, // ﾜ before ﾝ
        { "Z", "\xB1", -1, -1 }, // ASCII before half-width kana
        { S("Ａ"), S("ａ"), -1, -1 }, // full-width letters are not folded
        { "\x83\x41", "\x83\x61", -1, -1 }, // second byte 0x41/0x61 is not a letter
        { "\x83"
          "A",
            "\x83"
            "a",
            -1, -1 },
        { S("表a"), S("表A"), 0, 1 }, // folding resumes after a double-byte character
    };
    for (const auto& c : cases) {
        auto sign = [](int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
        EXPECT_EQ(sign(lstrcmpiA(c.a, c.b)), c.insensitive) << c.a << " / " << c.b;
        EXPECT_EQ(sign(lstrcmpA(c.a, c.b)), c.sensitive) << c.a << " / " << c.b;
        EXPECT_EQ(sign(lstrcmpiA(c.b, c.a)), -c.insensitive);
    }
}

TEST(Sjis, SeparatorScansStepOverDoubleByteCharacters)
{
    const std::string path = "C:/" + S("表") + "/" + S("ソ") + "x"; // 表 and ソ end in 0x5C
    EXPECT_EQ(FindLastChar(path, '/'), 5u);
    EXPECT_EQ(FindChar(S("表\\"), '\\'), 2u);
    EXPECT_EQ(FindChar(S("表"), '\\'), std::string::npos);
    EXPECT_EQ(CutToBytes(S("あいう"), 5), S("あい"));
    EXPECT_EQ(CutToBytes(S("aあ"), 2), "a");
}

TEST(Sjis, MarkingNamesWhatCp932CannotHold)
{
    struct Case {
        const char* utf8;
        const char* sjisAsUtf8;
        const char* missing;
    } cases[] = {
        { "山田", "山田", "" },
        { "𠮷田", "〓田", "𠮷" },
        { "a😀b😀", "a〓b〓", "😀😀" },
        { "髙橋", "髙橋", "" },
        // Bytes that are no UTF-8 are named as the replacement character.
        { "x\xFFy", "x〓y", "\xEF\xBF\xBD" },
    };
    for (const Case& c : cases) {
        std::string missing;
        EXPECT_EQ(SjisToUtf8(Utf8ToSjisMarking(c.utf8, &missing)), c.sjisAsUtf8) << c.utf8;
        EXPECT_EQ(missing, c.missing) << c.utf8;
    }
}
