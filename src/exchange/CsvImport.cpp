#include "exchange/CsvImport.h"

#include "exchange/CsvFormulaGuard.h"
#include "exchange/RecordImport.h"

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
#include <iterator>
#include <optional>
#include <vector>

namespace nrt {
namespace {

// The header cells name the fields.
class CsvRows : public ImportRows {
public:
    CsvRows(const CsvReader& csv, const AddressTable& table)
        : csv_(csv)
    {
        fields_.reserve(static_cast<std::size_t>(csv.GetColumnCount()));
        for (int c = 0; c < csv.GetColumnCount(); ++c)
            fields_.push_back(table.FindField(csv.GetHeader(c)));
    }
    int ColumnCount() const override { return csv_.GetColumnCount(); }
    std::string_view ColumnName(int c) const override { return csv_.GetHeader(c); }
    int ColumnField(int c) const override { return fields_[static_cast<std::size_t>(c)]; }
    int RowCount() const override { return csv_.GetRowCount(); }
    // The program's own export put an apostrophe before values a spreadsheet would
    // evaluate.
    std::string_view Cell(int r, int c) const override { return WithoutFormulaGuard(csv_.GetCell(r, c)); }
    int FileLine(int r) const override { return csv_.FileLine(r); }

private:
    const CsvReader& csv_;
    std::vector<int> fields_;
};

struct Refusal {
    CsvImport::Result result = CsvImport::Result::kImported;
    std::string text;
};

// The refusal of a file LoadCsv could not read whole.
Refusal ReadRefusal(const CsvReader& csv, CsvReader::Result code)
{
    switch (code) {
    case CsvReader::Result::kOk:
        return {};
    case CsvReader::Result::kErrOpen:
        return { CsvImport::Result::kReadFailed, SJ("オープンに失敗しました。") };
    case CsvReader::Result::kErrNoData:
        return { CsvImport::Result::kReadFailed, SJ("データがありません。") };
    case CsvReader::Result::kErrEncoding:
        return { CsvImport::Result::kRowRefused,
            RecordImport::RowMessage(csv.BadLine(), csv.BadHeader(), SJ("\nShift-JISにない文字が含まれています。")) };
    default:
        // Going on with what was read would import part of the file as if it were all.
        return { CsvImport::Result::kReadFailed, SJ("メモリが不足しています。") };
    }
}

// A value Outlook writes into every row whatever the contact (an empty anniversary,
// "Normal" priority, "False" private, an unknown gender), a country that is this one,
// or a column derived from the others (the mail display name): not worth naming as
// left out.
bool SaysNothing(std::string_view header, std::string_view value)
{
    static const std::string_view kFiller[] = { "0/0/00", "Normal", "False", "Unspecified" };
    if (std::find(std::begin(kFiller), std::end(kFiller), value) != std::end(kFiller))
        return true;
    if (value == SJ("日本") || value == "Japan" || value == "JP")
        return true;
    return header.ends_with("Display Name") || header.ends_with(SJ("表示名"));
}

} // namespace

std::string CsvImport::CompletePath(std::string_view typed) const
{
    std::string path(typed);
    if (platform::FindChar(path, '/') == std::string::npos)
        path = settings_.DocumentsFile(path);
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
                return HeaderResult::kHeaderNotAField;
            ended = true;
            if (c != ',')
                return HeaderResult::kHeaderOk;
            name.clear();
        } else if (n == 2 || c != '"') {
            name.append(bytes.substr(i, n));
            if (name.size() > kHeaderNameLimit)
                return HeaderResult::kHeaderTooLong;
        }
        i += n;
    }
    return ended ? HeaderResult::kHeaderOk : HeaderResult::kHeaderNoName;
}

CsvImport::HeaderResult CsvImport::ProbeHeader(std::string_view path, std::string& name) const
{
    name.clear();
    platform::fs::FileReader file(path);
    if (!file.isOpen())
        return HeaderResult::kHeaderCannotOpen;
    char probe[kHeaderProbeBytes + 3];
    long long got = file.readAt(0, probe, sizeof probe);
    std::string_view bytes(probe, got > 0 ? static_cast<std::size_t>(got) : 0);
    std::string utf16;
    if (platform::Utf16ToUtf8(bytes, utf16))
        bytes = utf16;
    if (bytes.starts_with(platform::kUtf8Bom))
        bytes.remove_prefix(platform::kUtf8Bom.size());
    else
        bytes = bytes.substr(0, std::min(bytes.size(), kHeaderProbeBytes));
    if (got < 0)
        return HeaderResult::kHeaderCannotOpen;
    if (got == 0)
        return HeaderResult::kHeaderEmpty;
    // A UTF-8 header is checked as CP932: the names are compared with the table's.
    std::string converted;
    if (CsvReader::DetectEncodings(bytes, 1).header) {
        const std::size_t end = bytes.find_first_of("\r\n");
        converted = platform::Utf8ToSjis(bytes.substr(0, end));
        if (end != std::string_view::npos)
            converted += bytes[end];
        bytes = converted;
    }
    return ScanHeader(bytes, table_, name);
}

