#pragma once
// Shared helpers for the tests: a temporary folder per test, CP932 literals, byte
// builders for hand-made files.

#include "platform/sjis.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nrt::test {

// The tests' source folder (tests/), absolute. Kept out of the compile flags of every
// test file so that a clone in another folder still hits the compiler cache.
const std::string& SourceDir();

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes. Path() is CP932 with "/" separators like every program path.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    // Path of a file in the folder; `name` is UTF-8 and converted to CP932.
    std::string File(std::string_view utf8Name) const;

private:
    std::string path_;
};

// CP932 bytes of a UTF-8 text.
inline std::string S(std::string_view utf8)
{
    return platform::Utf8ToSjis(utf8);
}
// UTF-8 of CP932 bytes, for readable failure messages.
inline std::string U(std::string_view sjis)
{
    return platform::SjisToUtf8(sjis);
}

// Little-endian integers appended to a byte string.
void AppendLE32(std::string& out, std::int32_t v);
void AppendLE16(std::string& out, std::uint16_t v);

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, std::string_view bytes);
// The UTF-8 text in UTF-16 (little or big endian) after its byte-order mark.
std::string Utf16WithBom(std::string_view utf8, bool littleEndian);

} // namespace nrt::test
