// nortea-cli import-csv, export-csv, user and backup, run on temporary data folders.
#include "db/AddressTable.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace nrt;
using nrt::test::ReadAll;
using nrt::test::S;
using nrt::test::U;
using nrt::test::WriteAll;

namespace {

using Output = nrt::test::CliResult;

class ExchangeCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.dataFolder = dir.Path() + "/data";
        AppSettings g(folders);
        g.ReadSettings(true);
        userFolder = g.BookFile({});
    }

    // From the temporary folder, so that relative file names land there.
    Output Run(const std::vector<std::string>& args) { return cli.Run(args); }

    static int Records(const std::string& folder)
    {
        AddressTable db;
        return db.LoadTable(folder + "/nrt.ndb") == TableError::kNone ? db.GetRecordCount() : -1;
    }

    nrt::test::TempDir dir;
    nrt::test::CliRunner cli { dir.Path(), dir.Path() + "/data" };
    StartupFolders folders;
    std::string userFolder;
};

} // namespace

TEST_F(ExchangeCliTest, ImportThenExport)
{
    WriteAll(dir.Path() + "/in.csv", S("名前,カナ,メール\r\n山田,ﾔﾏﾀﾞ,\"y,1\"\r\n阿部,ｱﾍﾞ,a\r\n"));
    Output r = Run({ "import-csv", "in.csv" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2\n");
    EXPECT_EQ(r.err,
        "確認: 「in.csv」の宛名 2 "
        "件を、住所録「メインユーザー」に取り込みます。\nデータを取り込みます。よろしいですか？ → はい\n"
        "住所録: 正常にインポートされました。\n（取り込んだデータ：2件）\n");
    EXPECT_EQ(Records(userFolder), 2);

    r = Run({ "export-csv", "out", "--fields", "名前,メール", "--no-header" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2\n");
    // In the list's order: by kana.
    EXPECT_EQ(ReadAll(dir.Path() + "/out.CSV"), S("\"阿部\",\"a\"\r\n\"山田\",\"y,1\"\r\n"));

    // Refusals keep the table as it was.
    WriteAll(dir.Path() + "/bad.csv", S("名前,住所３\r\nx,y\r\n"));
    r = Run({ "import-csv", "bad.csv" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("注意: フィールド「住所３」は対象外のデータです。\n"), std::string::npos) << r.err;
    EXPECT_EQ(Records(userFolder), 2);
    r = Run({ "export-csv", "x.csv", "--fields", "名前,なし" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "注意: 『なし』は項目にありません。\n");
    EXPECT_EQ(Run({ "import-csv" }).status, 2);
    EXPECT_EQ(Run({ "export-csv", "a", "b" }).status, 2);
}

// vCard in and out from the command line: the closing message names what a field could
// not take, --marked exports the marked addressees only, --where narrows the list.
TEST_F(ExchangeCliTest, VCardImportThenExport)
{
    WriteAll(dir.Path() + "/in.vcf",
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎;;;\r\nX-PHONETIC-LAST-NAME:ヤマダ\r\n"
        "TEL;TYPE=HOME:03-1111-2222\r\nTEL;TYPE=WORK:03-3333-4444\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:阿部 花子\r\nEND:VCARD\r\n");
    Output r = Run({ "import-vcard", "in.vcf" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2\n");
    EXPECT_EQ(r.err,
        "確認: 「in.vcf」の宛名 2 "
        "件を、住所録「メインユーザー」に取り込みます。\nデータを取り込みます。よろしいですか？ → はい\n"
        "住所録: 正常にインポートされました。（2件）\n"
        "（敬称のないデータに「様」または「御中」を付けました：2件）\n"
        "1件目（山田　太郎）のTEL：「03-3333-4444」は取り込みませんでした。\n");
    EXPECT_EQ(Records(userFolder), 2);

    r = Run({ "export-vcard", "out.vcf", "--where", "カナ='ﾔﾏﾀﾞ'" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\n");
    const std::string out = ReadAll(dir.Path() + "/out.vcf");
    const std::size_t uid = out.find("UID:urn:uuid:");
    ASSERT_NE(uid, std::string::npos) << out;
    EXPECT_EQ(out.substr(0, uid), "BEGIN:VCARD\r\nVERSION:4.0\r\nPRODID:-//pelora//nortea//JA\r\n");
    EXPECT_EQ(out.substr(out.find("\r\n", uid)),
        "\r\nFN:山田　太郎\r\nN:山田;太郎;;;\r\nX-PHONETIC-LAST-NAME:ヤマダ\r\n"
        "TEL;TYPE=home,voice;VALUE=text:03-1111-2222\r\nX-NORTEA-HONORIFIC:様\r\nEND:VCARD\r\n");
    // The book holds the card's UID now, and the next export gives the same.
    AddressTable book;
    ASSERT_EQ(book.LoadTable(userFolder + "/nrt.ndb"), TableError::kNone);
    ASSERT_EQ(book.UidField(), field::kUid);
    const std::string cardUid = out.substr(uid + 4, out.find("\r\n", uid) - uid - 4);
    EXPECT_TRUE(book.Value(field::kUid, 0) == cardUid || book.Value(field::kUid, 1) == cardUid) << cardUid;
    ASSERT_EQ(Run({ "export-vcard", "again.vcf", "--where", "カナ='ﾔﾏﾀﾞ'" }).status, 0);
    EXPECT_EQ(ReadAll(dir.Path() + "/again.vcf"), out);
    // Read back, the export adds nothing: its card names a record of the book.
    r = Run({ "import-vcard", "out.vcf" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\n");
    EXPECT_NE(r.err.find("（既に登録されているため取り込まなかったカード：1件）"), std::string::npos) << r.err;
    EXPECT_EQ(Records(userFolder), 2);
    // A file of cards with nothing to import is a failure that says so.
    WriteAll(dir.Path() + "/empty.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n");
    r = Run({ "import-vcard", "empty.vcf" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("注意: インポートしたデータはありません。（0件）"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1件目：取り込める項目がないため取り込みませんでした。"), std::string::npos) << r.err;
    EXPECT_EQ(Run({ "export-vcard", "all.vcf", "--marked" }).out, "2\n");
    EXPECT_EQ(Run({ "import-vcard", "missing.vcf" }).status, 1);
    EXPECT_EQ(Run({ "export-vcard" }).status, 2);
}

// Other programs' CSV files without a window: the headers the window knows, the
// mapping saved for a header, a mapping file, and a header nothing can be placed from.
TEST_F(ExchangeCliTest, OtherProgramsCsvWithoutAWindow)
{
    const struct {
        const char* what;
        std::string bytes;
    } files[] = {
        { "web address book",
            "\xEF\xBB\xBF"
            "First Name,Last Name,Phonetic First Name,Phonetic Last Name,Birthday,Labels,E-mail 1 - Value,"
            "Phone 1 - Label,Phone 1 - Value,Address 1 - Street,Address 1 - City,Address 1 - Region,"
            "Address 1 - Postal Code\r\n太郎,山田,たろう,やまだ,1980-04-12,友人 ::: * "
            "myContacts,taro@example.jp,Mobile,"
            "090-1234-5678,霞が関1-2-3,千代田区,東京都,100-0013\r\n" },
        { "mail program",
            "First Name,Last Name,Company,Business Phone,Home Phone,Birthday,Categories,E-mail Address\r\n"
            "花子,佐藤,ノルテア商事,06-0000-0000,,0/0/00,友人;ゴルフ,hanako@example.jp\r\n" },
        { "free mail program",
            "First Name,Last Name,Display Name,Primary Email,Mobile Number,Home Address,Home City,Home State,"
            "Home ZipCode,Birth Year,Birth Month,Birth Day\r\n一郎,鈴木,鈴木 一郎,ichiro@example.jp,080-1111-2222,"
            "梅田1-1,大阪市北区,大阪府,530-0001,1985,4,2\r\n" },
    };
    int records = 0;
    for (const auto& f : files) {
        WriteAll(dir.Path() + "/other.csv", f.bytes);
        const Output r = Run({ "import-csv", "other.csv" });
        EXPECT_EQ(r.status, 0) << f.what << ": " << r.err;
        EXPECT_EQ(r.out, "1\n") << f.what;
        EXPECT_NE(r.err.find("正常にインポートされました。\n（取り込んだデータ：1件）"), std::string::npos) << r.err;
        EXPECT_EQ(Records(userFolder), ++records) << f.what;
    }
    Output r = Run({ "list", "--fields", "名前,生年月日,電話番号,携帯番号,大分類,小分類,会社名,都道府県,住所１",
        "--sort", "カナ" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("佐藤　花子\t\t06-0000-0000\t\t友人\tゴルフ\tノルテア商事\t\t\n"), std::string::npos) << r.out;
    EXPECT_NE(
        r.out.find("鈴木　一郎\tS60/04/02\t\t080-1111-2222\t\t\t\t大阪府\t大阪市北区梅田1-1\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("山田　太郎\tS55/04/12\t\t090-1234-5678\t友人\t\t\t東京都\t千代田区霞が関1-2-3\n"),
        std::string::npos)
        << r.out;

    // Nothing placed: refused, naming the columns and the way to map them.
    WriteAll(dir.Path() + "/odd.csv", "Col A,Col B\r\nx,y\r\n");
    r = Run({ "import-csv", "odd.csv" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("割り当てのない列：Col A、Col B"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--map"), std::string::npos) << r.err;
    EXPECT_EQ(Records(userFolder), records);

    // The window's choice for that header, kept in the data folder, is taken; a file
    // in the same form is taken with --map.
    const std::string mapping = "Col A,Col B\r\n" + S("名前") + "\t0\t-1\x1F" + S("備考１") + "\t0\t-1\r\n";
    WriteAll(folders.dataFolder + "/csvmap.dat", mapping);
    r = Run({ "import-csv", "odd.csv" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Records(userFolder), ++records);
    std::remove((folders.dataFolder + "/csvmap.dat").c_str());
    WriteAll(dir.Path() + "/my.map", mapping);
    r = Run({ "import-csv", "odd.csv", "--map", "my.map" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Records(userFolder), ++records);
    WriteAll(dir.Path() + "/other.map", "X,Y\r\n" + S("名前") + "\t0\t-1\x1F\t0\t-1\r\n");
    EXPECT_EQ(Run({ "import-csv", "odd.csv", "--map", "other.map" }).status, 1);

    // Only empty rows: nothing imported is no success.
    WriteAll(dir.Path() + "/header.csv", S("名前,カナ\r\n,\r\n"));
    r = Run({ "import-csv", "header.csv" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("インポートしたデータはありません。"), std::string::npos) << r.err;
}

TEST_F(ExchangeCliTest, UsersCreateListAndRemove)
{
    Output r = Run({ "user", "create", "友人" });
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({ "user", "list" });
    EXPECT_EQ(r.out, "  （メインユーザー）\n* 友人\n");
    r = Run({ "user", "create", "友人" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "注意: 既に存在するユーザーです。\n");
    r = Run({ "user", "create", "a-b" });
    EXPECT_EQ(r.err, "注意: 使用出来ない文字(-)が使われました。\n");
    r = Run({ "user", "remove", "友人" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "注意: 開いているユーザーは削除できません。\n");
    // Another user open for the command: only the list entry goes.
    r = Run({ "--user", "メインユーザー", "user", "remove", "友人" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "確認: ユーザーを削除します。よろしいですか？ → はい\n");
    EXPECT_EQ(ReadAll(folders.dataFolder + "/userlist.dat"), "");
    EXPECT_TRUE(platform::fs::IsDirectory(folders.dataFolder + "/" + S("友人")));
    r = Run({ "user", "remove", "（メインユーザー）" });
    EXPECT_EQ(r.err, "注意: 削除できないデータです。\n");
    EXPECT_EQ(Run({ "user", "rename", "x" }).status, 2);
}

TEST_F(ExchangeCliTest, Backup)
{
    AddressTable db;
    db.CreateDefaultTable();
    EXPECT_EQ(db.SetValue(field::kName, S("山田")), RecordError::kNone);
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    ASSERT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);
    Output r = Run({ "backup" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
        "注意: "
        "バックアップの設定をしてください。\n「設定」→「オプション」→「一般」の「バックアップ」で設定できます。\n");

    const std::string backup = dir.Path() + "/backup";
    WriteAll(userFolder + "/NrtUser.ini", "[HBACK]\r\nON=1\r\nPATH=" + backup + "\r\nSU=2\r\n");
    for (int n : { 1, 2, 1 }) {
        r = Run({ "backup" });
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, U(backup) + "/メインユーザー/SV" + std::to_string(n) + "\n");
        EXPECT_EQ(r.err, "確認: バックアップします。よろしいですか？ → はい\n");
    }
    EXPECT_EQ(Records(backup + "/" + S("メインユーザー/SV2")), 1);
    EXPECT_NE(ReadAll(userFolder + "/NrtUser.ini").find("SU_CU=1"), std::string::npos);
}

TEST_F(ExchangeCliTest, ExportChoosesTabConditionAndEncoding)
{
    AddressTable db;
    db.CreateDefaultTable();
    const struct {
        const char* name;
        const char* sender;
    } rows[] = { { "山田", "0" }, { "佐藤", "0" }, { "差出人", "1" } };
    for (const auto& row : rows) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kSender, row.sender), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kPrintMark, "1"), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kName, S(row.name)), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
    ASSERT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);
    struct Case {
        std::vector<std::string> options;
        std::string file; // as written
    } cases[] = {
        { {}, S("\"佐藤\"\r\n\"山田\"\r\n") },
        { { "--senders" }, S("\"差出人\"\r\n") },
        { { "--where", "名前='山田' or 名前='差出人'" }, S("\"山田\"\r\n") },
        { { "--encoding", "utf-8" }, "\xEF\xBB\xBF\"佐藤\"\r\n\"山田\"\r\n" },
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = { "export-csv", "out.csv", "--fields", "名前", "--no-header" };
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Output r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadAll(dir.Path() + "/out.csv"), c.file);
    }
    EXPECT_EQ(Run({ "export-csv", "out.csv", "--encoding", "latin1" }).status, 2);
    EXPECT_EQ(Run({ "export-csv", "out.csv", "--senders", "--tab", "友人" }).status, 2);

    // What it wrote as UTF-8 comes back in whole.
    ASSERT_EQ(Run({ "export-csv", "all.csv", "--encoding", "utf-8" }).status, 0);
    ASSERT_TRUE(platform::fs::RemoveFile(userFolder + "/nrt.ndb"));
    const Output r = Run({ "import-csv", "all.csv" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Records(userFolder), 2);
}

TEST_F(ExchangeCliTest, RestoreMakesANewUserFromASet)
{
    AddressTable db;
    db.CreateDefaultTable();
    EXPECT_EQ(db.SetValue(field::kName, S("山田")), RecordError::kNone);
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    ASSERT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);
    const std::string backup = dir.Path() + "/backup";
    WriteAll(
        userFolder + "/NrtUser.ini", "[HBACK]\r\nON=1\r\nPATH=" + backup + "\r\nSU=2\r\nSU_CU=1\r\nYMD=20250101\r\n");
    ASSERT_EQ(Run({ "backup" }).status, 0);
    const std::string set = U(backup) + "/メインユーザー/SV2";

    Output r = Run({ "restore", set, "復元" });
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string restored = folders.dataFolder + "/" + S("復元");
    EXPECT_EQ(r.out, U(restored) + "\n");
    EXPECT_EQ(Records(restored), 1);
    const std::string ini = ReadAll(restored + "/NrtUser.ini");
    EXPECT_NE(ini.find("SU_CU=0"), std::string::npos) << ini;
    struct stat st { };
    ASSERT_EQ(::stat(platform::fs::ToSystemPath(restored + "/NrtUser.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    r = Run({ "restore", set, "復元" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "注意: 既に存在するユーザーです。\n");
    r = Run({ "restore", U(dir.Path()) + "/nothing", "別" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "注意: コピー元のファイルが存在しません。\n");
    r = Run({ "restore", set });
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: nortea-cli restore SET NAME\n"), std::string::npos) << r.err;
    // A name of spaces alone makes no book.
    r = Run({ "user", "create", " " });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "注意: ユーザー名を入力して下さい。\n");
}
