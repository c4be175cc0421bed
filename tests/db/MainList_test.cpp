#include "db/MainList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace nrt::mainlist;
using nrt::test::S;

TEST(MainList, ConditionsOfTheTabs)
{
    TabContext all { 0, 2, "" };
    TabContext friends { 1, 2, S("友人") };
    TabContext senders { 3, 2, "" };
    EXPECT_EQ(BaseCondition(all), S("宛名区分='0' "));
    EXPECT_EQ(BaseCondition(friends), S("宛名区分='0' and 大分類='友人' "));
    EXPECT_EQ(BaseCondition(senders), S("宛名区分='1' "));
    EXPECT_EQ(PrintCondition(all, ""), S("印字区分='1' and 宛名区分='0' "));
    EXPECT_EQ(PrintCondition(friends, S(" and カナ>='ｱ'")),
        S("印字区分='1' and 宛名区分='0' and 大分類='友人'  and カナ>='ｱ'"));
    EXPECT_EQ(PrintCondition(senders, ""), S("印字区分='1' and 宛名区分='1' "));
    EXPECT_EQ(ListCondition(all, S(" and 名前= 'a*'")), S("宛名区分='0'  and 名前= 'a*'"));
}

TEST(MainList, KanaIndexSuffixes)
{
    EXPECT_EQ(KanaSuffix(1), S(" and カナ>='ｱ' and カナ<'ｶ'"));
    EXPECT_EQ(KanaSuffix(9), S(" and カナ>='ﾗ' and カナ<'ﾜ'"));
    EXPECT_EQ(KanaSuffix(10), S(" and カナ>='ﾜ' and カナ<='ﾝ'"));
    EXPECT_EQ(KanaSuffix(0), "");
    EXPECT_EQ(KanaSuffix(11), "");
}

TEST(MainList, LetterKeysWrapRound)
{
    const std::vector<std::string> column2 = { "", S("ｱｵｷ"), S("ｶﾜｲ"), S("ｷﾀﾑﾗ"), "", S("ﾜﾀﾞ"), S("ﾝｺﾞ") };
    auto at = [&](int row) -> std::string_view { return column2[static_cast<std::size_t>(row)]; };
    ByteRange r;
    struct Case {
        int key, current, expected;
    } cases[] = {
        { 'K', 3, 2 }, // wraps round from ｷﾀﾑﾗ to ｶﾜｲ
        { 'k', 1, 2 },
        { 'A', 1, -1 }, // the only ｱ row is the current one
        { 'A', 4, 1 },
        { 'W', 1, 5 },
        { 'W', 5, 6 },
        { 'T', 1, -1 },
        { 'S', 2, -1 },
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(LetterRange(c.key, r)) << char(c.key);
        EXPECT_EQ(FindLetterRow(c.current, 6, r, at), c.expected) << char(c.key) << " from " << c.current;
    }
    EXPECT_FALSE(LetterRange('B', r));
    EXPECT_FALSE(LetterRange('1', r));
}

namespace {
ExtractRequest Req(int field, std::string value, bool choice, int kind, bool caseSensitive, bool add)
{
    ExtractRequest r;
    r.fieldIndex = field;
    r.value = std::move(value);
    r.valueIsChoice = choice;
    r.kind = kind;
    r.caseSensitive = caseSensitive;
    r.add = add;
    return r;
}
} // namespace

TEST(MainList, DetailedExtraction)
{
    auto none = [](std::string_view t) { return std::string(t); };
    struct Case {
        const char* what;
        ExtractRequest req;
        std::string suffixBefore;
        int countBefore;
        ExtractError error;
        std::string suffixAfter;
        int countAfter;
    };
    const std::vector<Case> cases = {
        { "head match", Req(1, "ab", false, 1, false, false), "", 0, ExtractError::None, S(" and 名前= 'ab*'"), 1 },
        { "case-sensitive tail", Req(2, S("ﾀ"), false, 2, true, false), "x", 2, ExtractError::None,
            S(" and カナ=='*ﾀ'"), 1 },
        { "added", Req(3, S("様"), false, 0, false, true), S(" and 名前= 'a'"), 1, ExtractError::None,
            S(" and 名前= 'a' and 敬称= '様'"), 2 },
        { "fourth refused", Req(1, "a", false, 0, false, true), "s", 3, ExtractError::TooMany, "s", 3 },
        { "all fields added", Req(0, "a", false, 0, false, true), "s", 1, ExtractError::AllFieldsAdd, "s", 1 },
        { "no field", Req(-1, "a", false, 0, false, false), "s", 1, ExtractError::NoField, "s", 1 },
        { "no text", Req(1, "", false, 0, false, false), "s", 1, ExtractError::EmptyValue, "s", 1 },
        { "no choice", Req(16, "", true, 0, false, false), "s", 1, ExtractError::NoChoice, "s", 1 },
        { "no kind", Req(1, "a", false, -1, false, false), "s", 1, ExtractError::NoKind, "s", 1 },
        { "quote kept as typed", Req(1, "O'B", false, 0, false, false), "", 0, ExtractError::None,
            S(" and 名前= 'O'B'"), 1 },
    };
    for (const auto& c : cases) {
        std::string suffix = c.suffixBefore;
        int count = c.countBefore;
        EXPECT_EQ(ComposeExtraction(c.req, suffix, count, none), c.error) << c.what;
        EXPECT_EQ(suffix, c.suffixAfter) << c.what << ": " << nrt::test::U(suffix);
        EXPECT_EQ(count, c.countAfter) << c.what;
    }
}

