#include "print/CustomerBarcode.h"

#include "platform/sjis.h"

#include <algorithm>
#include <vector>

namespace nrt {
namespace {

// CP932 codes of the kanji numerals 〇 to 九, then 十, 百, 千.
constexpr std::array<std::uint16_t, 10> kKanjiDigits { 0x815A, 0x88EA, 0x93F1, 0x8E4F, 0x8E6C, 0x8CDC, 0x985A, 0x8EB5,
    0x94AA, 0x8BE3 };
constexpr std::array<std::pair<std::uint16_t, int>, 3> kKanjiUnits { { { 0x8F5C, 10 }, { 0x9553, 100 },
    { 0x90E7, 1000 } } };
// "&", "/", "・", "." in either width (and the half-width "･") are dropped outright.
constexpr std::array<std::uint16_t, 4> kDroppedWide { 0x8195, 0x815E, 0x8145, 0x8144 };

// The three bars of 0-9, the hyphen and CC1-CC8, in BarcodeChar order.
constexpr std::array<std::string_view, 19> kCharBars { "FTT", "FFT", "FDA", "DFA", "FAD", "FTF", "DAF", "AFD", "ADF",
    "TFF", "TFT", "DAT", "DTA", "ADT", "TDA", "ATD", "TAD", "TTF", "FFF" };
constexpr std::string_view kStartBars = "FD";
constexpr std::string_view kStopBars = "DF";

// One character of the address as the rules see it.
struct Unit {
    enum Kind { kDigit, kLetter, kKanjiNumeral, kOther } kind = kOther;
    char ascii = 0; // digit or upper-case letter
    std::uint16_t code = 0; // the CP932 code of a kanji numeral
    std::size_t end = 0; // byte offset after the character
};

std::uint16_t CodeAt(std::string_view s, std::size_t i, std::size_t len)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    return len == 2 ? static_cast<std::uint16_t>((lead << 8) | static_cast<unsigned char>(s[i + 1])) : lead;
}

// The words after which a kanji numeral is a number of the address.
const std::vector<std::string>& NumberWords()
{
    static const std::vector<std::string> words = [] {
        std::vector<std::string> w;
        // Longer words first so that 丁目 is not taken for 丁.
        for (const char* utf8 : { "丁目", "番地", "地割", "丁", "番", "号", "線", "の", "ノ" })
            w.push_back(platform::Utf8ToSjis(utf8));
        return w;
    }();
    return words;
}

bool StartsWithNumberWord(std::string_view text, std::size_t at)
{
    const std::string_view rest = text.substr(at);
    return std::ranges::any_of(NumberWords(), [&](const std::string& w) { return rest.starts_with(w); });
}

int KanjiDigit(std::uint16_t code)
{
    const auto it = std::ranges::find(kKanjiDigits, code);
    return it == kKanjiDigits.end() ? -1 : static_cast<int>(it - kKanjiDigits.begin());
}

int KanjiUnit(std::uint16_t code)
{
    for (const auto& [c, value] : kKanjiUnits)
        if (c == code)
            return value;
    return 0;
}

// 二十三 = 23, 百五 = 105, 三千 = 3000; without 十, 百 or 千 the numerals are the digits
// of the number as written (一〇五 = 105).
std::string KanjiNumber(const std::vector<std::uint16_t>& codes)
{
    const bool positional = std::ranges::none_of(codes, [](std::uint16_t c) { return KanjiUnit(c) != 0; });
    if (positional) {
        std::string digits;
        for (std::uint16_t c : codes)
            digits.push_back(static_cast<char>('0' + KanjiDigit(c)));
        return digits;
    }
    long total = 0;
    int pending = -1; // a digit waiting for its unit
    for (std::uint16_t c : codes) {
        if (const int unit = KanjiUnit(c); unit != 0) {
            total += static_cast<long>(pending < 0 ? 1 : pending) * unit;
            pending = -1;
        } else {
            pending = KanjiDigit(c);
        }
    }
    if (pending > 0)
        total += pending;
    return std::to_string(total);
}

std::vector<Unit> Classify(std::string_view text)
{
    std::vector<Unit> units;
    for (std::size_t i = 0; i < text.size() && text[i] != '\0';) {
        const std::size_t len = platform::CharLength(text, i);
        const std::uint16_t code = CodeAt(text, i, len);
        i += len;
        Unit u;
        u.end = i;
        if (len == 1) {
            const char c = static_cast<char>(code);
            if (c == '&' || c == '/' || c == '.' || code == 0xA5)
                continue;
            if (c >= '0' && c <= '9')
                u.kind = Unit::kDigit, u.ascii = c;
            else if (c >= 'A' && c <= 'Z')
                u.kind = Unit::kLetter, u.ascii = c;
            else if (c >= 'a' && c <= 'z')
                u.kind = Unit::kLetter, u.ascii = static_cast<char>(c - 'a' + 'A');
        } else if (std::ranges::find(kDroppedWide, code) != kDroppedWide.end()) {
            continue;
        } else if (code >= 0x824F && code <= 0x8258) {
            u.kind = Unit::kDigit, u.ascii = static_cast<char>('0' + (code - 0x824F));
        } else if (code >= 0x8260 && code <= 0x8279) {
            u.kind = Unit::kLetter, u.ascii = static_cast<char>('A' + (code - 0x8260));
        } else if (code >= 0x8281 && code <= 0x829A) {
            u.kind = Unit::kLetter, u.ascii = static_cast<char>('A' + (code - 0x8281));
        } else if (KanjiDigit(code) >= 0 || KanjiUnit(code) != 0) {
            u.kind = Unit::kKanjiNumeral, u.code = code;
        }
        units.push_back(u);
    }
    // A run of kanji numerals is a number only with one of the words right after it;
    // otherwise it is text like any other kanji.
    std::vector<Unit> out;
    for (std::size_t i = 0; i < units.size();) {
        if (units[i].kind != Unit::kKanjiNumeral) {
            out.push_back(units[i++]);
            continue;
        }
        std::vector<std::uint16_t> codes;
        std::size_t j = i;
        for (; j < units.size() && units[j].kind == Unit::kKanjiNumeral; ++j)
            codes.push_back(units[j].code);
        if (StartsWithNumberWord(text, units[j - 1].end)) {
            for (char d : KanjiNumber(codes))
                out.push_back({ Unit::kDigit, d, 0, units[j - 1].end });
        } else {
            out.insert(out.end(), codes.size(), Unit {});
        }
        i = j;
    }
    return out;
}

int Value(BarcodeChar c)
{
    return static_cast<int>(c);
}

BarcodeChar DigitChar(char d)
{
    return static_cast<BarcodeChar>(d - '0');
}

} // namespace

