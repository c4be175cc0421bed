#include "exchange/VCardExport.h"

#include "db/AddressTable.h"
#include "db/RecordSet.h"
#include "exchange/CsvExport.h"
#include "platform/Kana.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

namespace nrt {
namespace {

// Longest line before folding, in bytes, as the format asks.
constexpr std::size_t kLineLimit = 75;

// A text value with the characters the format gives a meaning escaped; a line break
// (CR LF, LF or CR) is written "\n", never raw, so no reader stops at the card.
std::string Escape(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
            out += "\\n";
            continue;
        }
        if (c == '\\' || c == ',' || c == ';')
            out += '\\';
        out += c;
    }
    return out;
}

// A URI value: not escaped (a comma belongs to it), but never a raw line break.
std::string Uri(std::string_view utf8)
{
    std::string out;
    for (char c : utf8)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

// 64-bit FNV-1a of the bytes, from `seed`.
std::uint64_t Fnv(std::string_view bytes, std::uint64_t seed)
{
    for (unsigned char c : bytes) {
        seed ^= c;
        seed *= 0x100000001B3ULL;
    }
    return seed;
}

// "yyyy/mm/dd" as "yyyymmdd"; empty for anything else.
std::string BasicDate(std::string_view date)
{
    if (date.size() != 10 || date[4] != '/' || date[7] != '/')
        return {};
    return std::string(date.substr(0, 4)) + std::string(date.substr(5, 2)) + std::string(date.substr(8, 2));
}

// Writes "line" folded: a long line goes on after CR LF and a space, never inside a
// UTF-8 character.
void PutLine(std::string& out, std::string_view line)
{
    std::size_t room = kLineLimit;
    while (line.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = kLineLimit - 1;
    }
    out.append(line);
    out += "\r\n";
}

// A CP932 text cut in two at its first space of either width: the family name and the
// given name, as this program writes a name.
std::pair<std::string, std::string> SplitName(std::string_view sjis)
{
    for (std::size_t i = 0; i < sjis.size(); i += platform::CharLength(sjis, i)) {
        const std::size_t n = platform::CharLength(sjis, i);
        if ((n == 1 && sjis[i] == ' ') || (n == 2 && sjis[i] == '\x81' && sjis[i + 1] == '\x40')) {
            std::string_view rest = sjis.substr(i + n);
            return { std::string(sjis.substr(0, i)), std::string(rest) };
        }
    }
    return { std::string(sjis), {} };
}

} // namespace

std::vector<std::string> VCardExport::RecordUids(const AddressTable& table)
{
    // A record without one is given a UID derived from what names it: its name and the
    // day it was entered, with the number of earlier records of the same two for
    // namesakes, as exports gave before the book held UIDs: their cards still match.
    const int name = table.FindField(SJ("名前")), registered = table.FindField(SJ("登録日"));
    const int stored = table.UidField();
    std::unordered_map<std::string, int> seen;
    std::vector<std::string> uids(static_cast<std::size_t>(table.GetRecordCount()));
    for (int k = 0; k < table.GetRecordCount(); ++k) {
        if (table.IsDeleted(k))
            continue;
        std::string& uid = uids[static_cast<std::size_t>(k)];
        std::string key(name >= 0 ? table.Value(name, k) : std::string_view());
        key += '\0';
        key += registered >= 0 ? table.Value(registered, k) : std::string_view();
        key += '\0';
        key += std::to_string(seen[key]++);
        const std::uint64_t hi = Fnv(key, 0xCBF29CE484222325ULL), lo = Fnv(key, hi ^ 0x9E3779B97F4A7C15ULL);
        char buf[48];
        // A name-based UUID form (version 8, variant 10).
        std::snprintf(buf, sizeof buf, "urn:uuid:%08x-%04x-8%03x-%04x-%012llx", static_cast<unsigned>(hi >> 32),
            static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFF),
            static_cast<unsigned>(0x8000 | ((lo >> 48) & 0x3FFF)),
            static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFULL));
        uid = stored >= 0 && !table.Value(stored, k).empty() ? std::string(table.Value(stored, k)) : buf;
    }
    return uids;
}

