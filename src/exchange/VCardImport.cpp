#include "exchange/VCardImport.h"

#include "exchange/CsvColumnMap.h"
#include "exchange/RecordImport.h"
#include "exchange/VCardExport.h"

#include "db/AddressTable.h"
#include "platform/FileWrite.h"
#include "platform/Kana.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalLookup.h"
#include "postal/Prefectures.h"
#include "settings/AppSettings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_set>

namespace nrt {
namespace {

// Closing message lines beyond this are counted, not listed.
constexpr std::size_t kNotesShown = 20;

// Groups web address books put every contact in; no category of the user's.
constexpr std::array<std::string_view, 2> kSystemGroups = { "myContacts", "starred" };

std::string Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return std::string(s);
}

// "U+20BB7 U+1F600": the characters of a UTF-8 text by their numbers, which a CP932
// message can show.
std::string CodePoints(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%sU+%04X", out.empty() ? "" : " ", static_cast<unsigned>(cp));
        out += buf;
        i += n;
    }
    return out;
}

// Parts joined by `sep`, the empty ones left out.
std::string Join(std::initializer_list<std::string_view> parts, std::string_view sep)
{
    std::string out;
    for (std::string_view p : parts) {
        if (p.empty())
            continue;
        if (!out.empty())
            out += sep;
        out += p;
    }
    return out;
}

// Line breaks inside a value (notes) as one full-width space each, as the CSV import
// keeps them: a field holds one line.
std::string OneLine(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' || utf8[i] == '\n') {
            if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
            out += "\xE3\x80\x80";
        } else {
            out += utf8[i];
        }
    }
    return Trim(out);
}

// A telephone number as written in Japan: "tel:" dropped, +81 as the leading 0.
std::string DomesticNumber(std::string_view utf8)
{
    std::string s = Trim(utf8);
    if (s.starts_with("tel:"))
        s.erase(0, 4);
    if (s.starts_with("+81")) {
        std::size_t i = 3;
        while (i < s.size() && (s[i] == ' ' || s[i] == '-' || s[i] == '(' || s[i] == ')'))
            ++i;
        s.replace(0, i, 1, '0');
    }
    return s;
}

// "1000013" and "〒100-0013" as "100-0013"; anything else as written.
std::string PostalCode(std::string_view utf8)
{
    std::string s = Trim(utf8);
    if (s.starts_with("\xE3\x80\x92")) // 〒
        s = Trim(s.substr(3));
    if (s.size() == 7 && s.find_first_not_of("0123456789") == std::string::npos)
        s.insert(3, "-");
    return s;
}

// The one of several properties a field takes: the first of the preferred kind,
// then the first marked preferred, then the first.
const vcard::Property* Choose(const std::vector<const vcard::Property*>& all, std::string_view kind)
{
    for (const auto* p : all)
        if (!kind.empty() && p->HasType(kind))
            return p;
    for (const auto* p : all)
        if (p->HasType("pref") || !p->Param("PREF").empty())
            return p;
    return all.empty() ? nullptr : all.front();
}

// Builds one card's values, making every UTF-8 value CP932 with notes.
class CardMapper {
public:
    CardMapper(const vcard::Card& card, int number, std::vector<std::string>& notes, VCardImport::Tally& tally,
        const CityPrefectures* cities)
        : card_(card)
        , number_(number)
        , notes_(notes)
        , tally_(tally)
        , cities_(cities)
    {
    }

    std::vector<std::string> Map()
    {
        values_.assign(field::kSchemaEnd, {});
        MapName();
        MapReading();
        MapAddress();
        MapPhones();
        MapSimple();
        MapNotes();
        MapOwn();
        return std::move(values_);
    }

private:
    std::vector<const vcard::Property*> All(std::string_view name) const
    {
        std::vector<const vcard::Property*> all;
        for (const vcard::Property& p : card_.properties)
            if (p.name == name)
                all.push_back(&p);
        return all;
    }

    int PrefectureOfCity(std::string_view utf8) const
    {
        return cities_ && !utf8.empty() ? cities_->Of(platform::Utf8ToSjis(utf8)) : -1;
    }

    // The UTF-8 value as CP932 on one line, with a note naming what CP932 cannot hold.
    std::string Convert(std::string_view property, std::string_view utf8)
    {
        std::string line;
        if (utf8.find_first_of("\r\n") != std::string_view::npos) {
            line = OneLine(utf8);
            utf8 = line;
            ++tally_.lineBreaks;
        }
        std::string missing;
        std::string sjis = platform::Utf8ToSjisMarking(utf8, &missing);
        if (!missing.empty())
            Note(property, SJ("Shift-JISにない文字（") + CodePoints(missing) + SJ("）を「〓」にしました。"));
        return sjis;
    }

