// The windows of CSV exchange, users, backup and the About box, and how the main
// window's commands reach them. The work itself is tested in tests/exchange and
// tests/users; here the wiring: what the windows show, what their buttons call, and
// what the main window looks like afterwards.
#include "GuiTestSupport.h"

#include "app/Commands.h"
#include "app/MainListModel.h"
#include "app/MainWindow.h"
#include "books/BackupSets.h"
#include "forms/AboutDialog.h"
#include "forms/AddressBookDialog.h"
#include "forms/BackupDialog.h"
#include "forms/CsvColumnsDialog.h"
#include "forms/CsvExportDialog.h"
#include "forms/CsvImportDialog.h"
#include "forms/NewAddressBookDialog.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

using namespace nrt;
using namespace nrt::gui;
using nrt::platform::MsgResult;
using nrt::test::Control;
using nrt::test::ReadAll;
using nrt::test::S;
using nrt::test::U;
using nrt::test::WriteAll;

// Takes the URLs the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QUrl opened;
public slots:
    void open(const QUrl& url) { opened = url; }
};

namespace {

// The visible top-level window of type T, or nullptr.
template <typename T> T* Visible()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Runs `step` on the modal window of type T once it shows; a window that never shows
// fails the test instead of blocking it. The polling timer belongs to the application.
template <typename T> void WhenShown(std::function<void(T&)> step)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step, tries = 0]() mutable {
        if (T* w = Visible<T>()) {
            timer->stop();
            step(*w);
            return;
        }
        if (++tries > 300) {
            timer->stop();
            ADD_FAILURE() << "window never shown";
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        }
    });
    timer->start();
}

class ExchangeWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.dataFolder = dir.Path() + "/data";
        folders.programFolder = dir.Path();
        folders.documentsFolder = dir.Path() + "/docs";
        platform::fs::MakeDirs(folders.documentsFolder);
        AppSettings g(folders);
        g.ReadSettings(true);
        userFolder = g.BookFile({});
    }

    void WriteTable(const std::string& folder, const std::vector<std::pair<const char*, const char*>>& people)
    {
        AddressTable db;
        db.CreateDefaultTable();
        for (const auto& [name, kana] : people) {
            db.ClearCurrent();
            EXPECT_EQ(db.SetValue(field::kSender, "0"), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kPrintMark, "1"), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kName, S(name)), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kKana, S(kana)), RecordError::kNone);
            EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        }
        platform::fs::MakeDirs(folder);
        ASSERT_EQ(db.SaveTable(folder + "/nrt.ndb"), TableError::kNone);
    }

    static QStringList Names(MainWindow& w)
    {
        QStringList out;
        for (int r = 0; r < w.Model().RecordRows(); ++r)
            out << ToQ(w.Model().CellText(r, 1));
        return out;
    }
    static QStringList Items(const QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    static QAction* Action(MainWindow& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }
    std::string Docs(const char* name) const { return folders.documentsFolder + "/" + S(name); }

    // With NRT_SCREENSHOT_DIR set, the window is saved there as NAME.png.
    static void Screenshot(QWidget& window, const char* name)
    {
        const QByteArray folder = qgetenv("NRT_SCREENSHOT_DIR");
        if (folder.isEmpty())
            return;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return;
        window.grab().save(QString::fromLocal8Bit(folder) + "/" + QString::fromLatin1(name) + ".png");
    }

    nrt::test::TempDir dir;
    StartupFolders folders;
    std::string userFolder;
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
};

} // namespace

