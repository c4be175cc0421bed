#include "print/render/BarcodeDraw.h"

#include "print/CustomerBarcode.h"
#include "print/TextItem.h"
#include "print/render/PrintDevice.h"

#include <QPainter>

namespace nrt::print {

void DrawCustomerBarcode(
    QPainter& painter, const TextItem& object, std::int32_t ox, std::int32_t oy, bool printableArea)
{
    if (!object.HasText())
        return;
    const BarcodeGeometry g = BarcodeGeometry::ForHeight(object.Height());
    const QPointF off = printableArea ? PrintableOffset(painter.device()) : QPointF();
    const double sx = object.ScaleX(), sy = object.ScaleY();
    const double left = (ox + object.X()) * sx - off.x();
    const double top = (oy + object.Y()) * sy - off.y();
    painter.save();
    painter.setPen(Qt::NoPen);
    // Solid black whatever the text colour: the sorting machines read black bars.
    painter.setBrush(Qt::black);
    const std::string_view bars = object.Text();
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const char shape = bars[i];
        const double x = left + static_cast<double>(i) * g.Pitch() * sx;
        const double y0 = top + g.BarTop(shape) * sy;
        const double y1 = top + g.BarBottom(shape) * sy;
        painter.drawRect(QRectF(x, y0, g.BarWidth() * sx, y1 - y0));
    }
    painter.restore();
}

} // namespace nrt::print
