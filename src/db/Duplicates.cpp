#include "db/Duplicates.h"

#include "db/CardHistory.h"
#include "platform/Kana.h"
#include "platform/sjis.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace nrt::dedupe {
namespace {

// Old and variant kanji of names and their common forms, as people write both.
constexpr std::pair<const char*, const char*> kVariants[] = {
    { "髙", "高" },
    { "﨑", "崎" },
    { "嵜", "崎" },
    { "碕", "崎" },
    { "邊", "辺" },
    { "邉", "辺" },
    { "澤", "沢" },
    { "齋", "斎" },
    { "齊", "斎" },
    { "斉", "斎" },
    { "濱", "浜" },
    { "濵", "浜" },
    { "廣", "広" },
    { "國", "国" },
    { "眞", "真" },
    { "冨", "富" },
    { "嶋", "島" },
    { "嶌", "島" },
    { "櫻", "桜" },
    { "藪", "薮" },
    { "籔", "薮" },
    { "淵", "渕" },
    { "龍", "竜" },
    { "惠", "恵" },
    { "實", "実" },
    { "壽", "寿" },
    { "條", "条" },
    { "德", "徳" },
    { "瀨", "瀬" },
    { "靜", "静" },
    { "槇", "槙" },
    { "萬", "万" },
    { "與", "与" },
    { "曾", "曽" },
    { "峯", "峰" },
    { "舘", "館" },
    { "圓", "円" },
    { "會", "会" },
    { "榮", "栄" },
    { "藏", "蔵" },
    { "豐", "豊" },
};

// The variants as CP932 characters of two bytes; those the code page lacks drop out.
const std::unordered_map<std::string, std::string>& Variants()
{
    static const std::unordered_map<std::string, std::string> map = [] {
        std::unordered_map<std::string, std::string> m;
        for (const auto& [variant, common] : kVariants) {
            bool ok1 = false, ok2 = false;
            std::string v = platform::Utf8ToSjis(variant, &ok1);
            std::string c = platform::Utf8ToSjis(common, &ok2);
            if (ok1 && ok2 && v.size() == 2 && v != c)
                m.emplace(std::move(v), std::move(c));
        }
        return m;
    }();
    return map;
}

const std::string& FullWidthSpace()
{
    static const std::string space = SJ("　");
    return space;
}

// Blanks out, letters upper-cased; lead bytes stepped over whole.
std::string Squeezed(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = platform::CharLength(text, i);
        const std::string_view ch = text.substr(i, n);
        i += n;
        if (ch == " " || ch == "\t" || ch == FullWidthSpace())
            continue;
        if (n == 1 && ch[0] >= 'a' && ch[0] <= 'z')
            out += static_cast<char>(ch[0] - 'a' + 'A');
        else
            out.append(ch);
    }
    return out;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// An address as one text for comparing: blanks out, digits narrowed, the words after a
// number (丁目, 番地, 番, の) and the dashes typed for them as "-", 号 dropped.
std::string AddressKey(std::string_view prefectureLess)
{
    static const std::string marks[]
        = { SJ("丁目"), SJ("番地"), SJ("番"), SJ("の"), SJ("－"), SJ("ー"), SJ("‐"), SJ("−"), SJ("―") };
    static const std::string go = SJ("号");
    const std::string text = Squeezed(platform::NarrowAlphanumerics(prefectureLess));
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (!out.empty() && IsDigit(out.back())) {
            const std::string_view rest = std::string_view(text).substr(i);
            bool replaced = false;
            for (const std::string& m : marks)
                if (rest.starts_with(m)) {
                    out += '-';
                    i += m.size();
                    replaced = true;
                    break;
                }
            if (replaced)
                continue;
            if (rest.starts_with(go)) {
                i += go.size();
                continue;
            }
        }
        const std::size_t n = platform::CharLength(text, i);
        out.append(text, i, n);
        i += n;
    }
    while (!out.empty() && out.back() == '-')
        out.pop_back();
    return out;
}

std::string Digits(std::string_view text)
{
    std::string out;
    for (char c : platform::NarrowAlphanumerics(text))
        if (IsDigit(c))
            out += c;
    return out;
}

std::string MailKey(std::string_view text)
{
    std::string out = Squeezed(platform::NarrowAlphanumerics(text));
    return out.find('@') == std::string::npos ? std::string() : out;
}

std::string ReadingKey(std::string_view reading)
{
    return Squeezed(platform::HalfWidthReading(reading));
}

// The fields of the default schema that the table has, by name (-1 when absent).
struct Fields {
    int sender, printMark, name, kana, prefecture, address1, address2, phone, mobile, mail, note2, updated, registered,
        history, notes, uid;
    explicit Fields(const AddressTable& t)
    {
        auto f = [&](int index) {
            const int found = t.FindField(SchemaFieldName(index));
            return found < t.GetFieldCount() ? found : -1;
        };
        sender = f(field::kSender);
        printMark = f(field::kPrintMark);
        name = f(field::kName);
        kana = f(field::kKana);
        prefecture = f(field::kPrefecture);
        address1 = f(field::kAddress1);
        address2 = f(field::kAddress2);
        phone = f(field::kPhone);
        mobile = f(field::kMobile);
        mail = f(field::kMail);
        note2 = f(field::kNote2);
        updated = f(field::kUpdated);
        registered = f(field::kRegistered);
        history = f(field::kCardHistory);
        notes = f(field::kCardNotes);
        uid = f(field::kUid);
    }
};

