#include "db/LineList.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    nrt::LineList lines;
    (void)lines.ParseItems(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)lines.FormatItems();
    return 0;
}
