// Printing end to end into PDF files, read back with poppler's tools.
#include "PrintGuiSupport.h"

#include "platform/fs.h"
#include "print/render/CardRenderer.h"
#include "settings/LayoutDefaults.h"

#include <QPrinter>

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

const std::vector<Addressee> kPeople {
    { "山田 太郎", "100-0005", "千代田区丸の内１－１－１", "丸の内ビル３階" },
    { "佐藤 花子", "530-0001", "大阪市北区梅田２－４－９", "" },
    { "鈴木 一郎", "4600008", "名古屋市中区栄三丁目５－１２", "栄タワー１０１" },
    { "高橋 次郎", "812-0011", "福岡市博多区博多駅前１－１", "" },
    { "田中 三郎", "060-0001", "札幌市中央区北一条西２丁目", "" },
};

std::vector<std::string> Names(std::initializer_list<int> which)
{
    std::vector<std::string> out;
    for (int i : which) {
        std::string n = kPeople[static_cast<std::size_t>(i)].name;
        n.erase(n.find(' '), 1);
        out.push_back(n);
    }
    return out;
}

class PrintToPdf : public ::testing::Test {
protected:
    void Prepare(const char* form, int kind, int records)
    {
        // Record i is person i % 5.
        for (int i = 0; i < 3; ++i)
            f.AddAddressees(kPeople);
        std::vector<int> rows;
        for (int i = 0; i < records; ++i)
            rows.push_back(i);
        // The kind's defaults where the form has no file.
        static_cast<void>(prn.LoadLayout(S(form), kind));
        prn.SetRows(std::make_unique<TableRows>(f.db, rows));
    }

    PrintGuiFixture f;
    print::CardRenderer prn { *f.settings, f.db, f.printer };
    std::string pdf = f.dir.File("out.pdf");
};

} // namespace

TEST_F(PrintToPdf, ThreeCardsEachNameOnItsOwnPage)
{
    Prepare("年賀状", kFormNewYearCard, 3);
    f.PrintToPdf(pdf);
    ASSERT_TRUE(prn.PrintRows(nullptr));
    EXPECT_TRUE(f.messages.shown.empty()) << U(f.messages.LastText());
    // Exactly 100 x 148 mm, not the whole points the PDF writer would round it to.
    EXPECT_NEAR(PdfPageSize(pdf).width(), 100.0, 0.01);
    EXPECT_NEAR(PdfPageSize(pdf).height(), 148.0, 0.01);
    const std::vector<std::string> pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 3u);
    const auto names = Names({ 0, 1, 2 });
    for (std::size_t p = 0; p < pages.size(); ++p)
        for (std::size_t n = 0; n < names.size(); ++n)
            EXPECT_EQ(pages[p].find(names[n]) != std::string::npos, p == n)
                << "page " << p + 1 << " " << names[n] << ": " << pages[p];
}

TEST_F(PrintToPdf, TheTextLayerCarriesTheCharactersShown)
{
    // Read back as they are: no radical (⼭ for 山), no dropped vertical form (ー, ャ),
    // brackets as themselves (（ not ︵), a column's characters in one word, whether set
    // down a column or across a label.
    f.AddAddressees({ { "山田 一子", "231-0023", "横浜市中区山下町一丁目", "（さくら）グランドパークマンション" } });
    struct Case {
        const char* form;
        int kind;
        std::vector<const char*> texts;
    } cases[] = {
        { "年賀状", kFormNewYearCard,
            { "山田一子様", "横浜市中区山下町一丁目", "（さくら）グランドパークマンション" } },
        { "ラベル", kFormLabelSheet,
            { "山田一子様", "横浜市中区山下町一丁目（さくら）グランドパークマンション", "231-0023" } },
    };
    for (const Case& c : cases) {
        // The kind's defaults where the form has no file.
        static_cast<void>(prn.LoadLayout(S(c.form), c.kind));
        prn.SetRows(std::make_unique<TableRows>(f.db, std::vector<int> { 0 }));
        f.PrintToPdf(pdf);
        ASSERT_TRUE(prn.PrintRows(nullptr)) << c.form;
        const std::vector<std::string> pages = PdfPageTexts(pdf, false);
        ASSERT_EQ(pages.size(), 1u) << c.form;
        for (const char* text : c.texts)
            EXPECT_NE(pages[0].find(text), std::string::npos) << c.form << ": " << text << " in " << pages[0];
    }
}

// A vertical column read in the order it was drawn is its text, brackets and all:
// searching finds 「（さくら）」 beside the first address line.
TEST_F(PrintToPdf, AColumnReadsAsItsWordsWithItsBrackets)
{
    f.AddAddressees({ { "高橋 次郎", "980-0811", "仙台市青葉区一番町4-7-17", "（さくら）ハイツ１０Ｆ" } });
    // The kind's defaults where the form has no file.
    static_cast<void>(prn.LoadLayout(S("年賀状"), kFormNewYearCard));
    prn.SetRows(std::make_unique<TableRows>(f.db, std::vector<int> { 0 }));
    f.PrintToPdf(pdf);
    ASSERT_TRUE(prn.PrintRows(nullptr));
    const std::vector<std::string> pages = PdfPageTexts(pdf, false, true);
    ASSERT_EQ(pages.size(), 1u);
    for (const char* text : { "（さくら）ハイツ", "仙台市青葉区一番町" })
        EXPECT_NE(pages[0].find(text), std::string::npos) << text << " in " << pages[0];
    EXPECT_EQ(pages[0].find("︵"), std::string::npos) << pages[0];
}

