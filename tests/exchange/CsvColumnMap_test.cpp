// Other programs' CSV: their headers mapped to fields without the user, the rows
// imported through the mapping, and a chosen mapping remembered per header.
#include "exchange/CsvColumnMap.h"
#include "exchange/CsvImport.h"

#include "ExchangeFixture.h"

#include <gtest/gtest.h>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;
using nrt::test::WriteAll;

namespace {

class ColumnMapTest : public nrt::test::ExchangeFixture {
protected:
    std::string Value(const char* field, int k) const { return U(table.Value(table.FindField(S(field)), k)); }

    std::vector<std::string> Headers(const std::string& path, bool hasHeader = true)
    {
        CsvImport::Preview preview;
        EXPECT_EQ(CsvImport::ReadPreview(path, hasHeader, 3, preview), CsvReader::Result::kOk);
        return preview.headers;
    }
};

} // namespace

// A web address book's export (UTF-8): names family first, readings, the numbers by
// their kind column, the address, groups without the book's own, an ISO birthday.
TEST_F(ColumnMapTest, WebAddressBookExportIsMappedWithoutTheUser)
{
    const std::string path = Docs("contacts.csv");
    WriteAll(path,
        "\xEF\xBB\xBF"
        "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle Name,Phonetic Last Name,Name Prefix,"
        "Name Suffix,Nickname,File As,Organization Name,Organization Title,Organization Department,Birthday,Notes,"
        "Photo,Labels,E-mail 1 - Label,E-mail 1 - Value,Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,"
        "Phone 2 - Value,Phone 3 - Label,Phone 3 - Value,Address 1 - Label,Address 1 - Formatted,"
        "Address 1 - Street,Address 1 - City,Address 1 - PO Box,Address 1 - Region,Address 1 - Postal Code,"
        "Address 1 - Country,Address 1 - Extended Address\r\n"
        "太郎,,山田,たろう,,やまだ,,,,,ノルテア商事,課長,,1980-04-12,年賀状,,友人 ::: * myContacts,* Home,"
        "taro@example.jp,Mobile,090-1234-5678,Home,03-1234-5678 ::: 03-1111-2222,Home Fax,03-1234-5679,Home,"
        "\"東京都千代田区霞が関1-2-3\n100-0013\",霞が関1-2-3,千代田区,,東京都,100-0013,日本,中央ビル\r\n"
        "花子,,佐藤,,,,,,,,,,,,,,* myContacts,,,Work,06-1234-5678,,,,,,,,,,,,,\r\n");
    const std::vector<std::string> headers = Headers(path);
    ASSERT_EQ(headers.size(), 34U);
    EXPECT_FALSE(CsvColumnMap::IsOwnHeader(headers, table));
    const std::vector<ColumnTarget> targets = CsvColumnMap::Recognise(headers, table);

    CsvImport import(*settings, table);
    ASSERT_EQ(import.LoadMapped(path, true, targets), CsvImport::Result::kImported)
        << ::testing::PrintToString(Shown());
    ASSERT_EQ(table.GetRecordCount(), 2);
    const struct {
        const char* field;
        const char* first;
        const char* second;
    } want[] = {
        { "名前", "山田　太郎", "佐藤　花子" },
        { "カナ", "ﾔﾏﾀﾞ ﾀﾛｳ", "" },
        { "生年月日", "1980/04/12", "" },
        { "携帯番号", "090-1234-5678", "" },
        { "電話番号", "03-1234-5678", "06-1234-5678" },
        { "ＦＡＸ", "03-1234-5679", "" },
        { "メール", "taro@example.jp", "" },
        { "郵便番号", "100-0013", "" },
        { "都道府県", "東京都", "" },
        { "住所１", "千代田区霞が関1-2-3", "" },
        { "住所２", "中央ビル", "" },
        { "大分類", "友人", "" },
        { "備考１", "年賀状", "" },
        { "備考２", "", "" },
        { "会社名", "ノルテア商事", "" },
        { "役職", "課長", "" },
        { "印字区分", "1", "1" },
    };
    for (const auto& w : want) {
        EXPECT_EQ(Value(w.field, 0), w.first) << w.field;
        EXPECT_EQ(Value(w.field, 1), w.second) << w.field;
    }
}

