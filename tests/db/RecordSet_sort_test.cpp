// Sort orders and the order of the rows. The order of equal rows is fixed by
// the quicksort with its 32-range stack and the final insertion pass; the record set
// finishes with a faster equivalent of that pass, so the literal procedure is written
// out here as the model.
#include "db/RecordSet.h"
#include "platform/MessageHost.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;

namespace {

using Values = std::vector<std::pair<int, std::string>>;

void AddRecord(AddressTable& db, const Values& values)
{
    db.ClearCurrent();
    for (const auto& [field, value] : values)
        ASSERT_EQ(db.SetValue(field, value), RecordError::kNone);
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
}

// Row a compared with row b under the keys, as the procedure compares.
int CompareRows(const AddressTable& db, const RecordSet::SortKeys& keys, int a, int b)
{
    for (const auto& key : keys) {
        if (key.field == -1)
            break;
        std::string_view va = db.Value(key.field, a), vb = db.Value(key.field, b);
        if (key.prefix > 0) {
            va = va.substr(0, static_cast<std::size_t>(key.prefix));
            vb = vb.substr(0, static_cast<std::size_t>(key.prefix));
        }
        int r;
        if (key.flags & RecordSet::kSortNumeric) {
            const long x = std::atol(std::string(va).c_str()), y = std::atol(std::string(vb).c_str());
            r = x < y ? -1 : x > y ? 1 : 0;
        } else {
            r = platform::lstrcmpiA(va, vb);
            r = r < 0 ? -1 : r > 0 ? 1 : 0;
        }
        if (key.flags & RecordSet::kSortDescending)
            r = -r;
        if (r != 0)
            return r;
    }
    return 0;
}

// The sort exactly as the procedure is written, insertion pass included.
std::vector<int> LiteralSort(std::vector<int> rows, const AddressTable& db, const RecordSet::SortKeys& keys)
{
    auto cmp = [&](int a, int b) { return CompareRows(db, keys, a, b); };
    struct Range {
        int lo, hi;
    };
    std::vector<Range> stack;
    int lo = 0, hi = static_cast<int>(rows.size()) - 1;
    bool done = false;
    while (!done) {
        if (hi - lo <= 10) {
            if (stack.empty())
                break;
            lo = stack.back().lo;
            hi = stack.back().hi;
            stack.pop_back();
        }
        const int pivot = rows[static_cast<std::size_t>((lo + hi) / 2)];
        int i = lo, j = hi;
        for (;;) {
            while (cmp(rows[static_cast<std::size_t>(i)], pivot) < 0)
                ++i;
            while (cmp(rows[static_cast<std::size_t>(j)], pivot) > 0)
                --j;
            if (i >= j)
                break;
            std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(j)]);
            ++i;
            --j;
        }
        if (i - lo > hi - j) {
            if (i - lo > 10)
                stack.push_back({ lo, i - 1 });
            lo = j + 1;
        } else {
            if (hi - j > 10)
                stack.push_back({ j + 1, hi });
            hi = i - 1;
        }
        done = stack.size() == 32;
    }
    for (std::size_t k = 1; k < rows.size(); ++k) {
        const int v = rows[k];
        for (std::size_t j = k; j-- > 0;) {
            if (cmp(rows[j], v) < 0)
                break;
            std::swap(rows[j], rows[j + 1]);
        }
    }
    return rows;
}

std::vector<int> Rows(const RecordSet& rec)
{
    return { rec.Rows().begin(), rec.Rows().end() };
}

} // namespace

