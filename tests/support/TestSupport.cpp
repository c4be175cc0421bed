#include "support/TestSupport.h"

#include "platform/fs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace nrt::test {
namespace {

// Every test sees the same zone and locale, whatever the machine has.
const bool g_pinned = [] {
    ::setenv("TZ", "Asia/Tokyo", 1);
    ::tzset();
    ::setenv("LC_ALL", "C.UTF-8", 1);
    return true;
}();

} // namespace

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/nrt-test-XXXXXX";
    char* made = ::mkdtemp(tmpl.data());
    if (!made)
        ADD_FAILURE() << "mkdtemp failed";
    path_ = platform::fs::FromSystemPath(tmpl);
}

TempDir::~TempDir()
{
    platform::fs::RemoveTree(path_);
}

std::string TempDir::File(std::string_view utf8Name) const
{
    return path_ + "/" + S(utf8Name);
}

void AppendLE32(std::string& out, std::int32_t v)
{
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void AppendLE16(std::string& out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

std::string ReadAll(const std::string& path)
{
    std::string out;
    EXPECT_TRUE(platform::fs::ReadFile(path, out)) << "cannot read " << U(path);
    return out;
}

void WriteAll(const std::string& path, std::string_view bytes)
{
    EXPECT_TRUE(platform::fs::AtomicWriteFile(path, bytes)) << "cannot write " << U(path);
}

std::string Utf16WithBom(std::string_view utf8, bool littleEndian)
{
    std::string out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    const auto put = [&out, littleEndian](char32_t unit) {
        const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
        out += littleEndian ? std::string { lo, hi } : std::string { hi, lo };
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

} // namespace nrt::test
