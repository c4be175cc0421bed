#pragma once
// Dates as the program keeps them ("yyyy/mm/dd", Gregorian) and as users type and
// read them in Japanese era form ("H01/01/08"). Texts are CP932; everything here is
// ASCII apart from the era names.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

struct Era {
    std::int32_t firstYear; // Gregorian year in which the era starts
    std::int32_t lastYear; // the first year of the next era
    std::int32_t startMonth;
    std::int32_t startDay;
    const char* abbreviation; // one capital letter
    const char* name; // UTF-8 here; EraName gives CP932
};

inline constexpr int kEraCount = 5;
// The eras in order, then the end marker whose month and day 99 let the last era run
// to the end of its last year.
inline constexpr std::array<Era, kEraCount + 1> kEras { {
    { 1868, 1912, 1, 25, "M", "明治" },
    { 1912, 1926, 7, 30, "T", "大正" },
    { 1926, 1989, 12, 25, "S", "昭和" },
    { 1989, 2019, 1, 8, "H", "平成" },
    { 2019, 9999, 5, 1, "R", "令和" },
    { 10000, 99999, 99, 99, "", "" },
} };

const std::string& EraName(int index);

// The text itself unless it starts with an era letter (either case) and is at most
// 10 bytes long; otherwise the era year becomes the Gregorian year ("%04d") and the
// rest follows unchanged: "h1/02/03" gives "1989/02/03". An era year that would give
// five digits leaves the text unchanged.
std::string EraToGregorian(std::string_view text);
// "yyyy/mm/dd" with a four-digit year from 1 on and one- or two-digit month and day,
// nothing else; false for dates the calendar does not have (2001/02/30).
bool ParseDate(std::string_view text, std::chrono::year_month_day& date);
// EraToGregorian, then ParseDate.
bool IsValidDate(std::string_view text);
// A date as a user types it into a field, in a form the functions here read:
// full-width digits, letters and "／" as their ASCII forms (NarrowAlphanumerics), and
// eight digits "yyyymmdd" as "yyyy/mm/dd".
std::string DateInput(std::string_view typed);
// "yyyy/mm/dd", or in era form "Hyy/mm/dd" (years before 1868 stay Gregorian); an
// empty text for an empty or unparsable input.
std::string FormatDate(std::string_view text, bool eraForm);

} // namespace nrt
