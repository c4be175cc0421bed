// nortea-cli sync-setup, sync and sync-conflicts: two data folders sharing one book
// through a Radicale server the test starts on 127.0.0.1.
#include "db/AddressTable.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include "../sync/DavServers.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using namespace nrt;
using nrt::test::DavServer;
using nrt::test::S;
using nrt::test::U;
using nrt::test::WriteAll;

namespace {

// One computer: its data folder and its book.
struct Computer {
    explicit Computer(const nrt::test::TempDir& dir, const std::string& name)
        : cli(dir.Path() + "/" + name, dir.Path() + "/" + name + "/data")
    {
        platform::fs::MakeDirs(dir.Path() + "/" + name);
        StartupFolders folders;
        folders.dataFolder = dir.Path() + "/" + name + "/data";
        AppSettings g(folders);
        g.ReadSettings(true);
        book = g.BookFile(S("nrt.ndb"));
    }
    // Sets field `f` of the record named `name` as the window would, saving the book.
    void Edit(const std::string& name, int f, const std::string& value) const
    {
        AddressTable table;
        ASSERT_EQ(table.LoadTable(book), TableError::kNone);
        for (int k = 0; k < table.GetRecordCount(); ++k)
            if (!table.IsDeleted(k) && table.Value(field::kName, k) == S(name)) {
                ASSERT_EQ(table.StoreValue(k, f, S(value)), RecordError::kNone);
            }
        ASSERT_EQ(table.SaveTable(book), TableError::kNone);
    }
    nrt::test::CliRunner cli;
    std::string book;
};

TEST(SyncCli, TwoComputersShareABookAndTakeAConflictBack)
{
    DavServer server(DavServer::Kind::kRadicale);
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    ::setenv("NORTEA_SYNC_PASSWORD", DavServer::kPassword, 1);
    nrt::test::TempDir dir;
    Computer a(dir, "a"), b(dir, "b");
    // No book on the server yet: said so; then one made.
    auto r = a.cli.Run({ "sync-setup", server.Root(), "--user", DavServer::kUser });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("サーバーにアドレス帳がありません。--create で作成できます。"), std::string::npos) << r.err;
    r = a.cli.Run({ "sync-setup", server.Root(), "--user", DavServer::kUser, "--create", "家族" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("同期するアドレス帳：家族　" + server.Root() + "/alice/")) << r.out;
    r = b.cli.Run(
        { "sync-setup", "--url", server.Root(), "--user", DavServer::kUser, "--book", "家族", "--store-password" });
    ASSERT_EQ(r.status, 0) << r.err;
    // The stored password is for the owner alone, and serves without the variable.
    const std::string ini = b.book.substr(0, b.book.rfind('/')) + "/NrtUser.ini";
    struct stat st { };
    ASSERT_EQ(::stat(U(ini).c_str(), &st), 0) << U(ini);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    WriteAll(dir.Path() + "/a/two.vcf",
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田 太郎\r\nN:山田;太郎;;;\r\nTEL;TYPE=HOME:03-1234-5678\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:佐藤 花子\r\nN:佐藤;花子;;;\r\nEND:VCARD\r\n");
    ASSERT_EQ(a.cli.Run({ "import-vcard", "two.vcf" }).status, 0);
    r = a.cli.Run({ "sync" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("アップロード: 2\nダウンロード: 0\n統合: 0\n競合: 0\n")) << r.out;
    ::unsetenv("NORTEA_SYNC_PASSWORD");
    r = b.cli.Run({ "sync" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("アップロード: 0\nダウンロード: 2\n")) << r.out;
    ::setenv("NORTEA_SYNC_PASSWORD", DavServer::kPassword, 1);

    // The same field changed on both: exit 1, listed, taken back, and sent.
    a.Edit("山田　太郎", field::kNote1, "Aのメモ");
    b.Edit("山田　太郎", field::kNote1, "Bのメモ");
    ASSERT_EQ(a.cli.Run({ "sync" }).status, 0);
    r = b.cli.Run({ "sync" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("競合: 1\n"), std::string::npos) << r.out;
    r = b.cli.Run({ "sync-conflicts" });
    EXPECT_EQ(r.out, "1\t山田　太郎\t備考１\tBのメモ\tAのメモ\n");
    EXPECT_EQ(b.cli.Run({ "sync-conflicts", "--take-back", "2" }).status, 1);
    ASSERT_EQ(b.cli.Run({ "sync-conflicts", "--take-back", "1" }).status, 0);
    EXPECT_EQ(b.cli.Run({ "sync-conflicts" }).out, "");
    ASSERT_EQ(b.cli.Run({ "sync" }).status, 0);
    ASSERT_EQ(a.cli.Run({ "sync" }).status, 0);
    r = a.cli.Run({ "list", "--fields", "名前,備考１" });
    EXPECT_NE(r.out.find("山田　太郎\tBのメモ"), std::string::npos) << r.out;
    ::unsetenv("NORTEA_SYNC_PASSWORD");
}

} // namespace
