#include "print/PagePlan.h"
#include "settings/LayoutDefaults.h"

#include <gtest/gtest.h>

using namespace nrt;

namespace {

LayoutHeader Header(int kind)
{
    LayoutHeader h;
    LayoutTable items;
    ApplyDefaultLayout(kind, h, items);
    return h;
}

} // namespace

TEST(PagePlan, PagesOfARun)
{
    struct Case {
        const char* what;
        int records, perPage, from, to;
        std::vector<PlannedPage> pages;
    } cases[] = {
        { "five cards, pages 2 to 3", 5, 1, 2, 3, { { 2, 1, 1 }, { 3, 2, 1 } } },
        { "five cards, all pages", 5, 1, kAllPagesFrom, kAllPagesTo,
            { { 1, 0, 1 }, { 2, 1, 1 }, { 3, 2, 1 }, { 4, 3, 1 }, { 5, 4, 1 } } },
        { "labels 2 x 6 over 13 records", 13, 12, 1, kAllPagesTo, { { 1, 0, 12 }, { 2, 12, 1 } } },
        { "labels, page 2 only: 12 records passed over", 13, 12, 2, 2, { { 2, 12, 1 } } },
        { "range beyond the last page", 5, 1, 6, 9, {} },
        { "range given backwards", 5, 1, 3, 2, {} },
        { "no records", 0, 1, 1, kAllPagesTo, {} },
        { "from page 0 counts as 1", 2, 1, 0, 1, { { 1, 0, 1 } } },
        { "exactly one full sheet", 12, 12, 1, kAllPagesTo, { { 1, 0, 12 } } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlanPages(c.records, c.perPage, c.from, c.to), c.pages) << c.what;
}

TEST(PagePlan, LabelSheetGeometry)
{
    const LayoutHeader h = Header(kFormLabelSheet);
    EXPECT_EQ(SheetColumns(h), 2);
    EXPECT_EQ(SheetRows(h), 6);
    EXPECT_EQ(RecordsPerPage(h), 12);
    struct Case {
        int row, column;
        CellOffset offset;
    } cases[] = {
        { 0, 0, { 2030, 2030 } },
        { 0, 1, { 2030 + 8380 + 380, 2030 } },
        { 1, 0, { 2030, 2030 + 4230 } },
        { 5, 1, { 10790, 2030 + 5 * 4230 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LabelCellOffset(h, c.row, c.column), c.offset) << c.row << "," << c.column;
    // The last cell ends inside the A4 sheet.
    const CellOffset last = LabelCellOffset(h, 5, 1);
    EXPECT_LE(last.x + h.paperWidth, h.sheetWidth);
    EXPECT_LE(last.y + h.paperHeight, h.sheetHeight);
}

TEST(PagePlan, StoredZeroColumnsCountAsOneAndCardsHaveOneCell)
{
    LayoutHeader h = Header(kFormLabelSheet);
    h.columns = 0;
    h.rows = -4;
    EXPECT_EQ(RecordsPerPage(h), 1);
    h.columns = 1 << 20;
    h.rows = 1 << 20;
    EXPECT_EQ(RecordsPerPage(h), std::numeric_limits<int>::max());
    LayoutHeader card = Header(kFormNewYearCard);
    card.columns = 3; // only label sheets have cells
    EXPECT_EQ(RecordsPerPage(card), 1);
}

TEST(PagePlan, PreviewPages)
{
    EXPECT_EQ(PreviewPageCount(5, 1), 5);
    EXPECT_EQ(PreviewPageCount(13, 12), 2);
    EXPECT_EQ(PreviewPageCount(12, 12), 1);
    EXPECT_EQ(PreviewPageCount(0, 12), 0);
    EXPECT_EQ(PreviewPageOf(0, 1), 1);
    EXPECT_EQ(PreviewPageOf(4, 1), 5);
    EXPECT_EQ(PreviewPageOf(11, 12), 1);
    EXPECT_EQ(PreviewPageOf(12, 12), 2);
}

TEST(PagePlan, AddressListRowsPerPage)
{
    // Rows stand at 13.00 mm + 4.25 mm × k and must end above the printable height
    // less 17.00 mm.
    struct Case {
        std::int32_t height;
        int rows;
    } cases[] = {
        { 28700, 60 }, // A4 less 5 mm margins: last row 13 + 59 × 4.25 = 263.75 .. 268.00 < 270.00
        { 1300 + 1700 + 425 + 1, 1 },
        { 1300 + 1700 + 850, 1 }, // the second row would end on the limit
        { 1300 + 1700 + 851, 2 },
        { 0, 1 }, // a page always holds a row
        { -50000, 1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ListRowsPerPage(c.height), c.rows) << c.height;
}
