#include "print/PaperSize.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace nrt {
namespace {

constexpr double kToleranceMm = 1.0;
constexpr double kMmPerPoint = 25.4 / 72.0;

std::string Decimal(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

struct Box {
    std::size_t begin = 0; // of "/MediaBox"
    std::size_t end = 0; // one past its "]"
};

// The media boxes as the PDF writer spells them: "/MediaBox [0 0 W H]", W and H whole
// numbers or decimals.
bool FindBoxes(const std::string& pdf, std::vector<Box>& boxes)
{
    static constexpr std::string_view kKey = "/MediaBox [";
    for (std::size_t at = pdf.find(kKey); at != std::string::npos; at = pdf.find(kKey, at + 1)) {
        const std::size_t close = pdf.find(']', at);
        if (close == std::string::npos || close - at > 80)
            return false;
        boxes.push_back({ at, close + 1 });
    }
    return !boxes.empty();
}

// Two sizes this close count as the same.
constexpr double kSameDistanceMm = 0.05;

bool IsHagaki(std::string_view key)
{
    for (std::size_t i = 0; i + 6 <= key.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < 6 && same; ++k)
            same = std::tolower(static_cast<unsigned char>(key[i + k])) == "hagaki"[k];
        if (same)
            return true;
    }
    return false;
}

} // namespace

std::vector<MediaSize> PpdPaperSizes(std::string_view ppd)
{
    static constexpr std::string_view kKey = "*PaperDimension ";
    std::vector<MediaSize> sizes;
    for (std::size_t at = 0; at < ppd.size();) {
        std::size_t end = ppd.find('\n', at);
        if (end == std::string_view::npos)
            end = ppd.size();
        const std::string_view line = ppd.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with(kKey))
            continue;
        const std::string_view rest = line.substr(kKey.size());
        const std::size_t name = rest.find_first_of("/:");
        const std::size_t quote = rest.find('"');
        if (name == std::string_view::npos || name == 0 || quote == std::string_view::npos)
            continue;
        double w = 0, h = 0;
        if (std::sscanf(std::string(rest.substr(quote + 1)).c_str(), "%lf %lf", &w, &h) != 2 || w <= 0 || h <= 0)
            continue;
        sizes.push_back({ std::string(rest.substr(0, name)), w, h });
    }
    return sizes;
}

int MatchMedia(std::int32_t width, std::int32_t height, const std::vector<MediaSize>& media)
{
    const double w = width / 100.0, h = height / 100.0;
    int best = -1;
    double bestDistance = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i < media.size(); ++i) {
        const double dw = std::abs(media[i].widthPt * kMmPerPoint - w);
        const double dh = std::abs(media[i].heightPt * kMmPerPoint - h);
        if (dw > kToleranceMm || dh > kToleranceMm)
            continue;
        const bool closer = dw + dh < bestDistance - kSameDistanceMm;
        const bool asClose = !closer && dw + dh <= bestDistance + kSameDistanceMm;
        if (closer || (asClose && IsHagaki(media[i].key) && !IsHagaki(media[static_cast<std::size_t>(best)].key))) {
            bestDistance = std::min(bestDistance, dw + dh);
            best = static_cast<int>(i);
        }
    }
    return best;
}

bool SetPdfPageSize(std::string& pdf, double widthPt, double heightPt)
{
    std::vector<Box> boxes;
    if (!FindBoxes(pdf, boxes))
        return false;
    const std::size_t xref = pdf.rfind("\nxref\n");
    const std::size_t startxref = pdf.rfind("startxref\n");
    if (xref == std::string::npos || startxref == std::string::npos || startxref < xref || boxes.back().end > xref)
        return false;
    // The writer places the content from the top of its whole-point page: the top
    // edge stays where it is and the bottom edge moves, so nothing on the card shifts.
    std::vector<std::string> replaced;
    for (const Box& b : boxes) {
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (std::sscanf(pdf.c_str() + b.begin, "/MediaBox [%lf %lf %lf %lf]", &x0, &y0, &x1, &y1) != 4 || x0 != 0
            || y0 != 0 || x1 <= 0 || y1 <= 0)
            return false;
        replaced.push_back("/MediaBox [0 " + Decimal(y1 - heightPt) + " " + Decimal(widthPt) + " " + Decimal(y1) + "]");
    }

    // The table: "xref\n0 N\n" then N entries of 20 bytes, "oooooooooo ggggg n\r\n" or
    // with " \n" at the end.
    std::size_t line = xref + 6;
    const std::size_t headerEnd = pdf.find('\n', line);
    if (headerEnd == std::string::npos)
        return false;
    unsigned first = 0, count = 0;
    if (std::sscanf(pdf.c_str() + line, "%u %u", &first, &count) != 2 || first != 0)
        return false;
    const std::size_t entries = headerEnd + 1;
    if (entries + 20 * static_cast<std::size_t>(count) > startxref)
        return false;

    // Offsets move by the growth of every box that lies before them.
    std::vector<long> growthBefore; // per box: total growth of the boxes before it and itself
    long growth = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        growth += static_cast<long>(replaced[i].size()) - static_cast<long>(boxes[i].end - boxes[i].begin);
        growthBefore.push_back(growth);
    }
    auto moved = [&](std::size_t offset) {
        long shift = 0;
        for (std::size_t i = 0; i < boxes.size() && boxes[i].begin < offset; ++i)
            shift = growthBefore[i];
        return static_cast<long>(offset) + shift;
    };

    std::string out;
    out.reserve(pdf.size() + static_cast<std::size_t>(std::max(growth, 0L)));
    std::size_t copied = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        out.append(pdf, copied, boxes[i].begin - copied);
        out += replaced[i];
        copied = boxes[i].end;
    }
    out.append(pdf, copied, entries - copied);
    for (unsigned i = 0; i < count; ++i) {
        std::string entry = pdf.substr(entries + 20 * i, 20);
        if (entry.size() != 20 || entry[10] != ' ' || entry[16] != ' ')
            return false;
        if (entry[17] == 'n') {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%010ld", moved(std::strtoul(entry.c_str(), nullptr, 10)));
            entry.replace(0, 10, digits);
        }
        out += entry;
    }
    const std::size_t tableEnd = entries + 20 * static_cast<std::size_t>(count);
    out.append(pdf, tableEnd, startxref + 10 - tableEnd);
    const std::size_t numberEnd = pdf.find('\n', startxref + 10);
    if (numberEnd == std::string::npos)
        return false;
    out += std::to_string(moved(std::strtoul(pdf.c_str() + startxref + 10, nullptr, 10)));
    out.append(pdf, numberEnd, std::string::npos);
    pdf = std::move(out);
    return true;
}

} // namespace nrt
