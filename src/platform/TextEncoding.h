#pragma once
// Telling UTF-8 files from CP932 ones by their bytes, for the readers of files that
// other programs write (CSV, the postal-code list).

#include <string>
#include <string_view>

namespace nrt::platform {

// The byte-order mark some programs put before UTF-8 text.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Whether the first bytes of a file hold UTF-8 rather than CP932 text: a byte-order
// mark, or valid UTF-8 with characters beyond ASCII that is not valid CP932 or writes
// them in UTF-8's three-byte form (kana and kanji). A sample may stop inside a
// character. Plain ASCII is CP932.
bool LooksLikeUtf8(std::string_view sample) noexcept;

// Bytes that begin with a UTF-16 byte-order mark (little or big endian) as UTF-8,
// without the mark; a lone surrogate becomes U+FFFD. False, and `out` untouched,
// for bytes without such a mark.
bool Utf16ToUtf8(std::string_view bytes, std::string& out);

} // namespace nrt::platform
