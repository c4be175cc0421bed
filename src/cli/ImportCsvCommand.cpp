// nortea-cli import-csv: the CSV import of the window into the user's table.
#include "cli/Cli.h"

#include "cli/ImportCommand.h"
#include "exchange/CsvImport.h"

namespace nrt::cli {

int RunImportCsv(Context& context, Args& args)
{
    return RunImportCommand<CsvImport>(context, args);
}

} // namespace nrt::cli
