#include "db/Condition.h"

#include "db/ByteScan.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <cstring>

namespace nrt {
namespace {

using bytescan::Fold;
using Item = std::array<char, Condition::kItemSize>;

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

bool IsOperator(char c)
{
    return c == '<' || c == '=' || c == '>';
}

// Reads a condition text from left to right: joining words, field names, operators
// and values. Each reader starts at a byte that is not a blank.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view s)
        : s_(s)
    {
    }

    // Skips blanks; true when nothing follows.
    bool AtEnd()
    {
        p_ = bytescan::SkipBlanks(s_, p_);
        return p_ >= s_.size();
    }
    char Peek() const { return s_[p_]; }
    void Skip() { ++p_; }

    // "and" or "or" in any case.
    ConditionError Join(bool& byAnd)
    {
        constexpr std::size_t kMaxWord = 512;
        const std::size_t start = p_;
        while (p_ < s_.size() && s_[p_] != ' ' && p_ - start < kMaxWord)
            ++p_;
        if (p_ >= s_.size())
            return ConditionError::kUnendedJoin;
        const std::string_view word = s_.substr(start, p_ - start);
        byAnd = platform::lstrcmpiA(word, "and") == 0;
        if (!byAnd && platform::lstrcmpiA(word, "or") != 0)
            return ConditionError::kBadJoin;
        return ConditionError::kNone;
    }

    // The name up to a blank or an operator, stepping over double-byte characters whole.
    ConditionError FieldName(std::string_view& name)
    {
        constexpr std::size_t kMaxName = 511;
        const std::size_t start = p_;
        while (p_ < s_.size() && p_ - start < kMaxName && s_[p_] != ' ' && !IsOperator(s_[p_]))
            p_ += platform::CharLength(s_, p_);
        if (p_ >= s_.size())
            return ConditionError::kUnendedFieldName;
        name = s_.substr(start, p_ - start);
        return ConditionError::kNone;
    }

    // One operator or one of the pairs <= <> == >=; a value must follow.
    ConditionError Operator(char& op1, char& op2)
    {
        if (AtEnd())
            return ConditionError::kMissingOperator;
        op1 = s_[p_];
        if (!IsOperator(op1))
            return ConditionError::kBadOperator;
        op2 = 0;
        ++p_;
        if (p_ < s_.size() && IsOperator(s_[p_])) {
            op2 = s_[p_];
            const bool accepted = (op1 == '<' && (op2 == '=' || op2 == '>')) || (op1 == '=' && op2 == '=')
                || (op1 == '>' && op2 == '=');
            if (!accepted)
                return ConditionError::kBadOperatorPair;
            ++p_;
        }
        return AtEnd() ? ConditionError::kMissingValue : ConditionError::kNone;
    }

    // A signed decimal of up to nine digits, ending at a blank or the end.
    ConditionError Number(std::int32_t& value)
    {
        bool negative = false;
        if (s_[p_] == '+' || s_[p_] == '-')
            negative = s_[p_++] == '-';
        value = 0;
        std::size_t digits = 0;
        for (; p_ < s_.size() && s_[p_] != ' '; ++p_) {
            if (s_[p_] < '0' || s_[p_] > '9')
                return ConditionError::kBadNumber;
            if (++digits > Condition::kMaxNumberDigits)
                return ConditionError::kNumberTooLong;
            value = value * 10 + (s_[p_] - '0');
        }
        if (negative)
            value = -value;
        return ConditionError::kNone;
    }

