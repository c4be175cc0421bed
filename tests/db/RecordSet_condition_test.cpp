// The condition language: compile codes at each point of the grammar, the compiled
// items byte by byte, and what a compiled condition selects.
#include "db/RecordSet.h"
#include "platform/MessageHost.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

using namespace nrt;
using nrt::test::AppendLE32;
using nrt::test::S;
using nrt::test::U;

namespace {

// A default table with one record per row of values for the given fields.
struct Table {
    AddressTable db;
    RecordSet rec;

    using Values = std::vector<std::pair<const char*, std::string>>;

    Table(std::initializer_list<Values> records = {})
    {
        db.CreateDefaultTable();
        for (const auto& values : records)
            Add(values);
        rec.Attach(&db);
    }
    void Add(const Values& values)
    {
        db.ClearCurrent();
        for (const auto& [field, value] : values)
            EXPECT_EQ(db.SetValueByName(S(field), value), RecordError::kNone) << field;
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
    // Record indices that satisfy the condition (every record is tested).
    std::set<int> Matching(const std::string& condition)
    {
        std::set<int> out;
        EXPECT_EQ(rec.CompileCondition(condition, RecordSet::kSlotSelect), ConditionError::kNone) << U(condition);
        for (int k = 0; k < db.GetRecordCount(); ++k)
            if (rec.Evaluate(k, RecordSet::kSlotSelect) == 1)
                out.insert(k);
        return out;
    }
};

// A table with a number field 番号 and a field whose second name is "name".
void DefineNumberTable(AddressTable& db)
{
    FieldDefinition list;
    FieldDef number;
    number.name = S("番号");
    number.type = kFieldNumber;
    number.width = 9;
    FieldDef named;
    named.name = S("氏名");
    named.secondName = "Name";
    named.width = 30;
    ASSERT_EQ(list.AddField(number), FieldError::kNone);
    ASSERT_EQ(list.AddField(named), FieldError::kNone);
    ASSERT_EQ(db.DefineFields(list), RecordError::kNone);
}

std::string Repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

} // namespace

TEST(Condition, CompileCodesAtEachPointOfTheGrammar)
{
    Table t;
    AddressTable numbers;
    DefineNumberTable(numbers);
    RecordSet numberRec;
    numberRec.Attach(&numbers);

    // Ten groups open at once are accepted, the eleventh is not; each term closes one.
    const std::string term = S("名前") + "='a'";
    auto nested = [&](int depth) {
        return Repeat("(" + term + " or ", depth - 1) + "(" + term + ")" + Repeat(" or " + term + ")", depth - 1);
    };

    struct Case {
        std::string text;
        int code;
    } cases[] = {
        { S("宛名区分='0' "), 0 },
        { "", 0 },
        { "   ", 0 },
        { S("宛名区分='0' and"), -1 },
        { S("宛名区分='0' xyz"), -1 },
        { S("(名前='a'))"), -1 },
        { S("宛名区分='0' xor 名前='a'"), -2 },
        { S("(名前='a' or (カナ='b')) and 名前='c'"), -2 },
        { S("宛名区分='0' ") + std::string(600, 'x') + S(" 名前='b'"), -2 },
        { S("宛名区分='0' and   "), -4 },
        { "(  ", -4 },
        { S("宛名区分='0' or ( "), -4 },
        { S("名前"), -5 },
        { std::string(300, 'x'), -5 },
        { S("名前='a' and \x82"), -5 },
        { S("名前 "), -7 },
        { S("住所３='a'"), -6 },
        { S("((名前='a'))"), -6 },
        { std::string(511, 'x') + "='a'", -6 },
        { S("名前 'a'"), -8 },
        { S("名前=>'a'"), -9 },
        { S("名前=<'a'"), -9 },
        { S("名前<<'a'"), -9 },
        { S("名前>>'a'"), -9 },
        { S("名前><'a'"), -9 },
        { S("名前="), -10 },
        { S("名前<>   "), -10 },
        { S("名前=a"), -13 },
        { S("名前='abc"), -13 },
        { S("名前='\x82"), -13 },
        { S("名前='") + std::string(52, 'x') + "'", 0 },
        { S("名前='") + std::string(53, 'x') + "'", -14 },
        { S("名前='") + std::string(51, 'x') + "'''", 0 },
        { S("名前='") + std::string(52, 'x') + "'''", -14 },
        { S("名前='") + Repeat(S("山"), 26) + "'", 0 },
        { nested(10), 0 },
        { S("名前='a' or ") + nested(10), 0 },
        { nested(11), -20 },
        { S("名前='a')"), -21 },
        { S("(名前='a'"), -22 },
        { S("(名前='a' or 名前='b') and カナ='c'"), 0 },
        { S("名前 = 'abc' AND カナ<>'x' Or 名前<='b' and 名前>='a' or 名前<'z' and 名前>'y' or 名前=='q'"), 0 },
        { S("名前='a'") + std::string("\0garbage", 8), 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<int>(t.rec.CompileCondition(c.text, RecordSet::kSlotSelect)), c.code) << U(c.text);

    struct NumberCase {
        const char* text;
        int code;
    } numberCases[] = {
        { "番号=123456789", 0 },
        { "番号=-5", 0 },
        { "番号=+5 and 番号<>7", 0 },
        { "番号=12a", -15 },
        { "番号=5)", -15 },
        { "番号='5'", -15 },
        { "番号=1234567890", -16 },
        { "番号=-1234567890", -16 },
        { "name='x'", 0 },
        { "NAME = 'x'", 0 },
        { "氏名='x'", 0 },
        { "名前='x'", -6 },
    };
    for (const auto& c : numberCases)
        EXPECT_EQ(static_cast<int>(numberRec.CompileCondition(S(c.text), RecordSet::kSlotSelect)), c.code) << c.text;
}

TEST(Condition, AFailedCompileLeavesTheSlotEmpty)
{
    Table t { { { "名前", "a" } } };
    ASSERT_EQ(t.rec.CompileCondition(S("名前='a' or 名前='b'"), RecordSet::kSlotSearch), ConditionError::kNone);
    EXPECT_EQ(t.rec.GetSlot(RecordSet::kSlotSearch).GetCount(), 2);
    EXPECT_EQ(
        t.rec.CompileCondition(S("名前='a' or (名前='b'"), RecordSet::kSlotSearch), ConditionError::kUnclosedGroup);
    EXPECT_EQ(t.rec.GetSlot(RecordSet::kSlotSearch).GetCount(), 0);
    EXPECT_EQ(t.rec.CompileCondition(nullptr, RecordSet::kSlotSearch), ConditionError::kNone);
    EXPECT_EQ(t.rec.GetSlot(RecordSet::kSlotSearch).GetCount(), 0);
    // An empty slot is satisfied by every record.
    EXPECT_EQ(t.rec.Evaluate(0, RecordSet::kSlotSearch), 1);
}

TEST(Condition, CompiledItemsHaveTheirByteLayout)
{
    Table t;
    const std::string text
        = S("宛名区分='0'  and (名前=='*a''b*' or カナ>='ｱ' or 電話番号<>'x') and 名前='") + std::string(52, 'z') + "'";
    ASSERT_EQ(t.rec.CompileCondition(text, RecordSet::kSlotSelect), ConditionError::kNone);

    auto item = [](char kind, std::int32_t index, char op1, char op2, const std::string& value) {
        std::string b(72, '\0');
        b[0] = kind;
        std::string i;
        AppendLE32(i, index);
        b.replace(4, 4, i);
        b[8] = op1;
        b[9] = op2;
        b.replace(20, value.size(), value);
        return b;
    };
    std::string group(72, '\0');
    group[0] = '{';
    std::string end;
    AppendLE32(end, 5); // the item after the group's last term
    group.replace(4, 4, end);
    const std::vector<std::string> expected = {
        item('o', 0, '=', '0', "0"), group, item('o', 2, '=', '7', "a'b"), // "==" and "*" on both sides
        item('o', 3, '>', '=', S("ｱ")), item('o', 11, '<', '>', "x"),
        item('a', 2, '=', '0', std::string(52, 'z')), // no room left for a NUL
    };
    const LineList& slot = t.rec.GetSlot(RecordSet::kSlotSelect);
    ASSERT_EQ(slot.GetCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < slot.GetCount(); ++i)
        EXPECT_EQ(slot.GetLine(i), expected[static_cast<std::size_t>(i)]) << "item " << i;

    AddressTable numbers;
    DefineNumberTable(numbers);
    RecordSet r;
    r.Attach(&numbers);
    ASSERT_EQ(r.CompileCondition(S("番号==-42"), RecordSet::kSlotSelect), ConditionError::kNone);
    std::string number = item('o', 0, '=', '=', "");
    std::string ints;
    AppendLE32(ints, 1);
    AppendLE32(ints, -42);
    number.replace(12, 8, ints);
    EXPECT_EQ(r.GetSlot(RecordSet::kSlotSelect).GetLine(0), number);
}

TEST(Condition, MatchKindsAndComparisons)
{
    // 山 is 8E 52; in 0x88 0x8E 'R' the same two bytes straddle two characters.
    const std::string yama = S("山"), a = S("ア"), small = S("ャ");
    Table t {
        { { "名前", "abc" } }, // 0
        { { "名前", "ABC" } }, // 1
        { { "名前", "O'Brien" } }, // 2
        { { "名前", "*" } }, // 3
        { { "名前", "**" } }, // 4
        { { "名前", "xAB" } }, // 5
        { { "名前", "xab" } }, // 6
        { { "名前", S("山田") } }, // 7
        { { "名前", "\x88\x8ER" } }, // 8
        { { "名前", a } }, // 9
        { { "名前", small } }, // 10
        { { "名前", "" } }, // 11
        { { "名前", "abcd" } }, // 12
    };
    struct Case {
        std::string condition;
        std::set<int> rows;
    } cases[] = {
        { S("名前='abc'"), { 0, 1 } },
        { S("名前 = 'ABC'"), { 0, 1 } },
        { S("名前=='abc'"), { 0 } },
        { S("名前='O''Brien'"), { 2 } },
        { S("名前='*'"), { 3 } },
        { S("名前='**'"), {} },
        { S("名前=='**'"), {} },
        { S("名前='*ab'"), { 5, 6 } },
        { S("名前=='*ab'"), { 6 } },
        { S("名前='ab*'"), { 0, 1, 12 } },
        { S("名前=='AB*'"), { 1 } },
        { S("名前='*B*'"), { 0, 1, 2, 5, 6, 12 } },
        { S("名前=='*B*'"), { 1, 2, 5 } },
        { S("名前='*山*'"), { 7 } },
        { S("名前=='*山*'"), { 7, 8 } }, // byte positions: found inside 0x88 0x8E 'R'
        { S("名前='山*'"), { 7 } },
        { S("名前='*ア*'"), { 9 } }, // the second byte (41 / 61) is compared exactly
        { S("名前='ア'"), { 9 } },
        { S("名前=''"), { 11 } },
        { S("名前<>'abc'"), { 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 } },
        { S("名前<'abd' and 名前>'abb'"), { 0, 1, 12 } },
        { S("名前<='ABC' and 名前>='abc'"), { 0, 1 } },
        { S("名前='abc' or 名前='xab' and 名前='nothing'"), { 0, 1 } },
        { S("名前='nothing' and 名前='abc' or 名前='xab'"), { 5, 6 } },
        { S("(名前='abc' or 名前='xab') and 名前=='*b*'"), { 0, 6 } },
        { S("名前='*b*' and (名前='xab' or 名前='abcd')"), { 5, 6, 12 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.Matching(c.condition), c.rows) << U(c.condition);
}

TEST(Condition, AndBindsTighterThanOr)
{
    const char* fields[] = { "名前", "カナ", "敬称" };
    Table t;
    for (int bits = 0; bits < 8; ++bits) {
        std::vector<std::pair<const char*, std::string>> values;
        for (int f = 0; f < 3; ++f)
            values.emplace_back(fields[f], (bits >> f) & 1 ? std::to_string(f + 1) : "0");
        t.Add(values);
    }
    t.rec.Attach(&t.db);
    // a='1' or b='2' and c='3': record k has a = bit 0, b = bit 1, c = bit 2.
    std::set<int> expected;
    for (int k = 0; k < 8; ++k)
        if ((k & 1) || ((k & 2) && (k & 4)))
            expected.insert(k);
    EXPECT_EQ(t.Matching(S("名前='1' or カナ='2' and 敬称='3'")), expected);
    expected.clear();
    for (int k = 0; k < 8; ++k)
        if (((k & 1) || (k & 2)) && (k & 4))
            expected.insert(k);
    EXPECT_EQ(t.Matching(S("(名前='1' or カナ='2') and 敬称='3'")), expected);
}

TEST(Condition, KanaRangesFollowTheSyllabary)
{
    Table t { { { "カナ", S("ｱｵｷ") } }, { { "カナ", S("ｵｶﾀﾞ") } }, { { "カナ", S("ｶﾜｲ") } }, { { "カナ", S("ｶ") } },
        { { "カナ", S("ﾜﾀﾞ") } }, { { "カナ", S("ﾝ") } }, { { "カナ", S("ﾝｱ") } }, { { "カナ", "abc" } } };
    EXPECT_EQ(t.Matching(S("カナ>='ｱ' and カナ<'ｶ'")), (std::set<int> { 0, 1 }));
    EXPECT_EQ(t.Matching(S("宛名区分='0'  and カナ>='ｶ' and カナ<'ｻ'")), (std::set<int> {}));
    EXPECT_EQ(t.Matching(S("カナ>='ｶ' and カナ<'ｻ'")), (std::set<int> { 2, 3 }));
    EXPECT_EQ(t.Matching(S("カナ>='ﾜ' and カナ<='ﾝ'")), (std::set<int> { 4, 5 }));
}

TEST(Condition, NumberFieldsCompareIntegers)
{
    AddressTable db;
    DefineNumberTable(db);
    for (const char* v : { "9", "10", "", "007" }) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(0, v), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
    RecordSet rec;
    rec.Attach(&db);
    auto matching = [&](const char* condition) {
        std::set<int> out;
        EXPECT_EQ(rec.CompileCondition(S(condition), RecordSet::kSlotSelect), ConditionError::kNone) << condition;
        for (int k = 0; k < db.GetRecordCount(); ++k)
            if (rec.Evaluate(k, RecordSet::kSlotSelect) == 1)
                out.insert(k);
        return out;
    };
    EXPECT_EQ(matching("番号>9"), (std::set<int> { 1 }));
    EXPECT_EQ(matching("番号<=9"), (std::set<int> { 0, 2, 3 }));
    EXPECT_EQ(matching("番号=7"), (std::set<int> { 3 }));
    EXPECT_EQ(matching("番号==0"), (std::set<int> { 2 }));
    EXPECT_EQ(matching("番号<>9"), (std::set<int> { 1, 2, 3 }));
    EXPECT_EQ(matching("番号>-1 and 番号<+8"), (std::set<int> { 2, 3 }));
}

TEST(Condition, MatchFieldIsTheFirstSatisfiedTerm)
{
    Table t { { { "名前", "x" }, { "カナ", "y" } } };
    struct Case {
        const char* condition;
        const char* field; // nullptr: no match field
    } cases[] = {
        { "名前='q' or カナ='y'", "カナ" },
        { "名前='x' and カナ='y'", "名前" },
        { "カナ='y' or 名前='x'", "カナ" },
        { "名前='q' or (敬称='q' or カナ='y')", "カナ" },
        { "名前='q'", nullptr },
        { "", nullptr },
    };
    for (const auto& c : cases) {
        ASSERT_EQ(t.rec.CompileCondition(S(c.condition), RecordSet::kSlotSearch), ConditionError::kNone);
        t.rec.Evaluate(0, RecordSet::kSlotSearch);
        EXPECT_EQ(U(t.rec.MatchField().name), c.field ? c.field : "") << c.condition;
    }
}

TEST(Condition, AValueThatCannotBeReadFailsTheTestOrOnlyItsGroup)
{
    // Compiled against the 24 fields, then tested on a table of two.
    Table t;
    ASSERT_EQ(t.rec.CompileCondition(S("登録日=''"), RecordSet::kSlotSelect), ConditionError::kNone);
    ASSERT_EQ(t.rec.CompileCondition(S("(登録日='') or 宛名区分='x'"), RecordSet::kSlotSearch), ConditionError::kNone);
    FieldDefinition two;
    FieldDef a, b;
    a.name = "a";
    a.width = 1;
    b.name = "b";
    b.width = 1;
    ASSERT_EQ(two.AddField(a), FieldError::kNone);
    ASSERT_EQ(two.AddField(b), FieldError::kNone);
    ASSERT_EQ(t.db.DefineFields(two), RecordError::kNone);
    t.db.ClearCurrent();
    EXPECT_EQ(t.db.SetValue(0, "x"), RecordError::kNone);
    EXPECT_EQ(t.db.PostRecord(), RecordError::kNone);
    EXPECT_EQ(t.rec.Evaluate(0, RecordSet::kSlotSelect), -1);
    EXPECT_EQ(t.rec.Evaluate(5, RecordSet::kSlotSelect), -1); // no such record
    // Inside a group only the group fails; the other branch still decides.
    EXPECT_EQ(t.rec.Evaluate(0, RecordSet::kSlotSearch), 1);
}

TEST(Condition, TermsAgreeWithTheComparisonOnRandomValues)
{
    // Letters in both cases, double-byte characters whose second byte is a letter, a
    // lead byte that may end the value, half-width kana.
    const std::vector<std::string> pieces = { "a", "A", "b", "B", "*", "\x83\x41", "\x83\x61", "\x82", S("ｱ"), " " };
    std::mt19937 rng(99);
    auto text = [&](std::size_t most) {
        std::string s;
        for (std::size_t n = rng() % (most + 1); n > 0; --n)
            s += pieces[rng() % pieces.size()];
        return s;
    };
    auto contains = [](std::string_view v, std::string_view t, bool fold) {
        if (t.empty())
            return false;
        for (std::size_t p = 0; p + t.size() <= v.size(); p += platform::CharLength(v, p)) {
            const std::string_view w = v.substr(p, t.size());
            if (fold ? platform::lstrcmpiA(w, t) == 0 : w == t)
                return true;
        }
        return false;
    };
    for (int round = 0; round < 3000; ++round) {
        const std::string v = text(8), t = text(5);
        Table table;
        table.Add({ { "名前", v } });
        table.rec.Attach(&table.db);
        const int s = platform::lstrcmpiA(v, t);
        struct Op {
            const char* op;
            bool expected;
        } ops[] = { { "<", s < 0 }, { "<=", s <= 0 }, { "<>", s != 0 }, { ">", s > 0 }, { ">=", s >= 0 } };
        for (const auto& o : ops) {
            const std::string condition = S("名前") + o.op + "'" + t + "'";
            EXPECT_EQ(table.Matching(condition).size(), o.expected ? 1u : 0u) << U(condition) << " on " << U(v);
        }
        // "=" and "==" choose their kind by the asterisks around the text.
        const bool front = t.size() >= 2 && t.front() == '*', back = t.size() >= 2 && t.back() == '*';
        const std::string_view core = std::string_view(t).substr(front ? 1 : 0, t.size() - front - back);
        const std::string_view vv = v;
        bool insensitive, sensitive;
        if (front && back) {
            insensitive = contains(vv, core, true);
            sensitive = vv.find(core) != std::string_view::npos && !core.empty();
        } else if (front) {
            insensitive
                = vv.size() >= core.size() && platform::lstrcmpiA(vv.substr(vv.size() - core.size()), core) == 0;
            sensitive = vv.ends_with(core);
        } else if (back) {
            insensitive = vv.size() >= core.size() && platform::lstrcmpiA(vv.substr(0, core.size()), core) == 0;
            sensitive = vv.starts_with(core);
        } else {
            insensitive = s == 0;
            sensitive = v == t;
        }
        EXPECT_EQ(table.Matching(S("名前='") + t + "'").size(), insensitive ? 1u : 0u) << U(t) << " on " << U(v);
        EXPECT_EQ(table.Matching(S("名前=='") + t + "'").size(), sensitive ? 1u : 0u) << U(t) << " on " << U(v);
    }
}