bool VCardExport::LacksUids(const AddressTable& table)
{
    const int stored = table.UidField();
    for (int k = 0; k < table.GetRecordCount(); ++k)
        if (!table.IsDeleted(k) && (stored < 0 || table.Value(stored, k).empty()))
            return true;
    return false;
}

bool VCardExport::StoreUids(AddressTable& table)
{
    const int field = table.UidField() >= 0 ? table.UidField() : table.FindField(SchemaFieldName(field::kUid));
    if (field < 0)
        return false;
    if (!LacksUids(table))
        return true;
    // (A field the table has yet to gain reads as empty.)
    const auto holds = [&table, field](int k) { return !table.IsDeleted(k) && !table.Value(field, k).empty(); };
    const std::vector<std::string> uids = RecordUids(table);
    std::unordered_set<std::string> held;
    for (int k = 0; k < table.GetRecordCount(); ++k)
        if (holds(k))
            held.emplace(table.Value(field, k));
    for (int k = 0; k < table.GetRecordCount(); ++k) {
        if (table.IsDeleted(k) || holds(k))
            continue;
        // A record renamed after its UID was stored may leave its derived one to a
        // newer namesake: two records never share one.
        std::string uid = uids[static_cast<std::size_t>(k)];
        if (!held.insert(uid).second) {
            uid = NewRecordUid();
            held.insert(uid);
        }
        if (table.StoreValue(k, field, uid) != RecordError::kNone)
            return false;
    }
    return true;
}

