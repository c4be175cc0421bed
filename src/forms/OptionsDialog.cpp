#include "forms/OptionsDialog.h"

#include "app/EnterFocusFilter.h"
#include "app/FileDialogs.h"
#include "app/MainWindow.h"
#include "app/SjisLimitValidator.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"
#include "settings/OptionValues.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace nrt::gui {
namespace {

// A field that cannot be used takes the menu colour instead of the window colour.
void SetEditUsable(QLineEdit* edit, bool usable)
{
    edit->setEnabled(usable);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base,
        usable ? QApplication::palette().color(QPalette::Base) : QApplication::palette().color(QPalette::Window));
    edit->setPalette(p);
}

QLineEdit* LimitedEdit(QWidget* parent, const char* name, int bytes)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setValidator(new SjisLimitValidator(bytes, e));
    return e;
}

} // namespace

OptionsDialog::OptionsDialog(AppSettings& settings, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("オプション"));
    pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("PageControl1"));
    pages->addTab(BuildGeneralPage(), QStringLiteral("一般"));
    pages->addTab(BuildMailPage(), QStringLiteral("メール"));

    okButton_ = new QPushButton(QStringLiteral("Ok"), this);
    okButton_->setObjectName(QStringLiteral("cmd_Ok"));
    closeButton_ = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    closeButton_->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { okButton_, closeButton_ }) {
        b->setAutoDefault(false);
        b->setMinimumWidth(96);
    }
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(closeButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);

    connect(okButton_, &QPushButton::clicked, this, &OptionsDialog::okClicked);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(authCheck_, &QCheckBox::toggled, this, &OptionsDialog::UpdateDependents);
    connect(backupCheck_, &QCheckBox::toggled, this, &OptionsDialog::UpdateDependents);
    connect(securityCombo_, &QComboBox::activated, this, [this](int ssl) {
        if (const auto port = options::ProposedPort(ssl, FromQ(portEdit_->text())))
            portEdit_->setText(ToQ(*port));
    });
    EnterFocusFilter::InstallOn(this);
    Fill();
}

QWidget* OptionsDialog::BuildGeneralPage()
{
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("TabSheet1"));
    eraCheck_ = new QCheckBox(QStringLiteral("生年月日を和暦表示する"), page);
    eraCheck_->setObjectName(QStringLiteral("chk_Wareki"));
    furiganaCheck_ = new QCheckBox(QStringLiteral("自動フリガナ機能を使用する"), page);
    furiganaCheck_->setObjectName(QStringLiteral("chk_Furigana"));
    maximizedCheck_ = new QCheckBox(QStringLiteral("起動時最大化で表示する"), page);
    maximizedCheck_->setObjectName(QStringLiteral("chk_Full"));
    backupCheck_ = new QCheckBox(QStringLiteral("バックアップの使用(7日に一度バックアップの確認をします）"), page);
    backupCheck_->setObjectName(QStringLiteral("chk_HBackOn"));
    backupPathLabel_ = new QLabel(QStringLiteral("保存先フォルダ"), page);
    backupPathLabel_->setObjectName(QStringLiteral("lbl_BackPath"));
    backupPathEdit_ = LimitedEdit(page, "txt_HBackPath", static_cast<int>(options::kBackupPathLimit));
    backupPathEdit_->setMinimumWidth(320);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(eraCheck_);
    layout->addWidget(furiganaCheck_);
    layout->addWidget(maximizedCheck_);
    layout->addSpacing(10);
    auto* backup = new QGroupBox(QStringLiteral("バックアップ"), page);
    auto* b = new QGridLayout(backup);
    b->addWidget(backupCheck_, 0, 0, 1, 2);
    b->addWidget(backupPathLabel_, 1, 0);
    b->addWidget(backupPathEdit_, 1, 1);
    layout->addWidget(backup);
    layout->addStretch(1);
    return page;
}

