#pragma once
// One line of text set top to bottom as a Japanese reader expects it: every character
// upright in the font's vertical forms (shaped by HarfBuzz in the top-to-bottom
// direction: ー, brackets, 、。 and small kana take their vertical glyphs). Half-width
// katakana are set as their full-width forms, Latin letters and signs upright as full-
// width ones, a number of two digits side by side in one em (縦中横) and other digits
// one under the other.

#include <QGlyphRun>
#include <QRawFont>
#include <QString>
#include <QVector>

class QPainter;

namespace nrt::print {

// A glyph set narrower than its own width, drawn apart from its run.
struct CondensedGlyph {
    quint32 glyph = 0;
    QPointF position; // of its origin, relative to the run's
    double xScale = 1.0;
};

class VerticalTextLayout {
public:
    // `fontFile` is the file `font` was loaded from; HarfBuzz reads its tables there.
    VerticalTextLayout(const QString& fontFile, const QRawFont& font, const QString& text);

    // Length of the column from its top to the end of the last character, in pixels.
    double length() const { return length_; }
    // Width of the column: the font's cell height (ascent + descent), in pixels.
    double thickness() const { return thickness_; }

    // Draws the column with the top of its right edge at `rightTop`. `squeeze` (0 < s ≤ 1)
    // condenses the column along its direction only.
    void draw(QPainter& painter, QPointF rightTop, double squeeze = 1.0) const;

    // The glyphs of the upright runs (for tests: vertical forms differ from horizontal).
    QVector<quint32> uprightGlyphs() const;

private:
    struct Run {
        bool sideBySide = false; // two digits in one em
        double start = 0; // distance down the column where the run begins
        QPointF origin; // of the glyph positions, from (column's right edge, start)
        QGlyphRun glyphs; // positions relative to `origin`
        QVector<CondensedGlyph> condensed;
    };
    QVector<Run> runs_;
    double length_ = 0;
    double thickness_ = 0;
    double ascent_ = 0;
};

// One line of text set left to right, as the horizontal face sets it: the code page's
// single-byte characters in their half-width forms, so they take half an em.
class HorizontalTextLayout {
public:
    HorizontalTextLayout(const QString& fontFile, const QRawFont& font, const QString& text);

    // Advance of the whole line, in pixels.
    double length() const { return length_; }
    // Height of the character cell (ascent + descent), in pixels.
    double thickness() const { return thickness_; }

    // Draws the line with the top-left of its first character cell at `leftTop`;
    // `squeeze` (0 < s ≤ 1) condenses it along the line only.
    void draw(QPainter& painter, QPointF leftTop, double squeeze = 1.0) const;

private:
    QGlyphRun glyphs_;
    QVector<CondensedGlyph> condensed_;
    double length_ = 0;
    double thickness_ = 0;
    double ascent_ = 0;
};

// Horizontal glyph indexes HarfBuzz gives for `text` (left to right), for comparison.
QVector<quint32> HorizontalGlyphs(const QString& fontFile, const QRawFont& font, const QString& text);

// True for the single-byte characters of code page 932 (ASCII and half-width katakana),
// which horizontal text sets in half-width cells.
bool IsHalfWidth(char32_t c);

// The characters a vertical column shows for `text`: half-width katakana as full-width
// ones (ｶﾞ as ガ), ASCII letters, signs and the space as their full-width forms, digits
// (of either width) as full-width digits except in a number of exactly two digits, which
// becomes ASCII and is set side by side.
QString VerticalForms(const QString& text);

// `text` cut into columns for the rooms `rooms` (pixels down the column; the last one
// stands for every further column), at most `maxColumns` of them. A column takes the
// rest of the text when it fits or is the last one allowed. Otherwise it breaks where a
// reader expects it, in the second half of what fits: after 丁目, 番地, 番, 号, 階 or a
// floor's F, else at a blank, else where kanji and kana meet; without such a place the
// rest is condensed to no less than `minSqueeze`, and failing that it breaks before the
// room runs out (never inside a number, before a voicing mark or before a character
// that may not begin a line, 々 among them). Spaces at a break are dropped.
QStringList BreakIntoColumns(const QString& fontFile, const QRawFont& font, const QString& text,
    const QVector<double>& rooms, int maxColumns, double minSqueeze);

} // namespace nrt::print
