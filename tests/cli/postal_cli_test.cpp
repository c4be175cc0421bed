// nortea-cli postal-import and postal-lookup, end to end on temporary data folders.
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
    const bool shipped
        = std::filesystem::is_regular_file(std::filesystem::path(NRT_CLI).parent_path() / "yubin/YubinS.dat");
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
