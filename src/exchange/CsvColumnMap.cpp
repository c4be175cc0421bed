#include "exchange/CsvColumnMap.h"

#include "db/AddressTable.h"
#include "db/CsvReader.h"
#include "db/LineList.h"
#include "platform/sjis.h"
#include "settings/EraDate.h"

#include <algorithm>

namespace nrt {
namespace {

// Headers of contacts exports and the field each fills (UTF-8), with its rank.
struct KnownHeader {
    const char* header;
    const char* field;
    int rank;
};
constexpr KnownHeader kKnownHeaders[] = {
    // Web address books (both export forms), mail programs in English.
    { "Family Name", "名前", 0 },
    { "Last Name", "名前", 0 },
    { "Given Name", "名前", 1 },
    { "First Name", "名前", 1 },
    { "Family Name Yomi", "カナ", 0 },
    { "Phonetic Last Name", "カナ", 0 },
    { "Given Name Yomi", "カナ", 1 },
    { "Phonetic First Name", "カナ", 1 },
    { "Birthday", "生年月日", 0 },
    { "Notes", "備考１", 0 },
    { "Organization 1 - Name", "備考２", 0 },
    { "Organization Name", "備考２", 0 },
    { "Company", "備考２", 0 },
    { "Organization 1 - Title", "備考２", 1 },
    { "Organization Title", "備考２", 1 },
    { "Job Title", "備考２", 1 },
    { "Group Membership", "大分類", 0 },
    { "Labels", "大分類", 0 },
    { "Categories", "大分類", 0 },
    { "E-mail 1 - Value", "メール", 0 },
    { "E-mail Address", "メール", 0 },
    { "Website 1 - Value", "ＨＰ", 0 },
    { "Web Page", "ＨＰ", 0 },
    { "Address 1 - Postal Code", "郵便番号", 0 },
    { "Home Postal Code", "郵便番号", 0 },
    { "Address 1 - Region", "都道府県", 0 },
    { "Home State", "都道府県", 0 },
    { "Address 1 - City", "住所１", 0 },
    { "Home City", "住所１", 0 },
    { "Address 1 - Street", "住所１", 1 },
    { "Home Street", "住所１", 1 },
    { "Address 1 - Extended Address", "住所２", 0 },
    { "Home Street 2", "住所２", 0 },
    { "Home Phone", "電話番号", 0 },
    { "Mobile Phone", "携帯番号", 0 },
    { "Home Fax", "ＦＡＸ", 0 },
    // The same in Japanese.
    { "姓", "名前", 0 },
    { "名", "名前", 1 },
    { "姓（ふりがな）", "カナ", 0 },
    { "姓 (ふりがな)", "カナ", 0 },
    { "フリガナ(姓)", "カナ", 0 },
    { "名（ふりがな）", "カナ", 1 },
    { "名 (ふりがな)", "カナ", 1 },
    { "フリガナ(名)", "カナ", 1 },
    { "誕生日", "生年月日", 0 },
    { "メモ", "備考１", 0 },
    { "会社名", "備考２", 0 },
    { "役職", "備考２", 1 },
    { "分類", "大分類", 0 },
    { "電子メール アドレス", "メール", 0 },
    { "Web ページ", "ＨＰ", 0 },
    { "郵便番号 (自宅)", "郵便番号", 0 },
    { "都道府県 (自宅)", "都道府県", 0 },
    { "市区町村 (自宅)", "住所１", 0 },
    { "番地 (自宅)", "住所１", 1 },
    { "番地 2 (自宅)", "住所２", 0 },
    { "自宅電話", "電話番号", 0 },
    { "携帯電話", "携帯番号", 0 },
    { "自宅ファックス", "ＦＡＸ", 0 },
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
    if (field == SJ("住所１"))
        return {};
    return " ";
}

// The first of " ::: "-joined values; for groups, the first that is the user's own
// (groups of the address book itself begin with "* ").
std::string_view FirstValue(std::string_view value, bool group)
{
    for (;;) {
        const std::size_t sep = value.find(" ::: ");
        const std::string_view first = value.substr(0, sep);
        if (!(group && first.starts_with("* ")) || sep == std::string_view::npos)
            return group && first.starts_with("* ") ? std::string_view() : first;
        value.remove_prefix(sep + 5);
    }
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
    return !headers.empty()
        && std::all_of(headers.begin(), headers.end(), [&table](const std::string& h) { return table.FindField(h) >= 0; });
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
        if (!targets[c].field.empty() && targets[c].field != kPhoneByKind && table.FindField(targets[c].field) < 0)
            targets[c] = {};
    }
    return targets;
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
bool CsvColumnMap::Recall(std::string_view file, std::string_view key, std::size_t columns, std::vector<ColumnTarget>& out)
{
    LineList lines;
    if (lines.LoadText(file) < 0)
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
    if (lines.LoadText(file) < 0)
        lines.Clear();
    std::string line;
    for (std::size_t c = 0; c < targets.size(); ++c) {
        if (c)
            line += '\x1F';
        line += targets[c].field + '\t' + std::to_string(targets[c].rank) + '\t' + std::to_string(targets[c].kindColumn);
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
    return kept.SaveText(file) >= 0;
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

std::string_view MappedRows::Cell(int r, int c) const
{
    const auto out = static_cast<std::size_t>(c);
    const std::string& name = names_[out];
    const bool group = name == SJ("大分類") || name == SJ("小分類");
    cell_.clear();
    for (const Source& s : sources_[out]) {
        const std::string_view v = FirstValue(csv_.GetCell(r, s.column), group);
        if (v.empty())
            continue;
        if (!cell_.empty())
            cell_ += Separator(name);
        cell_ += v;
    }
    if (cell_.empty() && (c == phone_ || c == fax_ || c == mobile_)) {
        // The first number of this kind: "Mobile" → 携帯番号, "Fax" (any fax) → ＦＡＸ,
        // any other kind → 電話番号.
        for (std::size_t i = 0; i < phoneColumns_.size() && cell_.empty(); ++i) {
            std::string kind = phoneKinds_[i] >= 0 ? csv_.GetCell(r, phoneKinds_[i]) : "";
            std::transform(kind.begin(), kind.end(), kind.begin(), [](char ch) {
                return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch;
            });
            const int wanted = kind.find("mobile") != std::string::npos || kind.find(SJ("携帯")) != std::string::npos
                ? mobile_
                : kind.find("fax") != std::string::npos ? fax_
                                                        : phone_;
            if (wanted == c)
                cell_ = FirstValue(csv_.GetCell(r, phoneColumns_[i]), false);
        }
    }
    if (fields_[out] >= 0 && name == SJ("生年月日") && !cell_.empty())
        if (std::string date = IsoDateAsStored(cell_); !date.empty())
            cell_ = date;
    return cell_;
}

} // namespace nrt
