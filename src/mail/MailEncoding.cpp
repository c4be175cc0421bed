#include "mail/MailEncoding.h"

#include "platform/sjis.h"

#include <algorithm>
#include <cstdint>

namespace nrt {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
constexpr std::string_view kToJis0208 = "\x1B$B";
constexpr std::string_view kToAscii = "\x1B(B";
constexpr std::string_view kJisWordStart = "=?ISO-2022-JP?B?";
constexpr std::string_view kUtf8WordStart = "=?UTF-8?B?";
constexpr std::string_view kWordEnd = "?=";

// Full-width forms of the half-width characters 0xA1-0xDF. A voicing mark after a kana
// that takes it is composed with it by WidenKana; alone it stays a mark of its own.
constexpr std::uint16_t kWideKana[0xDF - 0xA1 + 1] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, // ｡｢｣､･
    0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, // ｦｧｨｩｪｫｬｭｮｯ
    0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, // ｰｱｲｳｴｵｶｷｸｹ
    0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, // ｺｻｼｽｾｿﾀﾁﾂﾃ
    0x8367, 0x8369, 0x836A, 0x836B, 0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, // ﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍ
    0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, // ﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗ
    0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B, // ﾘﾙﾚﾛﾜﾝﾞﾟ
};

// The full-width kana of half-width `c` followed by the voicing mark `mark` (ﾞ 0xDE,
// ﾟ 0xDF) as one character: ﾀﾞ is ダ, ﾊﾟ is パ, ｳﾞ is ヴ. 0 when they do not compose.
std::uint16_t Composed(unsigned c, unsigned mark)
{
    if (mark == 0xDE && c == 0xB3)
        return 0x8394; // ヴ
    const bool voiceable = (c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE); // ｶ-ﾄ, ﾊ-ﾎ
    if (mark == 0xDE && voiceable)
        return static_cast<std::uint16_t>(kWideKana[c - 0xA1] + 1);
    if (mark == 0xDF && c >= 0xCA && c <= 0xCE)
        return static_cast<std::uint16_t>(kWideKana[c - 0xA1] + 2);
    return 0;
}

std::string_view UpToNul(std::string_view s)
{
    const std::size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// True when s[i] starts a double-byte character with its second byte present.
bool IsPair(std::string_view s, std::size_t i)
{
    return platform::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
}

// The JIS X 0208 byte pair of a CP932 pair whose second byte is valid, by the
// arithmetic of the two codes (sums modulo 256). Vendor rows (0xED-0xEE, 0xF0-0xFC)
// go through it too; there is no table to tell them apart.
std::uint16_t JisOf(unsigned c1, unsigned c2)
{
    unsigned j1;
    if (c1 <= 0x9F)
        j1 = c2 < 0x9F ? 2 * c1 - 0xE1 : 2 * c1 - 0xE0;
    else
        j1 = c2 < 0x9F ? 2 * c1 - 0x161 : 2 * c1 - 0x160;
    unsigned j2;
    if (c2 < 0x7F)
        j2 = c2 - 0x1F;
    else if (c2 < 0x9F)
        j2 = c2 - 0x20;
    else
        j2 = c2 - 0x7E;
    return static_cast<std::uint16_t>(((j1 & 0xFF) << 8) | (j2 & 0xFF));
}

bool ValidTrail(unsigned c2)
{
    return c2 >= 0x40 && c2 <= 0xFC && c2 != 0x7F;
}

void AppendJis(std::string& out, std::uint16_t jis)
{
    out += static_cast<char>(jis >> 8);
    out += static_cast<char>(jis & 0xFF);
}

// JIS X 0208 as it was published: which cells of each row hold a character. CP932
// fills more of the code space (NEC row 13, the IBM extensions, user-defined areas),
// and ISO-2022-JP readers refuse or mangle those.
bool IsJis0208(unsigned c1, unsigned c2)
{
    if (!ValidTrail(c2))
        return false;
    const std::uint16_t jis = JisOf(c1, c2);
    const int row = (jis >> 8) - 0x20;
    const int cell = (jis & 0xFF) - 0x20;
    if (cell < 1 || cell > 94)
        return false;
    struct Span {
        int row, from, to;
    };
    static constexpr Span kSpans[] = {
        { 1, 1, 94 },
        { 2, 1, 14 },
        { 2, 26, 33 },
        { 2, 42, 48 },
        { 2, 60, 74 },
        { 2, 82, 89 },
        { 2, 94, 94 },
        { 3, 16, 25 },
        { 3, 33, 58 },
        { 3, 65, 90 },
        { 4, 1, 83 },
        { 5, 1, 86 },
        { 6, 1, 24 },
        { 6, 33, 56 },
        { 7, 1, 33 },
        { 7, 49, 81 },
        { 8, 1, 32 },
        { 47, 1, 51 },
        { 84, 1, 6 },
    };
    if ((row >= 16 && row <= 46) || (row >= 48 && row <= 83))
        return true;
    for (const Span& s : kSpans)
        if (s.row == row && cell >= s.from && cell <= s.to)
            return true;
    return false;
}

int SextetOf(char c)
{
    for (int i = 0; i < 65; ++i)
        if (kAlphabet[i] == c)
            return i;
    return -1;
}

} // namespace

