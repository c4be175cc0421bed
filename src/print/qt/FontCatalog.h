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
    // once (printing asks for the same few sizes on every page).
    static QRawFont Cached(const QString& file, double emPixels);
    // Height of the character cell (ascent + descent) per pixel of em.
    static double CellPerEm(const QString& file);
    // Gothic and Mincho files; empty when not installed.
    static QString GothicFile();
    static QString MinchoFile();
};

} // namespace nrt::print
