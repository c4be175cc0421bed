#include "settings/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using nrt::IniFile;
using nrt::test::S;

TEST(IniFile, LooksUpSectionsAndKeysWithoutRegardToCase)
{
    IniFile ini;
    ini.Parse("key=before any section\r\n"
              "[Opt]\r\n"
              "  Wareki = 1 \r\n"
              "; WAREKI=0 is a comment\r\n"
              "WAREKI=2\r\n" // the first of two equal keys wins
              "no equals sign here\n"
              "[MAIL]\n"
              "HOST=\"  smtp.example.jp  \"\n"
              "USER='x'\r"
              "PASSWORD=a=b\n"
              "EMPTY=\n"
              "[opt]\r\n"
              "FULL=1\r\n"
              "[BAD]\r\nTEXT=ab\0cd\r\n");
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    } cases[] = {
        { "OPT", "WAREKI", "1" },
        { "opt", "wareki", "1" },
        { "OPT", "FULL", "1" }, // a section seen again continues the first
        { "OPT", "KEY", std::nullopt },
        { "MAIL", "HOST", "  smtp.example.jp  " },
        { "MAIL", "USER", "x" }, // a lone CR ends a line too
        { "MAIL", "PASSWORD", "a=b" },
        { "MAIL", "EMPTY", "" },
        { "MAIL", "MISSING", std::nullopt },
        { "NOSUCH", "HOST", std::nullopt },
        { "BAD", "TEXT", "ab" },
    };
    for (const Case& c : cases) {
        auto v = ini.Get(c.section, c.key);
        EXPECT_EQ(v ? std::optional<std::string>(std::string(*v)) : std::nullopt, c.value) << c.section << "/" << c.key;
    }
    EXPECT_EQ(ini.Sections().size(), 3u);
}

TEST(IniFile, NumbersAreReadLikeTheProfileFunctions)
{
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        { "25", 25 },
        { " -1 ", -1 },
        { "+7", 7 },
        { "12abc", 12 },
        { "abc", {} },
        { "", {} },
        { "-", {} },
        { "- 5", {} },
        { "2147483647", 2147483647 },
        { "-2147483648", INT32_MIN },
        { "2147483648", {} },
        { "99999999999999999999", {} },
        { "0x10", 0 },
    };
    for (const Case& c : cases) {
        IniFile ini;
        ini.Parse(std::string("[S]\nK=") + c.text + "\n");
        EXPECT_EQ(ini.GetInt("S", "K"), c.value) << "\"" << c.text << "\"";
    }
    IniFile empty;
    EXPECT_EQ(empty.GetInt("S", "K"), std::nullopt);
}

TEST(IniFile, FormatWritesSectionsInOrderAndQuotesWhatWouldNotReadBack)
{
    IniFile ini;
    ini.Set("USER", "NAME", S("メインユーザー"));
    ini.SetInt("USER", "VER", 170);
    ini.Set("MAIL", "PASSWORD", " pass word ");
    ini.Set("MAIL", "USER", "'quoted'");
    ini.Set("MAIL", "HOST", "a\r\nb");
    ini.Set("user", "name", S("田中")); // replaces, keeps the first spelling
    EXPECT_EQ(ini.Format(),
        S("[USER]\r\nNAME=田中\r\nVER=170\r\n"
          "\r\n[MAIL]\r\nPASSWORD=\" pass word \"\r\nUSER=\"'quoted'\"\r\nHOST=a\r\n"));

    IniFile back;
    back.Parse(ini.Format());
    EXPECT_EQ(*back.Get("MAIL", "PASSWORD"), " pass word ");
    EXPECT_EQ(*back.Get("MAIL", "USER"), "'quoted'");
    EXPECT_EQ(*back.Get("USER", "NAME"), S("田中"));
}