    void Set(field::Index slot, std::string_view property, std::string_view utf8)
    {
        values_[slot] = Convert(property, utf8);
    }

    void Note(std::string_view property, std::string_view text)
    {
        std::string line = std::to_string(number_) + SJ("件目");
        if (!label_.empty())
            line += SJ("（") + label_ + SJ("）");
        line += SJ("の");
        line.append(property);
        line += SJ("：");
        line.append(text);
        notes_.push_back(std::move(line));
    }

    // Values of a property that found no field.
    void LeftOut(std::string_view property, std::string_view utf8)
    {
        Note(property, SJ("「") + platform::Utf8ToSjis(utf8) + SJ("」は取り込みませんでした。"));
    }

    void MapName()
    {
        std::string name;
        if (const auto* n = card_.Find("N")) {
            const auto parts = n->Parts();
            if (!parts.empty())
                name = Join({ Trim(parts[0]), parts.size() > 1 ? Trim(parts[1]) : std::string() }, "\xE3\x80\x80");
        }
        const char* from = "N";
        // A company's own card (no person) names the company in FN: 会社名 takes it.
        const auto* kind = card_.Find("KIND");
        const auto* showAs = card_.Find("X-ABSHOWAS");
        const bool company = (kind && Trim(kind->Text()) == "org") || (showAs && Trim(showAs->Text()) == "COMPANY");
        if (name.empty() && !(company && card_.Find("ORG"))) {
            if (const auto* fn = card_.Find("FN"))
                name = Trim(fn->Text());
            from = "FN";
        }
        // Notes about the name itself cannot name the card by it yet.
        values_[field::kName] = Convert(from, name);
        label_ = values_[field::kName];
    }

    void MapReading()
    {
        std::string reading;
        const auto* last = card_.Find("X-PHONETIC-LAST-NAME");
        const auto* first = card_.Find("X-PHONETIC-FIRST-NAME");
        const char* from = "X-PHONETIC-LAST-NAME";
        if (last || first) {
            reading = Join({ last ? Trim(last->Text()) : "", first ? Trim(first->Text()) : "" }, "\xE3\x80\x80");
        } else if (const auto* sort = card_.Find("SORT-STRING")) {
            reading = Trim(sort->Text());
            from = "SORT-STRING";
        } else {
            from = "N";
            for (const vcard::Property& p : card_.properties) {
                if (p.name == "N" && !p.Param("PHONETIC").empty()) {
                    const auto parts = p.Parts();
                    reading = Join({ Trim(parts[0]), parts.size() > 1 ? Trim(parts[1]) : "" }, "\xE3\x80\x80");
                    break;
                }
                if (p.name == "N" && !p.Param("SORT-AS").empty()) {
                    const std::string as = p.Param("SORT-AS");
                    // Parts are listed with ',' (some write ';').
                    const std::size_t comma = as.find_first_of(",;");
                    reading = Join(
                        { Trim(as.substr(0, comma)), comma == std::string::npos ? "" : Trim(as.substr(comma + 1)) },
                        "\xE3\x80\x80");
                    break;
                }
                // Older phones: SOUND;X-IRMC-N:ﾔﾏﾀﾞ;ﾀﾛｳ;;; and Outlook: X-MS-N-YOMI:ヤマダ;タロウ
                if ((p.name == "SOUND" && p.HasType("x-irmc-n")) || p.name == "X-MS-N-YOMI") {
                    const auto parts = p.Parts();
                    reading = Join({ Trim(parts[0]), parts.size() > 1 ? Trim(parts[1]) : "" }, "\xE3\x80\x80");
                    from = p.name == "SOUND" ? "SOUND" : "X-MS-N-YOMI";
                    break;
                }
            }
        }
        // Parts a reading's writer left in it ("あんどう;ろいど") part as a name does.
        std::string parted;
        for (char c : Trim(reading)) {
            if (c == ';' || c == ',') {
                if (!parted.ends_with("\xE3\x80\x80"))
                    parted += "\xE3\x80\x80";
            } else {
                parted += c;
            }
        }
        values_[field::kKana] = platform::HalfWidthReading(Convert(from, parted));
    }