CsvImport::HeaderResult CsvImport::CheckHeader(std::string_view path) const
{
    std::string name;
    const HeaderResult code = ProbeHeader(path, name);
    switch (code) {
    case HeaderResult::kHeaderCannotOpen:
        platform::Warn(SJ("ファイルオープンに失敗しました。"));
        break;
    case HeaderResult::kHeaderEmpty:
        platform::Warn(SJ("データがありません。"));
        break;
    case HeaderResult::kHeaderTooLong:
        platform::Warn(SJ("ヘッダサイズがオーバーしました。"));
        break;
    case HeaderResult::kHeaderNotAField:
        platform::Warn(SJ("フィールド「") + name + SJ("」は対象外のデータです。"));
        break;
    case HeaderResult::kHeaderNoName:
        platform::Warn(SJ("不正なヘッダー情報です。"));
        break;
    default:
        break;
    }
    return code;
}

CsvImport::Result CsvImport::Run(std::string_view typed, Observer* observer, const Mapping* mapping)
{
    Observer none;
    Observer& watch = observer ? *observer : none;
    imported_ = 0;
    path_.clear();
    if (typed.empty()) {
        platform::Warn(SJ("ファイルの場所を入力して下さい。"));
        return Result::kNoFileName;
    }
    path_ = CompletePath(typed);
    if (!platform::fs::IsFile(path_)) {
        platform::Warn(SJ("ファイルが見つかりません。"));
        return Result::kFileMissing;
    }
    // What the question counts: the file's rows, empty ones too; an unreadable file is
    // refused by the import itself with its own message.
    CsvReader probe;
    const int rows = probe.LoadCsv(path_, mapping && !mapping->hasHeader ? 0 : 1) == CsvReader::Result::kOk
        ? probe.GetRowCount()
        : -1;
    if (!AskImport(settings_, path_, rows))
        return Result::kDeclined;
    const Result result
        = mapping ? LoadMapped(path_, mapping->hasHeader, mapping->targets, &watch) : Load(path_, &watch);
    if (result == Result::kImported)
        watch.Imported();
    if (result != Result::kImported)
        return result;
    settings_.SetPathEntry(1, path_);
    if (imported_ == 0) {
        platform::Warn(ClosingMessage());
        return Result::kNothingImported;
    }
    platform::Inform(ClosingMessage(), SJ("住所録"));
    return Result::kImported;
}

std::string CsvImport::ClosingMessage() const
{
    std::string text = imported_ > 0 ? SJ("正常にインポートされました。") : SJ("インポートしたデータはありません。");
    text += SJ("\n（取り込んだデータ：") + std::to_string(imported_) + SJ("件）");
    if (utf8_)
        text += SJ("\n（UTF-8のファイルをShift-JISに変換して取り込みました。）");
    if (lineBreakCells_ > 0)
        text += SJ("\n（セル内の改行を全角スペースにしたセル：") + std::to_string(lineBreakCells_) + SJ("個）");
    if (blankRows_ > 0)
        text += SJ("\n（取り込まなかった空の行：") + std::to_string(blankRows_) + SJ("行）");
    if (cutValues_ > 0)
        text += SJ("\n（項目の長さに切り詰めた値：") + std::to_string(cutValues_) + SJ("個）");
    if (droppedDates_ > 0)
        text += SJ("\n（日付として読めないため空にした生年月日：") + std::to_string(droppedDates_) + SJ("個）");
    if (defaultHonorifics_ > 0)
        text += SJ("\n（敬称のないデータに「様」または「御中」を付けました：") + std::to_string(defaultHonorifics_)
            + SJ("件）");
    if (!unplaced_.empty()) {
        text += SJ("\n（取り込まなかった列：");
        for (std::size_t i = 0; i < unplaced_.size(); ++i)
            text += (i ? SJ("、") : std::string()) + unplaced_[i];
        text += SJ("）");
    }
    return text;
}

