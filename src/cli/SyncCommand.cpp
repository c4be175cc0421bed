// nortea-cli sync-setup, sync, sync-conflicts: the book shared through a CardDAV
// server. The password comes from standard input (--password-stdin), from
// NORTEA_SYNC_PASSWORD, or from the book's "NrtUser.ini" where --store-password put it
// (written for the owner alone).
#include "cli/Cli.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "sync/DavClient.h"
#include "sync/SyncAccount.h"
#include "sync/SyncEngine.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace nrt::cli {
namespace {

std::string BookFolder(const Context& context)
{
    std::string path = context.TablePath();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Path(const Context& context, const char* name)
{
    return BookFolder(context) + "/" + name;
}

// The password for the account, from where the user put it; false (said why) when none.
bool Password(Context& context, bool fromStdin, const std::string& url, const std::string& user, std::string* password)
{
    if (fromStdin) {
        std::getline(std::cin, *password);
        if (!password->empty() && password->back() == '\r')
            password->pop_back();
        return true;
    }
    if (const char* env = std::getenv("NORTEA_SYNC_PASSWORD")) {
        *password = env;
        return true;
    }
    *password = sync::StoredPassword(context.Settings().BookFile("NrtUser.ini"), url, user);
    if (!password->empty())
        return true;
    PrintMessage(SJ("同期"),
        SJ("パスワードがありません。--password-stdin で入力するか、NORTEA_SYNC_PASSWORD に設定して下さい。"));
    return false;
}

void Say(const std::string& sjis)
{
    std::printf("%s\n", Out(sjis).c_str());
}

} // namespace

int RunSyncSetup(Context& context, Args& args)
{
    std::string url, user, book, create;
    args.Option("--url", url);
    const bool hasUser = args.Option("--user", user);
    const bool hasBook = args.Option("--book", book);
    const bool hasCreate = args.Option("--create", create);
    const bool fromStdin = args.Flag("--password-stdin");
    const bool storePassword = args.Flag("--store-password");
    if (url.empty() && args.Rest().size() == 1)
        url = args.Rest()[0];
    else if (!args.Rest().empty())
        return kExitUsage;
    if (args.usageError || !args.unknown().empty() || url.empty() || !hasUser || (hasBook && hasCreate))
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    dav::DavAccount account;
    account.url = url;
    account.user = user;
    account.caFile = context.Settings().GetMailCaFile();
    if (!Password(context, fromStdin, account.url, account.user, &account.password))
        return kExitFailed;
    dav::DavClient client(account);
    std::vector<dav::AddressBookInfo> books;
    if (const dav::DavOutcome outcome = client.Discover(&books); !outcome.Ok()) {
        PrintMessage(SJ("同期"), outcome.Message());
        return kExitFailed;
    }
    dav::AddressBookInfo chosen;
    if (hasCreate) {
        if (const dav::DavOutcome outcome = client.CreateBook(platform::Utf8ToSjis(create), &chosen); !outcome.Ok()) {
            PrintMessage(SJ("同期"), outcome.Message());
            return kExitFailed;
        }
    } else {
        const std::string wanted = platform::Utf8ToSjis(book);
        std::vector<const dav::AddressBookInfo*> matching;
        for (const auto& b : books)
            if (!hasBook || b.displayName == wanted || dav::DavClient::SameHref(b.url, book) || b.url == book
                || (!book.empty() && b.url.ends_with("/" + book + "/")))
                matching.push_back(&b);
        if (matching.size() != 1) {
            for (const auto& b : books)
                std::printf("%s\t%s\n", Out(b.displayName).c_str(), b.url.c_str());
            PrintMessage(SJ("同期"),
                books.empty() ? SJ("サーバーにアドレス帳がありません。--create で作成できます。")
                    : matching.empty() && hasBook ? SJ("そのアドレス帳はサーバーにありません。")
                                                  : SJ("同期するアドレス帳を --book で指定して下さい。"));
            return kExitFailed;
        }
        chosen = *matching.front();
    }
    platform::fs::MakeDirs(BookFolder(context));
    if (!sync::SaveSetup(Path(context, sync::SyncState::kFileName), chosen, user)) {
        PrintMessage(SJ("同期"), SJ("同期の設定を保存できませんでした。"));
        return kExitFailed;
    }
    if (storePassword
        && !sync::StorePassword(context.Settings().BookFile("NrtUser.ini"), account.url, user, account.password)) {
        PrintMessage(SJ("同期"), SJ("パスワードを保存できませんでした。"));
        return kExitFailed;
    }
    Say(SJ("同期するアドレス帳：") + (chosen.displayName.empty() ? std::string() : chosen.displayName + SJ("　"))
        + chosen.url);
    return kExitOk;
}

int RunSync(Context& context, Args& args)
{
    sync::SyncOptions options;
    options.allowMassDelete = args.Flag("--allow-mass-delete");
    options.dryRun = args.Flag("--dry-run");
    const bool fromStdin = args.Flag("--password-stdin");
    if (args.usageError || !args.unknown().empty() || !args.Rest().empty())
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    AddressTable* table = context.TableForWriting();
    if (!table)
        return kExitFailed;
    sync::SyncState state;
    if (std::string error; !state.Load(Path(context, sync::SyncState::kFileName), &error)) {
        PrintMessage(SJ("同期"), error + SJ("sync-setup で設定して下さい。"));
        return kExitFailed;
    }
    dav::DavAccount account;
    account.user = state.user;
    account.caFile = context.Settings().GetMailCaFile();
    if (!Password(context, fromStdin, state.url, account.user, &account.password))
        return kExitFailed;
    sync::SyncEngine engine(*table, BookFolder(context), account, [&context] { return context.SaveTable(); });
    const sync::SyncReport report = engine.Run(options);
    if (report.result != sync::SyncReport::Result::kDone) {
        std::string message = report.message;
        if (report.result == sync::SyncReport::Result::kMassDelete)
            message += SJ("削除してよければ --allow-mass-delete を付けて実行して下さい。");
        PrintMessage(SJ("同期"), message);
        return kExitFailed;
    }
    std::printf("%s", Out(sync::Summary(report, options.dryRun)).c_str());
    return report.conflicts > 0 ? kExitFailed : kExitOk;
}

int RunSyncConflicts(Context& context, Args& args)
{
    std::string takeBack;
    const bool taking = args.Option("--take-back", takeBack);
    if (args.usageError || !args.unknown().empty() || !args.Rest().empty())
        return kExitUsage;
    if (taking && !context.LockForWriting())
        return kExitFailed;
    sync::ConflictList list;
    const std::string path = Path(context, sync::ConflictList::kFileName);
    if (!list.Load(path)) {
        PrintMessage(SJ("同期"), SJ("同期の競合の一覧が読めません。"));
        return kExitFailed;
    }
    if (!taking) {
        for (std::size_t i = 0; i < list.items.size(); ++i) {
            const sync::Conflict& c = list.items[i];
            std::printf("%zu\t%s\t%s\t%s\t%s\n", i + 1, Out(c.name).c_str(), Out(c.field).c_str(), Out(c.local).c_str(),
                Out(c.server).c_str());
        }
        return kExitOk;
    }
    char* end = nullptr;
    const long n = std::strtol(takeBack.c_str(), &end, 10);
    if (takeBack.empty() || *end != '\0' || n < 1)
        return kExitUsage;
    AddressTable* table = context.TableForWriting();
    if (!table)
        return kExitFailed;
    std::string message;
    if (!sync::TakeBack(*table, list, static_cast<std::size_t>(n - 1), &message)) {
        PrintMessage(SJ("同期"), message);
        return kExitFailed;
    }
    if (!context.SaveTable())
        return kExitFailed;
    if (!list.Save(path)) {
        PrintMessage(SJ("同期"), SJ("同期の競合の一覧を保存できませんでした。"));
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace nrt::cli
