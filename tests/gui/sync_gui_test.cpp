// The file menu's 同期 against a Radicale server the test starts on 127.0.0.1: a sync
// from the window with its summary, a conflict shown and taken back in its window, a
// sync stopped in the middle and finished by the next, and the automatic sync.
#include "GuiTestSupport.h"

#include "../sync/DavServers.h"
#include "app/MainListModel.h"
#include "app/MainWindow.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"
#include "support/TestSupport.h"
#include "sync/SyncAccount.h"
#include "sync/SyncState.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace nrt;
using namespace nrt::gui;
using nrt::test::DavServer;
using nrt::test::S;
using nrt::test::U;

namespace {

// Runs `step` on the visible dialog named `name` once it shows.
void WhenShown(const char* name, std::function<void(QDialog&)> step)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, step, tries = 0]() mutable {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->objectName() == QLatin1String(name)) {
                timer->stop();
                step(*d);
                return;
            }
        if (++tries > 300) {
            timer->stop();
            ADD_FAILURE() << name << " never shown";
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        }
    });
    timer->start();
}

// With NRT_SCREENSHOT_DIR set, the window is saved there as NAME.png.
void Screenshot(QWidget& window, const char* name)
{
    const QByteArray folder = qgetenv("NRT_SCREENSHOT_DIR");
    if (folder.isEmpty() || !QTest::qWaitForWindowExposed(&window))
        return;
    window.grab().save(QString::fromLocal8Bit(folder) + "/" + QString::fromLatin1(name) + ".png");
}