    void MapAddress()
    {
        const auto all = All("ADR");
        const vcard::Property* adr = Choose(all, "home");
        if (!adr)
            return;
        for (const auto* other : all) {
            if (other == adr)
                continue;
            auto parts = other->Parts();
            parts.resize(7);
            LeftOut("ADR", Join({ parts[5], parts[4], parts[3], parts[2], parts[1] }, " "));
        }
        auto parts = adr->Parts();
        parts.resize(7);
        // post office box; extended; street; locality; region; postal code; country
        std::string region = Trim(parts[4]);
        std::string extended = parts[1];
        std::string line1 = Join({ Trim(parts[3]), Trim(parts[2]) }, "");
        // An address written whole in the extended part (some phones) is the address.
        // (Not this program's own card, whose extended part is 住所２ alone.)
        const auto* prodid = card_.Find("PRODID");
        const bool own = prodid && prodid->Text() == VCardExport::kProductId;
        const bool whole = !own && line1.empty() && region.empty() && !Trim(extended).empty()
            && (!Trim(parts[5]).empty()
                || std::any_of(kPrefectureNamesUtf8.begin(), kPrefectureNamesUtf8.end(),
                    [&extended](std::string_view p) { return Trim(extended).starts_with(p); })
                || PrefectureOfCity(Trim(extended)) >= 0);
        if (whole)
            std::swap(line1, extended);
        std::string country = Trim(parts[6]);
        if (country == "\xE6\x97\xA5\xE6\x9C\xAC" || country == "Japan" || country == "JP" || country == "JAPAN")
            country.clear();
        line1 = Trim(line1);
        // A prefecture written at the start of the address line (one line for all).
        if (region.empty()) {
            for (std::string_view prefecture : kPrefectureNamesUtf8)
                if (line1.starts_with(prefecture)) {
                    region = prefecture;
                    line1 = Trim(line1.substr(prefecture.size()));
                    break;
                }
        }
        // Without a postal code to tell it (Load does then), the city's prefecture.
        if (const int p = PrefectureOfCity(line1); region.empty() && Trim(parts[5]).empty() && p >= 0)
            region = kPrefectureNamesUtf8[static_cast<std::size_t>(p)];
        // The street on two lines: the second is the building (住所２).
        std::string building;
        if (const std::size_t cut = line1.find_first_of("\r\n"); cut != std::string::npos) {
            building = OneLine(line1.substr(line1.find_first_not_of("\r\n", cut) == std::string::npos
                    ? line1.size()
                    : line1.find_first_not_of("\r\n", cut)));
            line1 = Trim(line1.substr(0, cut));
        } else if (whole) {
            // A whole address on one line: the building after the space that follows the
            // house number.
            const std::size_t number = line1.find_first_of("0123456789");
            const std::size_t half = number == std::string::npos ? number : line1.find(' ', number);
            const std::size_t full = number == std::string::npos ? number : line1.find("\xE3\x80\x80", number);
            if (const std::size_t at = std::min(half, full); at != std::string::npos) {
                building = Trim(line1.substr(at + (at == half ? 1 : 3)));
                line1 = Trim(line1.substr(0, at));
            }
        }
        Set(field::kPostalCode, "ADR", PostalCode(parts[5]));
        Set(field::kPrefecture, "ADR", region);
        Set(field::kAddress1, "ADR", line1);
        Set(field::kAddress2, "ADR", Join({ building, Trim(extended), Trim(parts[0]), country }, " "));
    }

    void MapPhones()
    {
        const vcard::Property* fax = nullptr;
        const vcard::Property* mobile = nullptr;
        std::vector<const vcard::Property*> voice;
        for (const auto* p : All("TEL")) {
            if (p->HasType("fax")) {
                if (fax)
                    LeftOut("TEL", DomesticNumber(p->Text()));
                else
                    fax = p;
            } else if (p->HasType("cell") || p->HasType("mobile") || p->HasType("iphone")) {
                if (mobile)
                    LeftOut("TEL", DomesticNumber(p->Text()));
                else
                    mobile = p;
            } else {
                voice.push_back(p);
            }
        }
        const vcard::Property* phone = Choose(voice, "home");
        // A work number, or one of no kind, when there is no home number.
        for (const auto* p : voice)
            if (p != phone)
                LeftOut("TEL", DomesticNumber(p->Text()));
        if (phone)
            Set(field::kPhone, "TEL", DomesticNumber(phone->Text()));
        if (fax)
            Set(field::kFax, "TEL", DomesticNumber(fax->Text()));
        if (mobile)
            Set(field::kMobile, "TEL", DomesticNumber(mobile->Text()));
    }

