// The mail windows offscreen: the progress dialog running the worker on its thread,
// the composer, the log viewer and the main window's mail menu.
#include "GuiTestSupport.h"

#include "app/MainWindow.h"
#include "forms/OptionsDialog.h"
#include "mail/MailFiles.h"
#include "mail/MailTestSupport.h"
#include "mail/MailingTestSupport.h"
#include "mail/qt/MailCommands.h"
#include "mail/qt/MailComposerWindow.h"
#include "mail/qt/MailLogWindow.h"
#include "mail/qt/MailingProgress.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

using namespace nrt;
using namespace nrt::gui;
using nrt::platform::MsgResult;
using nrt::test::Control;
using nrt::test::NodeSmtpServer;
using nrt::test::Person;
using nrt::test::S;
using nrt::test::U;

namespace {

namespace fs = platform::fs;

QString Q(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Records every box, and whether it came up on the user-interface thread.
class ThreadCheckingHost : public platform::RecordingMessageHost {
public:
    platform::MsgResult Show(const platform::MessageRequest& request) override
    {
        if (QThread::currentThread() != qApp->thread())
            ++offThread;
        return RecordingMessageHost::Show(request);
    }
    int offThread = 0;
};

// A test clock that lets the test look at the dialog while the worker rests.
class WatchingClock : public platform::FakeClock {
public:
    platform::LocalTime Now() override
    {
        nowThread = QThread::currentThread();
        return FakeClock::Now();
    }
    void SleepMs(std::uint32_t ms) override
    {
        FakeClock::SleepMs(ms);
        if (onSleep)
            onSleep();
    }
    std::function<void()> onSleep;
    QThread* nowThread = nullptr;
};

// Runs `job` on the modal dialog of type T once it is up.
template <class T> void WhenModal(std::function<void(T*)> job)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, job] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            job(w);
        }
    });
    timer->start();
}

class MailWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.dataFolder = dir.Path();
        folders.programFolder = dir.Path();
        folders.documentsFolder = dir.Path();
        settings = std::make_unique<AppSettings>(folders);
        settings->ReadSettings(true);
        fs::MakeDirs(settings->BookFile({}));
        clock.now = { 2025, 1, 5, 9, 3, 7, 0 };
    }

    void Recipients(const std::vector<Person>& people)
    {
        nrt::test::FillTable(db, people);
        rec.Attach(&db);
        ASSERT_EQ(rec.SetSort(S("メール,カナ"), 0), SortError::kNone);
        ASSERT_EQ(rec.Select(S("印字区分='1' and 宛名区分='0'")), SelectResult::kSelected);
    }

    void UseServer(int port)
    {
        settings->SetMailHost("127.0.0.1");
        settings->SetMailPort(port);
        settings->SetMailTimeout(5);
    }

    std::unique_ptr<SmtpClient> Client(int port)
    {
        auto mail = std::make_unique<SmtpClient>();
        mail->SetWidth(80);
        mail->SetBodyLine(0, S("本文"));
        SmtpSettings s;
        s.host = "127.0.0.1";
        s.port = port;
        s.timeout = 5;
        EXPECT_EQ(mail->SetServer(s), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail->Open(), SmtpClient::Result::kOk);
        EXPECT_EQ(mail->SetFrom("sender@example.com", ""), SmtpClient::SetResult::kOk);
        mail->SetSubject(S("お知らせ"));
        return mail;
    }

    std::string MailFile(const char* name) const { return settings->BookFile("Mail") + "/" + name; }

    nrt::test::ScopedTimeZone tokyo { "Asia/Tokyo" };
    nrt::test::TempDir dir;
    StartupFolders folders;
    std::unique_ptr<AppSettings> settings;
    AddressTable db;
    RecordSet rec;
    ThreadCheckingHost messages;
    platform::ScopedMessageHost scopedMessages { messages };
    WatchingClock clock;
    platform::ScopedClock scopedClock { clock };
};

} // namespace

