#pragma once
// A layout's background picture (the card's stationery, a label sheet's drawing) as
// the preview and the layout editor paint it behind the card.

#include <QImage>

namespace nrt {
class BmpImage;
class AppSettings;
struct LayoutHeader;
} // namespace nrt

namespace nrt::print {

// The bitmap's pixels as an image; a null image for an empty bitmap.
QImage ImageOf(const BmpImage& bitmap);
// The layout's background picture into `bitmap` (emptied first) and as an image; a
// null image when the layout names none or it cannot be read.
QImage LoadBackground(const AppSettings& settings, const LayoutHeader& header, BmpImage& bitmap);

} // namespace nrt::print
