#include "exchange/RecordImport.h"

#include "db/AddressTable.h"
#include "db/LineList.h"
#include "platform/Kana.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace nrt {
namespace {

// How often (in rows) the observer hears of the progress.
constexpr int kProgressStep = 512;

enum class ColumnKind { Plain, Date, MainCategory, SubCategory, Reading };

struct Column {
    std::string_view name; // as messages quote it
    int field = -1; // in the table
    ColumnKind kind = ColumnKind::Plain;
};

ColumnKind KindOf(std::string_view field)
{
    if (field == SJ("大分類"))
        return ColumnKind::MainCategory;
    if (field == SJ("小分類"))
        return ColumnKind::SubCategory;
    if (field == SJ("生年月日") || field == SJ("登録日") || field == SJ("更新日"))
        return ColumnKind::Date;
    if (field == SJ("カナ"))
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

// The category lists of the current book, loaded and marked when they gain a name.
struct CategoryList {
    explicit CategoryList(const char* name)
        : file(name)
    {
    }
    const char* file; // ASCII
    LineList names;
    bool changed = false;
};

std::vector<Column> ColumnsOf(const ImportRows& rows, const AddressTable& table)
{
    std::vector<Column> columns(static_cast<std::size_t>(rows.ColumnCount()));
    for (int c = 0; c < rows.ColumnCount(); ++c) {
        Column& col = columns[static_cast<std::size_t>(c)];
        col.name = rows.ColumnName(c);
        col.field = rows.ColumnField(c);
        if (col.field >= 0 && col.field < table.GetFieldCount())
            col.kind = KindOf(table.GetField(col.field).name);
    }
    return columns;
}

// Rows without a value (empty lines, or only commas) are no records: skipped.
std::vector<bool> RowsWithoutValues(const ImportRows& rows)
{
    std::vector<bool> blank(static_cast<std::size_t>(rows.RowCount()));
    for (int r = 0; r < rows.RowCount(); ++r) {
        bool empty = true;
        for (int c = 0; empty && c < rows.ColumnCount(); ++c)
            empty = rows.Cell(r, c).empty();
        blank[static_cast<std::size_t>(r)] = empty;
    }
    return blank;
}

enum class ListSave { kUnchanged, kSaved, kFailed };

// Writes the category lists that gained a name, up to the first that fails.
ListSave SaveChangedLists(const AppSettings& settings, const CategoryList (&lists)[2])
{
    ListSave result = ListSave::kUnchanged;
    for (const CategoryList& list : lists) {
        if (!list.changed)
            continue;
        const std::string file = settings.BookFile(list.file);
        platform::fs::MakeDirs(settings.BookFile({}));
        if (!list.names.SaveText(file))
            return ListSave::kFailed;
        result = ListSave::kSaved;
    }
    return result;
}

// What the passes over the rows work with.
struct RowPass {
    AddressTable& table;
    const AppSettings& settings;
    const ImportRows& rows;
    const std::vector<Column>& columns;
    const std::vector<bool>& blank;
    RecordImport::Observer& watch;
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
    if (col.kind == ColumnKind::Date && !pass.settings.IsValidDate(value))
        return SJ("\n不正な日付です。");
    if (col.kind != ColumnKind::MainCategory && col.kind != ColumnKind::SubCategory)
        return std::nullopt;
    CategoryList& list = lists[col.kind == ColumnKind::MainCategory ? 0 : 1];
    if (HasBadCategoryChar(value))
        return SJ("\n不正な文字が含まれています。");
    if (!Contains(list.names, value)) {
        if (list.names.GetCount() >= RecordImport::kCategoryLimit)
            return SJ("\n設定数が６４を超えました。");
        list.names.AddLine(value);
        list.changed = true;
    }
    return std::nullopt;
}

// The check pass: the first problem stops everything. The refusal's message, or empty;
// `valueBytes` gets the length of the values the import pass will store.
std::string CheckRows(const RowPass& pass, CategoryList (&lists)[2], std::size_t& valueBytes)
{
    valueBytes = 0;
    const ImportRows& rows = pass.rows;
    const int count = rows.RowCount();
    std::string reading;
    for (int r = 0; r < count; ++r) {
        if (r % kProgressStep == 0)
            pass.watch.Progress(r, 2LL * count);
        if (pass.blank[static_cast<std::size_t>(r)])
            continue;
        for (std::size_t c = 0; c < pass.columns.size(); ++c) {
            const Column& col = pass.columns[c];
            const std::string_view value = ReadingAsStored(col, rows.Cell(r, static_cast<int>(c)), reading);
            if (const auto reason = CellRefusal(pass, col, value, lists))
                return RecordImport::RowMessage(rows.FileLine(r), col.name, *reason);
            valueBytes += value.size();
        }
    }
    return {};
}

// The import pass; the number of records added.
int AddRecords(const RowPass& pass)
{
    const ImportRows& rows = pass.rows;
    AddressTable& table = pass.table;
    const int count = rows.RowCount();
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
    // Empty values, and "0" and "1" in the two mark fields, which take them.
    for (std::size_t f = 0; f < defaults.size(); ++f)
        static_cast<void>(table.SetValue(static_cast<int>(f), defaults[f]));
    // The line that last set each field: of two columns naming one field, an empty
    // one does not undo the other.
    std::vector<int> setBy(defaults.size(), -1);
    std::string date;
    std::string reading;
    int imported = 0;
    for (int r = 0; r < count; ++r) {
        if (r % kProgressStep == 0)
            pass.watch.Progress(count + r, 2LL * count);
        if (pass.blank[static_cast<std::size_t>(r)])
            continue;
        bool ok = true;
        for (std::size_t c = 0; ok && c < pass.columns.size(); ++c) {
            const Column& col = pass.columns[c];
            const auto f = static_cast<std::size_t>(col.field);
            std::string_view value = rows.Cell(r, static_cast<int>(c));
            if (value.empty()) {
                // An empty cell keeps the field's default: an empty 宛名区分 or
                // 印字区分 would leave the record under no tab at all.
                if (setBy[f] != r)
                    ok = table.SetValue(col.field, defaults[f]) == RecordError::kNone;
                continue;
            }
            if (col.kind == ColumnKind::Date && !IsStoredDate(value)) {
                date = pass.settings.FormatDate(value, false);
                value = date;
            } else {
                value = ReadingAsStored(col, value, reading);
            }
            ok = table.SetValue(col.field, value) == RecordError::kNone;
            setBy[f] = r;
        }
        if (ok && table.PostRecord() == RecordError::kNone)
            ++imported;
    }
    table.ClearCurrent();
    return imported;
}

} // namespace

std::string RecordImport::RowMessage(int line, std::string_view column, std::string_view reason)
{
    std::string text = SJ("取り込みに失敗しました。 ") + std::to_string(line) + SJ("行目：[");
    text.append(column);
    text += ']';
    text.append(reason);
    return text;
}

RecordImport::Result RecordImport::Run(const ImportRows& rows, Observer& watch)
{
    imported_ = 0;
    blankRows_ = 0;
    // Every message box below comes without the wait cursor.
    const auto refuse = [&watch](Result result, std::string_view text) {
        watch.Busy(false);
        platform::Warn(text);
        return result;
    };

    CategoryList lists[2] = { CategoryList("nrt_ms01.nms"), CategoryList("nrt_ms02.nms") };
    for (CategoryList& list : lists)
        if (!list.names.LoadText(settings_.BookFile(list.file)))
            list.names.Clear();

    // The lists' files as they were, to be put back when the records cannot be saved.
    std::string before[2];
    bool existed[2] = {};
    for (int i = 0; i < 2; ++i)
        existed[i] = platform::fs::ReadFile(settings_.BookFile(lists[i].file), before[i]);
    const std::vector<Column> columns = ColumnsOf(rows, table_);
    const long long total = 2LL * rows.RowCount();
    const std::vector<bool> blank = RowsWithoutValues(rows);
    blankRows_ = static_cast<int>(std::count(blank.begin(), blank.end(), true));

    const RowPass pass { table_, settings_, rows, columns, blank, watch };
    std::size_t valueBytes = 0;
    if (const std::string refusal = CheckRows(pass, lists, valueBytes); !refusal.empty())
        return refuse(Result::kRowRefused, refusal);

    const int firstNew = table_.GetRecordCount();
    // Only room: should it not be had, the records are stored as they come.
    static_cast<void>(table_.ReserveRecords(rows.RowCount() - blankRows_, valueBytes));
    imported_ = AddRecords(pass);
    watch.Progress(total, total);
    const auto takeBack = [&] {
        for (int k = firstNew; k < table_.GetRecordCount(); ++k)
            table_.MarkDeleted(k);
        imported_ = 0;
    };

    // The new categories are written before the records: a run cut short between the
    // two leaves an unused category at worst, never records whose categories no tab
    // or choice offers.
    const ListSave saved = SaveChangedLists(settings_, lists);
    if (saved == ListSave::kFailed) {
        takeBack();
        return refuse(Result::kCategorySaveFailed, SJ("保存に失敗しました。"));
    }
    if (!watch.Commit()) {
        takeBack();
        // The lists go back as they were, as far as they can.
        for (int i = 0; i < 2; ++i) {
            if (!lists[i].changed)
                continue;
            const std::string file = settings_.BookFile(lists[i].file);
            static_cast<void>(
                existed[i] ? platform::fs::AtomicWriteFile(file, before[i]) : platform::fs::RemoveFile(file));
        }
        watch.Busy(false);
        return Result::kTableSaveFailed;
    }
    if (saved == ListSave::kSaved)
        watch.CategoriesChanged();

    watch.Busy(false);
    return Result::kImported;
}

bool AskImport(const AppSettings& settings, std::string_view path, int count)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::string book = settings.BookName().empty() ? platform::Utf8ToSjis("メインユーザー") : settings.BookName();
    std::string text = platform::Utf8ToSjis("「") + std::string(file) + platform::Utf8ToSjis("」の");
    if (count >= 0)
        text += platform::Utf8ToSjis("宛名 ") + std::to_string(count) + platform::Utf8ToSjis(" 件");
    else
        text += platform::Utf8ToSjis("宛名");
    text += platform::Utf8ToSjis("を、住所録「") + book + platform::Utf8ToSjis("」に取り込みます。\n");
    text += platform::Utf8ToSjis("データを取り込みます。よろしいですか？");
    return platform::Ask(text, true);
}

} // namespace nrt
