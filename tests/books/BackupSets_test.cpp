// Backup sets: the rotation through SV1..SU with "back.ls2", which files a set takes,
// a missing Mail folder, failures that leave the counters alone and never a truncated
// file, the start-up offer, and a restore into a new user that is opened again.
#include "books/BackupSets.h"

#include "UsersFixture.h"
#include "books/AddressBooks.h"
#include "books/BookSafety.h"
#include "db/LineList.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using namespace nrt;
using nrt::platform::MsgResult;
using nrt::test::ReadAll;
using nrt::test::S;
using nrt::test::U;
using nrt::test::WriteAll;

namespace {

class BackupTest : public nrt::test::UsersFixture {
protected:
    BackupTest()
    {
        backup = dir.Path() + "/backup";
        settings->SetFolderBackupOn(1);
        settings->SetFolderBackupPath(backup);
        user = settings->BookFile({});
        AddRecord(table, "山田");
        EXPECT_EQ(table.SaveTable(user + "/nrt.ndb"), TableError::kNone);
    }

    std::string Set(int n) const { return backup + "/" + S("メインユーザー") + "/SV" + std::to_string(n); }

    std::string backup;
    std::string user;
};

} // namespace

TEST_F(BackupTest, FourBackupsWithThreeSetsRotate)
{
    settings->SetFolderBackupSets(3);
    const int days[] = { 8, 9, 10, 11 };
    const int expectedSet[] = { 1, 2, 3, 1 };
    const int expectedCounter[] = { 1, 2, 0, 1 };
    for (int i = 0; i < 4; ++i) {
        clock.now.day = days[i];
        WriteAll(user + "/" + S("メモ.nms"), "day " + std::to_string(days[i]));
        int n = 0;
        ASSERT_EQ(BackupSets::Backup(*settings, nullptr, &n).result, BackupSets::kBackedUp);
        EXPECT_EQ(n, expectedSet[i]);
        EXPECT_EQ(settings->GetFolderBackupGeneration(), expectedCounter[i]);
        EXPECT_EQ(settings->GetFolderBackupDate(), 20250100 + days[i]);
        EXPECT_EQ(ReadAll(Set(n) + "/" + S("メモ.nms")), "day " + std::to_string(days[i]));
    }
    EXPECT_EQ(Tree(backup + "/" + S("メインユーザー")),
        (std::vector<std::string> { "SV1/", "SV1/Mail/", "SV1/nrt.ndb", "SV1/メモ.nms", "SV2/", "SV2/Mail/",
            "SV2/nrt.ndb", "SV2/メモ.nms", "SV3/", "SV3/Mail/", "SV3/nrt.ndb", "SV3/メモ.nms" }));
    EXPECT_EQ(
        ReadAll(user + "/back.ls2"), S("1:保存日：2025/01/11\r\n2:保存日：2025/01/09\r\n3:保存日：2025/01/10\r\n"));
    EXPECT_TRUE(host.shown.empty());
}

TEST_F(BackupTest, WhatASetTakes)
{
    const char* taken[] = { "NrtUser.ini", "nrt_ms01.nms", "nrt_ms02.nms", "NrtPath.dat", "NrtRepList.dat",
        "HyoList.dat", "a.lst", "年賀状.ndp", "OLD.NDP", "年賀状.prd", "userlist.dat" };
    const char* left[] = { "nrt_ndb.bak", "nrt_ndb.bk1", "back.ls2", "memo.txt", "x.ndpx" };
    for (const char* f : taken)
        WriteAll(user + "/" + S(f), S(f));
    for (const char* f : left)
        WriteAll(user + "/" + S(f), S(f));
    platform::fs::MakeDirs(user + "/mail/sub");
    for (const char* f : { "FormMail.mlt", "list.log", "x.mlb", "x.mal", "sub/deep.log" })
        WriteAll(user + "/mail/" + S(f), f);
    // A file already in the set stays; one of the same name is replaced.
    platform::fs::MakeDirs(Set(1));
    WriteAll(Set(1) + "/keep.txt", "keep");
    WriteAll(Set(1) + "/HyoList.dat", "old");

    ASSERT_EQ(BackupSets::Backup(*settings).result, BackupSets::kBackedUp);
    std::vector<std::string> expected
        = { "Mail/", "Mail/FormMail.mlt", "Mail/list.log", "Mail/x.mlb", "keep.txt", "nrt.ndb" };
    for (const char* f : taken)
        expected.push_back(f);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Tree(Set(1)), expected);
    EXPECT_EQ(ReadAll(Set(1) + "/HyoList.dat"), "HyoList.dat");
    EXPECT_EQ(ReadAll(Set(1) + "/nrt.ndb"), ReadAll(user + "/nrt.ndb"));
}

