// The program by keyboard alone: the main flows driven with key events only; every
// window reached from the main window's menus walked for its access keys and for
// English left on screen.
#include "BookFixture.h"
#include "GuiTestSupport.h"

#include "app/FileDialogs.h"
#include "app/MenuKeys.h"
#include "app/QtMessageHost.h"
#include "qt/QtText.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <vector>

namespace nrt::test {
namespace {

std::string Str(const QString& s)
{
    return s.toStdString();
}

// The widget the keyboard reaches now: an open menu, else the focused control, else
// the active window.
QWidget* KeyboardTarget()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget* focus = QApplication::focusWidget())
        return focus;
    return QApplication::activeWindow();
}

void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = KeyboardTarget();
    ASSERT_NE(target, nullptr) << "nothing has the keyboard for "
                               << QKeySequence(key | modifiers).toString().toStdString();
    QTest::keyClick(target, key, modifiers);
}

void CloseWindow(QWidget* w)
{
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->reject();
    else
        w->close();
}

// Tab until the button has the keyboard, then Return on it.
void PressByKeyboard(QWidget* window, const char* button)
{
    QWidget* target = Control<QWidget>(window, button);
    for (int i = 0; i < 40 && !target->hasFocus(); ++i)
        Key(Qt::Key_Tab);
    ASSERT_TRUE(target->hasFocus()) << button;
    Key(Qt::Key_Return);
}

// Text typed into the focused control, one key event per character.
void Type(const QString& text)
{
    QWidget* target = KeyboardTarget();
    ASSERT_NE(target, nullptr);
    TypeText(target, text);
}

// True once `window` is active and one of its controls has the keyboard, as a user
// sees before typing.
bool WaitForKeyboard(QWidget* window)
{
    if (!QTest::qWaitForWindowActive(window))
        return false;
    // A window without controls that take the keyboard (the preview) has it itself.
    const auto controls = window->findChildren<QWidget*>();
    const bool focusable = std::any_of(controls.begin(), controls.end(),
        [](const QWidget* w) { return w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus); });
    for (int i = 0; focusable && i < 100 && !window->isAncestorOf(QApplication::focusWidget()); ++i)
        QTest::qWait(10);
    return !focusable || window->isAncestorOf(QApplication::focusWidget());
}

// Calls `inside` with each modal window that comes up while `run` runs (once for each);
// windows opened one after another, or from inside another, are all found. A window
// left open for five seconds fails the test and is closed.
void WithEachModal(const std::function<void(QWidget*)>& inside, const std::function<void()>& run)
{
    QSet<QWidget*> seen;
    QWidget* last = nullptr;
    QElapsedTimer since;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (modal != last) {
            last = modal;
            since.start();
        } else if (since.elapsed() > 5000) {
            ADD_FAILURE() << "left open: " << modal->objectName().toStdString();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
            return;
        }
        if (seen.contains(modal))
            return;
        seen.insert(modal);
        // The keys go where a user's would: into the window once it is active.
        EXPECT_TRUE(WaitForKeyboard(modal)) << modal->objectName().toStdString();
        inside(modal);
    });
    poll.start();
    run();
    poll.stop();
    // As a window manager does: the keyboard back to the main window.
    if (!QApplication::activeWindow())
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMainWindow*>(w) && w->isVisible()) {
                w->activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(w));
            }
}

// ---- the main flows ------------------------------------------------------------

class Keyboard : public BookFixture {
protected:
    void OpenBook()
    {
        WriteTable({ { { { "宛名区分", "0" }, { "印字区分", "1" }, { "名前", "青木 一郎" }, { "カナ", "ｱｵｷ ｲﾁﾛｳ" },
            { "郵便番号", "100-0005" }, { "住所１", "千代田区丸の内１－１－１" } } } });
        Open();
        main->show();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        ASSERT_TRUE(Control<QTableView>(main, "griMain")->hasFocus()) << "the list takes the keyboard at start";
    }
    int Records() const { return main->Table().GetRecordCount(); }
    std::string Name(int k) const { return Value(k, "名前"); }
};

