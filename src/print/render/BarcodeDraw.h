#pragma once
// Drawing the customer barcode slot: its text is the bars (see CustomerBarcode), its
// position the top left of the first bar and its height the long bar's.

#include <cstdint>

class QPainter;

namespace nrt {
class TextItem;
}

namespace nrt::print {

// Draws the bars of `object` at offset (ox, oy), 0.01 mm, at the object's scale; with
// `printableArea` the coordinates count from the paper's edge on a printer whose
// origin is its printable area. The size is kept within 8 to 11.5 point whatever
// height the object holds. Nothing is drawn for an object without bars.
void DrawCustomerBarcode(
    QPainter& painter, const TextItem& object, std::int32_t ox, std::int32_t oy, bool printableArea);

} // namespace nrt::print