TEST_F(ExchangeWindowTest, CommandsSitInTheirMenuGroups)
{
    MainWindow w(folders);
    QMenu* file = w.FileMenu();
    const auto at = [&](QAction* a) { return file->actions().indexOf(a); };
    const int users = at(w.FileSection(MainWindow::kFileBooks));
    const int data = at(w.FileSection(MainWindow::kFileData));
    for (const char* name : { "mnuFileNew", "mnuFileRead" }) {
        ASSERT_NE(Action(w, name), nullptr) << name;
        EXPECT_LT(at(Action(w, name)), users) << name;
    }
    auto* backups = w.findChild<QMenu*>(QStringLiteral("mnuFileBack"));
    ASSERT_NE(backups, nullptr);
    EXPECT_LT(at(backups->menuAction()), users);
    EXPECT_EQ(backups->actions().size(), 2);
    EXPECT_EQ(Action(w, "mnuFileBackRecover")->data().toInt(), 1);
    for (const char* name : { "mnu_Import", "mnu_Export", "mnu_VCardImport", "mnu_VCardExport" }) {
        ASSERT_NE(Action(w, name), nullptr) << name;
        EXPECT_GT(at(Action(w, name)), users) << name;
        EXPECT_LT(at(Action(w, name)), data) << name;
    }
    EXPECT_TRUE(w.HelpMenu()->actions().contains(Action(w, "mnuHelpAbout")));
}

TEST_F(ExchangeWindowTest, ImportWindowFillsTheListAndTheTabs)
{
    WriteTable(userFolder, { { "山田", "ﾔﾏﾀﾞ" } });
    MainWindow w(folders);
    w.Settings().SetPathEntry(1, Docs("old.csv"));
    CsvImportDialog dialog(w);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ノルテア（インポート）"));
    EXPECT_EQ(Control<QLineEdit>(dialog, "txt_Path")->text(), ToQ(Docs("old.csv")));
    Screenshot(dialog, "import");

    Control<QLineEdit>(dialog, "txt_Path")->clear();
    dialog.Import();
    EXPECT_EQ(U(host.LastText()), "ファイルの場所を入力して下さい。");

    WriteAll(Docs("new.CSV"), S("名前,カナ,大分類\r\n阿部,ｱﾍﾞ,友人\r\n佐藤,ｻﾄｳ,\r\n"));
    Control<QLineEdit>(dialog, "txt_Path")->setText(QStringLiteral("new"));
    dialog.Import();
    EXPECT_EQ(U(host.LastText()), "正常にインポートされました。\n（取り込んだデータ：2件）");
    EXPECT_EQ(Control<QLineEdit>(dialog, "txt_Path")->text(), ToQ(Docs("new.CSV")));
    EXPECT_EQ(Names(w), (QStringList { "阿部", "佐藤", "山田" }));
    ASSERT_EQ(Control<QTabBar>(w, "tag_Main")->count(), 3);
    EXPECT_EQ(Control<QTabBar>(w, "tag_Main")->tabText(1), QStringLiteral("友人"));
    EXPECT_EQ(Control<QLabel>(w, "statusCount")->text(), QStringLiteral("表示数：3"));
}

// Another program's export goes through the columns window, which shows the fields
// it recognised; the mapping is remembered and the rows reach the list.
TEST_F(ExchangeWindowTest, ContactsExportIsImportedThroughTheColumnsWindow)
{
    WriteAll(Docs("contacts.csv"),
        "First Name,Last Name,Phonetic First Name,Phonetic Last Name,Phone 1 - Label,Phone 1 - Value,Notes\r\n"
        "太郎,山田,たろう,やまだ,Mobile,090-1234-5678,年賀状\r\n");
    MainWindow w(folders);
    CsvImportDialog dialog(w);
    Control<QLineEdit>(dialog, "txt_Path")->setText(QStringLiteral("contacts.csv"));
    QStringList shown;
    WhenShown<CsvColumnsDialog>([&shown](CsvColumnsDialog& columns) {
        for (int c = 1; c <= 7; ++c)
            if (auto* box = columns.findChild<QComboBox*>(QStringLiteral("cbo_Field%1").arg(c)))
                shown << box->currentText();
        Screenshot(columns, "csv-columns");
        columns.accept();
    });
    dialog.Import();
    EXPECT_EQ(shown,
        (QStringList { "名前", "名前", "カナ", "カナ", "（取り込まない）", "電話番号・携帯番号・ＦＡＸ（種類による）",
            "備考１" }));
    EXPECT_EQ(Names(w), QStringList { QStringLiteral("山田　太郎") });
    EXPECT_TRUE(platform::fs::IsFile(w.Settings().DataFile("csvmap.dat")));

    // The program's own header is imported as before, without the window.
    WriteAll(Docs("own.csv"), S("名前,カナ\r\n阿部,ｱﾍﾞ\r\n"));
    Control<QLineEdit>(dialog, "txt_Path")->setText(QStringLiteral("own.csv"));
    dialog.Import();
    EXPECT_EQ(Visible<CsvColumnsDialog>(), nullptr);
    EXPECT_EQ(Names(w), (QStringList { "阿部", "山田　太郎" }));
}