QWidget* OptionsDialog::BuildMailPage()
{
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("TabSheet2"));
    hostEdit_ = LimitedEdit(page, "txt_Host", 48);
    portEdit_ = new QLineEdit(page);
    portEdit_->setObjectName(QStringLiteral("txt_MailPortNo"));
    portEdit_->setMaxLength(3);
    portEdit_->setFixedWidth(56);
    securityCombo_ = new QComboBox(page);
    securityCombo_->setObjectName(QStringLiteral("cbo_MailSsl"));
    securityCombo_->addItems({ QStringLiteral("なし"), QStringLiteral("STARTTLS"), QStringLiteral("SSL/TLS") });
    timeoutEdit_ = new QLineEdit(page);
    timeoutEdit_->setObjectName(QStringLiteral("txt_MailTimeOut"));
    timeoutEdit_->setMaxLength(3);
    timeoutEdit_->setFixedWidth(56);
    authCheck_ = new QCheckBox(QStringLiteral("SMTP認証"), page);
    authCheck_->setObjectName(QStringLiteral("chk_MailSMTP"));
    authGroup_ = new QGroupBox(QStringLiteral("認証方式"), page);
    authGroup_->setObjectName(QStringLiteral("grp_MailSMTP"));
    loginRadio_ = new QRadioButton(QStringLiteral("LOGIN"), authGroup_);
    loginRadio_->setObjectName(QStringLiteral("rdo_MailSMTPLogin"));
    cramRadio_ = new QRadioButton(QStringLiteral("CRAM-MD5"), authGroup_);
    cramRadio_->setObjectName(QStringLiteral("rdo_MailSMTPCram"));
    plainRadio_ = new QRadioButton(QStringLiteral("PLAIN"), authGroup_);
    plainRadio_->setObjectName(QStringLiteral("rdo_MailSMTPPlain"));
    auto* radios = new QHBoxLayout(authGroup_);
    radios->addWidget(loginRadio_);
    radios->addWidget(cramRadio_);
    radios->addWidget(plainRadio_);
    radios->addStretch(1);
    clearAuthCheck_ = new QCheckBox(QStringLiteral("暗号化なしでパスワードを送信する（LOGIN・PLAIN）"), page);
    clearAuthCheck_->setObjectName(QStringLiteral("chk_MailClearAuth"));
    clearAuthCheck_->setToolTip(
        QStringLiteral("オフのときは、暗号化なしの接続では このパソコン上のサーバーにだけパスワードを送ります"));
    retryWaitEdit_ = LimitedEdit(page, "txt_MailRetryWait", 63);
    retryWaitEdit_->setPlaceholderText(QStringLiteral("60,300,900"));
    userEdit_ = LimitedEdit(page, "txt_MailUser", 60);
    passwordEdit_ = LimitedEdit(page, "txt_MailPassword", 30);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    wrapEdit_ = new QLineEdit(page);
    wrapEdit_->setObjectName(QStringLiteral("txt_MailTurn"));
    wrapEdit_->setMaxLength(3);
    wrapEdit_->setFixedWidth(56);
    auto numberEdit = [page](const char* name) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(4);
        edit->setFixedWidth(56);
        return edit;
    };
    restCountEdit_ = numberEdit("txt_MailRestCount");
    restSecondsEdit_ = numberEdit("txt_MailRestSec");
    auto* rest = new QWidget(page);
    auto* restLine = new QHBoxLayout(rest);
    restLine->setContentsMargins(0, 0, 0, 0);
    restLine->addWidget(new QLabel(QStringLiteral("通ごとに"), rest));
    restLine->addWidget(restSecondsEdit_);
    restLine->addWidget(new QLabel(QStringLiteral("秒（0: 休憩しない）"), rest));
    caFileEdit_ = LimitedEdit(page, "txt_MailCaFile", 263);
    caFileButton_ = new QPushButton(QStringLiteral("参照..."), page);
    caFileButton_->setObjectName(QStringLiteral("cmd_MailCaFile"));
    connect(caFileButton_, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("証明書ファイル"),
            DialogStartFolder(QFileInfo(caFileEdit_->text()).absolutePath()),
            QStringLiteral("証明書(*.pem *.crt *.cer);;全てのファイル(*)"));
        if (chosen.isEmpty())
            return;
        RememberChosenFile(chosen);
        caFileEdit_->setText(ToQ(platform::fs::FromSystemPath(chosen.toStdString())));
    });

    auto* grid = new QGridLayout(page);
    int row = 0;
    // One row: its caption, the field (wide, or as narrow as it is) and what follows it.
    auto line = [&](const QString& caption, QWidget* field, bool wide, QWidget* after = nullptr) {
        grid->addWidget(new QLabel(caption, page), row, 0);
        auto* h = new QHBoxLayout();
        h->addWidget(field, wide ? 1 : 0);
        if (after)
            h->addWidget(after);
        if (!wide)
            h->addStretch(1);
        grid->addLayout(h, row++, 1);
    };
    line(QStringLiteral("送信(SMTP)ｻｰﾊﾞｰ"), hostEdit_, true);
    line(QStringLiteral("ポート番号"), portEdit_, false, new QLabel(QStringLiteral("（例 25、587）"), page));
    line(QStringLiteral("暗号化"), securityCombo_, false);
    line(QStringLiteral("サーバータイムアウト"), timeoutEdit_, false, new QLabel(QStringLiteral("秒"), page));
    grid->addWidget(authCheck_, row++, 0, 1, 2);
    grid->addWidget(authGroup_, row++, 0, 1, 2);
    line(QStringLiteral("ユーザ名"), userEdit_, true);
    line(QStringLiteral("パスワード"), passwordEdit_, true);
    grid->addWidget(clearAuthCheck_, row++, 0, 1, 2);
    line(QStringLiteral("メール折り返し桁数(10-255)"), wrapEdit_, false);
    line(QStringLiteral("一括送信の休憩"), restCountEdit_, false, rest);
    line(QStringLiteral("CA証明書ファイル"), caFileEdit_, true, caFileButton_);
    line(QStringLiteral("一時エラーの再送待ち"), retryWaitEdit_, true,
        new QLabel(QStringLiteral("秒（カンマ区切り）"), page));
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

