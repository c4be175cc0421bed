#include "platform/fs.h"
#include "print/LabelSheets.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace nrt;
using namespace nrt::test;

TEST(LabelSheets, ProductSheetsFitOnA4)
{
    std::set<int> counts;
    for (const LabelSheet& s : ProductLabelSheets()) {
        SCOPED_TRACE(U(s.name));
        EXPECT_EQ(s.sheetWidth, 21000);
        EXPECT_EQ(s.sheetHeight, 29700);
        EXPECT_LE(s.marginLeft + s.columns * s.cellWidth + (s.columns - 1) * s.gapX, s.sheetWidth);
        EXPECT_LE(s.marginTop + s.rows * s.cellHeight + (s.rows - 1) * s.gapY, s.sheetHeight);
        // The file keeps them as the settings dialog would accept them.
        EXPECT_EQ(ParseUserLabelSheets(FormatUserLabelSheets({ s })), std::vector<LabelSheet> { s });
        counts.insert(s.columns * s.rows);
    }
    EXPECT_EQ(counts, (std::set<int> { 10, 12, 18, 21, 24, 44 }));
}

TEST(LabelSheets, ChoosingASheetFillsTheLayoutAndReadsBack)
{
    LayoutHeader h;
    const LabelSheet& gb861 = ProductLabelSheets()[1];
    gb861.ApplyTo(h);
    EXPECT_EQ(h.labelSheet, 1);
    EXPECT_EQ(h.paperWidth, 8380);
    EXPECT_EQ(h.paperHeight, 4230);
    EXPECT_EQ(h.gapX, 380);
    EXPECT_EQ(LabelSheet::Of(h, gb861.name), gb861);
}

TEST(LabelSheets, DamagedLinesArePassedOver)
{
    const std::string good = S("社内用") + "\t21000\t29700\t1000\t1000\t9000\t4000\t500\t100\t2\t6";
    const std::string text = good + "\r\n" + S("短い") + "\t21000\t29700\r\n" // too few values
        + "\t21000\t29700\t0\t0\t7000\t4230\t0\t0\t3\t7\n" // no name
        + "x\t21000\t29700\t0\t0\t7000\t4230\t0\t0\t10\t7\n" // ten columns
        + "y\t21000\t29700\t0\t0\t25000\t4230\t0\t0\t3\t7\n" // a cell wider than the sheet
        + "z\t21000\t29700\t0\t0\t7000\t4230\t0\t0\t3\t7x\n" // not a number
        + "w\t21000\t29700\t-1\t0\t7000\t4230\t0\t0\t3\t7\n" // negative
        + std::string(600, 'a') + "\t21000\t29700\t0\t0\t7000\t4230\t0\t0\t3\t7\n" + good;
    const std::vector<LabelSheet> sheets = ParseUserLabelSheets(text);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name, S("社内用"));
    EXPECT_EQ(sheets[0].gapY, 100);
    EXPECT_EQ(sheets[0].rows, 6);
}

TEST(LabelSheets, UserSheetsAreSavedReplacedByNameAndKeptOnFailure)
{
    TempDir dir;
    const std::string path = dir.File("NrtLabel.txt");
    EXPECT_TRUE(LoadUserLabelSheets(path).empty());
    LabelSheet a { S("封筒用\t大"), 21000, 29700, 1000, 1000, 9000, 4000, 500, 0, 2, 6 };
    ASSERT_TRUE(SaveUserLabelSheet(path, a));
    LabelSheet b = ProductLabelSheets()[0];
    b.name = S("控え");
    ASSERT_TRUE(SaveUserLabelSheet(path, b));
    a.marginTop = 1500;
    ASSERT_TRUE(SaveUserLabelSheet(path, a));
    const std::vector<LabelSheet> back = LoadUserLabelSheets(path);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].name, S("封筒用 大")); // a tab cannot stand in a name
    EXPECT_EQ(back[0].marginTop, 1500);
    EXPECT_EQ(back[1], b);

    // A sheet the settings would refuse is not written, and the file stays as it was.
    std::string before;
    ASSERT_TRUE(platform::fs::ReadFile(path, before));
    LabelSheet bad = b;
    bad.columns = 0;
    EXPECT_FALSE(SaveUserLabelSheet(path, bad));
    std::string after;
    ASSERT_TRUE(platform::fs::ReadFile(path, after));
    EXPECT_EQ(after, before);
    EXPECT_FALSE(SaveUserLabelSheet(dir.File("no/such/folder/NrtLabel.txt"), b));
}
