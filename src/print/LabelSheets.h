#pragma once
// Label sheets to choose from in the label settings: the common A4 product sheets as
// their makers publish them, and the user's own sheets, kept in a file of their own in
// the data folder ("NrtLabel.txt": one sheet a line, its name and the ten values in
// 0.01 mm and counts, tab-separated, CP932).

#include "print/LayoutItem.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

struct LabelSheet {
    static constexpr std::size_t kNameBytes = 60;

    std::string name; // CP932
    std::int32_t sheetWidth = 21000;
    std::int32_t sheetHeight = 29700;
    std::int32_t marginLeft = 0;
    std::int32_t marginTop = 0;
    std::int32_t cellWidth = 0;
    std::int32_t cellHeight = 0;
    std::int32_t gapX = 0;
    std::int32_t gapY = 0;
    std::int32_t columns = 1;
    std::int32_t rows = 1;

    // The geometry into a layout's header (label sheets on, the cell as the paper).
    void ApplyTo(LayoutHeader& header) const;
    // The geometry of a header, named `name`.
    static LabelSheet Of(const LayoutHeader& header, std::string_view name);

    bool operator==(const LabelSheet&) const = default;
};

// One product sheet; the name is UTF-8 here.
struct LabelSheetProduct {
    const char* name;
    std::int32_t sheetWidth, sheetHeight, marginLeft, marginTop, cellWidth, cellHeight, gapX, gapY, columns, rows;
};

// Common A4 sheets of 10, 12, 18, 21, 24 and 44 labels: the label size the package
// states, the labels edge to edge and centred on the sheet as these sheets are cut; and
// the sheet of the default label layout, which has a gap between its two columns.
// clang-format off
inline constexpr std::array<LabelSheetProduct, 7> kLabelSheetProducts{{
    {"A4 10面 86.4×50.8mm", 21000, 29700, 1860, 2150, 8640, 5080, 0, 0, 2, 5},
    {"A4 12面 83.8×42.3mm (HISAGO GB861)", 21000, 29700, 2030, 2030, 8380, 4230, 380, 0, 2, 6},
    {"A4 12面 86.4×42.3mm", 21000, 29700, 1860, 2160, 8640, 4230, 0, 0, 2, 6},
    {"A4 18面 70.0×42.3mm", 21000, 29700, 0, 2160, 7000, 4230, 0, 0, 3, 6},
    {"A4 21面 70.0×42.4mm", 21000, 29700, 0, 10, 7000, 4240, 0, 0, 3, 7},
    {"A4 24面 66.0×33.9mm", 21000, 29700, 600, 1290, 6600, 3390, 0, 0, 3, 8},
    {"A4 44面 48.3×25.4mm", 21000, 29700, 840, 880, 4830, 2540, 0, 0, 4, 11},
}};
// clang-format on

// The first of `sheets` whose geometry is the header's (the name aside); -1 when none.
int FindLabelSheet(const std::vector<LabelSheet>& sheets, const LayoutHeader& header);

// The product sheets with CP932 names.
const std::vector<LabelSheet>& ProductLabelSheets();

// The user's sheets from the file's bytes. A line that is not a whole sheet (a name,
// ten numbers, each in the range the label settings accept) is passed over.
std::vector<LabelSheet> ParseUserLabelSheets(std::string_view bytes);
std::string FormatUserLabelSheets(const std::vector<LabelSheet>& sheets);

// The user's sheets in `path`; none when it does not exist or cannot be read.
std::vector<LabelSheet> LoadUserLabelSheets(std::string_view path);
// Adds `sheet` to the user's sheets in `path` (replacing one of the same name) and
// writes the file whole, atomically. False when it could not be written.
bool SaveUserLabelSheet(std::string_view path, const LabelSheet& sheet);

} // namespace nrt
