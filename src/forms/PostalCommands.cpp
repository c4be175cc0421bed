// The postal dictionary's command in the main window's file menu.
#include "app/Commands.h"

#include "app/F_main.h"
#include "forms/F_yubininport.h"

#include <QAction>
#include <QMenu>

namespace nrt::gui {

void InstallPostalCommands(TfrmMain& main)
{
    auto* inport = new QAction(QStringLiteral("郵便番号データのインポート(&Y)..."), &main);
    inport->setObjectName(QStringLiteral("mnuFileYubinInport"));
    main.FileMenu()->insertAction(main.FileSection(TfrmMain::kFileData), inport);
    QObject::connect(inport, &QAction::triggered, &main, [&main] {
        TfrmYubinInport dialog(main.Global(), &main);
        dialog.exec();
        // A new dictionary in the data folder is read from now on.
        main.Global().RefreshPostalLocation();
    });
}

} // namespace nrt::gui
