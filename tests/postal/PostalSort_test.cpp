#include "postal/PostalSort.h"

#include "PostalTestData.h"
#include "postal/PostalListImport.h"

#include <gtest/gtest.h>

#include <random>

using namespace nrt;
using namespace nrt::test;

namespace {

struct Item {
    int key;
    int id;
};

int ByKey(const Item& a, const Item& b)
{
    return a.key < b.key ? -1 : a.key > b.key ? 1 : 0;
}

std::vector<int> Ids(const std::vector<Item>& v)
{
    std::vector<int> ids;
    for (const auto& i : v)
        ids.push_back(i.id);
    return ids;
}

std::vector<Item> Equal(int n)
{
    std::vector<Item> v;
    for (int i = 0; i < n; ++i)
        v.push_back({ 7, i });
    return v;
}

std::string Line(const char* code, const char* town, const char* townReading)
{
    return S(std::string("1,2,") + code + ",ﾄｳｷｮｳﾄ,ﾁﾖﾀﾞｸ," + townReading + ",東京都,千代田区," + town + "\r\n");
}

} // namespace

// The fast finish must give exactly the order of the literal insertion pass, equal keys
// included, whatever the quicksort phase left behind (also when its stack ran full).
TEST(PostalSort, FastFinishMatchesTheLiteralProcedure)
{
    struct Case {
        int maxSize;
        int distinctKeys;
        std::size_t stackRanges;
    } cases[] = {
        { 40, 1, 32 },
        { 60, 2, 32 },
        { 300, 3, 32 },
        { 300, 20, 32 },
        { 300, 1000, 32 },
        { 300, 5, 1 },
        { 300, 50, 2 },
    };
    std::mt19937 rng(4242);
    for (const auto& c : cases) {
        for (int round = 0; round < 60; ++round) {
            const int n = static_cast<int>(rng() % static_cast<unsigned>(c.maxSize + 1));
            std::vector<Item> v;
            for (int i = 0; i < n; ++i)
                v.push_back({ static_cast<int>(rng() % static_cast<unsigned>(c.distinctKeys)), i });
            if (round % 3 == 1)
                std::sort(v.begin(), v.end(), [](const Item& a, const Item& b) { return a.key < b.key; });
            if (round % 3 == 2)
                std::sort(v.begin(), v.end(), [](const Item& a, const Item& b) { return a.key > b.key; });

            std::vector<Item> literal = v, fast = v;
            postal::QuickSortPhase(literal, ByKey, c.stackRanges);
            postal::InsertionPass(literal, ByKey);
            postal::QuickSortPhase(fast, ByKey, c.stackRanges);
            postal::FinishLikeInsertionPass(fast, ByKey);
            ASSERT_EQ(Ids(fast), Ids(literal)) << "n " << n << " keys " << c.distinctKeys;
            ASSERT_TRUE(std::is_sorted(fast.begin(), fast.end(), [](auto& a, auto& b) { return a.key < b.key; }));
        }
    }
}

// Worked by hand: up to eleven equal elements skip the quicksort and the insertion pass
// reverses them; twelve are first reversed by one partition (every pair swapped), then
// the insertion pass reverses each half back.
TEST(PostalSort, EqualKeysFollowTheProcedure)
{
    auto ids = [](int n) {
        auto v = Equal(n);
        postal::SortLikeDictionary(v, ByKey);
        return Ids(v);
    };
    EXPECT_EQ(ids(0), std::vector<int> {});
    EXPECT_EQ(ids(3), (std::vector<int> { 2, 1, 0 }));
    EXPECT_EQ(ids(11), (std::vector<int> { 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0 }));
    EXPECT_EQ(ids(12), (std::vector<int> { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 }));
}

TEST(PostalSort, ListRecordsSortByReadingsIgnoringLetterCase)
{
    // Equal readings keep the procedure's order; ASCII letters compare without case.
    std::string bytes = Line("1000001", "甲", "ｱ") + Line("1000002", "乙", "ｲ") + Line("1000003", "丙", "ｱ")
        + Line("1000004", "丁", "abc") + Line("1000005", "戊", "ABD") + Line("1000006", "己", "ﾞ");
    PostalListImport list;
    list.Parse(bytes);
    ASSERT_EQ(list.Count(), 6);
    list.Sort();
    std::vector<std::string> codes;
    for (int i = 0; i < list.Count(); ++i)
        codes.emplace_back(list.Column(i, kPC_Code));
    EXPECT_EQ(codes, (std::vector<std::string> { "1000004", "1000005", "1000003", "1000001", "1000002", "1000006" }));

    // Twelve records of one reading come out in list order (see above).
    bytes.clear();
    for (int i = 0; i < 12; ++i)
        bytes += Line(("10000" + std::to_string(10 + i)).c_str(), "町", "ﾏﾁ");
    list.Parse(bytes);
    list.Sort();
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(list.Column(i, kPC_Code), "10000" + std::to_string(10 + i));
}

TEST(PostalSort, ListSortMatchesTheLiteralProcedure)
{
    // Readings from a small pool so that many records tie, with letters of both cases
    // and double-byte characters whose second byte is a letter; the literal sort compares
    // with lstrcmpiA itself.
    std::mt19937 rng(77);
    const std::string pool[]
        = { "ｱ", "ｲ", "ｱｲ", "", "ｶ", "Ab", "aB", "ab", "AB", "a", "[", "_", "z", "Z", "\x83\x41", "\x83\x61",
              "\x83\x41"
              "b",
              "\x83\x41"
              "B",
              "\x83\x40\x83\x40" };
    auto pick = [&] { return pool[rng() % std::size(pool)]; };
    std::string bytes;
    for (int i = 0; i < 600; ++i) {
        char code[8];
        std::snprintf(code, sizeof code, "%07d", i);
        bytes += std::string("1,2,") + code + "," + pick() + "," + pick() + "," + pick() + ",p,c,t\r\n";
    }
    PostalListImport a, b;
    a.Parse(bytes);
    b.Parse(bytes);
    ASSERT_EQ(a.Count(), 600);
    a.Sort();
    b.SortLiterally();
    for (int i = 0; i < a.Count(); ++i)
        ASSERT_EQ(a.Column(i, kPC_Code), b.Column(i, kPC_Code)) << i;
    for (int i = 1; i < a.Count(); ++i)
        ASSERT_LE(a.CompareReadings(i - 1, i), 0) << i;
}
