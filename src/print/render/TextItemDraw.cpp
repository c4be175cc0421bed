// The measuring and drawing members of TextItem: they need fonts, so they live in
// the Qt Gui library while the object itself stays in the core.
#include "print/TextItem.h"

#include "print/render/FontCatalog.h"
#include "print/render/PrintDevice.h"
#include "print/render/VerticalText.h"
#include "qt/QtText.h"

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

void TextItem::FitThickness()
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

namespace {

// Below this a vertical address goes on in the next column rather than be condensed.
constexpr double kMinSqueeze = 0.85;

// One vertical column from `rightTop` down to `bottom`, condensed to fit in draw mode 1
// and kept inside `frame`.
void DrawColumn(QPainter& painter, const print::VerticalTextLayout& layout, QPointF rightTop, double bottom,
    const QRect& frame, bool fit, bool opaque)
{
    double squeeze = 1.0;
    bool clipped = false;
    if (fit) {
        const double room = std::max(bottom - rightTop.y(), 0.0);
        if (layout.length() > room && layout.length() > 0)
            squeeze = room / layout.length();
        clipped = ClipUnlessInside(painter, frame,
            QRectF(rightTop.x() - layout.thickness(), rightTop.y(), layout.thickness(), layout.length() * squeeze));
    }
    if (opaque)
        painter.fillRect(
            QRectF(rightTop.x() - layout.thickness(), rightTop.y(), layout.thickness(), layout.length() * squeeze),
            Qt::white);
    layout.draw(painter, rightTop, squeeze);
    if (clipped)
        painter.restore();
}

} // namespace

std::int32_t TextItem::EmHeight() const
{
    if (fontHeight_ <= 0)
        return fontHeight_ < 0 ? -fontHeight_ : Trunc(2540.0 / 6.0);
    const QString file = FontCatalog::Resolve(gui::ToQ(font_.FaceName())).file;
    return Trunc(fontHeight_ / FontCatalog::CellPerEm(file));
}

std::int32_t TextItem::LengthOf(std::string_view text) const
{
    const QString file = FontCatalog::Resolve(gui::ToQ(font_.FaceName())).file;
    const QRawFont raw = FontCatalog::Cached(file, EmPixels(Trunc(fontHeight_ * scaleY_), file, scaleY_));
    if (!raw.isValid() || text.empty())
        return 0;
    if (vertical_)
        return Trunc(print::VerticalTextLayout(file, raw, gui::ToQ(text)).length() / scaleY_);
    return Trunc(print::HorizontalTextLayout(file, raw, gui::ToQ(text)).length() / scaleX_);
}

void TextItem::Draw(QPainter& painter, std::int32_t ox, std::int32_t oy, bool printableArea) const
{
    Draw(painter, ox, oy, printableArea, ColumnFlow {});
}

int TextItem::ColumnCount(const ColumnFlow& flow) const
{
    if (!hasText_ || !vertical_ || drawMode_ != 1 || flow.maxColumns <= 1)
        return hasText_ ? 1 : 0;
    const QString file = FontCatalog::Resolve(gui::ToQ(font_.FaceName())).file;
    const QRawFont raw = FontCatalog::Cached(file, EmPixels(Trunc(fontHeight_ * scaleY_), file, scaleY_));
    if (!raw.isValid())
        return 1;
    const double room = height_ * scaleY_;
    const QVector<double> rooms { room - flow.topIndent * scaleY_, room - flow.nextIndent * scaleY_ };
    return static_cast<int>(
        print::BreakIntoColumns(file, raw, gui::ToQ(text_), rooms, flow.maxColumns, kMinSqueeze).size());
}

int TextItem::Draw(
    QPainter& painter, std::int32_t ox, std::int32_t oy, bool printableArea, const ColumnFlow& flow) const
{
    if (!hasText_)
        return 0;
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
        return 0;

    // The pen is left in the text colour: setting it only when it differs keeps a
    // page of black texts free of repeated colour operators.
    if (painter.pen().color() != ColorOf(textColor_))
        painter.setPen(ColorOf(textColor_));
    // The rectangle with its edges put in order; like a GDI rectangle it ends before
    // its right and bottom edges.
    const QRect frame(QPoint(std::min(left, right), std::min(top, bottom)),
        QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
    const QPointF reference(left, top);
    const bool fit = drawMode_ == 1;
    // A vertical object is set as a vertical-writing face sets it, whether or not its
    // face name carries the "@": its characters stand upright in the column.
    if (vertical_) {
        if (!fit || (flow.maxColumns <= 1 && flow.topIndent == 0)) {
            DrawColumn(
                painter, print::VerticalTextLayout(file, raw, text), reference, bottom, frame, fit, opaque_ == 1);
            return 1;
        }
        const double firstTop = top + flow.topIndent * scaleY_;
        const double nextTop = top + flow.nextIndent * scaleY_;
        const QVector<double> rooms { bottom - firstTop, bottom - nextTop };
        const QStringList columns = print::BreakIntoColumns(file, raw, text, rooms, flow.maxColumns, kMinSqueeze);
        const double pitch = 2.0 * width_ * scaleX_;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const double shift = static_cast<double>(i) * pitch;
            const double columnTop = i == 0 ? firstTop : nextTop;
            const QRect columnFrame(QPoint(Trunc(frame.left() - shift), Trunc(columnTop)),
                QPoint(Trunc(frame.right() - shift), frame.bottom()));
            DrawColumn(painter, print::VerticalTextLayout(file, raw, columns[i]), QPointF(left - shift, columnTop),
                bottom, columnFrame, true, opaque_ == 1);
        }
        return static_cast<int>(columns.size());
    }
    bool clipped = false;
    const print::HorizontalTextLayout layout(file, raw, text);
    double squeeze = 1.0;
    if (fit) {
        const double room = std::abs(static_cast<double>(right) - left);
        if (layout.length() > room && layout.length() > 0)
            squeeze = room / layout.length();
        clipped = ClipUnlessInside(painter, frame, QRectF(left, top, layout.length() * squeeze, layout.thickness()));
    }
    if (opaque_ == 1)
        painter.fillRect(QRectF(left, top, layout.length() * squeeze, layout.thickness()), Qt::white);
    layout.draw(painter, reference, squeeze);
    if (clipped)
        painter.restore();
    return 1;
}

} // namespace nrt