std::string VCardExport::Format(const RecordSet& records)
{
    std::string out;
    const AddressTable* table = records.GetTable();
    if (!table)
        return out;
    const auto field = [table](const char* utf8) { return table->FindField(platform::Utf8ToSjis(utf8)); };
    const int name = field("名前"), reading = field("カナ"), gender = field("性別"), birthday = field("生年月日"),
              postal = field("郵便番号"), prefecture = field("都道府県"), address1 = field("住所１"),
              address2 = field("住所２"), phone = field("電話番号"), fax = field("ＦＡＸ"), mobile = field("携帯番号"),
              mail = field("メール"), homePage = field("ＨＰ"), category = field("大分類"), note1 = field("備考１"),
              note2 = field("備考２"), company = field("会社名"), department = field("部署"), title = field("役職"),
              updated = field("更新日");
    const std::string male = platform::Utf8ToSjis("男"), female = platform::Utf8ToSjis("女");
    const std::vector<std::string> uids = RecordUids(*table);
    for (int row = 0; row < records.GetRowCount(); ++row) {
        const int k = records.GetRowRecord(row);
        const auto value = [&](int f) { return platform::SjisToUtf8(table->Value(f, k)); };
        const auto has = [&](int f) { return f >= 0 && !table->Value(f, k).empty(); };
        PutLine(out, "BEGIN:VCARD");
        PutLine(out, "VERSION:4.0");
        PutLine(out, "PRODID:" + std::string(kProductId));
        if (static_cast<std::size_t>(k) < uids.size() && !uids[static_cast<std::size_t>(k)].empty())
            PutLine(out, "UID:" + Escape(platform::SjisToUtf8(uids[static_cast<std::size_t>(k)])));
        if (has(updated))
            if (const std::string date = BasicDate(table->Value(updated, k)); !date.empty())
                PutLine(out, "REV:" + date + "T000000Z");
        const auto [family, given] = SplitName(table->Value(name, k));
        // A firm's own card (no person) is named by the firm, as address books list it.
        const bool firm = !has(name) && has(company);
        if (firm)
            PutLine(out, "KIND:org");
        PutLine(out, "FN:" + Escape(value(firm ? company : name)));
        PutLine(out, "N:" + Escape(platform::SjisToUtf8(family)) + ";" + Escape(platform::SjisToUtf8(given)) + ";;;");
        if (has(reading)) {
            // Readings are shown by other programs as written: full-width katakana.
            const auto [last, first] = SplitName(table->Value(reading, k));
            PutLine(out, "X-PHONETIC-LAST-NAME:" + Escape(platform::SjisToUtf8(platform::FullWidthKatakana(last))));
            if (!first.empty())
                PutLine(
                    out, "X-PHONETIC-FIRST-NAME:" + Escape(platform::SjisToUtf8(platform::FullWidthKatakana(first))));
        }
        if (has(gender) && (table->Value(gender, k) == male || table->Value(gender, k) == female))
            PutLine(out, table->Value(gender, k) == male ? "GENDER:M" : "GENDER:F");
        if (has(birthday))
            if (const std::string date = BasicDate(table->Value(birthday, k)); !date.empty())
                PutLine(out, "BDAY:" + date);
        if (has(postal) || has(prefecture) || has(address1) || has(address2))
            PutLine(out,
                "ADR;TYPE=home:;" + Escape(value(address2)) + ";" + Escape(value(address1)) + ";;"
                    + Escape(value(prefecture)) + ";" + Escape(value(postal)) + ";");
        if (has(phone))
            PutLine(out, "TEL;TYPE=home,voice;VALUE=text:" + Escape(value(phone)));
        if (has(fax))
            PutLine(out, "TEL;TYPE=fax;VALUE=text:" + Escape(value(fax)));
        if (has(mobile))
            PutLine(out, "TEL;TYPE=cell;VALUE=text:" + Escape(value(mobile)));
        if (has(mail))
            PutLine(out, "EMAIL:" + Escape(value(mail)));
        if (has(homePage))
            PutLine(out, "URL:" + Uri(value(homePage)));
        if (has(category))
            PutLine(out, "CATEGORIES:" + Escape(value(category)));
        if (has(company) || has(department))
            PutLine(out, "ORG:" + Escape(value(company)) + ";" + Escape(value(department)));
        if (has(title))
            PutLine(out, "TITLE:" + Escape(value(title)));
        if (has(note1))
            PutLine(out, "NOTE:" + Escape(value(note1)));
        // Marked, so that a lone 備考２ does not come back as 備考１.
        if (has(note2))
            PutLine(out, "NOTE;" + std::string(kNote2Param) + "=2:" + Escape(value(note2)));
        // The fields other programs have no property for, under this program's own.
        for (const VCardOwnProperty& own : kVCardOwnProperties)
            if (const int f = field(own.field); has(f) && table->Value(f, k) != own.usual)
                PutLine(out, std::string(own.property) + ":" + Escape(value(f)));
        for (int j = 0; j < field::kJointNameCount; ++j) {
            const int joint = table->FindField(SchemaFieldName(field::kJointName1 + 2 * j)),
                      honorific = table->FindField(SchemaFieldName(field::kJointHonorific1 + 2 * j));
            if (has(joint) || has(honorific))
                PutLine(out,
                    std::string(kJointProperty) + std::to_string(j + 1) + ":" + Escape(has(joint) ? value(joint) : "")
                        + ";" + Escape(has(honorific) ? value(honorific) : ""));
        }
        PutLine(out, "END:VCARD");
    }
    return out;
}

int VCardExport::Run(std::string_view path, const RecordSet& records, const std::function<bool()>& save)
{
    exported_ = 0;
    if (path.empty()) {
        platform::Warn(SJ("保存する場所を入力して下さい。"));
        return kNoFileName;
    }
    if (!CsvExport::MayReplace(path))
        return kNotOverwritten;
    // The UIDs go into the book before any card carries them, so that a card written
    // is always one the book knows again.
    if (AddressTable* table = records.GetTable(); save && table && LacksUids(*table) && StoreUids(*table))
        static_cast<void>(save());
    // Written whole under a temporary name and then put in place: a failed export
    // leaves an older file of that name as it was.
    platform::fs::AtomicWriter file(path);
    if (!file.isOpen()) {
        platform::Warn(SJ("ファイルオープンに失敗しました。"));
        return kWriteFailed;
    }
    if (!(file.write(Format(records)) && file.commit())) {
        platform::Warn(SJ("保存に失敗しました。"));
        return kWriteFailed;
    }
    exported_ = records.GetRowCount();
    platform::Inform(
        SJ("正常にエクスポートされました。") + SJ("（") + std::to_string(exported_) + SJ("件）"), SJ("住所録"));
    return kExported;
}

} // namespace nrt
