// nortea-cli export-csv: the CSV export of the window, with its checks and messages,
// of the list as the main window shows it (a tab, an extraction).
#include "cli/Cli.h"

#include "cli/CommandLinePath.h"
#include "db/MainList.h"
#include "db/RecordSet.h"
#include "exchange/CsvExport.h"
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
    std::string fields, tab, where, encoding = "shift-jis";
    const bool chosen = args.Option("--fields", fields);
    const bool noHeader = args.Flag("--no-header");
    const bool senders = args.Flag("--senders");
    const bool hasTab = args.Option("--tab", tab);
    args.Option("--where", where);
    args.Option("--encoding", encoding);
    if (args.usageError || !args.unknown().empty() || args.Rest().size() != 1 || (senders && hasTab)
        || (encoding != "shift-jis" && encoding != "utf-8"))
        return kExitUsage;
    mainlist::TabContext t;
    if (!ChooseTab(context.Settings(), senders, hasTab ? &tab : nullptr, t))
        return kExitFailed;
    AddressTable& table = context.Table();
    CsvExport::Request request;
    request.typedName = CommandLinePath(args.Rest()[0]);
    request.header = !noHeader;
    // Written by hand, the file is not the window's to remember.
    request.remember = false;
    request.utf8 = encoding == "utf-8";
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
    // The main window's list of the tab (every addressee unless asked otherwise), by
    // kana and name.
    RecordSet records;
    records.Attach(&table);
    // A table without these fields is written in the order of its records.
    static_cast<void>(records.SetSort(SJ("カナ, 名前"), 0));
    if (!SelectOrSay(records, mainlist::WithUserCondition(mainlist::ListCondition(t, {}), platform::Utf8ToSjis(where))))
        return kExitFailed;
    CsvExport out(context.Settings());
    if (out.Run(request, records) != CsvExport::Result::kExported)
        return kExitFailed;
    std::printf("%d\n", out.ExportedCount());
    return kExitOk;
}

} // namespace nrt::cli