// A vCard the program is asked to open (from the desktop or the file menu) becomes a
// list row.
TEST_F(ExchangeWindowTest, VCardOpenedWithTheProgramBecomesAListRow)
{
    WriteAll(Docs("google.vcf"),
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:山田 太郎\r\nN:山田;太郎;;;\r\nX-PHONETIC-FIRST-NAME:たろう\r\n"
        "X-PHONETIC-LAST-NAME:やまだ\r\nEMAIL;TYPE=INTERNET;TYPE=HOME:taro@example.jp\r\n"
        "TEL;TYPE=CELL:090-1234-5678\r\nTEL;TYPE=HOME:03-1234-5678\r\n"
        "ADR;TYPE=HOME:;;霞が関1-2-3;千代田区;東京都;100-0013;日本\r\n"
        "CATEGORIES:myContacts,友人\r\nEND:VCARD\r\n");
    MainWindow w(folders);
    w.resize(900, 420);
    OpenExchangeFile(w, ToQ(Docs("google.vcf")));
    EXPECT_EQ(U(host.LastText()).rfind("正常にインポートされました。（1件）", 0), 0U) << U(host.LastText());
    ASSERT_EQ(Names(w), QStringList { QStringLiteral("山田　太郎") });
    EXPECT_EQ(ToQ(w.Model().CellText(0, 2)), QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"));
    ASSERT_EQ(Control<QTabBar>(w, "tag_Main")->count(), 3);
    EXPECT_EQ(Control<QTabBar>(w, "tag_Main")->tabText(1), QStringLiteral("友人"));
    Screenshot(w, "vcard-import");
}

TEST_F(ExchangeWindowTest, ALargeImportRunsWithProgress)
{
    std::string csv = "名前,カナ,メール\r\n";
    for (int i = 0; i < 5000; ++i)
        csv += "名前" + std::to_string(i) + ",ﾅﾏｴ," + std::to_string(i) + "@example.jp\r\n";
    WriteAll(Docs("big.csv"), S(csv));
    MainWindow w(folders);
    CsvImportDialog dialog(w);
    dialog.show();
    Control<QLineEdit>(dialog, "txt_Path")->setText(QStringLiteral("big.csv"));
    dialog.Import();
    EXPECT_EQ(w.Model().RecordRows(), 5000);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Visible<QProgressDialog>(), nullptr);
}

