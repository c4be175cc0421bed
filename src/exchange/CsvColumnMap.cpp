#include "exchange/CsvColumnMap.h"

#include "db/AddressTable.h"
#include "db/CsvReader.h"
#include "db/LineList.h"
#include "platform/sjis.h"
#include "postal/Prefectures.h"
#include "settings/EraDate.h"

#include <cstdio>

#include <algorithm>

namespace nrt {
namespace {

// Headers of contacts exports and the field each fills (UTF-8), with its rank.
struct KnownHeader {
    const char* header;
    const char* field;
    int rank;
};
// A rank from kAlternative on: the column fills its field only where the columns
// before it left it empty (a work number where there is no home number).
constexpr int kAlternative = 100;
constexpr KnownHeader kKnownHeaders[] = {
    // Web address books (both export forms), mail programs in English.
    { "Family Name", "名前", 0 },
    { "Last Name", "名前", 0 },
    { "Name", "名前", kAlternative },
    { "Display Name", "名前", kAlternative },
    { "Full Name", "名前", kAlternative },
    { "Given Name", "名前", 1 },
    { "First Name", "名前", 1 },
    { "Family Name Yomi", "カナ", 0 },
    { "Yomi Name", "カナ", kAlternative },
    { "Phonetic Last Name", "カナ", 0 },
    { "Surname Yomi", "カナ", 0 },
    { "Given Name Yomi", "カナ", 1 },
    { "Phonetic First Name", "カナ", 1 },
    { "Given Yomi", "カナ", 1 },
    { "Birthday", "生年月日", 0 },
    { "Birth Year", "生年月日", 0 },
    { "Birth Month", "生年月日", 1 },
    { "Birth Day", "生年月日", 2 },
    { "Notes", "備考１", 0 },
    { "Organization 1 - Name", "会社名", 0 },
    { "Organization Name", "会社名", 0 },
    { "Company", "会社名", 0 },
    { "Organization", "会社名", 0 },
    { "Organization 1 - Title", "役職", 0 },
    { "Organization Title", "役職", 0 },
    { "Job Title", "役職", 0 },
    { "Organization 1 - Department", "部署", 0 },
    { "Organization Department", "部署", 0 },
    { "Department", "部署", 0 },
    { "Group Membership", "*groups", 0 },
    { "Labels", "*groups", 0 },
    { "Categories", "*groups", 0 },
    { "E-mail 1 - Value", "メール", 0 },
    { "E-mail Address", "メール", 0 },
    { "Primary Email", "メール", 0 },
    { "Website 1 - Value", "ＨＰ", 0 },
    { "Web Page", "ＨＰ", 0 },
    { "Web Page 1", "ＨＰ", 0 },
    { "Personal Web Page", "ＨＰ", kAlternative },
    { "Address 1 - Postal Code", "郵便番号", 0 },
    { "Home Postal Code", "郵便番号", 0 },
    { "Home ZipCode", "郵便番号", 0 },
    { "Address 1 - Region", "都道府県", 0 },
    { "Home State", "都道府県", 0 },
    { "Address 1 - City", "住所１", 0 },
    { "Home City", "住所１", 0 },
    { "Address 1 - Street", "住所１", 1 },
    { "Home Street", "住所１", 1 },
    { "Home Address", "住所１", 1 },
    { "Address 1 - Extended Address", "住所２", 0 },
    { "Home Street 2", "住所２", 0 },
    { "Home Address 2", "住所２", 0 },
    { "Home Street 3", "住所２", 1 },
    { "Home Phone", "電話番号", 0 },
    { "Business Phone", "電話番号", kAlternative },
    { "Work Phone", "電話番号", kAlternative },
    { "Primary Phone", "電話番号", kAlternative + 1 },
    { "Mobile Phone", "携帯番号", 0 },
    { "Mobile Number", "携帯番号", 0 },
    { "Home Fax", "ＦＡＸ", 0 },
    { "Business Fax", "ＦＡＸ", kAlternative },
    { "Fax Number", "ＦＡＸ", 0 },
    // The same in Japanese: mail programs and spreadsheets.
    { "姓", "名前", 0 },
    { "名", "名前", 1 },
    { "氏名", "名前", 0 },
    { "姓（ふりがな）", "カナ", 0 },
    { "姓 (ふりがな)", "カナ", 0 },
    { "フリガナ(姓)", "カナ", 0 },
    { "セイ", "カナ", 0 },
    { "名（ふりがな）", "カナ", 1 },
    { "名 (ふりがな)", "カナ", 1 },
    { "フリガナ(名)", "カナ", 1 },
    { "メイ", "カナ", 1 },
    { "フリガナ", "カナ", 0 },
    { "ふりがな", "カナ", 0 },
    { "よみがな", "カナ", 0 },
    { "ヨミガナ", "カナ", 0 },
    { "誕生日", "生年月日", 0 },
    { "メモ", "備考１", 0 },
    { "備考", "備考１", 0 },
    { "会社", "会社名", 0 },
    { "勤務先", "会社名", 0 },
    { "部署名", "部署", 0 },
    { "分類", "*groups", 0 },
    { "グループ", "*groups", 0 },
    { "電子メール アドレス", "メール", 0 },
    { "メールアドレス", "メール", 0 },
    { "Eメール", "メール", 0 },
    { "Web ページ", "ＨＰ", 0 },
    { "ホームページ", "ＨＰ", 0 },
    { "〒", "郵便番号", 0 },
    { "郵便番号 (自宅)", "郵便番号", 0 },
    { "都道府県 (自宅)", "都道府県", 0 },
    { "住所", "住所１", 0 },
    { "市区町村", "住所１", 0 },
    { "番地", "住所１", 1 },
    { "建物名", "住所２", 0 },
    { "市区町村 (自宅)", "住所１", 0 },
    { "番地 (自宅)", "住所１", 1 },
    { "番地 2 (自宅)", "住所２", 0 },
    { "自宅電話", "電話番号", 0 },
    { "電話", "電話番号", 0 },
    { "TEL", "電話番号", 0 },
    { "会社電話", "電話番号", kAlternative },
    { "携帯電話", "携帯番号", 0 },
    { "携帯", "携帯番号", 0 },
    { "自宅ファックス", "ＦＡＸ", 0 },
    { "会社ファックス", "ＦＡＸ", kAlternative },
    { "FAX", "ＦＡＸ", 0 },
};

// "Phone 3 - Value" and its kind column "Phone 3 - Type" (or "- Label"); empty when
// the header is no such value.
std::string PhoneNumberOf(std::string_view header)
{
    if (!header.starts_with("Phone ") || !header.ends_with(" - Value"))
        return {};
    return std::string(header.substr(6, header.size() - 6 - 8));
}

// The separator of joined values: a full-width space between name parts, nothing
// inside an address line, a space elsewhere.
std::string_view Separator(std::string_view field)
{
    if (field == SJ("名前") || field == SJ("カナ"))
        return "\x81\x40";
    if (field == SJ("生年月日"))
        return "/";
    if (field == SJ("住所１"))
        return {};
    return " ";
}

// The values of a cell joined by " ::: " (or ";" in a group cell); for groups only
// the user's own (the address book's own begin with "* ": "* myContacts").
std::vector<std::string_view> Values(std::string_view value, bool group)
{
    std::vector<std::string_view> out;
    while (!value.empty()) {
        std::size_t sep = value.find(":::"), len = 3;
        if (group)
            for (std::size_t i = 0; i < sep && i < value.size(); i += platform::CharLength(value, i))
                if (value[i] == ';') {
                    sep = i;
                    len = 1;
                    break;
                }
        std::string_view first = value.substr(0, sep);
        while (!first.empty() && first.front() == ' ')
            first.remove_prefix(1);
        while (!first.empty() && first.back() == ' ')
            first.remove_suffix(1);
        if (!first.empty() && !(group && first.starts_with("* ")))
            out.push_back(first);
        if (sep == std::string_view::npos)
            break;
        value.remove_prefix(sep + len);
    }
    return out;
}

std::string_view FirstValue(std::string_view value, bool group)
{
    const auto values = Values(value, group);
    return values.empty() ? std::string_view() : values.front();
}

// The characters of a CP932 text without its half- and full-width spaces.
std::string WithoutSpaces(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = platform::CharLength(text, i);
        const std::string_view c = text.substr(i, n);
        if (c != " " && c != "\x81\x40")
            out += c;
        i += n;
    }
    return out;
}

// A date as other programs write it, in the stored form "yyyy/mm/dd": ISO forms,
// "yyyy/m/d", the month first "m/d/yyyy"; empty for an empty date ("0/0/00" and the
// like); anything else as written, for the check to refuse.
std::string DateAsStored(std::string_view text)
{
    if (std::string iso = IsoDateAsStored(text); !iso.empty())
        return iso;
    int part[3] = { -1, -1, -1 };
    std::size_t digits[3] = { 0, 0, 0 };
    int n = 0;
    bool zero = true;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            part[n] = (part[n] < 0 ? 0 : part[n]) * 10 + (c - '0');
            ++digits[n];
            zero = zero && c == '0';
        } else if ((c == '/' || c == '-' || c == '.') && n < 2 && digits[n] > 0) {
            ++n;
        } else if (c != ' ') {
            return std::string(text);
        }
    }
    if (n != 2 || digits[2] == 0)
        return std::string(text);
    if (zero)
        return {};
    char buf[16];
    if (digits[0] == 4)
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", part[0], part[1], part[2]);
    else if (digits[2] == 4)
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", part[2], part[0], part[1]);
    else
        return std::string(text);
    return IsValidDate(buf) ? std::string(buf) : std::string(text);
}

} // namespace