void OptionsDialog::Fill()
{
    eraCheck_->setChecked(settings_.GetEraDates());
    furiganaCheck_->setChecked(settings_.GetFurigana());
    maximizedCheck_->setChecked(settings_.GetFull());
    hostEdit_->setText(ToQ(settings_.GetMailHost()));
    userEdit_->setText(ToQ(settings_.GetMailUser()));
    passwordEdit_->setText(ToQ(settings_.GetMailPassword()));
    wrapEdit_->setText(QString::number(settings_.GetMailWrap()));
    timeoutEdit_->setText(QString::number(settings_.GetMailTimeout()));
    portEdit_->setText(ToQ(options::PortText(settings_.GetMailPort())));
    restCountEdit_->setText(QString::number(settings_.GetMailRestEvery()));
    restSecondsEdit_->setText(QString::number(settings_.GetMailRestSeconds()));
    caFileEdit_->setText(ToQ(settings_.GetMailCaFile()));
    clearAuthCheck_->setChecked(settings_.GetMailClearAuth());
    retryWaitEdit_->setText(ToQ(settings_.GetMailRetryWaits()));
    const int ssl = settings_.GetMailSsl();
    securityCombo_->setCurrentIndex(ssl >= 0 && ssl < options::kSslChoices ? ssl : 0);

    const options::Auth auth = options::AuthChoice(settings_.GetMailAuth());
    authCheck_->setChecked(auth != options::kAuthNone);
    loginRadio_->setChecked(auth == options::kAuthLogin);
    plainRadio_->setChecked(auth == options::kAuthPlain);
    cramRadio_->setChecked(auth == options::kAuthNone || auth == options::kAuthCramMd5);

    backupCheck_->setChecked(settings_.GetFolderBackupOn() == 1);
    // Data kept beside the program (a portable installation) is not backed up from here.
    if (platform::fs::Exists(settings_.ProgramFile(SJ("nrt.ndb")))) {
        backupCheck_->setChecked(false);
        backupCheck_->setEnabled(false);
    }
    backupPathEdit_->setText(ToQ(settings_.GetFolderBackupPath()));
    UpdateDependents();
}

