// nortea: the desktop program.
#include "app/Application.h"
#include "app/F_main.h"
#include "app/QtMessageHost.h"
#include "app/QtText.h"
#include "app/SingleInstance.h"
#include "platform/MessageHost.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

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
        nrt::gui::TfrmMain window(folders);
        window.show();
        result = QApplication::exec();
    }
    nrt::platform::SetMessageHost(nullptr);
    return result;
}