TEST(SyncWindow, SyncsFromTheMenuAndTakesAConflictBack)
{
    DavServer server(DavServer::Kind::kRadicale);
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    nrt::test::TempDir dir;
    StartupFolders folders;
    folders.dataFolder = dir.Path() + "/data";
    folders.programFolder = dir.Path();
    folders.documentsFolder = dir.Path() + "/docs";
    AppSettings g(folders);
    g.ReadSettings(true);
    const std::string userFolder = g.BookFile({});
    platform::fs::MakeDirs(userFolder);
    {
        AddressTable db;
        db.CreateDefaultTable();
        db.ClearCurrent();
        ASSERT_EQ(db.SetValue(field::kName, S("山田　太郎")), RecordError::kNone);
        ASSERT_EQ(db.SetValue(field::kNote1, S("元の値")), RecordError::kNone);
        ASSERT_EQ(db.PostRecord(), RecordError::kNone);
        ASSERT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);
    }
    dav::DavClient client(server.Account());
    std::vector<dav::AddressBookInfo> books;
    ASSERT_TRUE(client.Discover(&books).Ok());
    dav::AddressBookInfo book;
    ASSERT_TRUE(client.CreateBook(S("家族"), &book).Ok());
    ASSERT_TRUE(sync::SaveSetup(userFolder + "/" + sync::SyncState::kFileName, book, DavServer::kUser));
    ASSERT_TRUE(sync::StorePassword(userFolder + "/NrtUser.ini", book.url, DavServer::kUser, DavServer::kPassword));

    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
    MainWindow w(folders);
    auto* menu = w.findChild<QMenu*>(QStringLiteral("mnuSync"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(w.FileMenu()->actions().contains(menu->menuAction()));
    auto* now = w.findChild<QAction*>(QStringLiteral("mnuSyncNow"));
    ASSERT_NE(now, nullptr);
    now->trigger();
    EXPECT_TRUE(U(host.LastText()).starts_with("同期しました。\nアップロード: 1\n")) << U(host.LastText());

    // The server's copy changed by another client, the same field here.
    std::vector<dav::CardRef> refs;
    ASSERT_TRUE(client.ListCards(book.url, &refs).Ok());
    ASSERT_EQ(refs.size(), 1u);
    std::vector<dav::Card> cards;
    std::vector<std::string> missing;
    ASSERT_TRUE(client.Multiget(book.url, { refs[0].href }, &cards, &missing).Ok());
    std::string text = cards[0].vcard;
    const std::size_t note = text.find("元の値");
    ASSERT_NE(note, std::string::npos) << text;
    text.replace(note, std::string("元の値").size(), "電話の値");
    dav::WriteResult written;
    ASSERT_TRUE(client.Update(refs[0].href, refs[0].etag, text, &written).Ok());
    ASSERT_EQ(w.Table().StoreValue(0, field::kNote1, S("窓の値")), RecordError::kNone);
    ASSERT_TRUE(w.SaveBook());

    // The summary offers the conflicts window (the recording host answers Yes).
    bool shown = false;
    WhenShown("frmSyncConflicts", [&](QDialog& d) {
        shown = true;
        EXPECT_EQ(U(w.Table().Value(field::kNote1, 0)), "電話の値");
        auto* grid = d.findChild<QTableWidget*>(QStringLiteral("grd_Conflicts"));
        ASSERT_NE(grid, nullptr);
        ASSERT_EQ(grid->rowCount(), 1);
        EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("備考１"));
        EXPECT_EQ(grid->item(0, 2)->text(), QStringLiteral("窓の値"));
        EXPECT_EQ(grid->item(0, 3)->text(), QStringLiteral("電話の値"));
        Screenshot(d, "sync-conflicts");
        d.findChild<QPushButton*>(QStringLiteral("cmd_TakeBack"))->click();
        EXPECT_EQ(grid->rowCount(), 0);
        d.accept();
    });
    now->trigger();
    EXPECT_NE(U(host.LastText()).find("競合: 1\n"), std::string::npos) << U(host.LastText());
    EXPECT_TRUE(shown);
    EXPECT_EQ(U(w.Table().Value(field::kNote1, 0)), "窓の値");
    now->trigger();
    ASSERT_TRUE(client.Multiget(book.url, { refs[0].href }, &cards, &missing).Ok());
    EXPECT_NE(cards.back().vcard.find("窓の値"), std::string::npos);

    // A new address book made on the server from the setup window becomes its choice.
    WhenShown("frmSyncSetup", [&](QDialog& d) {
        WhenShown("frmSyncNewBook", [](QDialog& ask) {
            static_cast<QInputDialog&>(ask).setTextValue(QStringLiteral("事務所"));
            ask.accept();
        });
        d.findChild<QPushButton*>(QStringLiteral("cmd_SyncCreate"))->click();
        EXPECT_TRUE(d.findChild<QComboBox*>(QStringLiteral("cbo_SyncBook"))->currentText().startsWith("事務所（"));
        Screenshot(d, "sync-setup");
        d.reject();
    });
    w.findChild<QAction*>(QStringLiteral("mnuSyncSetup"))->trigger();
    ASSERT_TRUE(client.Discover(&books).Ok());
    EXPECT_TRUE(std::any_of(books.begin(), books.end(), [](const auto& b) { return U(b.displayName) == "事務所"; }));
}

// A data folder whose book holds `records` records and syncs with a new address book
// "家族" on `server`, its password kept.
struct SyncedFolder {
    explicit SyncedFolder(const std::string& serverRoot, int records)
    {
        folders.dataFolder = dir.Path() + "/data";
        folders.programFolder = dir.Path();
        folders.documentsFolder = dir.Path() + "/docs";
        AppSettings g(folders);
        g.ReadSettings(true);
        userFolder = g.BookFile({});
        platform::fs::MakeDirs(userFolder);
        AddressTable db;
        db.CreateDefaultTable();
        for (int i = 0; i < records; ++i) {
            db.ClearCurrent();
            EXPECT_EQ(db.SetValue(field::kName, S("宛名　") + std::to_string(i)), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kSender, "0"), RecordError::kNone); // listed among the addressees
            EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        }
        EXPECT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);
        account.url = serverRoot;
        account.user = DavServer::kUser;
        account.password = DavServer::kPassword;
    }

    // The book on the server (made on the first call) and the setup that names it.
    bool SetUp()
    {
        dav::DavClient client(account);
        std::vector<dav::AddressBookInfo> books;
        return client.Discover(&books).Ok() && client.CreateBook(S("家族"), &book).Ok()
            && sync::SaveSetup(userFolder + "/" + sync::SyncState::kFileName, book, DavServer::kUser)
            && sync::StorePassword(UserIni(), book.url, DavServer::kUser, DavServer::kPassword);
    }
    std::string UserIni() const { return userFolder + "/NrtUser.ini"; }

    // The UID and the FN of each card the server has.
    std::multiset<std::pair<std::string, std::string>> ServerCards() const
    {
        dav::DavClient client(account);
        std::vector<dav::CardRef> refs;
        EXPECT_TRUE(client.ListCards(book.url, &refs).Ok());
        std::vector<std::string> hrefs;
        for (const auto& r : refs)
            hrefs.push_back(r.href);
        std::vector<dav::Card> cards;
        std::vector<std::string> missing;
        EXPECT_TRUE(client.Multiget(book.url, hrefs, &cards, &missing).Ok());
        std::multiset<std::pair<std::string, std::string>> out;
        for (const auto& c : cards) {
            const auto line = [&c](const char* name) {
                const std::size_t at = c.vcard.find(std::string("\n") + name + ":");
                if (at == std::string::npos)
                    return std::string();
                const std::size_t from = at + std::strlen(name) + 2;
                return c.vcard.substr(from, c.vcard.find_first_of("\r\n", from) - from);
            };
            out.emplace(line("UID"), line("FN"));
        }
        return out;
    }

    nrt::test::TempDir dir;
    StartupFolders folders;
    std::string userFolder;
    dav::DavAccount account;
    dav::AddressBookInfo book;
};

