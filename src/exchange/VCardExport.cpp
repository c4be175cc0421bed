#include "exchange/VCardExport.h"

#include "db/AddressTable.h"
#include "db/RecordSet.h"
#include "exchange/CsvExport.h"
#include "platform/Kana.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"

namespace nrt {
namespace {

// Longest line before folding, in bytes, as the format asks.
constexpr std::size_t kLineLimit = 75;

// A text value with the characters the format gives a meaning escaped.
std::string Escape(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        if (c == '\\' || c == ',' || c == ';')
            out += '\\';
        out += c;
    }
    return out;
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
              note2 = field("備考２"), company = field("会社名"), department = field("部署"),
              title = field("役職");
    const std::string male = platform::Utf8ToSjis("男"), female = platform::Utf8ToSjis("女");
    for (int row = 0; row < records.GetRowCount(); ++row) {
        const int k = records.GetRowRecord(row);
        const auto value = [&](int f) { return platform::SjisToUtf8(table->Value(f, k)); };
        const auto has = [&](int f) { return f >= 0 && !table->Value(f, k).empty(); };
        PutLine(out, "BEGIN:VCARD");
        PutLine(out, "VERSION:4.0");
        const auto [family, given] = SplitName(table->Value(name, k));
        PutLine(out, "FN:" + Escape(value(name)));
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
        if (has(birthday)) {
            std::string date = value(birthday);
            if (date.size() == 10 && date[4] == '/' && date[7] == '/')
                PutLine(out, "BDAY:" + date.substr(0, 4) + date.substr(5, 2) + date.substr(8, 2));
        }
        if (has(postal) || has(prefecture) || has(address1) || has(address2))
            PutLine(out, "ADR;TYPE=home:;" + Escape(value(address2)) + ";" + Escape(value(address1)) + ";;"
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
            PutLine(out, "URL:" + value(homePage));
        if (has(category))
            PutLine(out, "CATEGORIES:" + Escape(value(category)));
        if (has(company) || has(department))
            PutLine(out, "ORG:" + Escape(value(company)) + ";" + Escape(value(department)));
        if (has(title))
            PutLine(out, "TITLE:" + Escape(value(title)));
        if (has(note1))
            PutLine(out, "NOTE:" + Escape(value(note1)));
        if (has(note2))
            PutLine(out, "NOTE:" + Escape(value(note2)));
        PutLine(out, "END:VCARD");
    }
    return out;
}

int VCardExport::Run(std::string_view path, const RecordSet& records)
{
    exported_ = 0;
    if (path.empty()) {
        platform::Warn(SJ("保存する場所を入力して下さい。"));
        return kNoFileName;
    }
    if (!CsvExport::MayReplace(path))
        return kNotOverwritten;
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
    platform::Inform(SJ("正常にエクスポートされました。") + SJ("（") + std::to_string(exported_) + SJ("件）"),
        SJ("住所録"));
    return kExported;
}

} // namespace nrt
