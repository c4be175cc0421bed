// The layout file reader on arbitrary bytes, over the defaults of some kind. Whatever
// it takes in must be written out again, and that file must read back to the same bytes.
#include "print/LayoutFile.h"
#include "settings/LayoutDefaults.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nrt;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int kind = kFormKinds[size % kFormKinds.size()].kind;

    LayoutHeader header;
    LayoutTable items;
    ApplyDefaultLayout(kind, header, items);
    // Whatever was read, or only the defaults: both must hold together.
    static_cast<void>(ParseLayout(bytes, header, items));
    std::int64_t area = 0;
    for (const LayoutItem& item : items) {
        const TextItem::Rect r = item.object.FrameRect();
        area += static_cast<std::int64_t>(r.right) - r.left;
        TextItem copy = item.object;
        copy.SetFontHeight(copy.FontHeight());
        copy.SetVertical(!copy.IsVertical());
    }
    const std::string once = FormatLayout(header, items);

    LayoutHeader header2;
    LayoutTable items2;
    ApplyDefaultLayout(kFormPostcard, header2, items2);
    if (ParseLayout(once, header2, items2) != LayoutLoad::Read)
        std::abort();
    if (FormatLayout(header2, items2) != once)
        std::abort();
    return area == INT64_MIN;
}
