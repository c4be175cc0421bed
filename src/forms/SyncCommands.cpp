// The file menu's 同期: the book's CardDAV account (同期の設定), a sync now (今すぐ同期)
// and the fields both sides changed (同期の競合), whose local values go back in one step.
#include "app/Commands.h"

#include "app/MainWindow.h"
#include "app/MenuAction.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"
#include "sync/SyncAccount.h"
#include "sync/SyncEngine.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

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
        form->addRow(QStringLiteral("サーバー(&S):"), urlEdit_);
        form->addRow(QStringLiteral("ユーザー名(&U):"), userEdit_);
        form->addRow(QStringLiteral("パスワード(&P):"), passwordEdit_);
        form->addRow(QString(), storeCheck_);
        auto* bookRow = new QHBoxLayout;
        bookRow->addWidget(bookCombo_, 1);
        bookRow->addWidget(findButton_);
        // A row of a layout gets no buddy: the label is tied to the combo by hand.
        auto* bookLabel = new QLabel(QStringLiteral("アドレス帳(&B):"));
        bookLabel->setBuddy(bookCombo_);
        form->addRow(bookLabel, bookRow);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmd_OK"));
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(buttons);
        setMinimumWidth(460);

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

    void Find()
    {
        WaitCursor wait;
        dav::DavClient client(Account());
        std::vector<dav::AddressBookInfo> books;
        const dav::DavOutcome outcome = client.Discover(&books);
        if (!outcome.Ok()) {
            platform::Warn(outcome.Message());
            return;
        }
        if (books.empty()) {
            platform::Warn(SJ("サーバーにアドレス帳がありません。"));
            return;
        }
        books_ = books;
        bookCombo_->clear();
        for (const auto& b : books_)
            bookCombo_->addItem(b.displayName.empty()
                    ? QString::fromStdString(b.url)
                    : ToQ(b.displayName) + QStringLiteral("（") + QString::fromStdString(b.url) + QStringLiteral("）"));
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
        accept();
    }

    MainWindow& main_;
    QLineEdit* urlEdit_ = new QLineEdit;
    QLineEdit* userEdit_ = new QLineEdit;
    QLineEdit* passwordEdit_ = new QLineEdit;
    QCheckBox* storeCheck_ = new QCheckBox(QStringLiteral("パスワードを保存する(&K)"));
    QComboBox* bookCombo_ = new QComboBox;
    QPushButton* findButton_ = new QPushButton(QStringLiteral("検索(&F)"));
    dav::AddressBookInfo known_;
    std::vector<dav::AddressBookInfo> books_;
};

// "mnuSyncNow": the sync, its summary, and the question before a mass delete.
void SyncNow(MainWindow& main)
{
    sync::SyncState state;
    if (std::string error; !state.Load(StatePath(main), &error)) {
        platform::Warn(error + SJ("［同期の設定］で設定して下さい。"));
        return;
    }
    dav::DavAccount account;
    account.user = state.user;
    account.caFile = main.Settings().GetMailCaFile();
    account.password = sync::StoredPassword(UserIni(main), state.url, state.user);
    if (account.password.empty()) {
        bool ok = false;
        const QString typed = QInputDialog::getText(&main, QStringLiteral("同期"),
            QStringLiteral("%1 のパスワード:").arg(QString::fromStdString(state.user)), QLineEdit::Password, {}, &ok);
        if (!ok)
            return;
        account.password = typed.toStdString();
    }
    sync::SyncEngine engine(main.Table(), main.Settings().BookFile({}), account, [&main] { return main.SaveBook(); });
    sync::SyncOptions options;
    sync::SyncReport report;
    {
        WaitCursor wait;
        report = engine.Run(options);
    }
    if (report.result == sync::SyncReport::Result::kMassDelete
        && platform::Ask(report.message + SJ("\n削除してよろしいですか？"))) {
        options.allowMassDelete = true;
        WaitCursor wait;
        report = engine.Run(options);
    }
    main.RefreshList();
    if (report.result == sync::SyncReport::Result::kDone)
        platform::Inform(SJ("同期しました。\n") + sync::Summary(report, false), SJ("同期"));
    else if (report.result != sync::SyncReport::Result::kMassDelete)
        platform::Warn(report.message);
}

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

} // namespace

void InstallSyncCommands(MainWindow& main)
{
    auto* menu = new QMenu(QStringLiteral("同期(&K)"), main.FileMenu());
    menu->setObjectName(QStringLiteral("mnuSync"));
    menu->addAction(MakeAction(main, "mnuSyncSetup", QStringLiteral("同期の設定(&S)..."), [](MainWindow& m) {
        SyncSetupDialog dialog(m);
        dialog.exec();
    }));
    menu->addAction(MakeAction(main, "mnuSyncNow", QStringLiteral("今すぐ同期(&N)"), SyncNow));
    menu->addAction(MakeAction(main, "mnuSyncConflicts", QStringLiteral("同期の競合(&C)..."), [](MainWindow& m) {
        SyncConflictsDialog dialog(m);
        dialog.exec();
    }));
    main.FileMenu()->insertMenu(main.FileSection(MainWindow::kFilePrint), menu);
}

} // namespace nrt::gui
