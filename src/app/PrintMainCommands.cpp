// The printing commands of the main window: print and preview of the print condition,
// the layout editor, a new print form, and the address list.
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "print/qt/PrintCommands.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QStyle>
#include <QToolBar>

#include <memory>

namespace nrt::gui {
namespace {

// Keeps the printer binding and the renderer as long as the main window lives.
class PrintCommandsHolder : public QObject {
public:
    PrintCommandsHolder(MainWindow& main)
        : QObject(&main)
        , commands(std::make_unique<print::PrintCommands>(main.Settings(), main.Table(), &main))
    {
    }
    std::unique_ptr<print::PrintCommands> commands;
};

} // namespace

void InstallPrintCommands(MainWindow& main)
{
    auto* holder = new PrintCommandsHolder(main);
    print::PrintCommands* commands = holder->commands.get();
    MainWindow* window = &main;
    auto senders = [window] { return window->TabContextForInput() == -1; };
    auto print = [window, commands, senders] {
        if (commands->Print(window->PrintCondition(), window->SortOrder(), senders()))
            window->RefreshList();
    };
    auto preview = [window, commands, senders] {
        if (commands->Preview(window->PrintCondition(), window->SortOrder(), senders()))
            window->RefreshList();
    };

    QMenu* file = main.FileMenu();
    QAction* section = main.FileSection(MainWindow::kFilePrint);
    auto add = [&](const char* name, const QString& caption, auto slot) {
        auto* a = new QAction(caption, &main);
        a->setObjectName(QString::fromLatin1(name));
        QObject::connect(a, &QAction::triggered, &main, slot);
        file->insertAction(section, a);
        return a;
    };
    add("mnuPrint", QStringLiteral("宛名印刷(&P)..."), print)->setShortcut(QKeySequence::Print);
    add("mnuPreview", QStringLiteral("印刷プレビュー(&V)..."), preview);
    add("mnuPreSet", QStringLiteral("印字設定(&S)..."), [commands] { commands->EditLayouts(); });
    add("mnuNewPrn", QStringLiteral("新しい印刷フォーム(&F)..."), [commands] { commands->NewForm(); });
    add("mnuFilePrint", QStringLiteral("一覧の印刷(&L)..."),
        [window, commands] { commands->PrintList(window->Records()); });

    QToolBar* bar = main.ToolBar();
    QAction* before = bar->actions().isEmpty() ? nullptr : bar->actions().constLast();
    const QStyle* st = main.style();
    auto tool = [&](const char* name, const QString& caption, QStyle::StandardPixmap icon, auto slot) {
        auto* a = new QAction(st->standardIcon(icon), caption, &main);
        a->setObjectName(QString::fromLatin1(name));
        QObject::connect(a, &QAction::triggered, &main, slot);
        bar->insertAction(before, a); // before 終了
    };
    tool("tcmd_Print", QStringLiteral("印刷"), QStyle::SP_DialogSaveButton, print);
    tool("tcmd_Preview", QStringLiteral("プレビュー"), QStyle::SP_FileDialogDetailedView, preview);
    tool("tcmd_PreSet", QStringLiteral("印字設定"), QStyle::SP_FileDialogContentsView,
        [commands] { commands->EditLayouts(); });
}

} // namespace nrt::gui
