#include "db/LineList.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    nrt::LineList lines;
    (void)lines.ParseText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (int i = 0; i < lines.GetCount(); ++i)
        lines.SetLine(i, lines.GetLine(i).substr(0, i % 7));
    (void)lines.FormatText();
    return 0;
}
