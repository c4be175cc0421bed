// CSV files come from anywhere: whatever they hold, reading gives a code and cells that
// are NUL-terminated texts inside the reader's memory, and the same cells as reading
// the bytes one at a time by the rules (CsvModel.h) would give, whichever
// instructions the reader goes through them with.
#include "db/CsvReader.h"

#include "../db/CsvModel.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Every way through the bytes that this processor can run gives the same.
    for (int way = 0; way < 2 * nrt::csv_testing::SplitterCount(); ++way) {
        const int header = way % 2;
        nrt::csv_testing::UseSplitter(way / 2);
        nrt::CsvReader csv;
        const nrt::CsvReader::Result code = csv.ParseCsv(bytes, header);
        const auto expected = nrt::test::CsvModelRows(bytes, header);
        if ((code == nrt::CsvReader::Result::kOk) != !expected.empty()
            || (code != nrt::CsvReader::Result::kOk && code != nrt::CsvReader::Result::kErrNoData))
            std::abort();
        if (code != nrt::CsvReader::Result::kOk)
            continue;
        std::vector<std::vector<std::string>> got(1);
        for (int c = 0; c < csv.GetColumnCount(); ++c)
            got[0].emplace_back(csv.GetHeader(c));
        for (int r = 0; r < csv.GetRowCount(); ++r) {
            got.emplace_back();
            for (int c = 0; c < csv.GetColumnCount(); ++c)
                got.back().emplace_back(csv.GetCell(r, c));
        }
        if (got != expected)
            std::abort();
    }
    return 0;
}