TEST_F(ExchangeWindowTest, ExportWindowChoosesAndOrdersTheFields)
{
    WriteTable(userFolder, { { "山田", "ﾔﾏﾀﾞ" }, { "阿部", "ｱﾍﾞ" }, { "伊藤", "ｲﾄｳ" } });
    MainWindow w(folders);
    CsvExportDialog dialog(w);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ノルテア（エクスポート）"));
    EXPECT_EQ(Control<QListWidget>(dialog, "lst_To")->count(), 24);
    EXPECT_EQ(Control<QListWidget>(dialog, "lst_From")->count(), 0);
    EXPECT_TRUE(Control<QCheckBox>(dialog, "chk_Field")->isChecked());
    Screenshot(dialog, "export");

    // Nothing selected, or at the end of the list: a beep and nothing else.
    const int beeps = host.beeps;
    dialog.MoveRight();
    dialog.MoveLeft();
    Control<QListWidget>(dialog, "lst_To")->setCurrentRow(0);
    dialog.MoveUpDown(0);
    Control<QListWidget>(dialog, "lst_To")->setCurrentRow(23);
    dialog.MoveUpDown(1);
    EXPECT_EQ(host.beeps, beeps + 4);

    dialog.MoveAllLeft();
    EXPECT_EQ(Control<QListWidget>(dialog, "lst_To")->count(), 0);
    EXPECT_EQ(Items(Control<QListWidget>(dialog, "lst_From")).first(), QStringLiteral("宛名区分"));
    for (const QString& name : { QStringLiteral("名前"), QStringLiteral("カナ") }) {
        Control<QListWidget>(dialog, "lst_From")
            ->setCurrentItem(Control<QListWidget>(dialog, "lst_From")->findItems(name, Qt::MatchExactly).first());
        dialog.MoveRight();
    }
    Control<QListWidget>(dialog, "lst_To")->setCurrentRow(1);
    dialog.MoveUpDown(0);
    EXPECT_EQ(Items(Control<QListWidget>(dialog, "lst_To")), (QStringList { "カナ", "名前" }));
    EXPECT_EQ(Control<QListWidget>(dialog, "lst_To")->currentRow(), 0);
    Control<QListWidget>(dialog, "lst_To")->setCurrentRow(1);
    dialog.MoveLeft();
    EXPECT_EQ(Items(Control<QListWidget>(dialog, "lst_From")).last(), QStringLiteral("名前"));
    Control<QListWidget>(dialog, "lst_From")->setCurrentRow(Control<QListWidget>(dialog, "lst_From")->count() - 1);
    dialog.MoveRight();

    // Only the extracted rows, in the list's order.
    w.KanaIndex(1);
    Control<QCheckBox>(dialog, "chk_Field")->setChecked(false);
    Control<QLineEdit>(dialog, "txt_Path")->setText(QStringLiteral("out"));
    dialog.Export();
    EXPECT_EQ(U(host.LastText()), "正常にエクスポートされました。");
    EXPECT_EQ(Control<QLineEdit>(dialog, "txt_Path")->text(), ToQ(Docs("out.CSV")));
    EXPECT_EQ(ReadAll(Docs("out.CSV")), S("\"ｱﾍﾞ\",\"阿部\"\r\n\"ｲﾄｳ\",\"伊藤\"\r\n"));
    // Shift-JIS unless UTF-8 (with its byte-order mark) is chosen.
    EXPECT_EQ(Control<QComboBox>(dialog, "cmb_Encoding")->currentIndex(), 0);
    Control<QComboBox>(dialog, "cmb_Encoding")->setCurrentIndex(1);
    host.Answer(nrt::platform::MsgResult::Yes); // export
    host.Answer(nrt::platform::MsgResult::Yes); // over the file of before
    dialog.Export();
    EXPECT_EQ(ReadAll(Docs("out.CSV")), "\xEF\xBB\xBF\"ｱﾍﾞ\",\"阿部\"\r\n\"ｲﾄｳ\",\"伊藤\"\r\n");

    dialog.MoveAllLeft();
    dialog.Export();
    EXPECT_EQ(U(host.LastText()), "転送項目を選択して下さい。");
    dialog.MoveAllRight();
    EXPECT_EQ(Control<QListWidget>(dialog, "lst_To")->count(), 24);
}

