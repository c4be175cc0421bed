// The postal import window, the address browser and the main window's import command,
// on dictionaries the tests import from the hand-made list of tests/postal.
#include "GuiTestSupport.h"

#include "app/MainWindow.h"
#include "db/LineList.h"
#include "forms/AddressBrowser.h"
#include "forms/PostalImportDialog.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "postal/PostalDictionary.h"
#include "postal/PostalLookup.h"
#include "postal/PostalTestData.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace nrt;
using namespace nrt::gui;
using nrt::test::Control;
using nrt::test::S;
using nrt::test::U;

namespace {

QString Q(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Runs `job` on the modal dialog of type T once it is open.
template <class T> void OnModal(std::function<void(T&)> job)
{
    QTimer::singleShot(0, [job] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        job(*dialog);
    });
}

class PostalWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.dataFolder = dir.Path() + "/data/";
        folders.programFolder = dir.Path() + "/program/";
        folders.documentsFolder = dir.Path() + "/docs";
        for (const std::string& f : { folders.dataFolder, folders.programFolder, folders.documentsFolder })
            platform::fs::MakeDirs(f);
        settings = std::make_unique<AppSettings>(folders);
        settings->ReadSettings(true);
        platform::fs::MakeDirs(settings->BookFile({}));
    }
    void TearDown() override { platform::fs::testing::FailWritesAfter(-1); }

    std::string Docs(const char* name) const { return folders.documentsFolder + "/" + name; }
    std::string Entry3() const
    {
        LineList lines;
        static_cast<void>(lines.LoadText(settings->BookFile("NrtPath.dat"))); // missing: no entry
        return std::string(lines.GetLine(3));
    }

    nrt::test::TempDir dir;
    StartupFolders folders;
    std::unique_ptr<AppSettings> settings;
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
};

