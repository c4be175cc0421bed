#pragma once
// The CSV reading rules one byte at a time, written out plainly: the model the reader
// is held to by its tests and its fuzz target.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nrt::test {

// One finished line cut into `columns` cells: quotes open and close anywhere, a doubled
// quote inside quotes is one quote, cells past the last column are dropped, missing
// ones are empty, and a cell is read up to its first NUL.
inline std::vector<std::string> CsvModelSplit(const std::string& line, std::size_t columns)
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

// The lines of the file. CR ends a line and LF is dropped (LF ends the line in a file
// without CR). With `join`, a line break (CR LF, CR or LF) inside a cell that begins
// with a quote (LF bytes aside) and is still quoted is one full-width space instead; a
// quote so opened that never closes leaves the file read without joining.
inline std::vector<std::string> CsvModelLines(std::string_view bytes, bool join)
{
    const bool crEnded = bytes.find('\r') != std::string_view::npos;
    std::vector<std::string> lines;
    std::string line;
    bool quoted = false, cellQuoted = false, cellStart = true;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (join && quoted && cellQuoted && (c == '\r' || c == '\n')) {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            line += "\x81\x40";
            continue;
        }
        if (c == (crEnded ? '\r' : '\n')) {
            lines.push_back(line);
            line.clear();
            quoted = cellQuoted = false;
            cellStart = true;
            continue;
        }
        if (c == '\n')
            continue;
        if (c == '"') {
            cellQuoted = cellQuoted || cellStart;
            quoted = !quoted;
            cellStart = false;
        } else if (c == ',' && !quoted) {
            cellQuoted = false;
            cellStart = true;
        } else {
            cellStart = false;
        }
        line += c;
    }
    if (join && quoted && cellQuoted)
        return CsvModelLines(bytes, false);
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// The rows, header first, that the rules give; nothing when there is no data line.
// Without a header the columns are FIELD1, FIELD2, ... counted on the first line.
inline std::vector<std::vector<std::string>> CsvModelRows(std::string_view bytes, int header)
{
    std::vector<std::string> lines;
    if (!header)
        lines.emplace_back();
    for (std::string& l : CsvModelLines(bytes, true))
        lines.push_back(std::move(l));
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
        rows.push_back(CsvModelSplit(l, columns));
    return rows;
}

} // namespace nrt::test
