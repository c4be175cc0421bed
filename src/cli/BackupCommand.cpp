// nortea-cli backup and restore: the current book into its next backup set, and a new
// user from a set, as the backup window does them.
#include "cli/Cli.h"

#include "cli/CommandLinePath.h"

#include "books/AddressBooks.h"
#include "books/BackupSets.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <cstdio>

namespace nrt::cli {

int RunBackup(Context& context, Args& args)
{
    if (args.usageError || !args.unknown().empty() || !args.Rest().empty())
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    AppSettings& settings = context.Settings();
    if (const BackupSets::Done enabled = BackupSets::CheckEnabled(settings); !enabled.ok) {
        PrintMessage(SJ("注意"), enabled.message);
        return kExitFailed;
    }
    if (!platform::Ask(SJ("バックアップします。よろしいですか？"), true))
        return kExitFailed;
    int set = 0;
    if (const BackupSets::BackupOutcome outcome = BackupSets::Backup(settings, nullptr, &set);
        outcome.result != BackupSets::kBackedUp) {
        if (!outcome.message.empty())
            PrintMessage(SJ("注意"), outcome.message);
        return kExitFailed;
    }
    // The set counter and the date are the settings' to keep: unsaved, the next backup
    // would write over this set.
    if (const platform::FileWrite written = settings.WriteSettings(); !written.Ok()) {
        PrintMessage(SJ("注意"), SJ("保存に失敗しました。") + written.Reason());
        return kExitFailed;
    }
    std::printf("%s\n", Out(BackupSets::SetFolder(settings, set)).c_str());
    return kExitOk;
}

// nortea-cli restore SET NAME: a new book NAME made from the backup set folder SET, as
// the window's restore does it: the user created in copy mode, the set copied whole into
// its folder, the user listed, its settings read with the backup counters reset, its
// table checked.
int RunRestore(Context& context, Args& args)
{
    if (args.usageError || !args.unknown().empty() || args.Rest().size() != 2)
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    AppSettings& settings = context.Settings();
    std::string set = CommandLinePath(args.Rest()[0]);
    while (set.size() > 1 && set.back() == '/')
        set.pop_back();
    AddressBooks books(settings);
    AddressBooks::NewBook request;
    request.name = platform::Utf8ToSjis(args.Rest()[1]);
    request.copy = true;
    request.copyFile = set + "/nrt.ndb";
    std::string source;
    const std::string previous = settings.BookName();
    const auto created = books.Create(request, nullptr, platform::Ask, &source);
    if (!created.Message().empty())
        PrintMessage(SJ("注意"), created.Message());
    if (created.result != AddressBooks::Created::kFromCopy)
        return kExitFailed;
    if (const BackupSets::Done copied = BackupSets::CopySet(source, settings.BookFile({})); !copied.ok) {
        if (!copied.message.empty())
            PrintMessage(SJ("注意"), copied.message);
        books.AbandonRestore(previous);
        return kExitFailed;
    }
    AddressTable table;
    if (const AddressBooks::Refusal trouble = books.FinishRestore(table); trouble != AddressBooks::Refusal::kNone) {
        PrintMessage(SJ("注意"), AddressBooks::RefusalText(trouble));
        return kExitFailed;
    }
    // The reset counters (and the new book as the current one) are the settings' to keep.
    if (const platform::FileWrite written = settings.WriteSettings(); !written.Ok()) {
        PrintMessage(SJ("注意"), SJ("保存に失敗しました。") + written.Reason());
        return kExitFailed;
    }
    std::printf("%s\n", Out(settings.BookFile({})).c_str());
    return kExitOk;
}

} // namespace nrt::cli
