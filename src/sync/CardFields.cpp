#include "sync/CardFields.h"

#include "db/AddressTable.h"
#include "db/FieldCatalogue.h"
#include "db/RecordSet.h"
#include "exchange/VCardExport.h"
#include "exchange/VCardImport.h"
#include "platform/sjis.h"

#include <algorithm>

namespace nrt::sync {
namespace {

// The value cut to `width` bytes, never inside a CP932 character.
std::string Cut(std::string value, std::size_t width)
{
    if (value.size() <= width)
        return value;
    std::size_t end = 0;
    while (end < value.size()) {
        const std::size_t n = platform::CharLength(value, end);
        if (end + n > width)
            break;
        end += n;
    }
    value.resize(end);
    return value;
}

// A card's text cut into logical lines (unfolded), each with its lines as written.
struct Line {
    std::string name; // upper case, without a group
    std::string unfolded;
    std::string written; // with its folds, CR LF after each
};

std::vector<Line> Lines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty()) {
            lines.back().unfolded.append(line.substr(1));
            lines.back().written.append(line).append("\r\n");
            continue;
        }
        if (line.empty())
            continue;
        Line l;
        l.unfolded = line;
        l.written = std::string(line) + "\r\n";
        lines.push_back(std::move(l));
    }
    for (Line& l : lines) {
        std::string name = l.unfolded.substr(0, l.unfolded.find_first_of(";:"));
        if (const std::size_t dot = name.rfind('.'); dot != std::string::npos)
            name.erase(0, dot + 1);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        l.name = std::move(name);
    }
    return lines;
}

// Properties the book's own card writes or the mapping reads whole: the copy's are
// replaced by the record's.
bool BookProperty(std::string_view name)
{
    static constexpr std::string_view kOwn[] = { "BEGIN", "END", "VERSION", "PRODID", "UID", "REV", "KIND", "FN", "N",
        "X-PHONETIC-LAST-NAME", "X-PHONETIC-FIRST-NAME", "GENDER", "BDAY", "CATEGORIES", "ORG", "TITLE", "NOTE" };
    return name.starts_with("X-NORTEA-") || std::find(std::begin(kOwn), std::end(kOwn), name) != std::end(kOwn);
}

} // namespace

const std::vector<int>& SyncedFields()
{
    static const std::vector<int> fields = [] {
        std::vector<int> f;
        for (field::Index i : VCardImport::kFilled)
            if (i != field::kUpdated && i != field::kUid)
                f.push_back(i);
        return f;
    }();
    return fields;
}

CardValues ValuesOf(const vcard::Card& card, const AddressTable& table)
{
    std::vector<std::string> notes;
    CardValues mapped = VCardImport::MapCard(card, 1, notes);
    CardValues values(field::kSchemaEnd);
    for (int f : SyncedFields()) {
        std::string value = std::move(mapped[static_cast<std::size_t>(f)]);
        // The value an import gives a field the card leaves out.
        if (value.empty())
            value = fieldcatalogue::Info(f).vCardUsual;
        const int at = table.FindField(SchemaFieldName(f));
        const std::size_t width = at >= 0 ? static_cast<std::size_t>(std::max(0, table.GetField(at).width)) : 0;
        values[static_cast<std::size_t>(f)] = at >= 0 ? Cut(std::move(value), width) : std::string();
    }
    return values;
}

CardValues ValuesOfText(std::string_view vcard, const AddressTable& table)
{
    const std::vector<vcard::Card> cards = vcard::Parse(vcard);
    return cards.empty() ? CardValues(field::kSchemaEnd) : ValuesOf(cards.front(), table);
}

std::string UidOf(const vcard::Card& card)
{
    const vcard::Property* uid = card.Find("UID");
    if (!uid)
        return {};
    std::string text = uid->Text();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text.substr(std::min(text.size(), text.find_first_not_of(" \t")));
}

std::vector<std::pair<std::string, RecordCard>> RecordCards(AddressTable& table)
{
    std::vector<std::pair<std::string, RecordCard>> out;
    const int uidField = table.UidField();
    if (uidField < 0)
        return out;
    RecordSet records;
    records.Attach(&table);
    if (SelectFailed(records.Select(std::string_view())))
        return out;
    const std::string text = VCardExport::Format(records);
    // One card a row, in the rows' order.
    std::size_t at = 0;
    for (int row = 0; row < records.GetRowCount(); ++row) {
        const std::size_t end = text.find("END:VCARD\r\n", at);
        if (end == std::string::npos)
            break;
        const int k = records.GetRowRecord(row);
        std::string card = text.substr(at, end + 11 - at);
        at = end + 11;
        const std::string_view uid = table.Value(uidField, k);
        if (!uid.empty())
            out.push_back({ platform::SjisToUtf8(uid), RecordCard { k, std::move(card) } });
    }
    return out;
}

std::string Compose(
    std::string_view own, std::string_view last, const CardValues& lastValues, const AddressTable& table)
{
    const std::vector<Line> mine = Lines(own);
    const std::vector<Line> theirs = Lines(last);
    std::string version;
    std::string kept;
    // What one of the copy's properties gives the book, read as a card of its own.
    const auto alone = [&table](const Line& l) {
        return ValuesOfText("BEGIN:VCARD\r\nVERSION:4.0\r\n" + l.unfolded + "\r\nEND:VCARD\r\n", table);
    };
    const auto held = [&lastValues](const CardValues& v, std::initializer_list<int> fields) {
        bool any = false;
        for (int f : fields) {
            const auto i = static_cast<std::size_t>(f);
            if (!v[i].empty() && v[i] != lastValues[i])
                return false;
            any = any || !v[i].empty();
        }
        return any;
    };
    for (const Line& l : theirs) {
        if (l.name == "VERSION")
            version = l.written;
        if (BookProperty(l.name))
            continue;
        if (l.name == "TEL" && held(alone(l), { field::kPhone }))
            continue;
        if (l.name == "TEL" && held(alone(l), { field::kFax }))
            continue;
        if (l.name == "TEL" && held(alone(l), { field::kMobile }))
            continue;
        if (l.name == "EMAIL" && held(alone(l), { field::kMail }))
            continue;
        if (l.name == "URL" && held(alone(l), { field::kHomePage }))
            continue;
        if (l.name == "ADR"
            && held(alone(l), { field::kPostalCode, field::kPrefecture, field::kAddress1, field::kAddress2 }))
            continue;
        kept += l.written;
    }
    std::string out;
    for (const Line& l : mine) {
        if (l.name == "END")
            out += kept;
        out += l.name == "VERSION" && !version.empty() ? version : l.written;
    }
    return out;
}

} // namespace nrt::sync