std::string MailEncoding::SjisToJis(std::string_view sjis)
{
    sjis = UpToNul(sjis);
    std::string out;
    out.reserve(sjis.size());
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        const unsigned c1 = static_cast<unsigned char>(sjis[i]);
        if (!platform::IsLeadByte(static_cast<unsigned char>(c1))) {
            out += static_cast<char>(c1);
            continue;
        }
        if (i + 1 >= sjis.size()) {
            out += static_cast<char>(c1);
            break;
        }
        const unsigned c2 = static_cast<unsigned char>(sjis[++i]);
        if (!ValidTrail(c2)) {
            out += static_cast<char>(c1);
            out += static_cast<char>(c2);
            continue;
        }
        AppendJis(out, JisOf(c1, c2));
    }
    return out;
}

std::string MailEncoding::JisLine(std::string_view line)
{
    line = UpToNul(line);
    std::string out;
    out.reserve(line.size() + 16);
    std::size_t runStart = 0, runLength = 0;
    auto flush = [&] {
        if (!runLength)
            return;
        out += kToJis0208;
        out += SjisToJis(line.substr(runStart, runLength));
        out += kToAscii;
        runLength = 0;
    };

    std::size_t consumed = 0;
    std::size_t i = 0;
    while (i < line.size() && consumed <= kLineLimit) {
        if (IsPair(line, i)) {
            if (!runLength)
                runStart = i;
            runLength += 2;
            i += 2;
            consumed += 2;
            continue;
        }
        flush();
        out += line[i];
        if (i == 0 && line[i] == '.')
            out += '.';
        ++i;
        ++consumed;
    }
    flush();
    return out;
}

bool MailEncoding::FitsJis(std::string_view sjis)
{
    sjis = UpToNul(sjis);
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        const auto c = static_cast<unsigned char>(sjis[i]);
        if (c < 0x80)
            continue;
        if (!IsPair(sjis, i) || !IsJis0208(c, static_cast<unsigned char>(sjis[i + 1])))
            return false;
        ++i;
    }
    return true;
}

std::vector<std::string> MailEncoding::EncodedWords(std::string_view sjis, Charset charset, std::size_t firstRoom)
{
    sjis = UpToNul(sjis);
    const std::string_view start = charset == Charset::Jis ? kJisWordStart : kUtf8WordStart;
    // Raw bytes a word of `room` characters carries: whole groups of four Base64
    // characters between the prefix and the suffix.
    const auto capacity = [&](std::size_t room) {
        const std::size_t overhead = start.size() + kWordEnd.size();
        return room > overhead ? (room - overhead) / 4 * 3 : 0;
    };
    std::vector<std::string> words;
    std::string raw;
    std::size_t limit = capacity(std::min(firstRoom, kWordLimit));
    const auto close = [&] {
        words.push_back(std::string(start) + Base64Encode(raw) + std::string(kWordEnd));
        raw.clear();
        limit = capacity(kWordLimit);
    };

    if (charset == Charset::Utf8) {
        const std::string utf8 = platform::SjisToUtf8(sjis);
        for (std::size_t i = 0; i < utf8.size();) {
            std::size_t n = 1;
            while (i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80)
                ++n;
            if (!raw.empty() && raw.size() + n > limit)
                close();
            raw.append(utf8, i, n);
            i += n;
        }
    } else {
        // Every word starts and ends in ASCII mode (RFC 1468), so each decodes alone.
        bool inJis = false;
        for (std::size_t i = 0; i < sjis.size();) {
            const bool pair = IsPair(sjis, i);
            const std::size_t switching = pair != inJis ? kToJis0208.size() : 0;
            const std::size_t added = switching + (pair ? 2 : 1) + (pair ? kToAscii.size() : 0);
            if (!raw.empty() && raw.size() + added > limit) {
                if (inJis)
                    raw += kToAscii;
                inJis = false;
                close();
                continue;
            }
            if (pair && !inJis)
                raw += kToJis0208;
            else if (!pair && inJis)
                raw += kToAscii;
            inJis = pair;
            const unsigned c2 = pair ? static_cast<unsigned char>(sjis[i + 1]) : 0;
            if (pair && ValidTrail(c2))
                AppendJis(raw, JisOf(static_cast<unsigned char>(sjis[i]), c2));
            else if (pair)
                raw.append(sjis.substr(i, 2)); // as SjisToJis leaves a malformed pair
            else
                raw += sjis[i];
            i += pair ? 2 : 1;
        }
        if (inJis)
            raw += kToAscii;
    }
    if (!raw.empty())
        close();
    return words;
}

