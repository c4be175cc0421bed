#include "print/qt/VerticalText.h"

#include <QPainter>

#include <hb-ot.h>
#include <hb.h>

#include <cmath>
#include <map>
#include <mutex>
#include <vector>

namespace nrt::print {
namespace {

// HarfBuzz faces are read once per font file and kept for the run of the program.
class FaceCache {
public:
    ~FaceCache()
    {
        for (auto& [file, face] : faces_)
            hb_face_destroy(face);
    }
    hb_face_t* get(const QString& file)
    {
        std::lock_guard guard(lock_);
        auto it = faces_.find(file);
        if (it != faces_.end())
            return it->second;
        hb_blob_t* blob = hb_blob_create_from_file(file.toLocal8Bit().constData());
        hb_face_t* face = hb_face_create(blob, 0);
        hb_blob_destroy(blob);
        faces_.emplace(file, face);
        return face;
    }

private:
    std::mutex lock_;
    std::map<QString, hb_face_t*> faces_;
};

hb_face_t* FaceFor(const QString& file)
{
    static FaceCache cache;
    return cache.get(file);
}

struct HbFont {
    hb_font_t* font;
    HbFont(const QString& file, double emPixels)
        : font(hb_font_create(FaceFor(file)))
    {
        const int scale = static_cast<int>(std::lround(emPixels * 64.0));
        hb_font_set_scale(font, scale, scale);
    }
    ~HbFont() { hb_font_destroy(font); }
    HbFont(const HbFont&) = delete;
    HbFont& operator=(const HbFont&) = delete;
};

struct Shaped {
    QVector<quint32> glyphs;
    QVector<QPointF> positions; // of each glyph's horizontal origin, y downward
    double advance = 0; // along the run's direction
    QVector<CondensedGlyph> condensed; // drawn apart, not in glyphs/positions
};

Shaped Shape(hb_font_t* font, const QString& text, int from, int length, bool vertical, bool halfWidthForms)
{
    Shaped out;
    hb_buffer_t* buf = hb_buffer_create();
    hb_buffer_add_utf16(
        buf, reinterpret_cast<const uint16_t*>(text.utf16()), static_cast<int>(text.size()), from, length);
    hb_buffer_set_direction(buf, vertical ? HB_DIRECTION_TTB : HB_DIRECTION_LTR);
    hb_buffer_set_language(buf, hb_language_from_string("ja", -1));
    hb_buffer_guess_segment_properties(buf);
    // The single-byte characters are set in half-em cells, as the layouts were measured
    // with such a face. The font's own half-width forms would do that, but their zero
    // is slashed (not what a postal code on a greeting card shows) and PDF readers
    // cannot tell which characters they stand for; so each takes its ordinary glyph,
    // centred in the cell or condensed into it when wider.
    hb_feature_t plain[2] {};
    hb_feature_from_string("liga=0", -1, &plain[0]);
    hb_feature_from_string("kern=0", -1, &plain[1]);
    hb_shape(font, buf, halfWidthForms ? plain : nullptr, halfWidthForms ? 2 : 0);
    int xScale = 0, yScale = 0;
    hb_font_get_scale(font, &xScale, &yScale);
    const int half = xScale / 2;
    unsigned int count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &count);
    double penX = 0, penY = 0; // Qt coordinates, 1/64 px
    for (unsigned int i = 0; i < count; ++i) {
        // For vertical text HarfBuzz has already moved the offsets from the glyph's
        // vertical origin (top centre) to its horizontal origin, which drawing uses.
        double x = penX + pos[i].x_offset;
        const double y = penY - pos[i].y_offset;
        if (halfWidthForms) {
            if (pos[i].x_advance > half) {
                out.condensed.push_back(
                    { info[i].codepoint, QPointF(x / 64.0, y / 64.0), static_cast<double>(half) / pos[i].x_advance });
                penX += half;
                continue;
            }
            x += (half - pos[i].x_advance) / 2.0;
            out.glyphs.push_back(info[i].codepoint);
            out.positions.push_back(QPointF(x / 64.0, y / 64.0));
            penX += half;
            continue;
        }
        out.glyphs.push_back(info[i].codepoint);
        out.positions.push_back(QPointF(x / 64.0, y / 64.0));
        penX += pos[i].x_advance;
        penY -= pos[i].y_advance;
    }
    out.advance = (vertical ? penY : penX) / 64.0;
    hb_buffer_destroy(buf);
    return out;
}

void DrawCondensed(QPainter& painter, const QRawFont& font, const QVector<CondensedGlyph>& glyphs, QPointF origin)
{
    // Glyphs of one width (digits, mostly) condense alike and go as one run.
    for (qsizetype i = 0; i < glyphs.size();) {
        const double scale = glyphs[i].xScale;
        QVector<quint32> indexes;
        QVector<QPointF> positions;
        for (; i < glyphs.size() && glyphs[i].xScale == scale; ++i) {
            indexes.push_back(glyphs[i].glyph);
            positions.push_back(QPointF(glyphs[i].position.x() / scale, glyphs[i].position.y()));
        }
        QGlyphRun run;
        run.setRawFont(font);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        painter.save();
        painter.translate(origin);
        painter.scale(scale, 1.0);
        painter.drawGlyphRun(QPointF(), run);
        painter.restore();
    }
}

} // namespace

bool LiesOnItsSide(char32_t c)
{
    return (c >= 0x20 && c < 0x7F) || (c >= 0xFF61 && c <= 0xFF9F) || c == 0xA5 || c == 0x203E;
}

