#pragma once
// The import commands (import-csv, import-vcard): the import of the window, with its
// checks and messages, into the user's table, which is saved before the import is
// called a success; the number of records added goes to standard output.

#include "cli/Cli.h"
#include "cli/CommandLinePath.h"

#include <cstdio>

namespace nrt::cli {

template <class Import> int RunImportCommand(Context& context, Args& args)
{
    if (args.usageError || !args.unknown().empty() || args.Rest().size() != 1)
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    AddressTable* table = context.TableForWriting();
    if (!table)
        return kExitFailed;
    Import import(context.Global(), *table);
    SaveOnCommit save(context);
    if (import.Run(CommandLinePath(args.Rest()[0]), &save) != Import::kImported)
        return kExitFailed;
    std::printf("%d\n", import.ImportedCount());
    return kExitOk;
}

} // namespace nrt::cli
