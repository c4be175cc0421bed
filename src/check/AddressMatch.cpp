#include "check/AddressMatch.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalDictionary.h"
#include "postal/PostalLookup.h"
#include "postal/Prefectures.h"

#include <algorithm>
#include <cstring>

namespace nrt::check {
namespace {

std::u32string Decode(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k < n && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        out.push_back(cp);
        i += static_cast<std::size_t>(n);
    }
    return out;
}

void Encode(char32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Half-width katakana U+FF61..U+FF9F as their full-width forms.
constexpr std::u32string_view kHalfKana = U"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナ"
                                          U"ニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";

bool Voiceable(char32_t c)
{
    return (c >= U'カ' && c <= U'ト' && (c - U'カ') % 2 == 0) || (c >= U'ハ' && c <= U'ホ' && (c - U'ハ') % 3 == 0);
}

// One character as compared; 0 drops it.
char32_t Fold(char32_t c)
{
    if (c == U' ' || c == U'\t' || c == U'\u3000')
        return 0;
    if (c >= U'！' && c <= U'～')
        c = c - U'！' + U'!';
    if (c >= U'a' && c <= U'z')
        c = c - U'a' + U'A';
    switch (c) {
    case U'‐':
    case U'‑':
    case U'–':
    case U'—':
    case U'―':
    case U'−':
        return U'-';
    case U'ヶ':
    case U'ヵ':
    case U'が':
    case U'ガ':
        return U'ケ';
    case U'之':
    case U'ノ':
        return U'の';
    case U'ッ':
        return U'ツ';
    case U'っ':
        return U'つ';
    default:
        return c;
    }
}

constexpr std::u32string_view kKanjiDigits = U"〇一二三四五六七八九";

int KanjiDigit(char32_t c)
{
    const std::size_t at = kKanjiDigits.find(c);
    return at == std::u32string_view::npos ? -1 : static_cast<int>(at);
}

int KanjiUnit(char32_t c)
{
    return c == U'十' ? 10 : c == U'百' ? 100 : c == U'千' ? 1000 : 0;
}

// Words a number of a block, a line or a plot stands in front of.
bool NumberFollows(const std::u32string& s, std::size_t at)
{
    static constexpr std::u32string_view kWords[] = { U"丁", U"番", U"号", U"条", U"線", U"地割" };
    const std::u32string_view rest = std::u32string_view(s).substr(at);
    return std::any_of(
        std::begin(kWords), std::end(kWords), [&](std::u32string_view w) { return rest.starts_with(w); });
}

// The value of a kanji number: positional ("二十三") or digit by digit ("二三").
std::string KanjiNumber(std::u32string_view run)
{
    const bool positional = std::any_of(run.begin(), run.end(), [](char32_t c) { return KanjiUnit(c) != 0; });
    if (!positional) {
        std::string digits;
        for (char32_t c : run)
            digits.push_back(static_cast<char>('0' + KanjiDigit(c)));
        return digits;
    }
    long total = 0, current = 0;
    for (char32_t c : run) {
        if (const int unit = KanjiUnit(c); unit != 0) {
            total += (current == 0 ? 1 : current) * unit;
            current = 0;
        } else {
            current = current * 10 + KanjiDigit(c);
        }
    }
    return std::to_string(total + current);
}

} // namespace

std::string MatchKey(std::string_view sjis)
{
    const std::u32string in = Decode(platform::SjisToUtf8(sjis));
    // Width and the kana of one sound first, so that the words below are met in one form.
    std::u32string s;
    s.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        char32_t c = in[i];
        if (c >= 0xFF61 && c <= 0xFF9F) {
            c = kHalfKana[c - 0xFF61];
            if (i + 1 < in.size() && in[i + 1] == 0xFF9E && (Voiceable(c) || c == U'ウ')) {
                c = c == U'ウ' ? U'ヴ' : c + 1;
                ++i;
            } else if (i + 1 < in.size() && in[i + 1] == 0xFF9F && c >= U'ハ' && c <= U'ホ' && (c - U'ハ') % 3 == 0) {
                c += 2;
                ++i;
            }
        }
        if (c == U'ー' && !s.empty() && s.back() >= U'0' && s.back() <= U'9')
            c = U'-';
        if ((c = Fold(c)) != 0)
            s.push_back(c);
    }
    std::string out;
    out.reserve(s.size() * 3);
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == U'大' && i + 1 < s.size() && s[i + 1] == U'字') {
            i += 2;
            continue;
        }
        if (s[i] == U'字') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < s.size() && (KanjiDigit(s[end]) >= 0 || KanjiUnit(s[end]) != 0))
            ++end;
        if (end > i && NumberFollows(s, end)) {
            out += KanjiNumber(std::u32string_view(s).substr(i, end - i));
            i = end;
            continue;
        }
        for (const std::size_t stop = std::max(end, i + 1); i < stop; ++i)
            Encode(s[i], out);
    }
    return out;
}