TEST_F(ExchangeWindowTest, NewUserFromTheMenuAndBackToTheMainUser)
{
    WriteTable(userFolder, { { "山田", "ﾔﾏﾀﾞ" } });
    MainWindow w(folders);
    {
        NewAddressBookDialog dialog(w, false);
        Screenshot(dialog, "new_user");
        EXPECT_TRUE(Control<QCheckBox>(dialog, "chk_Copy")->isHidden());
        EXPECT_TRUE(Control<QLineEdit>(dialog, "txt_CopyPath")->isHidden());
        dialog.show();
        const int beeps = host.beeps;
        QTest::keyClicks(Control<QLineEdit>(dialog, "txt_User"), QStringLiteral("ab-c.d(1)"));
        EXPECT_EQ(Control<QLineEdit>(dialog, "txt_User")->text(), QStringLiteral("abcd(1)"));
        EXPECT_EQ(host.beeps, beeps + 2);
    }

    WhenShown<NewAddressBookDialog>([](NewAddressBookDialog& d) {
        Control<QLineEdit>(d, "txt_User")->setText(QStringLiteral("友人"));
        d.Ok();
    });
    Action(w, "mnuFileNew")->trigger();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ノルテア（友人）"));
    EXPECT_EQ(w.Model().RecordRows(), 0);
    EXPECT_EQ(w.Settings().BookName(), S("友人"));

    WhenShown<AddressBookDialog>([this](AddressBookDialog& d) {
        EXPECT_EQ(Items(Control<QListWidget>(d, "lst_List")), (QStringList { "（メインユーザー）", "友人" }));
        Control<QListWidget>(d, "lst_List")->setCurrentRow(1);
        d.OpenBook();
        EXPECT_EQ(U(host.LastText()), "既に開かれています。");
        Control<QListWidget>(d, "lst_List")->setCurrentRow(0);
        d.OpenBook();
    });
    Action(w, "mnuFileRead")->trigger();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ノルテア"));
    EXPECT_EQ(Names(w), QStringList { "山田" });
}

TEST_F(ExchangeWindowTest, UserSelectRefusesTheOpenUserAndRemoves)
{
    WriteAll(folders.dataFolder + "/userlist.dat", S("友人\r\n会社\r\n"));
    MainWindow w(folders);
    AddressBookDialog dialog(w);
    Screenshot(dialog, "user_select");
    Control<QListWidget>(dialog, "lst_List")->setCurrentRow(0);
    dialog.OpenBook();
    EXPECT_EQ(U(host.LastText()), "既に開かれています。");
    EXPECT_FALSE(dialog.Opened());
    Control<QListWidget>(dialog, "lst_List")->setCurrentRow(1);
    dialog.DeleteBook();
    EXPECT_EQ(Items(Control<QListWidget>(dialog, "lst_List")), (QStringList { "（メインユーザー）", "会社" }));
    Control<QListWidget>(dialog, "lst_List")->clearSelection();
    dialog.DeleteBook();
    EXPECT_EQ(U(host.LastText()), "ユーザーを選択してください。");
}

