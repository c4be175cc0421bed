#include "exchange/CsvImport.h"

#include "db/AddressTable.h"
#include "db/CsvReader.h"
#include "db/FieldDefinition.h"
#include "platform/Kana.h"
#include "platform/MessageHost.h"
#include "platform/TextEncoding.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"
#include "settings/DataPaths.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace nrt {
namespace {

// How often (in rows) the observer hears of the progress.
constexpr int kProgressStep = 512;

enum class ColumnKind { Plain, Date, MainCategory, SubCategory, Reading };

struct Column {
    std::string_view name; // the header cell
    int field = -1; // in the table
    ColumnKind kind = ColumnKind::Plain;
};

ColumnKind KindOf(std::string_view name)
{
    if (name == SJ("大分類"))
        return ColumnKind::MainCategory;
    if (name == SJ("小分類"))
        return ColumnKind::SubCategory;
    if (name == SJ("生年月日") || name == SJ("登録日") || name == SJ("更新日"))
        return ColumnKind::Date;
    if (name == SJ("カナ"))
        return ColumnKind::Reading;
    return ColumnKind::Plain;
}

// A reading typed in hiragana or full-width katakana is stored as half-width katakana,
// the form the kana index and the sort read; other values as they are. `scratch` holds
// a converted reading.
std::string_view ReadingAsStored(const Column& col, std::string_view value, std::string& scratch)
{
    if (col.kind != ColumnKind::Reading || !platform::NeedsHalfWidthReading(value))
        return value;
    scratch = platform::HalfWidthReading(value);
    return scratch;
}

// The characters a category name cannot hold: they would break the conditions the
// category tabs are selected by.
bool HasBadCategoryChar(std::string_view value)
{
    for (std::size_t i = 0; i < value.size(); i += platform::CharLength(value, i)) {
        if (platform::CharLength(value, i) == 2)
            continue;
        switch (value[i]) {
        case '*':
        case '%':
        case '&':
        case '?':
        case '\\':
        case '"':
        case '\'':
            return true;
        default:
            break;
        }
    }
    return false;
}

bool Contains(const LineList& list, std::string_view name)
{
    for (int i = 0; i < list.GetCount(); ++i)
        if (list.GetLine(i) == name)
            return true;
    return false;
}

// What AddressTable::SetValue answers for the value, without storing it anywhere: 0, 50 no
// such field, 100 longer than the field, 101 not a number in a number field. Trying
// every value of a large file on a scratch record would cost more than the import.
int Fits(const AddressTable& table, int field, std::string_view value)
{
    if (field < 0 || (field >= table.GetFieldCount() && !table.IsPendingField(field)))
        return 50;
    const FieldDef& def = table.GetField(field);
    if (value.size() > static_cast<std::size_t>(def.width))
        return 100;
    if (def.type == kFieldNumber)
        for (char c : value)
            if (c < '0' || c > '9')
                return 101;
    return 0;
}

// A date already in the stored form ("yyyy/mm/dd") that passed IsValidDate is its own
// FormatDate.
bool IsStoredDate(std::string_view v)
{
    if (v.size() != 10 || v[4] != '/' || v[7] != '/')
        return false;
    for (std::size_t i : { 0, 1, 2, 3, 5, 6, 8, 9 })
        if (v[i] < '0' || v[i] > '9')
            return false;
    return true;
}

// The category lists of the current user, loaded and marked when they gain a name.
struct CategoryList {
    explicit CategoryList(const char* name)
        : file(name)
    {
    }
    const char* file; // ASCII
    LineList names;
    bool changed = false;
};

// "取り込みに失敗しました。 %d行目：[%s]" and the reason.
std::string RowMessage(int line, std::string_view column, std::string_view reason)
{
    std::string text = SJ("取り込みに失敗しました。 ") + std::to_string(line) + SJ("行目：[");
    text.append(column);
    text += ']';
    text.append(reason);
    return text;
}

struct Refusal {
    CsvImport::Result result = CsvImport::kImported;
    std::string text;
};

// The refusal of a file LoadCsv could not read whole.
Refusal ReadRefusal(const CsvReader& csv, int code)
{
    switch (code) {
    case CsvReader::kOk:
        return {};
    case CsvReader::kErrOpen:
        return { CsvImport::kReadFailed, SJ("オープンに失敗しました。") };
    case CsvReader::kErrNoData:
        return { CsvImport::kReadFailed, SJ("データがありません。") };
    case CsvReader::kErrEncoding:
        return { CsvImport::kRowRefused,
            RowMessage(csv.BadLine(), csv.BadHeader(), SJ("\nShift-JISにない文字が含まれています。")) };
    default:
        // Going on with what was read would import part of the file as if it were all.
        return { CsvImport::kReadFailed, SJ("メモリが不足しています。") };
    }
}

std::vector<Column> ColumnsOf(const CsvReader& csv, const AddressTable& table)
{
    std::vector<Column> columns(static_cast<std::size_t>(csv.GetColumnCount()));
    for (int c = 0; c < csv.GetColumnCount(); ++c) {
        Column& col = columns[static_cast<std::size_t>(c)];
        col.name = csv.GetHeader(c);
        col.field = table.FindField(col.name);
        col.kind = KindOf(col.name);
    }
    return columns;
}

// Rows without a value (empty lines, or only commas) are no records: skipped.
std::vector<bool> RowsWithoutValues(const CsvReader& csv)
{
    std::vector<bool> blank(static_cast<std::size_t>(csv.GetRowCount()));
    for (int r = 0; r < csv.GetRowCount(); ++r) {
        bool empty = true;
        for (int c = 0; empty && c < csv.GetColumnCount(); ++c)
            empty = *csv.GetCell(r, c) == '\0';
        blank[static_cast<std::size_t>(r)] = empty;
    }
    return blank;
}

enum class ListSave { kUnchanged, kSaved, kFailed };

// Writes the category lists that gained a name, up to the first that fails.
ListSave SaveChangedLists(const AppSettings& global, const CategoryList (&lists)[2])
{
    ListSave result = ListSave::kUnchanged;
    for (const CategoryList& list : lists) {
        if (!list.changed)
            continue;
        const std::string file = global.UserFile(list.file);
        platform::fs::MakeDirs(global.UserFile({}));
        if (list.names.SaveText(file) < 0)
            return ListSave::kFailed;
        result = ListSave::kSaved;
    }
    return result;
}

// What the passes over the rows work with.
struct RowPass {
    AddressTable& table;
    const AppSettings& global;
    const CsvReader& csv;
    const std::vector<Column>& columns;
    const std::vector<bool>& blank;
    CsvImport::Observer& watch;
};

// Why a value cannot go into its column's field (possibly nothing to add to the
// message), or nullopt when it can. A new category name joins its list.
std::optional<std::string_view> CellRefusal(
    const RowPass& pass, const Column& col, std::string_view value, CategoryList (&lists)[2])
{
    const int set = Fits(pass.table, col.field, value);
    if (set != 0) {
        if (set == 50)
            return SJ("\n該当のフィールド名は存在しません。");
        if (set == 100)
            return SJ("\nサイズオーバーです。");
        return std::string_view();
    }
    if (value.empty())
        return std::nullopt;
    if (col.kind == ColumnKind::Date && !pass.global.IsValidDate(value))
        return SJ("\n不正な日付です。");
    if (col.kind != ColumnKind::MainCategory && col.kind != ColumnKind::SubCategory)
        return std::nullopt;
    CategoryList& list = lists[col.kind == ColumnKind::MainCategory ? 0 : 1];
    if (HasBadCategoryChar(value))
        return SJ("\n不正な文字が含まれています。");
    if (!Contains(list.names, value)) {
        if (list.names.GetCount() >= CsvImport::kCategoryLimit)
            return SJ("\n設定数が６４を超えました。");
        list.names.AddLine(value);
        list.changed = true;
    }
    return std::nullopt;
}

// The check pass: the first problem stops everything. The refusal's message, or empty.
std::string CheckRows(const RowPass& pass, CategoryList (&lists)[2])
{
    const CsvReader& csv = pass.csv;
    const int rows = csv.GetRowCount();
    std::string reading;
    for (int r = 0; r < rows; ++r) {
        if (r % kProgressStep == 0)
            pass.watch.Progress(r, 2LL * rows);
        if (pass.blank[static_cast<std::size_t>(r)])
            continue;
        for (std::size_t c = 0; c < pass.columns.size(); ++c) {
            const Column& col = pass.columns[c];
            const std::string_view value = ReadingAsStored(col, csv.GetCell(r, static_cast<int>(c)), reading);
            if (const auto reason = CellRefusal(pass, col, value, lists))
                return RowMessage(csv.FileLine(r), col.name, *reason);
        }
    }
    return {};
}

// The import pass; the number of records added.
int ImportRows(const RowPass& pass)
{
    const CsvReader& csv = pass.csv;
    AddressTable& table = pass.table;
    const int rows = csv.GetRowCount();
    // The record buffer is cleared once; each line then sets every field a column
    // names, so nothing of the line before stays.
    // Columns may name fields the table gains on their first value.
    int fieldSlots = table.GetFieldCount();
    for (const Column& col : pass.columns)
        fieldSlots = std::max(fieldSlots, col.field + 1);
    std::vector<std::string_view> defaults(static_cast<std::size_t>(fieldSlots));
    if (const int sender = table.FindField(SJ("宛名区分")); sender >= 0)
        defaults[static_cast<std::size_t>(sender)] = "0";
    if (const int mark = table.FindField(SJ("印字区分")); mark >= 0)
        defaults[static_cast<std::size_t>(mark)] = "1";
    table.ClearCurrent();
    for (std::size_t f = 0; f < defaults.size(); ++f)
        table.SetValue(static_cast<int>(f), defaults[f]);
    // The line that last set each field: of two columns naming one field, an empty
    // one does not undo the other.
    std::vector<int> setBy(defaults.size(), -1);
    std::string date;
    std::string reading;
    int imported = 0;
    for (int r = 0; r < rows; ++r) {
        if (r % kProgressStep == 0)
            pass.watch.Progress(rows + r, 2LL * rows);
        if (pass.blank[static_cast<std::size_t>(r)])
            continue;
        bool ok = true;
        for (std::size_t c = 0; ok && c < pass.columns.size(); ++c) {
            const Column& col = pass.columns[c];
            const auto f = static_cast<std::size_t>(col.field);
            std::string_view value = csv.GetCell(r, static_cast<int>(c));
            if (value.empty()) {
                // An empty cell keeps the field's default: an empty 宛名区分 or
                // 印字区分 would leave the record under no tab at all.
                if (setBy[f] != r)
                    ok = table.SetValue(col.field, defaults[f]) == 0;
                continue;
            }
            if (col.kind == ColumnKind::Date && !IsStoredDate(value)) {
                date = pass.global.FormatDate(value, false);
                value = date;
            } else {
                value = ReadingAsStored(col, value, reading);
            }
            ok = table.SetValue(col.field, value) == 0;
            setBy[f] = r;
        }
        if (ok && table.PostRecord() == 0)
            ++imported;
    }
    table.ClearCurrent();
    return imported;
}

} // namespace