// The UID and the name of each record of the window's book.
std::multiset<std::pair<std::string, std::string>> BookCards(MainWindow& w)
{
    std::multiset<std::pair<std::string, std::string>> out;
    AddressTable& t = w.Table();
    for (int k = 0; k < t.GetRecordCount(); ++k)
        if (!t.IsDeleted(k))
            out.emplace(std::string(t.Value(t.UidField(), k)), U(t.Value(field::kName, k)));
    return out;
}

// Runs `step` once `ready` holds, looking every 5 ms (also while a sync lets events through).
void When(std::function<bool()> ready, std::function<void()> step)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, ready, step] {
        if (!ready())
            return;
        timer->stop();
        timer->deleteLater();
        step();
    });
    timer->start();
}

QDialog* Shown(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->objectName() == QLatin1String(name))
            return d;
    return nullptr;
}

// 中止 in the middle of the uploads: the book and the server keep what was done, and
// the next sync ends with both sides holding the same cards once each.
TEST(SyncWindow, StoppedInTheMiddleIsFinishedByTheNextSync)
{
    DavServer server(DavServer::Kind::kRadicale);
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    constexpr int kRecords = 80;
    SyncedFolder folder(server.Root(), kRecords);
    ASSERT_TRUE(folder.SetUp());
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
    MainWindow w(folder.folders);
    auto* now = w.findChild<QAction*>(QStringLiteral("mnuSyncNow"));

    QString stepShown;
    int doneAtCancel = -1;
    When(
        [] {
            QDialog* d = Shown("frmSyncProgress");
            return d && d->findChild<QProgressBar*>(QStringLiteral("prg_Sync"))->value() >= 20;
        },
        [&] {
            QDialog* d = Shown("frmSyncProgress");
            stepShown = d->findChild<QLabel*>(QStringLiteral("lbl_SyncStep"))->text();
            doneAtCancel = d->findChild<QProgressBar*>(QStringLiteral("prg_Sync"))->value();
            Screenshot(*d, "sync-progress");
            d->findChild<QPushButton*>(QStringLiteral("cmd_Cancel"))->click();
        });
    now->trigger();
    EXPECT_TRUE(stepShown.startsWith(QStringLiteral("カードを送っています "))) << stepShown.toStdString();
    EXPECT_TRUE(stepShown.endsWith(QStringLiteral("/%1").arg(kRecords))) << stepShown.toStdString();
    EXPECT_EQ(host.shown.back().icon, platform::MsgIcon::Information);
    EXPECT_TRUE(U(host.LastText()).starts_with("同期を中止しました。")) << U(host.LastText());
    const std::size_t sentBefore = folder.ServerCards().size();
    EXPECT_GE(sentBefore, static_cast<std::size_t>(doneAtCancel));
    EXPECT_LT(sentBefore, static_cast<std::size_t>(kRecords));
    EXPECT_EQ(Shown("frmSyncProgress"), nullptr);

    now->trigger();
    EXPECT_TRUE(U(host.LastText())
                    .starts_with("同期しました。\nアップロード: " + std::to_string(kRecords - sentBefore)
                        + "\nダウンロード: 0\n"))
        << U(host.LastText());
    const auto book = BookCards(w);
    EXPECT_EQ(book.size(), static_cast<std::size_t>(kRecords));
    EXPECT_EQ(folder.ServerCards(), book);
    now->trigger();
    EXPECT_TRUE(U(host.LastText()).starts_with("同期しました。\nアップロード: 0\nダウンロード: 0\n"))
        << U(host.LastText());
}

