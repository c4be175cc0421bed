#include "platform/sjis.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace nrt::platform {
namespace {

// An iconv descriptor keeps state between calls, so each is used under a lock.
class Converter {
public:
    Converter(const char* to, const char* from)
        : cd_(iconv_open(to, from))
    {
    }
    ~Converter()
    {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; an unconvertible or invalid sequence of
    // `badLen(in)` bytes is replaced by `replacement`.
    template <class BadLen>
    std::string run(
        std::string_view in, std::string_view replacement, BadLen badLen, bool* ok, std::string* skipped = nullptr)
    {
        std::string out;
        if (!valid()) {
            if (ok)
                *ok = false;
            return out;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.reserve(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buf[1024];
        while (srcLeft > 0) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                // EILSEQ or EINVAL: skip the offending character.
                std::size_t skip = badLen(std::string_view(src, srcLeft));
                if (skip == 0 || skip > srcLeft)
                    skip = 1;
                if (skipped)
                    skipped->append(src, skip);
                src += skip;
                srcLeft -= skip;
                out.append(replacement);
                if (ok)
                    *ok = false;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

private:
    iconv_t cd_;
};

std::size_t Utf8SequenceLength(std::string_view s)
{
    auto c = static_cast<unsigned char>(s[0]);
    std::size_t n = c < 0x80 ? 1 : c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF8 ? 4 : 1;
    return n <= s.size() ? n : s.size();
}

// The bytes with every invalid UTF-8 sequence as U+FFFD: what was skipped in a
// conversion may hold bytes that are no UTF-8 at all, and is never passed on as it came.
std::string ValidUtf8(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1
            : c >= 0xC2 && c < 0xE0    ? 2
            : c >= 0xE0 && c < 0xF0    ? 3
            : c >= 0xF0 && c < 0xF5    ? 4
                                       : 0;
        bool ok = n > 0 && i + n <= s.size();
        for (std::size_t k = 1; ok && k < n; ++k)
            ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (ok) {
            out.append(s.substr(i, n));
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::size_t SjisSequenceLength(std::string_view s)
{
    return CharLength(s, 0);
}

inline unsigned char FoldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

template <bool Fold> int Compare(std::string_view a, std::string_view b) noexcept
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    std::size_t i = 0;
    while (i < n) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (IsLeadByte(x)) {
            // A double-byte character is compared as it is, second byte included.
            if (x != y)
                return x < y ? -1 : 1;
            if (++i < n) {
                x = static_cast<unsigned char>(a[i]);
                y = static_cast<unsigned char>(b[i]);
                if (x != y)
                    return x < y ? -1 : 1;
                ++i;
            }
            continue;
        }
        if constexpr (Fold) {
            x = FoldAscii(x);
            y = FoldAscii(y);
        }
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace

std::string SjisToUtf8(std::string_view sjis)
{
    // Never destroyed: conversions may still run from exit handlers.
    static Converter* cv = new Converter("UTF-8", "CP932");
    static std::mutex lock;
    std::lock_guard guard(lock);
    return cv->run(sjis, "\xEF\xBF\xBD", SjisSequenceLength, nullptr);
}

std::string Utf8ToSjis(std::string_view utf8, bool* ok)
{
    if (ok)
        *ok = true;
    static Converter* cv = new Converter("CP932", "UTF-8");
    static std::mutex lock;
    std::lock_guard guard(lock);
    return cv->run(utf8, "?", Utf8SequenceLength, ok);
}

std::string Utf8ToSjisMarking(std::string_view utf8, std::string* missing)
{
    static Converter* cv = new Converter("CP932", "UTF-8");
    static std::mutex lock;
    std::string skipped;
    std::string out;
    {
        std::lock_guard guard(lock);
        out = cv->run(utf8, "\x81\xAC", Utf8SequenceLength, nullptr, &skipped);
    }
    if (missing)
        missing->append(ValidUtf8(skipped));
    return out;
}

int lstrcmpiA(std::string_view a, std::string_view b) noexcept
{
    return Compare<true>(a, b);
}

int lstrcmpA(std::string_view a, std::string_view b) noexcept
{
    return Compare<false>(a, b);
}

std::size_t FindChar(std::string_view s, char c, std::size_t from) noexcept
{
    for (std::size_t i = from; i < s.size(); i += CharLength(s, i))
        if (s[i] == c)
            return i;
    return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view s, char c) noexcept
{
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i))
        if (s[i] == c)
            found = i;
    return found;
}

std::string_view CutToBytes(std::string_view s, std::size_t maxBytes) noexcept
{
    if (s.size() <= maxBytes)
        return s;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t n = CharLength(s, i);
        if (i + n > maxBytes)
            break;
        i += n;
    }
    return s.substr(0, i);
}

} // namespace nrt::platform