TEST_F(BackupTest, NoMailFolderGivesAnEmptyOneQuietly)
{
    ASSERT_FALSE(platform::fs::Exists(user + "/Mail"));
    ASSERT_EQ(BackupSets::Backup(*settings).result, BackupSets::kBackedUp);
    EXPECT_TRUE(platform::fs::IsDirectory(Set(1) + "/Mail"));
    EXPECT_TRUE(platform::fs::ListDir(Set(1) + "/Mail").empty());
    EXPECT_TRUE(host.shown.empty());
}

TEST_F(BackupTest, FailuresLeaveTheCountersAlone)
{
    settings->SetFolderBackupGeneration(1);
    settings->SetFolderBackupDate(20241231);
    struct Case {
        std::function<void()> prepare;
        int result;
        std::string message;
    } cases[] = {
        { [&] { settings->SetFolderBackupPath(""); }, BackupSets::kNoDestination, "パスを指定してください。" },
        { [&] { settings->SetFolderBackupPath("relative/backup"); }, BackupSets::kNoDestination,
            "パスを指定してください。" },
        { [&] {
             settings->SetFolderBackupPath(backup);
             platform::fs::RemoveFile(user + "/nrt.ndb");
         },
            BackupSets::kCopyFailed, "ファイルのコピーに失敗しました。\n" + U(Set(2)) + "/nrt.ndb" },
        { [&] { settings->SetBookFolder(""); }, BackupSets::kNoBookName, "ユーザーの取得に失敗しました。" },
    };
    for (Case& c : cases) {
        c.prepare();
        const BackupSets::BackupOutcome outcome = BackupSets::Backup(*settings);
        EXPECT_EQ(outcome.result, c.result) << c.message;
        EXPECT_EQ(U(outcome.message), c.message);
        EXPECT_EQ(settings->GetFolderBackupGeneration(), 1);
        EXPECT_EQ(settings->GetFolderBackupDate(), 20241231);
    }
    EXPECT_FALSE(platform::fs::Exists(user + "/back.ls2"));
}

TEST_F(BackupTest, ACopyThatFailsHalfWayLeavesTheOldFile)
{
    AddressTable big;
    big.CreateDefaultTable();
    for (int i = 0; i < 2000; ++i)
        AddRecord(big, "大きな表の一行");
    ASSERT_EQ(big.SaveTable(user + "/nrt.ndb"), TableError::kNone);
    platform::fs::MakeDirs(Set(1));
    WriteAll(Set(1) + "/nrt.ndb", "the previous set");

    platform::fs::testing::FailWritesAfter(10000);
    const BackupSets::BackupOutcome outcome = BackupSets::Backup(*settings);
    platform::fs::testing::FailWritesAfter(-1);
    EXPECT_EQ(outcome.result, BackupSets::kCopyFailed);
    EXPECT_EQ(U(outcome.message), "ファイルのコピーに失敗しました。\n" + U(Set(1)) + "/nrt.ndb");
    EXPECT_EQ(ReadAll(Set(1) + "/nrt.ndb"), "the previous set");
    EXPECT_EQ(Tree(Set(1)), std::vector<std::string> { "nrt.ndb" });
    EXPECT_EQ(settings->GetFolderBackupGeneration(), 0);
}

TEST_F(BackupTest, TheStartUpOffer)
{
    struct Case {
        int on, interval, ymd, day;
        bool due;
        int ymdAfter;
    } cases[] = {
        { 1, 7, 20250101, 7, false, 20250101 },
        { 1, 7, 20250101, 8, true, 20250101 },
        { 1, 14, 20250106, 7, true, 20250106 }, // any other interval is a day
        { 1, 31, 20241208, 8, true, 20241208 },
        { 1, 31, 20241209, 8, false, 20241209 },
        { 1, 0, 20200101, 8, false, 20200101 },
        { 1, 7, 0, 8, false, 20250108 }, // the first start records the date
        { 0, 7, 20200101, 8, false, 20200101 },
    };
    for (const Case& c : cases) {
        settings->SetFolderBackupOn(c.on);
        settings->SetFolderBackupInterval(c.interval);
        settings->SetFolderBackupDate(c.ymd);
        clock.now.day = c.day;
        EXPECT_EQ(BackupSets::OfferDue(*settings), c.due) << c.interval << " " << c.ymd << " " << c.day;
        EXPECT_EQ(settings->GetFolderBackupDate(), c.ymdAfter);
    }
    settings->SetFolderBackupOn(0);
    const BackupSets::Done enabled = BackupSets::CheckEnabled(*settings);
    EXPECT_FALSE(enabled.ok);
    EXPECT_EQ(U(enabled.message),
        "バックアップの設定をしてください。\n「設定」→「オプション」→「一般」の「バックアップ」で設定できます。");
}

