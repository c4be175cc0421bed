// The user's label sheet list on arbitrary bytes: whatever it takes in is written out
// again, and that file must read back to the same sheets.
#include "print/LabelSheets.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nrt;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<LabelSheet> sheets = ParseUserLabelSheets(bytes);
    const std::string once = FormatUserLabelSheets(sheets);
    if (ParseUserLabelSheets(once) != sheets)
        std::abort();
    return 0;
}
