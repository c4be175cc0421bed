#include "db/RecordSet.h"

#include "db/ByteScan.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

namespace nrt {
namespace {

using bytescan::Atol;
using bytescan::Fold;
using bytescan::SkipBlanks;

constexpr std::uint8_t kDeletedBit = 0x80; // of a record's flag byte

// ---- sorting ----

// One sort key of one row, taken once before sorting. Text keys keep their first 16
// bytes, A-Z folded as the comparison sees them, as two big-endian numbers: that decides
// nearly every comparison of names and dates without touching the value again. Numeric
// keys keep their number in the first.
struct KeyValue {
    static constexpr std::size_t kHeadBytes = 16;
    std::uint64_t head[2] = {};
    const char* data = "";
    std::uint32_t size = 0;
};

void SetTextHead(KeyValue& key)
{
    unsigned char b[KeyValue::kHeadBytes] = {};
    const std::size_t n = std::min<std::size_t>(key.size, KeyValue::kHeadBytes);
    for (std::size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(key.data[i]);
        if (platform::IsLeadByte(c)) {
            b[i] = c;
            if (i + 1 < n)
                b[i + 1] = static_cast<unsigned char>(key.data[i + 1]);
            i += 2;
        } else {
            b[i] = Fold(c);
            ++i;
        }
    }
    for (std::size_t i = 0; i < KeyValue::kHeadBytes; ++i)
        key.head[i / 8] = (key.head[i / 8] << 8) | b[i];
}

class RowOrder {
public:
    RowOrder(const RecordSet::SortKey* keys, int keyCount, std::vector<KeyValue> values)
        : keys_(keys)
        , count_(keyCount)
        , values_(std::move(values))
    {
    }

    const KeyValue* Of(std::uint32_t row) const { return values_.data() + static_cast<std::size_t>(row) * count_; }

    // <0, 0, >0 as row a's keys compare with the tuple b.
    int Compare(const KeyValue* a, const KeyValue* b) const
    {
        for (int i = 0; i < count_; ++i) {
            int r;
            if (a[i].head[0] != b[i].head[0])
                r = a[i].head[0] < b[i].head[0] ? -1 : 1;
            else if (a[i].head[1] != b[i].head[1])
                r = a[i].head[1] < b[i].head[1] ? -1 : 1;
            else if ((keys_[i].flags & RecordSet::kSortNumeric)
                || (a[i].size <= KeyValue::kHeadBytes && b[i].size <= KeyValue::kHeadBytes))
                r = 0; // values without NUL bytes: equal heads of short values are equal values
            else
                r = platform::lstrcmpiA({ a[i].data, a[i].size }, { b[i].data, b[i].size });
            if (r != 0)
                return (keys_[i].flags & RecordSet::kSortDescending) ? -r : r;
        }
        return 0;
    }

private:
    const RecordSet::SortKey* keys_;
    int count_;
    std::vector<KeyValue> values_;
};

// The quicksort phase: Hoare partitions around the middle row's values, an explicit
// stack of 32 ranges that keeps the longer part, and ranges of up to 11 rows left for
// the final pass. This procedure decides where equal rows end up, so it stays as it is.
void QuicksortPhase(std::vector<std::uint32_t>& rows, const RowOrder& order)
{
    constexpr int kStack = 32;
    constexpr int kSmall = 10;
    struct Range {
        int lo, hi;
    } stack[kStack];
    int depth = 0;
    int lo = 0;
    int hi = static_cast<int>(rows.size()) - 1;
    for (;;) {
        if (hi - lo <= kSmall) {
            if (depth == 0)
                return;
            --depth;
            lo = stack[depth].lo;
            hi = stack[depth].hi;
        }
        const KeyValue* pivot = order.Of(rows[static_cast<std::size_t>((lo + hi) / 2)]);
        int i = lo;
        int j = hi;
        for (;;) {
            // The bounds never bind with a consistent order; they keep a fault from
            // running off the range.
            while (i < hi && order.Compare(order.Of(rows[static_cast<std::size_t>(i)]), pivot) < 0)
                ++i;
            while (j > lo && order.Compare(order.Of(rows[static_cast<std::size_t>(j)]), pivot) > 0)
                --j;
            if (i >= j)
                break;
            std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(j)]);
            ++i;
            --j;
        }
        const int left = i - lo;
        const int right = hi - j;
        if (left > right) {
            if (left > kSmall) {
                stack[depth++] = { lo, i - 1 };
                if (depth == kStack)
                    return;
            }
            lo = j + 1;
        } else {
            if (right > kSmall) {
                stack[depth++] = { j + 1, hi };
                if (depth == kStack)
                    return;
            }
            hi = i - 1;
        }
    }
}

