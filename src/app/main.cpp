// nortea: the desktop program.
#include "app/Application.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/QtMessageHost.h"
#include "app/QuitSignals.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"
#include "qt/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

int main(int argc, char** argv)
{
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