TEST_F(PostalWindowsTest, ImportWindowOpensOnTheRememberedList)
{
    nrt::test::WriteAll(
        settings->BookFile("NrtPath.dat"), "\r\na.csv\r\nb.csv\r\n" + S("/home/利用者/KEN_ALL.CSV") + "\r\n");
    PostalImportDialog w(*settings);
    EXPECT_EQ(w.windowTitle(), Q("ノルテア"));
    EXPECT_EQ(Control<QLineEdit>(w, "txt_Path")->text(), Q("/home/利用者/KEN_ALL.CSV"));
    EXPECT_EQ(Control<QPushButton>(w, "cmd_Import")->text(), Q("インポート(&I)"));
    EXPECT_EQ(Control<QPushButton>(w, "cmd_Close")->text(), Q("閉じる(&C)"));
    EXPECT_TRUE(Control<QLineEdit>(w, "txt_Post")->isReadOnly());
    EXPECT_EQ(Control<QLineEdit>(w, "txt_Post")->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(Control<QProgressBar>(w, "prg_Import")->isVisibleTo(&w));
}

TEST_F(PostalWindowsTest, ImportWindowResults)
{
    const std::string bad
        = nrt::test::ListLineBytes({ "13101", "10000", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ｶｽﾐｶﾞｾｷ", "東京都", "千代田区", "霞が関" });
    struct Case {
        const char* name;
        std::string typed; // "/" in it: taken as it is, otherwise in the documents folder
        std::string file; // written at `expectedPath` unless null
        bool writeFile;
        std::string expectedPath;
        const char* message;
        const char* caption;
        bool failWrites = false;
    };
    const Case cases[] = {
        { "bare name", "KEN", nrt::test::SampleList(), true, Docs("KEN.CSV"), "正常にインポートされました。",
            "住所録" },
        { "own extension kept", dir.Path() + "/list.txt", nrt::test::SampleList(), true, dir.Path() + "/list.txt",
            "正常にインポートされました。", "住所録" },
        { "missing", "nothing", "", false, Docs("nothing.CSV"), "郵便番号データが見つかりません。", "注意" },
        { "empty", "empty.CSV", "", true, Docs("empty.CSV"), "データがありません。", "注意" },
        { "five-digit code", "bad", bad, true, Docs("bad.CSV"), "郵便番号データが不正です。", "注意" },
        { "disk full", "full", nrt::test::SampleList(), true, Docs("full.CSV"), "郵便データ作成に失敗しました。",
            "注意", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Every case starts without a dictionary and without a remembered list.
        platform::fs::RemoveTree(folders.dataFolder + "yubin");
        platform::fs::RemoveFile(settings->BookFile("NrtPath.dat"));
        settings->RefreshPostalLocation();
        host.shown.clear();
        if (c.writeFile)
            nrt::test::WriteAll(c.expectedPath, c.file);

        PostalImportDialog w(*settings);
        Control<QLineEdit>(w, "txt_Path")->setText(ToQ(c.typed));
        // The progress as the bar shows it, each step under the wait cursor.
        std::vector<int> progress;
        bool waiting = true;
        QObject::connect(Control<QProgressBar>(w, "prg_Import"), &QProgressBar::valueChanged, [&](int value) {
            progress.push_back(value);
            const QCursor* cursor = QApplication::overrideCursor();
            waiting = waiting && cursor && cursor->shape() == Qt::WaitCursor;
        });
        if (c.failWrites)
            platform::fs::testing::FailWritesAfter(0);
        Control<QPushButton>(w, "cmd_Import")->click();
        platform::fs::testing::FailWritesAfter(-1);

        EXPECT_EQ(FromQ(Control<QLineEdit>(w, "txt_Path")->text()), c.expectedPath);
        ASSERT_EQ(host.shown.size(), 1u);
        EXPECT_EQ(U(host.shown[0].text), c.message);
        EXPECT_EQ(U(host.shown[0].caption), c.caption);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        const bool ok = std::string(c.caption) == "住所録";
        EXPECT_EQ(Entry3(), ok ? c.expectedPath : "");
        EXPECT_EQ(Control<QProgressBar>(w, "prg_Import")->isVisibleTo(&w), c.writeFile);
        EXPECT_TRUE(waiting);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        if (ok) {
            EXPECT_EQ(Control<QProgressBar>(w, "prg_Import")->value(), 100);
            EXPECT_GE(progress.size(), 3u);
            EXPECT_EQ(settings->PostalFile({}), folders.dataFolder + "yubin");
            EXPECT_TRUE(FindPostalCode(settings->PostalFile({}), "100-0013").has_value());
        } else {
            EXPECT_FALSE(platform::fs::Exists(folders.dataFolder + "yubin/YubinS.dat"));
        }
    }
}

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST_F(PostalWindowsTest, FileDialogStartsAtTheListsFolder)
{
    platform::fs::MakeDirs(Docs("lists"));
    nrt::test::WriteAll(Docs("lists/KEN_ALL.CSV"), nrt::test::SampleList());
    PostalImportDialog w(*settings);
    Control<QLineEdit>(w, "txt_Path")->setText(ToQ(Docs("lists/old.CSV")));
    QString shownFolder;
    OnModal<QFileDialog>([&shownFolder, this](QFileDialog& d) {
        shownFolder = d.directory().absolutePath();
        d.selectFile(ToQ(Docs("lists/KEN_ALL.CSV")));
        static_cast<QDialog&>(d).accept(); // QFileDialog checks the selection first
    });
    Control<QPushButton>(w, "cmd_FileName")->click();
    EXPECT_EQ(FromQ(shownFolder), Docs("lists"));
    EXPECT_EQ(FromQ(Control<QLineEdit>(w, "txt_Path")->text()), Docs("lists/KEN_ALL.CSV"));
}

TEST_F(PostalWindowsTest, ClickOnTheDownloadPageOpensIt)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    PostalImportDialog w(*settings);
    w.show();
    QTest::mouseClick(Control<QLineEdit>(w, "txt_Post"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0], QUrl(QString::fromLatin1(PostalImportDialog::kDownloadPage)));
    EXPECT_EQ(Control<QLineEdit>(w, "txt_Post")->text(), catcher.urls[0].toString());
}

TEST_F(PostalWindowsTest, MainWindowImportsAndThenReadsTheNewDictionary)
{
    nrt::test::WriteAll(Docs("KEN.CSV"), nrt::test::SampleList());
    MainWindow main(folders);
    QAction* command = main.findChild<QAction*>(QStringLiteral("mnuFileYubinImport"));
    ASSERT_NE(command, nullptr);
    const QList<QAction*> actions = main.FileMenu()->actions();
    EXPECT_LT(actions.indexOf(command), actions.indexOf(main.FileSection(MainWindow::kFileData)));
    EXPECT_GT(actions.indexOf(command), actions.indexOf(main.FileSection(MainWindow::kFileBooks)));

    // A failed import leaves the flag it set: only the refresh after the window puts it back.
    OnModal<PostalImportDialog>([](PostalImportDialog& w) {
        Control<QLineEdit>(w, "txt_Path")->setText(QStringLiteral("KEN"));
        platform::fs::testing::FailWritesAfter(0);
        Control<QPushButton>(w, "cmd_Import")->click();
        platform::fs::testing::FailWritesAfter(-1);
        Control<QPushButton>(w, "cmd_Close")->click();
    });
    command->trigger();
    EXPECT_EQ(U(host.LastText()), "郵便データ作成に失敗しました。");
    EXPECT_EQ(main.Settings().PostalLocation(), 0);

    OnModal<PostalImportDialog>([](PostalImportDialog& w) {
        Control<QLineEdit>(w, "txt_Path")->setText(QStringLiteral("KEN"));
        Control<QPushButton>(w, "cmd_Import")->click();
        Control<QPushButton>(w, "cmd_Close")->click();
    });
    command->trigger();
    EXPECT_EQ(U(host.LastText()), "正常にインポートされました。");
    EXPECT_EQ(main.Settings().PostalLocation(), 1);
    EXPECT_EQ(main.Settings().GetPathEntry(3), Docs("KEN.CSV"));
}

TEST_F(PostalWindowsTest, BrowsingWithoutDictionarySaysHowToImportOne)
{
    // No dictionary in the data folder nor beside the program: no empty browser, but
    // what is missing and where to get it.
    EXPECT_FALSE(AddressBrowser::Browse(*settings, S("東京都")).has_value());
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(U(host.shown[0].text),
        "郵便番号データがありません。\n「ファイル」メニューの「郵便番号データのインポート」で、"
        "日本郵便の郵便番号データ（KEN_ALL.CSV）を取り込んで下さい。");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

class AddressBrowserTest : public PostalWindowsTest {
protected:
    void SetUp() override
    {
        PostalWindowsTest::SetUp();
        nrt::test::WriteAll(Docs("KEN.CSV"), nrt::test::SampleList());
        ASSERT_EQ(ImportPostalList(Docs("KEN.CSV"), folders.dataFolder + "yubin"), PostalImportResult::kOk);
        settings->RefreshPostalLocation();
        postalFolder = settings->PostalFile({});
    }

    static QStringList Column(const AddressBrowser& w, int column)
    {
        QStringList out;
        const QAbstractItemModel* m = Control<QTableView>(w, "griMain")->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->data(m->index(r, column)).toString();
        return out;
    }
    static int RowOf(const AddressBrowser& w, const char* name) { return Column(w, 1).indexOf(Q(name)); }
    static void DoubleClick(AddressBrowser& w, int row)
    {
        const QRect cell
            = Control<QTableView>(w, "griMain")->visualRect(Control<QTableView>(w, "griMain")->model()->index(row, 1));
        // As a mouse gives it: a click, then the double click.
        QTest::mouseClick(Control<QTableView>(w, "griMain")->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(Control<QTableView>(w, "griMain")->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static bool Navy(const AddressBrowser& w)
    {
        const QAbstractItemModel* m = Control<QTableView>(w, "griMain")->model();
        return m->data(m->index(0, 1), Qt::ForegroundRole).value<QColor>() == QColor(0, 0, 128);
    }

    std::string postalFolder;
};

TEST_F(AddressBrowserTest, WalkFromPrefectureToTown)
{
    AddressBrowser w(postalFolder, "", 100);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.windowTitle(), Q("ノルテア（都道府県）"));
    EXPECT_EQ(Control<QPushButton>(w, "cmd_Ok")->text(), Q("選択"));
    EXPECT_EQ(Control<QLabel>(w, "lbl_Kensu")->text(), Q("件数："));
    EXPECT_EQ(Control<QLabel>(w, "lbl_Ken")->text(), Q("4"));
    EXPECT_EQ(Control<QLabel>(w, "lbl_Zyusyo")->text(), QString());
    EXPECT_FALSE(Control<QPushButton>(w, "cmd_Todo")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(w, "cmd_Sityo")->isEnabled());
    const QAbstractItemModel* m = Control<QTableView>(w, "griMain")->model();
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), Q("郵便番号"));
    EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), Q("住所"));
    EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), Q("住所カナ"));
    EXPECT_EQ(Column(w, 0), QStringList(4, Q(" --- ")));
    EXPECT_EQ(Column(w, 1), (QStringList { Q("北海道"), Q("東京都"), Q("大阪府"), Q("沖縄県") }));
    EXPECT_FALSE(Navy(w));

    DoubleClick(w, RowOf(w, "東京都"));
    EXPECT_EQ(w.windowTitle(), Q("ノルテア（市町村）"));
    EXPECT_EQ(Control<QLabel>(w, "lbl_Zyusyo")->text(), Q("東京都"));
    EXPECT_EQ(Column(w, 1), (QStringList { Q("渋谷区"), Q("千代田区") }));
    EXPECT_EQ(Column(w, 2), (QStringList { Q("ｼﾌﾞﾔｸ"), Q("ﾁﾖﾀﾞｸ") }));
    EXPECT_TRUE(Control<QPushButton>(w, "cmd_Todo")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(w, "cmd_Sityo")->isEnabled());

    // タ: the readings from ﾀ to ﾄ, in navy.
    Control<QPushButton>(w, "cmd_t")->click();
    EXPECT_EQ(Control<QPushButton>(w, "cmd_t")->text(), Q("タ"));
    EXPECT_EQ(Column(w, 1), QStringList { Q("千代田区") });
    EXPECT_EQ(Control<QLabel>(w, "lbl_Ken")->text(), Q("1"));
    EXPECT_TRUE(Navy(w));

    Control<QPushButton>(w, "cmd_Ok")->click(); // the first row is the current one
    EXPECT_EQ(w.windowTitle(), Q("ノルテア（町域）"));
    EXPECT_EQ(Control<QPushButton>(w, "cmd_Ok")->text(), Q("決定"));
    EXPECT_EQ(Control<QLabel>(w, "lbl_Zyusyo")->text(), Q("東京都千代田区"));
    EXPECT_TRUE(Control<QPushButton>(w, "cmd_Sityo")->isEnabled());
    EXPECT_FALSE(Navy(w)); // choosing resets the filter
    EXPECT_EQ(Column(w, 0), (QStringList { Q("100-0013"), Q("100-0001"), Q("100-0014") }));
    EXPECT_EQ(Column(w, 1), (QStringList { Q("霞が関"), Q("千代田"), Q("永田町") }));
    EXPECT_EQ(Control<QLabel>(w, "lbl_Ken")->text(), Q("3"));

    // ワ: nothing left but the empty row, which cannot be chosen.
    Control<QPushButton>(w, "cmd_w")->click();
    EXPECT_EQ(Column(w, 0), QStringList { QString() });
    EXPECT_EQ(Control<QLabel>(w, "lbl_Ken")->text(), Q("0"));
    Control<QPushButton>(w, "cmd_Ok")->click();
    EXPECT_EQ(host.beeps, 1);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Choice().has_value());

    Control<QPushButton>(w, "cmd_all")->click();
    DoubleClick(w, RowOf(w, "霞が関"));
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_FALSE(w.isVisible());
    const auto choice = w.Choice();
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(U(choice->code), "100-0013");
    EXPECT_EQ(U(choice->prefecture), "東京都");
    EXPECT_EQ(U(choice->city), "千代田区");
    EXPECT_EQ(U(choice->town), "霞が関");
}

