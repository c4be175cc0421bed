#include "print/CardFill.h"

#include "platform/sjis.h"
#include "print/CustomerBarcode.h"
#include "print/NameBlock.h"

#include <vector>

namespace nrt {
namespace {

// Kanji numerals 〇 to 九 as CP932 codes.
constexpr std::array<std::uint16_t, 10> kKanjiDigits { 0x815A, 0x88EA, 0x93F1, 0x8E4F, 0x8E6C, 0x8CDC, 0x985A, 0x8EB5,
    0x94AA, 0x8BE3 };
constexpr unsigned char kMinusLead = 0x81, kMinusTrail = 0x7C; // "－"

void AppendCode(std::string& out, std::uint16_t code)
{
    // A single-byte code must not leave a NUL in front of it, which would end the text.
    if (code > 0xFF)
        out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
}

std::string_view ValueOf(const FieldLookup& record, const char* utf8Name)
{
    return record(platform::Utf8ToSjis(utf8Name));
}

// Cached CP932 names of the fields the fixed slots read.
struct Names {
    std::string postal = platform::Utf8ToSjis("郵便番号");
    std::string prefecture = platform::Utf8ToSjis("都道府県");
    std::string address1 = platform::Utf8ToSjis("住所１");
    std::string address2 = platform::Utf8ToSjis("住所２");
};

const Names& FieldNames()
{
    static const Names names;
    return names;
}

// A digit or Latin letter of either width, a kanji (々 too) or a kana, CP932.
bool IsWordChar(std::string_view ch)
{
    const auto lead = static_cast<unsigned char>(ch[0]);
    if (ch.size() == 1)
        return (lead >= '0' && lead <= '9') || (lead >= 'A' && lead <= 'Z') || (lead >= 'a' && lead <= 'z')
            || (lead >= 0xA6 && lead <= 0xDF);
    const auto trail = static_cast<unsigned char>(ch[1]);
    const unsigned code = (lead << 8) | trail;
    return (code >= 0x824F && code <= 0x829A) // full-width digits and letters
        || (code >= 0x829F && code <= 0x82F1) // hiragana
        || (code >= 0x8340 && code <= 0x8396) // katakana
        || code == 0x8158 || code == 0x815B // 々, ー
        || (lead >= 0x88 && code >= 0x889F && lead <= 0xFC); // kanji
}

// The first address line with the prefecture in front, unless it already begins with it.
std::string WithPrefecture(std::string_view prefecture, std::string_view address1)
{
    if (address1.substr(0, prefecture.size()) == prefecture)
        return std::string(address1);
    return std::string(prefecture) + std::string(address1);
}

} // namespace

void SenderBlock::Clear()
{
    for (std::string& t : text_)
        t.clear();
}

void SenderBlock::Set(Field field, std::string_view value)
{
    const auto i = static_cast<std::size_t>(field);
    if (const std::size_t nul = value.find('\0'); nul != std::string_view::npos)
        value = value.substr(0, nul);
    text_[i].assign(platform::CutToBytes(value, kBufferSizes[i] - 1));
}

void SenderBlock::Fill(const FieldLookup& record)
{
    for (int f = 0; f < kFieldCount; ++f)
        Set(static_cast<Field>(f), ValueOf(record, kSourceFields[static_cast<std::size_t>(f)]));
}

std::string PostalDigit(std::string_view code, int n)
{
    if (n < 1 || n > 7)
        return {};
    std::vector<std::string_view> chars;
    for (std::size_t i = 0; i < code.size() && code[i] != '\0';) {
        const std::size_t len = platform::CharLength(code, i);
        chars.push_back(code.substr(i, len));
        i += len;
    }
    auto index = static_cast<std::size_t>(n - 1);
    if (n >= 4 && chars.size() > 3 && (chars[3] == "-" || chars[3] == SJ("－")))
        ++index;
    return index < chars.size() ? std::string(chars[index]) : std::string();
}

std::string ConvertAddress(std::string_view text, bool vertical, std::uint16_t dashCode, bool kanjiNumerals)
{
    const bool replaceDash = vertical && dashCode != 0;
    // Characters as they are cut: a word character (a digit or Latin letter of either
    // width, a kanji, a kana) on each side makes a hyphen a dash, as in 3-20, B-1205 or
    // 丁目-20.
    struct Char {
        std::string_view bytes;
        bool word = false;
    };
    std::vector<Char> chars;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = platform::CharLength(text, i);
        chars.push_back({ text.substr(i, len), IsWordChar(text.substr(i, len)) });
        i += len;
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t c = 0; c < chars.size(); ++c) {
        const std::string_view ch = chars[c].bytes;
        const auto lead = static_cast<unsigned char>(ch[0]);
        const auto trail = ch.size() == 2 ? static_cast<unsigned char>(ch[1]) : 0;
        const bool betweenWords = c > 0 && c + 1 < chars.size() && chars[c - 1].word && chars[c + 1].word;
        if (ch.size() == 2 && replaceDash && lead == kMinusLead && trail == kMinusTrail)
            AppendCode(out, dashCode);
        else if (ch == "-" && replaceDash && betweenWords)
            AppendCode(out, dashCode);
        else if (ch.size() == 2 && kanjiNumerals && lead == 0x82 && trail >= 0x4F && trail <= 0x58)
            AppendCode(out, kKanjiDigits[trail - 0x4F]);
        else if (ch.size() == 1 && kanjiNumerals && vertical && lead >= '0' && lead <= '9')
            AppendCode(out, kKanjiDigits[lead - '0']);
        else
            out.append(ch);
    }
    return out;
}

