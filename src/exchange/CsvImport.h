#pragma once
// CSV import: address records from a CSV file whose first line names the fields. The
// whole file is checked before anything is written (every header name a field, every
// value within its field, dates valid, category names acceptable), so a refused file
// leaves the table and the category lists as they were. Every imported record is an
// addressee marked for printing unless the file says otherwise.

#include "db/CsvReader.h"
#include "exchange/CsvColumnMap.h"
#include "exchange/RecordImport.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AddressTable;
class AppSettings;

class CsvImport {
public:
    // Results of Run; each refusal has shown its message.
    enum class Result : int {
        kImported = 0,
        kNoFileName = 1, // the window puts the focus on the file name
        kFileMissing = 2,
        kDeclined = 3,
        kHeaderRefused = 4,
        kReadFailed = 5,
        kRowRefused = static_cast<int>(RecordImport::Result::kRowRefused),
        kCategorySaveFailed = static_cast<int>(RecordImport::Result::kCategorySaveFailed),
        kTableSaveFailed
        = static_cast<int>(RecordImport::Result::kTableSaveFailed), // the imported records were taken back out
        kNothingImported = 9, // the file held no row with a value to import
    };

    // Header check codes (CheckHeader).
    enum class HeaderResult : int {
        kHeaderOk = 0,
        kHeaderCannotOpen = 1, // "ファイルオープンに失敗しました。"
        kHeaderEmpty = 2, // "データがありません。"
        kHeaderTooLong = 3, // "ヘッダサイズがオーバーしました。"
        kHeaderNotAField = 4, // "フィールド「%s」は対象外のデータです。"
        kHeaderNoName = 5, // "不正なヘッダー情報です。"
    };
    static constexpr std::size_t kHeaderProbeBytes = 1000;
    static constexpr std::size_t kHeaderNameLimit = 80;

    // What the window shows while the import runs.
    using Observer = RecordImport::Observer;

    CsvImport(AppSettings& settings, AddressTable& table)
        : settings_(settings)
        , table_(table)
    {
    }

    // A name without a folder lies in the documents folder; ".CSV" is added to a name
    // without an extension (an existing ".csv" file of the same name is taken then).
    std::string CompletePath(std::string_view typed) const;

    // The whole import of the file named `typed`: the checks, the question, the
    // check pass, the category lists, the records, the remembered file name and the
    // closing message.
    // With a mapping, the columns fill the fields it names (LoadMapped) instead.
    struct Mapping {
        bool hasHeader = true;
        std::vector<ColumnTarget> targets;
    };
    [[nodiscard]] Result Run(std::string_view typed, Observer* observer = nullptr, const Mapping* mapping = nullptr);

    // The import proper of a file: the header check, the reading, the check pass, the
    // category lists and the records. Run adds the file name's checks, the question,
    // the remembered name and the closing message.
    [[nodiscard]] Result Load(std::string_view path, Observer* observer = nullptr);

    // The import of another program's file: each column fills the field its target
    // names (CsvColumnMap), the first line being names or already data. No header
    // check, question or closing message.
    [[nodiscard]] Result LoadMapped(
        std::string_view path, bool hasHeader, const std::vector<ColumnTarget>& targets, Observer* observer = nullptr);

    // The first rows of a file for the mapping window, CP932: the column names
    // ("FIELD1" … without a header) and up to `rows` rows. CsvReader's codes.
    struct Preview {
        std::vector<std::string> headers;
        std::vector<std::vector<std::string>> rows;
    };
    [[nodiscard]] static CsvReader::Result ReadPreview(std::string_view path, bool hasHeader, int rows, Preview& out);

    // The completed file name of the last Run (for the window's file name field).
    const std::string& Path() const { return path_; }
    // Records added by the last Run or Load.
    int ImportedCount() const { return imported_; }
    // Of the last Load: rows without any value, which were skipped; cells whose line
    // breaks became full-width spaces; whether the file was UTF-8.
    int BlankRows() const { return blankRows_; }
    int LineBreakCells() const { return lineBreakCells_; }
    // Of the last LoadMapped: values cut to their field's width, dates that could not be
    // read and were left empty, and the names of the columns with values that no field
    // took.
    int CutValues() const { return cutValues_; }
    int DroppedDates() const { return droppedDates_; }
    int DefaultHonorifics() const { return defaultHonorifics_; }
    const std::vector<std::string>& UnplacedColumns() const { return unplaced_; }
    bool WasUtf8() const { return utf8_; }
    // "正常にインポートされました。" and the number of records (another text when there
    // were none), with what the import changed or left out.
    std::string ClosingMessage() const;

    // The header check on the first 1000 bytes of `bytes` against the table's field
    // names; `name` receives the name a HeaderResult::kHeaderNotAField is about. No message.
    [[nodiscard]] static HeaderResult ScanHeader(std::string_view bytes, const AddressTable& table, std::string& name);
    // ScanHeader on the file (UTF-8 read as CP932), without a message; `name` as there.
    [[nodiscard]] HeaderResult ProbeHeader(std::string_view path, std::string& name) const;
    // ProbeHeader with its message.
    [[nodiscard]] HeaderResult CheckHeader(std::string_view path) const;

private:
    // Reads the file and imports its rows, by header names or through `targets`.
    [[nodiscard]] Result Read(
        std::string_view path, bool hasHeader, const std::vector<ColumnTarget>* targets, Observer& watch);

    AppSettings& settings_;
    AddressTable& table_;
    std::string path_;
    int imported_ = 0;
    int blankRows_ = 0;
    int lineBreakCells_ = 0;
    int cutValues_ = 0;
    int droppedDates_ = 0;
    int defaultHonorifics_ = 0;
    std::vector<std::string> unplaced_;
    bool utf8_ = false;
};

} // namespace nrt
