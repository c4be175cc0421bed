#include "settings/EraDate.h"

#include "platform/Kana.h"
#include "platform/sjis.h"

#include <algorithm>
#include <cstdio>

namespace nrt {
namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads 1..maxDigits digits at text[pos]; false when there are none or more.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits, int& value)
{
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (pos - start == maxDigits)
            return false;
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

std::string Format(const char* format, int a, unsigned b, unsigned c)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, format, a, b, c);
    return buf;
}

} // namespace

const std::string& EraName(int index)
{
    static const auto names = [] {
        std::array<std::string, kEraCount + 1> n;
        for (std::size_t i = 0; i < n.size(); ++i)
            n[i] = platform::Utf8ToSjis(kEras[i].name);
        return n;
    }();
    static const std::string none;
    return index >= 0 && index <= kEraCount ? names[static_cast<std::size_t>(index)] : none;
}

std::string EraToGregorian(std::string_view text)
{
    if (text.empty() || text.size() > 10)
        return std::string(text);
    const auto first = static_cast<signed char>(text[0]);
    if (first <= '9')
        return std::string(text); // also every byte from 0x80 on
    char letter = text[0];
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    const Era* era = nullptr;
    for (int i = 0; i < kEraCount && !era; ++i)
        if (kEras[i].abbreviation[0] == letter)
            era = &kEras[i];
    if (!era)
        return std::string(text);
    std::size_t pos = 1;
    std::int64_t eraYear = 0;
    while (pos < text.size() && IsDigit(text[pos]))
        eraYear = eraYear * 10 + (text[pos++] - '0');
    const std::int64_t year = eraYear + era->firstYear - 1;
    if (year > 9999)
        return std::string(text);
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04d", static_cast<int>(year));
    return std::string(buf).append(text.substr(pos));
}

bool ParseDate(std::string_view text, std::chrono::year_month_day& date)
{
    std::size_t pos = 0;
    int y = 0, m = 0, d = 0;
    if (!ReadNumber(text, pos, 4, y) || pos != 4 || y < 1)
        return false;
    if (pos >= text.size() || text[pos++] != '/' || !ReadNumber(text, pos, 2, m))
        return false;
    if (pos >= text.size() || text[pos++] != '/' || !ReadNumber(text, pos, 2, d) || pos != text.size())
        return false;
    const std::chrono::year_month_day ymd { std::chrono::year(y), std::chrono::month(static_cast<unsigned>(m)),
        std::chrono::day(static_cast<unsigned>(d)) };
    if (!ymd.ok())
        return false;
    date = ymd;
    return true;
}

std::string DateInput(std::string_view typed)
{
    std::string text = platform::NarrowAlphanumerics(typed);
    if (text.size() == 8 && std::all_of(text.begin(), text.end(), IsDigit))
        return text.substr(0, 4) + '/' + text.substr(4, 2) + '/' + text.substr(6, 2);
    return text;
}

bool IsValidDate(std::string_view text)
{
    std::chrono::year_month_day ymd;
    return ParseDate(EraToGregorian(text), ymd);
}

std::string FormatDate(std::string_view text, bool eraForm)
{
    std::chrono::year_month_day ymd;
    if (text.empty() || !ParseDate(EraToGregorian(text), ymd))
        return {};
    const int y = static_cast<int>(ymd.year());
    const unsigned m = static_cast<unsigned>(ymd.month());
    const unsigned d = static_cast<unsigned>(ymd.day());
    if (eraForm) {
        for (int i = 0; i < kEraCount; ++i) {
            const Era& era = kEras[i];
            if (era.firstYear > y || era.lastYear < y)
                continue;
            const Era& next = kEras[i + 1];
            const bool beforeNext = static_cast<int>(m) < next.startMonth
                || (static_cast<int>(m) == next.startMonth && static_cast<int>(d) < next.startDay);
            if (y == era.lastYear && !beforeNext)
                continue;
            return era.abbreviation + Format("%02d/%02u/%02u", y - era.firstYear + 1, m, d);
        }
    }
    return Format("%04d/%02u/%02u", y, m, d);
}

} // namespace nrt
