// nortea-cli import-vcard, export-vcard: vCard files (phones, web address books) into
// the user's table, and the list as the main window shows it (or its marked
// addressees) out as vCard 4.0.
#include "cli/Cli.h"

#include "cli/CommandLinePath.h"
#include "cli/ImportCommand.h"
#include "db/MainList.h"
#include "db/RecordSet.h"
#include "exchange/VCardExport.h"
#include "exchange/VCardImport.h"
#include "platform/sjis.h"
#include "qt/SingleInstance.h"

#include <cstdio>
#include <functional>

namespace nrt::cli {

int RunImportVCard(Context& context, Args& args)
{
    return RunImportCommand<VCardImport>(context, args);
}

int RunExportVCard(Context& context, Args& args)
{
    std::string tab, where;
    const bool senders = args.Flag("--senders");
    const bool marked = args.Flag("--marked");
    const bool hasTab = args.Option("--tab", tab);
    args.Option("--where", where);
    if (args.usageError || !args.unknown().empty() || args.Rest().size() != 1 || (senders && hasTab))
        return kExitUsage;
    mainlist::TabContext t;
    if (!ChooseTab(context.Settings(), senders, hasTab ? &tab : nullptr, t))
        return kExitFailed;
    // The UIDs the export gives records are stored in the book, as every writer writes
    // it: under the lock. While the window has the book open, its own export stores them
    // and this one only reads.
    const bool store = !gui::SingleInstance::HeldByAnother();
    if (store && !context.LockForWriting())
        return kExitFailed;
    AddressTable& table = context.Table();
    RecordSet records;
    records.Attach(&table);
    // A table without these fields is written in the order of its records.
    static_cast<void>(records.SetSort(SJ("カナ, 名前"), 0));
    const std::string condition = marked ? mainlist::PrintCondition(t, {}) : mainlist::ListCondition(t, {});
    if (!SelectOrSay(records, mainlist::WithUserCondition(condition, platform::Utf8ToSjis(where))))
        return kExitFailed;
    VCardExport out;
    // A book that did not load whole is not written by the way (see TableForWriting).
    std::function<bool()> save;
    if (store && table.LoadedWhole() && !table.LoadFailedOnExistingFile())
        save = [&context] { return context.SaveTable(); };
    if (out.Run(CommandLinePath(args.Rest()[0]), records, save) != VCardExport::kExported)
        return kExitFailed;
    std::printf("%d\n", out.ExportedCount());
    return kExitOk;
}

} // namespace nrt::cli
