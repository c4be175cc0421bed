#include "print/CustomerBarcode.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

std::string Cc4(int n)
{
    std::string s;
    while (n-- > 0)
        s += "[CC4]";
    return s;
}

// The worked examples of Japan Post's barcode manual: the part of the address after
// the town name, the number the rules take from it, and the characters of the
// barcode with its check digit.
struct ManualExample {
    const char* postalCode;
    const char* addressAfterTown; // UTF-8
    const char* number;
    std::string barcode;
};

TEST(CustomerBarcode, ManualExamples)
{
    const ManualExample examples[] = {
        // 東京都千代田区霞が関: the overview and the check digit example (9).
        { "100-0013", "1丁目3番2号 郵便プラザ503室", "1-3-2-503", "10000131-3-2-503" + Cc4(4) + "9" },
        // 千葉県鎌ヶ谷市右京塚: the basic rules step by step; B is CC1 and 1.
        { "273-0102", "東3丁目-20-5 郵便・A&bコーポB604号", "3-20-5B604", "27301023-20-5[CC1]1604" + Cc4(2) + "0" },
        // 茨城県日立市宮田町: a floor "2F" and a building name of three letters.
        { "317-0055", "6丁目7-14 ABCビル2F", "6-7-14-2", "31700556-7-14-2" + Cc4(5) + "[CC1]" },
        // 札幌市中央区南四条西: cut at 20 characters after a hyphen.
        { "064-0804", "29丁目1524-23 第2郵便ハウス501", "29-1524-23-2-501", "064080429-1524-23-2-3" },
        // 福井県福井市新田塚: J is CC1 9; B's control code is the 20th character and stays.
        { "910-0067", "3丁目80-25 J1ビル2-B", "3-80-25J1-2B", "91000673-80-25[CC1]91-2[CC1]9" },
        // A firm's own postal code: the postal code alone, the rest CC4.
        { "100-8792", "", "", "1008792" + Cc4(13) + "0" },
        // A post-office box 215 under the box code 980-8691.
        { "980-8691", "私書箱第215号", "215", "9808691215" + Cc4(10) + "1" },
    };
    for (const ManualExample& e : examples) {
        SCOPED_TRACE(e.addressAfterTown);
        const std::string number = ExtractAddressNumber(S(e.addressAfterTown));
        EXPECT_EQ(number, e.number);
        const auto code = EncodeCustomerBarcode(e.postalCode, number);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(code->Text(), e.barcode);
    }
}

TEST(CustomerBarcode, AddressNumberRules)
{
    const std::pair<const char*, const char*> cases[] = {
        // Kanji numerals before 丁目, 番地, の … are numbers, 十 and 百 included.
        { "四丁目十一番地の三", "4-11" },
        { "二十三番五号", "23-5" },
        { "百五番地", "105" },
        { "一〇五番", "105" },
        { "五の三号", "5-3" },
        { "第四十地割", "40" },
        { "八線", "8" },
        // Elsewhere a kanji numeral is text like any other kanji.
        { "南四条西十丁目", "10" },
        { "九十九里", "" },
        // Full-width digits, letters and hyphens are the same as half-width ones.
        { "１丁目３番２号", "1-3-2" },
        { "３－２０－５　Ｂ６０４", "3-20-5B604" },
        { "１２ー３４", "12-34" },
        // A lone letter keeps no hyphen on either side; a floor "F" is dropped.
        { "5番 B棟101号", "5B101" },
        { "7-1 A-203", "7-1A203" },
        { "１０Ｆ", "10" },
        // "&", "/", "・" and "." join what stands on either side.
        { "1/2番", "12" },
        // Nothing readable: empty, so the barcode carries the postal code alone.
        { "字中村", "" },
        { "", "" },
    };
    for (const auto& [address, expected] : cases) {
        SCOPED_TRACE(address);
        EXPECT_EQ(ExtractAddressNumber(S(address)), expected);
    }
}

TEST(CustomerBarcode, LongNumbersAreCutAt13Characters)
{
    // A letter whose digit would be the 21st character keeps only its control code.
    const auto code = EncodeCustomerBarcode("1000013", "1-2-3-4-5-6-AB");
    ASSERT_TRUE(code);
    EXPECT_EQ(code->Text(), "10000131-2-3-4-5-6-[CC1][CC7]");
    const auto letter = EncodeCustomerBarcode("1000013", "123456789012Z");
    ASSERT_TRUE(letter);
    EXPECT_EQ(letter->Text().substr(0, 24), "1000013123456789012[CC3]");
}

