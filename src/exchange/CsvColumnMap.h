#pragma once
// Which field each column of another program's CSV file fills. The headers of contacts
// exports (web address books, mail programs; English and Japanese) are recognised;
// a mapping the user chose is remembered in the data folder for files with the same
// header (or, without a header, the same number of columns). Several columns may fill
// one field: their values are joined in the order of their rank (family name before
// given name, city before street).

#include "exchange/RecordImport.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AddressTable;
class CsvReader;

struct ColumnTarget {
    // The field (CP932 name) the column fills; empty: the column is not imported;
    // kPhoneByKind: a telephone number whose kind column says which field it fills.
    std::string field;
    int rank = 0;
    int kindColumn = -1;
    bool operator==(const ColumnTarget&) const = default;
};

class CsvColumnMap {
public:
    static constexpr std::string_view kPhoneByKind = "*phone";
    // kGroups: groups separated by ";" or ":::"; the first fills 大分類, the second 小分類.
    static constexpr std::string_view kGroups = "*groups";
    // The file in the data folder where chosen mappings are kept.
    static constexpr const char* kFileName = "csvmap.dat";

    // The targets recognised for the headers (CP932); a header that is one of the
    // table's field names fills that field.
    static std::vector<ColumnTarget> Recognise(const std::vector<std::string>& headers, const AddressTable& table);
    // Whether the headers are all field names of the table (the program's own CSV).
    static bool IsOwnHeader(const std::vector<std::string>& headers, const AddressTable& table);

    // The key a mapping is remembered under.
    static std::string Key(const std::vector<std::string>& headers, bool hasHeader);
    // The remembered mapping of `key` from the file; false when there is none (or it
    // does not fit the number of columns).
    static bool Recall(
        std::string_view file, std::string_view key, std::size_t columns, std::vector<ColumnTarget>& out);
    // Keeps the mapping under `key`, replacing an older one; the file is written whole.
    static bool Remember(std::string_view file, std::string_view key, const std::vector<ColumnTarget>& targets);

    // Whether a first row (CP932 cells) holds values rather than column names: a mail
    // address, a number such as a postal code or a telephone number, and no name this
    // program knows as a header.
    static bool LooksLikeData(const std::vector<std::string>& row, const AddressTable& table);
    // The mapping a file starts with, in the window and on the command line: the one
    // remembered in `store` for its header (or, without one, for its number of
    // columns), else the recognised headers; a first row that looks like data is no
    // header. `firstRow` is the file's first row read as data.
    struct Suggestion {
        bool hasHeader = true;
        bool remembered = false;
        std::vector<ColumnTarget> targets;
    };
    static Suggestion Suggest(
        std::string_view store, const std::vector<std::string>& firstRow, const AddressTable& table);
};

// The rows of a CSV file through a mapping: one column per field filled, its value
// joined from the columns that fill it. Dates written "yyyy-mm-dd" become the stored
// "yyyy/mm/dd"; a group cell of a web address book ("友人 ::: * myContacts") gives its
// first group of the user's.
class MappedRows : public ImportRows {
public:
    MappedRows(const CsvReader& csv, const std::vector<ColumnTarget>& targets, const AddressTable& table);

    int ColumnCount() const override { return static_cast<int>(fields_.size()); }
    std::string_view ColumnName(int c) const override { return names_[static_cast<std::size_t>(c)]; }
    int ColumnField(int c) const override { return fields_[static_cast<std::size_t>(c)]; }
    int RowCount() const override;
    // Valid until the next call.
    std::string_view Cell(int r, int c) const override;
    int FileLine(int r) const override;

    // Of the cells read so far: values cut to their field's width, dates left out
    // because they could not be read.
    int CutValues() const { return cutValues_; }
    int DroppedDates() const { return droppedDates_; }
    // Rows without an honorific that got the input form's default (様, or 御中 for a
    // company without a person).
    int DefaultHonorifics() const { return defaultHonorifics_; }
    // Columns whose value stood in for an empty one before it and was left out where
    // that one had a value of its own (a work number beside the home number), and
    // columns with a second value in one cell ("… ::: …") that no field took.
    const std::vector<int>& PassedOver() const { return passedOver_; }

private:
    void Join(int r, std::size_t out, std::string& into) const;
    std::string_view First(int r, int column) const;
    void Count(int r, int c, int& counter) const;

    struct Source {
        int column;
        int rank;
    };
    const CsvReader& csv_;
    std::vector<std::string> names_;
    std::vector<int> fields_;
    std::vector<std::size_t> widths_;
    std::vector<std::vector<Source>> sources_; // per output column, by rank
    std::vector<int> groupColumns_; // kGroups columns
    int group_ = -1, subgroup_ = -1; // output columns of 大分類 and 小分類 from them
    int address_ = -1, prefecture_ = -1; // 住所１ and the 都道府県 taken from its start
    mutable long long counted_ = -1;
    mutable int cutValues_ = 0;
    mutable int droppedDates_ = 0;
    mutable int defaultHonorifics_ = 0;
    mutable std::vector<int> passedOver_;
    int honorific_ = -1, name_ = -1, company_ = -1; // output columns of 敬称, 名前, 会社名
    std::vector<int> phoneColumns_; // kPhoneByKind columns
    std::vector<int> phoneKinds_;
    int phone_ = -1, fax_ = -1, mobile_ = -1; // output columns of the three numbers
    mutable std::string cell_;
};

// "1980-04-12", "19800412" and "1980-04-12T09:00:00Z" as "1980/04/12"; an empty text
// for anything else (a date without a year, no date).
std::string IsoDateAsStored(std::string_view text);

} // namespace nrt