TEST_F(BackupTest, RestoreIntoANewUserAndOpenItAgain)
{
    settings->SetScalePercent(175);
    settings->SetFolderBackupGeneration(2);
    settings->SetFolderBackupDate(20250101);
    WriteAll(user + "/nrt_ms01.nms", S("友人\r\n"));
    platform::fs::MakeDirs(user + "/Mail");
    WriteAll(user + "/Mail/FormMail.mlt", "template");
    ASSERT_TRUE(BackupSets::SaveBeforeBackup(*settings, table).ok);
    ASSERT_EQ(BackupSets::Backup(*settings).result, BackupSets::kBackedUp);
    const std::string set = Set(3);

    AddressBooks users(*settings);
    AddressBooks::NewBook request { S("復元"), true, set + "/nrt.ndb" };
    std::string source;
    ASSERT_EQ(users.Create(request, &table, platform::Ask, &source).result, AddressBooks::Created::kFromCopy);
    EXPECT_EQ(source, set);
    ASSERT_TRUE(BackupSets::CopySet(source, settings->BookFile({})).ok);
    table.ClearRecords();
    ASSERT_EQ(users.FinishRestore(table), AddressBooks::Refusal::kNone);
    EXPECT_EQ(Names(table), std::vector<std::string> { "山田" });
    EXPECT_EQ(settings->GetScalePercent(), 175);
    EXPECT_EQ(settings->GetFolderBackupGeneration(), 0);
    EXPECT_EQ(settings->GetFolderBackupDate(), 0);
    EXPECT_EQ(ReadAll(settings->BookFile("nrt_ms01.nms")), S("友人\r\n"));
    EXPECT_EQ(ReadAll(settings->BookFile("Mail/FormMail.mlt")), "template");

    bool saved = false;
    ASSERT_TRUE(users.Open(0, table, saved, platform::Ask).result);
    AddRecord(table, "佐藤");
    saved = false;
    ASSERT_TRUE(users.Open(users.FindEntry(S("復元")), table, saved, platform::Ask).result);
    EXPECT_EQ(Names(table), std::vector<std::string> { "山田" });
    EXPECT_EQ(settings->GetScalePercent(), 175);
}

TEST_F(BackupTest, ARestoreThatCannotBeReadLeavesTheNewUserEmpty)
{
    platform::fs::MakeDirs(dir.File("set"));
    WriteAll(dir.File("set") + "/nrt.ndb", "damaged");
    AddressBooks users(*settings);
    AddressBooks::NewBook request { S("復元"), true, dir.File("set") + "/nrt.ndb" };
    std::string source;
    ASSERT_EQ(users.Create(request, &table, platform::Ask, &source).result, AddressBooks::Created::kFromCopy);
    ASSERT_TRUE(BackupSets::CopySet(source, settings->BookFile({})).ok);
    const AddressBooks::Refusal refusal = users.FinishRestore(table);
    EXPECT_EQ(refusal, AddressBooks::Refusal::kNotLoaded);
    EXPECT_EQ(U(AddressBooks::RefusalText(refusal)), "読み込みに失敗しました。");
    EXPECT_EQ(table.GetRecordCount(), 0);
    EXPECT_EQ(table.GetFieldCount(), 24);
}

