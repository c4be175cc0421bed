#include "settings/EraDate.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt;

TEST(EraDate, EraToGregorian)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        { "H01/02/03", "1989/02/03" }, { "h1/02/03", "1989/02/03" }, { "S64/01/07", "1989/01/07" },
        { "R1/5/1", "2019/5/1" }, { "H40/01/01", "2028/01/01" }, // the era's length is not checked
        { "M1/1/1", "1868/1/1" }, { "T", "1911" }, // no digits: era year 0
        { "X01/01/01", "X01/01/01" }, // no such era
        { "2001/02/03", "2001/02/03" }, // starts with a digit
        { "H01/02/03x", "1989/02/03x" }, { "H001/02/031", "H001/02/031" }, // 11 bytes: never converted
        { "R99999999", "R99999999" }, // five-digit year
        { "R7981/1/1", "9999/1/1" }, { "R7982/1/1", "R7982/1/1" }, { "", "" },
        { "\x95\xBD\x90\xAC", "\x95\xBD\x90\xAC" }, // 平成 in CP932: a byte from 0x80 on
    };
    for (const Case& c : cases)
        EXPECT_EQ(EraToGregorian(c.in), c.out) << c.in;
}

TEST(EraDate, Validity)
{
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        { "2001/02/28", true },
        { "2001/2/8", true },
        { "2001/02/30", false },
        { "2000/02/29", true },
        { "1900/02/29", false },
        { "2001/13/01", false },
        { "2001/00/10", false },
        { "2001/01/00", false },
        { "H01/01/08", true },
        { "R1/5/1", true },
        { "X01/01/01", false },
        { "H001/02/031", false },
        { "01/02/03", false },
        { "2001-02-03", false },
        { "2001/02/03 ", false },
        { "2001/02/003", false },
        { "", false },
        { "0000/01/01", false },
        { "2001/02", false },
        { "h31/4/30", true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidDate(c.text), c.valid) << c.text;
}

TEST(EraDate, FormatAtEveryEraBoundary)
{
    struct Case {
        const char* in;
        const char* gregorian;
        const char* era;
    } cases[] = {
        { "1868/01/01", "1868/01/01", "M01/01/01" },
        { "1867/12/31", "1867/12/31", "1867/12/31" },
        { "1912/07/29", "1912/07/29", "M45/07/29" },
        { "1912/07/30", "1912/07/30", "T01/07/30" },
        { "1926/12/24", "1926/12/24", "T15/12/24" },
        { "1926/12/25", "1926/12/25", "S01/12/25" },
        { "1989/01/07", "1989/01/07", "S64/01/07" },
        { "1989/01/08", "1989/01/08", "H01/01/08" },
        { "2019/04/30", "2019/04/30", "H31/04/30" },
        { "2019/05/01", "2019/05/01", "R01/05/01" },
        { "9999/12/31", "9999/12/31", "R7981/12/31" },
        { "H31/04/30", "2019/04/30", "H31/04/30" },
        { "H31/05/01", "2019/05/01", "R01/05/01" }, // the input's letter does not bind the output
        { "S64/1/8", "1989/01/08", "H01/01/08" },
        { "1960/1/1", "1960/01/01", "S35/01/01" },
        { "", "", "" },
        { "2001/02/30", "", "" },
        { "X01/01/01", "", "" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDate(c.in, false), c.gregorian) << c.in;
        EXPECT_EQ(FormatDate(c.in, true), c.era) << c.in;
    }
}

TEST(EraDate, TableHoldsFiveErasAndTheEndMarker)
{
    EXPECT_EQ(EraName(0), test::S("明治"));
    EXPECT_EQ(EraName(4), test::S("令和"));
    EXPECT_EQ(EraName(5), "");
    EXPECT_EQ(kEras[kEraCount].startMonth, 99);
    for (int i = 0; i < kEraCount; ++i)
        EXPECT_EQ(kEras[i].lastYear, kEras[i + 1].firstYear == 10000 ? 9999 : kEras[i + 1].firstYear) << i;
}

TEST(EraDate, DatesAsUsersTypeThem)
{
    struct Case {
        const char* typed;
        const char* input; // DateInput
        const char* stored; // FormatDate of it, Gregorian
    } cases[] = {
        { "19700505", "1970/05/05", "1970/05/05" },
        { "１９７００５０５", "1970/05/05", "1970/05/05" },
        { "１９７０／５／５", "1970/5/5", "1970/05/05" },
        { "Ｓ４５／０５／０５", "S45/05/05", "1970/05/05" },
        { "ｈ１/１/８", "h1/1/8", "1989/01/08" },
        { "20010230", "2001/02/30", "" }, // no such day
        { "1970055", "1970055", "" }, // seven digits are no date
        { "197005051", "197005051", "" },
        { "1970/05/05", "1970/05/05", "1970/05/05" },
        { "昭和45年", "昭和45年", "" },
        { "", "", "" },
    };
    for (const Case& c : cases) {
        const std::string input = DateInput(nrt::test::S(c.typed));
        EXPECT_EQ(nrt::test::U(input), c.input) << c.typed;
        EXPECT_EQ(FormatDate(input, false), c.stored) << c.typed;
        EXPECT_EQ(IsValidDate(input), *c.stored != '\0') << c.typed;
    }
}
