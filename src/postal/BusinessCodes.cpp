#include "postal/BusinessCodes.h"

#include "db/CsvReader.h"
#include "platform/Kana.h"
#include "platform/MessageHost.h"
#include "platform/TextEncoding.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <algorithm>

namespace nrt {
namespace {

constexpr int kListColumns = 13;
enum ListColumn : int {
    kReading = 1,
    kName = 2,
    kPrefecture = 3,
    kCity = 4,
    kTown = 5,
    kStreet = 6,
    kCode = 7,
    kKind = 10,
    kSeveral = 11,
    kChange = 12,
};
constexpr std::string_view kSignature = "NRTJIGYOSYO";
constexpr std::string_view kVersion = "1";

bool IsDigits(std::string_view text, std::size_t count)
{
    return text.size() == count && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A digit of the allowed ones, alone.
bool IsMark(std::string_view text, std::string_view allowed)
{
    return text.size() == 1 && allowed.find(text[0]) != std::string_view::npos;
}

std::vector<std::string_view> SplitTabs(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return out;
        start = tab + 1;
    }
}

// A TAB or a line break would split a stored line.
std::string Flat(std::string_view text)
{
    std::string out(text);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return out;
}

} // namespace

std::string BusinessCodeDigits(std::string_view code)
{
    const std::string narrow = platform::NarrowAlphanumerics(code);
    std::string_view text = narrow;
    if (IsDigits(text, 7))
        return std::string(text);
    // The hyphen in either width, or the long-vowel mark typed for it.
    for (const std::string& hyphen : { std::string("-"), SJ("－"), SJ("ー") })
        if (text.size() == 7 + hyphen.size() && text.substr(3, hyphen.size()) == hyphen
            && IsDigits(text.substr(0, 3), 3) && IsDigits(text.substr(3 + hyphen.size()), 4))
            return std::string(text.substr(0, 3)) + std::string(text.substr(3 + hyphen.size()));
    return {};
}

BusinessListResult BusinessCodes::ParseList(std::string_view bytes)
{
    BusinessListResult result;
    if (bytes.empty()) {
        result.fault = BusinessListFault::Empty;
        return result;
    }
    // A list in UTF-8 is taken line by line, so that a character CP932 lacks names its line.
    std::string converted;
    result.utf8 = platform::LooksLikeUtf8(bytes.substr(0, 4096));
    if (result.utf8) {
        if (bytes.starts_with(platform::kUtf8Bom))
            bytes.remove_prefix(platform::kUtf8Bom.size());
        converted.reserve(bytes.size());
        int line = 0;
        for (std::size_t pos = 0; pos < bytes.size();) {
            const std::size_t end = std::min(bytes.find('\n', pos), bytes.size() - 1);
            ++line;
            bool ok = false;
            converted += platform::Utf8ToSjis(bytes.substr(pos, end + 1 - pos), &ok);
            if (!ok) {
                // A last line without its end may stop inside a character: it was cut.
                const bool unended = end + 1 == bytes.size() && bytes[end] != '\n';
                result.fault = unended ? BusinessListFault::CutShort : BusinessListFault::NotConvertible;
                result.line = line;
                return result;
            }
            pos = end + 1;
        }
        bytes = converted;
    }
    CsvReader csv;
    const CsvReader::Result read = csv.ParseCsv(bytes, 0);
    if (read != CsvReader::Result::kOk || csv.GetRowCount() == 0) {
        result.fault = read == CsvReader::Result::kErrNoData ? BusinessListFault::Empty : BusinessListFault::Unreadable;
        return result;
    }
    // The list ends every line; one that stops without an end was cut off on the way.
    if (bytes.back() != '\n' && bytes.back() != '\r') {
        result.fault = BusinessListFault::CutShort;
        result.line = csv.FileLine(csv.GetRowCount() - 1);
        return result;
    }
    std::vector<BusinessEntry> entries;
    entries.reserve(static_cast<std::size_t>(csv.GetRowCount()));
    for (int r = 0; r < csv.GetRowCount(); ++r) {
        auto cell = [&](int c) -> std::string_view {
            const char* text = csv.GetCell(r, c);
            return text ? std::string_view(text) : std::string_view();
        };
        // The last three columns are marks of one digit each: a line that lacks them
        // (the reader gives a column a line did not reach as empty) is damaged.
        if (csv.GetColumnCount() < kListColumns || csv.GetCell(r, kListColumns) != nullptr || !IsDigits(cell(kCode), 7)
            || cell(kName).empty() || !IsMark(cell(kKind), "01") || !IsMark(cell(kSeveral), "0123")
            || !IsMark(cell(kChange), "015")) {
            result.fault = BusinessListFault::BadLine;
            result.line = csv.FileLine(r);
            return result;
        }
        if (cell(kChange) == "5")
            continue;
        BusinessEntry e;
        e.code = std::string(cell(kCode));
        e.postOfficeBox = cell(kKind) == "1";
        e.name = Flat(cell(kName));
        e.reading = Flat(platform::HalfWidthReading(cell(kReading)));
        e.prefecture = Flat(cell(kPrefecture));
        e.city = Flat(cell(kCity));
        e.town = Flat(cell(kTown));
        e.street = Flat(cell(kStreet));
        entries.push_back(std::move(e));
    }
    std::stable_sort(
        entries.begin(), entries.end(), [](const BusinessEntry& a, const BusinessEntry& b) { return a.code < b.code; });
    entries_ = std::move(entries);
    result.count = Count();
    return result;
}

std::string BusinessCodes::Format() const
{
    std::string out;
    out.reserve(entries_.size() * 120);
    out.append(kSignature).append("\t").append(kVersion).append("\t").append(std::to_string(entries_.size()));
    out += "\r\n";
    for (const BusinessEntry& e : entries_) {
        for (const std::string* s : { &e.code, &e.name, &e.reading, &e.prefecture, &e.city, &e.town, &e.street }) {
            out += *s;
            out += '\t';
            if (s == &e.code)
                out.append(e.postOfficeBox ? "1\t" : "0\t");
        }
        out.back() = '\r';
        out += '\n';
    }
    return out;
}

bool BusinessCodes::Load(std::string_view path)
{
    entries_.clear();
    std::string bytes;
    if (!platform::fs::ReadFile(path, bytes))
        return false;
    std::vector<BusinessEntry> entries;
    std::size_t pos = 0;
    std::size_t expected = 0;
    bool first = true;
    while (pos < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", pos);
        if (end == std::string::npos)
            return false; // cut inside a line
        const std::vector<std::string_view> cols = SplitTabs(std::string_view(bytes).substr(pos, end - pos));
        pos = end + 2;
        if (first) {
            if (cols.size() != 3 || cols[0] != kSignature || cols[1] != kVersion || cols[2].empty()
                || cols[2].size() > 9
                || !std::all_of(cols[2].begin(), cols[2].end(), [](char c) { return c >= '0' && c <= '9'; }))
                return false;
            expected = std::stoul(std::string(cols[2]));
            first = false;
            continue;
        }
        if (cols.size() != 8 || !IsDigits(cols[0], 7) || !IsMark(cols[1], "01"))
            return false;
        BusinessEntry e { std::string(cols[0]), cols[1] == "1", std::string(cols[2]), std::string(cols[3]),
            std::string(cols[4]), std::string(cols[5]), std::string(cols[6]), std::string(cols[7]) };
        if (!entries.empty() && entries.back().code > e.code)
            return false;
        entries.push_back(std::move(e));
    }
    if (first || entries.size() != expected)
        return false;
    entries_ = std::move(entries);
    return true;
}

const BusinessEntry* BusinessCodes::Find(std::string_view code) const
{
    const std::string digits = BusinessCodeDigits(code);
    if (digits.empty())
        return nullptr;
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), digits,
        [](const BusinessEntry& e, const std::string& key) { return e.code < key; });
    return it != entries_.end() && it->code == digits ? &*it : nullptr;
}