// The final insertion pass moves each row in front of every earlier row that compares
// equal or above. Its result is the rows by their keys and, among equal keys, in the
// reverse of their order so far: a stable sort followed by reversing each run of equal
// keys gives the same in O(n log n) where the pass itself is quadratic in equal keys.
void InsertionPassResult(std::vector<std::uint32_t>& rows, const RowOrder& order)
{
    std::stable_sort(rows.begin(), rows.end(),
        [&order](std::uint32_t a, std::uint32_t b) { return order.Compare(order.Of(a), order.Of(b)) < 0; });
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i + 1;
        while (j < rows.size() && order.Compare(order.Of(rows[i]), order.Of(rows[j])) == 0)
            ++j;
        std::reverse(rows.begin() + static_cast<std::ptrdiff_t>(i), rows.begin() + static_cast<std::ptrdiff_t>(j));
        i = j;
    }
}

const FieldDef& EmptyFieldDef()
{
    static const FieldDef empty;
    return empty;
}

} // namespace

RecordSet::RecordSet() = default;
RecordSet::~RecordSet() = default;

void RecordSet::Attach(AddressTable* table)
{
    table_ = table;
    // Rows and compiled conditions belong to the table they were made for. The sort
    // keys stay: they are set once for the list, and SortRows checks them.
    rows_.clear();
    cursor_ = -1;
    end_ = true;
    for (int s = 0; s < kSlotCount; ++s)
        ClearSlot(s);
    matchField_ = -1;
}

int RecordSet::FindFieldName(std::string_view name) const
{
    return table_ ? nrt::FindFieldName(*table_, name) : -1;
}

// ---- condition language ----

const LineList& RecordSet::GetSlot(int slot) const
{
    return slots_[ValidSlot(slot) ? static_cast<std::size_t>(slot) : 0].Items();
}

void RecordSet::ClearSlot(int slot)
{
    if (ValidSlot(slot))
        slots_[static_cast<std::size_t>(slot)].Clear();
}

ConditionError RecordSet::CompileCondition(const char* text, int slot)
{
    ClearSlot(slot);
    if (!text)
        return ConditionError::kNone;
    return CompileCondition(std::string_view(text), slot);
}

ConditionError RecordSet::CompileCondition(std::string_view text, int slot)
{
    // Without a table no field name is known.
    static const AddressTable noTable;
    ClearSlot(slot);
    if (!ValidSlot(slot))
        return ConditionError::kNone;
    return slots_[static_cast<std::size_t>(slot)].Compile(text, table_ ? *table_ : noTable);
}

int RecordSet::Evaluate(int record, int slot)
{
    matchField_ = -1;
    if (!ValidSlot(slot))
        return -1;
    const Condition& condition = slots_[static_cast<std::size_t>(slot)];
    if (condition.Items().GetCount() == 0)
        return 1;
    if (!table_)
        return -1;
    return condition.Evaluate(*table_, record, matchField_);
}

// ---- selection and cursor ----

SelectResult RecordSet::Select(const char* condition)
{
    if (!condition)
        return Select(std::string_view());
    return Select(std::string_view(condition));
}

SelectResult RecordSet::Select(std::string_view condition)
{
    const ConditionError code = CompileCondition(condition, kSlotSelect);
    if (code != ConditionError::kNone) {
        ClearSlot(kSlotSelect);
        return static_cast<SelectResult>(code);
    }
    return Rebuild();
}

SelectResult RecordSet::Rebuild()
{
    end_ = true;
    cursor_ = -1;
    rows_.clear();
    if (!table_)
        return SelectResult::kNothingSelected;
    const int count = table_->GetRecordCount();
    try {
        rows_.reserve(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) {
            const std::uint8_t flags = table_->GetFlags(k);
            if (flags & kDeletedBit)
                continue;
            const int e = Evaluate(k, kSlotSelect);
            if (e < 0) {
                rows_.clear();
                platform::Warn(SJ("PG_Err:不正なデータが混入しています。"));
                return SelectResult::kUnreadableValue;
            }
            if (e == 1) {
                table_->SetFlags(k, static_cast<std::uint8_t>(flags | kSelectedBit));
                rows_.push_back(k);
            } else {
                table_->SetFlags(k, static_cast<std::uint8_t>(flags & ~kSelectedBit));
            }
        }
    } catch (const std::bad_alloc&) {
        rows_ = {};
    }
    SortRows();
    if (rows_.empty())
        return SelectResult::kNothingSelected;
    end_ = false;
    cursor_ = 0;
    return SelectResult::kSelected;
}

