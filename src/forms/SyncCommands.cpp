// The file menu's 同期: the book's CardDAV account (同期の設定), a sync now (今すぐ同期)
// with its progress and summary, the fields both sides changed (同期の競合), whose local
// values go back in one step, and the automatic sync the user may turn on.
#include "app/Commands.h"

#include "app/MainWindow.h"
#include "app/MenuAction.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"
#include "sync/HttpSession.h"
#include "sync/SyncAccount.h"
#include "sync/SyncEngine.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>

namespace nrt::gui {
namespace {

std::string StatePath(MainWindow& main)
{
    return main.Settings().BookFile(sync::SyncState::kFileName);
}

std::string UserIni(MainWindow& main)
{
    return main.Settings().BookFile("NrtUser.ini");
}

// "mnuSyncSetup": the server, the user, the password and the address book.
class SyncSetupDialog : public QDialog {
public:
    explicit SyncSetupDialog(MainWindow& main)
        : QDialog(&main)
        , main_(main)
    {
        setObjectName(QStringLiteral("frmSyncSetup"));
        setWindowTitle(QStringLiteral("同期の設定"));
        auto* form = new QFormLayout;
        urlEdit_->setObjectName(QStringLiteral("txt_SyncUrl"));
        userEdit_->setObjectName(QStringLiteral("txt_SyncUser"));
        passwordEdit_->setObjectName(QStringLiteral("txt_SyncPassword"));
        passwordEdit_->setEchoMode(QLineEdit::Password);
        storeCheck_->setObjectName(QStringLiteral("chk_SyncStorePassword"));
        bookCombo_->setObjectName(QStringLiteral("cbo_SyncBook"));
        findButton_->setObjectName(QStringLiteral("cmd_SyncFind"));
        createButton_->setObjectName(QStringLiteral("cmd_SyncCreate"));
        form->addRow(QStringLiteral("サーバー(&S):"), urlEdit_);
        form->addRow(QStringLiteral("ユーザー名(&U):"), userEdit_);
        form->addRow(QStringLiteral("パスワード(&P):"), passwordEdit_);
        form->addRow(QString(), storeCheck_);
        auto* bookRow = new QHBoxLayout;
        bookRow->addWidget(bookCombo_, 1);
        bookRow->addWidget(findButton_);
        bookRow->addWidget(createButton_);
        // A row of a layout gets no buddy: the label is tied to the combo by hand.
        auto* bookLabel = new QLabel(QStringLiteral("アドレス帳(&B):"));
        bookLabel->setBuddy(bookCombo_);
        form->addRow(bookLabel, bookRow);
        autoCheck_->setObjectName(QStringLiteral("chk_SyncAuto"));
        autoCheck_->setChecked(sync::AutoSync(UserIni(main)));
        form->addRow(QString(), autoCheck_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmd_OK"));
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(buttons);
        setMinimumWidth(640);

        sync::SyncState state;
        if (state.Load(StatePath(main))) {
            urlEdit_->setText(QString::fromStdString(state.url));
            userEdit_->setText(QString::fromStdString(state.user));
            bookCombo_->addItem(QString::fromStdString(state.url), QString::fromStdString(state.url));
            known_.url = state.url;
            known_.syncCollection = state.syncCollection;
            books_.push_back(known_);
        }
        const std::string stored
            = state.url.empty() ? std::string() : sync::StoredPassword(UserIni(main), state.url, state.user);
        passwordEdit_->setText(QString::fromStdString(stored));
        storeCheck_->setChecked(!stored.empty());
        connect(findButton_, &QPushButton::clicked, this, [this] { Find(); });
        connect(createButton_, &QPushButton::clicked, this, [this] { Create(); });
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { Accept(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }

private:
    dav::DavAccount Account() const
    {
        dav::DavAccount account;
        account.url = urlEdit_->text().trimmed().toStdString();
        account.user = userEdit_->text().trimmed().toStdString();
        account.password = passwordEdit_->text().toStdString();
        account.caFile = main_.Settings().GetMailCaFile();
        return account;
    }

    // The user's address books on the server into the list; false (told) when the
    // server cannot be asked.
    bool Discover(dav::DavClient& client)
    {
        WaitCursor wait;
        std::vector<dav::AddressBookInfo> books;
        const dav::DavOutcome outcome = client.Discover(&books);
        if (!outcome.Ok()) {
            platform::Warn(outcome.Message());
            return false;
        }
        books_ = books;
        bookCombo_->clear();
        for (const auto& b : books_)
            bookCombo_->addItem(b.displayName.empty()
                    ? QString::fromStdString(b.url)
                    : ToQ(b.displayName) + QStringLiteral("（") + QString::fromStdString(b.url) + QStringLiteral("）"));
        return true;
    }

    void Find()
    {
        dav::DavClient client(Account());
        if (Discover(client) && books_.empty())
            platform::Warn(SJ("サーバーにアドレス帳がありません。［新規作成］で作成できます。"));
    }

    // A new address book on the server, named after this book unless the user names it.
    void Create()
    {
        dav::DavClient client(Account());
        if (!Discover(client))
            return;
        QInputDialog ask(this);
        ask.setObjectName(QStringLiteral("frmSyncNewBook"));
        ask.setWindowTitle(QStringLiteral("アドレス帳の作成"));
        ask.setLabelText(QStringLiteral("サーバーに作るアドレス帳の名前:"));
        ask.setTextValue(ToQ(main_.Settings().BookName()));
        if (ask.exec() != QDialog::Accepted || ask.textValue().trimmed().isEmpty())
            return;
        dav::AddressBookInfo made;
        WaitCursor wait;
        if (const dav::DavOutcome outcome = client.CreateBook(FromQ(ask.textValue().trimmed()), &made); !outcome.Ok()) {
            platform::Warn(outcome.Message());
            return;
        }
        books_.push_back(made);
        bookCombo_->addItem(
            ask.textValue().trimmed() + QStringLiteral("（") + QString::fromStdString(made.url) + QStringLiteral("）"));
        bookCombo_->setCurrentIndex(bookCombo_->count() - 1);
    }

    void Accept()
    {
        const int at = bookCombo_->currentIndex();
        if (at < 0 || at >= static_cast<int>(books_.size())) {
            platform::Warn(SJ("サーバーを入力し、［検索］でアドレス帳を選んで下さい。"));
            return;
        }
        const dav::AddressBookInfo& book = books_[static_cast<std::size_t>(at)];
        platform::fs::MakeDirs(main_.Settings().BookFile({}));
        if (!sync::SaveSetup(StatePath(main_), book, Account().user)) {
            platform::Warn(SJ("同期の設定を保存できませんでした。"));
            return;
        }
        const dav::DavAccount account = Account();
        const std::string password = storeCheck_->isChecked() ? account.password : std::string();
        if ((storeCheck_->isChecked() || !sync::StoredPassword(UserIni(main_), book.url, account.user).empty())
            && !sync::StorePassword(UserIni(main_), book.url, account.user, password)) {
            platform::Warn(SJ("パスワードを保存できませんでした。"));
            return;
        }
        if (!sync::SetAutoSync(UserIni(main_), autoCheck_->isChecked())) {
            platform::Warn(SJ("同期の設定を保存できませんでした。"));
            return;
        }
        accept();
    }

    MainWindow& main_;
    QLineEdit* urlEdit_ = new QLineEdit;
    QLineEdit* userEdit_ = new QLineEdit;
    QLineEdit* passwordEdit_ = new QLineEdit;
    QCheckBox* storeCheck_ = new QCheckBox(QStringLiteral("パスワードを保存する(&K)"));
    QComboBox* bookCombo_ = new QComboBox;
    QCheckBox* autoCheck_ = new QCheckBox(QStringLiteral("起動時と保存後に自動で同期する(&A)"));
    QPushButton* findButton_ = new QPushButton(QStringLiteral("検索(&F)"));
    QPushButton* createButton_ = new QPushButton(QStringLiteral("新規作成(&M)..."));
    dav::AddressBookInfo known_;
    std::vector<dav::AddressBookInfo> books_;
};

// "mnuSyncConflicts": each field both sides changed, with the value the book had.
class SyncConflictsDialog : public QDialog {
public:
    explicit SyncConflictsDialog(MainWindow& main)
        : QDialog(&main)
        , main_(main)
        , path_(main.Settings().BookFile(sync::ConflictList::kFileName))
    {
        setObjectName(QStringLiteral("frmSyncConflicts"));
        setWindowTitle(QStringLiteral("同期の競合"));
        table_->setObjectName(QStringLiteral("grd_Conflicts"));
        table_->setColumnCount(4);
        table_->setHorizontalHeaderLabels({ QStringLiteral("名前"), QStringLiteral("項目"),
            QStringLiteral("この住所録の値"), QStringLiteral("サーバーの値（現在）") });
        table_->setSelectionBehavior(QAbstractItemView::SelectRows);
        table_->setSelectionMode(QAbstractItemView::SingleSelection);
        table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table_->horizontalHeader()->setStretchLastSection(true);
        takeBackButton_->setObjectName(QStringLiteral("cmd_TakeBack"));
        auto* close = new QPushButton(QStringLiteral("閉じる(&C)"));
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(takeBackButton_);
        buttons->addStretch();
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(table_);
        layout->addLayout(buttons);
        resize(640, 300);
        connect(takeBackButton_, &QPushButton::clicked, this, [this] { TakeBack(); });
        connect(close, &QPushButton::clicked, this, &QDialog::accept);
        if (!list_.Load(path_))
            platform::Warn(SJ("同期の競合の一覧が読めません。"));
        Fill();
    }

private:
    void Fill()
    {
        table_->setRowCount(static_cast<int>(list_.items.size()));
        for (int r = 0; r < table_->rowCount(); ++r) {
            const sync::Conflict& c = list_.items[static_cast<std::size_t>(r)];
            int column = 0;
            for (const std::string* text : { &c.name, &c.field, &c.local, &c.server })
                table_->setItem(r, column++, new QTableWidgetItem(ToQ(*text)));
        }
        table_->resizeColumnsToContents();
        takeBackButton_->setEnabled(!list_.items.empty());
        if (!list_.items.empty())
            table_->selectRow(0);
    }

    void TakeBack()
    {
        const int row = table_->currentRow();
        if (row < 0)
            return;
        std::string message;
        if (!sync::TakeBack(main_.Table(), list_, static_cast<std::size_t>(row), &message)) {
            platform::Warn(message);
            return;
        }
        if (!main_.SaveBook() || !list_.Save(path_))
            platform::Warn(SJ("保存に失敗しました。"));
        main_.RefreshList();
        Fill();
    }

    MainWindow& main_;
    std::string path_;
    sync::ConflictList list_;
    QTableWidget* table_ = new QTableWidget;
    QPushButton* takeBackButton_ = new QPushButton(QStringLiteral("この住所録の値に戻す(&B)"));
};

// "frmSyncProgress": the step of a sync under way and 中止, which stops the request in
// progress; what was done stays done and the next sync goes on from there.
class SyncProgressDialog : public QDialog {
public:
    SyncProgressDialog(QWidget* parent, const std::string& bookUrl, std::atomic<bool>& cancel)
        : QDialog(parent)
        , cancel_(cancel)
    {
        setObjectName(QStringLiteral("frmSyncProgress"));
        setWindowTitle(QStringLiteral("同期"));
        setWindowModality(Qt::ApplicationModal);
        step_->setObjectName(QStringLiteral("lbl_SyncStep"));
        bar_->setObjectName(QStringLiteral("prg_Sync"));
        cancelButton_->setObjectName(QStringLiteral("cmd_Cancel"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(
            QStringLiteral("%1 と同期しています。").arg(QString::fromStdString(dav::url::HostAndPort(bookUrl)))));
        layout->addWidget(step_);
        layout->addWidget(bar_);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(cancelButton_);
        layout->addLayout(buttons);
        setMinimumWidth(380);
        connect(cancelButton_, &QPushButton::clicked, this, [this] { Cancel(); });
        Show(sync::SyncOptions::Phase::kReading, 0, 0);
    }

    void Show(sync::SyncOptions::Phase phase, int done, int total)
    {
        using Phase = sync::SyncOptions::Phase;
        if (cancel_)
            return;
        const auto counted = [done, total](const char* text) {
            return QString::fromUtf8(text) + QStringLiteral(" %1/%2").arg(done).arg(total);
        };
        switch (phase) {
        case Phase::kReading:
            step_->setText(QStringLiteral("サーバーの変更を読んでいます..."));
            break;
        case Phase::kFetching:
            step_->setText(counted("カードを取得しています"));
            break;
        case Phase::kWritingBook:
            step_->setText(QStringLiteral("住所録に書き込んでいます..."));
            break;
        case Phase::kSending:
            step_->setText(counted("カードを送っています"));
            break;
        case Phase::kDeleting:
            step_->setText(counted("サーバーのカードを削除しています"));
            break;
        }
        bar_->setRange(0, std::max(total, 0)); // 0 of 0: busy
        bar_->setValue(done);
    }

    // Escape and the window's close button stop the sync like 中止: the dialog goes
    // when the sync has returned.
    void reject() override { Cancel(); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        Cancel();
        event->ignore();
    }

private:
    void Cancel()
    {
        cancel_ = true;
        cancelButton_->setEnabled(false);
        step_->setText(QStringLiteral("中止しています..."));
    }

    std::atomic<bool>& cancel_;
    QLabel* step_ = new QLabel;
    QProgressBar* bar_ = new QProgressBar;
    QPushButton* cancelButton_ = new QPushButton(QStringLiteral("中止"));
};

// The book's syncs, from the menu (今すぐ同期) and by themselves where the user turned
// that on: once after the window first shows, and once after saves (several saves in a
// row make one sync, the sync's own saves none).
//
// The engine runs on this, the window's, thread: it changes the table and saves it
// through the window, which a second thread could not share with the list's painting
// and the save timer. It calls back between requests, and libcurl calls back during
// each one, at least about once a second; there events are let through, so the window
// paints and 中止 is heard. The progress dialog is application-modal, and until it shows
// (an automatic sync shows it only when the sync takes a while) user input waits in the
// queue, so no command can reach the table in the middle of a sync.
class SyncRunner : public QObject {
public:
    static constexpr int kAutoDelayMs = 5000;
    static constexpr int kAutoLongestWaitMs = 30000; // saves without end still sync
    static constexpr int kShowAfterMs = 1000; // an automatic sync's dialog
    static constexpr int kPumpEveryMs = 30;

    explicit SyncRunner(MainWindow& main)
        : QObject(&main)
        , main_(main)
    {
        setObjectName(QStringLiteral("autoSync"));
        timer_->setObjectName(QStringLiteral("tmrAutoSync"));
        timer_->setSingleShot(true);
        timer_->setInterval(kAutoDelayMs);
        status_->setObjectName(QStringLiteral("lbl_SyncStatus"));
        status_->setTextFormat(Qt::RichText);
        status_->hide();
        main.statusBar()->addPermanentWidget(status_);
        connect(status_, &QLabel::linkActivated, this, [this] { ShowDetails(); });
        connect(timer_, &QTimer::timeout, this, [this] { RunAutomatic(); });
        connect(&main, &MainWindow::FirstShown, this, [this] {
            if (AutoOn())
                timer_->start();
        });
        connect(&main, &MainWindow::Saved, this, [this] { AfterSave(); });
        connect(&main, &MainWindow::BookChanged, timer_, &QTimer::stop);
        connect(&main, &MainWindow::Closing, this, [this] {
            closing_ = true;
            cancel_ = true;
            timer_->stop();
        });
    }

    void RunNow() { Run(false); }

private:
    enum class Details { kNone, kMessage, kConflicts };

    bool AutoOn() const { return main_.Opened() && !closing_ && sync::AutoSync(UserIni(main_)); }

    void AfterSave()
    {
        if (running_ || !AutoOn())
            return;
        if (!timer_->isActive())
            waiting_.start();
        if (waiting_.elapsed() < kAutoLongestWaitMs)
            timer_->start();
    }

    void RunAutomatic()
    {
        if (running_ || !AutoOn())
            return;
        // Not under the user's hands: a window or a menu open waits for its close.
        if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
            timer_->start();
            return;
        }
        Run(true);
    }

    void Run(bool automatic)
    {
        if (running_ || !main_.Opened())
            return;
        sync::SyncState state;
        if (std::string error; !state.Load(StatePath(main_), &error)) {
            if (!automatic)
                platform::Warn(error + SJ("［同期の設定］で設定して下さい。"));
            return;
        }
        dav::DavAccount account;
        account.user = state.user;
        account.caFile = main_.Settings().GetMailCaFile();
        account.password = sync::StoredPassword(UserIni(main_), state.url, state.user);
        if (account.password.empty()) {
            if (automatic) {
                SetStatus(QStringLiteral("パスワードが保存されていないため、自動で同期しませんでした"), Details::kNone);
                return;
            }
            bool ok = false;
            const QString typed = QInputDialog::getText(&main_, QStringLiteral("同期"),
                QStringLiteral("%1 のパスワード:").arg(QString::fromStdString(state.user)), QLineEdit::Password, {},
                &ok);
            if (!ok)
                return;
            account.password = typed.toStdString();
        }

        running_ = true;
        cancel_ = false;
        timer_->stop();
        SetStatus(QStringLiteral("同期しています..."), Details::kNone);
        SyncProgressDialog dialog(&main_, state.url, cancel_);
        QElapsedTimer started, pumped;
        started.start();
        pumped.start();
        const auto pump = [&](bool now) {
            if (!now && pumped.elapsed() < kPumpEveryMs)
                return;
            if (!dialog.isVisible() && (!automatic || started.elapsed() >= kShowAfterMs))
                dialog.show();
            QCoreApplication::processEvents(
                dialog.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
            pumped.restart();
        };
        sync::SyncEngine engine(
            main_.Table(), main_.Settings().BookFile({}), account, [this] { return main_.SaveBook(); });
        sync::SyncOptions options;
        options.cancel = &cancel_;
        options.waiting = [&] { pump(false); };
        options.progress = [&](sync::SyncOptions::Phase phase, int done, int total) {
            dialog.Show(phase, done, total);
            pump(done == 0);
        };
        sync::SyncReport report = engine.Run(options);
        if (report.result == sync::SyncReport::Result::kMassDelete && !automatic && !closing_) {
            dialog.hide();
            if (platform::Ask(report.message + SJ("\n削除してよろしいですか？"))) {
                options.allowMassDelete = true;
                report = engine.Run(options);
            }
        }
        dialog.hide();
        running_ = false;
        if (closing_)
            return;
        main_.RefreshList();
        Tell(report, automatic);
    }

    // The closing word: a box after a sync the user asked for, the status bar after an
    // automatic one, whose failures wait there to be read.
    void Tell(const sync::SyncReport& report, bool automatic)
    {
        using Result = sync::SyncReport::Result;
        const QString at = QTime::currentTime().toString(QStringLiteral("HH:mm"));
        const bool cancelled = cancel_ && report.result != Result::kDone;
        const std::string stopped = SJ("同期を中止しました。\n済んだところまでは保たれ、次の同期で続きを行います。");
        if (cancelled) {
            details_ = stopped;
            SetStatus(QStringLiteral("同期を中止しました（%1）").arg(at), Details::kNone);
            if (!automatic)
                platform::Inform(stopped, SJ("同期"));
            return;
        }
        if (report.result == Result::kDone) {
            const std::string counts = sync::Summary(report, false);
            if (report.conflicts > 0)
                SetStatus(QStringLiteral("同期しました（%1）。競合 %2 件").arg(at).arg(report.conflicts),
                    Details::kConflicts, counts);
            else
                SetStatus(QStringLiteral("同期しました（%1）").arg(at), Details::kNone, counts);
            if (automatic)
                return;
            const std::string summary = SJ("同期しました。\n") + counts;
            if (report.conflicts == 0) {
                platform::Inform(summary, SJ("同期"));
            } else if (platform::Messages().Show(
                           { summary + SJ("\n両方で変わった項目を［同期の競合］で確認しますか？"), SJ("同期"),
                               platform::MsgIcon::Question, platform::MsgButtons::YesNo, platform::MsgResult::Yes })
                == platform::MsgResult::Yes) {
                ShowConflicts();
            }
            return;
        }
        if (report.result == Result::kMassDelete) {
            details_ = report.message + SJ("\n［今すぐ同期］で確かめて下さい。");
            SetStatus(QStringLiteral("削除が多いため同期を止めました（%1）").arg(at), Details::kMessage);
            return; // asked already when the user started it
        }
        details_ = report.message;
        SetStatus(QStringLiteral("同期できませんでした（%1）").arg(at), Details::kMessage);
        if (!automatic)
            platform::Warn(report.message);
    }

    // `tip` (CP932): what the status stands for in full, shown over it; a failure's
    // message where none is given.
    void SetStatus(const QString& text, Details details, const std::string& tip = {})
    {
        shown_ = details;
        const QString link = details == Details::kConflicts ? QStringLiteral("競合を見る")
            : details == Details::kMessage                  ? QStringLiteral("詳細")
                                                            : QString();
        status_->setText(link.isEmpty() ? text.toHtmlEscaped()
                                        : text.toHtmlEscaped() + QStringLiteral(" <a href=\"#\">%1</a>").arg(link));
        status_->setToolTip(ToQ(!tip.empty() || details != Details::kMessage ? tip : details_));
        // The room the text takes by its advance (a size hint measures ink and cuts off a
        // closing full-width bracket); the list's position label stretches over the rest.
        const QString shown = link.isEmpty() ? text : text + QLatin1Char(' ') + link;
        status_->setMinimumWidth(status_->fontMetrics().horizontalAdvance(shown) + 2 * status_->margin() + 8);
        status_->show();
    }

    void ShowDetails()
    {
        if (running_)
            return;
        if (shown_ == Details::kConflicts)
            ShowConflicts();
        else if (shown_ == Details::kMessage)
            platform::Inform(details_, SJ("同期"), platform::MsgIcon::Warning);
    }

    void ShowConflicts()
    {
        SyncConflictsDialog dialog(main_);
        dialog.exec();
    }

    MainWindow& main_;
    QTimer* timer_ = new QTimer(this);
    QLabel* status_ = new QLabel;
    QElapsedTimer waiting_; // since the first save the timer waits to sync
    std::atomic<bool> cancel_ { false };
    bool running_ = false;
    bool closing_ = false;
    Details shown_ = Details::kNone;
    std::string details_; // the last failure in full (CP932)
};

} // namespace

void InstallSyncCommands(MainWindow& main)
{
    auto* menu = new QMenu(QStringLiteral("同期(&K)"), main.FileMenu());
    menu->setObjectName(QStringLiteral("mnuSync"));
    menu->addAction(MakeAction(main, "mnuSyncSetup", QStringLiteral("同期の設定(&S)..."), [](MainWindow& m) {
        SyncSetupDialog dialog(m);
        dialog.exec();
    }));
    auto* runner = new SyncRunner(main);
    menu->addAction(
        MakeAction(main, "mnuSyncNow", QStringLiteral("今すぐ同期(&N)"), [runner](MainWindow&) { runner->RunNow(); }));
    menu->addAction(MakeAction(main, "mnuSyncConflicts", QStringLiteral("同期の競合(&C)..."), [](MainWindow& m) {
        SyncConflictsDialog dialog(m);
        dialog.exec();
    }));
    main.FileMenu()->insertMenu(main.FileSection(MainWindow::kFilePrint), menu);
}

} // namespace nrt::gui
