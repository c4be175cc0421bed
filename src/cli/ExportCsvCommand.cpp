// nortea-cli export-csv: the CSV export of the window, with its checks and messages,
// of the list as the main window opens it.
#include "cli/Cli.h"

#include "cli/CommandLinePath.h"
#include "db/Cmyrec.h"
#include "db/MainList.h"
#include "exchange/CMyExport.h"
#include "platform/sjis.h"

#include <cstdio>

namespace nrt::cli {
namespace {

std::vector<std::string> SplitNames(const std::string& utf8)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t comma; (comma = utf8.find(',', start)) != std::string::npos; start = comma + 1)
        names.push_back(platform::Utf8ToSjis(utf8.substr(start, comma - start)));
    names.push_back(platform::Utf8ToSjis(utf8.substr(start)));
    return names;
}

} // namespace

int RunExportCsv(Context& context, Args& args)
{
    std::string fields;
    const bool chosen = args.Option("--fields", fields);
    const bool noHeader = args.Flag("--no-header");
    if (args.usageError || !args.unknown().empty() || args.Rest().size() != 1)
        return kExitUsage;
    CMyDB& table = context.Table();
    CMyExport::Request request;
    request.typedName = CommandLinePath(args.Rest()[0]);
    request.header = !noHeader;
    // Written by hand, the file is not the window's to remember.
    request.remember = false;
    if (chosen) {
        request.fields = SplitNames(fields);
        for (const std::string& name : request.fields)
            if (table.FindField(name) < 0) {
                PrintMessage(SJ("注意"), SJ("『") + name + SJ("』は項目にありません。"));
                return kExitFailed;
            }
    } else {
        for (int f = 0; f < table.GetFieldCount(); ++f)
            request.fields.push_back(table.GetField(f).name);
    }
    // The main window's list as it opens: every addressee, by kana and name.
    CMyRec records;
    records.Attach(&table);
    records.SetSort(SJ("カナ, 名前"), 0);
    if (records.Select(mainlist::ListCondition(mainlist::TabContext {}, {})) < 0)
        return kExitFailed;
    CMyExport out(context.Global());
    if (out.Run(request, records) != CMyExport::kExported)
        return kExitFailed;
    std::printf("%d\n", out.ExportedCount());
    return kExitOk;
}

} // namespace nrt::cli
