#include "print/render/VerticalText.h"

#include "print/render/FontCatalog.h"

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

bool IsHalfWidth(char32_t c)
{
    return (c >= 0x20 && c < 0x7F) || (c >= 0xFF61 && c <= 0xFF9F) || c == 0xA5 || c == 0x203E;
}

namespace {

bool IsAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool IsHalfWidthKana(QChar c)
{
    return c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F;
}

// A pair of ASCII digits that VerticalForms left as they were: set side by side.
bool IsDigitPair(const QString& forms, qsizetype at)
{
    return at + 1 < forms.size() && IsAsciiDigit(forms[at]) && IsAsciiDigit(forms[at + 1]);
}

} // namespace

QString VerticalForms(const QString& input)
{
    // Full-width digits and letters are set as the half-width ones are: a number of two
    // digits side by side, others upright.
    QString text = input;
    for (QChar& c : text)
        if ((c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19) || (c.unicode() >= 0xFF21 && c.unicode() <= 0xFF3A)
            || (c.unicode() >= 0xFF41 && c.unicode() <= 0xFF5A))
            c = QChar(c.unicode() - 0xFEE0);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (IsHalfWidthKana(c)) {
            qsizetype end = i;
            while (end < text.size() && IsHalfWidthKana(text[end]))
                ++end;
            // Compatibility composition joins a kana and its voicing mark: ｶﾞ gives ガ.
            out += text.mid(i, end - i).normalized(QString::NormalizationForm_KC);
            i = end;
        } else if (IsAsciiDigit(c)) {
            qsizetype end = i;
            while (end < text.size() && IsAsciiDigit(text[end]))
                ++end;
            if (end - i == 2) {
                out += text.mid(i, 2);
            } else {
                for (qsizetype d = i; d < end; ++d)
                    out += QChar(text[d].unicode() - u'0' + 0xFF10);
            }
            i = end;
        } else {
            const char16_t u = c.unicode();
            if (u == u' ')
                out += QChar(0x3000);
            else if (u > 0x20 && u < 0x7F)
                out += QChar(u + 0xFEE0);
            else if (u == 0xA5)
                out += QChar(0xFFE5);
            else if (u == 0x203E)
                out += QChar(0xFFE3);
            else
                out += c;
            ++i;
        }
    }
    return out;
}

VerticalTextLayout::VerticalTextLayout(const QString& fontFile, const QRawFont& font, const QString& text)
{
    thickness_ = font.ascent() + font.descent();
    ascent_ = font.ascent();
    if (text.isEmpty() || !font.isValid())
        return;
    HbFont hb(fontFile, font.pixelSize());
    const double em = font.pixelSize();
    // Upright glyphs are drawn from the copy of the font whose character map leads to
    // the vertical forms, so that a PDF names them; the glyphs are the same.
    QRawFont upright = FontCatalog::CachedVertical(fontFile, em);
    if (!upright.isValid())
        upright = font;
    const QString forms = VerticalForms(text);
    auto add = [&](qsizetype from, qsizetype length, bool pair) {
        if (length <= 0)
            return;
        Shaped s = Shape(hb.font, forms, static_cast<int>(from), static_cast<int>(length), !pair, pair);
        Run run;
        run.sideBySide = pair;
        run.start = length_;
        if (pair) {
            // Two half-em cells across the column's centre, on the baseline of a
            // horizontal character cell one em high.
            run.origin = QPointF(-thickness_ / 2.0 - em / 2.0, thickness_ > 0 ? ascent_ * em / thickness_ : ascent_);
            length_ += em;
        } else {
            // Centre the upright glyphs in the column, whose right edge is x = 0.
            run.origin = QPointF(-thickness_ / 2.0, 0);
            length_ += s.advance;
        }
        run.glyphs.setRawFont(pair ? font : upright);
        run.glyphs.setGlyphIndexes(s.glyphs);
        run.glyphs.setPositions(s.positions);
        run.condensed = s.condensed;
        runs_.push_back(run);
    };
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < forms.size();) {
        if (IsDigitPair(forms, i)) {
            add(runStart, i - runStart, false);
            add(i, 2, true);
            i += 2;
            runStart = i;
        } else {
            ++i;
        }
    }
    add(runStart, forms.size() - runStart, false);
}

void VerticalTextLayout::draw(QPainter& painter, QPointF rightTop, double squeeze) const
{
    // Every save, transform and empty run costs a PDF page its own operators, so the
    // common case (no squeeze) draws without any.
    const bool squeezed = squeeze > 0 && squeeze < 1.0;
    if (squeezed) {
        painter.save();
        painter.translate(rightTop);
        painter.scale(1.0, squeeze);
    }
    const QPointF top = squeezed ? QPointF() : rightTop;
    for (const Run& run : runs_) {
        const QPointF origin = top + QPointF(0, run.start) + run.origin;
        if (!run.glyphs.isEmpty())
            painter.drawGlyphRun(origin, run.glyphs);
        if (!run.condensed.isEmpty())
            DrawCondensed(painter, run.glyphs.rawFont(), run.condensed, origin);
    }
    if (squeezed)
        painter.restore();
}

namespace {

// Characters a column may not begin with.
bool MayNotBeginColumn(QChar c)
{
    static const QString kClosing
        = QStringLiteral("ー－―‐、。，．）」』】〕］｝・ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ"
                         "々ゝゞヽヾ"
                         "ｰﾞﾟ｡､｣･ｧｨｩｪｫｯｬｭｮ)]},.-");
    return kClosing.contains(c);
}

bool IsSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x3000);
}