int RecordSet::GetRowRecord(int row) const
{
    return row >= 0 && row < GetRowCount() ? rows_[static_cast<std::size_t>(row)] : -1;
}

int RecordSet::SetPos(int row)
{
    if (row < 0 || row >= GetRowCount()) {
        cursor_ = -1;
        end_ = true;
        return -1;
    }
    cursor_ = row;
    end_ = false;
    return row;
}

CursorMove RecordSet::Next()
{
    end_ = true;
    if (cursor_ >= GetRowCount())
        return CursorMove::kAlreadyAtEnd;
    ++cursor_;
    if (cursor_ >= GetRowCount())
        return CursorMove::kPassedEnd;
    end_ = false;
    return CursorMove::kMoved;
}

CursorMove RecordSet::Prev()
{
    end_ = true;
    if (cursor_ == -1)
        return CursorMove::kAlreadyAtEnd;
    --cursor_;
    if (cursor_ < 0)
        return CursorMove::kPassedEnd;
    end_ = false;
    return CursorMove::kMoved;
}

RecordError RecordSet::Read()
{
    if (!table_)
        return RecordError::kNoRecord;
    if (cursor_ >= 0 && cursor_ < GetRowCount())
        return table_->ReadRecord(rows_[static_cast<std::size_t>(cursor_)]);
    table_->ClearCurrent();
    cursor_ = -1;
    return RecordError::kNoRecord;
}

void RecordSet::ClearCurrent()
{
    if (table_)
        table_->ClearCurrent();
}

RecordError RecordSet::SetValue(std::string_view fieldName, std::string_view text)
{
    return table_ ? table_->SetValueByName(fieldName, text) : RecordError::kNoField;
}

RecordError RecordSet::Post()
{
    return table_ ? table_->PostRecord() : RecordError::kRecordGone;
}

const char* RecordSet::GetValue(int field) const
{
    const int record = GetRecordIndex();
    return table_ && record >= 0 ? table_->GetValue(field, record) : nullptr;
}

const char* RecordSet::GetValueByName(std::string_view fieldName) const
{
    return table_ ? GetValue(table_->FindField(fieldName)) : nullptr;
}

bool RecordSet::DeleteCurrent(int reselect)
{
    const int record = GetRecordIndex();
    if (!table_ || record < 0 || !table_->MarkDeleted(record))
        return false;
    if (reselect) {
        const int row = cursor_;
        end_ = true;
        // No rows or an unreadable value leave the rows empty, and SetPos no cursor.
        static_cast<void>(Rebuild());
        SetPos(row);
    }
    return true;
}

// ---- searching ----

int RecordSet::Find(std::string_view condition, int start, int direction)
{
    // Without a current row the cursor start is where FindNext or FindPrev would begin.
    const int fromCursor = cursor_ >= 0 ? cursor_ : direction == 1 ? 0 : GetRowCount() - 1;
    const int from = start == 0 ? 0 : start == 2 ? GetRowCount() - 1 : fromCursor;
    end_ = true;
    cursor_ = -1;
    if (CompileCondition(condition, kSlotSearch) != ConditionError::kNone) {
        ClearSlot(kSlotSearch);
        platform::Warn(SJ("検索条件の作成に失敗しました。"));
        return -1;
    }
    return Scan(from, direction == 1 ? 1 : -1);
}

int RecordSet::FindNext()
{
    return Scan(cursor_ + 1, 1);
}

int RecordSet::FindPrev()
{
    return Scan(cursor_ < 0 ? GetRowCount() - 1 : cursor_ - 1, -1);
}

int RecordSet::Scan(int from, int direction)
{
    end_ = true;
    cursor_ = -1;
    if (!table_)
        return -1;
    const int count = GetRowCount();
    int row = direction > 0 ? std::max(from, 0) : std::min(from, count - 1);
    for (; row >= 0 && row < count; row += direction) {
        const int record = rows_[static_cast<std::size_t>(row)];
        if (table_->IsDeleted(record))
            continue;
        const int e = Evaluate(record, kSlotSearch);
        if (e < 0) {
            platform::Warn(SJ("PG_Err:不正なデータが混入しています。"));
            return -1;
        }
        if (e == 1) {
            cursor_ = row;
            end_ = false;
            return row;
        }
    }
    return -1;
}

const FieldDef& RecordSet::MatchField() const
{
    if (table_ && matchField_ >= 0 && matchField_ < table_->GetFieldCount())
        return table_->GetField(matchField_);
    return EmptyFieldDef();
}

// ---- sorting ----

