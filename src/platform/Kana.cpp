#include "platform/Kana.h"

#include "platform/sjis.h"

#include <array>

namespace nrt::platform {
namespace {

// Half-width forms of ァ … ヶ, in the order of CP932 0x8340-0x837E, 0x8380-0x8396 (the
// order of the hiragana ぁ … ん at 0x829F-0x82F1 too).
constexpr std::array<const char*, 86> kHalfKatakana {
    "\xA7", "\xB1", "\xA8", "\xB2", "\xA9", "\xB3", "\xAA", "\xB4", // ァアィイゥウェエ
    "\xAB", "\xB5", "\xB6", "\xB6\xDE", "\xB7", "\xB7\xDE", "\xB8", "\xB8\xDE", // ォオカガキギクグ
    "\xB9", "\xB9\xDE", "\xBA", "\xBA\xDE", "\xBB", "\xBB\xDE", "\xBC", "\xBC\xDE", // ケゲコゴサザシジ
    "\xBD", "\xBD\xDE", "\xBE", "\xBE\xDE", "\xBF", "\xBF\xDE", "\xC0", "\xC0\xDE", // スズセゼソゾタダ
    "\xC1", "\xC1\xDE", "\xAF", "\xC2", "\xC2\xDE", "\xC3", "\xC3\xDE", "\xC4", // チヂッツヅテデト
    "\xC4\xDE", "\xC5", "\xC6", "\xC7", "\xC8", "\xC9", "\xCA", "\xCA\xDE", // ドナニヌネノハバ
    "\xCA\xDF", "\xCB", "\xCB\xDE", "\xCB\xDF", "\xCC", "\xCC\xDE", "\xCC\xDF", "\xCD", // パヒビピフブプヘ
    "\xCD\xDE", "\xCD\xDF", "\xCE", "\xCE\xDE", "\xCE\xDF", "\xCF", "\xD0", "\xD1", // ベペホボポマミム
    "\xD2", "\xD3", "\xAC", "\xD4", "\xAD", "\xD5", "\xAE", "\xD6", // メモャヤュユョヨ
    "\xD7", "\xD8", "\xD9", "\xDA", "\xDB", "\xDC", "\xDC", "\xB2", // ラリルレロヮワヰ
    "\xB4", "\xA6", "\xDD", "\xB3\xDE", "\xB6", "\xB9", // ヱヲンヴヵヶ
};

// The marks that have a half-width form: CP932 trail byte after the lead 0x81.
struct Mark {
    unsigned char trail;
    char half;
};
constexpr Mark kMarks[] = {
    { 0x40, ' ' }, // 　
    { 0x41, '\xA4' }, // 、
    { 0x42, '\xA1' }, // 。
    { 0x45, '\xA5' }, // ・
    { 0x4A, '\xDE' }, // ゛
    { 0x4B, '\xDF' }, // ゜
    { 0x5B, '\xB0' }, // ー
    { 0x75, '\xA2' }, // 「
    { 0x76, '\xA3' }, // 」
};

// Index into kHalfKatakana of a full-width kana (lead, trail), or -1.
int KanaIndex(unsigned char lead, unsigned char trail)
{
    if (lead == 0x82 && trail >= 0x9F && trail <= 0xF1)
        return trail - 0x9F;
    if (lead == 0x83 && trail >= 0x40 && trail <= 0x96 && trail != 0x7F)
        return trail < 0x7F ? trail - 0x40 : trail - 0x41;
    return -1;
}

const char* MarkOf(unsigned char lead, unsigned char trail)
{
    if (lead != 0x81)
        return nullptr;
    for (const Mark& m : kMarks)
        if (m.trail == trail)
            return &m.half;
    return nullptr;
}

// Calls out(piece) for every character of `text`: the half-width form where there is
// one, else the character itself. Returns true when any character was replaced.
template <typename Out> bool Convert(std::string_view text, Out&& out)
{
    bool changed = false;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = CharLength(text, i);
        if (n == 2) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            if (const int k = KanaIndex(lead, trail); k >= 0) {
                out(std::string_view(kHalfKatakana[static_cast<std::size_t>(k)]));
                changed = true;
                i += 2;
                continue;
            }
            if (const char* half = MarkOf(lead, trail)) {
                out(std::string_view(half, 1));
                changed = true;
                i += 2;
                continue;
            }
        }
        out(text.substr(i, n));
        i += n;
    }
    return changed;
}

