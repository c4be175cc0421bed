#pragma once
// What the printing arithmetic needs to know of a drawing surface: its pixels per
// 0.01 mm and, on a printer, where its printable area begins.

#include <QPointF>

class QPaintDevice;

namespace nrt::print {

struct DeviceScale {
    double x = 0;
    double y = 0;
};

// Pixels per 0.01 mm from the device's resolution. The resolution itself is used
// rather than pixels over whole millimetres: Qt reports sizes in whole millimetres,
// and that rounding would shift a line across a card by up to a millimetre.
DeviceScale ScaleOf(const QPaintDevice& device);

// The printable area's offset from the paper's corner in device pixels on a printer
// that draws from its printable area; (0, 0) for every other surface.
QPointF PrintableOffset(const QPaintDevice* device);

} // namespace nrt::print
