#pragma once
// Qt images of the program's bitmaps and the scroll bars of its card surfaces.

#include <QImage>

class QScrollBar;

namespace nrt {
class CMyBitmap;
}

namespace nrt::print {

// The bitmap's pixels as an image; a null image for an empty bitmap.
QImage ImageOf(const CMyBitmap& bitmap);

// A bar over `extent` pixels shown through `length` of them: enabled when more than
// one pixel is hidden, so every part can be scrolled into view.
void FitScrollBar(QScrollBar* bar, int extent, int length);

} // namespace nrt::print