std::string IsoDateAsStored(std::string_view text)
{
    std::string digits;
    for (char c : text.substr(0, text.find('T'))) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '-')
            return {};
    }
    if (digits.size() != 8 || text.starts_with("--"))
        return {};
    const std::string date = digits.substr(0, 4) + "/" + digits.substr(4, 2) + "/" + digits.substr(6, 2);
    return IsValidDate(date) ? date : std::string();
}

bool CsvColumnMap::IsOwnHeader(const std::vector<std::string>& headers, const AddressTable& table)
{
    return !headers.empty() && std::all_of(headers.begin(), headers.end(), [&table](const std::string& h) {
        return table.FindField(h) >= 0;
    });
}

std::vector<ColumnTarget> CsvColumnMap::Recognise(const std::vector<std::string>& headers, const AddressTable& table)
{
    std::vector<ColumnTarget> targets(headers.size());
    for (std::size_t c = 0; c < headers.size(); ++c) {
        const std::string& h = headers[c];
        if (table.FindField(h) >= 0) {
            targets[c].field = h;
            continue;
        }
        const std::string utf8 = platform::SjisToUtf8(h);
        // "Title" is a job title, except beside "Job Title", where it is Mr. or Ms.
        if (utf8 == "Title" && std::find(headers.begin(), headers.end(), "Job Title") == headers.end()) {
            targets[c].field = SJ("役職");
        }
        for (const KnownHeader& k : kKnownHeaders)
            if (utf8 == k.header) {
                targets[c].field = platform::Utf8ToSjis(k.field);
                targets[c].rank = k.rank;
                break;
            }
        if (const std::string n = PhoneNumberOf(utf8); !n.empty()) {
            targets[c].field = std::string(kPhoneByKind);
            for (std::size_t k = 0; k < headers.size(); ++k)
                if (headers[k] == "Phone " + n + " - Type" || headers[k] == "Phone " + n + " - Label")
                    targets[c].kindColumn = static_cast<int>(k);
        }
        if (!targets[c].field.empty() && targets[c].field != kPhoneByKind && targets[c].field != kGroups
            && table.FindField(targets[c].field) < 0)
            targets[c] = {};
    }
    return targets;
}

