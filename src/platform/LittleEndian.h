#pragma once
// Little-endian integers in byte strings, as every file of the program stores them.

#include <cstdint>
#include <string>

namespace nrt::platform {

inline std::int32_t GetLE32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8)
        | (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

inline std::uint16_t GetLE16(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

inline void PutLE32(char* p, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

inline void AppendLE32(std::string& out, std::int32_t v)
{
    char b[4];
    PutLE32(b, v);
    out.append(b, 4);
}

inline void AppendLE16(std::string& out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

} // namespace nrt::platform
