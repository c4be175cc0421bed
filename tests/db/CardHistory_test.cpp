// The New Year's card history: its two fields, the card year, and the list presets run
// through the condition language against a table.
#include "db/CardHistory.h"

#include "db/AddressTable.h"
#include "db/RecordSet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace nrt;
using namespace nrt::cardhistory;
using nrt::test::S;

TEST(CardHistory, FieldsReadAndWriteBack)
{
    const std::vector<YearMarks> years = Parse(
        S("2025出 2027受出 x2026 2026喪 2024出受喪 20ab出"), S("2026:ご母堂様ご逝去\t2027:転居のお知らせ\tbad\t2025:"));
    ASSERT_EQ(years.size(), 4u);
    EXPECT_EQ(years[0], (YearMarks { 2027, true, true, false, S("転居のお知らせ") }));
    EXPECT_EQ(years[1], (YearMarks { 2026, false, false, true, S("ご母堂様ご逝去") }));
    EXPECT_EQ(years[2], (YearMarks { 2025, true, false, false, "" }));
    EXPECT_EQ(years[3], (YearMarks { 2024, true, true, true, "" }));

    const Fields f = Format(years);
    EXPECT_EQ(f.history, S("2027出受 2026喪 2025出 2024喪出受"));
    EXPECT_EQ(f.notes, S("2027:転居のお知らせ\t2026:ご母堂様ご逝去"));
    EXPECT_EQ(Parse(f.history, f.notes), years);

    // A year put in place, an emptied one taken out; a TAB in a note does not split it.
    std::vector<YearMarks> changed = WithYear(years, YearMarks { 2028, true, false, false, "a\tb" });
    changed = WithYear(changed, NoMarks(2025));
    EXPECT_EQ(Format(changed).history, S("2028出 2027出受 2026喪 2024喪出受"));
    EXPECT_EQ(Format(changed).notes, S("2028:a b\t2027:転居のお知らせ\t2026:ご母堂様ご逝去"));
    EXPECT_EQ(ForYear(f.history, f.notes, 2026).mourning, true);
    EXPECT_TRUE(ForYear(f.history, f.notes, 2030).IsEmpty());

    // The oldest years give way to fit the field.
    std::vector<YearMarks> many;
    for (int y = 1900; y < 2000; ++y)
        many.push_back(YearMarks { y, true, true, false, "" });
    const Fields full = Format(many);
    EXPECT_LE(full.history.size(), 250u);
    EXPECT_EQ(full.history.substr(0, 9), S("1999出受 "));
    EXPECT_EQ(full.history.substr(full.history.size() - 8), S("1973出受"));
}

TEST(CardHistory, CardYearTurnsInOctober)
{
    EXPECT_EQ(CardYear({ 2026, 1, 5 }), 2026);
    EXPECT_EQ(CardYear({ 2026, 9, 30 }), 2026);
    EXPECT_EQ(CardYear({ 2026, 10, 1 }), 2027);
    EXPECT_EQ(CardYear({ 2026, 12, 31 }), 2027);
}

// The presets are conditions of the language, so they work in the list, the print
// condition and nortea-cli --where alike.
TEST(CardHistory, PresetsSelectThroughTheConditionLanguage)
{
    struct Row {
        const char* name;
        const char* history;
    };
    const std::vector<Row> rows { { "a", "2027受 2026出受" }, { "b", "2027出受" }, { "c", "2027出" }, { "d", "2026受" },
        { "e", "2027喪受" }, { "f", "" }, { "g", "2027受喪" }, { "h", "12027出 2028受" } };
    AddressTable db;
    db.CreateDefaultTable();
    for (const Row& r : rows) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValueByName(S("宛名区分"), "0"), RecordError::kNone);
        EXPECT_EQ(db.SetValueByName(S("名前"), r.name), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kCardHistory, r.history[0] ? Format(Parse(S(r.history), "")).history : ""),
            RecordError::kNone);
        ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    }
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.SetSort(S("名前"), 0), SortError::kNone);
    const auto names = [&](Preset p) {
        std::string selected;
        if (rec.Select(S("宛名区分='0'") + PresetCondition(p, 2027)) == SelectResult::kSelected)
            for (int r : rec.Rows())
                selected += db.GetValue(2, r);
        return selected;
    };
    EXPECT_EQ(names(Preset::kReceivedNotSent), "a");
    EXPECT_EQ(names(Preset::kSentOrReceived), "abceg");
    EXPECT_EQ(names(Preset::kMourning), "eg");
    // An OR inside the preset reaches no further than it.
    EXPECT_EQ(
        rec.Select(S("名前='z'") + PresetCondition(Preset::kSentOrReceived, 2027)), SelectResult::kNothingSelected);
}