bool CsvColumnMap::LooksLikeData(const std::vector<std::string>& row, const AddressTable& table)
{
    bool value = false;
    const std::vector<ColumnTarget> known = Recognise(row, table);
    for (std::size_t c = 0; c < row.size(); ++c) {
        if (!known[c].field.empty())
            return false;
        const std::string& cell = row[c];
        const std::size_t at = cell.find('@');
        if (at != std::string::npos && at > 0 && cell.find('.', at) != std::string::npos)
            value = true;
        std::size_t digits = 0;
        bool numeric = !cell.empty();
        for (char ch : cell) {
            if (ch >= '0' && ch <= '9')
                ++digits;
            else if (ch != '-' && ch != '(' && ch != ')' && ch != '+' && ch != '/' && ch != ' ')
                numeric = false;
        }
        if (numeric && digits >= 3)
            value = true;
    }
    return value;
}

CsvColumnMap::Suggestion CsvColumnMap::Suggest(
    std::string_view store, const std::vector<std::string>& firstRow, const AddressTable& table)
{
    Suggestion s;
    const std::size_t columns = firstRow.size();
    if (Recall(store, Key(firstRow, true), columns, s.targets)) {
        s.remembered = true;
        return s;
    }
    if (Recall(store, Key(firstRow, false), columns, s.targets)) {
        s.hasHeader = false;
        s.remembered = true;
        return s;
    }
    if (LooksLikeData(firstRow, table)) {
        s.hasHeader = false;
        s.targets.assign(columns, {});
        return s;
    }
    s.targets = Recognise(firstRow, table);
    return s;
}