std::string CsvImport::CompletePath(std::string_view typed) const
{
    std::string path(typed);
    if (platform::FindChar(path, '/') == std::string::npos)
        path = global_.DocumentsFile(path);
    const std::string completed = DataPaths::SetExtension(path, ".CSV", false);
    if (completed != path && !platform::fs::IsFile(completed)) {
        // Files are named without regard to case where this program comes from.
        const std::string lower = DataPaths::SetExtension(path, ".csv", false);
        if (platform::fs::IsFile(lower))
            return lower;
    }
    return completed;
}

CsvImport::HeaderResult CsvImport::ScanHeader(std::string_view bytes, const AddressTable& table, std::string& name)
{
    name.clear();
    bytes = bytes.substr(0, std::min(bytes.size(), kHeaderProbeBytes));
    bool ended = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = platform::CharLength(bytes, i);
        const char c = bytes[i];
        if (n == 1 && (c == ',' || c == '\r' || c == '\n')) {
            if (name.empty() || table.FindField(name) < 0)
                return kHeaderNotAField;
            ended = true;
            if (c != ',')
                return kHeaderOk;
            name.clear();
        } else if (n == 2 || c != '"') {
            name.append(bytes.substr(i, n));
            if (name.size() > kHeaderNameLimit)
                return kHeaderTooLong;
        }
        i += n;
    }
    return ended ? kHeaderOk : kHeaderNoName;
}

