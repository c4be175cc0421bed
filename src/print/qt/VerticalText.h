#pragma once
// One line of text set top to bottom as a vertical-writing face sets it: full-width
// characters upright in the font's vertical forms (shaped by HarfBuzz in the
// top-to-bottom direction: ー, brackets, 、。 and small kana take their vertical
// glyphs), half-width letters, digits and kana lying on their side, turned clockwise.

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
        bool rotated = false;
        double start = 0; // distance down the column where the run begins
        QGlyphRun glyphs; // positions relative to the run's own origin
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

// True for the characters a vertical face sets on their side: the single-byte ones of
// code page 932 (ASCII and half-width katakana).
bool LiesOnItsSide(char32_t c);

} // namespace nrt::print