std::string CsvColumnMap::Key(const std::vector<std::string>& headers, bool hasHeader)
{
    if (!hasHeader) {
        std::string key(1, '#');
        key += std::to_string(headers.size());
        return key;
    }
    std::string key;
    for (std::size_t c = 0; c < headers.size(); ++c) {
        if (c)
            key += ',';
        key += headers[c];
    }
    return key;
}

// The file holds two lines per mapping: the key, then "field\trank\tkind" per column
// joined by '\x1F'.
bool CsvColumnMap::Recall(
    std::string_view file, std::string_view key, std::size_t columns, std::vector<ColumnTarget>& out)
{
    LineList lines;
    if (!lines.LoadText(file))
        return false;
    for (int i = 0; i + 1 < lines.GetCount(); i += 2) {
        if (lines.GetLine(i) != key)
            continue;
        std::vector<ColumnTarget> targets;
        std::string_view rest = lines.GetLine(i + 1);
        while (!rest.empty() || targets.size() < columns) {
            const std::size_t end = rest.find('\x1F');
            const std::string_view item = rest.substr(0, end);
            ColumnTarget t;
            const std::size_t tab1 = item.find('\t');
            const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : item.find('\t', tab1 + 1);
            if (tab2 == std::string_view::npos)
                return false;
            t.field = std::string(item.substr(0, tab1));
            t.rank = std::atoi(std::string(item.substr(tab1 + 1, tab2 - tab1 - 1)).c_str());
            t.kindColumn = std::atoi(std::string(item.substr(tab2 + 1)).c_str());
            if (t.kindColumn < -1 || t.kindColumn >= static_cast<int>(columns))
                return false;
            targets.push_back(std::move(t));
            if (end == std::string_view::npos)
                break;
            rest.remove_prefix(end + 1);
        }
        if (targets.size() != columns)
            return false;
        out = std::move(targets);
        return true;
    }
    return false;
}

bool CsvColumnMap::Remember(std::string_view file, std::string_view key, const std::vector<ColumnTarget>& targets)
{
    LineList lines;
    if (!lines.LoadText(file))
        lines.Clear();
    std::string line;
    for (std::size_t c = 0; c < targets.size(); ++c) {
        if (c)
            line += '\x1F';
        line
            += targets[c].field + '\t' + std::to_string(targets[c].rank) + '\t' + std::to_string(targets[c].kindColumn);
    }
    LineList kept;
    for (int i = 0; i + 1 < lines.GetCount(); i += 2) {
        if (lines.GetLine(i) == key)
            continue;
        kept.AddLine(lines.GetLine(i));
        kept.AddLine(lines.GetLine(i + 1));
    }
    kept.AddLine(key);
    kept.AddLine(line);
    return static_cast<bool>(kept.SaveText(file));
}

