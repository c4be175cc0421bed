// CSV files come from anywhere: whatever they hold, reading gives a code and cells that
// are NUL-terminated texts inside the reader's memory.
#include "db/Cmycsv.h"

#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::size_t total = 0;
    for (int header = 0; header < 2; ++header) {
        nrt::CMyCSV csv;
        if (csv.ParseCsv(bytes, header) != 0)
            continue;
        for (int c = 0; c < csv.GetColumnCount(); ++c)
            total += std::strlen(csv.GetHeader(c));
        for (int r = 0; r < csv.GetRowCount(); ++r)
            for (int c = 0; c < csv.GetColumnCount(); ++c)
                total += std::strlen(csv.GetCell(r, c));
    }
    return total == static_cast<std::size_t>(-1);
}