TEST_F(Keyboard, ANewRecordFromTheMenuKeysAndFromTheNewRecordRow)
{
    OpenBook();
    // Ctrl+N, Insert and Return on the "(新規)" row each open an empty form.
    struct Way {
        const char* what;
        std::function<void()> press;
        const char* name;
    } ways[] = {
        { "Ctrl+N", [] { Key(Qt::Key_N, Qt::ControlModifier); }, "山田 花子" },
        { "Insert", [] { Key(Qt::Key_Insert); }, "川口 次郎" },
        { "Return on (新規)",
            [] {
                Key(Qt::Key_End, Qt::ControlModifier);
                Key(Qt::Key_Return);
            },
            "海野 三郎" },
    };
    for (const Way& way : ways) {
        const int before = Records();
        bool shown = false;
        WithEachModal(
            [&](QWidget* form) {
                shown = form->objectName() == QStringLiteral("frmInput");
                EXPECT_TRUE(Control<QLineEdit>(form, "txt_Name")->hasFocus())
                    << way.what << " "
                    << (QApplication::focusWidget() ? Str(QApplication::focusWidget()->objectName()) : "-");
                EXPECT_TRUE(Control<QLineEdit>(form, "txt_Name")->text().isEmpty()) << way.what;
                Type(QString::fromUtf8(way.name));
                Key(Qt::Key_Return); // on to the reading below the name
                EXPECT_TRUE(Control<QLineEdit>(form, "txt_Kana")->hasFocus()) << way.what;
                Key(Qt::Key_I, Qt::AltModifier); // 登録(&I)
            },
            way.press);
        EXPECT_TRUE(shown) << way.what;
        ASSERT_EQ(Records(), before + 1) << way.what;
        EXPECT_EQ(Name(Records() - 1), way.name) << way.what;
        EXPECT_EQ(U(main->Table().GetValueByName(S("宛名区分"), Records() - 1)), "0");
    }
}