std::string ExtractAddressNumber(std::string_view address)
{
    std::vector<Unit> units = Classify(address);
    // An "F" right after a number is a floor (2F = 2階) and reads like the kanji.
    for (std::size_t i = 1; i < units.size(); ++i)
        if (units[i].kind == Unit::kLetter && units[i].ascii == 'F' && units[i - 1].kind == Unit::kDigit)
            units[i] = Unit {};

    // Digits, hyphens and lone letters; two or more letters in a row count as text.
    std::string out;
    bool pendingHyphen = false;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const Unit& u = units[i];
        const bool lone = u.kind == Unit::kLetter && (i == 0 || units[i - 1].kind != Unit::kLetter)
            && (i + 1 == units.size() || units[i + 1].kind != Unit::kLetter);
        if (u.kind == Unit::kDigit || lone) {
            // Text in front of what is kept becomes one hyphen, never next to a letter
            // and never at the start.
            const bool letterNext = u.kind == Unit::kLetter || (!out.empty() && out.back() >= 'A');
            if (pendingHyphen && !out.empty() && !letterNext)
                out.push_back('-');
            out.push_back(u.ascii);
            pendingHyphen = false;
        } else {
            pendingHyphen = true;
        }
    }
    return out;
}

std::string_view AfterTownName(std::string_view address, std::string_view town)
{
    if (town.empty())
        return address;
    for (std::size_t i = 0; i < address.size(); i += platform::CharLength(address, i))
        if (address.substr(i).starts_with(town))
            return address.substr(i + town.size());
    return address;
}

