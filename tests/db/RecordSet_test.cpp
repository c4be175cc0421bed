// Record sets: selection with its trace in the flag byte, the cursor and its codes,
// editing through the table's buffer, deleting with reselection, and searching.
#include "db/RecordSet.h"
#include "platform/MessageHost.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;

namespace {

// A default table whose records have the given names (and カナ "k" + name).
void Fill(AddressTable& db, const std::vector<std::string>& names)
{
    db.CreateDefaultTable();
    for (const auto& n : names) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kSender, "0"), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kName, n), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kKana, "k" + n), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
}

std::vector<int> Rows(const RecordSet& rec)
{
    return { rec.Rows().begin(), rec.Rows().end() };
}

} // namespace

TEST(RecordSet, SelectTracesTheSelectionInTheFlagByte)
{
    AddressTable db;
    Fill(db, { "a", "b", "c", "d" });
    db.MarkDeleted(1);
    db.SetFlags(2, 0x01); // selected last time, not this time
    RecordSet rec;
    rec.Attach(&db);

    EXPECT_EQ(rec.Select(""), SelectResult::kSelected);
    EXPECT_EQ(Rows(rec), (std::vector<int> { 0, 2, 3 }));
    EXPECT_EQ(rec.GetPos(), 0);
    EXPECT_FALSE(rec.IsEnd());

    EXPECT_EQ(rec.Select(S("名前='a' or 名前='d' or 名前='b'")), SelectResult::kSelected);
    EXPECT_EQ(Rows(rec), (std::vector<int> { 0, 3 }));
    EXPECT_EQ(db.GetFlags(0), 0x01);
    EXPECT_EQ(db.GetFlags(1), 0x80); // deleted records are left as they are
    EXPECT_EQ(db.GetFlags(2), 0x00);
    EXPECT_EQ(db.GetFlags(3), 0x01);

    EXPECT_EQ(rec.Select(S("名前='zzz'")), SelectResult::kNothingSelected);
    EXPECT_EQ(rec.GetRowCount(), 0);
    EXPECT_EQ(rec.GetPos(), -1);
    EXPECT_TRUE(rec.IsEnd());
    EXPECT_EQ(db.GetFlags(0), 0x00);
}

TEST(RecordSet, ACompileErrorKeepsTheRowsAndEmptiesTheSlot)
{
    AddressTable db;
    Fill(db, { "a", "b" });
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(S("名前='b'")), SelectResult::kSelected);
    EXPECT_EQ(static_cast<int>(rec.Select(S("名前='b"))), -13); // ConditionError::kUnquotedText
    EXPECT_EQ(Rows(rec), (std::vector<int> { 1 }));
    EXPECT_EQ(rec.GetSlot(RecordSet::kSlotSelect).GetCount(), 0);
}

TEST(RecordSet, CursorMovesAndTheirCodes)
{
    AddressTable db;
    Fill(db, { "a", "b", "c" });
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(""), SelectResult::kSelected);

    struct Step {
        char move; // n(ext) p(rev) s(et)
        int arg;
        int code;
        int pos;
        bool end;
        bool hasPrev, hasNext;
    } steps[] = {
        { 'n', 0, 0, 1, false, true, true },
        { 'n', 0, 0, 2, false, true, false },
        { 'n', 0, 1, 3, true, true, false },
        { 'n', 0, 2, 3, true, true, false },
        { 'p', 0, 0, 2, false, true, false },
        { 's', 0, 0, 0, false, false, true },
        { 'p', 0, 1, -1, true, false, true },
        { 'p', 0, 2, -1, true, false, true },
        { 'n', 0, 0, 0, false, false, true },
        { 's', 3, -1, -1, true, false, true },
        { 's', -2, -1, -1, true, false, true },
        { 's', 2, 2, 2, false, true, false },
    };
    for (const auto& s : steps) {
        // The moves' codes and SetPos's row, by number.
        const int code = s.move == 'n' ? static_cast<int>(rec.Next())
            : s.move == 'p'            ? static_cast<int>(rec.Prev())
                                       : rec.SetPos(s.arg);
        EXPECT_EQ(code, s.code) << s.move << s.arg;
        EXPECT_EQ(rec.GetPos(), s.pos) << s.move << s.arg;
        EXPECT_EQ(rec.IsEnd(), s.end) << s.move << s.arg;
        EXPECT_EQ(rec.HasPrev(), s.hasPrev) << s.move << s.arg;
        EXPECT_EQ(rec.HasNext(), s.hasNext) << s.move << s.arg;
    }
}