TEST(SetSort, ParsesKeysAndModifiers)
{
    AddressTable db;
    db.CreateDefaultTable();
    RecordSet rec;
    rec.Attach(&db);
    using Key = RecordSet::SortKey;
    const int d = RecordSet::kSortDescending, n = RecordSet::kSortNumeric;
    struct Case {
        const char* order;
        SortError code;
        std::vector<Key> keys;
    } cases[] = {
        { "カナ, 名前", SortError::kNone, { { field::kKana, 0, 0 }, { field::kName, 0, 0 } } },
        { "大分類,小分類,カナ", SortError::kNone,
            { { field::kCategory, 0, 0 }, { field::kSubcategory, 0, 0 }, { field::kKana, 0, 0 } } },
        { "生年月日 D", SortError::kNone, { { field::kBirthday, d, 0 } } },
        { "生年月日 desc,カナ u", SortError::kNone, { { field::kBirthday, d, 0 }, { field::kKana, 0, 0 } } },
        { "郵便番号 ND", SortError::kNone, { { field::kPostalCode, n | d, 0 } } },
        { "郵便番号 nUp", SortError::kNone, { { field::kPostalCode, n, 0 } } },
        { "電話番号 L2", SortError::kNone, { { field::kPhone, 0, 2 } } },
        { "電話番号 D l30 x y, 名前", SortError::kNone, { { field::kPhone, d, 30 }, { field::kName, 0, 0 } } },
        { "電話番号 L31", SortError::kNone, { { field::kPhone, 0, 0 } } },
        { "電話番号 L", SortError::kNone, { { field::kPhone, 0, 0 } } },
        { "  カナ   ,  名前  ", SortError::kNone, { { field::kKana, 0, 0 }, { field::kName, 0, 0 } } },
        { "", SortError::kNone, {} },
        { "カナ X", SortError::kBadDirection, {} },
        { "名前, カナ ASC", SortError::kBadDirection, { { field::kName, 0, 0 } } },
        { "名前, カナ N", SortError::kBadDirection, { { field::kName, 0, 0 } } },
        { "名前, 住所３, カナ", SortError::kUnknownField, { { field::kName, 0, 0 } } },
        { "名前,,カナ", SortError::kUnknownField, { { field::kName, 0, 0 } } },
        { "ｶﾅ", SortError::kUnknownField, {} },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rec.SetSort(S(c.order), 0), c.code) << c.order;
        std::vector<Key> keys;
        for (const auto& k : rec.GetSortKeys())
            if (k.field != -1)
                keys.push_back(k);
        ASSERT_EQ(keys.size(), c.keys.size()) << c.order;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(keys[i].field, c.keys[i].field) << c.order;
            EXPECT_EQ(keys[i].flags, c.keys[i].flags) << c.order;
            EXPECT_EQ(keys[i].prefix, c.keys[i].prefix) << c.order;
        }
    }

    // Ten keys at most; the rest of the text is ignored.
    std::string eleven;
    for (int i = 0; i < 11; ++i)
        eleven += (i ? "," : "") + DefaultFieldName(i);
    EXPECT_EQ(rec.SetSort(eleven + ",no such field", 0), SortError::kNone);
    EXPECT_EQ(rec.GetSortKeys()[9].field, 9);
    EXPECT_EQ(rec.GetSortKeys()[10].field, -1);

    // A field's second name serves as well as its name.
    FieldDefinition list;
    FieldDef f;
    f.name = S("氏名");
    f.secondName = "Name";
    f.width = 30;
    ASSERT_EQ(list.AddField(f), FieldError::kNone);
    AddressTable other;
    EXPECT_EQ(other.DefineFields(list), RecordError::kNone);
    rec.Attach(&other);
    EXPECT_EQ(rec.SetSort("NAME d", 0), SortError::kNone);
    EXPECT_EQ(rec.GetSortKeys()[0].field, 0);
    EXPECT_EQ(rec.GetSortKeys()[0].flags, d);
}

TEST(SortRows, OrdersTheRowsByTheirKeys)
{
    struct Case {
        const char* sort;
        int field;
        std::vector<std::string> values;
        std::vector<int> order;
    } cases[] = {
        // Equal rows come out in reverse of their order.
        { "カナ", field::kKana, { S("ｲﾉｳｴ"), S("ｱｵｷ"), S("ｱｵｷ") }, { 2, 1, 0 } },
        { "郵便番号 NU", field::kPostalCode, { "10", "9", "-3", "x" }, { 2, 3, 1, 0 } },
        { "郵便番号", field::kPostalCode, { "10", "9", "-3", "x" }, { 2, 0, 1, 3 } },
        { "郵便番号 ND", field::kPostalCode, { "10", "9", "009" }, { 0, 2, 1 } },
        { "電話番号 L2", field::kPhone, { "03-1111", "06-0000", "03-2222", "0" }, { 3, 2, 0, 1 } },
        { "電話番号 D L2", field::kPhone, { "03-1111", "06-0000", "03-2222" }, { 1, 2, 0 } },
        { "名前", field::kName, { "b", "A", "a", "B", "" }, { 4, 2, 1, 3, 0 } },
        { "名前", field::kName, { S("ｱ"), "z", S("あ"), "Z" }, { 3, 1, 2, 0 } },
    };
    for (const auto& c : cases) {
        AddressTable db;
        db.CreateDefaultTable();
        for (const auto& v : c.values)
            AddRecord(db, { { c.field, v } });
        RecordSet rec;
        rec.Attach(&db);
        ASSERT_EQ(rec.SetSort(S(c.sort), 0), SortError::kNone);
        ASSERT_EQ(rec.Select(""), SelectResult::kSelected);
        EXPECT_EQ(Rows(rec), c.order) << c.sort;
    }
}

