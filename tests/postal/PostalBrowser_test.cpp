#include "postal/PostalBrowser.h"

#include "PostalTestData.h"
#include "db/LineList.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "postal/AddressFill.h"
#include "postal/PostalDictionary.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

class PostalBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteAll(dir.File("list.csv"), SampleList());
        ASSERT_EQ(ImportPostalList(dir.File("list.csv"), postalFolder), PostalImportResult::kOk);
    }

    // "code|name|reading" per row, in UTF-8.
    static std::vector<std::string> Rows(const PostalBrowser& b)
    {
        std::vector<std::string> rows;
        for (const auto& r : b.Rows())
            rows.push_back(U(r.code) + "|" + U(r.name) + "|" + U(r.reading));
        return rows;
    }

    TempDir dir;
    const std::string postalFolder = dir.File("yubin");
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scoped { host };
};

using Grid = std::vector<std::string>;

} // namespace

TEST_F(PostalBrowserTest, WalkFromPrefectureToTown)
{
    PostalBrowser b(postalFolder);
    b.Start(S("外国"));
    EXPECT_EQ(b.GetLevel(), PostalBrowser::kPrefectures);
    EXPECT_EQ(
        Rows(b), (Grid { " --- |北海道|ﾎｯｶｲﾄﾞｳ", " --- |東京都|ﾄｳｷｮｳﾄ", " --- |大阪府|ｵｵｻｶﾌ", " --- |沖縄県|ｵｷﾅﾜｹﾝ" }));
    EXPECT_EQ(U(b.Caption()), "ノルテア（都道府県）");
    EXPECT_EQ(U(b.OkCaption()), "選択");
    EXPECT_EQ(b.AddressLabel(), "");
    EXPECT_EQ(b.ShownCount(), 4);
    EXPECT_FALSE(b.PrefecturesEnabled());
    EXPECT_FALSE(b.CitiesEnabled());

    ASSERT_EQ(b.Choose(1), PostalBrowser::ChooseResult::kEntered);
    EXPECT_EQ(b.GetLevel(), PostalBrowser::kCities);
    EXPECT_EQ(b.PrefectureIndex(), 12);
    EXPECT_EQ(Rows(b), (Grid { " --- |渋谷区|ｼﾌﾞﾔｸ", " --- |千代田区|ﾁﾖﾀﾞｸ" }));
    EXPECT_EQ(U(b.Caption()), "ノルテア（市町村）");
    EXPECT_EQ(U(b.AddressLabel()), "東京都");
    EXPECT_TRUE(b.PrefecturesEnabled());

    ASSERT_EQ(b.Choose(1), PostalBrowser::ChooseResult::kEntered);
    EXPECT_EQ(b.GetLevel(), PostalBrowser::kTowns);
    EXPECT_EQ(Rows(b), (Grid { "100-0013|霞が関|ｶｽﾐｶﾞｾｷ", "100-0001|千代田|ﾁﾖﾀﾞ", "100-0014|永田町|ﾅｶﾞﾀﾁｮｳ" }));
    EXPECT_EQ(U(b.Caption()), "ノルテア（町域）");
    EXPECT_EQ(U(b.OkCaption()), "決定");
    EXPECT_EQ(U(b.AddressLabel()), "東京都千代田区");
    EXPECT_EQ(b.ShownCount(), 3);
    EXPECT_TRUE(b.CitiesEnabled());
    EXPECT_FALSE(b.Confirmed());

    ASSERT_EQ(b.Choose(0), PostalBrowser::ChooseResult::kConfirmed);
    EXPECT_TRUE(b.Confirmed());
    EXPECT_EQ(b.ChosenCode(), "100-0013");
    EXPECT_EQ(U(b.ChosenPrefecture()), "東京都");
    EXPECT_EQ(U(b.ChosenCity()), "千代田区");
    EXPECT_EQ(U(b.ChosenTown()), "霞が関");
    EXPECT_EQ(host.beeps, 0);
}

