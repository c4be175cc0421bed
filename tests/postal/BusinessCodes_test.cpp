#include "postal/BusinessCodes.h"

#include "platform/fs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

// A business list in the published layout, made by hand: 13 quoted columns, CR LF.
// The seventh line is a post-office box, the ninth abolished, the third's name holds
// a comma inside its quotes.
constexpr std::string_view kList
    = "\"13101\",\"ﾆﾎﾝｼｮｳｼﾞ ｶﾌﾞｼｷｶﾞｲｼｬ\",\"日本商事　株式会社\",\"東京都\",\"千代田区\",\"丸の内\",\"１丁目２－３\","
      "\"1008791\",\"100  \",\"銀座\",\"0\",\"0\",\"0\"\r\n"
      "\"13101\",\"ﾁﾖﾀﾞｸﾔｸｼｮ\",\"千代田区役所\",\"東京都\",\"千代田区\",\"九段南\",\"１丁目２－１\","
      "\"1028688\",\"102  \",\"麹町\",\"0\",\"0\",\"0\"\r\n"
      "\"13104\",\"ｼﾝｼﾞｭｸ ｼｮｳｶｲ\",\"新宿商会，本社\",\"東京都\",\"新宿区\",\"西新宿\",\"２丁目８－１\","
      "\"1638001\",\"160  \",\"新宿\",\"0\",\"1\",\"0\"\r\n"
      "\"27128\",\"ｵｵｻｶ ﾎﾞｳｴｷ\",\"大阪貿易株式会社\",\"大阪府\",\"大阪市中央区\",\"大手前\",\"２丁目１－２２\","
      "\"5408570\",\"540  \",\"東\",\"0\",\"0\",\"1\"\r\n"
      "\"01101\",\"ﾎｯｶｲﾄﾞｳ ｼﾝﾌﾞﾝ\",\"北海道新聞　札幌本社\",\"北海道\",\"札幌市中央区\",\"大通西\",\"３丁目６\","
      "\"0608711\",\"060  \",\"札幌中央\",\"0\",\"0\",\"0\"\r\n"
      "\"23101\",\"ﾅｺﾞﾔ ﾃﾞﾝｷ\",\"名古屋電気株式会社\",\"愛知県\",\"名古屋市千種区\",\"今池\",\"１丁目８－８\","
      "\"4648601\",\"464  \",\"千種\",\"0\",\"0\",\"0\"\r\n"
      "\"13101\",\"ｺｳｼﾞﾏﾁ ﾕｳﾋﾞﾝｷｮｸ ｼｼｮﾊﾞｺ ﾀﾞｲ1ｺﾞｳ\",\"麹町郵便局私書箱第１号\",\"東京都\",\"千代田区\",\"九段南\","
      "\"１丁目６－１\",\"1028799\",\"102  \",\"麹町\",\"1\",\"0\",\"0\"\r\n"
      "\"40133\",\"ﾌｸｵｶ ｷﾞﾝｺｳ\",\"福岡銀行　本店\",\"福岡県\",\"福岡市中央区\",\"天神\",\"２丁目１３－１\","
      "\"8108727\",\"810  \",\"福岡中央\",\"0\",\"0\",\"0\"\r\n"
      "\"14101\",\"ﾖｺﾊﾏ ｼｮｳｼﾞ\",\"横浜商事株式会社\",\"神奈川県\",\"横浜市鶴見区\",\"鶴見中央\",\"３丁目２０－１\","
      "\"2308601\",\"230  \",\"鶴見\",\"0\",\"0\",\"5\"\r\n"
      "\"04101\",\"ｾﾝﾀﾞｲ ｼｮｳｺｳ\",\"仙台商工株式会社\",\"宮城県\",\"仙台市青葉区\",\"一番町\",\"１丁目１－３０\","
      "\"9808691\",\"980  \",\"仙台中央\",\"0\",\"0\",\"0\"\r\n"
      "\"34101\",\"ﾋﾛｼﾏ ｼﾞﾄﾞｳｼｬ\",\"広島自動車株式会社\",\"広島県\",\"広島市中区\",\"基町\",\"１０－５２\","
      "\"7308511\",\"730  \",\"広島中央\",\"0\",\"0\",\"0\"\r\n"
      "\"26104\",\"ｷｮｳﾄ ｵﾘﾓﾉ\",\"京都織物株式会社\",\"京都府\",\"京都市中京区\",\"寺町通御池上る上本能寺前町\","
      "\"４８８\",\"6048571\",\"604  \",\"中京\",\"0\",\"0\",\"0\"\r\n";

BusinessCodes Parsed(std::string_view utf8, BusinessListResult* result = nullptr)
{
    BusinessCodes codes;
    const BusinessListResult r = codes.ParseList(S(utf8));
    if (result)
        *result = r;
    return codes;
}

} // namespace

TEST(BusinessCodes, PublishedListGivesFirmNameReadingAndAddress)
{
    for (const bool utf8 : { false, true }) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "Shift-JIS");
        BusinessCodes codes;
        const std::string bytes = utf8 ? std::string("\xEF\xBB\xBF") + std::string(kList) : S(kList);
        const BusinessListResult result = codes.ParseList(bytes);
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(result.utf8, utf8);
        EXPECT_EQ(result.count, 11); // the abolished line left out
        EXPECT_EQ(codes.Find("2308601"), nullptr);

        const BusinessEntry* e = codes.Find("163-8001");
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(U(e->name), "新宿商会，本社");
        EXPECT_EQ(U(e->reading), "ｼﾝｼﾞｭｸ ｼｮｳｶｲ");
        EXPECT_EQ(U(e->prefecture), "東京都");
        EXPECT_EQ(U(e->Address()), "新宿区西新宿２丁目８－１");
        EXPECT_FALSE(e->postOfficeBox);
        const BusinessEntry* box = codes.Find(S("１０２－８７９９"));
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->postOfficeBox);
        // Sorted by code whatever the list's order.
        EXPECT_EQ(codes.Entries().front().code, "0608711");
        EXPECT_EQ(codes.Entries().back().code, "9808691");
    }
}

