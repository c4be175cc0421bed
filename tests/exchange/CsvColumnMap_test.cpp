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
        EXPECT_EQ(CsvImport::ReadPreview(path, hasHeader, 3, preview), CsvReader::kOk);
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

    CsvImport import(*global, table);
    ASSERT_EQ(import.LoadMapped(path, true, targets), CsvImport::kImported) << ::testing::PrintToString(Shown());
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
        { "備考２", "ノルテア商事 課長", "" },
        { "印字区分", "1", "1" },
    };
    for (const auto& w : want) {
        EXPECT_EQ(Value(w.field, 0), w.first) << w.field;
        EXPECT_EQ(Value(w.field, 1), w.second) << w.field;
    }
}

TEST_F(ColumnMapTest, MailProgramHeadersInJapaneseAndTheProgramsOwn)
{
    const std::vector<std::string> headers
        = { S("姓"), S("名"), S("姓 (ふりがな)"), S("名 (ふりがな)"), S("郵便番号 (自宅)"), S("都道府県 (自宅)"),
              S("市区町村 (自宅)"), S("番地 (自宅)"), S("自宅電話"), S("携帯電話"), S("電子メール アドレス"),
              S("メモ"), S("備考２"), S("ミドル ネーム") };
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
    const std::string store = global->DataFile(CsvColumnMap::kFileName);
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

    CsvImport import(*global, table);
    ASSERT_EQ(import.LoadMapped(path, false, chosen), CsvImport::kImported);
    ASSERT_EQ(table.GetRecordCount(), 2);
    EXPECT_EQ(Value("名前", 0), "山田");
    EXPECT_EQ(Value("郵便番号", 1), "530-0001");
    EXPECT_EQ(Value("携帯番号", 0), "080-1");
}