TEST_F(PostalBrowserTest, KanaFiltersOnEveryLevel)
{
    PostalBrowser b(postalFolder);
    b.Start(S("大阪府")); // the input form's prefecture opens its cities
    EXPECT_EQ(b.GetLevel(), PostalBrowser::kCities);
    EXPECT_EQ(Rows(b), (Grid { " --- |大阪市中央区|ｵｵｻｶｼﾁｭｳｵｳｸ", " --- |豊中市|ﾄﾖﾅｶｼ", " --- |八尾市|ﾔｵｼ" }));

    struct Case {
        int filter;
        Grid rows;
    } cities[] = {
        { 8, { " --- |八尾市|ﾔｵｼ" } }, // ヤ: ﾔ ﾕ ﾖ
        { 1, { " --- |大阪市中央区|ｵｵｻｶｼﾁｭｳｵｳｸ" } },
        { 4, { " --- |豊中市|ﾄﾖﾅｶｼ" } },
        { 10, { "||" } }, // nothing passes: one empty row
        { 0, { " --- |大阪市中央区|ｵｵｻｶｼﾁｭｳｵｳｸ", " --- |豊中市|ﾄﾖﾅｶｼ", " --- |八尾市|ﾔｵｼ" } },
    };
    for (const auto& c : cities) {
        b.SetFilter(c.filter);
        EXPECT_EQ(Rows(b), c.rows) << c.filter;
        EXPECT_EQ(b.IsFiltered(), c.filter != 0);
        EXPECT_EQ(b.ShownCount(), c.rows[0] == "||" ? 0 : static_cast<int>(c.rows.size())) << c.filter;
    }

    b.SetFilter(10);
    EXPECT_EQ(b.Choose(0), PostalBrowser::ChooseResult::kNothing);
    EXPECT_EQ(host.beeps, 1);

    b.SetFilter(1);
    ASSERT_EQ(b.Choose(0), PostalBrowser::ChooseResult::kEntered);
    EXPECT_EQ(b.GetFilter(), 0) << "choosing a row clears the filter";
    EXPECT_EQ(Rows(b), (Grid { "540-0002|大阪城|ｵｵｻｶｼﾞｮｳ", "540-0002|京橋前之町|ｷｮｳﾊﾞｼﾏｴﾉﾁｮｳ" }));
    b.SetFilter(2); // the town level rereads the same city
    EXPECT_EQ(Rows(b), (Grid { "540-0002|京橋前之町|ｷｮｳﾊﾞｼﾏｴﾉﾁｮｳ" }));
    b.SetFilter(3);
    EXPECT_EQ(Rows(b), (Grid { "||" }));
    EXPECT_EQ(b.Choose(0), PostalBrowser::ChooseResult::kNothing);
    EXPECT_FALSE(b.Confirmed());
    EXPECT_EQ(host.beeps, 2);

    b.BackToCities();
    EXPECT_EQ(b.GetLevel(), PostalBrowser::kCities);
    EXPECT_EQ(b.GetFilter(), 0);
    EXPECT_EQ(b.Rows().size(), 3u);
    EXPECT_TRUE(b.CitiesEnabled());
    b.BackToPrefectures();
    EXPECT_EQ(b.GetLevel(), PostalBrowser::kPrefectures);
    EXPECT_FALSE(b.CitiesEnabled());
    EXPECT_EQ(b.Rows().size(), 4u);
}

TEST(PostalKanaFilter, FirstByteRanges)
{
    struct Case {
        int filter;
        const char* passes;
        const char* fails;
    } cases[] = {
        { 1, "ｱｲｳｴｵ", "ｶｧﾝｰ" },
        { 2, "ｶｷｸｹｺ", "ｵｻ" },
        { 3, "ｻｼｽｾｿ", "ｺﾀ" },
        { 4, "ﾀﾁﾂﾃﾄ", "ｿﾅ" },
        { 5, "ﾅﾆﾇﾈﾉ", "ﾄﾊ" },
        { 6, "ﾊﾋﾌﾍﾎ", "ﾉﾏ" },
        { 7, "ﾏﾐﾑﾒﾓ", "ﾎﾔ" },
        { 8, "ﾔﾕﾖ", "ﾓﾗｬ" },
        { 9, "ﾗﾘﾙﾚﾛ", "ﾖﾜ" },
        { 10, "ﾜ", "ﾛｦﾝ" },
    };
    for (const auto& c : cases) {
        const std::string passes = S(c.passes), fails = S(c.fails);
        for (char ch : passes)
            EXPECT_TRUE(PassesKanaFilter(c.filter, std::string(1, ch))) << c.filter;
        for (char ch : fails)
            EXPECT_FALSE(PassesKanaFilter(c.filter, std::string(1, ch))) << c.filter;
        EXPECT_FALSE(PassesKanaFilter(c.filter, "")) << c.filter;
        EXPECT_TRUE(PassesKanaFilter(0, fails));
    }
    EXPECT_TRUE(PassesKanaFilter(0, ""));
}

TEST_F(PostalBrowserTest, MissingOrDamagedFilesGiveOneEmptyRow)
{
    PostalBrowser none(dir.File("nowhere"));
    none.Start("");
    EXPECT_EQ(none.Rows().size(), 1u);
    EXPECT_EQ(none.ShownCount(), 0);
    EXPECT_EQ(none.Choose(0), PostalBrowser::ChooseResult::kNothing);

    // A town index cut short: the town level beeps and lists nothing.
    WriteAll(postalFolder + "/tyo46.idx", std::string("\0\0", 2));
    PostalBrowser b(postalFolder);
    b.Start(S("沖縄県"));
    ASSERT_EQ(b.Choose(0), PostalBrowser::ChooseResult::kEntered);
    EXPECT_EQ(b.GetLevel(), PostalBrowser::kTowns);
    EXPECT_EQ(Rows(b), (Grid { "||" }));
    EXPECT_EQ(host.beeps, 2);
}

