// nortea-cli import-csv: the CSV import of the window, with its checks and messages,
// into the user's table, which is then saved.
#include "cli/Cli.h"

#include "cli/CommandLinePath.h"
#include "exchange/CMyImport.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <cstdio>

namespace nrt::cli {

int RunImportCsv(Context& context, Args& args)
{
    if (args.usageError || !args.unknown().empty() || args.Rest().size() != 1)
        return kExitUsage;
    if (context.RefuseWhileProgramRuns())
        return kExitFailed;
    CMyGlobal& g = context.Global();
    CMyDB& table = context.Table();
    CMyImport import(g, table);
    if (import.Run(CommandLinePath(args.Rest()[0])) != CMyImport::kImported)
        return kExitFailed;
    platform::fs::MakeDirs(g.UserFile({}));
    if (table.SaveTable(g.UserFile("nrt.ndb")) != 0) {
        PrintMessage(SJ("注意"), SJ("保存に失敗しました。"));
        return kExitFailed;
    }
    std::printf("%d\n", import.ImportedCount());
    return kExitOk;
}

} // namespace nrt::cli
