// A print form's layout file read and written through the print form list: the
// layout is a value of its own, never kept in the settings object.
#include "SettingsTestSupport.h"

#include "print/LayoutFile.h"
#include "print/PrintForm.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

class Layouts : public ::testing::Test, public SettingsFixture { };

TEST_F(Layouts, BackgroundImagePath)
{
    auto g = Make();
    PrintForm form = PrintForm::Defaults(kFormPostcard);
    EXPECT_EQ(BackgroundImagePath(*g, form.header), program + "repbk02.BMP");
    form.header.backgroundImage = "";
    EXPECT_EQ(BackgroundImagePath(*g, form.header), "");
    form.header.backgroundImage = S("/home/u/背景.bmp");
    EXPECT_EQ(BackgroundImagePath(*g, form.header), S("/home/u/背景.bmp"));
    EXPECT_EQ(BackgroundImagePath(*g, PrintForm::Defaults(kFormLabelSheet).header), "");
}

TEST_F(Layouts, WriteAndLoadThroughThePrintFormList)
{
    auto g = Make();
    g->ReadSettings(true);
    PrintForm form = PrintForm::Defaults(kFormNewYearCard);
    EXPECT_FALSE(WritePrintForm(*g, -1, form).Ok());
    EXPECT_FALSE(WritePrintForm(*g, 5, form).Ok());

    form.items[49].object.SetText(S("賀正"));
    form.items[49].shown = true;
    ASSERT_TRUE(WritePrintForm(*g, 0, form).Ok());
    const std::string file = g->BookFile(S("年賀状.ndp"));
    EXPECT_EQ(ReadAll(file), FormatLayout(form.header, form.items));

    PrintForm read;
    ASSERT_EQ(LoadPrintForm(*g, S("年賀状"), kFormPostcard, read), LayoutLoad::Read);
    EXPECT_EQ(read.header.backgroundImage, "repbk01.BMP");
    EXPECT_TRUE(read.items[49].shown);
    EXPECT_EQ(read.items[49].object.Text(), S("賀正"));

    EXPECT_EQ(LoadPrintForm(*g, S("封筒(４号)(裏)"), kFormEnvelope4Back, read), LayoutLoad::Missing);
    EXPECT_EQ(read.header.backgroundImage, "repbk03B.BMP");
    EXPECT_TRUE(read.items[28].shown);

    WriteAll(g->BookFile("old.ndp"), std::string("\x85\x4E\0\0", 4)); // version 20101
    EXPECT_EQ(LoadPrintForm(*g, "old", kFormLabelSheet, read), LayoutLoad::TooOld);
    EXPECT_EQ(read.header.labelSheet, 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Layouts, FormNamesThatCannotBeOneFileOfTheUserFolder)
{
    auto g = Make();
    g->ReadSettings(true);
    PrintForm form = PrintForm::Defaults(kFormPostcard);
    WriteAll(g->DataFile("escape.ndp"), FormatLayout(form.header, form.items));
    for (const std::string& name :
        { std::string("../escape"), std::string("a/b"), std::string(), std::string("a\0b", 3) }) {
        g->FormList().SetLine(1, name);
        EXPECT_FALSE(WritePrintForm(*g, 1, form).Ok()) << U(name);
        EXPECT_EQ(LoadPrintForm(*g, name, kFormLabelSheet, form), LayoutLoad::Missing) << U(name);
    }
    EXPECT_EQ(Tree(g->BookFolder()), std::vector<std::string> {});

    // A name whose file path would pass the length limit is refused with the message.
    g->FormList().SetLine(1, std::string(255, 'n'));
    EXPECT_FALSE(WritePrintForm(*g, 1, form).Ok());
    EXPECT_EQ(messages.LastText(), S("ファイル名が長すぎます。"));
    EXPECT_EQ(Tree(g->BookFolder()), std::vector<std::string> {});
}

// Loading one form leaves another's layout as it was: each holder has its own.
TEST_F(Layouts, EachHolderKeepsItsOwnLayout)
{
    auto g = Make();
    g->ReadSettings(true);
    PrintForm card = PrintForm::Defaults(kFormNewYearCard);
    card.header.kanjiNumerals = 1;
    ASSERT_TRUE(WritePrintForm(*g, 0, card).Ok());
    PrintForm printing, editing;
    ASSERT_EQ(LoadPrintForm(*g, S("年賀状"), kFormNewYearCard, printing), LayoutLoad::Read);
    EXPECT_EQ(LoadPrintForm(*g, S("封筒(４号)(裏)"), kFormEnvelope4Back, editing), LayoutLoad::Missing);
    EXPECT_EQ(printing.header.kanjiNumerals, 1);
    EXPECT_EQ(printing.header.backgroundImage, "repbk01.BMP");
    EXPECT_EQ(editing.header.backgroundImage, "repbk03B.BMP");
    EXPECT_EQ(PrintFormKind(*g, S("年賀状")), kFormNewYearCard);
}
