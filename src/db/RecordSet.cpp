#include "db/RecordSet.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

namespace nrt {
namespace {

using Item = std::array<char, RecordSet::kItemSize>;

constexpr std::uint8_t kDeletedBit = 0x80; // of a record's flag byte

inline unsigned char Fold(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

inline std::size_t SkipBlanks(std::string_view s, std::size_t p)
{
    while (p < s.size() && s[p] == ' ')
        ++p;
    return p;
}

void Put32(Item& item, std::size_t at, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        item[at + static_cast<std::size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

std::int32_t Get32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8)
        | (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

// The decimal integer at the start of a text as the C library's atol reads it, held
// at the ends of the range instead of overflowing.
long long Atol(const char* s)
{
    while (*s == ' ' || (*s >= '\t' && *s <= '\r'))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-')
        negative = *s++ == '-';
    long long v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        const int d = *s - '0';
        v = v > (LLONG_MAX - d) / 10 ? LLONG_MAX : v * 10 + d;
    }
    return negative ? -v : v;
}

// t occurs in v at a character boundary of v, A-Z folded, second bytes exact. An empty
// t occurs nowhere.
bool ContainsFolded(std::string_view v, std::string_view t, unsigned char firstFolded)
{
    if (t.empty() || t.size() > v.size())
        return false;
    // Most values do not hold the first byte at all; memchr says so quickly.
    if (!(firstFolded >= 'a' && firstFolded <= 'z') && !std::memchr(v.data(), firstFolded, v.size()))
        return false;
    const std::size_t last = v.size() - t.size();
    for (std::size_t p = 0; p <= last; p += platform::CharLength(v, p))
        if (Fold(static_cast<unsigned char>(v[p])) == firstFolded && platform::lstrcmpiA(v.substr(p, t.size()), t) == 0)
            return true;
    return false;
}

// lstrcmpiA of a NUL-terminated value and a text without NUL bytes, without measuring
// the value first: the value's NUL ends it as its length would.
int CompareCi(const char* value, std::string_view t)
{
    const auto* v = reinterpret_cast<const unsigned char*>(value);
    const std::size_t n = t.size();
    for (std::size_t i = 0;; ++i) {
        if (i == n)
            return v[i] ? 1 : 0;
        auto x = v[i];
        auto y = static_cast<unsigned char>(t[i]);
        if (x == 0)
            return -1;
        if (platform::IsLeadByte(x)) {
            // A double-byte character is compared as it is, second byte included.
            if (x != y)
                return x < y ? -1 : 1;
            if (++i == n)
                return v[i] ? 1 : 0;
            x = v[i];
            y = static_cast<unsigned char>(t[i]);
            if (x == 0)
                return -1;
        } else {
            x = Fold(x);
            y = Fold(y);
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
}

bool MatchKind(int kind, const char* value, std::string_view t, unsigned char firstFolded)
{
    // Whole-value kinds need no length.
    if (kind == 0)
        return CompareCi(value, t) == 0;
    if (kind == 4)
        return std::strncmp(value, t.data(), t.size()) == 0 && value[t.size()] == '\0';
    const std::string_view v(value);
    switch (kind) {
    case 1:
        return v.size() >= t.size() && platform::lstrcmpiA(v.substr(0, t.size()), t) == 0;
    case 2:
        return v.size() >= t.size() && platform::lstrcmpiA(v.substr(v.size() - t.size()), t) == 0;
    case 3:
        return ContainsFolded(v, t, firstFolded);
    case 5:
        return v.starts_with(t);
    case 6:
        return v.ends_with(t);
    case 7:
        return !t.empty() && v.find(t) != std::string_view::npos;
    default:
        return platform::lstrcmpiA(v, t) == 0;
    }
}

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
    if (!table_)
        return -1;
    for (int f = 0; f < table_->GetFieldCount(); ++f) {
        const FieldDef& d = table_->GetField(f);
        if (platform::lstrcmpiA(d.name, name) == 0
            || (!d.secondName.empty() && platform::lstrcmpiA(d.secondName, name) == 0))
            return f;
    }
    // A field the table gains on first use is named before it has it.
    return table_->FindField(name);
}

// ---- condition language ----

const LineList& RecordSet::GetSlot(int slot) const
{
    return slots_[ValidSlot(slot) ? static_cast<std::size_t>(slot) : 0].items;
}

void RecordSet::ClearSlot(int slot)
{
    if (!ValidSlot(slot))
        return;
    slots_[static_cast<std::size_t>(slot)].items.Clear();
    slots_[static_cast<std::size_t>(slot)].terms.clear();
}

int RecordSet::MakeSql(const char* text, int slot)
{
    ClearSlot(slot);
    if (!text)
        return 0;
    return MakeSql(std::string_view(text), slot);
}

int RecordSet::MakeSql(std::string_view text, int slot)
{
    ClearSlot(slot);
    if (!ValidSlot(slot))
        return 0;
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::vector<Item> items;
    const int code = Compile(text, items);
    if (code < 0)
        return code;
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    s.terms.reserve(items.size());
    for (const Item& item : items) {
        if (!s.items.AddLine(std::string_view(item.data(), item.size()))) {
            ClearSlot(slot);
            return 0;
        }
        Term t;
        t.kind = item[kItemKind];
        t.index = Get32(item.data() + kItemIndex);
        t.op1 = item[kItemOp1];
        t.op2 = item[kItemOp2];
        t.number = Get32(item.data() + kItemIsNumber) == 1;
        t.numberValue = Get32(item.data() + kItemNumber);
        const char* value = item.data() + kItemText;
        t.textLength = static_cast<std::uint8_t>(strnlen(value, kMaxTextValue));
        std::memcpy(t.storage.data(), value, t.textLength);
        t.firstFolded = Fold(static_cast<unsigned char>(t.storage[0]));
        s.terms.push_back(t);
    }
    return 0;
}

int RecordSet::Compile(std::string_view s, std::vector<Item>& items) const
{
    constexpr std::size_t kMaxWord = 512;
    constexpr std::size_t kMaxName = 511;
    const std::size_t n = s.size();
    std::size_t p = 0;
    bool firstTerm = true;
    std::array<std::size_t, kMaxOpenGroups> open {};
    int openCount = 0;
    for (;;) {
        p = SkipBlanks(s, p);
        if (p >= n)
            break;

        bool joinedByAnd = false;
        if (!firstTerm) {
            const std::size_t start = p;
            while (p < n && s[p] != ' ' && p - start < kMaxWord)
                ++p;
            if (p >= n)
                return -1;
            const std::string_view word = s.substr(start, p - start);
            if (platform::lstrcmpiA(word, "and") == 0)
                joinedByAnd = true;
            else if (platform::lstrcmpiA(word, "or") != 0)
                return -2;
        }
        firstTerm = false;

        p = SkipBlanks(s, p);
        if (p >= n)
            return -4;
        if (s[p] == '(') {
            if (openCount == kMaxOpenGroups)
                return -20;
            Item group {};
            group[kItemKind] = joinedByAnd ? '{' : '(';
            open[static_cast<std::size_t>(openCount++)] = items.size();
            items.push_back(group);
            joinedByAnd = false;
            p = SkipBlanks(s, p + 1);
            if (p >= n)
                return -4;
        }

        const std::size_t nameStart = p;
        while (p < n && p - nameStart < kMaxName && s[p] != ' ' && s[p] != '<' && s[p] != '=' && s[p] != '>')
            p += platform::CharLength(s, p);
        if (p >= n)
            return -5;
        const int field = FindFieldName(s.substr(nameStart, p - nameStart));
        if (field < 0)
            return -6;

        p = SkipBlanks(s, p);
        if (p >= n)
            return -7;
        const char op1 = s[p];
        if (op1 != '<' && op1 != '=' && op1 != '>')
            return -8;
        char op2 = 0;
        ++p;
        if (p < n && (s[p] == '<' || s[p] == '=' || s[p] == '>')) {
            op2 = s[p];
            const bool accepted = (op1 == '<' && (op2 == '=' || op2 == '>')) || (op1 == '=' && op2 == '=')
                || (op1 == '>' && op2 == '=');
            if (!accepted)
                return -9;
            ++p;
        }
        p = SkipBlanks(s, p);
        if (p >= n)
            return -10;

        Item term {};
        term[kItemKind] = joinedByAnd ? 'a' : 'o';
        Put32(term, kItemIndex, field);
        term[kItemOp1] = op1;
        const FieldDef& def = table_->GetField(field);
        if (def.type == kFieldNumber) {
            bool negative = false;
            if (s[p] == '+' || s[p] == '-')
                negative = s[p++] == '-';
            std::int32_t value = 0;
            std::size_t digits = 0;
            for (; p < n && s[p] != ' '; ++p) {
                if (s[p] < '0' || s[p] > '9')
                    return -15;
                if (++digits > kMaxNumberDigits)
                    return -16;
                value = value * 10 + (s[p] - '0');
            }
            term[kItemOp2] = op2;
            Put32(term, kItemIsNumber, 1);
            Put32(term, kItemNumber, negative ? -value : value);
        } else if (def.type == kFieldText) {
            if (s[p] != '\'')
                return -13;
            ++p;
            char value[kMaxTextValue];
            std::size_t length = 0;
            for (;;) {
                if (p >= n)
                    return -13;
                if (s[p] == '\'') {
                    if (p + 1 < n && s[p + 1] == '\'') {
                        ++p; // a doubled quote stands for one
                    } else {
                        ++p;
                        break;
                    }
                }
                if (length == kMaxTextValue)
                    return -14;
                value[length++] = s[p++];
            }
            std::size_t from = 0;
            if (op1 == '=') {
                int kind = 0;
                if (length >= 2) {
                    const bool front = value[0] == '*';
                    const bool back = value[length - 1] == '*';
                    kind = front && back ? 3 : front ? 2 : back ? 1 : 0;
                    from = front ? 1 : 0;
                    length -= (front ? 1 : 0) + (back ? 1 : 0);
                }
                if (op2 == '=')
                    kind += 4;
                op2 = static_cast<char>('0' + kind);
            }
            term[kItemOp2] = op2;
            std::memcpy(term.data() + kItemText, value + from, length);
        } else {
            platform::Warn(SJ("PG(MakeSql):条件判定できないフィールドがセットされた"));
            return -17;
        }
        items.push_back(term);

        p = SkipBlanks(s, p);
        if (p < n && s[p] == ')') {
            if (openCount == 0)
                return -21;
            Put32(items[open[static_cast<std::size_t>(--openCount)]], kItemIndex,
                static_cast<std::int32_t>(items.size()));
            ++p;
        }
    }
    if (openCount > 0)
        return -22;
    return 0;
}

int RecordSet::Evaluate(int record, int slot)
{
    matchField_ = -1;
    if (!ValidSlot(slot))
        return -1;
    const Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (s.terms.empty())
        return 1;
    if (!table_)
        return -1;
    return EvaluateRange(s, 0, static_cast<int>(s.terms.size()), record);
}

int RecordSet::EvaluateRange(const Slot& slot, int from, int to, int record)
{
    bool result = false;
    bool group = false; // the AND chain of the current OR branch holds so far
    bool stopped = false;
    int first = -1;
    for (int i = from; i < to;) {
        const Term& term = slot.terms[static_cast<std::size_t>(i)];
        if (term.kind == 'o' || term.kind == '(') {
            if (group) {
                result = true;
                stopped = true;
                break;
            }
            group = true;
        }
        bool t;
        if (term.kind == '(' || term.kind == '{') {
            if (term.index <= i || term.index > to) {
                platform::Inform(SJ("P):括弧処理で不正な処理になりました。"), SJ("エラー"), platform::MsgIcon::Error);
                return 0;
            }
            // A value that cannot be read inside a group only makes the group false.
            t = EvaluateRange(slot, i + 1, term.index, record) == 1;
            i = term.index;
        } else {
            const char* value = table_->GetValue(term.index, record);
            if (!value)
                return -1;
            t = TestTerm(term, value);
            if (t && first == -1)
                first = term.index;
            ++i;
        }
        if (!t)
            group = false;
    }
    if (!stopped && group)
        result = true;
    if (!result)
        return 0;
    if (matchField_ == -1)
        matchField_ = first;
    return 1;
}

bool RecordSet::TestTerm(const Term& term, const char* value) const
{
    int s;
    if (term.number) {
        const long long v = Atol(value);
        s = v < term.numberValue ? -1 : v > term.numberValue ? 1 : 0;
    } else if (term.op1 == '=') {
        s = MatchKind(term.op2 - '0', value, term.Text(), term.firstFolded) ? 0 : 1;
    } else {
        s = CompareCi(value, term.Text());
    }
    bool t = (term.op1 == '=' || term.op2 == '=') && s == 0;
    if (term.op1 == '<' && term.op2 == '>')
        t = s != 0;
    else if (term.op1 == '<')
        t = t || s < 0;
    else if (term.op1 == '>')
        t = t || s > 0;
    return t;
}

// ---- selection and cursor ----

int RecordSet::Select(const char* condition)
{
    if (!condition)
        return Select(std::string_view());
    return Select(std::string_view(condition));
}

int RecordSet::Select(std::string_view condition)
{
    const int code = MakeSql(condition, kSlotSelect);
    if (code < 0) {
        ClearSlot(kSlotSelect);
        return code;
    }
    return Rebuild();
}

int RecordSet::Rebuild()
{
    end_ = true;
    cursor_ = -1;
    rows_.clear();
    if (!table_)
        return kNothingSelected;
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
                return -1;
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
        return kNothingSelected;
    end_ = false;
    cursor_ = 0;
    return 0;
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

int RecordSet::Next()
{
    end_ = true;
    if (cursor_ >= GetRowCount())
        return kAlreadyAtEnd;
    ++cursor_;
    if (cursor_ >= GetRowCount())
        return kPassedEnd;
    end_ = false;
    return 0;
}

int RecordSet::Prev()
{
    end_ = true;
    if (cursor_ == -1)
        return kAlreadyAtEnd;
    --cursor_;
    if (cursor_ < 0)
        return kPassedEnd;
    end_ = false;
    return 0;
}

int RecordSet::Read()
{
    if (!table_)
        return kNoRecord;
    if (cursor_ >= 0 && cursor_ < GetRowCount())
        return table_->ReadRecord(rows_[static_cast<std::size_t>(cursor_)]);
    table_->ClearCurrent();
    cursor_ = -1;
    return kNoRecord;
}

void RecordSet::ClearCurrent()
{
    if (table_)
        table_->ClearCurrent();
}

int RecordSet::SetValue(std::string_view fieldName, std::string_view text)
{
    return table_ ? table_->SetValueByName(fieldName, text) : 50;
}

int RecordSet::Post()
{
    return table_ ? table_->PostRecord() : -1;
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
        Rebuild();
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
    if (MakeSql(condition, kSlotSearch) < 0) {
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

int RecordSet::SetSort(std::string_view text, int sortNow)
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
            return -6;

        p = SkipBlanks(text, p);
        if (p < n && text[p] != ',' && text[p] != 'L' && text[p] != 'l') {
            if (text[p] == 'N' || text[p] == 'n') {
                key.flags |= kSortNumeric;
                ++p;
            }
            if (p < n && (text[p] == 'D' || text[p] == 'd'))
                key.flags |= kSortDescending;
            else if (p >= n || (text[p] != 'U' && text[p] != 'u'))
                return -7;
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
    return 0;
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
