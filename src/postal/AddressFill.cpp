#include "postal/AddressFill.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "postal/PostalListImport.h"
#include "postal/PostalLookup.h"

#include <cstring>

namespace nrt {
namespace {

using platform::CharLength;

// The double-byte character at s[i], or an empty view for a single byte.
std::string_view WideAt(std::string_view s, std::size_t i)
{
    return i < s.size() && CharLength(s, i) == 2 ? s.substr(i, 2) : std::string_view();
}

bool IsWideDigit(std::string_view c)
{
    // "０" 0x824F .. "９" 0x8258
    return c.size() == 2 && static_cast<unsigned char>(c[0]) == 0x82 && static_cast<unsigned char>(c[1]) >= 0x4F
        && static_cast<unsigned char>(c[1]) <= 0x58;
}

bool IsOneOf(std::string_view c, std::initializer_list<const std::string*> set)
{
    for (const std::string* s : set)
        if (c == *s)
            return true;
    return false;
}

bool IsKanjiNumeral(std::string_view c)
{
    return IsOneOf(c,
        { &SJ("〇"), &SJ("一"), &SJ("二"), &SJ("三"), &SJ("四"), &SJ("五"), &SJ("六"), &SJ("七"), &SJ("八"),
            &SJ("九") });
}

// ヶ as ケ and ッ as ツ, every other byte as it is.
std::string Folded(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = CharLength(s, i);
        std::string_view c = s.substr(i, n);
        if (c == SJ("ヶ"))
            c = SJ("ケ");
        else if (c == SJ("ッ"))
            c = SJ("ツ");
        out.append(c);
        i += n;
    }
    return out;
}

// The first whole character `c` (double-byte) in s, or npos.
std::size_t FindWide(std::string_view s, std::string_view c)
{
    for (std::size_t i = 0; i < s.size(); i += CharLength(s, i))
        if (WideAt(s, i) == c)
            return i;
    return std::string_view::npos;
}

} // namespace

std::size_t HouseNumberStart(std::string_view a)
{
    constexpr std::size_t none = std::string_view::npos;
    std::size_t digit = none, kanji = none, wideDigit = none;
    std::size_t stop = a.size();
    for (std::size_t i = 0; i < a.size(); i += 2) {
        const std::string_view c = WideAt(a, i);
        if (c.empty()) { // a single-byte character (or a lead byte cut off at the end)
            stop = i;
            break;
        }
        const std::string_view next = WideAt(a, i + 2);
        if (IsWideDigit(c)) {
            if (digit == none)
                digit = i;
            if (wideDigit == none)
                wideDigit = i;
        } else if (IsKanjiNumeral(c)) {
            if (kanji == none)
                kanji = i;
        } else if ((c == SJ("丁") && next == SJ("目")) || (c == SJ("番") && next == SJ("地")) || c == SJ("号")
            || c == SJ("階") || c == SJ("の")) {
            if (digit != none || kanji != none) {
                stop = i;
                break;
            }
        } else if (c == SJ("－") || c == SJ("ー") || c == SJ("　")) {
            if (digit != none || kanji != none || wideDigit != none) {
                stop = i;
                break;
            }
        } else if (c == SJ("丁") || c == SJ("番")) {
            // part of a number's words without their second character: go on
        } else {
            digit = none;
            kanji = none;
        }
    }
    if (digit != none)
        return digit;
    if (kanji != none)
        return kanji;
    if (wideDigit != none)
        return wideDigit;
    return stop;
}

bool AddressStartsWithTown(std::string_view address, std::string_view town)
{
    if (address.size() < town.size())
        return false;
    return Folded(address.substr(0, town.size())) == Folded(town);
}

AddressFillResult MergeFoundAddress(const AddressFields& in, std::string_view code, std::string_view dictionaryAddress)
{
    AddressFillResult r;
    r.fields = in;

    // 3. The code with its hyphen; the prefecture before the first space.
    std::string written(code.substr(0, 3));
    if (code.size() > 3) {
        written += '-';
        written.append(code.substr(3));
    }
    if (written != in.postalCode) {
        r.fields.postalCode = written;
        r.postalCodeChanged = true;
    }
    std::string_view a = dictionaryAddress;
    const std::size_t space = platform::FindChar(dictionaryAddress, ' ');
    if (space != std::string_view::npos && space < 14) {
        const std::string_view prefecture = dictionaryAddress.substr(0, space);
        if (prefecture != in.prefecture) {
            r.fields.prefecture = std::string(prefecture);
            r.prefectureChanged = true;
        }
        a = dictionaryAddress.substr(space + 1);
    }

    // 4. A typed address is compared without the town's remark in parentheses, and a
    // remark that starts with a number ("（１～１９丁目）") is left out of the new text too.
    std::string_view compared = a;
    std::string_view merged = a;
    if (!in.address1.empty()) {
        const std::size_t paren = FindWide(a, SJ("（"));
        if (paren != std::string_view::npos) {
            compared = a.substr(0, paren);
            if (IsWideDigit(WideAt(a, paren + 2)))
                merged = compared;
        }
    }

    // 5. The address already agrees: the browser lets the user pick another town.
    if (AddressStartsWithTown(in.address1 + in.address2, compared)) {
        r.openBrowser = true;
        return r;
    }

    // 6. An empty address takes the town without its remark.
    if (in.address1.empty()) {
        r.fields.address1 = TownWithoutRemark(a);
        r.address1Changed = true;
        return r;
    }

    // 7. Otherwise the typed house number follows the new town, after a question.
    std::string replaced(merged);
    replaced.append(std::string_view(in.address1).substr(HouseNumberStart(in.address1)));
    std::string question = SJ("住所を変更します。よろしいですか？\n　【変更前】");
    question += in.address1;
    question += SJ("\n　【変更後】");
    question += replaced;
    if (!platform::Ask(question, true)) {
        r.openBrowser = true;
        return r;
    }
    r.fields.address1 = replaced;
    r.address1Changed = true;
    r.focusAddress1 = true;
    return r;
}

AddressFillResult FillAddressFromPostalCode(std::string_view postalFolder, const AddressFields& in)
{
    const std::string& z = in.postalCode;
    // 1. Too short to look up, or "ddd-ddd": straight to the browser.
    if (z.size() < 7 || (z.size() == 7 && z[3] == '-')) {
        AddressFillResult r;
        r.fields = in;
        r.openBrowser = true;
        return r;
    }
    // 2. The lookup.
    const std::optional<PostalIndexEntry> entry = FindPostalCode(postalFolder, z);
    PostalRecordText text;
    if (!entry || !ReadPostalRecord(postalFolder, entry->offset, text)) {
        platform::Warn(SJ("該当住所が見つかりません。"));
        AddressFillResult r;
        r.fields = in;
        r.openBrowser = true;
        return r;
    }
    if (CountPostalCode(postalFolder, z) > 1) {
        // The first of several towns would be a guess: the user chooses.
        AddressFillResult r;
        r.fields = in;
        r.openBrowser = true;
        const std::string_view code = entry->Code();
        r.browseCode = std::string(code.substr(0, 3)) + "-" + std::string(code.substr(3));
        const std::size_t space = platform::FindChar(text.address, ' ');
        r.browsePrefecture = text.address.substr(0, space == std::string::npos ? 0 : space);
        return r;
    }
    return MergeFoundAddress(in, entry->Code(), text.address);
}

} // namespace nrt
