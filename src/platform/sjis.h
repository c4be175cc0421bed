#pragma once
// Code page 932 (Shift-JIS) text: the one place where text changes encoding.
// Inside the program every text is a CP932 byte string held in std::string.

#include <string>
#include <string_view>

namespace nrt::platform {

// 0x81-0x9F and 0xE0-0xFC start a double-byte character.
constexpr bool IsLeadByte(unsigned char c) noexcept
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length of the character starting at s[i]: 2 for a lead byte followed by
// another byte, otherwise 1.
inline std::size_t CharLength(std::string_view s, std::size_t i) noexcept
{
    return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// CP932 -> UTF-8. Bytes CP932 does not map become U+FFFD, so nothing is lost silently
// at display time without showing it.
std::string SjisToUtf8(std::string_view sjis);

// UTF-8 -> CP932. Characters CP932 cannot hold become "?" and *ok (when given) is set
// to false; invalid UTF-8 is treated the same way.
std::string Utf8ToSjis(std::string_view utf8, bool* ok = nullptr);

// UTF-8 -> CP932 for text another program wrote: each character CP932 cannot hold
// becomes "〓" (the mark Japanese text has long put for a missing character) and is
// appended, in UTF-8, to *missing; invalid UTF-8 bytes the same way, as U+FFFD.
std::string Utf8ToSjisMarking(std::string_view utf8, std::string* missing);

// Byte comparison over whole characters; A-Z folded to a-z in the case-insensitive one.
// Half-width katakana (0xA1-0xDF) thus sort in syllabary order. Returns <0, 0, >0.
int lstrcmpiA(std::string_view a, std::string_view b) noexcept;
int lstrcmpA(std::string_view a, std::string_view b) noexcept;

// Last position of an ASCII byte that is a whole character (never the second byte of
// a double-byte character); npos when none.
std::size_t FindLastChar(std::string_view s, char c) noexcept;
// First such position at or after `from`.
std::size_t FindChar(std::string_view s, char c, std::size_t from = 0) noexcept;

// Cuts s to at most maxBytes without splitting a double-byte character.
std::string_view CutToBytes(std::string_view s, std::size_t maxBytes) noexcept;

} // namespace nrt::platform

// A CP932 copy of a UTF-8 literal, converted once per place of use.
#define SJ(literal)                                                                                                    \
    ([]() -> const std::string& {                                                                                      \
        static const std::string converted = ::nrt::platform::Utf8ToSjis(literal);                                     \
        return converted;                                                                                              \
    }())
