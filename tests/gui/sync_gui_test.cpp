// The file menu's 同期 against a Radicale server the test starts on 127.0.0.1: a sync
// from the window with its summary, and a conflict shown and taken back in its window.
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
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

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
    dav::DavAccount account;
    account.url = server.Root();
    account.user = DavServer::kUser;
    account.password = DavServer::kPassword;
    dav::DavClient client(account);
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
    now->trigger();
    EXPECT_NE(U(host.LastText()).find("競合: 1\n"), std::string::npos) << U(host.LastText());
    EXPECT_EQ(U(w.Table().Value(field::kNote1, 0)), "電話の値");

    bool shown = false;
    WhenShown("frmSyncConflicts", [&](QDialog& d) {
        shown = true;
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
    w.findChild<QAction*>(QStringLiteral("mnuSyncConflicts"))->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(U(w.Table().Value(field::kNote1, 0)), "窓の値");
    now->trigger();
    ASSERT_TRUE(client.Multiget(book.url, { refs[0].href }, &cards, &missing).Ok());
    EXPECT_NE(cards.back().vcard.find("窓の値"), std::string::npos);

    WhenShown("frmSyncSetup", [&](QDialog& d) {
        Screenshot(d, "sync-setup");
        d.reject();
    });
    w.findChild<QAction*>(QStringLiteral("mnuSyncSetup"))->trigger();
}

} // namespace
