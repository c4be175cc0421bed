// The layout editor's arithmetic: typed millimetres, frame zones, the rubber band,
// where a release puts an item, and the label sheet checks.
#include "print/LayoutEditing.h"

#include "PrintTestSupport.h"
#include "settings/LayoutDefaults.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

TEST(LayoutEditing, TypedMillimetres)
{
    struct Case {
        const char* text;
        ValueParse status;
        std::int32_t value;
    };
    const Case cases[] = {
        { "12.345", ValueParse::Ok, 1234 },
        { "12.34", ValueParse::Ok, 1234 },
        { "0.29", ValueParse::Ok, 29 }, // 0.29 x 100 is 28.999... in binary
        { "4.35", ValueParse::Ok, 435 },
        { "148", ValueParse::Ok, 14800 },
        { ".5", ValueParse::Ok, 50 },
        { "5.", ValueParse::Ok, 500 },
        { ".", ValueParse::Ok, 0 },
        { "1.2.3", ValueParse::Ok, 120 },
        { "999.99", ValueParse::Ok, 99999 },
        { "1000", ValueParse::TooLarge, 100000 },
        { "99999999999999999999", ValueParse::TooLarge, 0 },
        { "", ValueParse::Empty, 0 },
        { "12a", ValueParse::BadChar, 0 },
        { "-1", ValueParse::BadChar, 0 },
        { " 1", ValueParse::BadChar, 0 },
        { "1,5", ValueParse::BadChar, 0 },
    };
    for (const Case& c : cases) {
        const ParsedValue p = ParseHundredths(c.text);
        EXPECT_EQ(p.status, c.status) << c.text;
        if (c.status == ValueParse::Ok) {
            EXPECT_EQ(p.value, c.value) << c.text;
        }
        if (c.status == ValueParse::TooLarge) {
            EXPECT_GE(p.value, 100000) << c.text;
        }
    }
    EXPECT_EQ(FormatHundredths(1234), "12.34");
    EXPECT_EQ(FormatHundredths(5), "0.05");
    EXPECT_EQ(FormatHundredths(14700), "147.00");
}

TEST(LayoutEditing, ZonesOfTheSelectedFrame)
{
    // A frame 100 x 40 pixels: middle at (60, 40).
    const FrameRect f { 10, 20, 110, 60 };
    struct Case {
        int x, y;
        DragMode mode;
    };
    const Case cases[] = {
        { 10, 20, kDragTopLeft },
        { 14, 24, kDragTopLeft },
        { 15, 24, kDragMove },
        { 110, 20, kDragTopRight },
        { 106, 24, kDragTopRight },
        { 105, 20, kDragMove },
        { 10, 60, kDragBottomLeft },
        { 14, 56, kDragBottomLeft },
        { 110, 60, kDragBottomRight },
        { 106, 56, kDragBottomRight },
        { 60, 20, kDragTop },
        { 58, 24, kDragTop },
        { 62, 24, kDragTop },
        { 63, 20, kDragMove },
        { 60, 60, kDragBottom },
        { 58, 56, kDragBottom },
        { 10, 40, kDragLeft },
        { 14, 38, kDragLeft },
        { 14, 42, kDragLeft },
        { 10, 43, kDragMove },
        { 110, 40, kDragRight },
        { 106, 42, kDragRight },
        { 60, 40, kDragMove },
        { 30, 50, kDragMove },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DragModeAt(f, c.x, c.y), c.mode) << c.x << "," << c.y;
    // A frame so small the zones overlap: the later rules win.
    const FrameRect tiny { 0, 0, 6, 6 };
    EXPECT_EQ(DragModeAt(tiny, 3, 3), kDragRight); // every zone contains the middle
    EXPECT_EQ(DragModeAt(tiny, 0, 0), kDragTopLeft);
}

