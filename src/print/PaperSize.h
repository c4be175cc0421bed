#pragma once
// The paper a job is printed on: which of a printer's own media sizes matches the
// form's paper, and the exact page size written into a PDF file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

struct MediaSize {
    std::string key; // the printer's name for it ("Postcard", "EnvChou3", "A4" …)
    double widthPt = 0; // portrait, 1/72 inch
    double heightPt = 0;
};

inline constexpr double kPointsPerHundredthMm = 72.0 / 2540.0;

// The media of `media` whose size matches `width` × `height` (0.01 mm, portrait) within
// a millimetre each way, the closest one when several do (of two as close, a "Hagaki"
// before another name, so a card is not printed on a shorter "Postcard"); -1 when none
// does, and the job then asks for a custom size.
int MatchMedia(std::int32_t width, std::int32_t height, const std::vector<MediaSize>& media);

// The paper sizes a driver description (PPD) lists, by its own keywords ("Hagaki"),
// from its "*PaperDimension" lines, in the order listed.
std::vector<MediaSize> PpdPaperSizes(std::string_view ppd);

// Gives every page's "/MediaBox [0 0 w h]" of a PDF written with whole-point page sizes
// the size `widthPt` × `heightPt` (two decimals), keeping its top-left corner, and moves
// the cross-reference table's offsets along. False, with `pdf` unchanged, when the file is not of that shape.
bool SetPdfPageSize(std::string& pdf, double widthPt, double heightPt);

} // namespace nrt
