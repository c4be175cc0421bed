#include "print/qt/PrintDevice.h"

#include <QPaintDevice>
#include <QPrinter>

namespace nrt::print {

DeviceScale ScaleOf(const QPaintDevice& device)
{
    constexpr double kHundredthsPerInch = 2540.0;
    return { device.logicalDpiX() / kHundredthsPerInch, device.logicalDpiY() / kHundredthsPerInch };
}

QPointF PrintableOffset(const QPaintDevice* device)
{
    const auto* printer = dynamic_cast<const QPrinter*>(device);
    if (printer == nullptr || printer->fullPage())
        return {};
    return printer->pageLayout().paintRectPixels(printer->resolution()).topLeft();
}

} // namespace nrt::print