MappedRows::MappedRows(const CsvReader& csv, const std::vector<ColumnTarget>& targets, const AddressTable& table)
    : csv_(csv)
{
    const auto output = [this, &table](const std::string& field) {
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (names_[i] == field)
                return static_cast<int>(i);
        names_.push_back(field);
        fields_.push_back(table.FindField(field));
        widths_.push_back(fields_.back() >= 0 ? static_cast<std::size_t>(table.GetField(fields_.back()).width) : 0);
        sources_.emplace_back();
        return static_cast<int>(names_.size()) - 1;
    };
    bool byKind = false;
    for (std::size_t c = 0; c < targets.size() && c < static_cast<std::size_t>(csv.GetColumnCount()); ++c) {
        const ColumnTarget& t = targets[c];
        if (t.field.empty())
            continue;
        if (t.field == CsvColumnMap::kPhoneByKind) {
            phoneColumns_.push_back(static_cast<int>(c));
            phoneKinds_.push_back(t.kindColumn);
            byKind = true;
            continue;
        }
        if (t.field == CsvColumnMap::kGroups) {
            groupColumns_.push_back(static_cast<int>(c));
            continue;
        }
        sources_[static_cast<std::size_t>(output(t.field))].push_back({ static_cast<int>(c), t.rank });
    }
    if (byKind) {
        if (table.FindField(SJ("電話番号")) >= 0)
            phone_ = output(SJ("電話番号"));
        if (table.FindField(SJ("ＦＡＸ")) >= 0)
            fax_ = output(SJ("ＦＡＸ"));
        if (table.FindField(SJ("携帯番号")) >= 0)
            mobile_ = output(SJ("携帯番号"));
    }
    if (!groupColumns_.empty()) {
        if (table.FindField(SJ("大分類")) >= 0)
            group_ = output(SJ("大分類"));
        if (table.FindField(SJ("小分類")) >= 0)
            subgroup_ = output(SJ("小分類"));
    }
    // An address that begins with its prefecture, where no column gives the
    // prefecture, gives it to 都道府県.
    const auto mapped = [this](std::string_view name) {
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (names_[i] == name && !sources_[i].empty())
                return static_cast<int>(i);
        return -1;
    };
    if (mapped(SJ("都道府県")) < 0 && table.FindField(SJ("都道府県")) >= 0)
        if ((address_ = mapped(SJ("住所１"))) >= 0)
            prefecture_ = output(SJ("都道府県"));
    // A row for a person or a firm gets the honorific a record typed by hand gets.
    name_ = mapped(SJ("名前"));
    company_ = mapped(SJ("会社名"));
    if ((name_ >= 0 || company_ >= 0) && table.FindField(SJ("敬称")) >= 0)
        honorific_ = output(SJ("敬称"));
    for (auto& s : sources_)
        std::stable_sort(s.begin(), s.end(), [](const Source& a, const Source& b) { return a.rank < b.rank; });
}

int MappedRows::RowCount() const
{
    return csv_.GetRowCount();
}

int MappedRows::FileLine(int r) const
{
    return csv_.FileLine(r);
}

void MappedRows::Join(int r, std::size_t out, std::string& into) const
{
    const std::string& name = names_[out];
    const bool group = name == SJ("大分類") || name == SJ("小分類");
    into.clear();
    for (const Source& s : sources_[out]) {
        const std::string_view v = group ? FirstValue(csv_.GetCell(r, s.column), true) : First(r, s.column);
        if (v.empty())
            continue;
        if (s.rank >= kAlternative && !into.empty()) {
            // A work number beside the home number is left out, and said so; the
            // whole name beside its parts is the same name.
            if (WithoutSpaces(v) != WithoutSpaces(into)
                && std::find(passedOver_.begin(), passedOver_.end(), s.column) == passedOver_.end())
                passedOver_.push_back(s.column);
            continue;
        }
        if (!into.empty())
            into += Separator(name);
        into += v;
    }
}