// A server that does not answer: 中止 stops the request within a second or so, with
// the calm word, and the book stays as it was.
TEST(SyncWindow, CancelStopsARequestTheServerDoesNotAnswer)
{
    test::ScriptedDavServer server(R"(
import time
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    def log_message(self, *args):
        pass
    def do_REPORT(self):
        time.sleep(30)
)");
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    SyncedFolder folder(server.Root(), 2);
    dav::AddressBookInfo book;
    book.url = server.Root() + "/book/";
    book.syncCollection = true;
    ASSERT_TRUE(sync::SaveSetup(folder.userFolder + "/" + sync::SyncState::kFileName, book, "u"));
    ASSERT_TRUE(sync::StorePassword(folder.UserIni(), book.url, "u", "p"));
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
    MainWindow w(folder.folders);
    QElapsedTimer sinceCancel;
    When([] { return Shown("frmSyncProgress") != nullptr; },
        [&] {
            QTimer::singleShot(300, [&] {
                sinceCancel.start();
                Shown("frmSyncProgress")->reject(); // Escape
            });
        });
    w.findChild<QAction*>(QStringLiteral("mnuSyncNow"))->trigger();
    ASSERT_TRUE(sinceCancel.isValid());
    EXPECT_LT(sinceCancel.elapsed(), 2500);
    EXPECT_TRUE(U(host.LastText()).starts_with("同期を中止しました。")) << U(host.LastText());
    EXPECT_TRUE(w.Table().UidField() < 0 || w.Table().Value(w.Table().UidField(), 0).empty());
}

