// nortea-cli backup: the current user into its next backup set, as the backup window
// does it.
#include "cli/Cli.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "users/CMyBackup.h"

#include <cstdio>

namespace nrt::cli {

int RunBackup(Context& context, Args& args)
{
    if (args.usageError || !args.unknown().empty() || !args.Rest().empty())
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    CMyGlobal& g = context.Global();
    if (!CMyBackup::CheckEnabled(g))
        return kExitFailed;
    if (!platform::Ask(SJ("バックアップします。よろしいですか？"), true))
        return kExitFailed;
    int set = 0;
    if (CMyBackup::Backup(g, nullptr, &set) != CMyBackup::kBackedUp)
        return kExitFailed;
    // The set counter and the date are the settings' to keep.
    g.WriteSettings();
    std::printf("%s\n", Out(CMyBackup::SetFolder(g, set)).c_str());
    return kExitOk;
}

} // namespace nrt::cli