std::optional<std::string> PostalCodeDigits(std::string_view code)
{
    std::string digits;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < code.size() && code[i] != '\0';) {
        const std::size_t len = platform::CharLength(code, i);
        const std::uint16_t c = CodeAt(code, i, len);
        i += len;
        ++chars;
        if (len == 1 && c >= '0' && c <= '9')
            digits.push_back(static_cast<char>(c));
        else if (len == 2 && c >= 0x824F && c <= 0x8258)
            digits.push_back(static_cast<char>('0' + (c - 0x824F)));
        else if (chars == 4 && digits.size() == 3 && (c == '-' || c == 0x817C))
            continue;
        else
            return std::nullopt;
    }
    if (digits.size() != 7)
        return std::nullopt;
    return digits;
}

BarcodeChar CheckDigit(const std::array<BarcodeChar, CustomerBarcode::kDataLength>& data)
{
    int sum = 0;
    for (BarcodeChar c : data)
        sum += Value(c);
    return static_cast<BarcodeChar>((19 - sum % 19) % 19);
}

std::optional<CustomerBarcode> EncodeCustomerBarcode(std::string_view postalCode, std::string_view addressNumber)
{
    const std::optional<std::string> digits = PostalCodeDigits(postalCode);
    if (!digits)
        return std::nullopt;
    CustomerBarcode code;
    std::size_t n = 0;
    for (char d : *digits)
        code.data[n++] = DigitChar(d);
    for (char c : addressNumber) {
        if (n == code.data.size())
            break;
        if (c >= '0' && c <= '9') {
            code.data[n++] = DigitChar(c);
        } else if (c == '-') {
            code.data[n++] = BarcodeChar::kHyphen;
        } else if (c >= 'A' && c <= 'Z') {
            const int index = c - 'A';
            code.data[n++] = static_cast<BarcodeChar>(Value(BarcodeChar::kCC1) + index / 10);
            if (n < code.data.size())
                code.data[n++] = static_cast<BarcodeChar>(index % 10);
        }
    }
    while (n < code.data.size())
        code.data[n++] = BarcodeChar::kCC4;
    code.check = CheckDigit(code.data);
    return code;
}

std::string CustomerBarcode::Text() const
{
    std::string out;
    auto put = [&out](BarcodeChar c) {
        const int v = Value(c);
        if (v <= 9)
            out.push_back(static_cast<char>('0' + v));
        else if (c == BarcodeChar::kHyphen)
            out.push_back('-');
        else
            out += "[CC" + std::to_string(v - Value(BarcodeChar::kHyphen)) + "]";
    };
    for (BarcodeChar c : data)
        put(c);
    put(check);
    return out;
}

std::string CustomerBarcode::Bars() const
{
    std::string bars(kStartBars);
    for (BarcodeChar c : data)
        bars += kCharBars[static_cast<std::size_t>(Value(c))];
    bars += kCharBars[static_cast<std::size_t>(Value(check))];
    bars += kStopBars;
    return bars;
}

BarcodeGeometry BarcodeGeometry::ForHeight(std::int32_t height)
{
    return BarcodeGeometry { std::clamp(height, kMinLongBar, kMaxLongBar) };
}

double BarcodeGeometry::BarTop(char shape) const
{
    return shape == kBarLong || shape == kBarAscender ? 0.0 : TimingBar();
}

double BarcodeGeometry::BarBottom(char shape) const
{
    return shape == kBarLong || shape == kBarDescender ? double(longBar) : 2 * TimingBar();
}

} // namespace nrt
