#include "platform/Kana.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt::platform;
using nrt::test::S;
using nrt::test::U;

TEST(Kana, HalfWidthReading)
{
    struct Case {
        const char* typed;
        const char* stored;
    } cases[] = {
        { "やまだ　たろう", "ﾔﾏﾀﾞ ﾀﾛｳ" },
        { "ヤマダ　タロウ", "ﾔﾏﾀﾞ ﾀﾛｳ" },
        { "ﾔｽﾀﾞ ﾊﾅｺ", "ﾔｽﾀﾞ ﾊﾅｺ" },
        { "ぱぴぷぺぽ", "ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ" },
        { "がぎぐげござじずぜぞだぢづでどばびぶべぼ", "ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ" },
        { "ヴァイオリン", "ｳﾞｧｲｵﾘﾝ" },
        { "ぁぃぅぇぉっゃゅょ", "ｧｨｩｪｫｯｬｭｮ" },
        { "ヮヵヶゎ", "ﾜｶｹﾜ" },
        { "ヰヱヲゐゑを", "ｲｴｦｲｴｦ" },
        { "アーサー", "ｱｰｻｰ" },
        { "「カ」、ア。・゛゜", "｢ｶ｣､ｱ｡･ﾞﾟ" },
        { "山田たろう", "山田ﾀﾛｳ" },
        { "ＡＢＣ１２３abc", "ＡＢＣ１２３abc" },
        { "ゝヽ", "ゝヽ" },
        { "", "" },
    };
    for (const Case& c : cases) {
        const std::string typed = S(c.typed);
        const std::string stored = HalfWidthReading(typed);
        EXPECT_EQ(U(stored), c.stored) << c.typed;
        EXPECT_LE(stored.size(), typed.size()) << c.typed;
        EXPECT_EQ(NeedsHalfWidthReading(typed), stored != typed) << c.typed;
        EXPECT_EQ(HalfWidthReading(stored), stored) << "converting twice changes nothing: " << c.typed;
    }
}

TEST(Kana, IsAllKana)
{
    struct Case {
        const char* text;
        bool kana;
    } cases[] = {
        { "やまだ", true },
        { "ヤマダー", true },
        { "ﾔﾏﾀﾞ", true },
        { "いすゞ", true },
        { "山田", false },
        { "やま田", false },
        { "Abc", false },
        { "やまだ　たろう", false },
        { "", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsAllKana(S(c.text)), c.kana) << c.text;
}

TEST(Kana, FullWidthKatakanaIsTheStoredReadingBack)
{
    struct Case {
        const char* stored;
        const char* shown;
    } cases[] = {
        { "ﾔﾏﾀﾞ ﾀﾛｳ", "ヤマダ タロウ" },
        { "ｳﾞｧｲｵﾘﾝ", "ヴァイオリン" },
        { "ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "パピプペポ" },
        { "ｧｨｩｪｫｯｬｭｮ", "ァィゥェォッャュョ" },
        // ﾜ ｲ ｴ ｶ ｹ are the plain kana, never ヮ ヰ ヱ ヵ ヶ.
        { "ﾜｲｴｶｹｦﾝ", "ワイエカケヲン" },
        { "ｱｰｻｰ｢ｶ｣､｡･", "アーサー「カ」、。・" },
        // A sound mark where no voiced kana exists stays a mark of its own.
        { "ｱﾞﾟ", "ア゛゜" },
        { "山田ﾀﾛｳabc", "山田タロウabc" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(U(FullWidthKatakana(S(c.stored))), c.shown) << c.stored;
        EXPECT_EQ(U(HalfWidthReading(FullWidthKatakana(S(c.stored)))), c.stored) << c.stored;
    }
}
