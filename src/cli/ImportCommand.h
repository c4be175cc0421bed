#pragma once
// The import commands (import-csv, import-vcard): the import of the window, with its
// checks and messages, into the user's table, which is saved before the import is
// called a success; the number of records added goes to standard output.

#include "cli/Cli.h"
#include "cli/CommandLinePath.h"

#include <cstdio>
#include <string>

namespace nrt::cli {

// `run(import, path, save)` runs the import of the file named on the command line; true
// when it imported.
template <class Import, class RunImport> int RunImportCommand(Context& context, Args& args, RunImport run)
{
    if (args.usageError || !args.unknown().empty() || args.Rest().size() != 1)
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    AddressTable* table = context.TableForWriting();
    if (!table)
        return kExitFailed;
    Import import(context.Settings(), *table);
    SaveOnCommit save(context);
    if (!run(import, CommandLinePath(args.Rest()[0]), save))
        return kExitFailed;
    std::printf("%d\n", import.ImportedCount());
    return kExitOk;
}

template <class Import> int RunImportCommand(Context& context, Args& args)
{
    return RunImportCommand<Import>(context, args, [](Import& import, const std::string& path, SaveOnCommit& save) {
        return import.Run(path, &save) == Import::Result::kImported;
    });
}

} // namespace nrt::cli