TEST(LayoutEditing, TheBandFollowsThePointer)
{
    const FrameRect start { 100, 100, 200, 140 };
    struct Case {
        DragMode mode;
        int x, y;
        FrameRect band;
    };
    const Case cases[] = {
        // Moved by the grab offset (5, 7): the size stays.
        { kDragMove, 55, 67, { 50, 60, 150, 100 } },
        { kDragTopLeft, 90, 95, { 90, 95, 200, 140 } },
        { kDragBottomRight, 250, 160, { 100, 100, 250, 160 } },
        { kDragTopRight, 220, 90, { 100, 90, 220, 140 } },
        { kDragBottomLeft, 80, 150, { 80, 100, 200, 150 } },
        { kDragTop, 999, 80, { 100, 80, 200, 140 } },
        { kDragBottom, -5, 170, { 100, 100, 200, 170 } },
        { kDragLeft, 120, -5, { 120, 100, 200, 140 } },
        { kDragRight, 300, 0, { 100, 100, 300, 140 } },
        // Never smaller than 10 pixels, the dragged edge stops.
        { kDragLeft, 260, 0, { 190, 100, 200, 140 } },
        { kDragRight, 20, 0, { 100, 100, 110, 140 } },
        { kDragTop, 0, 200, { 100, 130, 200, 140 } },
        { kDragBottom, 0, 20, { 100, 100, 200, 110 } },
        { kDragBottomRight, 0, 0, { 100, 100, 110, 110 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DragBand(start, c.mode, c.x, c.y, 5, 7), c.band) << c.mode << " " << c.x << "," << c.y;
}

TEST(LayoutEditing, ReleaseSnapsToWholeMillimetres)
{
    // One pixel = 0.01 mm x 100 at this scale, so band pixels read as hundredths.
    TextItem horizontal;
    horizontal.SetScaleX(1.0);
    horizontal.SetScaleY(1.0);
    horizontal.SetText("x");
    TextItem vertical = horizontal;
    vertical.SetVertical(true);

    struct Case {
        const char* what;
        const TextItem* object;
        FrameRect band;
        DragMode mode;
        int scrollX, scrollY;
        DragResult expected;
    };
    const Case cases[] = {
        { "12.3 mm snaps down", &horizontal, { 1230, 2049, 1500, 2400 }, kDragMove, 0, 0, { 1200, 2000 } },
        { "12.5 mm snaps up", &horizontal, { 1250, 2050, 1500, 2400 }, kDragMove, 0, 0, { 1300, 2100 } },
        { "scrolled", &horizontal, { 230, 50, 500, 400 }, kDragMove, 1000, 2000, { 1200, 2100 } },
        { "a vertical item's x is its right edge", &vertical, { 1000, 0, 4460, 900 }, kDragMove, 0, 0, { 4500, 0 } },
        { "kept 1 mm inside the paper", &horizontal, { 9990, 14790, 10100, 14900 }, kDragMove, 0, 0, { 9900, 14700 } },
        // Integer division rounds toward zero left of and above the paper.
        { "left of the paper", &horizontal, { -449, -451, 0, 0 }, kDragMove, 0, 0, { -300, -400 } },
        { "resized", &horizontal, { 1000, 1000, 3449, 1651 }, kDragBottomRight, 0, 0, { 1000, 1000, true, 2400, 700 } },
        { "resized to less than half a millimetre", &horizontal, { 1000, 1000, 1049, 1010 }, kDragRight, 0, 0,
            { 1000, 1000, true, 10, 10 } },
        { "a vertical column is twice its width", &vertical, { 1000, 1000, 3000, 2000 }, kDragLeft, 0, 0,
            { 3000, 1000, true, 1000, 1000 } },
    };
    for (const Case& c : cases) {
        const DragResult r = ReleaseDrag(*c.object, c.band, c.mode, c.scrollX, c.scrollY, 10000, 14800);
        EXPECT_EQ(r.x, c.expected.x) << c.what;
        EXPECT_EQ(r.y, c.expected.y) << c.what;
        EXPECT_EQ(r.resized, c.expected.resized) << c.what;
        if (c.expected.resized) {
            EXPECT_EQ(r.width, c.expected.width) << c.what;
            EXPECT_EQ(r.height, c.expected.height) << c.what;
        }
    }

    // At the editor's own scale a 10 mm move is 32 pixels.
    TextItem card;
    card.SetText("x");
    card.SetPosition(5650, 3000);
    const FrameRect f = card.FrameRect();
    const FrameRect moved = DragBand(f, kDragMove, f.left - 32 + 3, f.top + 3, 3, 3);
    const DragResult r = ReleaseDrag(card, moved, kDragMove, 0, 0, 10000, 14800);
    EXPECT_EQ(r.x, 4600); // 180 - 32 = 148 px = 46.25 mm
    EXPECT_EQ(r.y, 3000);
}

TEST(LayoutEditing, HitsTheSelectionFirstThenInOrder)
{
    LayoutTable items;
    auto place = [&](int i, int x, int y, bool shown, bool text) {
        TextItem& o = items[static_cast<std::size_t>(i)].object;
        o.SetScaleX(1.0);
        o.SetScaleY(1.0);
        o.SetPosition(x, y);
        o.SetWidth(100);
        o.SetHeight(50);
        if (text)
            o.SetText("a");
        items[static_cast<std::size_t>(i)].shown = shown;
    };
    place(3, 0, 0, true, true);
    place(7, 50, 0, true, true);
    place(9, 500, 500, false, true); // not shown
    place(11, 800, 800, true, false); // no text
    EXPECT_EQ(HitSlot(items, -1, 60, 10), 3);
    EXPECT_EQ(HitSlot(items, 7, 60, 10), 7);
    EXPECT_EQ(HitSlot(items, 9, 60, 10), 3);
    EXPECT_EQ(HitSlot(items, -1, 100, 50), 3); // edges count
    EXPECT_EQ(HitSlot(items, -1, 101, 10), 7);
    EXPECT_EQ(HitSlot(items, -1, 550, 520), -1);
    EXPECT_EQ(HitSlot(items, -1, 850, 820), -1);
    EXPECT_EQ(HitSlot(items, 99, 151, 10), -1);
}

TEST(LayoutEditing, NudgeStaysOnThePaper)
{
    TextItem o;
    o.SetPosition(50, 14650);
    NudgeSlot(o, -10, 10, 10000, 14800);
    EXPECT_EQ(o.X(), 40);
    EXPECT_EQ(o.Y(), 14660);
    NudgeSlot(o, -100, 100, 10000, 14800);
    EXPECT_EQ(o.X(), 0);
    EXPECT_EQ(o.Y(), 14700);
}

TEST(LabelSheet, Summary)
{
    LayoutHeader h;
    ApplyDefaultLayout(kFormLabelSheet, h, *std::make_unique<LayoutTable>());
    EXPECT_EQ(U(LabelSummary(h)), "用紙:210.00 x 297.00 列:2 行:6");
    h.labelSheet = 0;
    EXPECT_EQ(LabelSummary(h), "");
    EXPECT_EQ(LabelTextsOf(h),
        (LabelTexts { "210.00", "297.00", "20.30", "20.30", "83.80", "42.30", "3.80", "0.00", "2", "6" }));
}

TEST(LabelSheet, ChecksInOrderAndStoresOnlyWhenAllPass)
{
    const LabelTexts good { "210.00", "297.00", "20.30", "20.30", "83.80", "42.30", "3.80", "0", "2", "6" };
    struct Case {
        const char* what;
        LabelField field;
        const char* text;
        int focus; // kLabelFieldCount: accepted
        const char* message;
        LabelField other = kLabelFieldCount; // a second field changed with it
        const char* otherText = nullptr;
    };
    const Case cases[] = {
        { "sheet 9.99 mm", kLabelSheetWidth, "9.99", kLabelSheetWidth, "サイズが小さいです。" },
        { "sheet 10.00 mm", kLabelSheetWidth, "10.00", kLabelFieldCount, nullptr, kLabelCellWidth, "10" },
        { "sheet height", kLabelSheetHeight, "9", kLabelSheetHeight, "サイズが小さいです。" },
        { "empty", kLabelMarginTop, "", kLabelMarginTop, "未入力です。" },
        { "letters", kLabelGapY, "1a", kLabelGapY, "不正な値が入力されました。" },
        { "too large", kLabelMarginLeft, "1000", kLabelMarginLeft, "サイズがオーバーしました。" },
        { "cell 1.00 mm", kLabelCellWidth, "1.00", kLabelCellWidth,
            "サイズが小さすぎます。1mm以上の値を入力して下さい。" },
        { "cell 1.01 mm", kLabelCellWidth, "1.01", kLabelFieldCount, nullptr },
        { "cell as wide as the sheet", kLabelCellWidth, "210", kLabelFieldCount, nullptr },
        { "cell wider than the sheet", kLabelCellWidth, "210.01", kLabelSheetWidth,
            "「用紙幅」が「幅」より小さいです。" },
        { "cell taller than the sheet", kLabelCellHeight, "300", kLabelSheetHeight,
            "「用紙高さ」が「高さ」より小さいです。" },
        { "cell height 1 mm", kLabelCellHeight, "1", kLabelCellHeight,
            "サイズが小さすぎます。1mm以上の値を入力して下さい。" },
        { "no columns", kLabelColumns, "0", kLabelColumns, "列数に０以上の値を入力して下さい。" },
        { "no rows", kLabelRows, "0.5", kLabelRows, "行数に０以上の値を入力して下さい。" },
        // Nothing checks that the cells fit on the sheet.
        { "cells past the sheet", kLabelColumns, "9", kLabelFieldCount, nullptr },
    };
    for (const Case& c : cases) {
        PrintFixture f;
        LayoutHeader h;
        const LayoutHeader before = h;
        LabelTexts texts = good;
        texts[c.field] = c.text;
        if (c.otherText)
            texts[c.other] = c.otherText;
        EXPECT_EQ(ApplyLabelFields(texts, true, h), c.focus) << c.what;
        if (c.message) {
            ASSERT_EQ(f.messages.shown.size(), 1u) << c.what;
            EXPECT_EQ(U(f.messages.shown[0].text), c.message) << c.what;
            EXPECT_EQ(U(f.messages.shown[0].caption), "注意") << c.what;
            EXPECT_EQ(h, before) << c.what;
        } else {
            EXPECT_TRUE(f.messages.shown.empty()) << c.what;
            EXPECT_EQ(h.labelSheet, 1) << c.what;
        }
    }

    PrintFixture f;
    LayoutHeader h;
    ASSERT_EQ(ApplyLabelFields(good, true, h), kLabelFieldCount);
    EXPECT_EQ(h.sheetWidth, 21000);
    EXPECT_EQ(h.marginLeft, 2030);
    EXPECT_EQ(h.paperWidth, 8380);
    EXPECT_EQ(h.paperHeight, 4230);
    EXPECT_EQ(h.gapX, 380);
    EXPECT_EQ(h.gapY, 0);
    EXPECT_EQ(h.columns, 2);
    EXPECT_EQ(h.rows, 6);
    // Switched off, whatever the fields hold: the geometry waits for next time.
    const LabelTexts junk { "", "x", "", "", "", "", "", "", "", "" };
    ASSERT_EQ(ApplyLabelFields(junk, false, h), kLabelFieldCount);
    EXPECT_EQ(h.labelSheet, 0);
    EXPECT_EQ(h.sheetWidth, 21000);
    EXPECT_EQ(h.columns, 2);
    EXPECT_TRUE(f.messages.shown.empty());
}