TEST_F(MailWindows, ProgressDialogRunsTheWorkerOnItsThread)
{
    const std::string longNote(100, 'n'); // the whole width of 備考１
    Recipients({ { "甲", "a@example.com", "", "1", "0", longNote.c_str() }, { "乙", "b@example.com" },
        { "丙", "c@example.com" } });
    int seen = 0;
    nrt::test::ScriptedServer peer([&](nrt::test::ScriptPeer& p, int) { nrt::test::WillingSession(p, &seen); });
    auto mail = Client(peer.Port());
    // 甲's note does not fit the line: a box from the worker's thread.
    const TemplateList templates { { 0, std::string(950, 'x') + S("%備考１%") } };

    MailingProgress dialog;
    bool startedWhileShown = false;
    QObject::connect(&dialog, &MailingProgress::WorkerStarted, [&] { startedWhileShown = dialog.isVisible(); });
    EXPECT_EQ(dialog.Run(&templates, mail.get(), &rec, settings->BookFile("Mail")), MailingRun::Outcome::kRanThrough);
    peer.Join();
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(dialog.windowTitle(), Q("ノルテア"));
    EXPECT_EQ(Control<QLabel>(dialog, "lbl_Count")->text(), QStringLiteral("3 / 3"));
    EXPECT_EQ(Control<QProgressBar>(dialog, "ProgressBar1")->value(), 3);
    EXPECT_EQ(Control<QProgressBar>(dialog, "ProgressBar1")->maximum(), 3);
    EXPECT_EQ(Control<QLineEdit>(dialog, "txt_Err")->text(), QStringLiteral("0"));
    EXPECT_FALSE(Control<QLineEdit>(dialog, "txt_Err")->isVisible());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.Running());
    EXPECT_TRUE(startedWhileShown);
    ASSERT_NE(clock.nowThread, nullptr);
    EXPECT_NE(clock.nowThread, qApp->thread()) << "the worker runs on a thread of its own";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(U(messages.LastText()), "文字数がオーバーしました。");
    EXPECT_EQ(messages.offThread, 0) << "boxes are shown by the user-interface thread";
    EXPECT_NE(U(nrt::test::ReadAll(MailFile("list.log"))).find("3通を送信しました。"), std::string::npos);
}

TEST_F(MailWindows, TheRestShowsOnTheLabelAndCancelEndsIt)
{
    std::vector<std::string> storage;
    Recipients(nrt::test::NumberedPeople(150, storage));
    int seen = 0;
    nrt::test::ScriptedServer peer([&](nrt::test::ScriptPeer& p, int) { nrt::test::WillingSession(p, &seen); });
    auto mail = Client(peer.Port());

    MailingProgress dialog;
    std::set<QString> labels;
    QString count;
    int sleeps = 0;
    clock.onSleep = [&] {
        // On the worker's thread: look at the dialog where it lives, then cancel.
        QMetaObject::invokeMethod(
            &dialog,
            [&] {
                labels.insert(Control<QLabel>(dialog, "lbl_Msg")->text());
                count = Control<QLabel>(dialog, "lbl_Count")->text();
                if (++sleeps == 3)
                    Control<QPushButton>(dialog, "cmd_Cancel")->click();
            },
            Qt::BlockingQueuedConnection);
    };
    EXPECT_EQ(dialog.Run(nullptr, mail.get(), &rec, settings->BookFile("Mail")), MailingRun::Outcome::kBrokenOff);
    peer.Join();
    EXPECT_EQ(labels, std::set<QString> { Q("休憩中・・・") });
    EXPECT_EQ(count, QStringLiteral("100 / 150"));
    EXPECT_EQ(sleeps, 3);
    EXPECT_EQ(seen, 100);
    EXPECT_EQ(Control<QLineEdit>(dialog, "txt_Err")->text(), QStringLiteral("2"));
    const std::string log = U(nrt::test::ReadAll(MailFile("list.log")));
    EXPECT_NE(log.find("100通送信して処理を中断しました。"), std::string::npos);
}