TEST(BusinessCodes, CodeForms)
{
    const BusinessCodes codes = Parsed(kList);
    struct Case {
        const char* typed;
        bool found;
    };
    for (const Case& c : std::initializer_list<Case> { { "1008791", true }, { "100-8791", true },
             { "１００－８７９１", true }, { "100ー8791", true }, { "10-08791", false }, { "100879", false },
             { "10087911", false }, { "1008792", false }, { "", false }, { "100-8791 ", false } }) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(codes.Find(S(c.typed)) != nullptr, c.found);
    }
}

TEST(BusinessCodes, DamagedListsAreRefusedWholeNamingTheLine)
{
    const std::string list(kList);
    const std::size_t third = list.find("\"13104\"");
    const std::size_t fourth = list.find("\"27128\"");
    struct Case {
        const char* what;
        std::string bytes;
        BusinessListFault fault;
        int line;
    };
    std::string shortLine = list;
    shortLine.replace(shortLine.find(",\"0\",\"1\",\"0\"\r\n"), 12, "\r\n");
    std::string badCode = list;
    badCode.replace(badCode.find("5408570"), 7, "540857");
    std::string noName = list;
    noName.replace(noName.find("\"大阪貿易株式会社\""), std::string("\"大阪貿易株式会社\"").size(), "\"\"");
    const std::vector<Case> cases {
        { "cut inside a line", list.substr(0, fourth + 40), BusinessListFault::CutShort, 4 },
        { "cut after a column", list.substr(0, third - 2), BusinessListFault::CutShort, 2 },
        { "a line without its last columns", shortLine, BusinessListFault::BadLine, 3 },
        { "a code of six digits", badCode, BusinessListFault::BadLine, 4 },
        { "a firm without a name", noName, BusinessListFault::BadLine, 4 },
        { "the town list given instead",
            "13101,\"100  \",\"1000000\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ\","
            "\"東京都\",\"千代田区\",\"以下に掲載がない場合\",0,0,0,0,0,0\r\n",
            BusinessListFault::BadLine, 1 },
        { "empty", "", BusinessListFault::Empty, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BusinessCodes codes = Parsed(kList);
        const BusinessListResult result = codes.ParseList(S(c.bytes));
        EXPECT_EQ(result.fault, c.fault);
        EXPECT_EQ(result.line, c.line);
        // What was held before stays.
        EXPECT_EQ(codes.Count(), 11);
    }
}

TEST(BusinessCodes, ImportStoresAtomicallyAndLoadsBack)
{
    TempDir dir;
    const std::string list = dir.File("JIGYOSYO.CSV");
    const std::string store = dir.File(std::string(kBusinessCodeFile));
    WriteAll(list, S(kList));
    const BusinessListResult result = ImportBusinessList(list, store);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(U(BusinessImportMessage(result)), "事業所の個別郵便番号を11件インポートしました。");

    BusinessCodes loaded;
    ASSERT_TRUE(loaded.Load(store));
    EXPECT_EQ(loaded.Entries(), Parsed(kList).Entries());

    // A cut list leaves the stored one as it was and names its line.
    const std::string before = ReadAll(store);
    WriteAll(list, S(kList).substr(0, S(kList).size() - 5));
    const BusinessListResult cut = ImportBusinessList(list, store);
    EXPECT_EQ(cut.fault, BusinessListFault::CutShort);
    EXPECT_EQ(
        U(BusinessImportMessage(cut)), "事業所郵便番号データが途中で切れています（12行目）。取り込みませんでした。");
    EXPECT_EQ(ReadAll(store), before);

    // A UTF-8 list with a character Shift-JIS lacks is refused at its line.
    std::string utf8(kList);
    utf8.replace(utf8.find("福岡銀行"), std::string("福岡銀行").size(), "福岡銀行🏦");
    WriteAll(list, utf8);
    const BusinessListResult bad = ImportBusinessList(list, store);
    EXPECT_EQ(bad.fault, BusinessListFault::NotConvertible);
    EXPECT_EQ(bad.line, 8);
    EXPECT_EQ(ReadAll(store), before);
}

TEST(BusinessCodes, DamagedStoredFileLoadsNothing)
{
    TempDir dir;
    const std::string store = dir.File("jigyosyo.dat");
    const std::string whole = Parsed(kList).Format();
    const std::size_t secondLine = whole.find("\r\n") + 2;
    struct Case {
        const char* what;
        std::string bytes;
    };
    for (const Case& c : std::initializer_list<Case> {
             { "cut inside a line", whole.substr(0, whole.size() - 3) },
             { "cut after a line", whole.substr(0, secondLine + whole.substr(secondLine).find("\r\n") + 2) },
             { "no signature", whole.substr(secondLine) },
             { "a code damaged", std::string(whole).replace(secondLine, 1, "x") },
         }) {
        SCOPED_TRACE(c.what);
        WriteAll(store, c.bytes);
        BusinessCodes codes;
        EXPECT_FALSE(codes.Load(store));
        EXPECT_EQ(codes.Count(), 0);
    }
    BusinessCodes none;
    EXPECT_FALSE(none.Load(dir.File("missing.dat")));
}
