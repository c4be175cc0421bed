// nortea-cli user: the books of the data folder listed, created and removed, with the
// windows' checks and messages.
#include "cli/Cli.h"

#include "books/AddressBooks.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <cstdio>

namespace nrt::cli {

int RunBookCommand(Context& context, Args& args)
{
    if (args.usageError || !args.unknown().empty() || args.Rest().empty())
        return kExitUsage;
    const std::vector<std::string>& rest = args.Rest();
    const std::string& verb = rest[0];
    AddressBooks books(context.Settings());
    if (verb == "list" && rest.size() == 1) {
        const std::vector<std::string> entries = books.Entries();
        for (std::size_t i = 0; i < entries.size(); ++i)
            std::printf("%s%s\n", books.IsCurrentEntry(static_cast<int>(i)) ? "* " : "  ", Out(entries[i]).c_str());
        return kExitOk;
    }
    if ((verb != "create" && verb != "remove") || rest.size() != 2)
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    const std::string name = platform::Utf8ToSjis(rest[1]);
    if (verb == "remove") {
        const auto removed = books.Remove(books.FindEntry(name), platform::Ask);
        if (!removed.Message().empty())
            PrintMessage(SJ("注意"), removed.Message());
        return removed.result == AddressBooks::Removed::kRemoved ? kExitOk : kExitFailed;
    }

    AddressBooks::NewBook request;
    request.name = name;
    // Nothing is open to be saved; the new book becomes current, as in the window.
    const auto created = books.Create(request, nullptr, platform::Ask);
    if (!created.Message().empty())
        PrintMessage(SJ("注意"), created.Message());
    if (created.result != AddressBooks::Created::kEmpty)
        return kExitFailed;
    context.Settings().ReadSettings(false);
    if (const platform::FileWrite written = context.Settings().WriteSettings(); !written.Ok()) {
        PrintMessage(SJ("注意"), SJ("保存に失敗しました。") + written.Reason());
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace nrt::cli