bool IsKanaCharacter(std::string_view text, std::size_t i, std::size_t n)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (n == 1)
        return b0 >= 0xA6 && b0 <= 0xDF; // ｦ … ﾟ, with ｰ
    const auto b1 = static_cast<unsigned char>(text[i + 1]);
    if (KanaIndex(b0, b1) >= 0)
        return true;
    // ゛ ゜ ヽ ヾ ゝ ゞ ー
    return b0 == 0x81 && (b1 == 0x4A || b1 == 0x4B || (b1 >= 0x52 && b1 <= 0x55) || b1 == 0x5B);
}

} // namespace

std::string HalfWidthReading(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    Convert(text, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

std::string FullWidthKatakana(std::string_view text)
{
    // The full-width kana each half-width one stands for (ｦ … ﾝ), and the marks.
    static const auto table = [] {
        std::array<int, 64> kana {}; // by byte - 0xA0: index into kHalfKatakana, -1
        kana.fill(-1);
        for (std::size_t k = 0; k < kHalfKatakana.size(); ++k) {
            const std::string_view half = kHalfKatakana[k];
            const auto b = static_cast<unsigned char>(half[0]);
            // ヮ ヰ ヱ ヵ ヶ share their half-width form with a plainer kana, which wins;
            // the others come after theirs, ヮ (0x838E, past the gap at 0x7F) before ワ.
            constexpr std::size_t kSmallWa = 0x8E - 0x41;
            if (half.size() == 1 && kana[b - 0xA0] < 0 && k != kSmallWa)
                kana[b - 0xA0] = static_cast<int>(k);
        }
        return kana;
    }();
    const auto full = [](std::size_t k) {
        const auto i = static_cast<unsigned char>(k < 63 ? 0x40 + k : 0x41 + k);
        return std::string { '\x83', static_cast<char>(i) };
    };
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = CharLength(text, i);
        const auto b = static_cast<unsigned char>(text[i]);
        if (n == 1 && b >= 0xA1 && b <= 0xDF) {
            const int k = table[b - 0xA0];
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (k >= 0) {
                // A sound mark after the kana makes the voiced one, where there is one.
                std::size_t use = static_cast<std::size_t>(k);
                std::size_t step = 1;
                if (next == '\xDE' || next == '\xDF') {
                    const std::string_view want(text.data() + i, 2);
                    for (std::size_t v = 0; v < kHalfKatakana.size(); ++v)
                        if (kHalfKatakana[v] == want) {
                            use = v;
                            step = 2;
                            break;
                        }
                }
                out += full(use);
                i += step;
                continue;
            }
            bool marked = false;
            for (const Mark& m : kMarks)
                if (m.half == static_cast<char>(b)) {
                    out += '\x81';
                    out += static_cast<char>(m.trail);
                    marked = true;
                    break;
                }
            if (marked) {
                ++i;
                continue;
            }
        }
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

bool NeedsHalfWidthReading(std::string_view text)
{
    return Convert(text, [](std::string_view) {});
}

std::string NarrowAlphanumerics(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        const std::size_t n = CharLength(text, i);
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto trail = n == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (lead == 0x82 && trail >= 0x4F && trail <= 0x58)
            out += static_cast<char>('0' + (trail - 0x4F));
        else if (lead == 0x82 && trail >= 0x60 && trail <= 0x79)
            out += static_cast<char>('A' + (trail - 0x60));
        else if (lead == 0x82 && trail >= 0x81 && trail <= 0x9A)
            out += static_cast<char>('a' + (trail - 0x81));
        else if (lead == 0x81 && trail == 0x5E)
            out += '/';
        else
            out.append(text.substr(i, n));
    }
    return out;
}

bool IsAllKana(std::string_view text)
{
    if (text.empty())
        return false;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i))
        if (!IsKanaCharacter(text, i, CharLength(text, i)))
            return false;
    return true;
}

} // namespace nrt::platform