TEST(MainList, AllFieldsExtractionCoversTwentySixFields)
{
    std::string suffix = "old";
    int count = 2;
    const ExtractRequest req = Req(0, S("山"), false, 3, false, false);
    ASSERT_EQ(ComposeExtraction(req, suffix, count, nullptr), ExtractError::None);
    EXPECT_EQ(count, 2) << "all fields leaves the count alone";
    EXPECT_EQ(suffix.rfind(S(" and (名前= '*山*' or カナ= '*山*' or "), 0), 0u);
    EXPECT_NE(suffix.find(S(" or 登録日= '*山*' or 連名１= '*山*'")), std::string::npos);
    EXPECT_NE(suffix.find(S(" or 役職= '*山*')")), std::string::npos);
    std::size_t terms = 0;
    for (std::size_t p = 0; (p = suffix.find(S("= '*山*'"), p)) != std::string::npos; ++p)
        ++terms;
    EXPECT_EQ(terms, 26u);
    // The longest value the field takes still leaves the condition within its limit.
    const ExtractRequest longest = Req(0, std::string(50, 'x'), false, 3, false, false);
    ASSERT_EQ(ComposeExtraction(longest, suffix, count, nullptr), ExtractError::None);
    EXPECT_LE(suffix.size(), static_cast<std::size_t>(kSuffixLimit));
}

TEST(MainList, BirthdaysAreConvertedBeforeMatching)
{
    std::string suffix;
    int count = 0;
    const ExtractRequest req = Req(5, S("S50/1/2"), false, 0, false, false);
    ComposeExtraction(req, suffix, count, [](std::string_view) { return std::string("1975/01/02"); });
    EXPECT_EQ(suffix, S(" and 生年月日= '1975/01/02'"));
}

TEST(MainList, Zoom)
{
    struct Case {
        int stored, index;
    } cases[] = { { 100, 0 }, { 105, 1 }, { 110, 1 }, { 250, 12 }, { 251, -1 }, { 50, 0 } };
    for (const auto& c : cases)
        EXPECT_EQ(ZoomIndexFor(c.stored), c.index) << c.stored;
    // 250 % and back to 100 % restores the widths up to truncation.
    for (int w : { 25, 65, 105, 150, 200 }) {
        const int big = RescaleWidth(w, 100, 250);
        EXPECT_EQ(big, w * 5 / 2);
        EXPECT_LE(w - RescaleWidth(big, 250, 100), 1);
    }
    EXPECT_EQ(RescaleWidth(105, 110, 120), 114); // trunc(105 × 120 / 110) = trunc(114.5)
    EXPECT_EQ(RescaleWidth(62, 130, 100), 47);
    for (int r : kZoomRatios)
        EXPECT_EQ(RescaleWidth(61, r, r), 61) << "a width at its own ratio is itself: " << r;
    EXPECT_EQ(Scaled(65, 120), 78);
    EXPECT_EQ(Scaled(16, 100, 16), 16);
    EXPECT_EQ(Scaled(33, 110), 36);
    EXPECT_EQ(Scaled(12, 50, 12), 12);
}

TEST(MainList, Title)
{
    EXPECT_EQ(Title(""), S("ノルテア"));
    EXPECT_EQ(Title(S("メインユーザー")), S("ノルテア"));
    EXPECT_EQ(Title(S("会社")), S("ノルテア（会社）"));
}
