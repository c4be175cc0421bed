#pragma once
// The encodings of outgoing mail: ISO-2022-JP body lines, RFC 2047 encoded words,
// Base64, the widening of half-width katakana and the cutting of long body lines.
// Every input is a CP932 byte string; an embedded NUL ends it, as the C strings these
// texts come from would. Nothing here fails: malformed pairs pass through unchanged.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class MailEncoding {
public:
    // Longest body text the widening produces and the line conversion reads.
    static constexpr std::size_t kLineLimit = 1000;

    // Each double-byte character as its JIS X 0208 byte pair, no escape sequences.
    static std::string SjisToJis(std::string_view sjis);
    // One body line (or piece of one) in ISO-2022-JP, without the line end; a leading
    // "." is doubled for the SMTP data phase.
    static std::string JisLine(std::string_view line);
    // The character set a message goes out in: ISO-2022-JP when every character of it
    // is ASCII or JIS X 0208, UTF-8 otherwise (vendor extensions such as ① and 髙,
    // bytes CP932 does not define).
    enum class Charset { Jis, Utf8 };
    // Longest encoded word (RFC 2047).
    static constexpr std::size_t kWordLimit = 75;

    // True when the text can be written in ISO-2022-JP: ASCII and JIS X 0208 only.
    static bool FitsJis(std::string_view sjis);
    // The whole text as "=?ISO-2022-JP?B?...?=" or "=?UTF-8?B?...?=" words, blanks
    // included, so that the words decode back to exactly the text whatever it holds
    // (commas, brackets, ASCII next to kanji). Words break between whole characters;
    // the first is at most `firstRoom` characters long, the others at most kWordLimit.
    static std::vector<std::string> EncodedWords(
        std::string_view sjis, Charset charset, std::size_t firstRoom = kWordLimit);

    // Standard Base64 without line breaks, over every byte of `bytes`.
    static std::string Base64Encode(std::string_view bytes);
    // Decodes up to the first character outside the alphabet (so a trailing CR LF is
    // ignored) or the end of the padded group.
    static std::string Base64Decode(std::string_view text);

    // Half-width katakana and punctuation 0xA1-0xDF replaced by their full-width forms:
    // single bytes above 0x7F have no place in 7-bit mail. A kana followed by ﾞ or ﾟ
    // becomes the one voiced character (ﾀﾞ ダ, ﾊﾟ パ, ｳﾞ ヴ); ｰ becomes ー. Copying stops once `limit`
    // bytes are written (a character crossing the limit is kept whole).
    static std::string WidenKana(std::string_view line, std::size_t limit = kLineLimit);
    // Length of the next piece of at most `width` bytes of whole characters, or 0
    // when the whole text fits in `width` bytes.
    static std::size_t CutPiece(std::string_view text, std::size_t width);
    // The same for an ISO-2022-JP line: at most `width` bytes of the text and at most
    // `encodedWidth` characters once written with its escape sequences.
    static std::size_t CutJisPiece(std::string_view text, std::size_t width, std::size_t encodedWidth);
    // Longest ISO-2022-JP body line, escape sequences included (RFC 2822's 78).
    static constexpr std::size_t kJisLineWidth = 78;
};

} // namespace nrt