TEST_F(ExchangeWindowTest, BackupOnRequestAndRestoreFromTheMenu)
{
    WriteTable(userFolder, { { "山田", "ﾔﾏﾀﾞ" } });
    MainWindow w(folders);
    Action(w, "mnuFileBackBak")->trigger();
    EXPECT_EQ(U(host.LastText()),
        "バックアップの設定をしてください。\n「設定」→「オプション」→「一般」の「バックアップ」で設定できます。");

    const std::string backup = dir.Path() + "/backup";
    w.Settings().SetFolderBackupOn(1);
    w.Settings().SetFolderBackupPath(backup);
    // A record added since the start goes into the backup: the table is saved first.
    w.Table().ClearCurrent();
    EXPECT_EQ(w.Table().SetValue(field::kSender, "0"), RecordError::kNone);
    EXPECT_EQ(w.Table().SetValue(field::kName, S("佐藤")), RecordError::kNone);
    EXPECT_EQ(w.Table().PostRecord(), RecordError::kNone);
    WhenShown<BackupDialog>([&](BackupDialog& d) {
        EXPECT_EQ(Control<QLabel>(d, "lbl_Msg")->text(), QStringLiteral("バックアップします。よろしいですか？"));
        EXPECT_EQ(Control<QLineEdit>(d, "txt_Path")->text(), ToQ(backup));
        EXPECT_TRUE(Control<QPushButton>(d, "cmd_Ok")->isVisible());
        Screenshot(d, "backup");
        Control<QPushButton>(d, "cmd_Ok")->click();
    });
    Action(w, "mnuFileBackBak")->trigger();
    const std::string set = backup + "/" + S("メインユーザー") + "/SV1";
    AddressTable saved;
    ASSERT_EQ(saved.LoadTable(set + "/nrt.ndb"), TableError::kNone);
    EXPECT_EQ(saved.GetRecordCount(), 2);
    EXPECT_EQ(w.Settings().GetFolderBackupGeneration(), 1);
    EXPECT_TRUE(platform::fs::IsFile(set + "/NrtUser.ini"));

    WhenShown<NewAddressBookDialog>([&](NewAddressBookDialog& d) {
        EXPECT_FALSE(Control<QCheckBox>(d, "chk_Copy")->isHidden());
        EXPECT_TRUE(Control<QCheckBox>(d, "chk_Copy")->isChecked());
        Screenshot(d, "restore");
        Control<QLineEdit>(d, "txt_User")->setText(QStringLiteral("復元"));
        Control<QLineEdit>(d, "txt_CopyPath")->setText(ToQ(set + "/nrt.ndb"));
        d.Ok();
        // The copy window runs by itself once shown.
        WhenShown<BackupDialog>([](BackupDialog& copy) {
            EXPECT_EQ(Control<QLabel>(copy, "lbl_Msg")->text(), QStringLiteral("コピー中です・・・"));
            EXPECT_TRUE(Control<QPushButton>(copy, "cmd_Ok")->isHidden());
            // Escape does not cut the restore short.
            copy.reject();
            EXPECT_TRUE(copy.isVisible());
        });
    });
    Action(w, "mnuFileBackRecover")->trigger();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ノルテア（復元）"));
    EXPECT_EQ(Names(w), (QStringList { "佐藤", "山田" }));
    EXPECT_EQ(w.Settings().GetFolderBackupGeneration(), 0);
    EXPECT_EQ(w.Settings().GetFolderBackupDate(), 0);
    EXPECT_TRUE(platform::fs::IsFile(w.Settings().BookFile("nrt.ndb")));
}

TEST_F(ExchangeWindowTest, TheStartUpOfferWhenABackupIsDue)
{
    platform::FakeClock clock;
    clock.now = { 2025, 1, 8, 9, 0, 0, 3 };
    platform::ScopedClock clockScope(clock);
    WriteAll(userFolder + "/NrtUser.ini", "[HBACK]\r\nON=1\r\nPATH=/nowhere\r\nHINDO=7\r\nYMD=20250101\r\n");
    MainWindow w(folders);
    bool offered = false;
    WhenShown<BackupDialog>([&](BackupDialog& d) {
        offered = true;
        Control<QPushButton>(d, "cmd_Cancel")->click();
    });
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY_WITH_TIMEOUT(offered, 3000);
    QTest::qWait(20);
    EXPECT_EQ(Visible<BackupDialog>(), nullptr);
    EXPECT_EQ(w.Settings().GetFolderBackupDate(), 20250101);
    w.hide();
}

TEST_F(ExchangeWindowTest, AboutBoxShowsTheVersionAndOpensTheDataFolder)
{
    MainWindow w(folders);
    AboutDialog about(w.Settings(), &w);
    Screenshot(about, "about");
    EXPECT_EQ(Control<QLabel>(about, "lbl_Product")->text(), QStringLiteral("ノルテア"));
    EXPECT_TRUE(Control<QLabel>(about, "lbl_Version")->text().endsWith(QStringLiteral("1.70")));
    EXPECT_EQ(AboutDialog::VersionText(), QStringLiteral("1.70"));
    EXPECT_EQ(Control<QLineEdit>(about, "txt_Folder")->text(), ToQ(w.Settings().DataFolder()));

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    about.OpenFolder();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(catcher.opened, QUrl::fromLocalFile(ToQ(w.Settings().DataFolder())));
}

#include "exchange_gui_test.moc"
