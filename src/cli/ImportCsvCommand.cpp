// nortea-cli import-csv: the CSV import of the window into the user's table. Another
// program's file is imported through the columns the window would choose: the mapping
// saved for its header in the data folder (or given with --map FILE), else the
// headers the window recognises.
#include "cli/Cli.h"

#include "cli/CommandLinePath.h"
#include "cli/ImportCommand.h"
#include "db/CsvReader.h"
#include "exchange/CsvColumnMap.h"
#include "exchange/CsvImport.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace nrt::cli {
namespace {

// The mapping for another program's file; false (the reason shown) when its columns
// cannot be placed.
bool ChooseMapping(Context& context, const std::string& path, const std::string& mapFile, CsvImport::Mapping& out)
{
    CsvImport::Preview plain;
    if (CsvImport::ReadPreview(path, false, 1, plain) != CsvReader::Result::kOk || plain.rows.empty())
        return true; // the import says why it cannot read the file
    const std::vector<std::string>& firstRow = plain.rows.front();
    const std::string store = mapFile.empty() ? context.Settings().DataFile(CsvColumnMap::kFileName) : mapFile;
    CsvColumnMap::Suggestion s = CsvColumnMap::Suggest(store, firstRow, *context.TableForWriting());
    if (!mapFile.empty() && !s.remembered) {
        platform::Warn(SJ("マップファイルにこのファイルの列の割り当てがありません。"));
        return false;
    }
    // A header of this program's field names with a name that is none (a typo) is
    // refused as the window refuses it, naming that name.
    bool foreign = s.remembered || !s.hasHeader;
    for (std::size_t c = 0; !foreign && c < firstRow.size(); ++c)
        foreign = !s.targets[c].field.empty() && s.targets[c].field != firstRow[c];
    if (!foreign
        && std::any_of(s.targets.begin(), s.targets.end(), [](const ColumnTarget& t) { return !t.field.empty(); }))
        return true;
    const bool placed = std::any_of(s.targets.begin(), s.targets.end(),
        [](const ColumnTarget& t) { return t.field == SJ("名前") || t.field == SJ("会社名"); });
    if (!placed) {
        std::string text = SJ("取り込む項目の分からないCSVファイルです。");
        if (s.hasHeader) {
            text += SJ("\n割り当てのない列：");
            bool first = true;
            for (std::size_t c = 0; c < firstRow.size(); ++c)
                if (s.targets[c].field.empty()) {
                    text += (first ? std::string() : SJ("、")) + firstRow[c];
                    first = false;
                }
        } else {
            text += SJ("\n1行目が項目名ではありません。");
        }
        text += SJ("\n画面の「CSVインポート」で列ごとに項目を選んで取り込むか（選んだ割り当ては")
            + std::string(CsvColumnMap::kFileName)
            + SJ("に保存されます）、その割り当てのファイルを --map で指定して下さい。");
        platform::Warn(text);
        return false;
    }
    out.hasHeader = s.hasHeader;
    out.targets = std::move(s.targets);
    return true;
}

} // namespace

int RunImportCsv(Context& context, Args& args)
{
    std::string mapFile;
    const bool hasMap = args.Option("--map", mapFile);
    return RunImportCommand<CsvImport>(
        context, args, [&](CsvImport& import, const std::string& path, SaveOnCommit& save) {
            std::optional<CsvImport::Mapping> mapping;
            std::string name;
            const CsvImport::HeaderResult header = import.ProbeHeader(path, name);
            if (hasMap
                || (header != CsvImport::HeaderResult::kHeaderOk && header != CsvImport::HeaderResult::kHeaderCannotOpen
                    && header != CsvImport::HeaderResult::kHeaderEmpty)) {
                CsvImport::Mapping chosen;
                if (!ChooseMapping(context, path, hasMap ? CommandLinePath(mapFile) : std::string(), chosen))
                    return false;
                if (!chosen.targets.empty())
                    mapping = std::move(chosen);
            }
            return import.Run(path, &save, mapping ? &*mapping : nullptr) == CsvImport::Result::kImported;
        });
}

} // namespace nrt::cli
