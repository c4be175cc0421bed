#pragma once
// CSV import: address records from a CSV file whose first line names the fields. The
// whole file is checked before anything is written (every header name a field, every
// value within its field, dates valid, category names acceptable), so a refused file
// leaves the table and the category lists as they were. Every imported record is an
// addressee marked for printing unless the file says otherwise.

#include "db/LineList.h"

#include <cstddef>
#include <string>
#include <string_view>

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
        kRowRefused = 6,
        kCategorySaveFailed = 7,
        kTableSaveFailed = 8, // the imported records were taken back out
    };
    using enum Result;

    // Header check codes (CheckHeader).
    enum class HeaderResult : int {
        kHeaderOk = 0,
        kHeaderCannotOpen = 1, // "ファイルオープンに失敗しました。"
        kHeaderEmpty = 2, // "データがありません。"
        kHeaderTooLong = 3, // "ヘッダサイズがオーバーしました。"
        kHeaderNotAField = 4, // "フィールド「%s」は対象外のデータです。"
        kHeaderNoName = 5, // "不正なヘッダー情報です。"
    };
    using enum HeaderResult;
    static constexpr std::size_t kHeaderProbeBytes = 1000;
    static constexpr std::size_t kHeaderNameLimit = 80;
    static constexpr int kCategoryLimit = 64;

    // What the window shows while the import runs.
    class Observer {
    public:
        virtual ~Observer() = default;
        // The wait cursor, from after the question to the end.
        virtual void Busy(bool /*on*/) { }
        // `done` of `total` steps (two per data row: the check, then the import).
        virtual void Progress(long long /*done*/, long long /*total*/) { }
        // The category lists were written anew: tabs and choices are to be rebuilt.
        virtual void CategoriesChanged() { }
        // The records are in the table and are to be saved, before the category lists
        // and before anything says the import succeeded; false when saving failed (its
        // message shown), which takes the records back out and ends the import.
        virtual bool Commit() { return true; }
        // The records are in the table: the list is to be refreshed (before the
        // closing message).
        virtual void Imported() { }
    };

    CsvImport(AppSettings& global, AddressTable& table)
        : global_(global)
        , table_(table)
    {
    }

    // A name without a folder lies in the documents folder; ".CSV" is added to a name
    // without an extension (an existing ".csv" file of the same name is taken then).
    std::string CompletePath(std::string_view typed) const;

    // The whole import of the file named `typed`: the checks, the question, the
    // check pass, the category lists, the records, the remembered file name and the
    // closing message.
    [[nodiscard]] Result Run(std::string_view typed, Observer* observer = nullptr);

    // The import proper of a file: the header check, the reading, the check pass, the
    // category lists and the records. Run adds the file name's checks, the question,
    // the remembered name and the closing message.
    [[nodiscard]] Result Load(std::string_view path, Observer* observer = nullptr);

    // The completed file name of the last Run (for the window's file name field).
    const std::string& Path() const { return path_; }
    // Records added by the last Run or Load.
    int ImportedCount() const { return imported_; }
    // Of the last Load: rows without any value, which were skipped; cells whose line
    // breaks became full-width spaces; whether the file was UTF-8.
    int BlankRows() const { return blankRows_; }
    int LineBreakCells() const { return lineBreakCells_; }
    bool WasUtf8() const { return utf8_; }
    // "正常にインポートされました。" with what the import changed or left out.
    std::string ClosingMessage() const;

    // The header check on the first 1000 bytes of `bytes` against the table's field
    // names; `name` receives the name a kHeaderNotAField is about. No message.
    [[nodiscard]] static HeaderResult ScanHeader(std::string_view bytes, const AddressTable& table, std::string& name);
    // ScanHeader on the file, with its message.
    [[nodiscard]] HeaderResult CheckHeader(std::string_view path) const;

private:
    AppSettings& global_;
    AddressTable& table_;
    std::string path_;
    int imported_ = 0;
    int blankRows_ = 0;
    int lineBreakCells_ = 0;
    bool utf8_ = false;
};

} // namespace nrt