TEST(SortRows, UpToElevenEqualRowsComeOutReversed)
{
    for (int count = 1; count <= 14; ++count) {
        AddressTable db;
        db.CreateDefaultTable();
        for (int k = 0; k < count; ++k)
            AddRecord(db, { { field::kKana, S("ｻﾄｳ") }, { field::kName, std::to_string(k) } });
        RecordSet rec;
        rec.Attach(&db);
        ASSERT_EQ(rec.SetSort(S("カナ"), 0), SortError::kNone);
        ASSERT_EQ(rec.Select(""), SelectResult::kSelected);
        std::vector<int> recordOrder(static_cast<std::size_t>(count));
        std::iota(recordOrder.begin(), recordOrder.end(), 0);
        EXPECT_EQ(Rows(rec), LiteralSort(recordOrder, db, rec.GetSortKeys())) << count;
        if (count <= 11) {
            EXPECT_EQ(Rows(rec), std::vector<int>(recordOrder.rbegin(), recordOrder.rend())) << count;
        }
    }
}

TEST(SortRows, MatchesTheLiteralProcedureOnRandomTables)
{
    const char* orders[] = { "カナ", "カナ D", "名前, カナ", "電話番号 L2, 名前 D", "郵便番号 NU, カナ", "郵便番号 ND",
        "大分類,小分類,カナ" };
    // Few distinct values, so that most keys are shared by many rows.
    const std::vector<std::string> kana = { "", S("ｱ"), S("ｱｲ"), S("ｶ"), "abc", "ABC", "Abd", S("山"),
        "abcdefghijklmnopQ", "ABCDEFGHIJKLMNOPq", "abcdefghijklmnop", S("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁ") };
    const std::vector<std::string> numbers = { "", "1", "01", "10", "9", "-2", "x" };
    const std::vector<std::string> phones = { "0", "01", "001", "010", "09", "0-2", "0x" };
    std::mt19937 rng(12345);
    for (int round = 0; round < 120; ++round) {
        const int count = round < 60 ? round : round < 100 ? 100 + round * 7 : 1500;
        AddressTable db;
        db.CreateDefaultTable();
        for (int k = 0; k < count; ++k) {
            const auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
            AddRecord(db,
                { { field::kKana, pick(kana) }, { field::kName, pick(kana) }, { field::kPhone, pick(phones) },
                    { field::kPostalCode, pick(numbers) }, { field::kCategory, rng() % 5 ? "" : "a" },
                    { field::kSubcategory, rng() % 3 ? "" : "B" } });
            if (rng() % 10 == 0)
                db.MarkDeleted(k);
        }
        RecordSet rec;
        rec.Attach(&db);
        const char* order = orders[static_cast<std::size_t>(round) % std::size(orders)];
        ASSERT_EQ(rec.SetSort(S(order), 0), SortError::kNone);
        const SelectResult code = rec.Select("");
        std::vector<int> live;
        for (int k = 0; k < count; ++k)
            if (!db.IsDeleted(k))
                live.push_back(k);
        ASSERT_EQ(code, live.empty() ? SelectResult::kNothingSelected : SelectResult::kSelected);
        EXPECT_EQ(Rows(rec), LiteralSort(live, db, rec.GetSortKeys())) << order << " with " << count << " records";
    }
}

TEST(SortRows, SortsAtOnceWhenAskedAndReportsKeysBeyondTheFields)
{
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scoped(host);
    AddressTable db;
    db.CreateDefaultTable();
    for (const char* v : { "c", "a", "b" })
        AddRecord(db, { { field::kName, v }, { field::kRegistered, v } });
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(""), SelectResult::kSelected);
    EXPECT_EQ(Rows(rec), (std::vector<int> { 0, 1, 2 }));
    ASSERT_EQ(rec.SetSort(S("名前"), 1), SortError::kNone);
    EXPECT_EQ(Rows(rec), (std::vector<int> { 1, 2, 0 }));

    // Keys set for the 24 fields, rows of a table of three.
    ASSERT_EQ(rec.SetSort(S("登録日 D"), 0), SortError::kNone);
    FieldDefinition three;
    for (const char* name : { "x", "y", "z" }) {
        FieldDef f;
        f.name = name;
        f.width = 5;
        ASSERT_EQ(three.AddField(f), FieldError::kNone);
    }
    EXPECT_EQ(db.DefineFields(three), RecordError::kNone);
    for (const char* v : { "c", "a", "b" })
        AddRecord(db, { { 0, v } });
    rec.SortRows();
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(U(host.shown[0].text), "PG:ソート番号がフィールド数をオーバーしました。");
    EXPECT_EQ(U(host.shown[0].caption), "注意");
    EXPECT_EQ(Rows(rec), (std::vector<int> { 1, 2, 0 }));
}