TEST_F(ColumnMapTest, MailProgramHeadersInJapaneseAndTheProgramsOwn)
{
    const std::vector<std::string> headers = { S("姓"), S("名"), S("姓 (ふりがな)"), S("名 (ふりがな)"),
        S("郵便番号 (自宅)"), S("都道府県 (自宅)"), S("市区町村 (自宅)"), S("番地 (自宅)"), S("自宅電話"),
        S("携帯電話"), S("電子メール アドレス"), S("メモ"), S("備考２"), S("ミドル ネーム") };
    const std::vector<ColumnTarget> want = { { S("名前"), 0 }, { S("名前"), 1 }, { S("カナ"), 0 }, { S("カナ"), 1 },
        { S("郵便番号"), 0 }, { S("都道府県"), 0 }, { S("住所１"), 0 }, { S("住所１"), 1 }, { S("電話番号"), 0 },
        { S("携帯番号"), 0 }, { S("メール"), 0 }, { S("備考１"), 0 }, { S("備考２"), 0 }, {} };
    EXPECT_EQ(CsvColumnMap::Recognise(headers, table), want);
    EXPECT_TRUE(CsvColumnMap::IsOwnHeader({ S("名前"), S("メール") }, table));
}

// A mapping chosen for a file without a header is remembered for the next file of as
// many columns, and one for a header under that header, each apart from the other.
TEST_F(ColumnMapTest, ChosenMappingsAreRememberedPerHeader)
{
    const std::string store = settings->DataFile(CsvColumnMap::kFileName);
    const std::string path = Docs("plain.csv");
    WriteAll(path, S("山田,100-0013,080-1\r\n佐藤,530-0001,\r\n"));
    const std::vector<std::string> headers = Headers(path, false);
    ASSERT_EQ(headers.size(), 3U);
    const std::string key = CsvColumnMap::Key(headers, false);
    const std::vector<ColumnTarget> chosen = { { S("名前"), 0 }, { S("郵便番号"), 0 }, { S("携帯番号"), 0 } };
    ASSERT_TRUE(CsvColumnMap::Remember(store, "Name,Zip", { { S("名前"), 0 }, {} }));
    ASSERT_TRUE(CsvColumnMap::Remember(store, key, { {}, {}, {} }));
    ASSERT_TRUE(CsvColumnMap::Remember(store, key, chosen));

    std::vector<ColumnTarget> recalled;
    ASSERT_TRUE(CsvColumnMap::Recall(store, key, 3, recalled));
    EXPECT_EQ(recalled, chosen);
    EXPECT_FALSE(CsvColumnMap::Recall(store, key, 4, recalled)) << "another number of columns";
    ASSERT_TRUE(CsvColumnMap::Recall(store, "Name,Zip", 2, recalled));
    EXPECT_EQ(recalled[0].field, S("名前"));

    CsvImport import(*settings, table);
    ASSERT_EQ(import.LoadMapped(path, false, chosen), CsvImport::Result::kImported);
    ASSERT_EQ(table.GetRecordCount(), 2);
    EXPECT_EQ(Value("名前", 0), "山田");
    EXPECT_EQ(Value("郵便番号", 1), "530-0001");
    EXPECT_EQ(Value("携帯番号", 0), "080-1");
}

