#pragma once
// The arithmetic of the layout editor, apart from its window: lengths typed in
// millimetres, the zones of a selected frame, the rubber band a drag draws, where a
// drag's release puts the item, and the label sheet dialog's checks.
// Lengths are in 0.01 mm, frames and bands in pixels of the items' scale.

#include "print/LayoutItem.h"
#include "print/TextItem.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

// ---- Lengths typed in millimetres ----

enum class ValueParse {
    Ok,
    Empty, // value 0
    BadChar, // a character other than a digit or "."
    TooLarge, // 100000 or more (1000 mm)
};

struct ParsedValue {
    ValueParse status = ValueParse::Ok;
    std::int32_t value = 0; // hundredths, truncated toward zero
};

// "12.345" gives 1234. The number is read exactly in decimal, as far as it goes
// ("1.2.3" reads as 1.2): binary floating point would make "0.29" 28.
ParsedValue ParseHundredths(std::string_view text);
// "%4.2f" of value x 0.01.
std::string FormatHundredths(std::int32_t value);

// The customer barcode keeps its shape: horizontal, its height the long bar of a size
// from 8 to 11.5 point and its width that of the 67 bars at that size. `fromWidth`
// takes the size from a width the user set, otherwise from the height.
void KeepBarcodeShape(TextItem& object, bool fromWidth);

// ---- Dragging ----

using FrameRect = TextItem::Rect;

// What a press on the selected frame grabs.
enum DragMode : int {
    kDragMove = -1,
    kDragTopLeft = 0,
    kDragTopRight = 1,
    kDragBottomLeft = 2,
    kDragBottomRight = 3,
    kDragTop = 4,
    kDragBottom = 5,
    kDragLeft = 6,
    kDragRight = 7,
};

// The smallest rubber band, pixels.
inline constexpr int kMinBand = 10;

// True when (x, y) lies in the frame, edges included.
bool FrameContains(const FrameRect& frame, int x, int y);
// The slot a press at canvas point (x, y) lands on: the selected slot first, then
// 0 .. 52; only shown slots with text count. -1 when none.
int HitSlot(const LayoutTable& items, int selected, int x, int y);
// The zone of the frame under (x, y): the corners' and the edge marks' 5-pixel
// squares, the frame's inside otherwise (later zones win where they overlap).
DragMode DragModeAt(const FrameRect& frame, int x, int y);

// The band after the pointer moved to window point (x, y): moved as a whole by
// the grab offset (pointer minus the frame's top-left at the press) or with the
// grabbed edges following the pointer, never smaller than kMinBand.
FrameRect DragBand(const FrameRect& band, DragMode mode, int x, int y, int grabX, int grabY);

struct DragResult {
    std::int32_t x = 0, y = 0;
    bool resized = false;
    std::int32_t width = 0, height = 0;
};
// Where a release puts the slot: the band's corner (its right edge for a vertical
// slot, whose x is the column's right edge) on the canvas, snapped to whole
// millimetres and kept 1 mm inside the paper's right and bottom edges; after a
// resize also the band's size (half the width for a vertical slot), snapped the same
// way, 0.1 mm when it snaps to nothing.
DragResult ReleaseDrag(const TextItem& object, const FrameRect& band, DragMode mode, int scrollX, int scrollY,
    std::int32_t paperWidth, std::int32_t paperHeight);

// The arrow keys' step: the position moved by (dx, dy), kept on the paper and 1 mm
// inside its right and bottom edges.
void NudgeSlot(TextItem& object, std::int32_t dx, std::int32_t dy, std::int32_t paperWidth, std::int32_t paperHeight);

// ---- Label sheets ----

// "用紙:210.00 x 297.00 列:2 行:6" with label sheets on, "" otherwise.
std::string LabelSummary(const LayoutHeader& header);

// The ten fields of the label dialog, in the order its checks visit them.
enum LabelField : int {
    kLabelSheetWidth,
    kLabelSheetHeight,
    kLabelMarginLeft,
    kLabelMarginTop,
    kLabelCellWidth,
    kLabelCellHeight,
    kLabelGapX,
    kLabelGapY,
    kLabelColumns,
    kLabelRows,
    kLabelFieldCount,
};
using LabelTexts = std::array<std::string, kLabelFieldCount>;

bool IsLabelCount(LabelField field);
// The fields as the dialog shows them: lengths "%4.2f" mm, counts "%d".
LabelTexts LabelTextsOf(const LayoutHeader& header);

// One field parsed: beeps and shows why ("未入力です。", "不正な値が入力されました。",
// "サイズがオーバーしました。") and returns false, or gives the length in 0.01 mm or
// the count and the text the field should show.
bool ParseLabelField(LabelField field, std::string_view text, std::int32_t& value, std::string& shown);

// The dialog's OK. With the box checked every field is checked in order; on the
// first failure its message has been shown and the field to take the focus comes
// back, nothing stored. Otherwise the geometry (cell size = paper size) and the
// switch are stored and kLabelFieldCount comes back. Unchecked, only the switch goes
// off: the geometry stays for the next time.
int ApplyLabelFields(const LabelTexts& texts, bool checked, LayoutHeader& header);

} // namespace nrt
