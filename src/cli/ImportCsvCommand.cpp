// nortea-cli import-csv: the CSV import of the window, with its checks and messages,
// into the user's table, which is saved before the import is called a success.
#include "cli/Cli.h"

#include "cli/CommandLinePath.h"
#include "exchange/CsvImport.h"

#include <cstdio>

namespace nrt::cli {
namespace {

class SaveOnCommit : public CsvImport::Observer {
public:
    explicit SaveOnCommit(Context& context)
        : context_(context)
    {
    }
    bool Commit() override { return context_.SaveTable(); }

private:
    Context& context_;
};

} // namespace

int RunImportCsv(Context& context, Args& args)
{
    if (args.usageError || !args.unknown().empty() || args.Rest().size() != 1)
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    AddressTable* table = context.TableForWriting();
    if (!table)
        return kExitFailed;
    CsvImport import(context.Global(), *table);
    SaveOnCommit save(context);
    if (import.Run(CommandLinePath(args.Rest()[0]), &save) != CsvImport::kImported)
        return kExitFailed;
    std::printf("%d\n", import.ImportedCount());
    return kExitOk;
}

} // namespace nrt::cli