TEST_F(AddressBrowserTest, ReturnChoosesTheRowUnderTheCursor)
{
    AddressBrowser w(postalFolder, "", 100);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* grid = Control<QTableView>(w, "griMain");
    grid->setCurrentIndex(grid->model()->index(RowOf(w, "東京都"), 1));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(w.windowTitle(), Q("ノルテア（市町村）"));
    EXPECT_EQ(Control<QLabel>(w, "lbl_Zyusyo")->text(), Q("東京都"));
}

TEST_F(AddressBrowserTest, StartAndBackButtons)
{
    AddressBrowser outside(postalFolder, S("大阪"), 100);
    EXPECT_EQ(outside.Browser().GetLevel(), PostalBrowser::kPrefectures);

    AddressBrowser w(postalFolder, S("大阪府"), 100);
    EXPECT_EQ(w.windowTitle(), Q("ノルテア（市町村）"));
    EXPECT_EQ(Control<QLabel>(w, "lbl_Zyusyo")->text(), Q("大阪府"));
    EXPECT_EQ(Column(w, 1), (QStringList { Q("大阪市中央区"), Q("豊中市"), Q("八尾市") }));
    Control<QPushButton>(w, "cmd_y")->click(); // ヤ
    EXPECT_EQ(Column(w, 1), QStringList { Q("八尾市") });
    Control<QPushButton>(w, "cmd_Ok")->click();
    EXPECT_EQ(Column(w, 1), QStringList { Q("本町") });

    Control<QPushButton>(w, "cmd_Sityo")->click();
    EXPECT_EQ(w.windowTitle(), Q("ノルテア（市町村）"));
    EXPECT_EQ(Column(w, 1).size(), 3);
    EXPECT_FALSE(Navy(w));
    EXPECT_TRUE(Control<QPushButton>(w, "cmd_Sityo")->isEnabled());

    Control<QPushButton>(w, "cmd_Todo")->click();
    EXPECT_EQ(w.windowTitle(), Q("ノルテア（都道府県）"));
    EXPECT_EQ(Control<QLabel>(w, "lbl_Zyusyo")->text(), QString());
    EXPECT_FALSE(Control<QPushButton>(w, "cmd_Sityo")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(w, "cmd_Todo")->isEnabled());
}