std::string_view ValueOf(const AddressTable& t, int f, int k)
{
    return f < 0 ? std::string_view() : t.Value(f, k);
}

// What one record is compared by.
struct Keys {
    std::string name, reading, prefecture, address, mail;
    std::string phones[2];
};

Keys KeysOf(const AddressTable& t, const Fields& f, int k)
{
    Keys keys;
    keys.name = NormalisedName(ValueOf(t, f.name, k));
    keys.reading = ReadingKey(ValueOf(t, f.kana, k));
    keys.prefecture = Squeezed(ValueOf(t, f.prefecture, k));
    keys.address = AddressKey(std::string(ValueOf(t, f.address1, k)) + std::string(ValueOf(t, f.address2, k)));
    keys.mail = MailKey(ValueOf(t, f.mail, k));
    // A number shorter than a local one is a fragment, not a telephone.
    for (int i = 0; i < 2; ++i) {
        std::string digits = Digits(ValueOf(t, i == 0 ? f.phone : f.mobile, k));
        keys.phones[i] = digits.size() >= 9 ? std::move(digits) : std::string();
    }
    return keys;
}

unsigned SharedOf(const Keys& a, const Keys& b)
{
    unsigned shared = 0;
    if (!a.address.empty() && a.address == b.address
        && (a.prefecture.empty() || b.prefecture.empty() || a.prefecture == b.prefecture))
        shared |= kSharedAddress;
    for (const std::string& p : a.phones)
        if (!p.empty() && (p == b.phones[0] || p == b.phones[1]))
            shared |= kSharedPhone;
    if (!a.mail.empty() && a.mail == b.mail)
        shared |= kSharedMail;
    return shared;
}

} // namespace

std::string SharedText(unsigned shared)
{
    std::string out;
    for (const auto& [bit, name] : { std::pair { kSharedAddress, "住所" }, std::pair { kSharedPhone, "電話" },
             std::pair { kSharedMail, "メール" } })
        if (shared & bit)
            out += (out.empty() ? std::string() : SJ("・")) + platform::Utf8ToSjis(name);
    return out;
}

std::string NormalisedName(std::string_view name)
{
    return Squeezed(platform::FullWidthKatakana(platform::NarrowAlphanumerics(name)));
}

std::string FoldedName(std::string_view name)
{
    const std::string normal = NormalisedName(name);
    const auto& variants = Variants();
    std::string out;
    out.reserve(normal.size());
    for (std::size_t i = 0; i < normal.size();) {
        const std::size_t n = platform::CharLength(normal, i);
        if (n == 2) {
            const auto it = variants.find(normal.substr(i, 2));
            out += it != variants.end() ? it->second : normal.substr(i, 2);
        } else {
            out.append(normal, i, n);
        }
        i += n;
    }
    return out;
}

std::vector<DuplicatePair> FindDuplicates(const AddressTable& table)
{
    const Fields f(table);
    std::vector<DuplicatePair> pairs;
    if (f.name < 0)
        return pairs;
    // Bucket by kind and folded name; only records in one bucket are compared.
    std::unordered_map<std::string, std::vector<int>> buckets;
    buckets.reserve(static_cast<std::size_t>(table.GetRecordCount()));
    for (int k = 0; k < table.GetRecordCount(); ++k) {
        if (table.IsDeleted(k))
            continue;
        std::string key = FoldedName(table.Value(f.name, k));
        if (key.empty())
            continue;
        key.insert(0, 1, ValueOf(table, f.sender, k) == "1" ? '1' : '0');
        buckets[std::move(key)].push_back(k);
    }
    std::vector<Keys> keys;
    std::vector<std::pair<std::size_t, std::size_t>> candidates;
    std::unordered_map<std::string_view, std::vector<std::size_t>> byContact;
    for (const auto& [name, records] : buckets) {
        if (records.size() < 2)
            continue;
        keys.clear();
        for (int k : records)
            keys.push_back(KeysOf(table, f, k));
        // Common names fill large buckets: only records that share an address, a number
        // or a mail address are compared, found through those.
        candidates.clear();
        byContact.clear();
        for (std::size_t i = 0; i < keys.size(); ++i)
            for (const std::string* contact :
                { &keys[i].address, &keys[i].phones[0], &keys[i].phones[1], &keys[i].mail })
                if (!contact->empty()) {
                    // An address meeting a number would only make a candidate that
                    // SharedOf turns down.
                    std::vector<std::size_t>& seen = byContact[std::string_view(*contact)];
                    for (std::size_t j : seen)
                        if (j != i)
                            candidates.emplace_back(j, i);
                    if (seen.empty() || seen.back() != i)
                        seen.push_back(i);
                }
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        for (const auto& [i, j] : candidates) {
            // A variant form alone makes the same name only when the readings agree.
            if (keys[i].name != keys[j].name && (keys[i].reading.empty() || keys[i].reading != keys[j].reading))
                continue;
            if (const unsigned shared = SharedOf(keys[i], keys[j]))
                pairs.push_back({ std::min(records[i], records[j]), std::max(records[i], records[j]), shared });
        }
    }
    std::sort(pairs.begin(), pairs.end(), [](const DuplicatePair& a, const DuplicatePair& b) {
        return std::tie(a.first, a.second) < std::tie(b.first, b.second);
    });
    return pairs;
}

