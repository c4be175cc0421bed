#include "print/LabelSheets.h"

#include "platform/fs.h"
#include "platform/sjis.h"

#include <charconv>

namespace nrt {
namespace {

constexpr std::size_t kValueCount = 10;
constexpr std::size_t kMaxLineBytes = 512;
constexpr std::size_t kMaxSheets = 500;

using Values = std::array<std::int32_t, kValueCount>;

Values ValuesOf(const LabelSheet& s)
{
    return { s.sheetWidth, s.sheetHeight, s.marginLeft, s.marginTop, s.cellWidth, s.cellHeight, s.gapX, s.gapY,
        s.columns, s.rows };
}

LabelSheet SheetOf(std::string name, const Values& v)
{
    return { std::move(name), v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9] };
}

// What the label settings would accept: lengths below 1000 mm, a sheet of 10 mm or
// more, cells over 1 mm that fit the sheet, 1 to 9 columns and 1 to 99 rows.
bool Acceptable(const Values& v)
{
    for (std::size_t i = 0; i < 8; ++i)
        if (v[i] < 0 || v[i] >= 100000)
            return false;
    return v[0] >= 1000 && v[1] >= 1000 && v[4] > 100 && v[4] <= v[0] && v[5] > 100 && v[5] <= v[1] && v[8] >= 1
        && v[8] <= 9 && v[9] >= 1 && v[9] <= 99;
}

} // namespace

int FindLabelSheet(const std::vector<LabelSheet>& sheets, const LayoutHeader& header)
{
    const Values wanted = ValuesOf(LabelSheet::Of(header, {}));
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (ValuesOf(sheets[i]) == wanted)
            return static_cast<int>(i);
    return -1;
}

namespace {

bool ParseLine(std::string_view line, LabelSheet& out)
{
    const std::size_t tab = platform::FindChar(line, '\t');
    if (tab == 0 || tab == std::string_view::npos || tab > LabelSheet::kNameBytes)
        return false;
    const std::string_view name = line.substr(0, tab);
    if (name.find('\0') != std::string_view::npos)
        return false;
    Values v {};
    std::string_view rest = line.substr(tab + 1);
    for (std::size_t i = 0; i < kValueCount; ++i) {
        const std::size_t end = i + 1 < kValueCount ? rest.find('\t') : rest.size();
        if (end == std::string_view::npos || end == 0)
            return false;
        const std::string_view field = rest.substr(0, end);
        const auto [p, ec] = std::from_chars(field.data(), field.data() + field.size(), v[i]);
        if (ec != std::errc() || p != field.data() + field.size())
            return false;
        rest = i + 1 < kValueCount ? rest.substr(end + 1) : std::string_view();
    }
    if (!Acceptable(v))
        return false;
    out = SheetOf(std::string(name), v);
    return true;
}

} // namespace

void LabelSheet::ApplyTo(LayoutHeader& header) const
{
    header.labelSheet = 1;
    header.sheetWidth = sheetWidth;
    header.sheetHeight = sheetHeight;
    header.marginLeft = marginLeft;
    header.marginTop = marginTop;
    header.paperWidth = cellWidth;
    header.paperHeight = cellHeight;
    header.gapX = gapX;
    header.gapY = gapY;
    header.columns = columns;
    header.rows = rows;
}

LabelSheet LabelSheet::Of(const LayoutHeader& h, std::string_view name)
{
    return { std::string(platform::CutToBytes(name, kNameBytes)), h.sheetWidth, h.sheetHeight, h.marginLeft,
        h.marginTop, h.paperWidth, h.paperHeight, h.gapX, h.gapY, h.columns, h.rows };
}

const std::vector<LabelSheet>& ProductLabelSheets()
{
    static const std::vector<LabelSheet> sheets = [] {
        std::vector<LabelSheet> v;
        for (const LabelSheetProduct& p : kLabelSheetProducts)
            v.push_back({ platform::Utf8ToSjis(p.name), p.sheetWidth, p.sheetHeight, p.marginLeft, p.marginTop,
                p.cellWidth, p.cellHeight, p.gapX, p.gapY, p.columns, p.rows });
        return v;
    }();
    return sheets;
}

std::vector<LabelSheet> ParseUserLabelSheets(std::string_view bytes)
{
    std::vector<LabelSheet> sheets;
    while (!bytes.empty() && sheets.size() < kMaxSheets) {
        const std::size_t nl = bytes.find('\n');
        std::string_view line = bytes.substr(0, nl);
        bytes = nl == std::string_view::npos ? std::string_view() : bytes.substr(nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        LabelSheet sheet;
        if (line.size() <= kMaxLineBytes && ParseLine(line, sheet))
            sheets.push_back(std::move(sheet));
    }
    return sheets;
}

std::string FormatUserLabelSheets(const std::vector<LabelSheet>& sheets)
{
    std::string out;
    for (const LabelSheet& s : sheets) {
        out += platform::CutToBytes(s.name, LabelSheet::kNameBytes);
        for (std::int32_t v : ValuesOf(s))
            out += '\t' + std::to_string(v);
        out += "\r\n";
    }
    return out;
}

std::vector<LabelSheet> LoadUserLabelSheets(std::string_view path)
{
    std::string bytes;
    if (!platform::fs::ReadFile(path, bytes))
        return {};
    return ParseUserLabelSheets(bytes);
}

bool SaveUserLabelSheet(std::string_view path, const LabelSheet& sheet)
{
    std::vector<LabelSheet> sheets = LoadUserLabelSheets(path);
    if (!Acceptable(ValuesOf(sheet)))
        return false;
    LabelSheet added = sheet;
    added.name = std::string(platform::CutToBytes(sheet.name, LabelSheet::kNameBytes));
    // The name is one field of a tab-separated line (CP932 trail bytes are never these).
    for (char& c : added.name)
        if (c == '\t' || c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    if (added.name.empty())
        return false;
    bool replaced = false;
    for (LabelSheet& s : sheets)
        if (s.name == added.name) {
            s = added;
            replaced = true;
        }
    if (!replaced)
        sheets.push_back(added);
    platform::fs::AtomicWriter out(path);
    return out.isOpen() && out.write(FormatUserLabelSheets(sheets)) && out.commit();
}

} // namespace nrt
