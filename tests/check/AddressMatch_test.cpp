#include "check/AddressMatch.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::check;
using nrt::test::S;

// Every pair writes one place two ways that must compare equal, or two places that must not.
TEST(AddressMatch, WaysOfWritingOnePlace)
{
    struct Row {
        const char* a;
        const char* b;
        bool same;
    };
    const Row rows[] = {
        { "霞ヶ関", "霞が関", true },
        { "霞ケ関", "霞ガ関", true },
        { "駒ヵ根", "駒ヶ根", true },
        { "雪之下", "雪ノ下", true },
        { "雪の下", "雪ノ下", true },
        { "一ッ橋", "一ツ橋", true },
        { "大字北条", "北条", true },
        { "字北条", "北条", true },
        { "北一条西", "北1条西", true },
        { "南二十一条西", "南21条西", true },
        { "十二丁目", "12丁目", true },
        { "三丁目", "３丁目", true },
        { "二丁目１番２号", "2丁目1番2号", true },
        { "百丁目", "100丁目", true },
        { "第二地割", "第2地割", true },
        { "１－２－３", "1-2-3", true },
        { "１ー２", "1-2", true },
        { "ａｂｃ", "ABC", true },
        { "千代田区　霞が関 1", "千代田区霞が関1", true },
        { "ｶｽﾐｶﾞｾｷ", "カスミガセキ", true },
        { "ﾊﾟﾚｽ", "パレス", true },
        { "センター", "センタ-", false }, // a long vowel is no hyphen after a letter
        { "一宮", "1宮", false }, // a place name's numeral stays
        { "千代田", "1000代田", false },
        { "本町", "元町", false },
        { "三丁目", "4丁目", false },
    };
    for (const Row& r : rows)
        EXPECT_EQ(MatchKey(S(r.a)) == MatchKey(S(r.b)), r.same) << r.a << " / " << r.b;
}

TEST(AddressMatch, PrefectureAtTheStart)
{
    const std::string withPrefecture = S("東京都千代田区"), without = S("千代田区");
    std::string_view rest;
    EXPECT_EQ(SplitPrefecture(withPrefecture, rest), 12);
    EXPECT_EQ(rest, without);
    EXPECT_EQ(SplitPrefecture(without, rest), -1);
    EXPECT_EQ(rest, without);
}

// The index answers a town before its whole city, and nothing for a city whose towns
// could be meant.
TEST(AddressMatch, IndexReadsTheLongestPlace)
{
    const PostalIndex index = PostalIndex::Of({
        { "1000000", 12, S("千代田区"), {} },
        { "1000013", 12, S("千代田区霞が関"), {} },
        { "1000014", 12, S("千代田区永田町"), {} },
        { "4500002", 22, S("名古屋市中村区名駅"), {} },
        { "4530002", 22, S("名古屋市中村区名駅"), {} },
        { "3994100", 19, S("駒ヶ根市"), {} },
    });
    auto codes = [&](const char* address, int prefecture) {
        std::string out;
        for (const PostalPlace* p : index.Read(MatchKey(S(address)), prefecture))
            out += p->code + " ";
        return out;
    };
    EXPECT_EQ(codes("千代田区霞ケ関3-1", 12), "1000013 ");
    EXPECT_EQ(codes("千代田区霞ケ関3-1", -1), "1000013 ");
    EXPECT_EQ(codes("千代田区霞ケ関3-1", 13), "");
    EXPECT_EQ(codes("千代田区丸の内1", 12), "");
    EXPECT_EQ(codes("千代田区", 12), "1000000 ");
    EXPECT_EQ(codes("名古屋市中村区名駅4-7", 22), "4500002 4530002 ");
    EXPECT_EQ(codes("駒ケ根市赤穂1", 19), "3994100 ");
    ASSERT_EQ(index.PlacesOf("1000013").size(), 1U);
    EXPECT_EQ(index.PlacesOf("1000013")[0]->place, S("千代田区霞が関"));
    EXPECT_TRUE(index.PlacesOf("9999999").empty());
}
