#include "support/TestSupport.h"

#include "platform/fs.h"

#include <gtest/gtest.h>

#include <iconv.h>

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
    // iconv, not the program's own decoding, makes the bytes a test reads back.
    std::string out(2 + 4 * utf8.size(), '\0');
    out[0] = littleEndian ? '\xFF' : '\xFE';
    out[1] = littleEndian ? '\xFE' : '\xFF';
    const iconv_t cd = ::iconv_open(littleEndian ? "UTF-16LE" : "UTF-16BE", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* to = out.data() + 2;
    std::size_t toLeft = out.size() - 2;
    EXPECT_NE(::iconv(cd, &in, &inLeft, &to, &toLeft), static_cast<std::size_t>(-1)) << utf8;
    ::iconv_close(cd);
    out.resize(out.size() - toLeft);
    return out;
}

} // namespace nrt::test
