#pragma once
// The part of every import that writes records: rows of values bound for table fields
// (from a CSV file or from vCards) are checked whole before anything is written (every
// value within its field, dates valid, category names acceptable), then added as
// addressees marked for printing unless a value says otherwise, then saved, then the
// category lists gain the new names. A refused file leaves the table and the lists as
// they were.

#include <string>
#include <string_view>

namespace nrt {

class AddressTable;
class AppSettings;

// Rows of values, each column bound to one field of the table (-1: none, which the
// check refuses with "該当のフィールド名は存在しません。").
class ImportRows {
public:
    virtual ~ImportRows() = default;
    virtual int ColumnCount() const = 0;
    // The column's name as messages quote it (a header cell, a field name).
    virtual std::string_view ColumnName(int c) const = 0;
    virtual int ColumnField(int c) const = 0;
    virtual int RowCount() const = 0;
    virtual std::string_view Cell(int r, int c) const = 0;
    // Where row r begins in its file, as messages count lines (from 1).
    virtual int FileLine(int r) const = 0;
};

// The question before an import: which file, how many addressees (when `count` is not
// negative) and which address book they go into, then "データを取り込みます。よろしいですか？".
// True on Yes.
bool AskImport(const AppSettings& settings, std::string_view path, int count);

class RecordImport {
public:
    // Results of Run; each refusal has shown its message.
    enum class Result : int {
        kImported = 0,
        kRowRefused = 6,
        kCategorySaveFailed = 7,
        kTableSaveFailed = 8, // the imported records were taken back out
    };
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

    RecordImport(AppSettings& settings, AddressTable& table)
        : settings_(settings)
        , table_(table)
    {
    }

    // Called with the wait cursor already on (Busy(true)); turns it off before any
    // message and at the end.
    [[nodiscard]] Result Run(const ImportRows& rows, Observer& watch);

    int ImportedCount() const { return imported_; }
    // Rows without any value, which were skipped.
    int BlankRows() const { return blankRows_; }

    // "取り込みに失敗しました。 %d行目：[%s]" and the reason.
    static std::string RowMessage(int line, std::string_view column, std::string_view reason);

private:
    AppSettings& settings_;
    AddressTable& table_;
    int imported_ = 0;
    int blankRows_ = 0;
};

} // namespace nrt
