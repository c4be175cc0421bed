// The measuring and drawing members of CMyObjFont: they need fonts, so they live in
// the window library while the object itself stays in the core.
#include "print/CMyObjFont.h"

#include "app/QtText.h"
#include "print/qt/FontCatalog.h"
#include "print/qt/PrintDevice.h"
#include "print/qt/VerticalText.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace nrt {
namespace {

using print::FontCatalog;

// The em size in pixels of a LOGFONT height in device pixels: negative is the em,
// positive the character cell, 0 the 12-point default of the device.
double EmPixels(std::int32_t logHeight, const QString& file, double scaleY)
{
    if (logHeight < 0)
        return -static_cast<double>(logHeight);
    if (logHeight > 0)
        return logHeight / FontCatalog::CellPerEm(file);
    return scaleY * 2540.0 / 6.0;
}

QColor ColorOf(std::uint32_t colorRef)
{
    return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
        static_cast<int>((colorRef >> 16) & 0xFF));
}

// Draw mode 1 keeps the text inside its frame. A clip costs a PDF a clip path (and a
// saved state) per item, and a text whose character cells all lie inside the frame
// has nothing to cut. True when the clip was set (the painter's state saved first).
bool ClipUnlessInside(QPainter& painter, const QRect& frame, const QRectF& cells)
{
    constexpr double kSlack = 1e-6;
    const QRectF f(frame.left(), frame.top(), frame.width(), frame.height());
    if (cells.left() >= f.left() - kSlack && cells.top() >= f.top() - kSlack && cells.right() <= f.right() + kSlack
        && cells.bottom() <= f.bottom() + kSlack)
        return false;
    painter.save();
    painter.setClipRect(frame, Qt::IntersectClip);
    return true;
}

} // namespace

void CMyObjFont::FitThickness()
{
    double cellHeight = 0, advanceW = 0;
    if (hasText_) {
        const QString file = FontCatalog::Resolve(gui::ToQ(font_.FaceName())).file;
        const QRawFont raw = FontCatalog::Cached(file, EmPixels(Trunc(fontHeight_ * scaleY_), file, scaleY_));
        const print::HorizontalTextLayout w(file, raw, QStringLiteral("W"));
        // The measure of the screen: whole pixels.
        cellHeight = std::round(w.thickness());
        advanceW = std::round(w.length());
    }
    if (vertical_)
        width_ = Trunc((advanceW + 1) / scaleX_);
    else
        height_ = Trunc(cellHeight / scaleY_);
}

void CMyObjFont::Draw(QPainter& painter, std::int32_t ox, std::int32_t oy, bool printableArea) const
{
    if (!hasText_)
        return;
    const QPointF off = printableArea ? print::PrintableOffset(painter.device()) : QPointF();
    const double x = static_cast<double>(ox) + x_, y = static_cast<double>(oy) + y_;
    const std::int32_t left = Trunc(x * scaleX_ - off.x());
    const std::int32_t top = Trunc(y * scaleY_ - off.y());
    const std::int32_t bottom = Trunc((y + height_) * scaleY_ - off.y());
    const std::int32_t right
        = vertical_ ? Trunc((x - 2.0 * width_) * scaleX_ - off.x()) : Trunc((x + width_) * scaleX_ - off.x());

    const QString text = gui::ToQ(text_);
    const QString file = FontCatalog::Resolve(gui::ToQ(font_.FaceName())).file;
    const QRawFont raw = FontCatalog::Cached(file, EmPixels(Trunc(fontHeight_ * scaleY_), file, scaleY_));
    if (!raw.isValid())
        return;

    // The pen is left in the text colour: setting it only when it differs keeps a
    // page of black texts free of repeated colour operators.
    if (painter.pen().color() != ColorOf(textColor_))
        painter.setPen(ColorOf(textColor_));
    bool clipped = false;
    // The rectangle with its edges put in order; like a GDI rectangle it ends before
    // its right and bottom edges.
    const QRect frame(QPoint(std::min(left, right), std::min(top, bottom)),
        QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
    const QPointF reference(left, top);
    // A vertical object is set as a vertical-writing face sets it, whether or not its
    // face name carries the "@": its characters stand upright in the column.
    if (vertical_) {
        const print::VerticalTextLayout layout(file, raw, text);
        double squeeze = 1.0;
        if (drawMode_ == 1) {
            const double room = std::abs(static_cast<double>(bottom) - top);
            if (layout.length() > room && layout.length() > 0)
                squeeze = room / layout.length();
            clipped = ClipUnlessInside(
                painter, frame, QRectF(left - layout.thickness(), top, layout.thickness(), layout.length() * squeeze));
        }
        if (opaque_ == 1)
            painter.fillRect(
                QRectF(left - layout.thickness(), top, layout.thickness(), layout.length() * squeeze), Qt::white);
        layout.draw(painter, reference, squeeze);
    } else {
        const print::HorizontalTextLayout layout(file, raw, text);
        double squeeze = 1.0;
        if (drawMode_ == 1) {
            const double room = std::abs(static_cast<double>(right) - left);
            if (layout.length() > room && layout.length() > 0)
                squeeze = room / layout.length();
            clipped
                = ClipUnlessInside(painter, frame, QRectF(left, top, layout.length() * squeeze, layout.thickness()));
        }
        if (opaque_ == 1)
            painter.fillRect(QRectF(left, top, layout.length() * squeeze, layout.thickness()), Qt::white);
        layout.draw(painter, reference, squeeze);
    }
    if (clipped)
        painter.restore();
}

} // namespace nrt
