#pragma once
// Which records go on which printed page: one card per page, or one label sheet of
// columns × rows cells per page; the page range of the print dialog; the paging of
// the preview and of the address list. Lengths in 0.01 mm.

#include "print/LayoutItem.h"

#include <cstdint>
#include <vector>

namespace nrt {

// The print dialog's choice when no range was given.
inline constexpr int kAllPagesFrom = 1;
inline constexpr int kAllPagesTo = 99999;

// Columns and rows of a label layout as printing counts them (a stored 0 or less is 1);
// one cell for cards and envelopes.
int SheetColumns(const LayoutHeader& header);
int SheetRows(const LayoutHeader& header);
// Records on one printed page.
int RecordsPerPage(const LayoutHeader& header);

struct CellOffset {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const CellOffset&) const = default;
};
// Where cell (row r, column c) of a label sheet starts: the margins plus whole cells
// (the layout's paper size) and gaps before it.
CellOffset LabelCellOffset(const LayoutHeader& header, int row, int column);

struct PlannedPage {
    int number = 0; // 1-based page number of the whole run
    int firstRecord = 0; // row of the record set
    int recordCount = 0;
    bool operator==(const PlannedPage&) const = default;
};
// The pages from..to of a run over `records` rows, `perPage` rows a page; pages
// before `from` are passed over without drawing, so page numbers stay those of the
// whole run.
std::vector<PlannedPage> PlanPages(int records, int perPage, int from, int to);

// The preview's page count and the page the record at `row` lies on.
int PreviewPageCount(int records, int perPage);
int PreviewPageOf(int row, int perPage);

// The address list: rows start at 13.00 mm and follow every 4.25 mm; a page is full
// when the next row would reach the bottom limit, four rows above the printable
// area's bottom. Every page holds at least one row.
inline constexpr std::int32_t kListFirstRowY = 1300;
inline constexpr std::int32_t kListPitch = 425;
int ListRowsPerPage(std::int32_t printableHeight);

} // namespace nrt
