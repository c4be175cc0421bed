// Filling an address from its postal code: the house-number scan, the comparison of
// towns, and the whole procedure over a dictionary imported from a hand-made list.
#include "postal/AddressFill.h"

#include "PostalTestData.h"
#include "platform/MessageHost.h"
#include "postal/PostalDictionary.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;
using nrt::platform::MsgResult;

TEST(AddressFill, HouseNumberStart)
{
    struct Case {
        const char* address;
        const char* houseNumber; // what is left from the start found
    } cases[] = {
        { "霞ヶ関３－１", "３－１" },
        { "千代田区霞が関１丁目２番３号", "１丁目２番３号" },
        { "大通西１５丁目", "１５丁目" },
        { "本町三丁目５番地", "三丁目５番地" },
        { "三田二丁目", "二丁目" }, // 三 of the place name is forgotten at 田
        { "久茂地１－２　ビル４階", "１－２　ビル４階" },
        { "旭ケ丘５の３", "５の３" },
        { "神宮前", "" }, // no number at all
        { "霞が関1-2-3", "1-2-3" }, // single-byte: from the first one on
        { "霞が関ﾋﾞﾙ", "ﾋﾞﾙ" },
        { "第２ビル", "２ビル" }, // only the first full-width digit is left
        { "番地のない所", "" }, // 番地 before any number goes on
        { "一番町", "" }, // 一, then 番 without 地 goes on, and 町 forgets the numeral
        { "－３", "３" }, // a dash before any number goes on
        { "", "" },
    };
    for (const Case& c : cases) {
        const std::string a = S(c.address);
        EXPECT_EQ(U(a.substr(HouseNumberStart(a))), c.houseNumber) << c.address;
    }
    // A lead byte cut off at the end counts as a single-byte character.
    const std::string cut = S("霞") + "\x82";
    EXPECT_EQ(HouseNumberStart(cut), 2u);
}

TEST(AddressFill, TownsCompareWithSmallKeAndTsuAsLarge)
{
    struct Case {
        const char* address;
        const char* town;
        bool agrees;
    } cases[] = {
        { "霞ヶ関３－１", "霞ケ関", true },
        { "霞ケ関", "霞ヶ関", true },
        { "八ッ場", "八ツ場", true },
        { "霞が関３", "霞ケ関", false },
        { "霞ケ", "霞ケ関", false }, // shorter than the town
        { "千代田区霞ヶ関", "千代田区霞ケ関", true },
        { "", "", true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddressStartsWithTown(S(c.address), S(c.town)), c.agrees) << c.address << " / " << c.town;
}

namespace {

class AddressFillLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ListLine lines[] = {
            { "13101", "1000013", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ｶｽﾐｶﾞｾｷ", "東京都", "千代田区", "霞ケ関" },
            { "01101", "0600042", "ﾎｯｶｲﾄﾞｳ", "ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ", "ｵｵﾄﾞｵﾘﾆｼ(1-19ﾁｮｳﾒ)", "北海道", "札幌市中央区",
                "大通西（１～１９丁目）" },
            { "13104", "1630890", "ﾄｳｷｮｳﾄ", "ｼﾝｼﾞｭｸｸ", "ﾆｼｼﾝｼﾞｭｸ", "東京都", "新宿区", "西新宿（次のビルを除く）" },
            { "14101", "2300001", "ｶﾅｶﾞﾜｹﾝ", "ﾖｺﾊﾏｼﾂﾙﾐｸ", "ﾔﾊﾞﾁｮｳ", "神奈川県", "横浜市鶴見区", "矢向" },
        };
        std::string list;
        for (const ListLine& l : lines)
            list += ListLineBytes(l);
        WriteAll(dir.File("list.csv"), list);
        ASSERT_EQ(ImportPostalList(dir.File("list.csv"), postalFolder), PostalImportResult::kOk);
    }

    AddressFillResult Fill(const char* code, const char* prefecture, const char* z1, const char* z2 = "")
    {
        return FillAddressFromPostalCode(postalFolder, { S(code), S(prefecture), S(z1), S(z2) });
    }

    TempDir dir;
    const std::string postalFolder = dir.File("yubin");
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
};

} // namespace

TEST_F(AddressFillLookup, CodesThatAreNotLookedUpOrNotFoundOpenTheBrowser)
{
    struct Case {
        const char* postalCode;
        bool message;
    } cases[] = {
        { "", false },
        { "100", false },
        { "100-001", false }, // seven bytes with the hyphen: straight to the browser
        { "1000013", true }, // seven digits without it cannot be found
        { "999-9999", true },
        { "100-00133", true },
        { "100-0013x", true },
    };
    for (const Case& c : cases) {
        host.shown.clear();
        const AddressFillResult r = Fill(c.postalCode, "東京都", "千代田区永田町");
        EXPECT_TRUE(r.openBrowser) << c.postalCode;
        EXPECT_FALSE(r.postalCodeChanged || r.prefectureChanged || r.address1Changed) << c.postalCode;
        ASSERT_EQ(host.shown.size(), c.message ? 1u : 0u) << c.postalCode;
        if (c.message) {
            EXPECT_EQ(U(host.shown[0].text), "該当住所が見つかりません。");
            EXPECT_EQ(U(host.shown[0].caption), "注意");
        }
    }
}