std::string MailEncoding::Base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = (static_cast<unsigned char>(bytes[i]) << 16)
            | (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 0x3F];
        out += kAlphabet[(v >> 12) & 0x3F];
        out += kAlphabet[(v >> 6) & 0x3F];
        out += kAlphabet[v & 0x3F];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest) {
        std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2)
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[(v >> 18) & 0x3F];
        out += kAlphabet[(v >> 12) & 0x3F];
        out += rest == 2 ? kAlphabet[(v >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

std::string MailEncoding::Base64Decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size() / 4 * 3);
    int group[4];
    int have = 0, pads = 0;
    for (char c : text) {
        const int v = SextetOf(c);
        if (v < 0)
            break;
        if (v == 64) {
            ++pads;
            group[have++] = 0;
        } else {
            if (pads) // data after padding: the text ended with the pad
                break;
            group[have++] = v;
        }
        if (have == 4) {
            const std::uint32_t bits = (group[0] << 18) | (group[1] << 12) | (group[2] << 6) | group[3];
            const int keep = pads >= 2 ? 1 : 3 - pads;
            for (int k = 0; k < keep; ++k)
                out += static_cast<char>((bits >> (16 - 8 * k)) & 0xFF);
            have = 0;
            if (pads)
                return out;
        }
    }
    // An unpadded final group of two or three characters still carries whole bytes.
    if (have >= 2 && !pads) {
        const std::uint32_t bits = (group[0] << 18) | (group[1] << 12) | (have == 3 ? group[2] << 6 : 0);
        for (int k = 0; k < have - 1; ++k)
            out += static_cast<char>((bits >> (16 - 8 * k)) & 0xFF);
    }
    return out;
}

std::string MailEncoding::WidenKana(std::string_view line, std::size_t limit)
{
    line = UpToNul(line);
    std::string out;
    out.reserve(std::min(line.size() * 2, limit + 1));
    std::size_t i = 0;
    while (i < line.size() && out.size() < limit) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (IsPair(line, i)) {
            out.append(line.substr(i, 2));
            i += 2;
        } else if (c >= 0xA1 && c <= 0xDF) {
            const std::uint16_t composed
                = i + 1 < line.size() ? Composed(c, static_cast<unsigned char>(line[i + 1])) : 0;
            const std::uint16_t wide = composed ? composed : kWideKana[c - 0xA1];
            out += static_cast<char>(wide >> 8);
            out += static_cast<char>(wide & 0xFF);
            i += composed ? 2 : 1;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

std::size_t MailEncoding::CutJisPiece(std::string_view text, std::size_t width, std::size_t encodedWidth)
{
    text = UpToNul(text);
    std::size_t length = 0;
    std::size_t encoded = 0; // of text[0, length) in ISO-2022-JP, the closing escape included
    bool inJis = false;
    while (length < text.size()) {
        const bool pair = IsPair(text, length);
        const std::size_t next = length + (pair ? 2 : 1);
        std::size_t grown = encoded;
        if (pair)
            grown += inJis ? 2 : kToJis0208.size() + 2 + kToAscii.size();
        else
            grown += 1;
        if (next > width || grown > encodedWidth)
            return length;
        length = next;
        encoded = grown;
        inJis = pair;
    }
    return 0;
}

std::size_t MailEncoding::CutPiece(std::string_view text, std::size_t width)
{
    text = UpToNul(text);
    std::size_t length = 0;
    while (length < text.size()) {
        const std::size_t next = length + (IsPair(text, length) ? 2 : 1);
        if (next > width)
            return length;
        length = next;
    }
    return 0;
}

} // namespace nrt
