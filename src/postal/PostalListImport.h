#pragma once
// The national postal-code list as the import reads it: CR-ended lines (LF-ended in a
// list without CR) split at every comma (double quotes dropped), seven columns kept per
// line, then sorted by the prefecture, city and town readings. A list in UTF-8 is read as CP932. A town name the
// list splits over several lines (an opened "（" closed on a later line of the same
// code) is joined into one record, and the placeholder "以下に掲載がない場合" becomes an
// empty town.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

// The columns kept of each line, in record order.
enum PostalColumn : int {
    kPC_Code = 0, // list column 2: 7 digits
    kPC_PrefReading = 1, // list column 3 (half-width katakana)
    kPC_CityReading = 2, // 4
    kPC_TownReading = 3, // 5
    kPC_PrefName = 4, // 6
    kPC_CityName = 5, // 7
    kPC_TownName = 6, // 8
    kPostalColumns = 7,
};

// Why reading stopped before the end of the list, when it refused the list.
enum class PostalListRefusal {
    None,
    BadFirstCode, // the first record's code is not 7 digits: not a postal-code list
    TooManyRecords, // more records than the dictionary holds
    CutShort, // an empty line or one over 511 bytes before the end of the file
    NotConvertible, // a UTF-8 line with a character CP932 does not have
};

// Why the line a refusal names ends the list before the end of the file.
enum class PostalLineFault {
    None,
    Empty, // an empty line with more of the list after it
    TooLong, // over 511 bytes
    Unended, // the last line has no CR: the file was cut off
    NotConvertible, // UTF-8 with a character CP932 does not have
};

// What the reader met on the way; the import reports nothing of it, but the command line
// and tests do.
struct PostalListStats {
    int shortLines = 0; // lines without all seven kept columns: skipped
    int badCodes = 0; // later records whose code is not 7 digits: skipped
    int cutColumns = 0; // kept columns cut to 254 bytes
    bool endedEarly = false; // an empty line ended the list
    int refusedLine = 0; // the line (from 1) a CutShort or NotConvertible refusal names
    PostalLineFault lineFault = PostalLineFault::None; // what is wrong with that line
    int joinedLines = 0; // continuation lines joined to the town before them
    bool utf8 = false; // the list was read as UTF-8
};

class PostalListImport {
public:
    static constexpr std::size_t kMaxLineBytes = 511;
    static constexpr std::size_t kMaxColumnBytes = 254;
    static constexpr int kMaxRecords = 150000;

    explicit PostalListImport(int maxRecords = kMaxRecords);
    PostalListImport(const PostalListImport&) = delete;
    PostalListImport& operator=(const PostalListImport&) = delete;

    void Clear();

    // Takes the next bytes of the list. False once reading has ended at a refusal. An
    // empty line ends the list: only empty lines may follow it; a line over 511 bytes
    // refuses the list. A last line without CR is never used.
    bool Feed(std::string_view bytes);
    // The whole list from memory (Clear, then Feed).
    void Parse(std::string_view bytes);
    // The list from a file, read piece by piece; `progress` gets the bytes read so far
    // and the file's size. False when the file cannot be opened or read.
    bool Read(std::string_view path, const std::function<void(std::uint64_t, std::uint64_t)>& progress = {});

    PostalListRefusal Refusal() const { return refusal_; }
    const PostalListStats& Stats() const { return stats_; }
    int Count() const { return static_cast<int>(records_.size()); }
    // Column of record i (in sorted order after Sort); i and column must be in range.
    std::string_view Column(int i, int column) const;

    // Sorts by prefecture reading, city reading and town reading, each compared with
    // lstrcmpiA; equal records end in the order the dictionary's sort procedure gives.
    void Sort();
    // The sort with the literal O(n^2) insertion pass, for checking Sort on small lists.
    void SortLiterally();

    // Compares records i and j by their three readings.
    int CompareReadings(int i, int j) const;

private:
    struct Record {
        std::uint32_t start = 0; // first byte in text_
        std::array<std::uint16_t, kPostalColumns> end {}; // column ends, relative to start
        std::uint16_t keyLength = 0;
        std::uint32_t keyStart = 0; // sort key in keys_
    };

    void TakeLine(std::string_view line);
    void Refuse(PostalListRefusal why, PostalLineFault fault, int line);
    void Finish();
    void AddLine(std::string_view line);
    void AddRecord(const std::array<std::string_view, kPostalColumns>& columns);
    bool JoinsOpenTown(const std::array<std::string_view, kPostalColumns>& columns) const;
    int Compare(const Record& a, const Record& b) const;
    void BuildKeys();
    std::string_view KeyOf(const Record& r) const { return std::string_view(keys_.data() + r.keyStart, r.keyLength); }
    std::string_view ColumnOf(const Record& r, int column) const;

    int maxRecords_;
    std::string text_;
    std::string keys_;
    std::vector<Record> records_;
    std::string line_;
    bool ended_ = false;
    bool started_ = false; // the first bytes were looked at for UTF-8
    bool utf8_ = false;
    char lineEnd_ = '\r'; // LF in a list whose lines end without CR
    int lineNumber_ = 0; // lines taken so far
    int emptyLine_ = 0; // the first empty line, once one was met
    bool openTown_ = false; // the last record's town name has a "（" not yet closed
    std::string joinedTown_, joinedReading_; // that town as read so far, uncut
    std::string scratch_; // the kept columns of the line being read
    PostalListRefusal refusal_ = PostalListRefusal::None;
    PostalListStats stats_;
};

// True for exactly seven ASCII digits.
bool IsPostalCode7(std::string_view code);

// A town name of the list as it belongs in an address: without its remark in
// parentheses ("協和（８８－２、…）" gives "協和"); a remark left open runs to the end.
std::string TownWithoutRemark(std::string_view town);
// The same for a reading, whose remarks stand in half-width parentheses.
std::string ReadingWithoutRemark(std::string_view reading);

} // namespace nrt