    void MapSimple()
    {
        const auto mails = All("EMAIL");
        if (const auto* mail = Choose(mails, "home")) {
            Set(field::kMail, "EMAIL", Trim(mail->Text()));
            for (const auto* other : mails)
                if (other != mail)
                    LeftOut("EMAIL", Trim(other->Text()));
        }
        const auto urls = All("URL");
        if (const auto* url = Choose(urls, {})) {
            Set(field::kHomePage, "URL", Trim(url->Text()));
            for (const auto* other : urls)
                if (other != url)
                    LeftOut("URL", Trim(other->Text()));
        }
        // What the book has no field for, named rather than dropped unseen.
        for (const char* name : { "NICKNAME", "ROLE", "X-GN", "X-GNO", "X-GROUP", "IMPP", "X-AIM", "X-JABBER",
                 "X-SKYPE", "X-ANNIVERSARY", "ANNIVERSARY", "RELATED", "X-SOCIALPROFILE" })
            for (const auto* p : All(name))
                if (const std::string text = Trim(p->Text()); !text.empty())
                    LeftOut(name, text);
        if (const auto* bday = card_.Find("BDAY")) {
            const std::string text = bday->Text();
            const std::string date = IsoDateAsStored(Trim(text));
            if (date.empty() && !Trim(text).empty())
                LeftOut("BDAY", text);
            values_[field::kBirthday] = date;
        }
        if (const auto* gender = card_.Find("GENDER")) {
            const std::string sex = Trim(gender->Parts().front());
            if (sex == "M")
                values_[field::kGender] = SJ("男");
            else if (sex == "F")
                values_[field::kGender] = SJ("女");
        }
        for (const auto* categories : All("CATEGORIES")) {
            for (const std::string& item : categories->Items()) {
                const std::string name = Trim(item);
                if (name.empty() || std::find(kSystemGroups.begin(), kSystemGroups.end(), name) != kSystemGroups.end())
                    continue;
                if (values_[field::kCategory].empty() && name.find_first_of("*%&?\\\"'") == std::string::npos)
                    Set(field::kCategory, "CATEGORIES", name);
                else
                    LeftOut("CATEGORIES", name);
            }
        }
    }

    void MapNotes()
    {
        std::vector<std::string> notes;
        for (const auto* note : All("NOTE")) {
            if (note->Param(VCardExport::kNote2Param) == "2") {
                Set(field::kNote2, "NOTE", Trim(note->Text()));
                continue;
            }
            if (std::string text = Trim(note->Text()); !text.empty())
                notes.push_back(std::move(text));
        }
        // ORG is the company and then its units, from the largest.
        const auto orgs = All("ORG");
        for (std::size_t i = 1; i < orgs.size(); ++i)
            LeftOut("ORG",
                Join({ Trim(orgs[i]->Parts().front()), orgs[i]->Parts().size() > 1 ? Trim(orgs[i]->Parts()[1]) : "" },
                    " "));
        if (const auto* org = orgs.empty() ? nullptr : orgs.front()) {
            const std::vector<std::string> parts = org->Parts();
            std::string units;
            for (std::size_t i = 1; i < parts.size(); ++i)
                units = Join({ units, Trim(parts[i]) }, " ");
            if (!parts.empty() && !Trim(parts[0]).empty())
                Set(field::kCompany, "ORG", Trim(parts[0]));
            if (!units.empty())
                Set(field::kDepartment, "ORG", units);
        }
        if (const auto* title = card_.Find("TITLE"); title && !Trim(title->Text()).empty())
            Set(field::kTitle, "TITLE", Trim(title->Text()));
        if (!notes.empty())
            Set(field::kNote1, "NOTE", notes[0]);
        std::size_t next = 1;
        if (notes.size() > 1 && values_[field::kNote2].empty())
            Set(field::kNote2, "NOTE", notes[next++]);
        for (; next < notes.size(); ++next)
            LeftOut("NOTE", notes[next]);
    }