MergedRecord MergeValues(const AddressTable& table, int kept, int other)
{
    const Fields f(table);
    MergedRecord merged;
    const int count = table.GetFieldCount();
    merged.values.resize(static_cast<std::size_t>(count));
    std::string note;
    for (int i = 0; i < count; ++i) {
        const std::string_view mine = table.Value(i, kept);
        const std::string_view theirs = table.Value(i, other);
        std::string& out = merged.values[static_cast<std::size_t>(i)];
        out = mine;
        if (i == f.history || i == f.notes || i == f.note2)
            continue; // below
        if (i == f.printMark) {
            out = mine == "1" || theirs == "1" ? "1" : std::string(mine);
            continue;
        }
        if (i == f.registered || i == f.updated) {
            // Dates are "yyyy/mm/dd": as texts they sort as dates.
            if (mine.empty() || (!theirs.empty() && (i == f.registered) == (theirs < mine)))
                out = theirs;
            continue;
        }
        if (mine.empty()) {
            out = theirs;
            continue;
        }
        // The kind of record and its identifier are the kept one's own.
        if (theirs.empty() || i == f.sender || i == f.uid)
            continue;
        const bool same = (i == f.phone || i == f.mobile) ? Digits(mine) == Digits(theirs)
                                                          : NormalisedName(mine) == NormalisedName(theirs);
        if (same)
            continue;
        note += note.empty() ? SJ("（統合）") : FullWidthSpace();
        note += table.GetField(i).name + SJ("：") + std::string(theirs);
        merged.notedFields.push_back(i);
    }

    if (f.history >= 0 || f.notes >= 0) {
        std::vector<cardhistory::YearMarks> years
            = cardhistory::Parse(ValueOf(table, f.history, kept), ValueOf(table, f.notes, kept));
        for (const cardhistory::YearMarks& theirs :
            cardhistory::Parse(ValueOf(table, f.history, other), ValueOf(table, f.notes, other))) {
            cardhistory::YearMarks joined = cardhistory::NoMarks(theirs.year);
            for (const cardhistory::YearMarks& mine : years)
                if (mine.year == theirs.year)
                    joined = mine;
            joined.sent = joined.sent || theirs.sent;
            joined.received = joined.received || theirs.received;
            joined.mourning = joined.mourning || theirs.mourning;
            if (joined.note.empty())
                joined.note = theirs.note;
            else if (!theirs.note.empty() && joined.note != theirs.note)
                joined.note += " " + theirs.note;
            years = cardhistory::WithYear(std::move(years), joined);
        }
        cardhistory::Fields history = cardhistory::Format(std::move(years));
        if (f.history >= 0)
            merged.values[static_cast<std::size_t>(f.history)] = std::move(history.history);
        if (f.notes >= 0)
            merged.values[static_cast<std::size_t>(f.notes)] = std::move(history.notes);
    }

    if (f.note2 >= 0) {
        const std::string_view mine = table.Value(f.note2, kept);
        const std::string_view theirs = table.Value(f.note2, other);
        std::string text(mine.empty() ? theirs : mine);
        if (!mine.empty() && !theirs.empty() && NormalisedName(mine) != NormalisedName(theirs)) {
            note += note.empty() ? SJ("（統合）") : FullWidthSpace();
            note += table.GetField(f.note2).name + SJ("：") + std::string(theirs);
            merged.notedFields.push_back(f.note2);
        }
        if (!note.empty())
            text += text.empty() ? note : FullWidthSpace() + note;
        merged.fits = text.size() <= static_cast<std::size_t>(table.GetField(f.note2).width);
        merged.values[static_cast<std::size_t>(f.note2)] = std::move(text);
    } else if (!note.empty()) {
        merged.fits = false;
    }
    return merged;
}

RecordError StoreMerged(AddressTable& table, int kept, const MergedRecord& merged)
{
    if (!merged.fits)
        return RecordError::kTooLong;
    if (const RecordError read = table.ReadRecord(kept); read != RecordError::kNone)
        return read;
    for (int i = 0; i < static_cast<int>(merged.values.size()) && i < table.GetFieldCount(); ++i)
        if (table.GetCurrentValue(i) != merged.values[static_cast<std::size_t>(i)])
            if (const RecordError set = table.SetValue(i, merged.values[static_cast<std::size_t>(i)]);
                set != RecordError::kNone)
                return set;
    return table.PostRecord();
}

} // namespace nrt::dedupe
