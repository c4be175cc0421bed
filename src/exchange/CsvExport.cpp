#include "exchange/CsvExport.h"

#include "exchange/CsvFormulaGuard.h"

#include "db/AddressTable.h"
#include "db/RecordSet.h"
#include "platform/MessageHost.h"
#include "platform/TextEncoding.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"
#include "settings/DataPaths.h"

#include <algorithm>
#include <cstring>

namespace nrt {
namespace {

// Writes the value in double quotes at `out`, each quote inside it doubled and an
// apostrophe before what a spreadsheet would evaluate, and returns the end. A quote
// byte is never the second byte of a double-byte character, so the bytes can be copied
// as they are. Room: twice the value and three bytes.
char* PutQuoted(char* out, std::string_view value)
{
    *out++ = '"';
    if (NeedsFormulaGuard(value))
        *out++ = '\'';
    while (!value.empty()) {
        const void* q = std::memchr(value.data(), '"', value.size());
        const std::size_t n
            = q ? static_cast<std::size_t>(static_cast<const char*>(q) - value.data()) + 1 : value.size();
        std::memcpy(out, value.data(), n);
        out += n;
        if (q)
            *out++ = '"';
        value.remove_prefix(n);
    }
    *out++ = '"';
    return out;
}

} // namespace

std::string CsvExport::CompletePath(std::string_view typed) const
{
    std::string path(typed);
    if (platform::FindChar(path, '/') == std::string::npos)
        path = settings_.DocumentsFile(path);
    return DataPaths::SetExtension(path, ".CSV", false);
}

std::string CsvExport::Format(const RecordSet& records, const std::vector<std::string>& fields, bool header)
{
    std::string out;
    // The pieces of a string in memory can never be refused.
    static_cast<void>(FormatInPieces(records, fields, header, [&out](std::string_view piece) {
        out += piece;
        return true;
    }));
    return out;
}

bool CsvExport::FormatInPieces(const RecordSet& records, const std::vector<std::string>& fields, bool header,
    const std::function<bool(std::string_view)>& put)
{
    constexpr std::size_t kPiece = 64 * 1024;
    std::string out;
    out.reserve(2 * kPiece);
    const AddressTable* table = records.GetTable();
    std::vector<int> index;
    index.reserve(fields.size());
    for (const std::string& name : fields)
        index.push_back(table ? table->FindField(name) : -1);

    if (header) {
        // Names are written as they are, without doubling.
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i)
                out += ',';
            out += '"';
            out += fields[i];
            out += '"';
        }
        out += "\r\n";
    }
    if (!table)
        return put(out);
    // Each line is written into room for its longest form (every byte a quote), which
    // is then cut to what was written; the buffer is handed on and reused once it holds
    // a piece, so its pages are touched once for the whole file.
    std::vector<std::string_view> values(index.size());
    const int rows = records.GetRowCount();
    for (int row = 0; row < rows; ++row) {
        const int k = records.GetRowRecord(row);
        std::size_t room = 2;
        for (std::size_t i = 0; i < index.size(); ++i) {
            values[i] = table->Value(index[i], k);
            room += 2 * values[i].size() + 4;
        }
        const std::size_t at = out.size();
        if (at + room > out.capacity())
            out.reserve(std::max(2 * out.capacity(), at + room));
        out.resize(at + room);
        char* p = out.data() + at;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i)
                *p++ = ',';
            p = PutQuoted(p, values[i]);
        }
        *p++ = '\r';
        *p++ = '\n';
        out.resize(static_cast<std::size_t>(p - out.data()));
        if (out.size() >= kPiece) {
            if (!put(out))
                return false;
            out.clear();
        }
    }
    return out.empty() || put(out);
}

bool CsvExport::MayReplace(std::string_view path)
{
    if (!platform::fs::Exists(path))
        return true;
    return platform::Messages().Show({ SJ("既にファイルが存在します。上書きしてよろしいですか？"), SJ("注意"),
               platform::MsgIcon::Warning, platform::MsgButtons::YesNo, platform::MsgResult::No })
        == platform::MsgResult::Yes;
}

CsvExport::Result CsvExport::Run(const Request& request, const RecordSet& records, Observer* observer)
{
    Observer none;
    Observer& watch = observer ? *observer : none;
    exported_ = 0;
    path_.clear();
    if (request.typedName.empty()) {
        platform::Warn(SJ("保存する場所を入力して下さい。"));
        return Result::kNoFileName;
    }
    if (request.fields.empty()) {
        platform::Warn(SJ("転送項目を選択して下さい。"));
        return Result::kNoFields;
    }
    path_ = CompletePath(request.typedName);
    if (!platform::Ask(SJ("データを出力します。よろしいですか？"), true))
        return Result::kDeclined;
    if (!MayReplace(path_))
        return Result::kNotOverwritten;

    // The file is written whole under a temporary name and then put in place, so a
    // failed export leaves an older file of that name as it was.
    platform::fs::AtomicWriter file(path_);
    if (!file.isOpen()) {
        platform::Warn(SJ("ファイルオープンに失敗しました。"));
        return Result::kWriteFailed;
    }
    watch.Busy(true);
    bool written;
    if (request.utf8) {
        const std::string bytes = Format(records, request.fields, request.header);
        written = file.write(platform::kUtf8Bom) && file.write(platform::SjisToUtf8(bytes));
    } else {
        written = FormatInPieces(
            records, request.fields, request.header, [&file](std::string_view piece) { return file.write(piece); });
    }
    written = written && file.commit();
    watch.Busy(false);
    if (!written) {
        platform::Warn(SJ("保存に失敗しました。"));
        return Result::kWriteFailed;
    }
    exported_ = records.GetRowCount();
    if (request.remember)
        settings_.SetPathEntry(2, path_);
    platform::Inform(SJ("正常にエクスポートされました。"), SJ("住所録"));
    return Result::kExported;
}

} // namespace nrt
