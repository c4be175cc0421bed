// nortea-cli postal-import and postal-lookup, end to end on temporary data folders.
#include "db/AddressTable.h"
#include "db/LineList.h"
#include "platform/fs.h"
#include "postal/PostalTestData.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include "CliRunner.h"
#include "ProgramRunning.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;

namespace {

using Result = nrt::test::CliResult;

class PostalCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.dataFolder = dir.Path() + "/data";
        platform::fs::MakeDirs(folders.dataFolder);
        AppSettings g(folders);
        g.ReadSettings(true);
        userFolder = g.BookFile({});
        platform::fs::MakeDirs(userFolder);
    }

    // Runs nortea-cli in the temporary folder (the working folder of relative paths).
    Result Run(const std::vector<std::string>& args) { return cli.Run(args); }

    std::string Entry3() const
    {
        LineList lines;
        static_cast<void>(lines.LoadText(userFolder + "/NrtPath.dat")); // missing: no entry
        return U(lines.GetLine(3));
    }

    nrt::test::TempDir dir;
    nrt::test::CliRunner cli { dir.Path(), dir.Path() + "/data" };
    StartupFolders folders;
    std::string userFolder;
};

TEST_F(PostalCliTest, ImportThenLookUp)
{
    nrt::test::WriteAll(dir.Path() + "/list.csv", nrt::test::SampleList());
    Result r = Run({ "postal-import", "list.csv" });
    ASSERT_EQ(r.status, 0) << r.err;
    // No progress line when standard error is not a terminal.
    EXPECT_EQ(r.err, "住所録: 正常にインポートされました。\n");
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(platform::fs::IsFile(folders.dataFolder + "/yubin/YubinS.idx"));
    // Remembered as the import window remembers it, with its folder.
    EXPECT_EQ(Entry3(), U(dir.Path()) + "/list.csv");

    struct Case {
        const char* code;
        const char* out; // nullptr: not found
    };
    const Case cases[] = {
        { "100-0013", "100-0013\t東京都 千代田区霞が関\tﾄｳｷｮｳﾄ ﾁﾖﾀﾞｸｶｽﾐｶﾞｾｷ\n" },
        { "1000013", "100-0013\t東京都 千代田区霞が関\tﾄｳｷｮｳﾄ ﾁﾖﾀﾞｸｶｽﾐｶﾞｾｷ\n" }, // as the input form adds the hyphen
        { "581-0003", "581-0003\t大阪府 八尾市本町\tｵｵｻｶﾌ ﾔｵｼﾎﾝﾏﾁ\n" },
        { "150-0002", nullptr }, // not in the list
        { "100-001", nullptr },
        { "100-00134", nullptr },
        { "", nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        r = Run({ "postal-lookup", c.code });
        if (c.out) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, c.out);
            EXPECT_TRUE(r.err.empty());
        } else {
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.out.empty());
            EXPECT_EQ(r.err, "注意: 該当住所が見つかりません。\n");
        }
    }
}

// Without a dictionary of the data folder the one shipped beside the program answers
// (the release build makes one in the programs' folder when the postal list is there);
// without that either, nothing is found.
TEST_F(PostalCliTest, LookupWithoutDictionaryOfTheDataFolder)
{
    const bool shipped = std::filesystem::is_regular_file(
        std::filesystem::path(nrt::test::CliRunner::Program()).parent_path() / "yubin/YubinS.dat");
    Result r = Run({ "postal-lookup", "100-0013" });
    if (shipped) {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind("100-0013\t東京都 千代田区霞が関\t", 0), 0U) << r.out;
    } else {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "注意: 該当住所が見つかりません。\n");
    }
}