TEST(RecordSet, ReadPostAndValuesGoThroughTheTableBuffer)
{
    AddressTable db;
    Fill(db, { "a", "b", "c" });
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(S("名前<>'a'")), SelectResult::kSelected);

    EXPECT_STREQ(rec.GetValue(field::kName), "b");
    EXPECT_STREQ(rec.GetValueByName(S("カナ")), "kb");
    EXPECT_EQ(rec.GetValueByName(S("住所３")), nullptr);
    EXPECT_EQ(rec.GetRecordIndex(), 1);

    ASSERT_EQ(rec.Read(), RecordError::kNone);
    EXPECT_EQ(db.GetCurrentIndex(), 1);
    EXPECT_EQ(rec.SetValue(S("名前"), "B2"), RecordError::kNone);
    EXPECT_EQ(rec.SetValue(S("名前"), std::string(31, 'x')), RecordError::kTooLong);
    EXPECT_EQ(rec.SetValue(S("住所３"), "x"), RecordError::kNoField);
    EXPECT_EQ(rec.Post(), RecordError::kNone);
    EXPECT_STREQ(db.GetValue(field::kName, 1), "B2");
    EXPECT_EQ(db.GetRecordCount(), 3);

    // Past the rows: the buffer is emptied and the cursor leaves the rows.
    rec.SetPos(1);
    EXPECT_EQ(rec.Next(), CursorMove::kPassedEnd);
    EXPECT_EQ(rec.GetValue(field::kName), nullptr);
    EXPECT_EQ(rec.Read(), RecordError::kNoRecord);
    EXPECT_EQ(rec.GetPos(), -1);
    EXPECT_EQ(db.GetCurrentIndex(), -1);
    EXPECT_EQ(db.GetCurrentValue(field::kName), "");
    EXPECT_EQ(rec.Read(), RecordError::kNoRecord);

    // A new record posted through the set is appended.
    rec.ClearCurrent();
    EXPECT_EQ(rec.SetValue(S("名前"), "new"), RecordError::kNone);
    EXPECT_EQ(rec.Post(), RecordError::kNone);
    EXPECT_STREQ(db.GetValue(field::kName, 3), "new");
}

TEST(RecordSet, DeleteCurrentWithReselectLandsOnTheFollowingRecord)
{
    AddressTable db;
    Fill(db, { "a", "b", "c", "d", "e" });
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(""), SelectResult::kSelected);

    rec.SetPos(3);
    EXPECT_TRUE(rec.DeleteCurrent(1));
    EXPECT_TRUE(db.IsDeleted(3));
    EXPECT_EQ(Rows(rec), (std::vector<int> { 0, 1, 2, 4 }));
    EXPECT_EQ(rec.GetPos(), 3);
    EXPECT_STREQ(rec.GetValue(field::kName), "e");

    // The last row: nothing follows it.
    EXPECT_TRUE(rec.DeleteCurrent(1));
    EXPECT_EQ(rec.GetPos(), -1);
    EXPECT_TRUE(rec.IsEnd());
    EXPECT_FALSE(rec.DeleteCurrent(1));

    // Without reselecting the row stays, its record marked.
    rec.SetPos(0);
    EXPECT_TRUE(rec.DeleteCurrent(0));
    EXPECT_EQ(Rows(rec), (std::vector<int> { 0, 1, 2 }));
    EXPECT_TRUE(db.IsDeleted(0));
    EXPECT_STREQ(rec.GetValue(field::kName), "a");
}

TEST(RecordSet, FindScansFromItsStartInItsDirection)
{
    AddressTable db;
    Fill(db, { "x1", "y", "x2", "x3", "y", "x4" });
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(""), SelectResult::kSelected);
    db.MarkDeleted(3); // still a row, passed over by searching

    const std::string x = S("名前='x*'");
    struct Case {
        int cursor, start, direction;
        int found;
    } cases[] = {
        { 4, 0, 1, 0 },
        { 4, 1, 1, 5 },
        { 4, 2, 1, 5 },
        { 4, 1, 0, 2 },
        { 2, 1, 1, 2 },
        { 2, 1, -1, 2 },
        { 4, 2, 0, 5 },
        { 4, 0, 0, 0 },
        { 1, 1, 1, 2 },
        { -1, 1, 0, 5 },
        { -1, 1, 1, 0 },
    };
    for (const auto& c : cases) {
        rec.SetPos(c.cursor);
        EXPECT_EQ(rec.Find(x, c.start, c.direction), c.found) << c.cursor << c.start << c.direction;
        EXPECT_EQ(rec.GetPos(), c.found);
        EXPECT_FALSE(rec.IsEnd());
    }

    // Onwards with the same condition, passing over the deleted record.
    rec.SetPos(2);
    EXPECT_EQ(rec.FindNext(), 5);
    EXPECT_EQ(rec.FindNext(), -1);
    EXPECT_EQ(rec.GetPos(), -1);
    EXPECT_TRUE(rec.IsEnd());
    EXPECT_EQ(rec.FindNext(), 0); // from row 0 when the cursor is -1
    EXPECT_EQ(rec.FindPrev(), -1);
    EXPECT_EQ(rec.FindPrev(), 5); // from the last row when the cursor is -1
    EXPECT_EQ(rec.FindPrev(), 2);
    EXPECT_STREQ(rec.GetValue(field::kName), "x2");
    EXPECT_EQ(U(rec.MatchField().name), "名前");
}

