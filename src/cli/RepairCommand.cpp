// nortea-cli repair: a book that did not load whole saved with the records that could
// be read, the damaged file kept aside under its own name. Writing commands refuse such
// a book until this has run, so that nothing is written over it unasked.
#include "cli/Cli.h"

#include "books/BookSafety.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <cstdio>

namespace nrt::cli {

int RunRepair(Context& context, Args& args)
{
    if (args.usageError || !args.unknown().empty() || !args.Rest().empty())
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    AddressTable* table = context.TableForRepair();
    if (!table) {
        // Nothing of it could be read: there is nothing to save in its place.
        PrintMessage(SJ("注意"), UnreadableTableMessage(context.TablePath()));
        return kExitFailed;
    }
    if (!platform::fs::IsFile(context.TablePath()) || table->LoadedWhole()) {
        PrintMessage(SJ("注意"), SJ("宛名データ「") + context.TablePath() + SJ("」は壊れていません。"));
        return kExitOk;
    }
    if (!context.SaveTable())
        return kExitFailed;
    std::printf("%d\n", table->GetRecordCount());
    return kExitOk;
}

} // namespace nrt::cli
