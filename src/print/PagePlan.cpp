#include "print/PagePlan.h"

#include <algorithm>
#include <limits>

namespace nrt {
namespace {

std::int32_t Clamp32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

int SheetColumns(const LayoutHeader& header)
{
    return header.labelSheet ? std::max(header.columns, 1) : 1;
}

int SheetRows(const LayoutHeader& header)
{
    return header.labelSheet ? std::max(header.rows, 1) : 1;
}

int RecordsPerPage(const LayoutHeader& header)
{
    // A damaged file may hold huge counts; a sheet never needs more cells than int holds.
    const std::int64_t cells = static_cast<std::int64_t>(SheetColumns(header)) * SheetRows(header);
    return static_cast<int>(std::min<std::int64_t>(cells, std::numeric_limits<int>::max()));
}

CellOffset LabelCellOffset(const LayoutHeader& header, int row, int column)
{
    const std::int64_t x = header.marginLeft + static_cast<std::int64_t>(column) * (header.paperWidth + header.gapX);
    const std::int64_t y = header.marginTop + static_cast<std::int64_t>(row) * (header.paperHeight + header.gapY);
    return { Clamp32(x), Clamp32(y) };
}

std::vector<PlannedPage> PlanPages(int records, int perPage, int from, int to)
{
    std::vector<PlannedPage> pages;
    if (records <= 0 || perPage <= 0)
        return pages;
    from = std::max(from, 1);
    const int count = PreviewPageCount(records, perPage);
    const int last = std::min(to, count);
    for (int page = from; page <= last; ++page) {
        const int first = static_cast<int>(static_cast<std::int64_t>(page - 1) * perPage);
        pages.push_back({ page, first, std::min(perPage, records - first) });
    }
    return pages;
}

int PreviewPageCount(int records, int perPage)
{
    if (records <= 0 || perPage <= 0)
        return 0;
    return (records - 1) / perPage + 1;
}

int PreviewPageOf(int row, int perPage)
{
    if (row < 0 || perPage <= 0)
        return 1;
    return row / perPage + 1;
}

int ListRowsPerPage(std::int32_t printableHeight)
{
    // Row k (from 0) stands at 1300 + 425k and is printed while its bottom lies above
    // the limit: the largest such k + 1 rows, and never fewer than one.
    const std::int64_t limit = static_cast<std::int64_t>(printableHeight) - 4 * kListPitch;
    const std::int64_t rows = (limit - kListFirstRowY - 1) / kListPitch;
    return static_cast<int>(std::clamp<std::int64_t>(rows, 1, std::numeric_limits<int>::max()));
}

} // namespace nrt