TEST_F(BackupTest, ASetMissingAnyFileIsNoBackup)
{
    // The user folder as a full target would meet it: each case lets the writes run out
    // just after one more file of the set.
    WriteAll(user + "/NrtUser.ini", std::string(300, 'i'));
    WriteAll(user + "/" + S("友人.nms"), std::string(400, 'n'));
    platform::fs::MakeDirs(user + "/Mail");
    WriteAll(user + "/Mail/list.log", std::string(500, 'l'));
    const long long ndb = static_cast<long long>(ReadAll(user + "/nrt.ndb").size());
    // Nothing of a set that could not be made whole is left: no set folder, and no
    // folder it was being made in.
    struct Case {
        long long budget;
        std::string message;
    } cases[] = {
        { ndb + 10, "ファイルのコピーに失敗しました。\n" + U(Set(1)) + "/NrtUser.ini" },
        { ndb + 310, "ファイルコピーに失敗しました。\n" + U(Set(1)) + "/友人.nms" },
        { ndb + 710, "ファイルコピーに失敗しました。\n" + U(Set(1)) + "/Mail/list.log" },
    };
    settings->SetFolderBackupGeneration(0);
    settings->SetFolderBackupDate(20241231);
    for (const Case& c : cases) {
        platform::fs::RemoveTree(backup);
        platform::fs::testing::FailWritesAfter(c.budget);
        const BackupSets::BackupOutcome outcome = BackupSets::Backup(*settings);
        platform::fs::testing::FailWritesAfter(-1);
        EXPECT_EQ(outcome.result, BackupSets::kCopyFailed) << c.budget;
        EXPECT_EQ(U(outcome.message), c.message);
        EXPECT_EQ(Tree(backup), std::vector<std::string> { "メインユーザー/" });
        EXPECT_EQ(settings->GetFolderBackupGeneration(), 0);
        EXPECT_EQ(settings->GetFolderBackupDate(), 20241231);
        EXPECT_FALSE(platform::fs::Exists(user + "/back.ls2"));
    }
    ASSERT_EQ(BackupSets::Backup(*settings).result, BackupSets::kBackedUp);
    EXPECT_EQ(settings->GetFolderBackupGeneration(), 1);
}

TEST_F(BackupTest, CopiesKeepTheirPermissionsAndARestoredIniIsPrivate)
{
    ASSERT_TRUE(settings->WriteSettings().Ok());
    auto mode = [](const std::string& path) {
        struct stat st { };
        return ::stat(platform::fs::ToSystemPath(path).c_str(), &st) == 0 ? (st.st_mode & 07777) : 0u;
    };
    ASSERT_EQ(mode(user + "/NrtUser.ini"), 0600u);
    WriteAll(user + "/a.lst", "list");
    ::chmod(platform::fs::ToSystemPath(user + "/a.lst").c_str(), 0640);
    ASSERT_EQ(BackupSets::Backup(*settings).result, BackupSets::kBackedUp);
    EXPECT_EQ(mode(Set(1) + "/NrtUser.ini"), 0600u);
    EXPECT_EQ(mode(Set(1) + "/a.lst"), 0640u);

    AddressBooks users(*settings);
    AddressBooks::NewBook request { S("復元"), true, Set(1) + "/nrt.ndb" };
    std::string source;
    ASSERT_EQ(users.Create(request, &table, platform::Ask, &source).result, AddressBooks::Created::kFromCopy);
    ASSERT_TRUE(BackupSets::CopySet(source, settings->BookFile({})).ok);
    EXPECT_EQ(mode(settings->BookFile("NrtUser.ini")), 0600u);
}