CsvImport::HeaderResult CsvImport::CheckHeader(std::string_view path) const
{
    platform::fs::FileReader file(path);
    if (!file.isOpen()) {
        platform::Warn(SJ("ファイルオープンに失敗しました。"));
        return kHeaderCannotOpen;
    }
    char probe[kHeaderProbeBytes + 3];
    long long got = file.readAt(0, probe, sizeof probe);
    std::string_view bytes(probe, got > 0 ? static_cast<std::size_t>(got) : 0);
    if (bytes.starts_with(platform::kUtf8Bom))
        bytes.remove_prefix(platform::kUtf8Bom.size());
    else
        bytes = bytes.substr(0, std::min(bytes.size(), kHeaderProbeBytes));
    if (got < 0) {
        platform::Warn(SJ("ファイルオープンに失敗しました。"));
        return kHeaderCannotOpen;
    }
    if (got == 0) {
        platform::Warn(SJ("データがありません。"));
        return kHeaderEmpty;
    }
    // A UTF-8 header is checked as CP932: the names are compared with the table's.
    std::string converted;
    if (CsvReader::DetectEncodings(bytes, 1).header) {
        const std::size_t end = bytes.find_first_of("\r\n");
        converted = platform::Utf8ToSjis(bytes.substr(0, end));
        if (end != std::string_view::npos)
            converted += bytes[end];
        bytes = converted;
    }
    std::string name;
    const HeaderResult code = ScanHeader(bytes, table_, name);
    switch (code) {
    case kHeaderTooLong:
        platform::Warn(SJ("ヘッダサイズがオーバーしました。"));
        break;
    case kHeaderNotAField:
        platform::Warn(SJ("フィールド「") + name + SJ("」は対象外のデータです。"));
        break;
    case kHeaderNoName:
        platform::Warn(SJ("不正なヘッダー情報です。"));
        break;
    default:
        break;
    }
    return code;
}

