#pragma once
// Object records and layout files spelled out field by field from the file format,
// independent of the code that writes them.

#include "support/TestSupport.h"

#include <bit>
#include <cstdint>
#include <string>

namespace nrt::test {

struct RawObject {
    std::int32_t x = 0, y = 0, width = 0, height = 0, fontHeight = -562;
    double scaleX = 0.032, scaleY = 470.0 / 14800.0;
    std::int32_t vertical = 0, opaque = 0;
    std::uint32_t backColor = 0xFFFFFF, textColor = 0;
    std::int32_t lfHeight = -17, lfWidth = 0, lfEscapement = 0, lfOrientation = 0, lfWeight = 0;
    std::uint8_t italic = 0, underline = 0, strikeOut = 0, charSet = 128, outPrecision = 0, clipPrecision = 0,
                 quality = 0, pitchAndFamily = 0x31;
    std::string face = S("ＭＳ ゴシック");
    std::int32_t length = 0, capacity = 0, pointer = 0;

    std::string Raw() const
    {
        std::string b;
        for (std::int32_t v : { x, y, width, height, fontHeight, 0 })
            AppendLE32(b, v);
        for (double d : { scaleX, scaleY }) {
            const auto u = std::bit_cast<std::uint64_t>(d);
            AppendLE32(b, static_cast<std::int32_t>(u & 0xFFFFFFFF));
            AppendLE32(b, static_cast<std::int32_t>(u >> 32));
        }
        b.append(8, '\0');
        for (std::int32_t v : { vertical, opaque, static_cast<std::int32_t>(backColor),
                 static_cast<std::int32_t>(textColor), lfHeight, lfWidth, lfEscapement, lfOrientation, lfWeight })
            AppendLE32(b, v);
        for (std::uint8_t v :
            { italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily })
            b.push_back(static_cast<char>(v));
        std::string f = face;
        f.resize(32, '\0');
        b += f;
        for (std::int32_t v : { length, capacity, pointer })
            AppendLE32(b, v);
        return b;
    }
    // The whole record: size 136, T, the raw block, the text with its NUL.
    std::string Record(const std::string& text) const
    {
        std::string r;
        AppendLE32(r, 136);
        AppendLE32(r, static_cast<std::int32_t>(text.size() + 1));
        r += Raw();
        r += text;
        r.push_back('\0');
        return r;
    }
};

} // namespace nrt::test
