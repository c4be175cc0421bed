// nortea-cli: the program's jobs from a terminal.
#include "cli/Cli.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Messages go to standard error as "caption: text"; a question is the user's own
// request, so it is answered Yes and shown with the answer.
class CliMessageHost : public nrt::platform::MessageHost {
public:
    nrt::platform::MsgResult Show(const nrt::platform::MessageRequest& r) override
    {
        using nrt::platform::MsgButtons;
        using nrt::platform::MsgResult;
        if (r.buttons == MsgButtons::YesNo || r.buttons == MsgButtons::YesNoCancel) {
            std::fprintf(stderr, "%s: %s → はい\n", nrt::cli::Out(r.caption).c_str(), nrt::cli::Out(r.text).c_str());
            return MsgResult::Yes;
        }
        nrt::cli::PrintMessage(r.caption, r.text);
        return MsgResult::Ok;
    }
    void Beep() override { }
};

int Usage()
{
    std::fprintf(stderr, "usage: nortea-cli [--data DIR] [--user NAME] COMMAND ...\ncommands:\n");
    for (const auto& c : nrt::cli::Commands())
        std::fprintf(stderr, "  %s\n", c.usage);
    return nrt::cli::kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    // Printing needs fonts, so a GUI application on the offscreen platform; the other
    // commands need only the lock file's runtime folder.
    bool printing = false;
    for (int a = 1; a < argc; ++a)
        printing = printing || std::strcmp(argv[a], "print") == 0;
    if (printing && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = printing ? std::make_unique<QGuiApplication>(argc, argv)
                                                     : std::make_unique<QCoreApplication>(argc, argv);
    CliMessageHost host;
    nrt::platform::SetMessageHost(&host);

    nrt::StartupFolders folders;
    std::string user;
    int i = 1;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            folders.dataFolder = nrt::platform::Utf8ToSjis(argv[++i]);
        } else if (std::strcmp(argv[i], "--user") == 0 && i + 1 < argc) {
            user = nrt::platform::Utf8ToSjis(argv[++i]);
        } else if (argv[i][0] == '-') {
            return Usage();
        } else {
            break;
        }
    }
    if (i >= argc)
        return Usage();
    const std::string name = argv[i];
    for (const auto& command : nrt::cli::Commands()) {
        if (name != command.name)
            continue;
        nrt::cli::Context context(folders, user);
        if (!context.ok())
            return nrt::cli::kExitFailed;
        nrt::cli::Args args(std::vector<std::string>(argv + i + 1, argv + argc));
        const int status = context.ExitStatus(command.run(context, args));
        if (status == nrt::cli::kExitUsage)
            std::fprintf(stderr, "usage: nortea-cli %s\n", command.usage);
        nrt::platform::SetMessageHost(nullptr);
        return status;
    }
    return Usage();
}