TEST_F(MailWindows, EscapeDuringTheRunCancelsInsteadOfClosing)
{
    std::vector<std::string> storage;
    Recipients(nrt::test::NumberedPeople(120, storage));
    int seen = 0;
    nrt::test::ScriptedServer peer([&](nrt::test::ScriptPeer& p, int) { nrt::test::WillingSession(p, &seen); });
    auto mail = Client(peer.Port());
    MailingProgress dialog;
    bool visibleAfterEscape = false;
    clock.onSleep = [&] {
        QMetaObject::invokeMethod(
            &dialog,
            [&] {
                if (visibleAfterEscape)
                    return;
                QTest::keyClick(&dialog, Qt::Key_Escape);
                visibleAfterEscape = dialog.isVisible();
            },
            Qt::BlockingQueuedConnection);
    };
    EXPECT_EQ(dialog.Run(nullptr, mail.get(), &rec, settings->BookFile("Mail")), MailingRun::Outcome::kBrokenOff);
    peer.Join();
    EXPECT_TRUE(visibleAfterEscape);
    EXPECT_EQ(seen, 100);
}

TEST_F(MailWindows, ComposerFieldsFilesAndClosing)
{
    Recipients({ { "甲", "a@example.com" }, { "乙", "b@example.com" } });
    MailingProgress sendForm;
    MailComposerWindow composer(*settings, db, sendForm);
    composer.SetMailing({ S("差出人"), "me@example.com" }, &rec);
    EXPECT_EQ(composer.windowTitle(), Q("メール送信(送信数: 2通)"));
    EXPECT_EQ(Control<QMenu>(composer, "mnuField")->actions().size(), 18);
    EXPECT_EQ(Control<QMenu>(composer, "mnuField")->actions().front()->text(), Q("名前(&1)"));
    EXPECT_EQ(Control<QMenu>(composer, "mnuField")->actions().back()->text(), Q("備考２(&I)"));
    EXPECT_EQ(Control<QLineEdit>(composer, "txt_Title")->maxLength(), 60);

    // The field goes in at the caret and stays on the clipboard.
    Control<QPlainTextEdit>(composer, "txt_Memo")->setPlainText(Q("拝啓 様"));
    QTextCursor cursor = Control<QPlainTextEdit>(composer, "txt_Memo")->textCursor();
    cursor.setPosition(3);
    Control<QPlainTextEdit>(composer, "txt_Memo")->setTextCursor(cursor);
    Control<QMenu>(composer, "mnuField")->actions().front()->trigger();
    EXPECT_EQ(Control<QPlainTextEdit>(composer, "txt_Memo")->toPlainText(), Q("拝啓 %名前%様"));
    EXPECT_EQ(QApplication::clipboard()->text(), Q("%名前%"));
    EXPECT_TRUE(composer.Modified());

    // Saving clears the modified flag; loading asks first while it is set.
    Control<QLineEdit>(composer, "txt_Title")->setText(Q("件名"));
    Control<QCheckBox>(composer, "chk_Zyun")->setChecked(true);
    const std::string saved = dir.File("saved");
    composer.chooseFile = [&](bool save, std::string& path, int& filter) {
        path = saved;
        filter = save ? static_cast<int>(mailfiles::kSaveMal) : static_cast<int>(mailfiles::kOpenMal);
        return true;
    };
    Control<QAction>(composer, "mnuFileSaveAs")->trigger();
    EXPECT_FALSE(composer.Modified());
    EXPECT_EQ(nrt::test::ReadAll(saved + ".mal"), S("ML\t1\t件名\t1\t\r\n拝啓 %名前%様\r\n"));

    Control<QPlainTextEdit>(composer, "txt_Memo")->setPlainText(Q("書きかけ"));
    messages.Answer(MsgResult::No);
    Control<QAction>(composer, "mnuFileLoad")->trigger();
    EXPECT_EQ(U(messages.LastText()), "更新があります。破棄されますがよろしいですか？");
    EXPECT_EQ(messages.shown.back().defaultButton, MsgResult::No);
    EXPECT_EQ(Control<QPlainTextEdit>(composer, "txt_Memo")->toPlainText(), Q("書きかけ"));
    messages.Answer(MsgResult::Yes);
    Control<QCheckBox>(composer, "chk_Zyun")->setChecked(false);
    Control<QAction>(composer, "mnuFileLoad")->trigger();
    EXPECT_EQ(Control<QPlainTextEdit>(composer, "txt_Memo")->toPlainText(), Q("拝啓 %名前%様\n"));
    EXPECT_TRUE(Control<QCheckBox>(composer, "chk_Zyun")->isChecked());
    EXPECT_FALSE(composer.Modified());

    // Nothing sent and nothing closed yet: the two internal files are missing.
    messages.shown.clear();
    Control<QAction>(composer, "mnuFilePrevLoad")->trigger();
    Control<QAction>(composer, "mnuFilePrevForm")->trigger();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(U(messages.shown[0].text), "前回送信したメールが存在しません。");
    EXPECT_EQ(U(messages.shown[1].text), "前回終了時のメールが存在しません。");

    // Closing with changes asks; No keeps the window, Yes still keeps the text.
    composer.show();
    Control<QPlainTextEdit>(composer, "txt_Memo")->setPlainText(Q("最後の文面"));
    messages.Answer(MsgResult::No);
    Control<QPushButton>(composer, "cmd_Close")->click();
    EXPECT_TRUE(composer.isVisible());
    EXPECT_EQ(U(messages.LastText()), "更新があります。破棄しますか？");
    messages.Answer(MsgResult::Yes);
    Control<QPushButton>(composer, "cmd_Close")->click();
    EXPECT_FALSE(composer.isVisible());
    EXPECT_EQ(nrt::test::ReadAll(MailFile("FormMail.mlt")), S("ML\t1\t件名\t1\t\r\n最後の文面\r\n"));

    // And the text closed with comes back.
    MailComposerWindow again(*settings, db, sendForm);
    Control<QAction>(again, "mnuFilePrevForm")->trigger();
    EXPECT_EQ(Control<QPlainTextEdit>(again, "txt_Memo")->toPlainText(), Q("最後の文面\n"));
    EXPECT_EQ(Control<QLineEdit>(again, "txt_Title")->text(), Q("件名"));
}