    // A text in single quotes, a doubled quote standing for one; at most kMaxTextValue bytes.
    ConditionError QuotedText(std::array<char, Condition::kMaxTextValue>& value, std::size_t& length)
    {
        if (s_[p_] != '\'')
            return ConditionError::kUnquotedText;
        ++p_;
        length = 0;
        for (;;) {
            if (p_ >= s_.size())
                return ConditionError::kUnquotedText;
            if (s_[p_] == '\'') {
                ++p_;
                if (p_ >= s_.size() || s_[p_] != '\'')
                    return ConditionError::kNone;
            }
            if (length == value.size())
                return ConditionError::kTextTooLong;
            value[length++] = s_[p_++];
        }
    }

private:
    std::string_view s_;
    std::size_t p_ = 0;
};

// The kind of an '=' comparison of `text`, which loses the '*' that chose it. A value
// of one byte is compared whole, even a lone '*'.
MatchKind EqualsKind(std::string_view& text, bool exact)
{
    int kind = 0;
    if (text.size() >= 2) {
        const bool front = text.front() == '*';
        const bool back = text.back() == '*';
        kind = front && back ? 3 : front ? 2 : back ? 1 : 0;
        const std::size_t cut = (front ? 1 : 0) + (back ? 1 : 0);
        text = text.substr(front ? 1 : 0, text.size() - cut);
    }
    return static_cast<MatchKind>(kind + (exact ? 4 : 0));
}

// One term "field op value" into its item; the field's type decides how the value reads.
ConditionError ParseTerm(Tokenizer& in, const AddressTable& table, bool joinedByAnd, Item& term)
{
    std::string_view name;
    if (const ConditionError e = in.FieldName(name); e != ConditionError::kNone)
        return e;
    const int field = FindFieldName(table, name);
    if (field < 0)
        return ConditionError::kUnknownField;
    char op1 = 0;
    char op2 = 0;
    if (const ConditionError e = in.Operator(op1, op2); e != ConditionError::kNone)
        return e;

    term[Condition::kItemKind] = joinedByAnd ? 'a' : 'o';
    Put32(term, Condition::kItemIndex, field);
    term[Condition::kItemOp1] = op1;
    const FieldDef& def = table.GetField(field);
    if (def.type == kFieldNumber) {
        std::int32_t value = 0;
        if (const ConditionError e = in.Number(value); e != ConditionError::kNone)
            return e;
        term[Condition::kItemOp2] = op2;
        Put32(term, Condition::kItemIsNumber, 1);
        Put32(term, Condition::kItemNumber, value);
    } else if (def.type == kFieldText) {
        std::array<char, Condition::kMaxTextValue> value;
        std::size_t length = 0;
        if (const ConditionError e = in.QuotedText(value, length); e != ConditionError::kNone)
            return e;
        std::string_view text(value.data(), length);
        if (op1 == '=')
            op2 = static_cast<char>('0' + static_cast<int>(EqualsKind(text, op2 == '=')));
        term[Condition::kItemOp2] = op2;
        std::memcpy(term.data() + Condition::kItemText, text.data(), text.size());
    } else {
        platform::Warn(SJ("PG(MakeSql):条件判定できないフィールドがセットされた"));
        return ConditionError::kUntestableField;
    }
    return ConditionError::kNone;
}

// The items of a whole text: terms joined by and/or, with groups in parentheses whose
// opening item holds the index of the item after the group.
ConditionError CompileItems(std::string_view s, const AddressTable& table, std::vector<Item>& items)
{
    Tokenizer in(s);
    std::array<std::size_t, Condition::kMaxOpenGroups> open {};
    std::size_t openCount = 0;
    for (bool firstTerm = true; !in.AtEnd(); firstTerm = false) {
        bool joinedByAnd = false;
        if (!firstTerm)
            if (const ConditionError e = in.Join(joinedByAnd); e != ConditionError::kNone)
                return e;
        if (in.AtEnd())
            return ConditionError::kMissingTerm;
        if (in.Peek() == '(') {
            if (openCount == open.size())
                return ConditionError::kTooManyGroups;
            Item group {};
            group[Condition::kItemKind] = joinedByAnd ? '{' : '(';
            open[openCount++] = items.size();
            items.push_back(group);
            joinedByAnd = false;
            in.Skip();
            if (in.AtEnd())
                return ConditionError::kMissingTerm;
        }

        Item term {};
        if (const ConditionError e = ParseTerm(in, table, joinedByAnd, term); e != ConditionError::kNone)
            return e;
        items.push_back(term);

        if (!in.AtEnd() && in.Peek() == ')') {
            if (openCount == 0)
                return ConditionError::kUnopenedGroup;
            Put32(items[open[--openCount]], Condition::kItemIndex, static_cast<std::int32_t>(items.size()));
            in.Skip();
        }
    }
    return openCount > 0 ? ConditionError::kUnclosedGroup : ConditionError::kNone;
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

bool Matches(MatchKind kind, const char* value, std::string_view t, unsigned char firstFolded)
{
    // Whole-value kinds need no length.
    if (kind == MatchKind::kWhole)
        return CompareCi(value, t) == 0;
    if (kind == MatchKind::kWholeExact)
        return std::strncmp(value, t.data(), t.size()) == 0 && value[t.size()] == '\0';
    const std::string_view v(value);
    switch (kind) {
    case MatchKind::kPrefix:
        return v.size() >= t.size() && platform::lstrcmpiA(v.substr(0, t.size()), t) == 0;
    case MatchKind::kSuffix:
        return v.size() >= t.size() && platform::lstrcmpiA(v.substr(v.size() - t.size()), t) == 0;
    case MatchKind::kContains:
        return ContainsFolded(v, t, firstFolded);
    case MatchKind::kPrefixExact:
        return v.starts_with(t);
    case MatchKind::kSuffixExact:
        return v.ends_with(t);
    case MatchKind::kContainsExact:
        return !t.empty() && v.find(t) != std::string_view::npos;
    default:
        return platform::lstrcmpiA(v, t) == 0;
    }
}

} // namespace

int FindFieldName(const AddressTable& table, std::string_view name)
{
    for (int f = 0; f < table.GetFieldCount(); ++f) {
        const FieldDef& d = table.GetField(f);
        if (platform::lstrcmpiA(d.name, name) == 0
            || (!d.secondName.empty() && platform::lstrcmpiA(d.secondName, name) == 0))
            return f;
    }
    // A field the table gains on first use is named before it has it.
    return table.FindField(name);
}

void Condition::Clear()
{
    items_.Clear();
    terms_.clear();
}

ConditionError Condition::Compile(std::string_view text, const AddressTable& table)
{
    Clear();
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::vector<Item> items;
    if (const ConditionError e = CompileItems(text, table, items); e != ConditionError::kNone)
        return e;
    terms_.reserve(items.size());
    for (const Item& item : items) {
        if (!items_.AddLine(std::string_view(item.data(), item.size()))) {
            Clear();
            return ConditionError::kNone;
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
        terms_.push_back(t);
    }
    return ConditionError::kNone;
}

int Condition::Evaluate(const AddressTable& table, int record, int& matchField) const
{
    if (terms_.empty())
        return 1;
    return EvaluateRange(table, 0, static_cast<int>(terms_.size()), record, matchField);
}

int Condition::EvaluateRange(const AddressTable& table, int from, int to, int record, int& matchField) const
{
    bool result = false;
    bool group = false; // the AND chain of the current OR branch holds so far
    bool stopped = false;
    int first = -1;
    for (int i = from; i < to;) {
        const Term& term = terms_[static_cast<std::size_t>(i)];
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
            t = EvaluateRange(table, i + 1, term.index, record, matchField) == 1;
            i = term.index;
        } else {
            const char* value = table.GetValue(term.index, record);
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
    if (matchField == -1)
        matchField = first;
    return 1;
}

bool Condition::TestTerm(const Term& term, const char* value) const
{
    int s;
    if (term.number) {
        const long long v = bytescan::Atol(value);
        s = v < term.numberValue ? -1 : v > term.numberValue ? 1 : 0;
    } else if (term.op1 == '=') {
        s = Matches(static_cast<MatchKind>(term.op2 - '0'), value, term.Text(), term.firstFolded) ? 0 : 1;
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

} // namespace nrt
