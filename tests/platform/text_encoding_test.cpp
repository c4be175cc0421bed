// Telling UTF-8 files from Shift-JIS ones by their first bytes.
#include "platform/TextEncoding.h"

#include "platform/sjis.h"

#include <gtest/gtest.h>

#include <string>

using namespace nrt::platform;

TEST(TextEncoding, Utf8IsToldFromShiftJis)
{
    const std::string kanji = "名前,住所\r\n山田,霞が関\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        bool utf8;
    } cases[] = {
        { "UTF-8 kana and kanji", kanji, true },
        { "the same in Shift-JIS", Utf8ToSjis(kanji), false },
        { "a byte-order mark before ASCII",
            "\xEF\xBB\xBF"
            "a,b\r\n",
            true },
        { "ASCII alone", "name,mail\r\n", false },
        { "empty", "", false },
        // Two half-width katakana in Shift-JIS happen to form one valid UTF-8 character.
        { "Shift-JIS ﾃｽ", Utf8ToSjis("ﾃｽ"), false },
        { "UTF-8 that no Shift-JIS reader takes (a no-break space)",
            "a\xC2\xA0"
            "b",
            true },
        // Both readings valid, none of it kana or kanji in UTF-8: Shift-JIS, as before.
        { "UTF-8 Latin letters",
            "Z\xC3\xBC"
            "rich,M\xC3\xBC"
            "nchen",
            false },
        { "a sample cut inside a character", kanji.substr(0, kanji.find("霞") + 1), true },
        { "an overlong form", "a\xE0\x80\xAF", false },
        { "a surrogate", "a\xED\xA0\x80", false },
        { "Shift-JIS after UTF-8", kanji + Utf8ToSjis("山田"), false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LooksLikeUtf8(c.bytes), c.utf8) << c.what;
}
