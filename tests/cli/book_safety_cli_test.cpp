// nortea-cli against what loses address books elsewhere: damaged tables, kills in the
// middle of a write, two writers at once. Real processes on temporary data folders.
#include "books/BookSafety.h"
#include "db/AddressTable.h"
#include "platform/FileLock.h"
#include "platform/LittleEndian.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <thread>

#include <sys/stat.h>

using namespace nrt;
using nrt::test::S;

namespace {

class BookSafetyCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.dataFolder = dir.Path();
        AppSettings g(folders);
        g.ReadSettings(true);
        table = g.BookFile("nrt.ndb");
        platform::fs::MakeDirs(g.BookFile({}));
        userFolder = g.BookFile({});
    }

    // Starts nortea-cli with standard output and error in files of the data folder.
    pid_t Start(const std::vector<std::string>& args, const std::string& tag, bool withData = true)
    {
        return cli.Start(args, tag, withData);
    }

    static int Wait(pid_t pid) { return nrt::test::CliRunner::Wait(pid); }

    int Run(const std::vector<std::string>& args, std::string* err = nullptr)
    {
        const nrt::test::CliResult r = cli.Run(args);
        if (err)
            *err = r.err;
        return r.status;
    }

    // A CSV of `count` addressees named prefix + number.
    std::string Csv(const std::string& prefix, int count)
    {
        std::string csv = S("名前,カナ\r\n");
        for (int i = 0; i < count; ++i)
            csv.append(prefix).append(std::to_string(i)).append(",ｱ\r\n");
        const std::string path = dir.Path() + "/" + prefix + ".csv";
        nrt::test::WriteAll(path, csv);
        return nrt::test::U(path);
    }

    void WriteBook(int count)
    {
        AddressTable db;
        db.CreateDefaultTable();
        for (int i = 0; i < count; ++i) {
            db.ClearCurrent();
            EXPECT_EQ(db.SetValue(field::kSender, "0"), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kName, std::string(1, 'b').append(std::to_string(i))), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kAddress1, std::string(static_cast<std::size_t>(40 + i % 50), 'x')),
                RecordError::kNone);
            EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        }
        ASSERT_EQ(db.SaveTable(table), TableError::kNone);
    }

    // Names in the book on disk, with how many of them start with `prefix`.
    int CountNamed(const std::string& prefix)
    {
        AddressTable db;
        if (db.LoadTable(table) != TableError::kNone || db.DamagedRecordCount() != 0)
            return -1;
        int n = 0;
        for (int k = 0; k < db.GetRecordCount(); ++k)
            n += db.Value(field::kName, k).substr(0, prefix.size()) == prefix;
        return n;
    }

    std::vector<std::string> TempFiles()
    {
        std::vector<std::string> found;
        for (const std::string& folder : { dir.Path(), userFolder })
            for (const auto& e : platform::fs::ListDir(folder))
                if (e.name.find(".nrt-tmp-") != std::string::npos)
                    found.push_back(e.name);
        return found;
    }

    nrt::test::TempDir dir;
    nrt::test::CliRunner cli { dir.Path(), dir.Path() };
    StartupFolders folders;
    std::string table;
    std::string userFolder;
};

} // namespace

