// nortea: the desktop program.
#include "app/Application.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/QtMessageHost.h"
#include "app/QuitSignals.h"
#include "platform/MessageHost.h"
#include "qt/OptionHelp.h"
#include "qt/QtText.h"
#include "qt/SingleInstance.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

namespace {

// --help and --version answer before the window system is touched, so they work
// without a display (a terminal over ssh, help2man, a package check). Qt's own
// options (-platform, -style …) are left to QApplication.
bool AnsweredOnTerminal(int argc, char** argv, int& status)
{
    const QCommandLineOption help { { "h", "help" }, "Shows this help." };
    const QCommandLineOption version { "version", "Shows the program's version." };
    QCommandLineParser parser;
    parser.addOptions({ help, version });
    QStringList args;
    for (int a = 0; a < argc; ++a)
        args << QString::fromLocal8Bit(argv[a]);
    static_cast<void>(parser.parse(args)); // unknown options are Qt's
    if (parser.isSet(help)) {
        std::printf("usage: nortea [FILE]\n"
                    "Opens the address book window; FILE, a vCard (.vcf) or CSV file, is imported into the book.\n");
        nrt::gui::PrintOptionHelp({ &help, &version });
        status = 0;
        return true;
    }
    if (parser.isSet(version)) {
        std::printf("nortea %s\n", NRT_VERSION);
        status = 0;
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (int status = 0; AnsweredOnTerminal(argc, argv, status))
        return status;
    QApplication app(argc, argv);
    nrt::gui::SetUpApplication(app);
    nrt::gui::QtMessageHost host;
    nrt::platform::SetMessageHost(&host);

    nrt::gui::SingleInstance lock;
    if (!lock.Acquire()) {
        nrt::platform::Inform(SJ("「ノルテア」は既に起動されています"), SJ("宛ペロ"), nrt::platform::MsgIcon::Warning);
        nrt::platform::SetMessageHost(nullptr);
        return 1;
    }

    nrt::StartupFolders folders;
    folders.programFolder = nrt::gui::FromQ(QApplication::applicationDirPath());
    folders.documentsFolder = nrt::gui::FromQ(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    int result = 0;
    {
        nrt::gui::MainWindow window(folders);
        if (window.Opened()) {
            nrt::gui::QuitSignals quitSignals(&window);
            window.show();
            // A contacts file the desktop opened with the program.
            if (const QStringList args = QApplication::arguments(); args.size() > 1)
                QTimer::singleShot(
                    0, &window, [&window, path = args.at(1)] { nrt::gui::OpenExchangeFile(window, path); });
            result = QApplication::exec();
        } else {
            result = 1;
        }
    }
    nrt::platform::SetMessageHost(nullptr);
    return result;
}