std::string AddresseeBarcode(const FieldLookup& record, const TownLookup& town)
{
    const Names& n = FieldNames();
    const std::string_view postal = record(n.postal);
    const std::optional<std::string> digits = PostalCodeDigits(postal);
    if (!digits)
        return {};
    // A space keeps the last number of the first line apart from the second line's.
    const std::string address
        = std::string(record(n.prefecture)) + std::string(record(n.address1)) + " " + std::string(record(n.address2));
    // A whole city's code tells the sorting machines nothing of the address.
    if (digits->ends_with("0000"))
        return {};
    const std::optional<std::string> townName = town ? town(*digits) : std::nullopt;
    const bool business = townName && townName->empty();
    const auto code = EncodeCustomerBarcode(
        postal, business ? std::string() : ExtractAddressNumber(AfterTownName(address, townName.value_or(""))));
    return code ? code->Bars() : std::string();
}

bool SlotText(int slot, const LayoutItem& item, const LayoutHeader& header, const FieldLookup& record,
    const SenderBlock& sender, std::string& out, const TownLookup& town)
{
    const Names& n = FieldNames();
    const bool vertical = item.object.IsVertical();
    auto address = [&](std::string_view text) {
        return ConvertAddress(text, vertical, header.dashCode, header.kanjiNumerals == 1);
    };
    using S = SenderBlock;
    switch (slot) {
    case 0:
    case 2:
        if (item.fieldName.empty())
            return false;
        out = slot == 0 ? AddresseeName(record) : AddresseeHonorific(record);
        return true;
    case 1:
        out = NameWithHonorific(record);
        return true;
    case 3:
        out = record(n.postal);
        return true;
    case 12:
        out = address(std::string(record(n.prefecture)) + std::string(record(n.address1)));
        return true;
    case 13:
        out = address(header.printPrefecture == 1 ? WithPrefecture(record(n.prefecture), record(n.address1))
                                                  : std::string(record(n.address1)));
        return true;
    case 14:
        out = address(record(n.address2));
        return true;
    case 28:
        out = sender.Get(S::kName);
        return true;
    case 29:
        out = sender.Get(S::kPostalCode);
        return true;
    case 37:
        out = sender.Get(S::kPrefecture);
        return true;
    case 38:
        out = address(sender.Get(S::kPrefecture) + sender.Get(S::kAddress1));
        return true;
    case 39:
        out = address(header.printPrefecture == 1 ? WithPrefecture(sender.Get(S::kPrefecture), sender.Get(S::kAddress1))
                                                  : sender.Get(S::kAddress1));
        return true;
    case 40:
        out = address(sender.Get(S::kAddress2));
        return true;
    default:
        break;
    }
    if (slot >= 4 && slot <= 10) {
        out = PostalDigit(record(n.postal), slot - 3);
        return true;
    }
    if (slot >= 30 && slot <= 36) {
        out = PostalDigit(sender.Get(S::kPostalCode), slot - 29);
        return true;
    }
    if (slot >= 41 && slot <= 47) {
        constexpr S::Field fields[] = { S::kPhone, S::kFax, S::kMobile, S::kMail, S::kHomePage, S::kNote1, S::kNote2 };
        out = sender.Get(fields[slot - 41]);
        return true;
    }
    if (slot >= 48 && slot < kTextSlots) {
        out = item.object.Text();
        return item.object.HasText();
    }
    if (slot == kBarcodeSlot) {
        out = AddresseeBarcode(record, town);
        return !out.empty();
    }
    if (slot == kJointNameSlot || slot == kCompanySlot) {
        const NameBlock block = AddresseeNameBlock(record);
        out.clear();
        if (slot == kJointNameSlot)
            for (const JointNameLine& line : block.jointNames)
                out.append(out.empty() ? "" : "\n").append(line.WithHonorific());
        else
            for (const std::string& line : block.companyLines)
                out.append(out.empty() ? "" : "\n").append(line);
        return !out.empty();
    }
    // 11 and 15 to 27: the field the slot is bound to.
    if (item.fieldName.empty())
        return false;
    out = record(item.fieldName);
    return true;
}

SlotSet FillLayout(LayoutTable& items, const LayoutHeader& header, const FieldLookup& record, const SenderBlock& sender,
    const TownLookup& town)
{
    SlotSet draw;
    std::string text;
    // Where the layout shows the prefecture in a slot of its own, the first address
    // line does not print it again.
    const auto shown = [&](int slot) { return items[static_cast<std::size_t>(slot)].shown; };
    LayoutHeader apart;
    const bool addresseeApart = shown(11) || shown(12), senderApart = shown(37) || shown(38);
    if (header.printPrefecture == 1 && (addresseeApart || senderApart)) {
        apart = header;
        apart.printPrefecture = 0;
    }
    for (int slot = 0; slot < kLayoutSlots; ++slot) {
        LayoutItem& item = items[static_cast<std::size_t>(slot)];
        if (!item.shown)
            continue;
        const bool withoutPrefecture = (slot == 13 && addresseeApart) || (slot == 39 && senderApart);
        if (!SlotText(slot, item, withoutPrefecture && header.printPrefecture == 1 ? apart : header, record, sender,
                text, town))
            continue;
        // The free texts are their own; the name slots' lines are drawn from the record.
        if (slot < 48 || slot == kBarcodeSlot)
            item.object.SetText(text);
        draw.set(static_cast<std::size_t>(slot));
    }
    return draw;
}

} // namespace nrt
