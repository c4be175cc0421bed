#pragma once
// Reads a comma-separated file into a header of column names and rows of cells. The
// file is read whole and cut in place: a cell is a NUL-terminated text inside the
// file's own bytes, so loading makes no copy per line or per cell.

#include "platform/LargeMemory.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

namespace platform {
class ArrivingFile;
}

class CsvReader {
public:
    // Codes of loading a file.
    enum class Result : int {
        kOk = 0,
        kErrOpen = 1,
        kErrNoData = 2,
        kErrMemory = 3,
        kErrEncoding = 4, // UTF-8 with a character CP932 does not have
    };

    // Which parts of a file are UTF-8, judged from its first bytes: the header line and
    // the lines after it apart, as a file may have been put together from two programs.
    struct Encodings {
        bool header = false;
        bool data = false;
    };
    static Encodings DetectEncodings(std::string_view probe, int header);

    CsvReader() = default;
    ~CsvReader() = default;
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // header: 1 when the first line names the columns, 0 when the columns are to be
    // called FIELD1, FIELD2, ...
    [[nodiscard]] Result LoadCsv(std::string_view path, int header);
    // The same on bytes in memory.
    [[nodiscard]] Result ParseCsv(std::string_view bytes, int header);
    void Clear();

    // After Result::kErrEncoding: the data row (-1: the header) and the column of the first cell
    // that CP932 cannot hold.
    int BadRow() const { return badRow_; }
    int BadColumn() const { return badColumn_; }
    // Its file line and its column's header name (CP932).
    int BadLine() const { return badLine_; }
    const std::string& BadHeader() const { return badHeader_; }
    // The last load converted UTF-8 to CP932 (the cells are CP932 in any case).
    bool WasUtf8() const { return utf8_; }

    // The file line (from 1) data row r begins on: r + 2 after a header, unless cells
    // with line breaks made rows longer than one line.
    int FileLine(int r) const;
    // Cells whose line breaks (inside quotes) became one full-width space each.
    int LineBreakCells() const { return lineBreakCells_; }

    int GetColumnCount() const { return static_cast<int>(headerCells_.size()); }
    int GetRowCount() const { return rowStart_.empty() ? 0 : static_cast<int>(rowStart_.size()) - 1; }
    // nullptr when c is out of range.
    const char* GetHeader(int c) const;
    // r counts data rows from 0; nullptr when r or c is out of range. A cell the line
    // did not reach is an empty text.
    const char* GetCell(int r, int c) const;

private:
    // Not a result of the class: the bytes of a feed could not be read.
    static constexpr Result kReadFailed = static_cast<Result>(-1);
    // Not a result either: a line break inside quotes was met, the bytes are to be read
    // again with ParseJoined.
    static constexpr Result kNeedsJoin = static_cast<Result>(-2);
    // Cuts the bytes (size of them and a NUL) in place; the caller keeps them as
    // buffer_ when this gives Result::kOk. With a feed the bytes are awaited as they arrive.
    [[nodiscard]] Result Parse(
        char* bytes, std::size_t size, int header, platform::ArrivingFile* feed, bool mayJoin = true);
    // The file's bytes (untouched) with every line break inside a quoted cell made one
    // full-width space, then cut.
    [[nodiscard]] Result ParseJoined(std::string_view bytes, int header);

    platform::LargeArray<char> buffer_; // the file's bytes and one NUL after them
    std::string header_; // the header line, cut into its cells
    std::vector<std::uint32_t> headerCells_;
    platform::LargeArray<std::uint32_t> cells_; // offsets into buffer_, row after row
    std::vector<std::uint32_t> rowStart_; // each row's first entry in cells_, then the end
    std::vector<std::uint32_t> lineOf_; // file line of each line read, when cells held line breaks
    int lineBreakCells_ = 0;
    int badRow_ = -1, badColumn_ = -1, badLine_ = 0;
    std::string badHeader_;
    bool hasHeader_ = true;
    bool utf8_ = false;

    [[nodiscard]] Result LoadUtf8(std::string_view path, int header, Encodings encodings);
};

namespace csv_testing {
// The reader goes through the bytes with the widest instructions the processor has; it
// can do so in SplitterCount() ways, 0 being the plainest. UseSplitter(i) makes later
// loads go way i, -1 the widest way again.
int SplitterCount();
void UseSplitter(int which);
} // namespace csv_testing

} // namespace nrt