// Where a column may end at `at` (the characters before stay, those from `at` go on).
bool MayBreakAt(const QString& text, qsizetype at)
{
    if (at <= 0 || at >= text.size())
        return false;
    if (text[at].isLowSurrogate())
        return false;
    if (IsAsciiDigit(text[at - 1]) && IsAsciiDigit(text[at]))
        return false;
    const auto fullDigit = [](QChar c) { return c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19; };
    if (fullDigit(text[at - 1]) && fullDigit(text[at]))
        return false;
    return !MayNotBeginColumn(text[at]);
}

bool IsDigitOfEitherWidth(QChar c)
{
    return IsAsciiDigit(c) || (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19);
}

// After the parts of an address a reader expects a line to end with: 丁目, 番地, 番,
// 号, 階, and a floor written with F after its number.
bool IsNaturalEnd(const QString& text, qsizetype at)
{
    if (at <= 0 || at >= text.size() || !MayBreakAt(text, at))
        return false;
    for (const QString& end : { QStringLiteral("丁目"), QStringLiteral("番地"), QStringLiteral("番"),
             QStringLiteral("号"), QStringLiteral("階") })
        if (at >= end.size() && QStringView(text).mid(at - end.size(), end.size()) == end)
            return true;
    const QChar last = text[at - 1];
    return (last == QLatin1Char('F') || last == QChar(0xFF26)) && at >= 2 && IsDigitOfEitherWidth(text[at - 2]);
}

bool IsKanji(QChar c)
{
    return (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) || (c.unicode() >= 0x3400 && c.unicode() <= 0x4DBF)
        || c.unicode() == 0x3005;
}

bool IsKana(QChar c)
{
    return (c.unicode() >= 0x3041 && c.unicode() <= 0x30FF) || IsHalfWidthKana(c);
}

// Where a word of kanji meets one of kana (a place name and a building's name); a
// single kana between kanji (丸の内, 霞が関, 三ノ輪) is part of the name, not a word.
bool IsScriptChange(const QString& text, qsizetype at)
{
    if (at <= 0 || at >= text.size() || !MayBreakAt(text, at))
        return false;
    const auto kanaRun = [&](qsizetype from, qsizetype step) {
        qsizetype n = 0;
        for (qsizetype i = from; i >= 0 && i < text.size() && IsKana(text[i]); i += step)
            ++n;
        return n;
    };
    return (IsKanji(text[at - 1]) && kanaRun(at, 1) >= 2) || (IsKanji(text[at]) && kanaRun(at - 1, -1) >= 2);
}

bool IsBlankBreak(const QString& text, qsizetype at)
{
    return at > 0 && at < text.size() && IsSpace(text[at]);
}

} // namespace

QStringList BreakIntoColumns(const QString& fontFile, const QRawFont& font, const QString& text,
    const QVector<double>& rooms, int maxColumns, double minSqueeze)
{
    QStringList columns;
    QString rest = text;
    auto lengthOf = [&](const QString& s) { return VerticalTextLayout(fontFile, font, s).length(); };
    auto roomOf
        = [&](int column) { return rooms.isEmpty() ? 0 : rooms[std::min<qsizetype>(column, rooms.size() - 1)]; };
    auto trimmed = [](QString s, bool front) {
        while (!s.isEmpty() && IsSpace(front ? s.front() : s.back())) {
            if (front)
                s.remove(0, 1);
            else
                s.chop(1);
        }
        return s;
    };
    for (int column = 0; !rest.isEmpty(); ++column) {
        const double room = roomOf(column);
        const double length = lengthOf(rest);
        if (column + 1 >= maxColumns || length <= room || room <= 0) {
            columns << rest;
            break;
        }
        // The longest beginning that fits: lengths grow with the characters taken.
        qsizetype low = 0, high = rest.size();
        while (low < high) {
            const qsizetype mid = (low + high + 1) / 2;
            if (lengthOf(rest.left(mid)) <= room)
                low = mid;
            else
                high = mid - 1;
        }
        const qsizetype fits = low;
        // A break a reader expects beats condensing: after a part of the address, then
        // at a blank, then where kanji and kana meet; in the second half of what fits,
        // and only where what follows fits the next column (or more columns follow).
        const bool moreAfterNext = column + 2 < maxColumns;
        const double nextRoom = roomOf(column + 1);
        qsizetype at = -1;
        for (const auto& isBreak : { IsNaturalEnd, IsBlankBreak, IsScriptChange }) {
            for (qsizetype p = fits; p >= std::max<qsizetype>(1, fits / 2) && at < 0; --p)
                if (isBreak(rest, p)
                    && (moreAfterNext || lengthOf(trimmed(rest.mid(p), true)) * minSqueeze <= nextRoom))
                    at = p;
            if (at >= 0)
                break;
        }
        // Without one the line is condensed, as far as it may be.
        if (at < 0 && length * minSqueeze <= room) {
            columns << rest;
            break;
        }
        for (qsizetype p = fits; p >= 1 && at < 0; --p)
            if (MayBreakAt(rest, p))
                at = p;
        if (at <= 0)
            at = std::max<qsizetype>(fits, 1);
        columns << trimmed(rest.left(at), false);
        rest = trimmed(rest.mid(at), true);
    }
    return columns;
}

QVector<quint32> VerticalTextLayout::uprightGlyphs() const
{
    QVector<quint32> all;
    for (const Run& run : runs_)
        if (!run.sideBySide)
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
    bool runHalf = !codes.isEmpty() && IsHalfWidth(codes.front());
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
        const bool half = IsHalfWidth(c);
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
