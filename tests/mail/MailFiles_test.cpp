// Template files, plain bodies and the files of the mail folder.

#include "mail/MailFiles.h"

#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/SystemError.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace nrt;
using namespace nrt::mailfiles;
using nrt::platform::RecordingMessageHost;
using nrt::platform::ScopedMessageHost;
using nrt::test::S;
using nrt::test::TempDir;
using nrt::test::U;

namespace {

namespace fs = platform::fs;

class MailFilesTest : public ::testing::Test {
protected:
    std::string Path(const char* utf8) const { return dir.File(utf8); }
    std::string Bytes(const char* utf8) const
    {
        std::string b;
        fs::ReadFile(Path(utf8), b);
        return b;
    }

    TempDir dir;
    RecordingMessageHost messages;
    ScopedMessageHost scoped { messages };
};

} // namespace

TEST(MailFilesLines, SplitAtEveryKindOfLineEnd)
{
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        { "", {} },
        { "a", { "a" } },
        { "a\r\n", { "a" } },
        { "a\r\n\r\n", { "a", "" } },
        { "a\nb\rc\r\nd", { "a", "b", "c", "d" } },
        { "\r\n", { "" } },
        { "a\r\rb", { "a", "", "b" } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST_F(MailFilesTest, TemplateFilesByteForByte)
{
    const MailText mail { S("新年会のお知らせ"), true, { S("%名前% 様"), "", S("よろしく。") } };
    ASSERT_TRUE(Save(Path("a.mal"), kSaveMal, mail).Ok());
    EXPECT_EQ(Bytes("a.mal"), S("ML\t1\t新年会のお知らせ\t1\t\r\n%名前% 様\r\n\r\nよろしく。\r\n"));

    // The save dialog's filters add their extension to a bare name; "all files" and
    // ".txt" write the body alone.
    ASSERT_TRUE(Save(Path("b"), kSaveMal, mail).Ok());
    EXPECT_EQ(Bytes("b.mal"), Bytes("a.mal"));
    ASSERT_TRUE(Save(Path("c"), kSaveTxt, mail).Ok());
    EXPECT_EQ(Bytes("c.txt"), S("%名前% 様\r\n\r\nよろしく。\r\n"));
    ASSERT_TRUE(Save(Path("d.body"), kSaveAll, mail).Ok());
    EXPECT_EQ(Bytes("d.body"), Bytes("c.txt"));
    ASSERT_TRUE(Save(Path("e.mlt"), kSaveInternal, { "x\ty", false, {} }).Ok());
    EXPECT_EQ(Bytes("e.mlt"), "ML\t1\tx y\t0\t\r\n");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MailFilesTest, LoadingTemplatesAndPlainBodies)
{
    nrt::test::WriteAll(Path("t.mal"), S("ML\t1\t件名\t0\t\r\n一行目\r\n二行目\r\n"));
    nrt::test::WriteAll(Path("t.mlb"), S("ML\t1\t送信済み\t1\t\r\n本文\r\n"));
    nrt::test::WriteAll(Path("t.txt"), S("ML\t1\t件名\t0\t\r\n一行目\r\n"));
    nrt::test::WriteAll(Path("short.mal"), "ML\r\nbody\r\n");
    nrt::test::WriteAll(Path("lf.mal"), S("ML\t1\t件名\t0\t\n一行目\n\n三行目\n"));

    const struct {
        const char* file;
        int filter;
        std::string subject;
        bool high;
        std::vector<std::string> lines;
    } cases[] = {
        { "t", kOpenMal, S("件名"), false, { S("一行目"), S("二行目") } },
        { "t", kOpenMlb, S("送信済み"), true, { S("本文") } },
        { "t.mal", kOpenInternal, S("件名"), false, { S("一行目"), S("二行目") } },
        // A .txt body keeps its first line, whatever it looks like.
        { "t", kOpenTxt, "old", true, { S("ML\t1\t件名\t0\t"), S("一行目") } },
        { "t.mlb", kOpenAll, "old", true, { S("ML\t1\t送信済み\t1\t"), S("本文") } },
        // No subject and no priority field: the priority is high unless it says "0".
        { "short.mal", kOpenMal, "", true, { "body" } },
        // Lines ended by LF alone, as other editors save them.
        { "lf.mal", kOpenMal, S("件名"), false, { S("一行目"), "", S("三行目") } },
    };
    for (const auto& c : cases) {
        MailText mail { "old", true, { "old body" } };
        ASSERT_TRUE(Load(Path(c.file), c.filter, mail).Ok()) << c.file << " " << c.filter;
        EXPECT_EQ(mail.subject, c.subject) << c.file << " " << c.filter;
        EXPECT_EQ(mail.high, c.high) << c.file << " " << c.filter;
        EXPECT_EQ(mail.lines, c.lines) << c.file << " " << c.filter;
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MailFilesTest, FilesThatAreNotTemplatesAreRefused)
{
    nrt::test::WriteAll(Path("late.mal"), "ML\t1\t" + std::string(600, 's') + "\t0\t\r\nbody\r\n");
    nrt::test::WriteAll(Path("other.mal"), "NG\t1\tsubject\t0\t\r\nbody\r\n");
    fs::MakeDirs(Path("folder.mal"));
    // Only a failure the system can explain names the file and the system's words.
    const struct {
        const char* file;
        FileError error;
        const char* box;
        std::string reason;
    } cases[] = {
        { "missing.mal", FileError::kOpenFailed, "ファイルオープンに失敗しました。",
            Path("missing.mal") + ": " + platform::ErrorText(ENOENT) },
        { "folder.mal", FileError::kOpenFailed, "ファイルオープンに失敗しました。", Path("folder.mal") },
        { "late.mal", FileError::kBadFormat, "不正な形式のファイルです。", "" },
        { "other.mal", FileError::kWrongKind, "ファイルの種類が不正です。", "" },
    };
    for (const auto& c : cases) {
        MailText mail { "kept", true, { "kept" } };
        const FileResult result = Load(Path(c.file), kOpenMal, mail);
        EXPECT_EQ(result.error, c.error) << c.file;
        EXPECT_EQ(result.reason, c.reason) << c.file;
        std::string box(c.box);
        if (!c.reason.empty())
            box.append("\n").append(U(c.reason));
        EXPECT_EQ(U(result.Message()), box);
        EXPECT_EQ(mail.subject, "kept");
        EXPECT_EQ(mail.lines, std::vector<std::string> { "kept" });
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MailFilesTest, ASaveThatFailsKeepsTheOldFileAndSaysWhy)
{
    nrt::test::WriteAll(Path("keep.mal"), "old");
    fs::testing::FailWritesAfter(0);
    const FileResult result = Save(Path("keep.mal"), kSaveMal, { "s", false, { "new" } });
    fs::testing::FailWritesAfter(-1);
    EXPECT_EQ(result.error, FileError::kSaveFailed);
    EXPECT_EQ(U(result.Message()), "保存に失敗しました。\n" + U(Path("keep.mal") + ": " + platform::ErrorText(ENOSPC)));
    EXPECT_EQ(Bytes("keep.mal"), "old");
}

TEST_F(MailFilesTest, TheSentMailAndItsArchiveCopy)
{
    platform::FakeClock clock;
    platform::ScopedClock scopedClock(clock);
    clock.now = { 2025, 1, 5, 9, 3, 7, 0 };
    const MailText mail { S("件名"), false, { S("本文") } };
    ASSERT_TRUE(SaveSent(dir.Path(), mail).Ok());
    const std::string expected = S("ML\t1\t件名\t0\t\r\n本文\r\n");
    EXPECT_EQ(Bytes("PrevMail.mlt"), expected);
    EXPECT_EQ(Bytes("Sd20250105090307.mlb"), expected);

    // The same second again overwrites the archive copy.
    ASSERT_TRUE(SaveSent(dir.Path(), { "other", true, {} }).Ok());
    EXPECT_EQ(Bytes("Sd20250105090307.mlb"), "ML\t1\tother\t1\t\r\n");
}

TEST_F(MailFilesTest, TheMailFolderOfTheCurrentUser)
{
    StartupFolders folders { dir.Path(), dir.Path(), dir.Path() };
    AppSettings g(folders);
    g.ReadSettings(true);
    const std::string folder = MailFolder(g);
    EXPECT_EQ(folder, g.BookFile("Mail"));
    EXPECT_TRUE(fs::IsDirectory(folder));
    ASSERT_TRUE(g.SetBookFolder(S("家族")));
    EXPECT_EQ(MailFolder(g), g.BookFolder() + "/Mail");
    EXPECT_TRUE(fs::IsDirectory(g.BookFolder() + "/Mail"));
}