TEST_F(PrintToPdf, PagesTwoToThreeOfFiveCards)
{
    Prepare("普通はがき(１)", kFormPostcard, 5);
    f.PrintToPdf(pdf, 2, 3);
    ASSERT_TRUE(prn.PrintRows(nullptr));
    const std::vector<std::string> pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NE(pages[0].find(Names({ 1 })[0]), std::string::npos);
    EXPECT_NE(pages[1].find(Names({ 2 })[0]), std::string::npos);
    // The scale of the objects is the editor's again.
    EXPECT_DOUBLE_EQ(prn.Form().items[0].object.ScaleX(), 0.032);
    EXPECT_DOUBLE_EQ(prn.Form().items[52].object.ScaleY(), 470.0 / 14800.0);
}

TEST_F(PrintToPdf, LabelSheetsRowByRow)
{
    Prepare("ラベル", kFormLabelSheet, 13);
    f.PrintToPdf(pdf);
    ASSERT_TRUE(prn.PrintRows(nullptr));
    EXPECT_NEAR(PdfPageSize(pdf).width(), 210.0, 0.01);
    EXPECT_NEAR(PdfPageSize(pdf).height(), 297.0, 0.01);
    const std::vector<std::string> pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 2u);
    // The second sheet holds the thirteenth record alone (the third person again).
    EXPECT_NE(pages[1].find(Names({ 2 })[0]), std::string::npos);
    for (int other : { 0, 1, 3, 4 })
        EXPECT_EQ(pages[1].find(Names({ other })[0]), std::string::npos);

    // On the first sheet the first label is top left and the second top right.
    const QImage sheet = PdfPageImage(pdf, 1, 100);
    auto px = [](std::int32_t hundredths) { return static_cast<int>(hundredths * 100 / 2540); };
    const QRect topLeft(px(2030), px(2030), px(8380), px(4230));
    const QRect topRight(px(2030 + 8380 + 380), px(2030), px(8380), px(4230));
    const QRect belowLast(0, px(2030 + 6 * 4230) + 2, sheet.width(), sheet.height() - px(2030 + 6 * 4230) - 2);
    EXPECT_TRUE(Ink(sheet, topLeft).isValid());
    EXPECT_TRUE(Ink(sheet, topRight).isValid());
    EXPECT_FALSE(Ink(sheet, belowLast).isValid());
    // The second sheet: one label, top left.
    const QImage second = PdfPageImage(pdf, 2, 100);
    EXPECT_TRUE(Ink(second, topLeft).isValid());
    EXPECT_FALSE(Ink(second, topRight).isValid());
}

TEST_F(PrintToPdf, LabelPageTwoOnlyPassesTwelveRecordsOver)
{
    Prepare("ラベル", kFormLabelSheet, 13);
    f.PrintToPdf(pdf, 2, 2);
    ASSERT_TRUE(prn.PrintRows(nullptr));
    const std::vector<std::string> pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find(Names({ 2 })[0]), std::string::npos);
    EXPECT_EQ(pages[0].find(Names({ 0 })[0]), std::string::npos);
}

TEST_F(PrintToPdf, ThePreviewsPrintCommands)
{
    Prepare("年賀状", kFormNewYearCard, 5);
    prn.SetCurrentRow(3);
    f.PrintToPdf(pdf, 1, 2);
    EXPECT_EQ(prn.PrintFromPreview(nullptr, 3), 1); // the shown page only, whatever the dialog said
    std::vector<std::string> pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find(Names({ 2 })[0]), std::string::npos);
    EXPECT_EQ(prn.CurrentRow(), 3);

    EXPECT_EQ(prn.PrintFromPreview(nullptr, -1), 1); // the dialog's range
    pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NE(pages[1].find(Names({ 1 })[0]), std::string::npos);

    f.printer.SetDialogStandIn([](QPrinter&, bool) { return false; });
    platform::fs::RemoveFile(pdf);
    EXPECT_EQ(prn.PrintFromPreview(nullptr, -1), 0);
    EXPECT_FALSE(platform::fs::Exists(pdf));
}

TEST_F(PrintToPdf, RangeBeyondTheLastPagePrintsNothing)
{
    Prepare("年賀状", kFormNewYearCard, 2);
    f.PrintToPdf(pdf, 5, 9);
    EXPECT_FALSE(prn.PrintRows(nullptr));
    EXPECT_FALSE(platform::fs::Exists(pdf));
}

TEST_F(PrintToPdf, ACancelledJobLeavesNoFile)
{
    Prepare("年賀状", kFormNewYearCard, 5);
    f.PrintToPdf(pdf);
    int steps = 0;
    prn.SetProgressRunner([&](int total, const std::function<bool()>& step) {
        EXPECT_EQ(total, 5);
        while (step())
            if (++steps == 2)
                return false; // the user cancels after two pages
        return true;
    });
    EXPECT_FALSE(prn.PrintRows(nullptr));
    EXPECT_EQ(steps, 2);
    EXPECT_FALSE(platform::fs::Exists(pdf));
    EXPECT_DOUBLE_EQ(prn.Form().items[0].object.ScaleX(), 0.032);
}