TEST(CustomerBarcode, OnlySevenDigitPostalCodes)
{
    for (const char* good : { "1000013", "100-0013", "１００－００１３" })
        EXPECT_EQ(PostalCodeDigits(S(good)), std::optional<std::string>("1000013")) << good;
    for (const char* bad : { "", "100", "100-00", "1000-013", "100-00134", "10a-0013", "100--0013" })
        EXPECT_FALSE(EncodeCustomerBarcode(bad, "1-2-3")) << bad;
}

TEST(CustomerBarcode, CheckDigitMakesTheSumAMultipleOf19)
{
    // Check values 10 to 18 are the hyphen and CC1 to CC8.
    for (const char* postal : { "0000000", "9999999", "1000013", "0640804", "9808691" }) {
        const auto code = EncodeCustomerBarcode(postal, "");
        ASSERT_TRUE(code);
        int sum = static_cast<int>(code->check);
        for (BarcodeChar c : code->data)
            sum += static_cast<int>(c);
        EXPECT_EQ(sum % 19, 0) << postal;
        EXPECT_LE(static_cast<int>(code->check), 18);
    }
}

TEST(CustomerBarcode, BarsRunFromStartToStop)
{
    const auto code = EncodeCustomerBarcode("100-0013", "1-3-2-503");
    ASSERT_TRUE(code);
    const std::string bars = code->Bars();
    ASSERT_EQ(bars.size(), CustomerBarcode::kBarCount);
    // Start (long, descender), 1 (long, long, timing), 0 (long, timing, timing) …
    EXPECT_EQ(bars.substr(0, 8), "FDFFTFTT");
    // … the hyphen (timing, long, timing), CC4 (timing, descender, ascender), the
    // check digit 9 (timing, long, long) and the stop code (descender, long).
    EXPECT_EQ(bars.substr(2 + 3 * 8, 3), "TFT");
    EXPECT_EQ(bars.substr(2 + 3 * 16, 3), "TDA");
    EXPECT_EQ(bars.substr(bars.size() - 5), "TFFDF");
}

TEST(CustomerBarcode, GeometryStaysInTheAllowedRange)
{
    EXPECT_EQ(BarcodeGeometry::ForHeight(0).longBar, 288);
    EXPECT_EQ(BarcodeGeometry::ForHeight(360).longBar, 360);
    EXPECT_EQ(BarcodeGeometry::ForHeight(9999).longBar, 414);
    const BarcodeGeometry g8 = BarcodeGeometry::ForHeight(288);
    EXPECT_DOUBLE_EQ(g8.Points(), 8.0);
    EXPECT_DOUBLE_EQ(g8.Pitch(), 96.0); // 0.96 mm
    EXPECT_DOUBLE_EQ(g8.BarWidth(), 48.0);
    EXPECT_DOUBLE_EQ(g8.Width(), 66 * 96.0 + 48.0);
    EXPECT_DOUBLE_EQ(g8.BarTop(kBarAscender), 0);
    EXPECT_DOUBLE_EQ(g8.BarBottom(kBarAscender), 192);
    EXPECT_DOUBLE_EQ(g8.BarTop(kBarDescender), 96);
    EXPECT_DOUBLE_EQ(g8.BarBottom(kBarDescender), 288);
    EXPECT_DOUBLE_EQ(g8.BarTop(kBarTiming), 96);
    EXPECT_DOUBLE_EQ(g8.BarBottom(kBarTiming), 192);
}

TEST(CustomerBarcode, TownNameIsLeftOut)
{
    // 三ノ輪 and 八丁堀 are town names, not numbers.
    EXPECT_EQ(ExtractAddressNumber(AfterTownName(S("台東区三ノ輪２丁目５－１"), S("台東区三ノ輪"))), "2-5-1");
    EXPECT_EQ(ExtractAddressNumber(AfterTownName(S("中央区八丁堀1-2-3"), S("中央区八丁堀"))), "1-2-3");
    EXPECT_EQ(AfterTownName(S("中央区八丁堀1-2-3"), S("港区芝")), S("中央区八丁堀1-2-3"));
    EXPECT_EQ(AfterTownName(S("中央区八丁堀1-2-3"), ""), S("中央区八丁堀1-2-3"));
}

} // namespace
