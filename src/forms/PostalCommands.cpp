// The postal dictionary's command in the main window's file menu.
#include "app/Commands.h"

#include "app/MainWindow.h"
#include "forms/PostalImportDialog.h"

#include <QAction>
#include <QMenu>

namespace nrt::gui {

void InstallPostalCommands(MainWindow& main)
{
    auto* importAction = new QAction(QStringLiteral("郵便番号データのインポート(&Y)..."), &main);
    importAction->setObjectName(QStringLiteral("mnuFileYubinImport"));
    main.FileMenu()->insertAction(main.FileSection(MainWindow::kFileData), importAction);
    QObject::connect(importAction, &QAction::triggered, &main, [&main] {
        PostalImportDialog dialog(main.Settings(), &main);
        dialog.exec();
        // A new dictionary in the data folder is read from now on.
        main.Settings().RefreshPostalLocation();
    });
}

} // namespace nrt::gui