TEST_F(Keyboard, EditSearchPreviewAndImportWithoutTheMouse)
{
    OpenBook();

    // Edit: F2 on the record, the name replaced, Return on the focused 登録 button.
    Key(Qt::Key_Home, Qt::ControlModifier);
    WithEachModal(
        [&](QWidget* form) {
            EXPECT_EQ(Control<QLineEdit>(form, "txt_Name")->text(), QStringLiteral("青木 一郎"));
            Key(Qt::Key_A, Qt::ControlModifier);
            Type(QStringLiteral("青木 一朗"));
            // Tab follows the screen: the reading below the name, then the column beside.
            std::vector<std::string> stops;
            for (int i = 0; i < 4; ++i) {
                Key(Qt::Key_Tab);
                stops.push_back(Str(QApplication::focusWidget()->objectName()));
            }
            EXPECT_EQ(stops, (std::vector<std::string> { "txt_Kana", "cbo_Keisyou", "cbo_Seibetu", "cmd_Extras" }));
            for (int i = 0; i < 40 && !Control<QWidget>(form, "cmd_Input")->hasFocus(); ++i)
                Key(Qt::Key_Tab);
            ASSERT_TRUE(Control<QWidget>(form, "cmd_Input")->hasFocus());
            Key(Qt::Key_Return);
            EXPECT_FALSE(form->isVisible()) << "Return on 登録 registered and closed the form";
        },
        [] { Key(Qt::Key_F2); });
    EXPECT_EQ(Name(0), "青木 一朗");

    // Search: F3, the text, Return moves on to 下へ検索 … Alt+D searches down.
    ASSERT_EQ(Records(), 1);
    main->Table().ClearCurrent();
    ASSERT_EQ(main->Table().SetValueByName(S("名前"), S("佐藤 二郎")), RecordError::kNone);
    ASSERT_EQ(main->Table().SetValueByName(S("カナ"), S("ｻﾄｳ ｼﾞﾛｳ")), RecordError::kNone);
    ASSERT_EQ(main->Table().SetValueByName(S("宛名区分"), "0"), RecordError::kNone);
    ASSERT_EQ(main->Table().PostRecord(), RecordError::kNone);
    main->RefreshList();
    Key(Qt::Key_Home, Qt::ControlModifier);
    Key(Qt::Key_F3);
    auto* search = main->findChild<QDialog*>(QStringLiteral("frmSearch"));
    ASSERT_NE(search, nullptr);
    ASSERT_TRUE(WaitForKeyboard(search));
    Type(QStringLiteral("佐藤"));
    EXPECT_EQ(Str(Control<QLineEdit>(search, "txt_Data")->text()), "佐藤");
    PressByKeyboard(search, "cmd_DownFind");
    EXPECT_EQ(Name(main->Records().GetRowRecord(main->CurrentRow() - 1)), "佐藤 二郎")
        << Str(search->windowTitle()) << " beeps " << host.beeps << " row " << main->CurrentRow();
    Key(Qt::Key_Escape);
    EXPECT_FALSE(search->isVisible());
    main->activateWindow(); // as the window manager does
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));

    // Print preview: Alt+F, V; Return on the form list chooses; Escape closes. The
    // address check offered before New Year's cards is declined.
    host.Answer(platform::MsgResult::No);
    std::vector<std::string> windows;
    std::string page;
    WithEachModal(
        [&](QWidget* w) {
            windows.push_back(Str(w->objectName()));
            if (w->objectName() == QStringLiteral("frmPrnSelect")) {
                Key(Qt::Key_Return);
            } else if (w->objectName() == QStringLiteral("frmPreview")) {
                page = Str(Control<QLabel>(w, "panelPage")->text());
                Key(Qt::Key_Escape);
            }
        },
        [] {
            Key(Qt::Key_F, Qt::AltModifier);
            Key(Qt::Key_V);
        });
    EXPECT_EQ(windows, (std::vector<std::string> { "frmPrnSelect", "frmPreview" }));
    EXPECT_EQ(page, "ページ：  1 /   1");

    // Import: Alt+F, I; the file's name typed; Alt+I imports, Alt+C closes.
    const std::string csv = dir.Path() + "/import.csv";
    WriteAll(csv, S("名前,カナ,郵便番号\r\n伊藤 三郎,ｲﾄｳ ｻﾌﾞﾛｳ,100-0001\r\n"));
    host.Answer(platform::MsgResult::Yes);
    WithEachModal(
        [&](QWidget* w) {
            ASSERT_EQ(w->objectName(), QStringLiteral("frmImport"));
            Key(Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(KeyboardTarget(), QString::fromStdString(csv));
            PressByKeyboard(w, "cmd_Import");
            PressByKeyboard(w, "cmd_Close");
            EXPECT_FALSE(w->isVisible());
        },
        [] {
            Key(Qt::Key_F, Qt::AltModifier);
            Key(Qt::Key_I);
        });
    ASSERT_EQ(Records(), 3);
    EXPECT_EQ(Name(2), "伊藤 三郎");
}

// The category editor takes a list typed in one go: Enter registers each name and the
// next one typed goes into the box again.
TEST_F(Keyboard, CategoryNamesTypedOneAfterAnother)
{
    OpenBook();
    std::vector<std::string> items;
    WithEachModal(
        [&](QWidget* editor) {
            ASSERT_EQ(editor->objectName(), QStringLiteral("frmMaster"));
            for (const char* name : { "会社", "学校", "近所" }) {
                Type(QString::fromUtf8(name));
                Key(Qt::Key_Return);
                EXPECT_TRUE(Control<QLineEdit>(editor, "txt_Data")->hasFocus()) << name;
                EXPECT_TRUE(Control<QLineEdit>(editor, "txt_Data")->text().isEmpty()) << name;
            }
            auto* list = Control<QListWidget>(editor, "lst_List");
            for (int i = 0; i < list->count(); ++i)
                items.push_back(Str(list->item(i)->text()));
            Key(Qt::Key_Escape);
        },
        [] {
            Key(Qt::Key_O, Qt::AltModifier); // 設定(&O)
            Key(Qt::Key_D); // 大分類の編集(&D)
        });
    EXPECT_EQ(items, (std::vector<std::string> { "会社", "学校", "近所" }));
    EXPECT_EQ(Str(Control<QTabBar>(main, "tag_Main")->tabText(1)), "会社");
}

// Messages open over the window in use: a modal one first, else the main window.
TEST_F(Keyboard, MessagesBelongToTheirWindow)
{
    OpenBook();
    EXPECT_EQ(gui::MessageParent(), main.get());
    QWidget* inside = nullptr;
    WithEachModal(
        [&](QWidget* w) {
            inside = gui::MessageParent();
            EXPECT_EQ(inside, w);
            CloseWindow(w);
        },
        [] { Key(Qt::Key_N, Qt::ControlModifier); });
    EXPECT_NE(inside, nullptr);
}