TEST(PostalTownRows, DamagedTownFilesStayInBounds)
{
    std::string idx;
    AppendLE32(idx, 0);
    AppendLE32(idx, 2);
    AppendLE32(idx, 1000); // offset beyond the towns
    AppendLE32(idx, 5);
    AppendLE32(idx, 0);
    AppendLE32(idx, -1); // a count far beyond what is there
    const std::string towns = std::string("1000013\0A\0a\0", 12) + "1000014\0B"; // last record unfinished
    struct Case {
        int city;
        bool ok;
        std::vector<std::string> codes;
    } cases[] = {
        { 1, true, { "100-0013", "100-0014" } },
        { 2, true, {} },
        { 3, true, { "100-0013", "100-0014" } },
        { 4, false, {} },
        { 0, false, {} },
        { -7, false, {} },
    };
    for (const auto& c : cases) {
        std::vector<PostalBrowserRow> rows;
        EXPECT_EQ(PostalTownRows(idx, towns, c.city, 0, rows), c.ok) << c.city;
        std::vector<std::string> codes;
        for (const auto& r : rows)
            codes.push_back(r.code);
        EXPECT_EQ(codes, c.codes) << c.city;
    }
}

TEST(PostalBrowserAtCode, OpensAtTheTownsOfASharedCodeAndChoosesWithoutTheRemark)
{
    const std::vector<ListLine> lines = {
        { "23210", "4520961", "ｱｲﾁｹﾝ", "ｷﾖｽｼ", "ｱｻﾋ", "愛知県", "清須市", "朝日" },
        { "23210", "4520001", "ｱｲﾁｹﾝ", "ｷﾖｽｼ", "ｲｯｼｷ", "愛知県", "清須市", "一色" },
        { "23210", "4520961", "ｱｲﾁｹﾝ", "ｷﾖｽｼ", "ｶﾜﾗ(ｿﾉﾀ)", "愛知県", "清須市", "河原（その他）" },
        { "23100", "4600001", "ｱｲﾁｹﾝ", "ﾅｺﾞﾔｼﾅｶｸ", "ｻﾝﾉﾏﾙ", "愛知県", "名古屋市中区", "三の丸" },
    };
    TempDir dir;
    WriteAll(dir.File("list.csv"), ListBytes(lines));
    const std::string postalFolder = dir.File("yubin");
    ASSERT_EQ(ImportPostalList(dir.File("list.csv"), postalFolder), PostalImportResult::kOk);
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scoped { host };

    // The input form's search finds two towns: it asks the browser instead of guessing.
    const AddressFillResult fill = FillAddressFromPostalCode(postalFolder, { S("452-0961"), "", "", "" });
    EXPECT_TRUE(fill.openBrowser);
    EXPECT_FALSE(fill.address1Changed);
    EXPECT_EQ(fill.browseCode, "452-0961");
    EXPECT_EQ(U(fill.browsePrefecture), "愛知県");
    EXPECT_TRUE(FillAddressFromPostalCode(postalFolder, { S("452-0001"), "", "", "" }).browseCode.empty());

    PostalBrowser b(postalFolder);
    b.StartAtCode(fill.browsePrefecture, fill.browseCode);
    EXPECT_EQ(b.GetLevel(), PostalBrowser::kTowns);
    std::vector<std::string> rows;
    for (const auto& r : b.Rows())
        rows.push_back(U(r.code) + "|" + U(r.name));
    EXPECT_EQ(rows, (std::vector<std::string> { "452-0961|朝日", "452-0961|河原（その他）" }));
    ASSERT_EQ(b.Choose(1), PostalBrowser::ChooseResult::kConfirmed);
    EXPECT_EQ(U(b.ChosenCity()), "清須市");
    EXPECT_EQ(U(b.ChosenTown()), "河原");

    // Back at the cities, the whole city is listed again.
    PostalBrowser again(postalFolder);
    again.StartAtCode(fill.browsePrefecture, fill.browseCode);
    again.BackToCities();
    ASSERT_EQ(again.Choose(0), PostalBrowser::ChooseResult::kEntered);
    EXPECT_EQ(again.Rows().size(), 3u);
    // A code the prefecture does not have opens at its cities.
    again.StartAtCode(S("愛知県"), "999-9999");
    EXPECT_EQ(again.GetLevel(), PostalBrowser::kCities);
}