int SplitPrefecture(std::string_view sjis, std::string_view& rest)
{
    rest = sjis;
    for (int p = 0; p < kPrefectureCount; ++p) {
        const std::string& name = PrefectureName(p);
        if (sjis.starts_with(name)) {
            rest = sjis.substr(name.size());
            return p;
        }
    }
    return -1;
}

namespace {

std::uint32_t GetLE32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(u[0]) | static_cast<std::uint32_t>(u[1]) << 8
        | static_cast<std::uint32_t>(u[2]) << 16 | static_cast<std::uint32_t>(u[3]) << 24;
}

} // namespace

PostalIndex PostalIndex::Load(std::string_view postalFolder)
{
    std::string folder(postalFolder);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    std::string index, data;
    PostalIndex out;
    if (!platform::fs::ReadFile(folder + std::string(kPostalIndexFile), index)
        || !platform::fs::ReadFile(folder + std::string(kPostalDataFile), data) || index.size() < 4)
        return out;
    const std::uint32_t count = GetLE32(index.data());
    if (count > (index.size() - 4) / 12)
        return out;
    const PostalMemorySource source(data);
    PostalRecordText text;
    out.places_.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const char* entry = index.data() + 4 + 12 * static_cast<std::size_t>(i);
        const std::string_view code(entry, strnlen(entry, 8));
        if (code.size() != 7 || !ReadPostalRecordIn(source, GetLE32(entry + 8), text))
            continue;
        const std::size_t space = platform::FindChar(text.address, ' ');
        if (space == std::string::npos)
            continue;
        PostalPlace place;
        place.code.assign(code);
        place.prefecture = PrefectureIndex(std::string_view(text.address).substr(0, space));
        place.place = text.address.substr(space + 1);
        out.places_.push_back(std::move(place));
    }
    out.Build();
    return out;
}

PostalIndex PostalIndex::Of(std::vector<PostalPlace> places)
{
    PostalIndex out;
    out.places_ = std::move(places);
    std::stable_sort(out.places_.begin(), out.places_.end(),
        [](const PostalPlace& a, const PostalPlace& b) { return a.code < b.code; });
    out.Build();
    return out;
}

void PostalIndex::Build()
{
    for (PostalPlace& p : places_)
        p.key = MatchKey(p.place);
    byKey_.reserve(places_.size());
    for (std::uint32_t i = 0; i < places_.size(); ++i)
        byKey_[places_[i].key].push_back(i);
    std::vector<std::string_view> keys;
    keys.reserve(byKey_.size());
    for (const auto& entry : byKey_)
        keys.push_back(entry.first);
    std::sort(keys.begin(), keys.end());
    // Sorted, a key's longer forms follow it directly.
    for (std::size_t i = 0; i + 1 < keys.size(); ++i)
        if (keys[i + 1].starts_with(keys[i]))
            hasLonger_[keys[i]] = true;
}

std::vector<const PostalPlace*> PostalIndex::PlacesOf(std::string_view digits) const
{
    std::vector<const PostalPlace*> out;
    auto it = std::lower_bound(places_.begin(), places_.end(), digits,
        [](const PostalPlace& p, std::string_view code) { return p.code < code; });
    for (; it != places_.end() && it->code == digits; ++it)
        out.push_back(&*it);
    return out;
}

std::vector<const PostalPlace*> PostalIndex::Read(std::string_view addressKey, int prefecture) const
{
    // The longest start first; a whole city's entry where its towns could be meant reads
    // to no one place.
    std::size_t length = addressKey.size();
    while (length > 0) {
        const auto found = byKey_.find(addressKey.substr(0, length));
        if (found != byKey_.end()) {
            std::vector<const PostalPlace*> out;
            for (std::uint32_t i : found->second) {
                const PostalPlace& p = places_[i];
                if ((prefecture < 0 || p.prefecture == prefecture)
                    && std::none_of(out.begin(), out.end(), [&](const PostalPlace* q) { return q->code == p.code; }))
                    out.push_back(&p);
            }
            if (!out.empty()) {
                const bool wholeCity = std::all_of(
                    out.begin(), out.end(), [](const PostalPlace* q) { return q->code.ends_with("0000"); });
                if (wholeCity && hasLonger_.contains(found->first) && length < addressKey.size())
                    return {};
                return out;
            }
        }
        // Back to the previous character boundary (UTF-8).
        do
            --length;
        while (length > 0 && (static_cast<unsigned char>(addressKey[length]) & 0xC0) == 0x80);
    }
    return {};
}

} // namespace nrt::check
