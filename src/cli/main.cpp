// nortea-cli: the program's jobs from a terminal.
#include "cli/Cli.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
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

void PrintUsage(std::FILE* to)
{
    std::fprintf(to, "usage: nortea-cli [--data DIR] [--user NAME] COMMAND ...\ncommands:\n");
    for (const auto& c : nrt::cli::Commands())
        std::fprintf(to, "  %s\n", c.usage);
}

int Usage()
{
    PrintUsage(stderr);
    return nrt::cli::kExitUsage;
}

// The options before the command name; from the command name on, every argument is the
// command's own. Arguments are read as Latin-1 so that their bytes come back unchanged.
struct GlobalOptions {
    QCommandLineOption data { "data", "The data folder.", "DIR" };
    QCommandLineOption user { "user", "The address book to work on.", "NAME" };
    QCommandLineOption help { { "h", "help" }, "Shows this help." };
    QCommandLineOption version { "version", "Shows the program's version." };
    QCommandLineParser parser;

    GlobalOptions()
    {
        parser.addOptions({ data, user, help, version });
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    }
    bool Parse(int argc, char** argv)
    {
        QStringList args;
        for (int a = 0; a < argc; ++a)
            args << QString::fromLatin1(argv[a]);
        return parser.parse(args);
    }
    std::string Value(const QCommandLineOption& option) const { return parser.value(option).toLatin1().toStdString(); }
    int Help() const
    {
        PrintUsage(stdout);
        std::printf("options:\n");
        for (const QCommandLineOption* o : { &data, &user, &help, &version }) {
            QString names = "--" + o->names().constLast();
            if (o->names().size() > 1)
                names = "-" + o->names().constFirst() + ", " + names;
            if (!o->valueName().isEmpty())
                names += " " + o->valueName();
            std::printf("  %-16s %s\n", qPrintable(names), qPrintable(o->description()));
        }
        return nrt::cli::kExitOk;
    }
};

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
    std::unique_ptr<QCoreApplication> app
        = printing ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    CliMessageHost host;
    nrt::platform::SetMessageHost(&host);

    GlobalOptions options;
    if (!options.Parse(argc, argv))
        return Usage();
    if (options.parser.isSet(options.help))
        return options.Help();
    if (options.parser.isSet(options.version)) {
        std::printf("nortea-cli %s\n", NRT_VERSION);
        return nrt::cli::kExitOk;
    }
    const QStringList positional = options.parser.positionalArguments();
    if (positional.isEmpty())
        return Usage();
    nrt::StartupFolders folders;
    std::string book;
    if (options.parser.isSet(options.data))
        folders.dataFolder = nrt::platform::Utf8ToSjis(options.Value(options.data));
    if (options.parser.isSet(options.user))
        book = nrt::platform::Utf8ToSjis(options.Value(options.user));
    const std::string name = positional.constFirst().toLatin1().toStdString();
    for (const auto& command : nrt::cli::Commands()) {
        if (name != command.name)
            continue;
        nrt::cli::Context context(folders, book);
        if (!context.ok())
            return nrt::cli::kExitFailed;
        std::vector<std::string> rest;
        for (const QString& a : positional.mid(1))
            rest.push_back(a.toLatin1().toStdString());
        nrt::cli::Args args(std::move(rest));
        const int status = context.ExitStatus(command.run(context, args));
        if (status == nrt::cli::kExitUsage)
            std::fprintf(stderr, "usage: nortea-cli %s\n", command.usage);
        nrt::platform::SetMessageHost(nullptr);
        return status;
    }
    return Usage();
}