// File dialogs open where the user last chose a file, else in the folder the window
// names, never in one that is not there (its name would stand in the file name box).
TEST(FileDialogFolders, LastChosenThenNamedThenHome)
{
    TempDir d;
    const QString there = QString::fromStdString(d.Path());
    const QString missing = there + QStringLiteral("/Documents");
    EXPECT_EQ(gui::DialogStartFolder(missing), QDir::homePath());
    EXPECT_EQ(gui::DialogStartFolder({}, missing), QDir::homePath());
    EXPECT_EQ(gui::DialogStartFolder(missing, there), there);
    QDir(there).mkdir(QStringLiteral("csv"));
    gui::RememberChosenFile(there + QStringLiteral("/csv/住所.csv"));
    EXPECT_EQ(gui::DialogStartFolder(missing, there), there + QStringLiteral("/csv"));
    EXPECT_EQ(gui::DialogStartFolder(there), there) << "a folder the window holds comes first";
}

// ---- every window ----------------------------------------------------------------

// Captions and labels that are English on purpose: names of formats and protocols.
const std::set<std::string> kAllowedAscii
    = { "OK", "Ok", "PDF", "CSV", "vCard", "SMTP", "SSL/TLS", "STARTTLS", "CRAM-MD5", "LOGIN", "PLAIN", "POP", "UTF-8",
          "Shift-JIS", "Shift_JIS", "ISO-2022-JP", "ID", "URL", "HP", "E-mail", "Email", "Emoji" };

// A caption without its access key, ellipsis and spacing.
QString Plain(QString s)
{
    s.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    s.remove(QLatin1Char('&'));
    s.remove(QStringLiteral("..."));
    return s.trimmed();
}

// True for a text that shows only English words: ASCII letters and nothing Japanese.
bool English(const QString& text)
{
    const QString s = Plain(text);
    bool letter = false;
    for (QChar c : s) {
        if (c.unicode() > 0x7f)
            return false;
        letter = letter || c.isLetter();
    }
    return letter && !kAllowedAscii.contains(Str(s));
}

struct Findings {
    std::vector<std::string> english;
    std::vector<std::string> keys;
};

// The access keys of one menu (or menu bar): each item has one, none twice.
void CheckMenuKeys(const QString& where, const QList<QAction*>& actions, Findings& out)
{
    std::map<QChar, QString> taken;
    for (const QAction* a : actions) {
        if (a->isSeparator())
            continue;
        const QChar key = gui::AccessKey(a->text());
        if (key.isNull()) {
            out.keys.push_back(Str(where + ": no access key: " + a->text()));
            continue;
        }
        const auto [at, fresh] = taken.emplace(key, a->text());
        if (!fresh)
            out.keys.push_back(Str(where + ": " + key + " twice: " + at->second + " / " + a->text()));
    }
}

void WalkMenu(const QString& where, QMenu* menu, Findings& out)
{
    CheckMenuKeys(where + " > " + Plain(menu->title()), menu->actions(), out);
    for (QAction* a : menu->actions())
        if (a->isVisible() && English(a->text()))
            out.english.push_back(Str(where + " menu: " + a->text()));
}

// One window: its menus, the access keys of its visible controls, and English shown.
void Walk(QWidget* window, Findings& out)
{
    const QString where = window->objectName().isEmpty() ? QString::fromLatin1(window->metaObject()->className())
                                                         : window->objectName();
    if (English(window->windowTitle()))
        out.english.push_back(Str(where + " title: " + window->windowTitle()));
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        CheckMenuKeys(where + " menu bar", bar->actions(), out);
    // The menus of the bar, their submenus and the pop-up menus alike.
    for (QMenu* menu : window->findChildren<QMenu*>())
        WalkMenu(where, menu, out);

    std::map<QChar, QString> keys;
    auto visibleText = [&](QWidget* w, const QString& text) {
        if (text.isEmpty() || !w->isVisibleTo(window))
            return;
        if (English(text))
            out.english.push_back(
                Str(where + " " + w->metaObject()->className() + " " + w->objectName() + ": " + text));
        const QChar key = gui::AccessKey(text);
        if (key.isNull() || qobject_cast<QMenu*>(w->window()) || w->window() != window)
            return;
        const auto [at, fresh] = keys.emplace(key, text);
        if (!fresh)
            out.keys.push_back(Str(where + ": " + key + " twice: " + at->second + " / " + text));
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w))
            visibleText(w, label->textFormat() == Qt::RichText ? QString() : label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            visibleText(w, button->text());
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            visibleText(w, group->title());
        else if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                visibleText(w, tabs->tabText(i));
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            visibleText(w, edit->placeholderText());
        else if (auto* header = qobject_cast<QHeaderView*>(w); header && header->model())
            for (int i = 0; i < header->count(); ++i)
                if (!header->isSectionHidden(i))
                    visibleText(w, header->model()->headerData(i, header->orientation()).toString());
    }
}