std::optional<AddressFillResult> FillFromBusinessCode(
    const BusinessCodes& codes, const AddressFields& in, std::string& company)
{
    const BusinessEntry* e = codes.Find(in.postalCode);
    if (!e)
        return std::nullopt;
    AddressFillResult r;
    r.fields = in;
    const std::string written = e->code.substr(0, 3) + "-" + e->code.substr(3);
    r.postalCodeChanged = written != in.postalCode;
    r.fields.postalCode = written;
    r.prefectureChanged = e->prefecture != in.prefecture;
    r.fields.prefecture = e->prefecture;
    const std::string address = e->Address();
    if (in.address1 != address) {
        r.address1Changed = in.address1.empty()
            || platform::Ask(
                SJ("住所を変更します。よろしいですか？\n　【変更前】") + in.address1 + SJ("\n　【変更後】") + address,
                true);
        if (r.address1Changed)
            r.fields.address1 = address;
    }
    r.focusAddress1 = r.address1Changed;
    company = e->name;
    return r;
}

BusinessListResult ImportBusinessList(std::string_view listPath, std::string_view storePath)
{
    BusinessListResult result;
    std::string bytes;
    if (!platform::fs::ReadFile(listPath, bytes)) {
        result.fault = BusinessListFault::Unreadable;
        return result;
    }
    BusinessCodes codes;
    result = codes.ParseList(bytes);
    if (!result.ok())
        return result;
    if (!platform::fs::AtomicWriteFile(storePath, codes.Format()))
        result.fault = BusinessListFault::WriteFailed;
    return result;
}

std::string BusinessImportMessage(const BusinessListResult& result)
{
    const std::string line = std::to_string(result.line) + SJ("行目");
    switch (result.fault) {
    case BusinessListFault::None:
        return SJ("事業所の個別郵便番号を") + std::to_string(result.count) + SJ("件インポートしました。");
    case BusinessListFault::Unreadable:
        return SJ("読み込みに失敗しました。");
    case BusinessListFault::Empty:
        return SJ("データがありません。");
    case BusinessListFault::CutShort:
        return SJ("事業所郵便番号データが途中で切れています（") + line + SJ("）。取り込みませんでした。");
    case BusinessListFault::BadLine:
        return SJ("事業所郵便番号データが不正です（") + line + SJ("）。取り込みませんでした。");
    case BusinessListFault::NotConvertible:
        return SJ("Shift-JISにない文字があります（") + line + SJ("）。取り込みませんでした。");
    case BusinessListFault::WriteFailed:
        return SJ("郵便データ作成に失敗しました。");
    }
    return {};
}

} // namespace nrt
