#pragma once
// Small byte-level readers shared by the condition language and the sort keys.

#include <climits>
#include <cstddef>
#include <string_view>

namespace nrt::bytescan {

inline unsigned char Fold(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

inline std::size_t SkipBlanks(std::string_view s, std::size_t p)
{
    while (p < s.size() && s[p] == ' ')
        ++p;
    return p;
}

// The decimal integer at the start of a text as the C library's atol reads it, held
// at the ends of the range instead of overflowing.
inline long long Atol(const char* s)
{
    while (*s == ' ' || (*s >= '\t' && *s <= '\r'))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-')
        negative = *s++ == '-';
    long long v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        const int d = *s - '0';
        v = v > (LLONG_MAX - d) / 10 ? LLONG_MAX : v * 10 + d;
    }
    return negative ? -v : v;
}

} // namespace nrt::bytescan
