#include "print/render/BackgroundImage.h"

#include "print/BmpImage.h"
#include "print/PrintForm.h"
#include "settings/AppSettings.h"

namespace nrt::print {

QImage ImageOf(const BmpImage& bitmap)
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

QImage LoadBackground(const AppSettings& settings, const LayoutHeader& header, BmpImage& bitmap)
{
    bitmap.Clear();
    const std::string path = BackgroundImagePath(settings, header);
    if (path.empty() || bitmap.Load(path) != 1)
        return {};
    return ImageOf(bitmap);
}

} // namespace nrt::print
