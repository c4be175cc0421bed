#include "platform/TextEncoding.h"

#include "platform/sjis.h"

#include <cstdint>

namespace nrt::platform {
namespace {

// Valid UTF-8 up to the end (a sequence cut by the end counts as valid); `wide` tells
// whether a sequence of three or more bytes was met, `beyondAscii` any non-ASCII one.
bool ValidUtf8(std::string_view s, bool& beyondAscii, bool& wide) noexcept
{
    beyondAscii = wide = false;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        std::size_t k = 1;
        for (; k < n && i + k < s.size(); ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (k == n) {
            // Overlong forms, surrogates and values past U+10FFFF are no UTF-8.
            if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
                || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
                return false;
        }
        beyondAscii = true;
        wide = wide || n >= 3;
        i += n;
    }
    return true;
}

// Every byte a CP932 character: single bytes other than 0x80, 0xA0 and 0xFD-0xFF, lead
// bytes followed by a trail byte (0x40-0x7E, 0x80-0xFC). A lead byte at the very end
// may be cut from its trail byte.
bool ValidSjis(std::string_view s) noexcept
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (IsLeadByte(c)) {
            if (++i == s.size())
                return true;
            const auto t = static_cast<unsigned char>(s[i]);
            if (t < 0x40 || t == 0x7F || t > 0xFC)
                return false;
        } else if (c == 0x80 || c == 0xA0 || c >= 0xFD) {
            return false;
        }
    }
    return true;
}

} // namespace

bool LooksLikeUtf8(std::string_view sample) noexcept
{
    if (sample.starts_with(kUtf8Bom))
        return true;
    bool beyondAscii = false, wide = false;
    if (!ValidUtf8(sample, beyondAscii, wide) || !beyondAscii)
        return false;
    return wide || !ValidSjis(sample);
}

bool Utf16ToUtf8(std::string_view bytes, std::string& out)
{
    if (bytes.size() < 2)
        return false;
    const auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
    const bool little = b0 == 0xFF && b1 == 0xFE;
    if (!little && !(b0 == 0xFE && b1 == 0xFF))
        return false;
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto lo = static_cast<unsigned char>(bytes[little ? i : i + 1]);
        const auto hi = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
        return static_cast<char32_t>(hi << 8 | lo);
    };
    std::string text;
    text.reserve(bytes.size() * 3 / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out = std::move(text);
    return true;
}

} // namespace nrt::platform