TEST_F(MailWindows, ComposerRefusalsLeaveItOpen)
{
    Recipients({ { "甲", "a@example.com" } });
    MailingProgress sendForm;
    MailComposerWindow composer(*settings, db, sendForm);
    composer.SetMailing({ S("差出人"), "me@example.com" }, &rec);
    composer.show();
    Control<QPlainTextEdit>(composer, "txt_Memo")->setPlainText(Q("%住所３%"));

    Control<QPushButton>(composer, "cmd_Send")->click(); // no server
    EXPECT_EQ(U(messages.LastText()),
        "送信(SMTP)サーバーが設定されていません。\n「メール」→「メール送信設定」で設定できます。");
    UseServer(nrt::test::UnusedPort());
    // A blank subject is refused, not replaced.
    Control<QLineEdit>(composer, "txt_Title")->setText(Q("　 "));
    Control<QPushButton>(composer, "cmd_Send")->click();
    EXPECT_EQ(U(messages.LastText()), "件名を入力して下さい。");
    Control<QLineEdit>(composer, "txt_Title")->setText(Q("お知らせ"));
    Control<QPushButton>(composer, "cmd_Send")->click();
    EXPECT_EQ(U(messages.LastText()), "フィールド(住所３）は存在しません。");

    // Characters the program cannot hold are asked about, not sent as "?" unseen.
    Control<QPlainTextEdit>(composer, "txt_Memo")->setPlainText(Q("%名前% 様 🎍"));
    messages.shown.clear();
    messages.Answer(MsgResult::No);
    Control<QPushButton>(composer, "cmd_Send")->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(U(messages.LastText()),
        "絵文字など、メールで送ることのできない文字が含まれています。\n"
        "「?」に置き換えて送信してよろしいですか？");
    EXPECT_TRUE(composer.isVisible());

    // A server that is not there: the connection fails and the text stays.
    Control<QPlainTextEdit>(composer, "txt_Memo")->setPlainText(Q("%名前% 様"));
    messages.shown.clear();
    Control<QPushButton>(composer, "cmd_Send")->click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(U(messages.shown[0].text), "送信します。よろしいですか？");
    EXPECT_EQ(U(messages.shown[1].text), "サーバーソケットに接続失敗。");
    EXPECT_EQ(Control<QStatusBar>(composer, "StatusBar1")->currentMessage(), Q("接続失敗"));
    EXPECT_TRUE(composer.isVisible());
    EXPECT_EQ(Control<QPlainTextEdit>(composer, "txt_Memo")->toPlainText(), Q("%名前% 様"));
    EXPECT_FALSE(fs::Exists(MailFile("PrevMail.mlt")));
}