namespace {

// Header rows as contacts exports write them, and the field some of their columns
// fill ("" for a column no field takes).
struct HeaderCase {
    const char* what;
    const char* header; // UTF-8, one line
    std::vector<std::pair<const char*, const char*>> placed;
};

const HeaderCase kHeaderRows[] = {
    { "web address book, new form",
        "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle Name,Phonetic Last Name,Name Prefix,"
        "Name Suffix,Nickname,File As,Organization Name,Organization Title,Organization Department,Birthday,Notes,"
        "Photo,Labels,E-mail 1 - Label,E-mail 1 - Value,Phone 1 - Label,Phone 1 - Value",
        { { "Last Name", "名前" }, { "Phonetic First Name", "カナ" }, { "Organization Name", "会社名" },
            { "Organization Title", "役職" }, { "Organization Department", "部署" }, { "Labels", "*groups" },
            { "Phone 1 - Value", "*phone" }, { "Nickname", "" } } },
    { "web address book, old form",
        "Name,Given Name,Additional Name,Family Name,Yomi Name,Given Name Yomi,Additional Name Yomi,Family Name Yomi,"
        "Name Prefix,Name Suffix,Initials,Nickname,Short Name,Maiden Name,Birthday,Gender,Location,"
        "Billing Information,Directory Server,Mileage,Occupation,Hobby,Sensitivity,Priority,Subject,Notes,Language,"
        "Photo,Group Membership,E-mail 1 - Type,E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value,Address 1 - Type,"
        "Address 1 - Formatted,Address 1 - Street,Address 1 - City,Address 1 - PO Box,Address 1 - Region,"
        "Address 1 - Postal Code,Address 1 - Country,Address 1 - Extended Address,Organization 1 - Type,"
        "Organization 1 - Name,Organization 1 - Yomi Name,Organization 1 - Title,Organization 1 - Department",
        { { "Name", "名前" }, { "Family Name Yomi", "カナ" }, { "Group Membership", "*groups" },
            { "Address 1 - Region", "都道府県" }, { "Address 1 - Extended Address", "住所２" },
            { "Organization 1 - Department", "部署" }, { "Occupation", "" } } },
    { "mail program, desktop",
        "Title,First Name,Middle Name,Last Name,Suffix,Company,Department,Job Title,Business Street,"
        "Business Street 2,Business Street 3,Business City,Business State,Business Postal Code,"
        "Business Country/Region,Home Street,Home Street 2,Home Street 3,Home City,Home State,Home Postal Code,"
        "Home Country/Region,Business Fax,Business Phone,Business Phone 2,Home Fax,Home Phone,Home Phone 2,"
        "Mobile Phone,Birthday,Categories,E-mail Address,E-mail Type,E-mail 2 Address,Notes,Web Page",
        { { "Title", "" }, { "Company", "会社名" }, { "Job Title", "役職" }, { "Department", "部署" },
            { "Business Phone", "電話番号" }, { "Business Fax", "ＦＡＸ" }, { "Home Street 3", "住所２" },
            { "Categories", "*groups" }, { "E-mail 2 Address", "" } } },
    { "mail program, web",
        "First Name,Middle Name,Last Name,Title,Suffix,Nickname,Given Yomi,Surname Yomi,E-mail Address,"
        "E-mail 2 Address,Home Phone,Business Phone,Mobile Phone,Business Fax,Home Fax,Job Title,Department,Company,"
        "Home Street,Home City,Home State,Home Postal Code,Home Country/Region,Web Page,Birthday,Notes",
        { { "Surname Yomi", "カナ" }, { "Given Yomi", "カナ" }, { "Home Postal Code", "郵便番号" }, { "Title", "" } } },
    { "mail program, free",
        "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,Work Phone,Home Phone,"
        "Fax Number,Pager Number,Mobile Number,Home Address,Home Address 2,Home City,Home State,Home ZipCode,"
        "Home Country,Work Address,Work Address 2,Work City,Work State,Work ZipCode,Work Country,Job Title,"
        "Department,Organization,Web Page 1,Web Page 2,Birth Year,Birth Month,Birth Day,Custom 1,Notes",
        { { "Primary Email", "メール" }, { "Mobile Number", "携帯番号" }, { "Home Address", "住所１" },
            { "Home ZipCode", "郵便番号" }, { "Organization", "会社名" }, { "Birth Month", "生年月日" },
            { "Work Address", "" } } },
    { "short list for the mail program", "First Name,Last Name,E-mail Address,Mobile Phone,Company,Birthday,Categories",
        { { "First Name", "名前" }, { "Company", "会社名" }, { "Categories", "*groups" } } },
    { "spreadsheet, whole name and address", "氏名,フリガナ,〒,住所,電話,メールアドレス,会社,部署,役職,備考",
        { { "氏名", "名前" }, { "フリガナ", "カナ" }, { "〒", "郵便番号" }, { "住所", "住所１" },
            { "電話", "電話番号" }, { "メールアドレス", "メール" }, { "会社", "会社名" }, { "部署", "部署" },
            { "役職", "役職" }, { "備考", "備考１" } } },
    { "spreadsheet, parts", "姓,名,セイ,メイ,郵便番号,都道府県,市区町村,番地,建物名,携帯,FAX,誕生日,グループ",
        { { "セイ", "カナ" }, { "メイ", "カナ" }, { "市区町村", "住所１" }, { "番地", "住所１" },
            { "建物名", "住所２" }, { "携帯", "携帯番号" }, { "FAX", "ＦＡＸ" }, { "グループ", "*groups" } } },
    { "mail program in Japanese",
        "姓,名,姓 (ふりがな),名 (ふりがな),郵便番号 (自宅),都道府県 (自宅),市区町村 (自宅),番地 (自宅),自宅電話,"
        "携帯電話,電子メール アドレス,メモ,分類",
        { { "姓 (ふりがな)", "カナ" }, { "番地 (自宅)", "住所１" }, { "分類", "*groups" } } },
    { "job title without a name prefix", "Name,Title,Company,E-mail Address",
        { { "Name", "名前" }, { "Title", "役職" } } },
    { "this program's own", "名前,カナ,敬称,会社名,年賀状履歴",
        { { "名前", "名前" }, { "敬称", "敬称" }, { "会社名", "会社名" }, { "年賀状履歴", "年賀状履歴" } } },
};

std::vector<std::string> Cells(const char* utf8Line)
{
    std::vector<std::string> out;
    std::string_view line(utf8Line);
    for (std::size_t at = 0;;) {
        const std::size_t comma = line.find(',', at);
        out.push_back(S(std::string(line.substr(at, comma - at))));
        if (comma == std::string_view::npos)
            return out;
        at = comma + 1;
    }
}

} // namespace