// A set or a restored user appears whole or not at all: it is made in a folder beside
// its place, which a killed run leaves behind for the next start to clear away; an old
// set moved aside for the swap comes back.
TEST_F(BackupTest, KilledBackupsAndRestoresLeaveNothingHalfDone)
{
    ASSERT_EQ(BackupSets::Backup(*settings).result, BackupSets::kBackedUp);
    const std::string sets = backup + "/" + S("メインユーザー");
    // What kills at three moments leave: a set half made, an old set moved aside for a
    // swap that never came, a restore half copied.
    platform::fs::MakeDirs(Set(2) + ".nrt-new-999999999/Mail");
    WriteAll(Set(2) + ".nrt-new-999999999/nrt.ndb", "half");
    ASSERT_TRUE(platform::fs::Rename(Set(1), Set(1) + ".nrt-old-999999999"));
    platform::fs::MakeDirs(Data() + S("復元") + ".nrt-new-999999999");
    WriteAll(Data() + S("復元") + ".nrt-new-999999999/nrt.ndb", "half");
    // A run going on now keeps its folder.
    const std::string running = Set(3) + ".nrt-new-" + std::to_string(::getpid());
    platform::fs::MakeDirs(running);

    RemoveLeftoverTempFiles(*settings);
    EXPECT_EQ(Tree(sets),
        (std::vector<std::string> {
            "SV1/", "SV1/Mail/", "SV1/nrt.ndb", "SV3.nrt-new-" + std::to_string(::getpid()) + "/" }));
    EXPECT_EQ(ReadAll(Set(1) + "/nrt.ndb"), ReadAll(user + "/nrt.ndb"));
    EXPECT_FALSE(platform::fs::Exists(Data() + S("復元") + ".nrt-new-999999999"));
    platform::fs::RemoveDir(running);

    // A restore joins the user list only when its files are all there: one cut short
    // before leaves no listed, empty book, and the same restore works again.
    AddressBooks users(*settings);
    AddressBooks::NewBook request { S("復元"), true, Set(1) + "/nrt.ndb" };
    std::string source;
    ASSERT_EQ(users.Create(request, &table, platform::Ask, &source).result, AddressBooks::Created::kFromCopy);
    EXPECT_EQ(users.FindEntry(S("復元")), -1);
    EXPECT_FALSE(platform::fs::Exists(Data() + "userlist.dat"));
    users.AbandonRestore(S("メインユーザー"));
    EXPECT_EQ(U(settings->BookName()), "メインユーザー");
    ASSERT_EQ(users.Create(request, &table, platform::Ask, &source).result, AddressBooks::Created::kFromCopy);
    ASSERT_TRUE(BackupSets::CopySet(source, settings->BookFile({})).ok);
    ASSERT_EQ(users.FinishRestore(table), AddressBooks::Refusal::kNone);
    EXPECT_EQ(ReadAll(Data() + "userlist.dat"), S("復元\r\n"));
    EXPECT_EQ(Names(table), std::vector<std::string> { "山田" });
    for (const std::string& entry : Tree(Data()))
        EXPECT_EQ(entry.find(".nrt-"), std::string::npos) << entry;
}

// Folders the program makes, the copies of the settings and the copies kept beside a
// table are for the owner alone; settings left readable by an older version are
// tightened at the start.
TEST_F(BackupTest, PrivateFilesStayPrivate)
{
    auto mode = [](const std::string& path) {
        struct stat st { };
        return ::stat(platform::fs::ToSystemPath(path).c_str(), &st) == 0 ? (st.st_mode & 07777) : 0u;
    };
    EXPECT_EQ(mode(Data()), 0700u);
    EXPECT_EQ(mode(user), 0700u);
    WriteAll(user + "/NrtUser.ini", "[MAIL]\r\nPASS=secret\r\n");
    ::chmod(platform::fs::ToSystemPath(user + "/NrtUser.ini").c_str(), 0644);
    ASSERT_EQ(BackupSets::Backup(*settings).result, BackupSets::kBackedUp);
    EXPECT_EQ(mode(backup + "/" + S("メインユーザー")), 0700u);
    EXPECT_EQ(mode(Set(1)), 0700u);
    EXPECT_EQ(mode(Set(1) + "/Mail"), 0700u);
    EXPECT_EQ(mode(Set(1) + "/NrtUser.ini"), 0600u);
    TightenPrivateFiles(*settings);
    EXPECT_EQ(mode(user + "/NrtUser.ini"), 0600u);

    // The copy kept before a table first grows its fields, and a damaged original.
    ::chmod(platform::fs::ToSystemPath(user + "/nrt.ndb").c_str(), 0644);
    AddressTable grown;
    ASSERT_EQ(grown.LoadTable(user + "/nrt.ndb"), TableError::kNone);
    ASSERT_EQ(grown.ExtendSchema(), RecordError::kNone);
    grown.ClearCurrent();
    ASSERT_EQ(grown.SetValue(grown.FindField(S("連名１")), S("花子")), RecordError::kNone);
    ASSERT_EQ(grown.PostRecord(), RecordError::kNone);
    ASSERT_EQ(grown.SaveTable(user + "/nrt.ndb"), TableError::kNone);
    ASSERT_FALSE(grown.SchemaCopy().empty());
    EXPECT_EQ(mode(grown.SchemaCopy()), 0600u);
    std::string bytes = ReadAll(user + "/nrt.ndb");
    bytes.resize(bytes.size() - 5);
    WriteAll(user + "/nrt.ndb", bytes);
    AddressTable damaged;
    ASSERT_EQ(damaged.LoadTable(user + "/nrt.ndb"), TableError::kNone);
    ASSERT_FALSE(damaged.LoadedWhole());
    ASSERT_EQ(damaged.SaveTable(user + "/nrt.ndb"), TableError::kNone);
    ASSERT_FALSE(damaged.DamagedCopy().empty());
    EXPECT_EQ(mode(damaged.DamagedCopy()), 0600u);
}
