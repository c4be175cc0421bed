#include "print/CardFill.h"
#include "print/CustomerBarcode.h"
#include "print/NameBlock.h"
#include "settings/LayoutDefaults.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace nrt;
using namespace nrt::test;

namespace {

// A record as the renderer sees it: CP932 values by CP932 field name.
struct Record {
    std::map<std::string, std::string> values;
    Record(std::initializer_list<std::pair<const char*, const char*>> utf8)
    {
        for (const auto& [k, v] : utf8)
            values[S(k)] = S(v);
    }
    FieldLookup Lookup() const
    {
        return [this](std::string_view name) -> std::string_view {
            auto it = values.find(std::string(name));
            return it == values.end() ? std::string_view() : std::string_view(it->second);
        };
    }
};

const Record& Addressee()
{
    static const Record r { { "名前", "山田 太郎" }, { "敬称", "様" }, { "郵便番号", "123-4567" },
        { "都道府県", "東京都" }, { "住所１", "千代田区丸の内１－２－３" }, { "住所２", "丸の内ビル５階" },
        { "電話番号", "03-1111-2222" }, { "ＦＡＸ", "03-1111-3333" }, { "携帯番号", "090-1234-5678" },
        { "生年月日", "1970/04/01" }, { "性別", "男" }, { "メール", "taro@example.jp" },
        { "ＨＰ", "https://example.jp/" }, { "大分類", "友人" }, { "小分類", "大学" }, { "備考１", "メモ１" },
        { "備考２", "メモ２" }, { "更新日", "2024/12/01" }, { "登録日", "2020/01/15" } };
    return r;
}

SenderBlock Sender()
{
    SenderBlock s;
    const Record r { { "名前", "佐藤 花子" }, { "都道府県", "大阪府" }, { "住所１", "大阪市北区梅田２－４－９" },
        { "住所２", "梅田荘１０１" }, { "郵便番号", "5300001" }, { "電話番号", "06-1111-0000" },
        { "ＦＡＸ", "06-1111-0001" }, { "携帯番号", "080-0000-1111" }, { "メール", "hanako@example.jp" },
        { "ＨＰ", "https://hanako.example.jp/" }, { "備考１", "差出備考１" }, { "備考２", "差出備考２" } };
    s.Fill(r.Lookup());
    return s;
}

struct Layout {
    LayoutHeader header;
    LayoutTable items;
    explicit Layout(int kind)
    {
        ApplyDefaultLayout(kind, header, items);
        header.kanjiNumerals = 1;
    }
};

} // namespace

TEST(CardFill, EverySlotOfTheCataloguePrintsItsSource)
{
    Layout l(kFormPostcard);
    const SenderBlock sender = Sender();
    l.items[48].object.SetText(S("謹賀新年"));
    // UTF-8 of what each slot prints; vertical address slots get 一 for １ and ― for －.
    const char* expected[kTextSlots] = { "山田 太郎", "山田 太郎　様", "様", "123-4567", "1", "2", "3", "4", "5", "6",
        "7", "東京都", "東京都千代田区丸の内一―二―三", "千代田区丸の内一―二―三", "丸の内ビル五階", "03-1111-2222",
        "03-1111-3333", "090-1234-5678", "1970/04/01", "男", "taro@example.jp", "https://example.jp/", "友人", "大学",
        "メモ１", "メモ２", "2024/12/01", "2020/01/15", "佐藤 花子", "5300001", "5", "3", "0", "0", "0", "0", "1",
        "大阪府", "大阪府大阪市北区梅田二―四―九", "大阪市北区梅田二―四―九", "梅田荘一〇一", "06-1111-0000",
        "06-1111-0001", "080-0000-1111", "hanako@example.jp", "https://hanako.example.jp/", "差出備考１", "差出備考２",
        "謹賀新年", "自由02", "自由03", "自由04", "自由05" };
    for (int slot = 0; slot < kTextSlots; ++slot) {
        std::string text;
        ASSERT_TRUE(
            SlotText(slot, l.items[static_cast<std::size_t>(slot)], l.header, Addressee().Lookup(), sender, text))
            << slot;
        EXPECT_EQ(U(text), expected[slot]) << "slot " << slot;
    }
}