CsvImport::Result CsvImport::Load(std::string_view path, Observer* observer)
{
    Observer none;
    Observer& watch = observer ? *observer : none;
    imported_ = 0;
    blankRows_ = 0;
    lineBreakCells_ = 0;
    cutValues_ = 0;
    droppedDates_ = 0;
    defaultHonorifics_ = 0;
    unplaced_.clear();
    utf8_ = false;
    if (CheckHeader(path) != HeaderResult::kHeaderOk)
        return Result::kHeaderRefused;
    return Read(path, true, nullptr, watch);
}

CsvImport::Result CsvImport::LoadMapped(
    std::string_view path, bool hasHeader, const std::vector<ColumnTarget>& targets, Observer* observer)
{
    Observer none;
    imported_ = 0;
    blankRows_ = 0;
    lineBreakCells_ = 0;
    cutValues_ = 0;
    droppedDates_ = 0;
    defaultHonorifics_ = 0;
    unplaced_.clear();
    utf8_ = false;
    return Read(path, hasHeader, &targets, observer ? *observer : none);
}

CsvReader::Result CsvImport::ReadPreview(std::string_view path, bool hasHeader, int rows, Preview& out)
{
    out = {};
    CsvReader csv;
    const CsvReader::Result code = csv.LoadCsv(path, hasHeader ? 1 : 0);
    if (code != CsvReader::Result::kOk)
        return code;
    for (int c = 0; c < csv.GetColumnCount(); ++c)
        out.headers.emplace_back(csv.GetHeader(c));
    for (int r = 0; r < csv.GetRowCount() && r < rows; ++r) {
        out.rows.emplace_back();
        for (int c = 0; c < csv.GetColumnCount(); ++c)
            out.rows.back().emplace_back(csv.GetCell(r, c));
    }
    return CsvReader::Result::kOk;
}

CsvImport::Result CsvImport::Read(
    std::string_view path, bool hasHeader, const std::vector<ColumnTarget>* targets, Observer& watch)
{
    watch.Busy(true);
    // Every message box below comes without the wait cursor.
    const auto refuse = [&watch](Result result, std::string_view text) {
        watch.Busy(false);
        platform::Warn(text);
        return result;
    };

    CsvReader csv;
    if (const Refusal r = ReadRefusal(csv, csv.LoadCsv(path, hasHeader ? 1 : 0)); r.result != Result::kImported)
        return refuse(r.result, r.text);

    utf8_ = csv.WasUtf8();
    lineBreakCells_ = csv.LineBreakCells();
    RecordImport records(settings_, table_);
    RecordImport::Result result;
    if (targets) {
        const MappedRows rows(csv, *targets, table_);
        result = records.Run(rows, watch);
        cutValues_ = rows.CutValues();
        droppedDates_ = rows.DroppedDates();
        defaultHonorifics_ = rows.DefaultHonorifics();
        // Columns no field took are named where they held something.
        // (The kind columns of numbers and mail addresses say how, not what.)
        const std::vector<int>& passedOver = rows.PassedOver();
        for (int c = 0; hasHeader && c < csv.GetColumnCount(); ++c) {
            if (std::find(passedOver.begin(), passedOver.end(), c) != passedOver.end()) {
                unplaced_.emplace_back(csv.GetHeader(c));
                continue;
            }
            if (static_cast<std::size_t>(c) < targets->size() && !(*targets)[static_cast<std::size_t>(c)].field.empty())
                continue;
            const std::string_view header = csv.GetHeader(c);
            if (header.ends_with(" - Label") || header.ends_with(" - Type") || header.ends_with(" Type")
                || header.ends_with(SJ("の種類"))
                || std::any_of(
                    targets->begin(), targets->end(), [c](const ColumnTarget& t) { return t.kindColumn == c; }))
                continue;
            for (int r = 0; r < csv.GetRowCount(); ++r)
                if (*csv.GetCell(r, c) != '\0' && !SaysNothing(header, csv.GetCell(r, c))) {
                    unplaced_.emplace_back(csv.GetHeader(c));
                    break;
                }
        }
    } else {
        result = records.Run(CsvRows(csv, table_), watch);
    }
    imported_ = records.ImportedCount();
    blankRows_ = records.BlankRows();
    // RecordImport's results are ours by the same names and numbers.
    return static_cast<Result>(result);
}

} // namespace nrt