TEST(RecordSet, SearchFailuresShowTheirMessages)
{
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scoped(host);
    AddressTable db;
    Fill(db, { "a", "b" });
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(S("登録日=''")), SelectResult::kSelected);

    EXPECT_EQ(rec.Find(S("名前='a"), 0, 1), -1);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(U(host.shown[0].text), "検索条件の作成に失敗しました。");
    EXPECT_EQ(U(host.shown[0].caption), "注意");
    EXPECT_EQ(rec.GetPos(), -1);
    EXPECT_EQ(rec.GetSlot(RecordSet::kSlotSearch).GetCount(), 0);

    // Conditions compiled for the 24 fields meet a table of one.
    ASSERT_EQ(rec.Find(S("登録日=''"), 0, 1), 0);
    FieldDefinition one;
    FieldDef f;
    f.name = "f";
    f.width = 5;
    ASSERT_EQ(one.AddField(f), FieldError::kNone);
    EXPECT_EQ(db.DefineFields(one), RecordError::kNone);
    for (int i = 0; i < 2; ++i) {
        db.ClearCurrent();
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
    EXPECT_EQ(rec.FindNext(), -1);
    ASSERT_EQ(host.shown.size(), 2u);
    EXPECT_EQ(U(host.shown[1].text), "PG_Err:不正なデータが混入しています。");
    EXPECT_EQ(U(host.shown[1].caption), "注意");

    // The selection fails the same way when it is rebuilt.
    rec.SetPos(0);
    EXPECT_TRUE(rec.DeleteCurrent(1));
    ASSERT_EQ(host.shown.size(), 3u);
    EXPECT_EQ(U(host.shown[2].text), "PG_Err:不正なデータが混入しています。");
    EXPECT_EQ(U(host.shown[2].caption), "注意");
    EXPECT_EQ(rec.GetRowCount(), 0);
    EXPECT_EQ(rec.GetPos(), -1);
}

// Conditions and sort keys name the fields after the 24 before the table has them
// (every record reads them empty) and after.
TEST(RecordSet, ConditionsAndSortNameTheExtendedFields)
{
    AddressTable db;
    Fill(db, { "a", "b", "c" });
    RecordSet rec;
    rec.Attach(&db);
    EXPECT_EQ(rec.SetSort(S("役職, 名前"), 0), SortError::kNone);
    EXPECT_EQ(rec.Select(S("連名１=''")), SelectResult::kSelected);
    EXPECT_EQ(Rows(rec), (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ(rec.Select(S("年賀状履歴='*2027受*'")), SelectResult::kNothingSelected);
    EXPECT_EQ(db.GetFieldCount(), 24);

    for (const auto& [k, history, title] :
        { std::tuple { 0, "2027受", "b" }, { 1, "2027出受", "" }, { 2, "2026受", "a" } }) {
        ASSERT_EQ(db.ReadRecord(k), RecordError::kNone);
        ASSERT_EQ(db.SetValue(field::kCardHistory, S(history)), RecordError::kNone);
        ASSERT_EQ(db.SetValue(field::kTitle, title), RecordError::kNone);
        ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    }
    EXPECT_EQ(rec.Select(S("年賀状履歴='*2027受*'")), SelectResult::kSelected);
    EXPECT_EQ(Rows(rec), (std::vector<int> { 0 }));
    EXPECT_EQ(rec.Select(S("年賀状履歴='*受*'")), SelectResult::kSelected);
    EXPECT_EQ(Rows(rec), (std::vector<int> { 1, 2, 0 }));
}