TEST_F(MailWindows, ComposerSendsThroughTheProgressDialog)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    ASSERT_GT(server.Port(), 0);
    UseServer(server.Port());
    Recipients({ { "甲", "a@example.com" }, { "乙", "" } });
    MailingProgress sendForm;
    MailComposerWindow composer(*settings, db, sendForm);
    composer.SetMailing({ S("差出人"), "me@example.com" }, &rec);
    composer.show();
    Control<QLineEdit>(composer, "txt_Title")->setText(Q("お知らせ"));
    Control<QPlainTextEdit>(composer, "txt_Memo")->setPlainText(Q("%名前% 様\nご案内です。"));
    Control<QPushButton>(composer, "cmd_Send")->click();

    EXPECT_FALSE(composer.isVisible());
    EXPECT_EQ(Control<QStatusBar>(composer, "StatusBar1")->currentMessage(), Q("送信完了"));
    ASSERT_EQ(server.Messages().size(), 1u);
    auto decoded = nrt::test::DecodeWithPython(server.Messages()[0].raw);
    EXPECT_EQ(decoded["body"], "甲 様\r\nご案内です。\r\n");
    EXPECT_EQ(decoded["subject"], "お知らせ");
    ASSERT_GE(messages.shown.size(), 2u);
    EXPECT_EQ(U(messages.LastText()),
        "送信を完了しましたが、送信できなかったメールが存在します。\n送信ログを確認して下さい。\n"
        "送信に失敗しました。2通中 1通を送信しました。1通は送信できませんでした。 送信 1通／送信不可 1通／未送信 "
        "0通\n乙 <>: 宛先アドレスが未入力です。\n"
        "「前回送信メールの読込み」で同じメールを開き、「未送信のみ再送」で残りを送信できます。");
    EXPECT_EQ(U(messages.shown.back().caption), "メール送信");
    const std::string file = S("ML\t1\tお知らせ\t0\t\r\n%名前% 様\r\nご案内です。\r\n");
    EXPECT_EQ(nrt::test::ReadAll(MailFile("PrevMail.mlt")), file);
    EXPECT_EQ(nrt::test::ReadAll(MailFile("Sd20250105090307.mlb")), file);
    EXPECT_EQ(nrt::test::ReadAll(MailFile("FormMail.mlt")), file);
    EXPECT_NE(
        U(nrt::test::ReadAll(MailFile("list.log"))).find("乙\t\t宛先アドレスが未入力です。(-155)"), std::string::npos);
}

TEST_F(MailWindows, LogViewerShowsTheFileReadOnly)
{
    MailLogWindow log;
    const std::string path = dir.File("list.log");
    nrt::test::WriteAll(path, S("■2025年01月05日 09:03:07 　『件名』■\r\n甲\ta@example.com\r\n"));
    ASSERT_TRUE(log.LoadFile(path));
    EXPECT_EQ(log.windowTitle(), Q("ログ照会"));
    EXPECT_TRUE(Control<QPlainTextEdit>(log, "txt_Log")->isReadOnly());
    EXPECT_EQ(Control<QPlainTextEdit>(log, "txt_Log")->toPlainText(),
        Q("■2025年01月05日 09:03:07 　『件名』■\n甲\ta@example.com\n"));
    EXPECT_EQ(Control<QPushButton>(log, "cmd_Close")->text(), Q("閉じる(&C)"));
    EXPECT_FALSE(log.LoadFile(dir.File("missing.log")));
}

namespace {

class MailMenu : public MailWindows {
protected:
    void WriteBook(const std::vector<Person>& people)
    {
        AddressTable book;
        nrt::test::FillTable(book, people);
        ASSERT_EQ(book.SaveTable(settings->BookFile(S("nrt.ndb"))), TableError::kNone);
    }
    QAction* Action(MainWindow& w, const char* name)
    {
        return w.MailMenu()->findChild<QAction*>(QString::fromLatin1(name));
    }
};

} // namespace