VerticalTextLayout::VerticalTextLayout(const QString& fontFile, const QRawFont& font, const QString& text)
{
    thickness_ = font.ascent() + font.descent();
    ascent_ = font.ascent();
    if (text.isEmpty() || !font.isValid())
        return;
    HbFont hb(fontFile, font.pixelSize());
    // Split into runs of upright and of turned characters.
    const QList<uint> codes = text.toUcs4();
    int utf16Pos = 0;
    int runStart = 0;
    bool runRotated = !codes.isEmpty() && LiesOnItsSide(codes.front());
    auto flush = [&](int end) {
        if (end <= runStart)
            return;
        Shaped s = Shape(hb.font, text, runStart, end - runStart, !runRotated, runRotated);
        Run run;
        run.rotated = runRotated;
        run.start = length_;
        if (!runRotated) {
            // Centre the upright glyphs in the column, whose right edge is x = 0.
            for (QPointF& p : s.positions)
                p.rx() -= thickness_ / 2.0;
        }
        run.glyphs.setRawFont(font);
        run.glyphs.setGlyphIndexes(s.glyphs);
        run.glyphs.setPositions(s.positions);
        run.condensed = s.condensed;
        length_ += s.advance;
        runs_.push_back(run);
        runStart = end;
    };
    for (uint c : codes) {
        const bool rotated = LiesOnItsSide(c);
        if (rotated != runRotated) {
            flush(utf16Pos);
            runRotated = rotated;
        }
        utf16Pos += c > 0xFFFF ? 2 : 1;
    }
    flush(utf16Pos);
}

void VerticalTextLayout::draw(QPainter& painter, QPointF rightTop, double squeeze) const
{
    // Every save, transform and empty run costs a PDF page its own operators, so the
    // common case (no squeeze, upright characters) draws without any.
    const bool squeezed = squeeze > 0 && squeeze < 1.0;
    if (squeezed) {
        painter.save();
        painter.translate(rightTop);
        painter.scale(1.0, squeeze);
    }
    const QPointF origin = squeezed ? QPointF() : rightTop;
    for (const Run& run : runs_) {
        if (run.rotated) {
            // Turned clockwise: the tops of the characters face right, at the column's
            // right edge; the baseline lies `ascent` to the left of it.
            painter.save();
            painter.translate(origin + QPointF(0, run.start));
            painter.rotate(90);
            if (!run.glyphs.isEmpty())
                painter.drawGlyphRun(QPointF(0, ascent_), run.glyphs);
            DrawCondensed(painter, run.glyphs.rawFont(), run.condensed, QPointF(0, ascent_));
            painter.restore();
        } else if (!run.glyphs.isEmpty()) {
            painter.drawGlyphRun(origin + QPointF(0, run.start), run.glyphs);
        }
    }
    if (squeezed)
        painter.restore();
}

QVector<quint32> VerticalTextLayout::uprightGlyphs() const
{
    QVector<quint32> all;
    for (const Run& run : runs_)
        if (!run.rotated)
            all += run.glyphs.glyphIndexes();
    return all;
}

HorizontalTextLayout::HorizontalTextLayout(const QString& fontFile, const QRawFont& font, const QString& text)
{
    thickness_ = font.ascent() + font.descent();
    ascent_ = font.ascent();
    if (text.isEmpty() || !font.isValid())
        return;
    HbFont hb(fontFile, font.pixelSize());
    // The single-byte characters take their half-width forms; full-width ones (１, ー)
    // must keep their own, so the two kinds are shaped apart.
    QVector<quint32> glyphs;
    QVector<QPointF> positions;
    const QList<uint> codes = text.toUcs4();
    int utf16Pos = 0;
    int runStart = 0;
    bool runHalf = !codes.isEmpty() && LiesOnItsSide(codes.front());
    auto flush = [&](int end) {
        if (end <= runStart)
            return;
        const Shaped s = Shape(hb.font, text, runStart, end - runStart, false, runHalf);
        for (int i = 0; i < s.glyphs.size(); ++i) {
            glyphs.push_back(s.glyphs[i]);
            positions.push_back(s.positions[i] + QPointF(length_, 0));
        }
        for (CondensedGlyph g : s.condensed) {
            g.position += QPointF(length_, 0);
            condensed_.push_back(g);
        }
        length_ += s.advance;
        runStart = end;
    };
    for (uint c : codes) {
        const bool half = LiesOnItsSide(c);
        if (half != runHalf) {
            flush(utf16Pos);
            runHalf = half;
        }
        utf16Pos += c > 0xFFFF ? 2 : 1;
    }
    flush(utf16Pos);
    glyphs_.setRawFont(font);
    glyphs_.setGlyphIndexes(glyphs);
    glyphs_.setPositions(positions);
}

void HorizontalTextLayout::draw(QPainter& painter, QPointF leftTop, double squeeze) const
{
    const bool squeezed = squeeze > 0 && squeeze < 1.0;
    if (squeezed) {
        painter.save();
        painter.translate(leftTop);
        painter.scale(squeeze, 1.0);
    }
    const QPointF baseline = (squeezed ? QPointF() : leftTop) + QPointF(0, ascent_);
    if (!glyphs_.isEmpty())
        painter.drawGlyphRun(baseline, glyphs_);
    DrawCondensed(painter, glyphs_.rawFont(), condensed_, baseline);
    if (squeezed)
        painter.restore();
}

QVector<quint32> HorizontalGlyphs(const QString& fontFile, const QRawFont& font, const QString& text)
{
    HbFont hb(fontFile, font.pixelSize());
    return Shape(hb.font, text, 0, static_cast<int>(text.size()), false, false).glyphs;
}

} // namespace nrt::print