std::string_view MappedRows::First(int r, int column) const
{
    // A web address book puts a second number or address in the same cell
    // ("… ::: …"); the field takes the first, and the column is named for the rest.
    const auto values = Values(csv_.GetCell(r, column), false);
    if (values.size() > 1 && std::find(passedOver_.begin(), passedOver_.end(), column) == passedOver_.end())
        passedOver_.push_back(column);
    return values.empty() ? std::string_view() : values.front();
}

std::string_view MappedRows::Cell(int r, int c) const
{
    const auto out = static_cast<std::size_t>(c);
    const std::string& name = names_[out];
    Join(r, out, cell_);
    if (cell_.empty() && (c == group_ || c == subgroup_)) {
        // The groups of the user's in order: the first is 大分類, the second 小分類.
        std::vector<std::string_view> all;
        for (int column : groupColumns_)
            for (std::string_view v : Values(csv_.GetCell(r, column), true))
                all.push_back(v);
        const std::size_t at = c == group_ ? 0 : 1;
        if (at < all.size())
            cell_ = all[at];
    }
    if (cell_.empty() && (c == phone_ || c == fax_ || c == mobile_)) {
        // The first number of this kind: "Mobile" → 携帯番号, "Fax" (any fax) → ＦＡＸ,
        // any other kind → 電話番号.
        for (std::size_t i = 0; i < phoneColumns_.size() && cell_.empty(); ++i) {
            std::string kind = phoneKinds_[i] >= 0 ? csv_.GetCell(r, phoneKinds_[i]) : "";
            std::transform(kind.begin(), kind.end(), kind.begin(),
                [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch; });
            const int wanted = kind.find("mobile") != std::string::npos || kind.find(SJ("携帯")) != std::string::npos
                ? mobile_
                : kind.find("fax") != std::string::npos ? fax_
                                                        : phone_;
            if (wanted == c)
                cell_ = First(r, phoneColumns_[i]);
        }
    }
    if ((c == prefecture_ || c == address_) && prefecture_ >= 0) {
        // The prefecture at the start of the address: 都道府県 takes it, 住所１ the rest.
        std::string line;
        Join(r, static_cast<std::size_t>(address_), line);
        std::string_view found;
        for (std::string_view p : kPrefectureNamesUtf8) {
            const std::string sjis = platform::Utf8ToSjis(p);
            if (std::string_view(line).starts_with(sjis)) {
                found = std::string_view(line).substr(0, sjis.size());
                break;
            }
        }
        if (c == prefecture_)
            cell_ = std::string(found);
        else
            cell_ = line.substr(found.size());
    }
    if (c == honorific_ && cell_.empty()) {
        std::string person, firm;
        if (name_ >= 0)
            Join(r, static_cast<std::size_t>(name_), person);
        if (company_ >= 0)
            Join(r, static_cast<std::size_t>(company_), firm);
        if (!person.empty() || !firm.empty()) {
            cell_ = person.empty() ? SJ("御中") : SJ("様");
            Count(r, c, defaultHonorifics_);
        }
    }
    if (fields_[out] >= 0 && name == SJ("生年月日") && !cell_.empty()) {
        cell_ = DateAsStored(cell_);
        if (!cell_.empty() && !IsValidDate(cell_)) {
            // Another program's date this program cannot read is left out, and counted.
            Count(r, c, droppedDates_);
            cell_.clear();
        }
    }
    if (fields_[out] >= 0 && cell_.size() > widths_[out]) {
        cell_.resize(platform::CutToBytes(cell_, widths_[out]).size());
        Count(r, c, cutValues_);
    }
    return cell_;
}

void MappedRows::Count(int r, int c, int& counter) const
{
    // Each pass of the import reads the cells in order; a cell is counted once.
    const long long at = static_cast<long long>(r) * static_cast<long long>(names_.size()) + c;
    if (at <= counted_)
        return;
    counted_ = at;
    ++counter;
}

} // namespace nrt
