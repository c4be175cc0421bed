#pragma once
// The slots of a print layout and the layout-wide values; all lengths in 0.01 mm.

#include "print/TextItem.h"

#include <array>
#include <cstdint>
#include <string>

namespace nrt {

// One slot: printed or not, the record field it prints (set by the kind defaults
// only, never stored in the layout file) and its text object.
struct LayoutItem {
    static constexpr std::size_t kFieldNameBytes = 38;

    bool shown = false;
    std::string fieldName;
    TextItem object;

    bool operator==(const LayoutItem&) const = default;
};

// The 53 text slots every layout file holds, then the optional slots: the customer
// barcode, the joint names and the company lines. A file holds the optional slots up
// to the last one the layout shows (older readers stop after the 53rd or 54th record).
inline constexpr int kTextSlots = 53;
inline constexpr int kBarcodeSlot = 53;
// Shown, the joint names (連名) print here instead of after the addressee's name.
inline constexpr int kJointNameSlot = 54;
// Shown, company and department print here instead of before the addressee's name.
inline constexpr int kCompanySlot = 55;
inline constexpr int kLayoutSlots = 56;
using LayoutTable = std::array<LayoutItem, kLayoutSlots>;

struct LayoutHeader {
    static constexpr std::size_t kImageNameBytes = 259; // without the terminator

    // Of the card or envelope, or of one label cell when label sheets are on.
    std::int32_t paperWidth = 0;
    std::int32_t paperHeight = 0;
    std::string backgroundImage; // a name beside the program, or a path with "/"
    std::uint8_t reservedFlag = 0;
    std::uint8_t labelSheet = 0;
    std::int32_t sheetWidth = 0;
    std::int32_t sheetHeight = 0;
    std::int32_t marginLeft = 0;
    std::int32_t marginTop = 0;
    std::int32_t gapX = 0;
    std::int32_t gapY = 0;
    std::int32_t columns = 1;
    std::int32_t rows = 1;
    // CP932 code that replaces "－" in vertical addresses; 0 = none.
    std::uint16_t dashCode = 0x815C;
    std::uint8_t kanjiNumerals = 0;
    // Not in the layout file: a printer settings file of the form was read.
    std::int32_t printerSettings = 0;
    // Kept after the objects, where older readers stop: the kind the form was made as
    // (0: none kept, its name tells) and whether the first address line prints the
    // prefecture in front of 住所１. A layout with neither is written as before.
    std::int32_t formKind = 0;
    std::uint8_t printPrefecture = 0;
    // Not in the layout file: loading moved the shown barcode back into its label cell.
    bool barcodeMoved = false;

    bool operator==(const LayoutHeader&) const = default;
};

} // namespace nrt
