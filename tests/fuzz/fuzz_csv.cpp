// CSV files come from anywhere: whatever they hold, reading gives a code and cells that
// are NUL-terminated texts inside the reader's memory, and the same cells as reading
// the bytes one at a time by the rules (written out here plainly) would give, whichever
// instructions the reader goes through them with.
#include "db/Cmycsv.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& line, std::size_t columns)
{
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                cell += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                cell += line[i++];
            else
                quoted = false;
        } else if (c == ',') {
            cells.push_back(cell);
            cell.clear();
            if (cells.size() == columns)
                break;
        } else if (c == '"') {
            quoted = true;
        } else {
            cell += c;
        }
    }
    if (cells.size() < columns)
        cells.push_back(cell);
    cells.resize(columns);
    for (auto& s : cells)
        s.resize(std::min(s.size(), s.find('\0')));
    return cells;
}

// The rows (header first) that the rules give, or nothing when there is no data line.
std::vector<std::vector<std::string>> Model(std::string_view bytes, int header)
{
    const bool crEnded = bytes.find('\r') != std::string_view::npos;
    std::vector<std::string> lines;
    if (!header)
        lines.emplace_back();
    std::string line;
    for (char c : bytes) {
        if (c == (crEnded ? '\r' : '\n')) {
            lines.push_back(line);
            line.clear();
        } else if (c != '\n') {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    if (lines.size() <= 1)
        return {};
    const std::string& counted = lines[0].empty() ? lines[1] : lines[0];
    const std::size_t columns = 1 + static_cast<std::size_t>(std::count(counted.begin(), counted.end(), ','));
    if (lines[0].empty()) {
        lines[0] = "FIELD1";
        for (std::size_t c = 2; c <= columns; ++c)
            lines[0] += ",FIELD" + std::to_string(c);
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& l : lines)
        rows.push_back(Split(l, columns));
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Every way through the bytes that this processor can run gives the same.
    for (int way = 0; way < 2 * nrt::csv_testing::SplitterCount(); ++way) {
        const int header = way % 2;
        nrt::csv_testing::UseSplitter(way / 2);
        nrt::CMyCSV csv;
        const int code = csv.ParseCsv(bytes, header);
        const auto expected = Model(bytes, header);
        if ((code == 0) != !expected.empty() || (code != 0 && code != 2))
            std::abort();
        if (code != 0)
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
