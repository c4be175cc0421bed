// Readings stored in hiragana or full-width katakana, converted once.
#include "db/StoredReadings.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;

TEST(StoredReadings, ConvertsOnlyTheReadingsThatNeedIt)
{
    struct Row {
        const char* name;
        const char* kana;
        bool deleted;
        const char* after;
    } rows[] = {
        { "山田太郎", "ヤマダ　タロウ", false, "ﾔﾏﾀﾞ ﾀﾛｳ" },
        { "安田花子", "ﾔｽﾀﾞ ﾊﾅｺ", false, "ﾔｽﾀﾞ ﾊﾅｺ" },
        { "矢野一郎", "やの　いちろう", false, "ﾔﾉ ｲﾁﾛｳ" },
        { "消えた人", "きえた", true, "きえた" },
        { "読みなし", "", false, "" },
        { "混在", "ヤマ田", false, "ﾔﾏ田" },
    };
    AddressTable db;
    db.CreateDefaultTable();
    for (const Row& r : rows) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kName, S(r.name)), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kKana, S(r.kana)), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kMail, "a@example.jp"), RecordError::kNone);
        ASSERT_EQ(db.PostRecord(), RecordError::kNone);
        if (r.deleted)
            db.MarkDeleted(db.GetRecordCount() - 1);
    }
    EXPECT_EQ(CountReadingsToConvert(db), 3);
    EXPECT_EQ(ConvertStoredReadings(db), 3);
    EXPECT_EQ(CountReadingsToConvert(db), 0);
    EXPECT_EQ(ConvertStoredReadings(db), 0) << "a second run finds nothing";
    ASSERT_EQ(db.GetRecordCount(), static_cast<int>(std::size(rows))) << "converted in place, nothing added";
    for (int k = 0; k < db.GetRecordCount(); ++k) {
        const Row& r = rows[k];
        EXPECT_EQ(U(db.Value(field::kKana, k)), r.after) << r.name;
        EXPECT_EQ(U(db.Value(field::kName, k)), r.name) << "the other fields stay";
        EXPECT_EQ(db.Value(field::kMail, k), "a@example.jp");
        EXPECT_EQ(db.IsDeleted(k), r.deleted);
    }
    EXPECT_EQ(db.GetCurrentIndex(), -1) << "no record left half-edited";
}

TEST(StoredReadings, ATableWithoutReadingsIsLeftAlone)
{
    AddressTable db;
    FieldDef name;
    name.name = S("名前");
    name.width = 30;
    FieldDefinition fields;
    ASSERT_EQ(fields.AddField(name), FieldError::kNone);
    ASSERT_EQ(db.DefineFields(fields), RecordError::kNone);
    db.ClearCurrent();
    EXPECT_EQ(db.SetValue(0, S("やまだ")), RecordError::kNone);
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    EXPECT_EQ(CountReadingsToConvert(db), 0);
    EXPECT_EQ(ConvertStoredReadings(db), 0);
    EXPECT_EQ(U(db.Value(0, 0)), "やまだ");
}