    // This program's own properties: the fields other programs have none for.
    void MapOwn()
    {
        for (const field::Index own : kVCardOwnFields) {
            const char* property = fieldcatalogue::Info(own).vCardProperty;
            if (const auto* p = card_.Find(property))
                Set(own, property, Trim(p->Text()));
        }
        for (int j = 0; j < field::kJointNameCount; ++j) {
            const std::string name = std::string(VCardExport::kJointProperty) + std::to_string(j + 1);
            if (const auto* p = card_.Find(name)) {
                auto parts = p->Parts();
                // A server that stores the value as plain text escapes its ';'.
                if (const std::size_t cut = parts.size() == 1 ? parts[0].find(';') : std::string::npos;
                    cut != std::string::npos)
                    parts = { parts[0].substr(0, cut), parts[0].substr(cut + 1) };
                parts.resize(2);
                Set(static_cast<field::Index>(field::kJointName1 + 2 * j), name, Trim(parts[0]));
                Set(static_cast<field::Index>(field::kJointHonorific1 + 2 * j), name, Trim(parts[1]));
            }
        }
        if (const auto* rev = card_.Find("REV"))
            values_[field::kUpdated] = IsoDateAsStored(Trim(rev->Text()));
        // The card's UID as its writer gave it: the record is the card's again when
        // exported and known by it when the card comes again.
        if (const auto* uid = card_.Find("UID"))
            Set(field::kUid, "UID", Trim(uid->Text()));
    }

    const vcard::Card& card_;
    int number_;
    std::vector<std::string>& notes_;
    VCardImport::Tally& tally_;
    const CityPrefectures* cities_;
    std::vector<std::string> values_;
    std::string label_;
};

// The cards' values as rows for the record import: a column for each field a card
// fills that the table has (a table of another schema may lack some).
class CardRows : public ImportRows {
public:
    explicit CardRows(const AddressTable& table)
    {
        for (field::Index f : VCardImport::kFilled)
            if (const int at = table.FindField(SchemaFieldName(f)); at >= 0) {
                slots_.push_back(f);
                fields_.push_back(at);
            }
    }
    std::size_t Slots() const { return slots_.size(); }
    field::Index Slot(std::size_t c) const { return slots_[c]; }
    void Add(std::vector<std::string> values, int card)
    {
        rows_.push_back(std::move(values));
        cards_.push_back(card);
    }

    int ColumnCount() const override { return static_cast<int>(slots_.size()); }
    std::string_view ColumnName(int c) const override { return SchemaFieldName(slots_[static_cast<std::size_t>(c)]); }
    int ColumnField(int c) const override { return fields_[static_cast<std::size_t>(c)]; }
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    std::string_view Cell(int r, int c) const override
    {
        return rows_[static_cast<std::size_t>(r)][slots_[static_cast<std::size_t>(c)]];
    }
    // Messages count cards.
    int FileLine(int r) const override { return cards_[static_cast<std::size_t>(r)]; }

private:
    std::vector<field::Index> slots_;
    std::vector<int> fields_;
    std::vector<std::vector<std::string>> rows_;
    std::vector<int> cards_;
};

} // namespace

std::vector<std::string> VCardImport::MapCard(
    const vcard::Card& card, int number, std::vector<std::string>& notes, Tally* tally, const CityPrefectures* cities)
{
    Tally none;
    return CardMapper(card, number, notes, tally ? *tally : none, cities).Map();
}

VCardImport::Result VCardImport::Run(std::string_view path, Observer* observer)
{
    imported_ = 0;
    notes_.clear();
    if (!platform::fs::IsFile(path)) {
        platform::Warn(SJ("ファイルが見つかりません。"));
        return Result::kFileMissing;
    }
    std::string bytes;
    const int cards = platform::fs::ReadFile(path, bytes) ? static_cast<int>(vcard::Parse(bytes).size()) : -1;
    if (!AskImport(settings_, path, cards))
        return Result::kDeclined;
    const Result result = Load(path, observer);
    if (observer && result == Result::kImported)
        observer->Imported();
    if (result == Result::kNothingImported)
        platform::Warn(ClosingMessage());
    if (result != Result::kImported)
        return result;
    platform::Inform(ClosingMessage(), SJ("住所録"));
    return Result::kImported;
}