// One flipped bit in record 11's length field of a 1000-record book used to cut the
// book to 10 records without a word, and the next import saved it that way. Now the
// record gives its length back; a record damaged beyond that is counted and left out.
TEST_F(BookSafetyCli, DamagedOrUnreadableBooksAreReportedAndNeverShrunkUnnoticed)
{
    WriteBook(1000);
    const std::string whole = nrt::test::ReadAll(table);
    std::string flipped = whole;
    const std::size_t record11 = [&] {
        std::size_t pos = 4 + 24 * 116 + 8;
        for (int i = 0; i < 10; ++i)
            pos += 4 + static_cast<std::size_t>(platform::GetLE32(whole.data() + pos));
        return pos;
    }();
    flipped[record11 + 2] = static_cast<char>(flipped[record11 + 2] ^ 0x10);
    nrt::test::WriteAll(table, flipped);

    std::string err;
    EXPECT_EQ(Run({ "list", "--fields", "名前" }, &err), 0);
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(std::ifstream(nrt::test::U(dir.Path()) + "/run.out").rdbuf()),
                  std::istreambuf_iterator<char>(), '\n'),
        1 + 1000);
    EXPECT_NE(err.find("注意: "), std::string::npos) << err;
    EXPECT_NE(err.find("全ての宛名を読み込みました"), std::string::npos) << err;
    EXPECT_EQ(nrt::test::ReadAll(table), flipped) << "reading never writes";

    // Writing commands refuse, write nothing and name the repair, so that a script
    // retrying on failure never imports twice.
    const auto damagedCopies = [&] {
        std::vector<std::string> copies;
        for (const auto& e : platform::fs::ListDir(userFolder))
            if (e.name.rfind("nrt_ndb.damaged-", 0) == 0)
                copies.push_back(userFolder + "/" + e.name);
        return copies;
    };
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>> {
             { "import-csv", Csv("n", 3) }, { "import-vcard", nrt::test::U(dir.Path()) + "/none.vcf" } }) {
        EXPECT_EQ(Run(command, &err), 1) << command[0];
        EXPECT_NE(err.find("nortea-cli repair"), std::string::npos) << err;
        EXPECT_EQ(nrt::test::ReadAll(table), flipped) << command[0];
        EXPECT_TRUE(damagedCopies().empty()) << command[0];
    }
    // The repair saves what was read, keeps the damaged original aside and says where.
    EXPECT_EQ(Run({ "repair" }, &err), 0) << err;
    ASSERT_EQ(damagedCopies().size(), 1u) << err;
    const std::string copy = damagedCopies().front();
    EXPECT_NE(err.find(nrt::test::U(copy)), std::string::npos) << err;
    EXPECT_EQ(nrt::test::ReadAll(copy), flipped);
    EXPECT_EQ(CountNamed("b"), 1000);
    EXPECT_EQ(Run({ "repair" }, &err), 0) << "nothing left to repair: " << err;
    EXPECT_EQ(damagedCopies().size(), 1u);
    EXPECT_EQ(Run({ "import-csv", Csv("m", 2) }, &err), 0) << "the book is whole again: " << err;
    EXPECT_EQ(CountNamed("m"), 2);

    // Record 11's offsets damaged as well: it is lost, counted, and the rest is read.
    flipped[record11 + 5] = static_cast<char>(flipped[record11 + 5] ^ 0x40);
    nrt::test::WriteAll(table, flipped);
    EXPECT_EQ(Run({ "list" }, &err), 0);
    EXPECT_NE(err.find("（1件）"), std::string::npos) << err;
    EXPECT_EQ(Run({ "import-csv", Csv("p", 1) }, &err), 1) << err;
    EXPECT_EQ(nrt::test::ReadAll(table), flipped);
    EXPECT_EQ(Run({ "repair" }, &err), 0) << err;
    EXPECT_EQ(CountNamed("b"), 999);
    EXPECT_EQ(Run({ "import-csv", Csv("p", 1) }, &err), 0) << err;

    // A table that cannot be read at all is never replaced, by any command.
    const std::string header = whole.substr(0, 200) + std::string(1, '\x7F') + whole.substr(201);
    nrt::test::WriteAll(table, header);
    EXPECT_EQ(Run({ "list" }, &err), 1);
    EXPECT_NE(err.find("読み込めません"), std::string::npos) << err;
    EXPECT_EQ(Run({ "import-csv", Csv("k", 2) }, &err), 1);
    EXPECT_EQ(Run({ "repair" }, &err), 1);
    EXPECT_EQ(nrt::test::ReadAll(table), header);
}

// Kills at random moments of imports: the book is always the old or a new one, no lock
// is left stuck, and the next command clears away the temporary files of the killed.
TEST_F(BookSafetyCli, KillsDuringImportsLoseNothingAndLeaveNothingStuck)
{
    WriteBook(300);
    const std::string csv = Csv("k", 3000);
    const auto started = std::chrono::steady_clock::now();
    std::mt19937 rng(20261209);
    std::set<int> seen;
    for (int i = 0; i < 50; ++i) {
        const pid_t pid = Start({ "import-csv", csv }, "kill");
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 120000));
        ::kill(pid, SIGKILL);
        Wait(pid);
        const int imported = CountNamed("k");
        ASSERT_GE(imported, 0) << "the book does not load whole after kill " << i;
        ASSERT_EQ(imported % 3000, 0) << "a part of an import after kill " << i;
        EXPECT_EQ(CountNamed("b"), 300);
        seen.insert(imported);
        ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::minutes(3));
    }
    // Temporary files of writers no longer running go with the next command; those of
    // a running one (this test) stay.
    const std::string dead = userFolder + "/nrt.ndb.nrt-tmp-999999999-0-00000000";
    const std::string alive = userFolder + "/nrt.ndb.nrt-tmp-" + std::to_string(::getpid()) + "-0-00000000";
    nrt::test::WriteAll(dead, "x");
    nrt::test::WriteAll(alive, "x");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    std::string err;
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(Run({ "import-csv", Csv("z", 1) }, &err), 0) << err;
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(20)) << "waited for a lock";
    EXPECT_EQ(TempFiles(), std::vector<std::string> { alive.substr(userFolder.size() + 1) });
    EXPECT_EQ(CountNamed("z"), 1);
}

