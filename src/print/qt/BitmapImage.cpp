#include "print/qt/BitmapImage.h"

#include "print/CMyBitmap.h"

#include <QScrollBar>

namespace nrt::print {

QImage ImageOf(const CMyBitmap& bitmap)
{
    if (bitmap.IsEmpty() || bitmap.Width() <= 0 || bitmap.Height() <= 0)
        return {};
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = 0xFF000000u | bitmap.Pixel(x, y);
    }
    return image;
}

void FitScrollBar(QScrollBar* bar, int extent, int length)
{
    if (extent - length > 1) {
        bar->setEnabled(true);
        bar->setRange(0, extent - length);
        bar->setPageStep(length);
    } else {
        bar->setRange(0, 0);
        bar->setEnabled(false);
    }
}

} // namespace nrt::print