// Turned on in 同期の設定, the book syncs once after several quick saves (its own save
// of what came down starts none) and once when the window opens; turned off, or without
// a kept password, not at all.
TEST(SyncWindow, SyncsByItselfOnceAfterQuickSavesOnlyWhenTurnedOn)
{
    DavServer server(DavServer::Kind::kRadicale);
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    SyncedFolder folder(server.Root(), 3);
    ASSERT_TRUE(folder.SetUp());
    const std::string iniBefore = [&] {
        std::string bytes;
        platform::fs::ReadFile(folder.UserIni(), bytes);
        return bytes;
    }();
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope { host };
    auto window = std::make_unique<MainWindow>(folder.folders);
    MainWindow& w = *window;
    auto* timer = w.findChild<QTimer*>(QStringLiteral("tmrAutoSync"));
    ASSERT_NE(timer, nullptr);
    timer->setInterval(300);
    auto* status = w.findChild<QLabel*>(QStringLiteral("lbl_SyncStatus"));
    ASSERT_NE(status, nullptr);
    const auto saveEdits = [&](const char* note) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(w.Table().StoreValue(k, field::kNote1, S(note)), RecordError::kNone);
            ASSERT_TRUE(w.SaveBook());
            QTest::qWait(50);
        }
    };

    // Off: the setup dialog, left as it is, writes nothing new, and saves sync nothing.
    WhenShown("frmSyncSetup", [&](QDialog& d) {
        EXPECT_FALSE(d.findChild<QCheckBox*>(QStringLiteral("chk_SyncAuto"))->isChecked());
        d.findChild<QPushButton*>(QStringLiteral("cmd_OK"))->click();
    });
    w.findChild<QAction*>(QStringLiteral("mnuSyncSetup"))->trigger();
    std::string ini;
    ASSERT_TRUE(platform::fs::ReadFile(folder.UserIni(), ini));
    EXPECT_EQ(ini, iniBefore);
    saveEdits("一");
    QTest::qWait(700);
    EXPECT_TRUE(folder.ServerCards().empty());
    EXPECT_FALSE(status->isVisible() && !status->text().isEmpty());

    // On: a phone adds a card meanwhile; three saves make one sync, which brings it.
    WhenShown("frmSyncSetup", [&](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("chk_SyncAuto"))->setChecked(true);
        Screenshot(d, "sync-setup");
        d.findChild<QPushButton*>(QStringLiteral("cmd_OK"))->click();
    });
    w.findChild<QAction*>(QStringLiteral("mnuSyncSetup"))->trigger();
    EXPECT_TRUE(sync::AutoSync(folder.UserIni()));
    {
        dav::DavClient phone(folder.account);
        dav::WriteResult written;
        ASSERT_TRUE(
            phone
                .Create(folder.book.url, "phone-1.vcf",
                    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-1\r\nFN:電話　花子\r\nN:電話;花子;;;\r\nEND:VCARD\r\n",
                    &written)
                .Ok());
    }
    const std::size_t messagesBefore = host.shown.size();
    saveEdits("二");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().startsWith(QStringLiteral("同期しました")); }, 10000));
    QTest::qWait(700); // time for a second sync, which must not come
    EXPECT_EQ(host.shown.size(), messagesBefore) << U(host.LastText());
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("同期しました"))) << status->text().toStdString();
    // One sync took all three saves: its summary, not a later one's, stands.
    EXPECT_TRUE(U(FromQ(status->toolTip())).starts_with("アップロード: 3\nダウンロード: 1\n"))
        << status->toolTip().toStdString();
    EXPECT_EQ(w.Table().GetRecordCount(), 4);
    EXPECT_EQ(folder.ServerCards(), BookCards(w));
    EXPECT_FALSE(timer->isActive());

    // A server gone away: no box, the status bar has the word and the full message.
    server.Halt();
    saveEdits("停");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return status->text().startsWith(QStringLiteral("同期できませんでした")); }, 10000))
        << status->text().toStdString();
    EXPECT_EQ(host.shown.size(), messagesBefore) << U(host.LastText());
    EXPECT_NE(status->toolTip().indexOf(QString::number(server.Port())), -1) << status->toolTip().toStdString();
    ASSERT_TRUE(server.Restart());

    // Without a kept password it asks nothing and says why.
    ASSERT_TRUE(sync::StorePassword(folder.UserIni(), folder.book.url, DavServer::kUser, ""));
    saveEdits("三");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().contains(QStringLiteral("パスワード")); }, 10000))
        << status->text().toStdString();
    EXPECT_EQ(host.shown.size(), messagesBefore);

    // The next start syncs once the window shows: the phone's change comes down.
    ASSERT_TRUE(sync::StorePassword(folder.UserIni(), folder.book.url, DavServer::kUser, DavServer::kPassword));
    window.reset();
    {
        dav::DavClient phone(folder.account);
        std::vector<dav::Card> cards;
        std::vector<std::string> missing;
        ASSERT_TRUE(phone.Multiget(folder.book.url, { folder.book.url + "phone-1.vcf" }, &cards, &missing).Ok());
        ASSERT_EQ(cards.size(), 1u);
        dav::WriteResult written;
        ASSERT_TRUE(
            phone
                .Update(cards[0].href, cards[0].etag,
                    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-1\r\nFN:電話　花江\r\nN:電話;花江;;;\r\nEND:VCARD\r\n",
                    &written)
                .Ok());
    }
    MainWindow again(folder.folders);
    again.findChild<QTimer*>(QStringLiteral("tmrAutoSync"))->setInterval(100);
    auto* shownStatus = again.findChild<QLabel*>(QStringLiteral("lbl_SyncStatus"));
    again.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownStatus->text().startsWith(QStringLiteral("同期しました")); }, 10000));
    EXPECT_EQ(folder.ServerCards(), BookCards(again));
    EXPECT_TRUE(BookCards(again).contains({ "phone-1", "電話　花江" }));
    Screenshot(again, "sync-status");
}

} // namespace
