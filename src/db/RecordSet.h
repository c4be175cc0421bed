#pragma once
// Record sets over the address table: the records that satisfy a condition, in the
// order of up to ten sort keys, with a cursor and searching. Two condition slots hold
// the compiled conditions of the selection and of the search.

#include "db/AddressTable.h"
#include "db/Condition.h"
#include "db/FieldDefinition.h"
#include "db/LineList.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace nrt {

// Codes of Select. Below 0 the user is shown the number: a condition that does not
// compile gives its ConditionError's, and kUnreadableValue (-1, kUnendedJoin's number
// too) follows the message that a record's value could not be read, the compiled
// condition staying in the select slot.
enum class SelectResult : int {
    kSelected = 0,
    kUnreadableValue = -1,
    kNothingSelected = 202, // no record satisfies the condition
};
// Whether Select gave a code below 0.
constexpr bool SelectFailed(SelectResult code)
{
    return static_cast<int>(code) < 0;
}

// Codes of SetSort.
enum class SortError : int {
    kNone = 0,
    kUnknownField = -6, // ConditionError's number for it too
    kBadDirection = -7, // a letter other than N, D or U after the field name
};

// Codes of the cursor moves Next and Prev.
enum class CursorMove : int {
    kMoved = 0,
    kPassedEnd = 1, // the cursor left the rows: IsEnd()
    kAlreadyAtEnd = 2, // it was beyond them before
};

class RecordSet {
public:
    // Condition slots.
    static constexpr int kSlotSelect = 0;
    static constexpr int kSlotSearch = 1;
    static constexpr int kSlotCount = 2;

    // Flag byte bit of a record that belongs to the last selection.
    static constexpr std::uint8_t kSelectedBit = 0x01;

    static constexpr int kMaxSortKeys = 10;
    enum SortFlags : int { kSortDescending = 1, kSortNumeric = 2 };
    struct SortKey {
        int field = -1;
        int flags = 0;
        int prefix = 0; // 0 = the whole value, else its first 1..30 bytes
    };
    using SortKeys = std::array<SortKey, kMaxSortKeys + 1>; // ends at the first field -1

    RecordSet();
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // The table is not owned; it must outlive the record set or be detached.
    void Attach(AddressTable* table);
    AddressTable* GetTable() const { return table_; }

    // Compiles a condition into a slot. A null text leaves the slot empty and returns
    // kNone; the string form ends at its first NUL like the C text it stands for. On an
    // error the slot is left empty.
    [[nodiscard]] ConditionError CompileCondition(const char* text, int slot);
    [[nodiscard]] ConditionError CompileCondition(std::string_view text, int slot);
    // 1 when record k satisfies the slot, 0 when not, -1 when a value cannot be read.
    int Evaluate(int record, int slot);
    // The compiled items of a slot, one 72-byte line each.
    const LineList& GetSlot(int slot) const;
    void ClearSlot(int slot);

    // Sorting: "カナ, 名前", "大分類,小分類,カナ", "電話番号 L2", "生年月日 D", "番号 ND".
    // On an error the keys before the faulty one stay.
    [[nodiscard]] SortError SetSort(std::string_view text, int sortNow);
    const SortKeys& GetSortKeys() const { return keys_; }
    void SortRows();

    // Selection and cursor.
    [[nodiscard]] SelectResult Select(const char* condition);
    [[nodiscard]] SelectResult Select(std::string_view condition);
    int GetRowCount() const { return static_cast<int>(rows_.size()); }
    std::span<const int> Rows() const { return rows_; }
    int GetRowRecord(int row) const;
    int GetRecordIndex() const { return GetRowRecord(cursor_); }
    int GetPos() const { return cursor_; }
    bool IsEnd() const { return end_; }
    int SetPos(int row);
    [[nodiscard]] CursorMove Next();
    [[nodiscard]] CursorMove Prev();
    bool HasPrev() const { return cursor_ > 0; }
    bool HasNext() const { return cursor_ + 1 < GetRowCount(); }

    // The record under the cursor through the table's current-record buffer. Without a
    // table Read gives kNoRecord, SetValue kNoField and Post kRecordGone.
    [[nodiscard]] RecordError Read();
    void ClearCurrent();
    [[nodiscard]] RecordError SetValue(std::string_view fieldName, std::string_view text);
    [[nodiscard]] RecordError Post();
    const char* GetValue(int field) const;
    const char* GetValueByName(std::string_view fieldName) const;
    bool DeleteCurrent(int reselect);

    // Searching within the rows with the search slot. start: 0 first row, 1 the cursor,
    // 2 the last row; direction 1 down, anything else up. The found row, or -1.
    int Find(std::string_view condition, int start, int direction);
    int FindNext();
    int FindPrev();
    // The field that satisfied the last successful test, or an empty definition.
    const FieldDef& MatchField() const;
    int MatchFieldIndex() const { return matchField_; }

    // The field named so, by its name or its non-empty second name; -1 when none.
    int FindFieldName(std::string_view name) const;

private:
    bool ValidSlot(int slot) const { return slot >= 0 && slot < kSlotCount; }
    [[nodiscard]] SelectResult Rebuild();
    int Scan(int from, int direction);

    AddressTable* table_ = nullptr;
    bool end_ = true;
    SortKeys keys_ {};
    std::vector<int> rows_;
    int cursor_ = -1;
    std::array<Condition, kSlotCount> slots_;
    int matchField_ = -1;
};

} // namespace nrt