TEST_F(MailMenu, CommandsOfTheMailMenu)
{
    MainWindow w(folders);
    EXPECT_TRUE(w.MailMenu()->menuAction()->isVisible());
    QStringList names;
    for (QAction* a : w.MailMenu()->actions())
        if (!a->isSeparator())
            names << a->objectName() + "=" + a->text();
    EXPECT_EQ(names,
        (QStringList { Q("mnuNetSend=メール一括送信(&S)..."), Q("mnuNetSendList=送信リスト(&L)..."),
            Q("mnuNetMailCheck=前回送信ログの確認(&G)..."), Q("mnuNetMailSet=メール送信設定(&O)...") }));
    EXPECT_NE(w.findChild<MailingProgress*>(), nullptr);

    Action(w, "mnuNetSendList")->trigger();
    Action(w, "mnuNetMailCheck")->trigger();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(U(messages.shown[0].text), "送信リストが見つかりません。");
    EXPECT_EQ(U(messages.shown[1].text), "送信ログが見つかりません。");

    fs::MakeDirs(MailFile(""));
    nrt::test::WriteAll(MailFile("mail.log"), S("2025/01/05 09:03:07\t件名\t\t\t1通を送信しました。\r\n"));
    QString shown;
    WhenModal<MailLogWindow>([&](MailLogWindow* log) {
        shown = Control<QPlainTextEdit>(log, "txt_Log")->toPlainText();
        Control<QPushButton>(log, "cmd_Close")->click();
    });
    Action(w, "mnuNetSendList")->trigger();
    EXPECT_EQ(shown, Q("2025/01/05 09:03:07\t件名\t\t\t1通を送信しました。\n"));

    Action(w, "mnuNetSend")->trigger(); // no server set
    EXPECT_EQ(U(messages.LastText()),
        "送信(SMTP)サーバーが設定されていません。\n「メール」→「メール送信設定」で設定できます。");

    // The settings open on their mail page.
    QString page;
    WhenModal<OptionsDialog>([&](OptionsDialog* options) {
        page = Control<QTabWidget>(options, "PageControl1")
                   ->tabText(Control<QTabWidget>(options, "PageControl1")->currentIndex());
        Control<QPushButton>(options, "cmd_Close")->click();
    });
    Action(w, "mnuNetMailSet")->trigger();
    EXPECT_EQ(page, Q("メール"));
}

TEST_F(MailMenu, BulkMailingOpensTheComposerOnTheMarkedAddressees)
{
    WriteBook({ { "差出人", "me@example.com", "", "1", "1" }, { "甲", "a@example.com" }, { "乙", "b@example.com" },
        { "丙", "c@example.com", "", "0" } });
    settings->SetMailHost("smtp.example.com");
    ASSERT_TRUE(settings->WriteSettings().Ok());
    MainWindow w(folders);
    QString caption;
    WhenModal<MailComposerWindow>([&](MailComposerWindow* composer) {
        caption = composer->windowTitle();
        Control<QPushButton>(composer, "cmd_Close")->click();
    });
    Action(w, "mnuNetSend")->trigger();
    EXPECT_EQ(caption, Q("メール送信(送信数: 2通)"));
    EXPECT_TRUE(messages.shown.empty()) << U(messages.LastText());
}

TEST_F(MailWindows, Screenshots)
{
    // Both windows laid out and drawn; with NRT_SCREENSHOT_DIR set they are kept as PNGs.
    Recipients({ { "甲", "a@example.com" }, { "乙", "b@example.com" } });
    MailingProgress sendForm;
    MailComposerWindow composer(*settings, db, sendForm);
    composer.SetMailing({ S("差出人"), "me@example.com" }, &rec);
    Control<QLineEdit>(composer, "txt_Title")->setText(Q("新年会のお知らせ"));
    Control<QPlainTextEdit>(composer, "txt_Memo")
        ->setPlainText(Q("%名前% 様\n\n新年会を下記のとおり開きます。\n日時: 1月18日(土) 18:00\n会費: "
                         "5,000円\n\n幹事 %備考１%\n"));
    Control<QStatusBar>(composer, "StatusBar1")->showMessage(Q("接続開始"));
    composer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&composer));
    const QPixmap composerPicture = composer.grab();

    Control<QLabel>(sendForm, "lbl_Count")->setText(QStringLiteral("37 / 120"));
    Control<QProgressBar>(sendForm, "ProgressBar1")->setMaximum(120);
    Control<QProgressBar>(sendForm, "ProgressBar1")->setValue(37);
    sendForm.adjustSize(); // drawn without being shown: showing it starts a worker
    const QPixmap progressPicture = sendForm.grab();
    EXPECT_GT(composerPicture.width(), 400);
    EXPECT_GT(progressPicture.width(), 200);
    if (const char* folder = std::getenv("NRT_SCREENSHOT_DIR")) {
        composerPicture.save(QString::fromLocal8Bit(folder) + "/mail-composer.png");
        progressPicture.save(QString::fromLocal8Bit(folder) + "/mail-progress.png");
    }
}

