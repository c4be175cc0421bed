// The main window's commands for CSV import and export, users, backup and restore,
// and the About box.
#include "app/Commands.h"
#include "app/FileDialogs.h"
#include "qt/WaitCursor.h"

#include "app/MainWindow.h"
#include "app/MenuAction.h"
#include "books/AddressBooks.h"
#include "books/BackupSets.h"
#include "exchange/VCardExport.h"
#include "exchange/VCardImport.h"
#include "forms/AboutDialog.h"
#include "forms/AddressBookDialog.h"
#include "forms/BackupDialog.h"
#include "forms/CsvExportDialog.h"
#include "forms/CsvImportDialog.h"
#include "forms/ImportWatch.h"
#include "forms/NewAddressBookDialog.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "qt/QtText.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTimer>

namespace nrt::gui {
namespace {

// The list's column widths and the window's rectangle into the settings, as closing
// stores them, before the settings are written for a book switch or a backup.
void StoreListLayout(MainWindow& main)
{
    AppSettings& settings = main.Settings();
    const int columns = main.Grid()->model() ? main.Grid()->model()->columnCount() : 0;
    for (int i = 0; i < settings.DisplayColumnCount() && i + 1 < columns; ++i)
        settings.SetDisplayColumnWidth(i, main.Grid()->columnWidth(i + 1));
    const QRect r = main.normalGeometry();
    settings.SaveFormRect(AppSettings::kFormMain, r.left(), r.top(), r.width(), r.height());
}

// "mnuFileNew", and "mnuFileBackRecover" (copyMode): a new book, empty or restored.
void CreateBook(MainWindow& main, bool copyMode)
{
    StoreListLayout(main);
    const std::string previous = main.Settings().BookName();
    NewAddressBookDialog dialog(main, copyMode);
    if (dialog.exec() != QDialog::Accepted)
        return;
    AddressBooks books(main.Settings());
    if (dialog.Result() == AddressBooks::Created::kFromCopy) {
        BackupDialog copy(
            main.Settings(), BackupDialog::kCopy, dialog.CopySource(), main.Settings().BookFile({}), &main);
        copy.exec();
        if (!copy.Succeeded()) {
            // The set did not arrive whole: no new book, the open one stays.
            books.AbandonRestore(previous);
            main.AfterBookChange();
            return;
        }
        CursorWatch<AddressBooks::Observer> wait;
        // The restored book stays current either way; a failure is only told.
        if (const AddressBooks::Refusal trouble = books.FinishRestore(main.Table(), &wait);
            trouble != AddressBooks::Refusal::kNone)
            platform::Warn(AddressBooks::RefusalText(trouble));
    } else {
        books.StartEmpty(main.Table());
    }
    main.AfterBookChange();
}

// "mnuFileRead".
void OpenBook(MainWindow& main)
{
    StoreListLayout(main);
    AddressBookDialog dialog(main);
    dialog.exec();
}

// "mnuFileBackBak".
void BackUpNow(MainWindow& main)
{
    AppSettings& settings = main.Settings();
    if (const BackupSets::Done enabled = BackupSets::CheckEnabled(settings); !enabled.ok) {
        platform::Warn(enabled.message);
        return;
    }
    StoreListLayout(main);
    if (const BackupSets::Done saved = BackupSets::SaveBeforeBackup(settings, main.Table()); !saved.ok) {
        platform::Warn(saved.message);
        return;
    }
    BackupDialog dialog(settings, BackupDialog::kAsk, settings.BookFile({}), settings.GetFolderBackupPath(), &main);
    dialog.exec();
}

// The periodic backup, offered when the main window first shows.
void OfferBackup(MainWindow& main)
{
    AppSettings& settings = main.Settings();
    if (!BackupSets::OfferDue(settings))
        return;
    BackupDialog dialog(settings, BackupDialog::kAsk, settings.BookFile({}), settings.GetFolderBackupPath(), &main);
    dialog.exec();
}

// The folder the vCard commands open in: the last one used, else the documents folder.
QString VCardFolder(MainWindow& main)
{
    return DialogStartFolder({}, ToQ(main.Settings().DocumentsFile({})));
}

void ImportVCardFile(MainWindow& main, const QString& path)
{
    VCardImport import(main.Settings(), main.Table());
    ImportWatch watch(&main, main);
    // Every outcome has shown its message, and a successful one refreshed the list
    // through the watch: there is nothing left to do here.
    static_cast<void>(import.Run(FromQ(path), &watch));
}

// "mnu_VCardImport": the cards of a file as addressees.
void ImportVCard(MainWindow& main)
{
    const QString path = QFileDialog::getOpenFileName(&main, QStringLiteral("インポートするvCardファイル"),
        VCardFolder(main), QStringLiteral("vCardファイル(*.vcf *.VCF *.vcard)"));
    if (path.isEmpty())
        return;
    RememberChosenFile(path);
    ImportVCardFile(main, path);
}

// "mnu_VCardExport": the list as shown, as vCard 4.0.
void ExportVCard(MainWindow& main)
{
    QFileDialog dialog(
        &main, QStringLiteral("vCardエクスポート"), VCardFolder(main), QStringLiteral("vCardファイル(*.vcf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("vcf"));
    // The export asks itself before it replaces a file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    RememberChosenFile(dialog.selectedFiles().constFirst());
    VCardExport out;
    // The UIDs given to records go into the book at once.
    const VCardExport::Outcome outcome
        = out.Run(FromQ(dialog.selectedFiles().constFirst()), main.Records(), [&main] { return main.SaveBook(); });
    if (outcome.result == VCardExport::Result::kExported)
        platform::Inform(outcome.message, SJ("住所録"));
    else if (!outcome.message.empty())
        platform::Warn(outcome.message);
}

} // namespace

void OpenExchangeFile(MainWindow& main, const QString& path)
{
    if (path.endsWith(QStringLiteral(".vcf"), Qt::CaseInsensitive)
        || path.endsWith(QStringLiteral(".vcard"), Qt::CaseInsensitive)) {
        ImportVCardFile(main, path);
        return;
    }
    CsvImportDialog dialog(main);
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("txt_Path")))
        name->setText(path);
    dialog.exec();
}

void InstallExchangeCommands(MainWindow& main)
{
    QMenu* file = main.FileMenu();
    QAction* booksSection = main.FileSection(MainWindow::kFileBooks);
    file->insertAction(booksSection,
        MakeAction(main, "mnuFileNew", QStringLiteral("新規ユーザー作成(&N)..."),
            [](MainWindow& m) { CreateBook(m, false); }));
    file->insertAction(
        booksSection, MakeAction(main, "mnuFileRead", QStringLiteral("ユーザーを開く(&R)..."), OpenBook));
    auto* backups = new QMenu(QStringLiteral("ユーザーバックアップ(&B)"), file);
    backups->setObjectName(QStringLiteral("mnuFileBack"));
    backups->addAction(MakeAction(main, "mnuFileBackBak", QStringLiteral("バックアップ(&B)..."), BackUpNow));
    QAction* restore = MakeAction(
        main, "mnuFileBackRecover", QStringLiteral("リストア(&R)..."), [](MainWindow& m) { CreateBook(m, true); });
    restore->setData(1);
    backups->addAction(restore);
    file->insertMenu(booksSection, backups);

    QAction* data = main.FileSection(MainWindow::kFileData);
    file->insertAction(data, MakeAction(main, "mnu_Import", QStringLiteral("CSVインポート(&I)..."), [](MainWindow& m) {
        CsvImportDialog dialog(m);
        dialog.exec();
    }));
    file->insertAction(
        data, MakeAction(main, "mnu_Export", QStringLiteral("CSVエクスポート(&E)..."), [](MainWindow& m) {
            CsvExportDialog dialog(m);
            dialog.exec();
        }));
    file->insertAction(
        data, MakeAction(main, "mnu_VCardImport", QStringLiteral("vCardインポート(&T)..."), ImportVCard));
    file->insertAction(
        data, MakeAction(main, "mnu_VCardExport", QStringLiteral("vCardエクスポート(&C)..."), ExportVCard));

    main.HelpMenu()->addSeparator();
    main.HelpMenu()->addAction(
        MakeAction(main, "mnuHelpAbout", QStringLiteral("バージョン情報(&A)..."), [](MainWindow& m) {
            AboutDialog dialog(m.Settings(), &m);
            dialog.exec();
        }));

    // After the first show has finished, so that the offer sits over a visible window.
    QObject::connect(&main, &MainWindow::FirstShown, &main,
        [&main] { QTimer::singleShot(0, &main, [&main] { OfferBackup(main); }); });
}

} // namespace nrt::gui
