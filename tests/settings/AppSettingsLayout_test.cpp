#include "SettingsTestSupport.h"

#include "print/LayoutFile.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

class Layouts : public ::testing::Test, public SettingsFixture { };

TEST_F(Layouts, BackgroundImagePath)
{
    auto g = Make();
    EXPECT_EQ(g->BackgroundImagePath(), program + "repbk02.BMP");
    g->Header().backgroundImage = "";
    EXPECT_EQ(g->BackgroundImagePath(), "");
    g->Header().backgroundImage = S("/home/u/背景.bmp");
    EXPECT_EQ(g->BackgroundImagePath(), S("/home/u/背景.bmp"));
    g->ApplyDefaultLayout(kReportLabelSheet);
    EXPECT_EQ(g->BackgroundImagePath(), "");
}

TEST_F(Layouts, WriteAndLoadThroughThePrintFormList)
{
    auto g = Make();
    g->ReadSettings(true);
    EXPECT_EQ(g->WriteLayoutFile(-1), -1);
    EXPECT_EQ(g->WriteLayoutFile(5), -1);

    g->ApplyDefaultLayout(kReportNewYearCard);
    g->Layout()[49].object.SetText(S("賀正"));
    g->Layout()[49].shown = true;
    ASSERT_EQ(g->WriteLayoutFile(0), 0);
    const std::string file = g->UserFile(S("年賀状.ndp"));
    EXPECT_EQ(ReadAll(file), FormatLayout(g->Header(), g->Layout()));

    ASSERT_EQ(g->LoadLayout(S("年賀状"), kReportPostcard), kLayoutRead);
    EXPECT_EQ(g->Header().backgroundImage, "repbk01.BMP");
    EXPECT_TRUE(g->Layout()[49].shown);
    EXPECT_EQ(g->Layout()[49].object.Text(), S("賀正"));

    EXPECT_EQ(g->LoadLayout(S("封筒(４号)(裏)"), kReportEnvelope4Back), kLayoutMissing);
    EXPECT_EQ(g->Header().backgroundImage, "repbk03B.BMP");
    EXPECT_TRUE(g->Layout()[28].shown);

    WriteAll(g->UserFile("old.ndp"), std::string("\x85\x4E\0\0", 4)); // version 20101
    EXPECT_EQ(g->LoadLayout("old", kReportLabelSheet), kLayoutTooOld);
    EXPECT_EQ(g->Header().labelSheet, 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Layouts, FormNamesThatCannotBeOneFileOfTheUserFolder)
{
    auto g = Make();
    g->ReadSettings(true);
    WriteAll(g->DataFile("escape.ndp"), FormatLayout(g->Header(), g->Layout()));
    for (const std::string& name :
        { std::string("../escape"), std::string("a/b"), std::string(), std::string("a\0b", 3) }) {
        g->ReportList().SetLine(1, name);
        EXPECT_EQ(g->WriteLayoutFile(1), -1) << U(name);
        EXPECT_EQ(g->LoadLayout(name, kReportLabelSheet), kLayoutMissing) << U(name);
    }
    EXPECT_EQ(Tree(g->UserFolder()), std::vector<std::string> {});

    // A name whose file path would pass the length limit is refused with the message.
    g->ReportList().SetLine(1, std::string(255, 'n'));
    EXPECT_EQ(g->WriteLayoutFile(1), -1);
    EXPECT_EQ(messages.LastText(), S("ファイル名が長すぎます。"));
    EXPECT_EQ(Tree(g->UserFolder()), std::vector<std::string> {});
}