TEST_F(PostalCliTest, RefusedLists)
{
    const std::string bad
        = nrt::test::ListLineBytes({ "13101", "10000", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ｶｽﾐｶﾞｾｷ", "東京都", "千代田区", "霞が関" });
    // Eleven lines, two empty ones, and a line after them.
    const std::string cut = nrt::test::SampleList() + bad;
    struct Case {
        const char* file;
        const char* bytes; // nullptr: no file
        const char* err;
    };
    const Case cases[] = {
        { "missing.csv", nullptr, "注意: 郵便番号データが見つかりません。\n" },
        { "empty.csv", "", "注意: データがありません。\n" },
        { "bad.csv", bad.c_str(), "注意: 郵便番号データが不正です。\n" },
        { "cut.csv", cut.c_str(),
            "注意: 郵便番号データが途中で終わっています。 12行目：空の行のあとにデータがあります。\n"
            "郵便番号データは変更されていません。\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (c.bytes)
            nrt::test::WriteAll(dir.Path() + "/" + c.file, c.bytes);
        Result r = Run({ "postal-import", c.file });
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(platform::fs::Exists(folders.dataFolder + "/yubin"));
        EXPECT_EQ(Entry3(), "");
    }
}

TEST_F(PostalCliTest, Usage)
{
    for (const std::vector<std::string>& args :
        std::vector<std::vector<std::string>> { { "postal-import" }, { "postal-import", "a.csv", "b.csv" },
            { "postal-import", "--x", "a.csv" }, { "postal-lookup" }, { "postal-lookup", "100-0013", "100-0014" } }) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_NE(r.err.find("usage: nortea-cli " + args[0]), std::string::npos) << r.err;
    }
}

TEST_F(PostalCliTest, ImportRefusedWhileTheProgramRuns)
{
    nrt::test::WriteAll(dir.Path() + "/list.csv", nrt::test::SampleList());
    nrt::test::ProgramRunning program(cli);
    ASSERT_TRUE(program.Held());

    Result r = Run({ "postal-import", "list.csv" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("起動されています"), std::string::npos) << r.err;
    EXPECT_FALSE(platform::fs::Exists(folders.dataFolder + "/yubin"));

    program.Stop();
    r = Run({ "postal-import", "list.csv" });
    EXPECT_EQ(r.status, 0) << r.err;
}

} // namespace

namespace {

// A book of the records given, by field index and UTF-8 value.
void WriteBook(const std::string& userFolder, const std::vector<std::vector<std::pair<int, const char*>>>& records)
{
    AddressTable db;
    db.CreateDefaultTable();
    for (const auto& values : records) {
        db.ClearCurrent();
        ASSERT_EQ(db.SetValue(field::kSender, "0"), RecordError::kNone);
        for (const auto& [f, v] : values)
            ASSERT_EQ(db.SetValue(f, S(v)), RecordError::kNone);
        ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    }
    ASSERT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);
}

} // namespace

TEST_F(PostalCliTest, ListsPairsAndExitsOneWhenAnyWereFound)
{
    WriteBook(userFolder,
        { { { field::kName, "髙橋 一郎" }, { field::kKana, "ﾀｶﾊｼ ｲﾁﾛｳ" }, { field::kPhone, "03-1111-2222" } },
            { { field::kName, "鈴木 恵" }, { field::kPhone, "03-1111-2222" } },
            { { field::kName, "高橋　一郎" }, { field::kKana, "ﾀｶﾊｼ ｲﾁﾛｳ" }, { field::kPhone, "(03)1111-2222" } } });
    const auto tsv = Run({ "duplicates", "--format", "tsv" });
    EXPECT_EQ(tsv.status, 1) << tsv.err;
    EXPECT_EQ(tsv.out, "名前1\t名前2\t共通\n髙橋 一郎\t高橋　一郎\t電話\n");
    const auto plain = Run({ "duplicates" });
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(plain.out, "髙橋 一郎 ／ 高橋　一郎（電話）\n");
    EXPECT_EQ(Run({ "duplicates", "--format", "csv" }).status, 2);

    WriteBook(userFolder, { { { field::kName, "鈴木 恵" }, { field::kPhone, "03-1111-2222" } } });
    const auto none = Run({ "duplicates", "--format", "tsv" });
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "名前1\t名前2\t共通\n");
}

TEST_F(PostalCliTest, BusinessListImportedThenLookedUp)
{
    const std::string list = dir.Path() + "/JIGYOSYO.CSV";
    const std::string line1
        = "\"13104\",\"ｼﾝｼﾞｭｸ ｼｮｳｶｲ\",\"新宿商会\",\"東京都\",\"新宿区\",\"西新宿\",\"２丁目８－１\","
          "\"1638001\",\"160  \",\"新宿\",\"0\",\"0\",\"0\"\r\n";
    const std::string line2 = "\"27128\",\"ｵｵｻｶ ﾎﾞｳｴｷ\",\"大阪貿易株式会社\",\"大阪府\",\"大阪市中央区\",\"大手前\","
                              "\"２丁目１－２２\",\"5408570\",\"540  \",\"東\",\"0\",\"0\",\"1\"\r\n";
    // Cut inside its second line: refused, nothing stored.
    nrt::test::WriteAll(list, line1 + line2.substr(0, 30));
    const auto cut = Run({ "postal-import", "--business", list });
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err, "注意: 事業所郵便番号データが途中で切れています（2行目）。取り込みませんでした。\n");
    EXPECT_FALSE(platform::fs::Exists(folders.dataFolder + "/jigyosyo.dat"));

    // A firm's own code is no town's: the check finds it unknown until the list is there.
    WriteBook(userFolder,
        { { { field::kName, "山田 太郎" }, { field::kHonorific, "様" }, { field::kPostalCode, "540-8570" },
            { field::kPrefecture, "大阪府" }, { field::kAddress1, "大阪市中央区大手前２丁目１－２２" } } });
    const auto before = Run({ "check", "--format", "tsv" });
    const bool dictionary = before.out.find("郵便番号") != std::string::npos;
    if (dictionary) {
        EXPECT_EQ(before.status, 1) << before.out;
    }

    nrt::test::WriteAll(list, line1 + line2); // UTF-8, as some downloads are converted
    const auto ok = Run({ "postal-import", "--business", list });
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.err, "住所録: 事業所の個別郵便番号を2件インポートしました。\n");

    const auto found = Run({ "postal-lookup", "540-8570" });
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "540-8570\t大阪府 大阪市中央区大手前２丁目１－２２\tｵｵｻｶ ﾎﾞｳｴｷ\t大阪貿易株式会社\n");
    EXPECT_EQ(Run({ "postal-lookup", "540-8571" }).status, 1);

    const auto after = Run({ "check", "--format", "tsv" });
    EXPECT_EQ(after.out.find("郵便番号"), std::string::npos) << after.out;
    EXPECT_EQ(after.status, 0) << after.out;
}