// Two imports started together: each either lands or is refused with a non-zero
// status; never do both report success while one is lost.
TEST_F(BookSafetyCli, ConcurrentImportsBothLandOrOneIsRefused)
{
    const std::string a = Csv("a", 2000);
    const std::string b = Csv("c", 2000);
    for (int run = 0; run < 8; ++run) {
        WriteBook(10);
        const pid_t pa = Start({ "import-csv", a }, "a");
        const pid_t pb = Start({ "import-csv", b }, "b");
        const int sa = Wait(pa);
        const int sb = Wait(pb);
        EXPECT_EQ(CountNamed("a"), sa == 0 ? 2000 : 0) << run;
        EXPECT_EQ(CountNamed("c"), sb == 0 ? 2000 : 0) << run;
        EXPECT_EQ(CountNamed("b"), 10) << run;
    }
}

// A held lock makes a writing command wait for it and then refuse; the window's lock
// (its single-copy lock held) refuses at once.
TEST_F(BookSafetyCli, AWriterHoldingTheDataFolderKeepsOthersOut)
{
    WriteBook(1);
    const std::string before = nrt::test::ReadAll(table);
    platform::FileLock held;
    ASSERT_EQ(held.TryLock(dir.Path() + "/" + kWriteLockName), platform::FileLock::Result::Locked);
    const pid_t pid = Start({ "import-csv", Csv("w", 1) }, "w");
    // It says what it waits for and how long as soon as it meets the lock (a loaded
    // machine may take a while to start it).
    std::string waiting;
    for (int tries = 0; tries < 200 && waiting.find("最長120秒待ちます。") == std::string::npos; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        waiting = nrt::test::ReadAll(dir.Path() + "/w.err");
    }
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "the command should wait for the lock";
    EXPECT_NE(waiting.find("nrt.lock"), std::string::npos) << waiting;
    EXPECT_NE(waiting.find("最長120秒待ちます。"), std::string::npos) << waiting;
    EXPECT_EQ(nrt::test::ReadAll(table), before);
    held.Unlock();
    EXPECT_EQ(Wait(pid), 0);
    EXPECT_EQ(CountNamed("w"), 1);
}

// Where the books are, or which book, is never guessed: a data folder that cannot be
// written is not swapped for the program folder, a path too long is not cut to a bare
// name in the working folder, and a mistyped user is not made a new book.
TEST_F(BookSafetyCli, FoldersAndUsersAreNeverSilentlySwapped)
{
    WriteBook(7);
    std::string err;
    EXPECT_EQ(Run({ "--user", "かいしゃ", "list" }, &err), 1);
    EXPECT_NE(err.find("ユーザー「かいしゃ」は登録されていません。"), std::string::npos) << err;
    EXPECT_FALSE(platform::fs::Exists(dir.Path() + "/" + S("かいしゃ")));

    const std::string deep = dir.Path() + "/" + std::string(249 - dir.Path().size(), 'd'); // 250 bytes
    ASSERT_TRUE(platform::fs::MakeDirs(deep));
    const std::string deepUtf8 = nrt::test::U(deep);
    EXPECT_EQ(Wait(Start({ "--data", deepUtf8, "list" }, "deep", false)), 1);
    const std::string deepErr = nrt::test::ReadAll(dir.Path() + "/deep.err");
    EXPECT_EQ(std::count(deepErr.begin(), deepErr.end(), '\n'), 1) << deepErr;
    EXPECT_NE(deepErr.find("ファイル名が長すぎます。"), std::string::npos) << deepErr;

    // The per-user data folder holds the book, but nothing can be written in it (a
    // folder stands where the writability probe would go, which stops even root).
    const std::string home = dir.Path() + "/home";
    const std::string data = home + "/pelora/nrt";
    ASSERT_TRUE(platform::fs::MakeDirs(data + "/make.chk"));
    ASSERT_TRUE(platform::fs::MakeDirs(data + "/" + S("メインユーザー")));
    ASSERT_TRUE(platform::fs::CopyFile(table, data + "/" + S("メインユーザー") + "/nrt.ndb"));
    ::setenv("XDG_DATA_HOME", nrt::test::U(home).c_str(), 1);
    const int listed = Wait(Start({ "list", "--fields", "名前" }, "ro", false));
    const std::string out = nrt::test::ReadAll(dir.Path() + "/ro.out");
    const int imported = Wait(Start({ "import-csv", Csv("r", 1) }, "ro", false));
    const std::string roErr = nrt::test::ReadAll(dir.Path() + "/ro.err");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(listed, 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1 + 7) << out;
    EXPECT_EQ(imported, 1);
    EXPECT_NE(roErr.find("に書き込めません"), std::string::npos) << roErr;
    EXPECT_EQ(nrt::test::ReadAll(data + "/" + S("メインユーザー") + "/nrt.ndb"), nrt::test::ReadAll(table));
}