CsvImport::Result CsvImport::Run(std::string_view typed, Observer* observer)
{
    Observer none;
    Observer& watch = observer ? *observer : none;
    imported_ = 0;
    path_.clear();
    if (typed.empty()) {
        platform::Warn(SJ("ファイルの場所を入力して下さい。"));
        return kNoFileName;
    }
    path_ = CompletePath(typed);
    if (!platform::fs::IsFile(path_)) {
        platform::Warn(SJ("ファイルが見つかりません。"));
        return kFileMissing;
    }
    if (!platform::Ask(SJ("データを取り込みます。よろしいですか？"), true))
        return kDeclined;
    const Result result = Load(path_, &watch);
    if (result != kImported)
        return result;
    watch.Imported();
    global_.SetPathEntry(1, path_);
    platform::Inform(ClosingMessage(), SJ("住所録"));
    return kImported;
}

std::string CsvImport::ClosingMessage() const
{
    std::string text = SJ("正常にインポートされました。");
    if (utf8_)
        text += SJ("\n（UTF-8のファイルをShift-JISに変換して取り込みました。）");
    if (lineBreakCells_ > 0)
        text += SJ("\n（セル内の改行を全角スペースにしたセル：") + std::to_string(lineBreakCells_) + SJ("個）");
    if (blankRows_ > 0)
        text += SJ("\n（取り込まなかった空の行：") + std::to_string(blankRows_) + SJ("行）");
    return text;
}

CsvImport::Result CsvImport::Load(std::string_view path, Observer* observer)
{
    Observer none;
    Observer& watch = observer ? *observer : none;
    imported_ = 0;
    blankRows_ = 0;
    lineBreakCells_ = 0;
    utf8_ = false;
    if (CheckHeader(path) != kHeaderOk)
        return kHeaderRefused;

    watch.Busy(true);
    // Every message box below comes without the wait cursor.
    const auto refuse = [&watch](Result result, std::string_view text) {
        watch.Busy(false);
        platform::Warn(text);
        return result;
    };

    CsvReader csv;
    if (const Refusal r = ReadRefusal(csv, csv.LoadCsv(path, 1)); r.result != kImported)
        return refuse(r.result, r.text);

    CategoryList lists[2] = { CategoryList("nrt_ms01.nms"), CategoryList("nrt_ms02.nms") };
    for (CategoryList& list : lists)
        if (list.names.LoadText(global_.UserFile(list.file)) < 0)
            list.names.Clear();

    const std::vector<Column> columns = ColumnsOf(csv, table_);
    const long long total = 2LL * csv.GetRowCount();
    utf8_ = csv.WasUtf8();
    lineBreakCells_ = csv.LineBreakCells();
    const std::vector<bool> blank = RowsWithoutValues(csv);
    blankRows_ = static_cast<int>(std::count(blank.begin(), blank.end(), true));

    const RowPass pass { table_, global_, csv, columns, blank, watch };
    if (const std::string refusal = CheckRows(pass, lists); !refusal.empty())
        return refuse(kRowRefused, refusal);

    const int firstNew = table_.GetRecordCount();
    imported_ = ImportRows(pass);
    watch.Progress(total, total);

    if (!watch.Commit()) {
        for (int k = firstNew; k < table_.GetRecordCount(); ++k)
            table_.MarkDeleted(k);
        imported_ = 0;
        watch.Busy(false);
        return kTableSaveFailed;
    }
    // The new categories are written only once the records are safe, so a failed
    // save leaves the lists as they were.
    const ListSave saved = SaveChangedLists(global_, lists);
    if (saved == ListSave::kFailed)
        return refuse(kCategorySaveFailed, SJ("保存に失敗しました。"));
    if (saved == ListSave::kSaved)
        watch.CategoriesChanged();

    watch.Busy(false);
    return kImported;
}

} // namespace nrt