void OptionsDialog::UpdateDependents()
{
    const bool smtp = authCheck_->isChecked();
    authGroup_->setEnabled(smtp);
    for (QRadioButton* r : { loginRadio_, cramRadio_, plainRadio_ })
        r->setEnabled(smtp);
    SetEditUsable(userEdit_, smtp);
    SetEditUsable(passwordEdit_, smtp);
    clearAuthCheck_->setEnabled(smtp);
    const bool backup = backupCheck_->isChecked();
    SetEditUsable(backupPathEdit_, backup);
    backupPathLabel_->setEnabled(backup);
}

void OptionsDialog::ShowPage(int page)
{
    pages->setCurrentIndex(page == kPageMail ? kPageMail : kPageGeneral);
}

void OptionsDialog::okClicked()
{
    const std::string path = FromQ(backupPathEdit_->text());
    if (backupCheck_->isChecked()) {
        const std::string problem = options::BackupPathProblem(path);
        if (!problem.empty()) {
            platform::Warn(problem);
            ShowPage(kPageGeneral);
            backupPathEdit_->setFocus();
            return;
        }
    }
    const std::string caFile = FromQ(caFileEdit_->text());
    if (const std::string problem = options::CaFileProblem(caFile); !problem.empty()) {
        platform::Warn(problem);
        ShowPage(kPageMail);
        caFileEdit_->setFocus();
        return;
    }
    settings_.SetEraDates(eraCheck_->isChecked());
    settings_.SetFurigana(furiganaCheck_->isChecked());
    settings_.SetFull(maximizedCheck_->isChecked());
    settings_.SetMailHost(FromQ(hostEdit_->text()));
    settings_.SetMailPort(options::PortFromText(FromQ(portEdit_->text())));
    settings_.SetMailSsl(securityCombo_->currentIndex() < 0 ? 0 : securityCombo_->currentIndex());
    if (authCheck_->isChecked()) {
        options::Auth auth = options::kAuthCramMd5;
        if (loginRadio_->isChecked())
            auth = options::kAuthLogin;
        else if (plainRadio_->isChecked())
            auth = options::kAuthPlain;
        settings_.SetMailAuth(auth);
        settings_.SetMailUser(FromQ(userEdit_->text()));
        settings_.SetMailPassword(FromQ(passwordEdit_->text()));
    } else {
        settings_.SetMailAuth(options::kAuthNone);
        settings_.SetMailUser({});
        settings_.SetMailPassword({});
    }
    settings_.SetMailWrap(options::WrapFromText(FromQ(wrapEdit_->text())));
    settings_.SetMailTimeout(options::TimeoutFromText(FromQ(timeoutEdit_->text())));
    settings_.SetMailRestEvery(options::RestFromText(FromQ(restCountEdit_->text()), settings_.GetMailRestEvery()));
    settings_.SetMailRestSeconds(
        options::RestFromText(FromQ(restSecondsEdit_->text()), settings_.GetMailRestSeconds()));
    settings_.SetMailCaFile(caFile);
    settings_.SetMailClearAuth(clearAuthCheck_->isChecked());
    settings_.SetMailRetryWaits(FromQ(retryWaitEdit_->text()));
    settings_.SetFolderBackupOn(backupCheck_->isChecked() ? 1 : 0);
    settings_.SetFolderBackupPath(path);
    accept();
}

void ShowOptions(MainWindow& main, int page)
{
    OptionsDialog dialog(main.Settings(), &main);
    dialog.ShowPage(page);
    if (dialog.exec() == QDialog::Accepted)
        main.RefreshList();
}

} // namespace nrt::gui