TEST_F(ColumnMapTest, RealHeaderRowsPlaceTheirColumns)
{
    for (const HeaderCase& c : kHeaderRows) {
        const std::vector<std::string> headers = Cells(c.header);
        const std::vector<ColumnTarget> targets = CsvColumnMap::Recognise(headers, table);
        EXPECT_FALSE(CsvColumnMap::LooksLikeData(headers, table)) << c.what;
        for (const auto& [header, field] : c.placed) {
            const auto at = std::find(headers.begin(), headers.end(), S(header));
            ASSERT_NE(at, headers.end()) << c.what << ": " << header;
            EXPECT_EQ(U(targets[static_cast<std::size_t>(at - headers.begin())].field), field)
                << c.what << ": " << header;
        }
    }
    // A first row of values is no header.
    for (const char* row : { "山田 太郎,100-0013,03-1234-5678", "taro@example.jp,山田", "山田,1980/04/12" })
        EXPECT_TRUE(CsvColumnMap::LooksLikeData(Cells(row), table)) << row;
}

// Files of the shapes above imported through the mapping the headers give, as the
// window and the command line start with it: every value in its field.
TEST_F(ColumnMapTest, ExportsOfOtherProgramsImportIntoTheirFields)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::pair<const char*, const char*>> fields; // of the first record
        int cut = 0;
    } cases[] = {
        { "mail program, desktop: empty birthday, categories, work numbers",
            "First Name,Last Name,Company,Department,Job Title,Home Street,Home City,Home State,Home Postal Code,"
            "Business Fax,Business Phone,Home Phone,Mobile Phone,Birthday,Categories,E-mail Address,Notes\r\n"
            "太郎,山田,ノルテア商事,営業部,課長,霞が関1-2-3,千代田区,東京都,100-0013,03-9999-0001,03-9999-0000,,"
            "090-1234-5678,0/0/00,友人;ゴルフ,taro@example.jp,\"一行目\r\n二行目\"\r\n",
            { { "名前", "山田　太郎" }, { "会社名", "ノルテア商事" }, { "部署", "営業部" }, { "役職", "課長" },
                { "住所１", "千代田区霞が関1-2-3" }, { "都道府県", "東京都" }, { "電話番号", "03-9999-0000" },
                { "ＦＡＸ", "03-9999-0001" }, { "携帯番号", "090-1234-5678" }, { "生年月日", "" }, { "大分類", "友人" },
                { "小分類", "ゴルフ" }, { "備考１", "一行目　二行目" }, { "敬称", "様" } } },
        { "mail program, desktop: a firm without a person",
            "First Name,Last Name,Company,Department,Business Phone\r\n,,ノルテア商事,総務部,03-9999-0000\r\n",
            { { "名前", "" }, { "会社名", "ノルテア商事" }, { "部署", "総務部" }, { "敬称", "御中" } } },
        { "mail program, free: the birthday in three columns",
            "First Name,Last Name,Display Name,Primary Email,Work Phone,Home Phone,Mobile Number,Home Address,"
            "Home Address 2,Home City,Home State,Home ZipCode,Organization,Birth Year,Birth Month,Birth Day,Notes\r\n"
            "花子,佐藤,佐藤 花子,hanako@example.jp,06-0000-0000,06-1234-5678,080-1111-2222,梅田1-1,梅田ビル,大阪市北区,"
            "大阪府,530-0001,,1985,4,2,\r\n",
            { { "名前", "佐藤　花子" }, { "電話番号", "06-1234-5678" }, { "携帯番号", "080-1111-2222" },
                { "住所１", "大阪市北区梅田1-1" }, { "住所２", "梅田ビル" }, { "郵便番号", "530-0001" },
                { "生年月日", "1985/04/02" } } },
        { "web address book, old form, UTF-16",
            test::Utf16WithBom(
                "Name,Given Name,Family Name,Given Name Yomi,Family Name Yomi,Birthday,Group Membership,"
                "E-mail 1 - Type,E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value\r\n"
                "山田 太郎,太郎,山田,たろう,やまだ,1980-04-12,友人 ::: 仕事 ::: * myContacts,* Home,taro@example.jp,"
                "Mobile,090-1234-5678\r\n",
                true),
            { { "名前", "山田　太郎" }, { "カナ", "ﾔﾏﾀﾞ ﾀﾛｳ" }, { "生年月日", "1980/04/12" }, { "大分類", "友人" },
                { "小分類", "仕事" }, { "携帯番号", "090-1234-5678" } } },
        { "spreadsheet, whole address, UTF-16 big-endian",
            test::Utf16WithBom("氏名,フリガナ,〒,住所,メールアドレス\r\n鈴木　一郎,すずき　いちろう,100-0013,"
                               "東京都千代田区霞が関1-2-3,"
                               "ichiro@example.jp\r\n",
                false),
            { { "名前", "鈴木　一郎" }, { "カナ", "ｽｽﾞｷ ｲﾁﾛｳ" }, { "郵便番号", "100-0013" }, { "都道府県", "東京都" },
                { "住所１", "千代田区霞が関1-2-3" }, { "メール", "ichiro@example.jp" } } },
        { "spreadsheet, parts, a value too long for its field",
            "姓,名,セイ,メイ,郵便番号,都道府県,市区町村,番地,建物名,役職\r\n高橋,二郎,タカハシ,ジロウ,060-0001,北海道,"
            "札幌市中央区,北一条西2丁目,札幌ビル3階,"
                + std::string(40, 'x') + "\r\n",
            { { "名前", "高橋　二郎" }, { "カナ", "ﾀｶﾊｼ ｼﾞﾛｳ" }, { "住所１", "札幌市中央区北一条西2丁目" },
                { "住所２", "札幌ビル3階" }, { "役職", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx" }, { "敬称", "様" } },
            1 },
    };
    for (const Case& c : cases) {
        table.ClearRecords();
        const std::string path = Docs("other.csv");
        WriteAll(path, c.bytes);
        CsvImport::Preview plain;
        ASSERT_EQ(CsvImport::ReadPreview(path, false, 1, plain), CsvReader::Result::kOk) << c.what;
        const CsvColumnMap::Suggestion s = CsvColumnMap::Suggest(Docs("none.dat"), plain.rows.front(), table);
        ASSERT_TRUE(s.hasHeader) << c.what;
        CsvImport import(*settings, table);
        ASSERT_EQ(import.LoadMapped(path, s.hasHeader, s.targets), CsvImport::Result::kImported)
            << c.what << ": " << ::testing::PrintToString(Shown());
        ASSERT_EQ(table.GetRecordCount(), 1) << c.what;
        for (const auto& [field, value] : c.fields)
            EXPECT_EQ(Value(field, 0), value) << c.what << ": " << field;
        EXPECT_EQ(import.CutValues(), c.cut) << c.what;
    }
}
