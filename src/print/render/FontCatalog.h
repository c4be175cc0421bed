#pragma once
// Face names as the layouts store them ("ＭＳ ゴシック", "@ＭＳ 明朝" …) mapped to the
// installed Japanese font files. A leading "@" asks for vertical writing.

#include <QRawFont>
#include <QString>

namespace nrt::print {

struct FaceChoice {
    QString file; // font file to draw with
    bool vertical = false; // the face name began with "@"
};

class FontCatalog {
public:
    // The font file for a stored face name; Gothic unless the name asks for a Mincho
    // (明朝 / Mincho / serif) face.
    static FaceChoice Resolve(const QString& faceName);
    // The font at a pixel size of its em square.
    static QRawFont Load(const QString& file, double emPixels);
    // The same, kept for the next call: the file is read once and each size made
    // once (printing asks for the same few sizes on every page). The font is drawn
    // from TextFile(file), so that a PDF names the characters it shows.
    static QRawFont Cached(const QString& file, double emPixels);
    // The same from VerticalTextFile(file), for the glyphs of upright vertical runs.
    static QRawFont CachedVertical(const QString& file, double emPixels);

    // A PDF writer names each glyph by the first character the font's character map
    // leads to it from; the Japanese fonts map the Kangxi radicals (⼭, ⼀) to the
    // glyphs of the ideographs (山, 一), and vertical forms from no character at all,
    // so copied or searched text came out wrong or not at all. These are copies of
    // `file` under a name of their own, in the user's cache folder, with the same
    // glyphs and a character map without the radical blocks; the vertical one maps
    // each character with a vertical form (ー, 「, ゃ …) to that form. The file itself
    // when a copy cannot be made.
    static QString TextFile(const QString& file);
    static QString VerticalTextFile(const QString& file);
    // Height of the character cell (ascent + descent) per pixel of em.
    static double CellPerEm(const QString& file);
    // Gothic and Mincho files; empty when not installed.
    static QString GothicFile();
    static QString MinchoFile();
};

} // namespace nrt::print
