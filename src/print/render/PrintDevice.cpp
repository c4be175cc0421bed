#include "print/render/PrintDevice.h"

#include <QPagedPaintDevice>

namespace nrt::print {

DeviceScale ScaleOf(const QPaintDevice& device)
{
    constexpr double kHundredthsPerInch = 2540.0;
    return { device.logicalDpiX() / kHundredthsPerInch, device.logicalDpiY() / kHundredthsPerInch };
}

QPointF PrintableOffset(const QPaintDevice* device)
{
    const auto* paged = dynamic_cast<const QPagedPaintDevice*>(device);
    if (paged == nullptr)
        return {};
    const QPageLayout layout = paged->pageLayout();
    if (layout.mode() == QPageLayout::FullPageMode)
        return {};
    return layout.paintRectPixels(device->logicalDpiX()).topLeft();
}

} // namespace nrt::print
