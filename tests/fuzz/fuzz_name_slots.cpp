// A layout file's joint-name and company slots (and every other) from anywhere: once
// loaded, the steps that set a name block with its joint names and company lines (a
// column or line further for each of three joint names, the type fitted down to a
// percentage, two company lines before the name, a label cell and its gap) stay within the
// 32-bit lengths they are drawn with, and the file writes and reads back the same.
#include "print/LayoutFile.h"
#include "settings/LayoutDefaults.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

namespace {

bool Fits(std::int64_t v)
{
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nrt;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LayoutHeader header;
    LayoutTable items;
    ApplyDefaultLayout(kFormKinds[size % kFormKinds.size()].kind, header, items);
    // Whatever was read, or only the defaults: both must hold together.
    static_cast<void>(ParseLayout(bytes, header, items));
    for (const LayoutItem& item : items) {
        const TextItem& o = item.object;
        const std::int64_t x = o.X(), y = o.Y(), w = o.Width(), h = o.Height(), f = o.FontHeight();
        const std::int64_t step = 4 * (2 * (w < 0 ? -w : w) + (h < 0 ? -h : h));
        if (!Fits(x - step) || !Fits(x + step) || !Fits(y - step) || !Fits(y + step) || !Fits(f * 100) || !Fits(w * 100)
            || !Fits(h * 100) || !Fits(4 * h + 2 * h * 80 / 100))
            std::abort();
    }
    // A label cell is its size and the gap after it, each within the paper's limits.
    if (!Fits(static_cast<std::int64_t>(header.paperWidth) + header.gapX)
        || !Fits(static_cast<std::int64_t>(header.paperHeight) + header.gapY))
        std::abort();
    const std::string once = FormatLayout(header, items);
    LayoutHeader again;
    LayoutTable read;
    ApplyDefaultLayout(kFormPostcard, again, read);
    if (ParseLayout(once, again, read) != LayoutLoad::Read || FormatLayout(again, read) != once)
        std::abort();
    return 0;
}