TEST_F(MailWindows, ResendingOnlyWhatACutRunLeftThroughTheComposer)
{
    NodeSmtpServer::Options o;
    o.dropAfter = 1; // gone when the second message is asked for
    NodeSmtpServer server(dir.Path() + "/spool", o);
    ASSERT_GT(server.Port(), 0);
    UseServer(server.Port());
    Recipients({ { "甲", "a@example.com" }, { "乙", "b@example.com" }, { "丙", "c@example.com" } });
    MailingProgress sendForm;
    {
        MailComposerWindow composer(*settings, db, sendForm);
        composer.SetMailing({ S("差出人"), "me@example.com" }, &rec);
        composer.show();
        // Nothing was sent with this text yet: nothing to resend.
        Control<QLineEdit>(composer, "txt_Title")->setText(Q("お知らせ"));
        Control<QPlainTextEdit>(composer, "txt_Memo")->setPlainText(Q("%名前% 様"));
        Control<QPushButton>(composer, "cmd_Resend")->click();
        EXPECT_EQ(U(messages.LastText()), "このメールを送信した記録がありません。");
        EXPECT_TRUE(server.Messages().empty());
        Control<QPushButton>(composer, "cmd_Send")->click();
        EXPECT_EQ(U(messages.LastText()),
            "処理を中断しました。\n1通送信して処理を中断しました。 送信 1通／送信不可 0通／未送信 2通\n"
            "「前回送信メールの読込み」で同じメールを開き、「未送信のみ再送」で残りを送信できます。");
    }
    ASSERT_EQ(server.Messages().size(), 1u);
    server.Up();

    MailComposerWindow composer(*settings, db, sendForm);
    composer.SetMailing({ S("差出人"), "me@example.com" }, &rec);
    composer.show();
    composer.LoadPrevious(0);
    Control<QPushButton>(composer, "cmd_Resend")->click();
    EXPECT_EQ(U(messages.LastText()), "送信を完了しました。\n2通を送信しました。 送信 2通／送信不可 0通／未送信 0通");
    std::vector<std::string> to;
    for (const auto& m : server.Messages())
        to.push_back(m.to.at(0));
    EXPECT_EQ(to, (std::vector<std::string> { "a@example.com", "b@example.com", "c@example.com" }));
}

TEST_F(MailWindows, TheWaitBeforeANewTryCountsDownAndCancelEndsIt)
{
    Recipients({ { "甲", "a@example.com" }, { "乙", "b@example.com" } });
    int seen = 0;
    nrt::test::ScriptedServer peer(
        [&](nrt::test::ScriptPeer& p, int) { nrt::test::GreylistingScript(p, "b@example.com", &seen); });
    auto mail = Client(peer.Port());
    MailingProgress dialog;
    dialog.SetRetryWaits({ 90 });
    std::set<QString> labels;
    clock.onSleep = [&] {
        QMetaObject::invokeMethod(
            &dialog,
            [&] {
                labels.insert(Control<QLabel>(dialog, "lbl_Msg")->text());
                if (labels.size() == 3)
                    Control<QPushButton>(dialog, "cmd_Cancel")->click();
            },
            Qt::BlockingQueuedConnection);
    };
    EXPECT_EQ(dialog.Run(nullptr, mail.get(), &rec, settings->BookFile("Mail")), MailingRun::Outcome::kBrokenOff);
    peer.Join();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(labels,
        (std::set<QString> { Q("一時的に拒否された宛先へ再送するまで 残り 1:30"),
            Q("一時的に拒否された宛先へ再送するまで 残り 1:29"),
            Q("一時的に拒否された宛先へ再送するまで 残り 1:28") }));
    EXPECT_NE(dialog.Summary().find(S("未送信 1通")), std::string::npos) << U(dialog.Summary());
}