TEST_F(AddressFillLookup, AnEmptyAddressTakesTheWholeTown)
{
    struct Case {
        const char* postalCode;
        const char* prefecture;
        const char* address1;
        const char* prefectureAfter;
        bool prefectureChanged;
    } cases[] = {
        { "100-0013", "東京都", "千代田区霞ケ関", "東京都", false },
        { "100-0013", "", "千代田区霞ケ関", "東京都", true },
        { "060-0042", "東京都", "札幌市中央区大通西", "北海道", true }, // the remark is the list's, not the address's
        { "230-0001", "神奈川県", "横浜市鶴見区矢向", "神奈川県", false },
    };
    for (const Case& c : cases) {
        const AddressFillResult r = Fill(c.postalCode, c.prefecture, "");
        EXPECT_FALSE(r.openBrowser) << c.postalCode;
        EXPECT_TRUE(r.address1Changed) << c.postalCode;
        EXPECT_FALSE(r.focusAddress1) << c.postalCode;
        EXPECT_EQ(U(r.fields.address1), c.address1);
        EXPECT_EQ(U(r.fields.prefecture), c.prefectureAfter);
        EXPECT_EQ(r.prefectureChanged, c.prefectureChanged) << c.postalCode;
        EXPECT_FALSE(r.postalCodeChanged) << "already written with its hyphen";
    }
    EXPECT_TRUE(host.shown.empty());
}

TEST_F(AddressFillLookup, AnAddressThatAgreesOpensTheBrowserWithoutAQuestion)
{
    const char* agreeing[][2] = {
        { "千代田区霞ヶ関３－１", "" }, { "千代田区霞ケ関", "３－１" },
        { "", "千代田区霞ケ関" }, // the second line alone also agrees
    };
    for (const auto& a : agreeing) {
        const AddressFillResult r = Fill("100-0013", "東京都", a[0], a[1]);
        EXPECT_TRUE(r.openBrowser) << a[0] << a[1];
        EXPECT_FALSE(r.address1Changed);
    }
    // The remark of a town is left out of the comparison.
    EXPECT_TRUE(Fill("060-0042", "北海道", "札幌市中央区大通西１５丁目").openBrowser);
    EXPECT_TRUE(Fill("163-0890", "東京都", "新宿区西新宿２－８－１").openBrowser);
    EXPECT_TRUE(host.shown.empty());
}

TEST_F(AddressFillLookup, AnotherAddressIsReplacedAfterTheQuestionKeepingItsHouseNumber)
{
    struct Case {
        const char* postalCode;
        const char* address1;
        const char* replaced;
    } cases[] = {
        { "100-0013", "千代田区永田町１－７－１", "千代田区霞ケ関１－７－１" },
        { "060-0042", "札幌市中央区北一条西２丁目", "札幌市中央区大通西２丁目" }, // a numbered remark is dropped
        { "163-0890", "新宿区新宿3-1", "新宿区西新宿3-1" }, // no remark of the list goes into the address
        { "230-0001", "横浜市鶴見区", "横浜市鶴見区矢向" },
    };
    for (const Case& c : cases) {
        for (MsgResult answer : { MsgResult::Yes, MsgResult::No }) {
            host.shown.clear();
            host.Answer(answer);
            const AddressFillResult r = Fill(c.postalCode, "", c.address1);
            ASSERT_EQ(host.shown.size(), 1u) << c.address1;
            EXPECT_EQ(U(host.shown[0].text),
                std::string("住所を変更します。よろしいですか？\n　【変更前】") + c.address1 + "\n　【変更後】"
                    + c.replaced);
            EXPECT_EQ(U(host.shown[0].caption), "確認");
            EXPECT_EQ(host.shown[0].buttons, platform::MsgButtons::YesNo);
            EXPECT_TRUE(r.prefectureChanged) << "the prefecture is taken before the question";
            if (answer == MsgResult::Yes) {
                EXPECT_EQ(U(r.fields.address1), c.replaced);
                EXPECT_TRUE(r.address1Changed);
                EXPECT_TRUE(r.focusAddress1);
                EXPECT_FALSE(r.openBrowser);
            } else {
                EXPECT_EQ(U(r.fields.address1), c.address1);
                EXPECT_FALSE(r.address1Changed);
                EXPECT_TRUE(r.openBrowser);
            }
        }
    }
}

TEST(AddressFill, MergeWritesTheCodeWithItsHyphen)
{
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
    const AddressFillResult r = MergeFoundAddress({ "1000013", "", "", "" }, "1000013", S("東京都 千代田区霞ケ関"));
    EXPECT_TRUE(r.postalCodeChanged);
    EXPECT_EQ(r.fields.postalCode, "100-0013");
    // No space within the first 14 bytes: the whole text is the town, the prefecture stays.
    const AddressFillResult whole
        = MergeFoundAddress({ "100-0013", S("東京都"), "", "" }, "1000013", S("ながいながいながい県 町"));
    EXPECT_FALSE(whole.prefectureChanged);
    EXPECT_EQ(U(whole.fields.address1), "ながいながいながい県 町");
}