SortError RecordSet::SetSort(std::string_view text, int sortNow)
{
    constexpr std::size_t kMaxName = 511;
    constexpr int kMaxPrefix = 30;
    keys_.fill(SortKey {});
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    const std::size_t n = text.size();
    auto wordEnd = [&](std::size_t p) {
        while (p < n && text[p] != ' ' && text[p] != ',')
            ++p;
        return p;
    };
    std::size_t p = 0;
    int count = 0;
    while (p < n && count < kMaxSortKeys) {
        if (text[p] == ',')
            ++p;
        p = SkipBlanks(text, p);
        if (p >= n)
            break;

        const std::size_t nameStart = p;
        while (p < n && p - nameStart < kMaxName && text[p] != ' ' && text[p] != ',')
            p += platform::CharLength(text, p);
        SortKey key;
        key.field = FindFieldName(text.substr(nameStart, p - nameStart));
        if (key.field < 0)
            return SortError::kUnknownField;

        p = SkipBlanks(text, p);
        if (p < n && text[p] != ',' && text[p] != 'L' && text[p] != 'l') {
            if (text[p] == 'N' || text[p] == 'n') {
                key.flags |= kSortNumeric;
                ++p;
            }
            if (p < n && (text[p] == 'D' || text[p] == 'd'))
                key.flags |= kSortDescending;
            else if (p >= n || (text[p] != 'U' && text[p] != 'u'))
                return SortError::kBadDirection;
            p = wordEnd(p + 1);
        }

        p = SkipBlanks(text, p);
        if (p < n && (text[p] == 'L' || text[p] == 'l')) {
            ++p;
            int length = 0;
            for (; p < n && text[p] >= '0' && text[p] <= '9'; ++p)
                length = std::min(length * 10 + (text[p] - '0'), kMaxPrefix + 1);
            key.prefix = length <= kMaxPrefix ? length : 0;
            p = wordEnd(p);
        }

        while (p < n && text[p] != ',')
            ++p;
        keys_[static_cast<std::size_t>(count++)] = key;
    }
    if (sortNow)
        SortRows();
    return SortError::kNone;
}

void RecordSet::SortRows()
{
    if (!table_)
        return;
    int keyCount = 0;
    for (; keys_[static_cast<std::size_t>(keyCount)].field != -1; ++keyCount) {
        if (keyCount == kMaxSortKeys) {
            platform::Warn(SJ("PG:ソート数をオーバーしました。"));
            return;
        }
        const int field = keys_[static_cast<std::size_t>(keyCount)].field;
        if (field < 0 || field >= table_->GetFieldCount()) {
            platform::Warn(SJ("PG:ソート番号がフィールド数をオーバーしました。"));
            return;
        }
    }
    if (keyCount == 0 || rows_.size() < 2)
        return;

    try {
        const std::size_t count = rows_.size();
        std::vector<KeyValue> values(count * static_cast<std::size_t>(keyCount));
        for (std::size_t r = 0; r < count; ++r) {
            KeyValue* out = values.data() + r * static_cast<std::size_t>(keyCount);
            for (int i = 0; i < keyCount; ++i) {
                const SortKey& key = keys_[static_cast<std::size_t>(i)];
                const char* v = table_->GetValue(key.field, rows_[r]);
                if (!v)
                    v = "";
                if (key.flags & kSortNumeric) {
                    out[i].head[0] = static_cast<std::uint64_t>(Atol(v)) ^ (std::uint64_t(1) << 63);
                    continue;
                }
                // Most values end within the head; only longer ones are measured on.
                const std::size_t limit = key.prefix > 0 ? static_cast<std::size_t>(key.prefix) : SIZE_MAX;
                std::size_t size = 0;
                while (size < KeyValue::kHeadBytes && size < limit && v[size])
                    ++size;
                if (size == KeyValue::kHeadBytes && size < limit && v[size])
                    size += strnlen(v + size, limit - size);
                out[i].data = v;
                out[i].size = static_cast<std::uint32_t>(size);
                SetTextHead(out[i]);
            }
        }
        const RowOrder order(keys_.data(), keyCount, std::move(values));
        std::vector<std::uint32_t> perm(count);
        for (std::size_t r = 0; r < count; ++r)
            perm[r] = static_cast<std::uint32_t>(r);
        QuicksortPhase(perm, order);
        InsertionPassResult(perm, order);
        std::vector<int> sorted(count);
        for (std::size_t r = 0; r < count; ++r)
            sorted[r] = rows_[perm[r]];
        rows_.swap(sorted);
    } catch (const std::bad_alloc&) {
        // Without memory to sort in, the rows stay in the order they have.
    }
}

} // namespace nrt