class EveryWindow : public BookFixture { };

TEST_F(EveryWindow, HasUniqueAccessKeysAndNoEnglish)
{
    WriteTable({ { { { "宛名区分", "0" }, { "印字区分", "1" }, { "名前", "青木 一郎" }, { "カナ", "ｱｵｷ ｲﾁﾛｳ" },
                     { "郵便番号", "100-0005" }, { "住所１", "千代田区丸の内１－１－１" },
                     { "メール", "aoki@example.com" } } },
        { { { "宛名区分", "1" }, { "印字区分", "1" }, { "名前", "差出 太郎" }, { "メール", "me@example.com" } } } });
    // The shipped files: the manual and the stationery pictures.
    folders.programFolder = test::SourceDir() + "/../data";
    Open();
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    Findings found;
    Walk(main.get(), found);

    // Commands that open no window of their own and change what the others show (the
    // bulk mark would leave nothing to preview), or end the program, are left out.
    const QSet<QString> skipped
        = { QStringLiteral("mnuFileExit"), QStringLiteral("mnu_FileClear"), QStringLiteral("mnuEditMark") };
    std::set<std::string> walked;
    const QList<QAction*> actions = main->findChildren<QAction*>();
    for (QAction* a : actions) {
        // The toolbar's buttons repeat menu commands.
        if (a->isSeparator() || a->menu() || skipped.contains(a->objectName()) || a->objectName().isEmpty()
            || a->objectName().startsWith(QStringLiteral("tcmd_")) || !a->isEnabled())
            continue;
        WithEachModal(
            [&](QWidget* w) {
                walked.insert(Str(
                    w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName()));
                // The print dialog's page range and two-sided printing are behind its
                // options button.
                if (qobject_cast<QPrintDialog*>(w))
                    for (QPushButton* b : w->findChildren<QPushButton*>())
                        if (b->text().contains(QStringLiteral(">>")))
                            b->click();
                Walk(w, found);
                if (w->objectName() == QStringLiteral("frmPreview"))
                    SaveScreenshot(*w, "preview-hidpi");
                // The form list goes on to the window it chooses for.
                if (w->objectName() == QStringLiteral("frmPrnSelect") && Control<QWidget>(w, "cmd_Ok")->isEnabled())
                    Key(Qt::Key_Return);
                else
                    CloseWindow(w);
            },
            [&] { a->trigger(); });
        // Windows that stay open beside the main window (search, help).
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w == main.get() || !w->isVisible() || qobject_cast<QMenu*>(w) || w->isModal())
                continue;
            walked.insert(Str(w->objectName()));
            Walk(w, found);
            if (w->objectName() == QStringLiteral("frmHelp"))
                SaveScreenshot(*w, "help");
            w->close();
        }
    }
    for (const char* name : { "frmInput", "frmPrnSelect", "frmPreview", "frmPreSet", "frmSearch", "frmOption",
             "frmImport", "frmMaster", "frmHelp" })
        EXPECT_TRUE(walked.count(name)) << name << " was not reached; walked: "
                                        << std::accumulate(walked.begin(), walked.end(), std::string(),
                                               [](const std::string& a, const std::string& b) { return a + " " + b; });
    EXPECT_EQ(found.keys, std::vector<std::string> {});
    EXPECT_EQ(found.english, std::vector<std::string> {});
}

} // namespace
} // namespace nrt::test
