// The record input form, the category lists editor and the options dialog in the main
// window's toolbar and menus.
#include "app/Commands.h"

#include "app/MainListModel.h"
#include "app/MainWindow.h"
#include "forms/AddressBrowser.h"
#include "forms/CategoryEditor.h"
#include "forms/OptionsDialog.h"
#include "forms/RecordEditor.h"

#include <QAction>
#include <QMenu>
#include <QStyle>
#include <QToolBar>

namespace nrt::gui {
namespace {

void OpenInput(MainWindow& main, RecordEditor* input, int editPosition)
{
    if (input->ShowFor(editPosition, main.TabContextForInput())) {
        main.KeepRecord(input->CurrentRecord());
        main.RefreshList();
    }
}

// The record under the list's cursor, or -1 on the new-record row.
int CurrentEditPosition(MainWindow& main)
{
    const int row = main.CurrentRow();
    return row >= 1 && row <= main.Model().RecordRows() ? row - 1 : -1;
}

} // namespace

void InstallInputCommands(MainWindow& main)
{
    auto* input = new RecordEditor(&main);
    // The postal-code search opens the address browser when the code alone does not
    // decide the address.
    input->SetTownPicker([&main](QWidget* parent, const std::string& prefecture, RecordEditor::TownChoice& choice) {
        const std::optional<AddressChoice> chosen
            = AddressBrowser::Browse(main.Settings(), prefecture, parent, choice.code);
        if (!chosen)
            return false;
        choice = { chosen->code, chosen->prefecture, chosen->city, chosen->town };
        return true;
    });
    if (main.Ratio() > 100)
        input->ApplyRatio(main.Ratio());

    // New and edit lead the toolbar.
    QToolBar* bar = main.ToolBar();
    QAction* first = bar->actions().value(0);
    const QStyle* st = main.style();
    auto* add = new QAction(st->standardIcon(QStyle::SP_FileIcon), QStringLiteral("新規登録"), bar);
    add->setObjectName(QStringLiteral("tcmd_New"));
    auto* edit = new QAction(st->standardIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("編集"), bar);
    edit->setObjectName(QStringLiteral("tcmd_Edit"));
    bar->insertAction(first, add);
    bar->insertAction(first, edit);
    bar->insertSeparator(first);
    QObject::connect(add, &QAction::triggered, &main, [&main, input] { OpenInput(main, input, -1); });
    QObject::connect(
        edit, &QAction::triggered, &main, [&main, input] { OpenInput(main, input, CurrentEditPosition(main)); });
    QObject::connect(
        &main, &MainWindow::EditRequested, input, [&main, input](int position) { OpenInput(main, input, position); });

    // The same two at the top of the edit menu, with their keys.
    QMenu* editMenu = main.EditMenu();
    QAction* firstEdit = editMenu->actions().value(0);
    auto* addItem = new QAction(QStringLiteral("新規登録(&N)..."), editMenu);
    addItem->setObjectName(QStringLiteral("mnuEditNew"));
    addItem->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_N), QKeySequence(Qt::Key_Insert) });
    auto* editItem = new QAction(QStringLiteral("編集(&E)..."), editMenu);
    editItem->setObjectName(QStringLiteral("mnuEditEdit"));
    editItem->setShortcut(QKeySequence(Qt::Key_F2));
    editMenu->insertAction(firstEdit, addItem);
    editMenu->insertAction(firstEdit, editItem);
    editMenu->insertSeparator(firstEdit);
    QObject::connect(addItem, &QAction::triggered, add, &QAction::trigger);
    QObject::connect(editItem, &QAction::triggered, edit, &QAction::trigger);
    QObject::connect(&main, &MainWindow::RatioChanged, input, &RecordEditor::ApplyRatio);
    QObject::connect(&main, &MainWindow::BookChanged, input, [input] { input->ReloadLists(); });

    QMenu* settings = main.SettingsMenu();
    settings->addSeparator();
    QAction* major = settings->addAction(QStringLiteral("大分類の編集(&D)..."));
    major->setObjectName(QStringLiteral("N5"));
    QObject::connect(
        major, &QAction::triggered, &main, [&main, input] { EditCategoryList(main, input, CategoryEditor::kMajor); });
    QAction* minor = settings->addAction(QStringLiteral("小分類の編集(&S)..."));
    minor->setObjectName(QStringLiteral("N6"));
    QObject::connect(
        minor, &QAction::triggered, &main, [&main, input] { EditCategoryList(main, input, CategoryEditor::kMinor); });
    settings->addSeparator();
    QAction* options = settings->addAction(QStringLiteral("オプション(&O)..."));
    options->setObjectName(QStringLiteral("mnuOptionPublic"));
    QObject::connect(options, &QAction::triggered, &main, [&main] { ShowOptions(main, OptionsDialog::kPageGeneral); });
}

} // namespace nrt::gui