VCardImport::Result VCardImport::Load(std::string_view path, Observer* observer)
{
    Observer none;
    Observer& watch = observer ? *observer : none;
    imported_ = 0;
    notes_.clear();
    tally_ = {};
    std::string bytes;
    if (!platform::fs::ReadFile(path, bytes)) {
        const platform::FileWrite failed = platform::FileWrite::Failed(path);
        platform::Warn(SJ("ファイルオープンに失敗しました。") + failed.Reason());
        return Result::kReadFailed;
    }
    const std::vector<vcard::Card> cards = vcard::Parse(bytes);
    if (cards.empty()) {
        platform::Warn(SJ("vCardのデータがありません。"));
        return Result::kNoCards;
    }
    watch.Busy(true);
    // A card this program wrote names its record by UID: one already in the book is not
    // added again.
    std::unordered_set<std::string> known;
    for (std::string& uid : VCardExport::RecordUids(table_))
        if (!uid.empty())
            known.insert(std::move(uid));
    CardRows rows(table_);
    const CityPrefectures cities(settings_.PostalFile({}));
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (const auto* uid = cards[i].Find("UID");
            uid && !known.insert(platform::Utf8ToSjis(Trim(uid->Text()))).second) {
            ++tally_.alreadyThere;
            continue;
        }
        std::vector<std::string> values = MapCard(cards[i], number, notes_, &tally_, &cities);
        // A UID alone is nothing to import.
        if (std::all_of(values.begin(), values.begin() + field::kUid, [](const std::string& v) { return v.empty(); })) {
            ++tally_.empty;
            notes_.push_back(std::to_string(number) + SJ("件目：取り込める項目がないため取り込みませんでした。"));
            continue;
        }
        const auto* prodid = cards[i].Find("PRODID");
        if (values[field::kHonorific].empty() && !(prodid && prodid->Text() == VCardExport::kProductId)) {
            // As the input form gives a new record: 様, or 御中 for a company alone.
            values[field::kHonorific]
                = values[field::kName].empty() && !values[field::kCompany].empty() ? SJ("御中") : SJ("様");
            ++tally_.honorifics;
        }
        if (values[field::kPrefecture].empty() && !values[field::kPostalCode].empty()) {
            // A phone's address without its prefecture: the postal dictionary knows it
            // when the address begins with the code's city.
            values[field::kPrefecture]
                = PrefectureOfAddress(settings_.PostalFile({}), values[field::kPostalCode], values[field::kAddress1]);
        }
        for (std::size_t c = 0; c < rows.Slots(); ++c) {
            std::string& value = values[rows.Slot(c)];
            const auto width = static_cast<std::size_t>(table_.GetField(rows.ColumnField(static_cast<int>(c))).width);
            if (value.size() <= width)
                continue;
            // A UID cut would name no card: the record gets one of its own instead.
            if (rows.Slot(c) == field::kUid) {
                value.clear();
                continue;
            }
            value = std::string(platform::CutToBytes(value, width));
            notes_.push_back(std::to_string(number) + SJ("件目（") + values[field::kName] + SJ("）の")
                + std::string(rows.ColumnName(static_cast<int>(c))) + SJ("：長すぎるため") + std::to_string(width)
                + SJ("バイトまでにしました。"));
        }
        rows.Add(std::move(values), number);
    }
    if (rows.RowCount() == 0) {
        watch.Busy(false);
        return tally_.alreadyThere > 0 ? Result::kImported : Result::kNothingImported;
    }
    RecordImport records(settings_, table_);
    const RecordImport::Result result = records.Run(rows, watch);
    imported_ = records.ImportedCount();
    // RecordImport's results are ours by the same names and numbers.
    return static_cast<Result>(result);
}

std::string VCardImport::ClosingMessage() const
{
    std::string text = imported_ > 0 ? SJ("正常にインポートされました。") : SJ("インポートしたデータはありません。");
    text += SJ("（") + std::to_string(imported_) + SJ("件）");
    if (tally_.alreadyThere > 0)
        text += SJ("\n（既に登録されているため取り込まなかったカード：") + std::to_string(tally_.alreadyThere)
            + SJ("件）");
    if (tally_.empty > 0)
        text += SJ("\n（取り込める項目がないため取り込まなかったカード：") + std::to_string(tally_.empty) + SJ("件）");
    if (tally_.lineBreaks > 0)
        text += SJ("\n（値の中の改行を全角スペースにした項目：") + std::to_string(tally_.lineBreaks) + SJ("個）");
    if (tally_.honorifics > 0)
        text += SJ("\n（敬称のないデータに「様」または「御中」を付けました：") + std::to_string(tally_.honorifics)
            + SJ("件）");
    for (std::size_t i = 0; i < notes_.size() && i < kNotesShown; ++i)
        text += "\n" + notes_[i];
    if (notes_.size() > kNotesShown)
        text += SJ("\n（ほか") + std::to_string(notes_.size() - kNotesShown) + SJ("件）");
    return text;
}

} // namespace nrt