TEST(CardFill, AddressConversion)
{
    struct Case {
        const char* text;
        bool vertical;
        std::uint16_t dash;
        bool kanji;
        const char* expected;
    } cases[] = {
        { "１－２－３", true, 0x815C, true, "一―二―三" },
        { "１－２－３", false, 0x815C, true, "一－二－三" },
        { "１－２－３", true, 0x815B, false, "１ー２ー３" },
        { "１－２－３", true, 0x815D, false, "１‐２‐３" },
        { "１－２－３", true, 0, true, "一－二－三" },
        { "０１２３４５６７８９", false, 0, true, "〇一二三四五六七八九" },
        // Half-width digits follow the kanji setting in vertical items; a hyphen between
        // numbers takes the dash there, and nowhere else.
        { "3-1-3 ｱｲｳ", true, 0x815C, true, "三―一―三 ｱｲｳ" },
        { "3-1-3", true, 0x815C, false, "3―1―3" },
        { "3-1-3", false, 0x815C, true, "3-1-3" },
        { "3-1-3", true, 0, false, "3-1-3" },
        // So does one between any two of digit, Latin letter, kanji and kana.
        { "B-1205", true, 0x815C, false, "B―1205" },
        { "東3丁目-20-5", true, 0x815C, false, "東3丁目―20―5" },
        { "10F-A", true, 0x815C, false, "10F―A" },
        { "ビル-ｱ-b", true, 0x815C, false, "ビル―ｱ―b" },
        { "B-1205", false, 0x815C, false, "B-1205" },
        { "A -B", true, 0x815C, false, "A -B" },
        { "-A", true, 0x815C, false, "-A" },
        { "15-", true, 0x815C, false, "15-" },
        { "１-２", true, 0x815B, false, "１ー２" },
        { "", true, 0x815C, true, "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(U(ConvertAddress(S(c.text), c.vertical, c.dash, c.kanji)), c.expected) << c.text;

    // A second byte that looks like the start of "－" or "０" is part of its character.
    const std::string tricky = std::string("\x88\x81") + "|" + std::string("\x88\x82") + "O";
    EXPECT_EQ(ConvertAddress(tricky, true, 0x815C, true), tricky);
    // A single-byte dash code leaves no NUL in the text.
    EXPECT_EQ(ConvertAddress(S("１－２"), true, '-', false), S("１") + "-" + S("２"));
}

TEST(CardFill, PostalDigits)
{
    struct Case {
        const char* code;
        const char* digits[7];
    } cases[] = {
        { "123-4567", { "1", "2", "3", "4", "5", "6", "7" } },
        { "1234567", { "1", "2", "3", "4", "5", "6", "7" } }, // no hyphen: nothing skipped
        { "123－4567", { "1", "2", "3", "4", "5", "6", "7" } }, { "123", { "1", "2", "3", "", "", "", "" } },
        { "123-45", { "1", "2", "3", "4", "5", "", "" } }, { "", { "", "", "", "", "", "", "" } },
        { "１２３", { "１", "２", "３", "", "", "", "" } }, // whole characters, never half of one
    };
    for (const Case& c : cases)
        for (int n = 1; n <= 7; ++n)
            EXPECT_EQ(U(PostalDigit(S(c.code), n)), c.digits[n - 1]) << c.code << " digit " << n;
    EXPECT_EQ(PostalDigit("1234567", 0), "");
    EXPECT_EQ(PostalDigit("1234567", 8), "");
}

TEST(CardFill, SenderValuesAreCutToTheirBuffers)
{
    SenderBlock s;
    s.Set(SenderBlock::kName, S("あいうえおかきくけこさしすせそたちつてと")); // 40 bytes
    EXPECT_EQ(U(s.Get(SenderBlock::kName)), "あいうえおかきくけこさしすせそたちつて"); // 38 of 39 bytes
    s.Set(SenderBlock::kPrefecture, "0123456789abcdefghij");
    EXPECT_EQ(s.Get(SenderBlock::kPrefecture), "0123456789abcde");
    s.Clear();
    EXPECT_EQ(s.Get(SenderBlock::kName), "");
}

TEST(CardFill, FillingAnOrdinaryCard)
{
    Layout l(kFormNewYearCard);
    l.items[0].shown = true;
    l.items[0].fieldName.clear(); // no bound field: not drawn
    l.items[22].shown = true; // 大分類
    l.items[49].shown = true; // free text
    l.items[49].object.SetText(S("賀正"));
    l.items[11].object.SetText(S("前の値")); // hidden: left alone

    const SlotSet drawn = FillLayout(l.items, l.header, Addressee().Lookup(), SenderBlock());
    SlotSet expected;
    for (int s : { 1, 4, 5, 6, 7, 8, 9, 10, 13, 14, 22, 28, 30, 31, 32, 33, 34, 35, 36, 39, 40, 49 })
        expected.set(static_cast<std::size_t>(s));
    EXPECT_EQ(drawn, expected);
    EXPECT_EQ(U(l.items[1].object.Text()), "山田 太郎　様");
    EXPECT_EQ(U(l.items[22].object.Text()), "友人");
    EXPECT_EQ(U(l.items[49].object.Text()), "賀正");
    EXPECT_EQ(U(l.items[11].object.Text()), "前の値");
    // No sender: the sender slots print empty.
    for (int s : { 28, 30, 36, 39, 40 }) {
        EXPECT_TRUE(l.items[static_cast<std::size_t>(s)].object.HasText()) << s;
        EXPECT_EQ(l.items[static_cast<std::size_t>(s)].object.Text(), "") << s;
    }
    // Kind 1 leaves the kanji numerals to the layout; here they are on.
    EXPECT_EQ(U(l.items[13].object.Text()), "千代田区丸の内一―二―三");
}

// What goes with the name: the company lines, the title, the joint names with their
// own honorifics (the record's by default), and 御中 for a company without a person.
TEST(NameBlock, FromTheRecordsFields)
{
    struct Case {
        Record record;
        const char* nameSlot;
        std::vector<const char*> companyLines;
        const char* title;
        const char* familyPart;
        std::vector<std::pair<const char*, bool>> joints;
    };
    const std::vector<Case> cases {
        // Everything in 名前, as books without the new fields have it: the slot alone.
        { Record { { "名前", "高橋　健一・由美" }, { "敬称", "様" } }, "高橋　健一・由美　様", {}, "", "高橋　", {} },
        { Record { { "名前", "高橋　健一" }, { "敬称", "様" }, { "連名１", "由美" }, { "連名２", "田中 花子" },
              { "連名２敬称", "さま" }, { "連名３", "健太" }, { "連名３敬称", "くん" } },
            "高橋　健一　様", {}, "", "高橋　",
            { { "由美　様", true }, { "田中 花子　さま", false }, { "健太　くん", true } } },
        // A name without a space: a joint given name starts level with it.
        { Record { { "名前", "ヤマダタロウ" }, { "敬称", "殿" }, { "連名２", "花子" } }, "ヤマダタロウ　殿", {}, "", "",
            { { "花子　殿", true } } },
        { Record { { "名前", "山田 太郎" }, { "敬称", "様" }, { "会社名", "株式会社ノルテア" }, { "部署", "営業部" },
              { "役職", "営業部長" } },
            "山田 太郎　様", { "株式会社ノルテア", "営業部" }, "営業部長", "山田 ", {} },
        { Record { { "名前", "" }, { "敬称", "様" }, { "会社名", "株式会社ノルテア" }, { "役職", "部長" },
              { "連名１", "由美" } },
            "株式会社ノルテア　御中", {}, "", "", {} },
        { Record { { "名前", "" }, { "会社名", "株式会社ノルテア" }, { "部署", "総務部" } }, "総務部　御中",
            { "株式会社ノルテア" }, "", "", {} },
    };
    for (const Case& c : cases) {
        const FieldLookup lookup = c.record.Lookup();
        EXPECT_EQ(U(NameWithHonorific(lookup)), c.nameSlot);
        const NameBlock block = AddresseeNameBlock(lookup);
        std::vector<std::string> lines;
        for (const std::string& l : block.companyLines)
            lines.push_back(U(l));
        EXPECT_EQ(lines, std::vector<std::string>(c.companyLines.begin(), c.companyLines.end())) << c.nameSlot;
        EXPECT_EQ(U(block.title), c.title);
        EXPECT_EQ(U(block.familyPart), c.familyPart);
        ASSERT_EQ(block.jointNames.size(), c.joints.size()) << c.nameSlot;
        for (std::size_t i = 0; i < c.joints.size(); ++i) {
            EXPECT_EQ(U(block.jointNames[i].WithHonorific()), c.joints[i].first);
            EXPECT_EQ(block.jointNames[i].givenNameOnly, c.joints[i].second);
        }
        EXPECT_EQ(block.HasExtras(), !c.companyLines.empty() || c.title[0] || !c.joints.empty());
    }
}

TEST(CardFill, BarcodeSlotPrintsTheBarsOfSevenDigitCodesOnly)
{
    Layout l(kFormEnvelope3Front);
    l.items[kBarcodeSlot].shown = true;
    const SenderBlock sender = Sender();
    Record r { { "郵便番号", "100-0013" }, { "都道府県", "東京都" }, { "住所１", "千代田区霞が関1丁目3番2号" },
        { "住所２", "郵便プラザ503室" } };
    const auto expected = EncodeCustomerBarcode("1000013", "1-3-2-503");
    std::string text;
    ASSERT_TRUE(SlotText(kBarcodeSlot, l.items[kBarcodeSlot], l.header, r.Lookup(), sender, text));
    EXPECT_EQ(text, expected->Bars());

    // The dictionary's town is left out before the number is read: 三ノ輪 is no 3.
    Record minowa { { "郵便番号", "110-0011" }, { "都道府県", "東京都" }, { "住所１", "台東区三ノ輪２－５－１" } };
    const TownLookup town = [](std::string_view code) { return code == "1100011" ? S("台東区三ノ輪") : std::string(); };
    ASSERT_TRUE(SlotText(kBarcodeSlot, l.items[kBarcodeSlot], l.header, minowa.Lookup(), sender, text, town));
    EXPECT_EQ(text, EncodeCustomerBarcode("1100011", "2-5-1")->Bars());

    // Line 1 ending in a number and line 2 starting with one stay two numbers.
    Record split { { "郵便番号", "1000013" }, { "住所１", "霞が関1-3-2" }, { "住所２", "503" } };
    ASSERT_TRUE(SlotText(kBarcodeSlot, l.items[kBarcodeSlot], l.header, split.Lookup(), sender, text));
    EXPECT_EQ(text, expected->Bars());

    for (const char* code : { "", "100-001", "1000-013", "100-00133" }) {
        Record bad { { "郵便番号", code }, { "住所１", "霞が関1-3-2" } };
        EXPECT_FALSE(SlotText(kBarcodeSlot, l.items[kBarcodeSlot], l.header, bad.Lookup(), sender, text)) << code;
        const SlotSet drawn = FillLayout(l.items, l.header, bad.Lookup(), sender);
        EXPECT_FALSE(drawn.test(kBarcodeSlot)) << code;
    }
    const SlotSet drawn = FillLayout(l.items, l.header, r.Lookup(), sender);
    EXPECT_TRUE(drawn.test(kBarcodeSlot));
    EXPECT_EQ(l.items[kBarcodeSlot].object.Text(), expected->Bars());
}

// A business's own code (no town of the dictionary has it) is encoded alone; a code
// ending in 0000 names a whole city and gets no barcode; without a dictionary nothing
// tells a business's code, and the address number is read as before.
TEST(CardFill, BarcodeOfBusinessAndWholeCityCodes)
{
    const Layout l(kFormEnvelope3Front);
    const SenderBlock sender = Sender();
    const TownLookup dictionary = [](std::string_view code) -> std::optional<std::string> {
        return code == "1000013" ? S("千代田区霞が関") : code == "1000000" ? S("千代田区") : std::string();
    };
    const TownLookup none = [](std::string_view) -> std::optional<std::string> { return std::nullopt; };
    struct Case {
        const char* postal;
        const char* address1;
        const TownLookup* town;
        const char* number; // nullptr: no barcode
    } cases[] = {
        { "100-8792", "千代田区大手町２丁目３－１", &dictionary, "" },
        { "100-8792", "千代田区大手町２丁目３－１", &none, "2-3-1" },
        { "100-0013", "千代田区霞が関１丁目３－２", &dictionary, "1-3-2" },
        { "100-0000", "千代田区永田町１丁目７－１", &dictionary, nullptr },
        { "100-0000", "千代田区永田町１丁目７－１", &none, nullptr },
    };
    for (const Case& c : cases) {
        const Record r { { "郵便番号", c.postal }, { "都道府県", "東京都" }, { "住所１", c.address1 } };
        std::string text;
        const bool drawn = SlotText(kBarcodeSlot, l.items[kBarcodeSlot], l.header, r.Lookup(), sender, text, *c.town);
        ASSERT_EQ(drawn, c.number != nullptr) << c.postal << " " << (c.town == &none ? "no dictionary" : "");
        if (c.number) {
            EXPECT_EQ(text, EncodeCustomerBarcode(c.postal, c.number)->Bars()) << c.postal;
        }
    }
}