TEST_F(AddressBrowserTest, WithoutDictionaryTheListsAreEmpty)
{
    AddressBrowser w(dir.Path() + "/nowhere/yubin", "", 100);
    EXPECT_EQ(Column(w, 1), QStringList { QString() });
    EXPECT_EQ(Control<QLabel>(w, "lbl_Ken")->text(), Q("0"));
    Control<QPushButton>(w, "cmd_Ok")->click();
    EXPECT_EQ(host.beeps, 1);
}

TEST_F(AddressBrowserTest, Magnification)
{
    struct Case {
        int ratio;
        QSize client;
        QRect close;
        int fontPixels;
    };
    const Case cases[] = {
        { 100, { 498, 372 }, { 400, 336, 90, 28 }, 12 }, { 150, { 747, 558 }, { 600, 504, 135, 42 }, 18 },
        { 125, { 622, 465 }, { 500, 420, 112, 35 }, 15 }, // truncated
        { 80, { 498, 372 }, { 400, 336, 90, 28 }, 12 }, // never below the design size
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ratio);
        AddressBrowser w(postalFolder, "", c.ratio);
        EXPECT_EQ(w.size(), c.client);
        EXPECT_EQ(Control<QPushButton>(w, "cmd_Close")->geometry(), c.close);
        EXPECT_EQ(Control<QPushButton>(w, "cmd_Close")->font().pixelSize(), c.fontPixels);
        EXPECT_EQ(Control<QTableView>(w, "griMain")->font().pixelSize(), c.fontPixels);
        EXPECT_EQ(Control<QTableView>(w, "griMain")->horizontalHeader()->font().pixelSize(), c.fontPixels);
    }
}

TEST_F(AddressBrowserTest, BrowseReturnsTheConfirmedTown)
{
    settings->SetScalePercent(150);
    OnModal<AddressBrowser>([](AddressBrowser& w) {
        EXPECT_EQ(w.width(), 747);
        w.Choose(RowOf(w, "千代田区"));
        w.Choose(RowOf(w, "永田町"));
    });
    const auto choice = AddressBrowser::Browse(*settings, S("東京都"));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(U(choice->code), "100-0014");
    EXPECT_EQ(U(choice->prefecture + choice->city + choice->town), "東京都千代田区永田町");

    OnModal<AddressBrowser>([](AddressBrowser& w) {
        w.Choose(RowOf(w, "千代田区"));
        Control<QPushButton>(w, "cmd_Close")->click();
    });
    EXPECT_FALSE(AddressBrowser::Browse(*settings, S("東京都")).has_value());
}

} // namespace

#include "postal_windows_test.moc"
