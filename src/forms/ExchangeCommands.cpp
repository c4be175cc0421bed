// The main window's commands for CSV import and export, users, backup and restore,
// and the About box.
#include "app/Commands.h"
#include "app/WaitCursor.h"

#include "app/F_main.h"
#include "forms/F_about.h"
#include "forms/F_databack.h"
#include "forms/F_export.h"
#include "forms/F_inport.h"
#include "forms/F_new.h"
#include "forms/F_userselect.h"
#include "users/CMyBackup.h"
#include "users/CMyUsers.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QMenu>
#include <QTableView>
#include <QTimer>

namespace nrt::gui {
namespace {

// The list's column widths and the window's rectangle into the settings, as closing
// stores them, before the settings are written for a user switch or a backup.
void StoreListLayout(TfrmMain& main)
{
    CMyGlobal& g = main.Global();
    const int columns = main.Grid()->model() ? main.Grid()->model()->columnCount() : 0;
    for (int i = 0; i < g.DisplayColumnCount() && i + 1 < columns; ++i)
        g.SetDisplayColumnWidth(i, main.Grid()->columnWidth(i + 1));
    const QRect r = main.normalGeometry();
    g.SaveFormRect(CMyGlobal::kFormMain, r.left(), r.top(), r.width(), r.height());
}

// mnuFileNew, and mnuFileBackRecaver (copyMode): a new user, empty or restored.
void CreateUser(TfrmMain& main, bool copyMode)
{
    StoreListLayout(main);
    TfrmNew dialog(main, copyMode);
    if (dialog.exec() != QDialog::Accepted)
        return;
    CMyUsers users(main.Global());
    if (dialog.Result() == CMyUsers::kCreatedFromCopy) {
        TfrmDataBack copy(main.Global(), TfrmDataBack::kCopy, dialog.CopySource(), main.Global().UserFile({}), &main);
        copy.exec();
        CursorWatch<CMyUsers::Observer> wait;
        users.FinishRestore(main.Table(), &wait);
    } else {
        users.StartEmpty(main.Table());
    }
    main.AfterUserChange();
}

// mnuFileRead.
void OpenUser(TfrmMain& main)
{
    StoreListLayout(main);
    TfrmUserSelect dialog(main);
    dialog.exec();
}

// mnuFileBackBak.
void BackUpNow(TfrmMain& main)
{
    CMyGlobal& g = main.Global();
    if (!CMyBackup::CheckEnabled(g))
        return;
    StoreListLayout(main);
    if (!CMyBackup::SaveBeforeBackup(g, main.Table()))
        return;
    TfrmDataBack dialog(g, TfrmDataBack::kAsk, g.UserFile({}), g.GetHBackPath(), &main);
    dialog.exec();
}

// The periodic backup, offered when the main window first shows.
void OfferBackup(TfrmMain& main)
{
    CMyGlobal& g = main.Global();
    if (!CMyBackup::OfferDue(g))
        return;
    TfrmDataBack dialog(g, TfrmDataBack::kAsk, g.UserFile({}), g.GetHBackPath(), &main);
    dialog.exec();
}

template <typename Handler>
QAction* MakeAction(TfrmMain& main, const char* name, const QString& caption, Handler handler)
{
    auto* action = new QAction(caption, &main);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, &main, [&main, handler] { handler(main); });
    return action;
}

} // namespace

void InstallExchangeCommands(TfrmMain& main)
{
    QMenu* file = main.FileMenu();
    QAction* users = main.FileSection(TfrmMain::kFileUsers);
    file->insertAction(users,
        MakeAction(
            main, "mnuFileNew", QStringLiteral("新規ユーザー作成(&N)..."), [](TfrmMain& m) { CreateUser(m, false); }));
    file->insertAction(users, MakeAction(main, "mnuFileRead", QStringLiteral("ユーザーを開く(&R)..."), OpenUser));
    auto* backups = new QMenu(QStringLiteral("ユーザーバックアップ(&B)"), file);
    backups->setObjectName(QStringLiteral("mnuFileBack"));
    backups->addAction(MakeAction(main, "mnuFileBackBak", QStringLiteral("バックアップ(&B)..."), BackUpNow));
    QAction* restore = MakeAction(
        main, "mnuFileBackRecaver", QStringLiteral("リストア(&R)..."), [](TfrmMain& m) { CreateUser(m, true); });
    restore->setData(1);
    backups->addAction(restore);
    file->insertMenu(users, backups);

    QAction* data = main.FileSection(TfrmMain::kFileData);
    file->insertAction(data, MakeAction(main, "mnu_Inport", QStringLiteral("CSVインポート(&I)..."), [](TfrmMain& m) {
        TfrmInport dialog(m);
        dialog.exec();
    }));
    file->insertAction(data, MakeAction(main, "mnu_Export", QStringLiteral("CSVエクスポート(&E)..."), [](TfrmMain& m) {
        TfrmExport dialog(m);
        dialog.exec();
    }));

    main.HelpMenu()->addSeparator();
    main.HelpMenu()->addAction(
        MakeAction(main, "mnuHelpAbout", QStringLiteral("バージョン情報(&A)..."), [](TfrmMain& m) {
            TfrmAbout dialog(m.Global(), &m);
            dialog.exec();
        }));

    // After the first show has finished, so that the offer sits over a visible window.
    QObject::connect(
        &main, &TfrmMain::FirstShown, &main, [&main] { QTimer::singleShot(0, &main, [&main] { OfferBackup(main); }); });
}

} // namespace nrt::gui
