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

OptionsDialog::OptionsDialog(AppSettings& global, QWidget* parent)
    : QDialog(parent)
    , global_(global)
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("オプション"));
    pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("PageControl1"));
    pages->addTab(BuildGeneralPage(), QStringLiteral("一般"));
    pages->addTab(BuildMailPage(), QStringLiteral("メール"));

    cmd_Ok = new QPushButton(QStringLiteral("Ok"), this);
    cmd_Ok->setObjectName(QStringLiteral("cmd_Ok"));
    cmd_Close = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    cmd_Close->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { cmd_Ok, cmd_Close }) {
        b->setAutoDefault(false);
        b->setMinimumWidth(96);
    }
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmd_Ok);
    buttons->addWidget(cmd_Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);

    connect(cmd_Ok, &QPushButton::clicked, this, &OptionsDialog::cmd_OkClick);
    connect(cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
    connect(chk_MailSMTP, &QCheckBox::toggled, this, &OptionsDialog::UpdateDependents);
    connect(chk_HBackOn, &QCheckBox::toggled, this, &OptionsDialog::UpdateDependents);
    connect(cbo_MailSsl, &QComboBox::activated, this, [this](int ssl) {
        if (const auto port = options::ProposedPort(ssl, FromQ(txt_MailPortNo->text())))
            txt_MailPortNo->setText(ToQ(*port));
    });
    EnterFocusFilter::InstallOn(this);
    Fill();
}

QWidget* OptionsDialog::BuildGeneralPage()
{
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("TabSheet1"));
    chk_Wareki = new QCheckBox(QStringLiteral("生年月日を和暦表示する"), page);
    chk_Wareki->setObjectName(QStringLiteral("chk_Wareki"));
    chk_Furigana = new QCheckBox(QStringLiteral("自動フリガナ機能を使用する"), page);
    chk_Furigana->setObjectName(QStringLiteral("chk_Furigana"));
    chk_Full = new QCheckBox(QStringLiteral("起動時最大化で表示する"), page);
    chk_Full->setObjectName(QStringLiteral("chk_Full"));
    chk_HBackOn = new QCheckBox(QStringLiteral("バックアップの使用(7日に一度バックアップの確認をします）"), page);
    chk_HBackOn->setObjectName(QStringLiteral("chk_HBackOn"));
    lbl_BackPath = new QLabel(QStringLiteral("保存先フォルダ"), page);
    lbl_BackPath->setObjectName(QStringLiteral("lbl_BackPath"));
    txt_HBackPath = LimitedEdit(page, "txt_HBackPath", static_cast<int>(options::kBackupPathLimit));
    txt_HBackPath->setMinimumWidth(320);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(chk_Wareki);
    layout->addWidget(chk_Furigana);
    layout->addWidget(chk_Full);
    layout->addSpacing(10);
    auto* backup = new QGroupBox(QStringLiteral("バックアップ"), page);
    auto* b = new QGridLayout(backup);
    b->addWidget(chk_HBackOn, 0, 0, 1, 2);
    b->addWidget(lbl_BackPath, 1, 0);
    b->addWidget(txt_HBackPath, 1, 1);
    layout->addWidget(backup);
    layout->addStretch(1);
    return page;
}

QWidget* OptionsDialog::BuildMailPage()
{
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("TabSheet2"));
    txt_Host = LimitedEdit(page, "txt_Host", 48);
    txt_MailPortNo = new QLineEdit(page);
    txt_MailPortNo->setObjectName(QStringLiteral("txt_MailPortNo"));
    txt_MailPortNo->setMaxLength(3);
    txt_MailPortNo->setFixedWidth(56);
    cbo_MailSsl = new QComboBox(page);
    cbo_MailSsl->setObjectName(QStringLiteral("cbo_MailSsl"));
    cbo_MailSsl->addItems({ QStringLiteral("なし"), QStringLiteral("STARTTLS"), QStringLiteral("SSL/TLS") });
    txt_MailTimeOut = new QLineEdit(page);
    txt_MailTimeOut->setObjectName(QStringLiteral("txt_MailTimeOut"));
    txt_MailTimeOut->setMaxLength(3);
    txt_MailTimeOut->setFixedWidth(56);
    chk_MailSMTP = new QCheckBox(QStringLiteral("SMTP認証"), page);
    chk_MailSMTP->setObjectName(QStringLiteral("chk_MailSMTP"));
    grp_MailSMTP = new QGroupBox(QStringLiteral("認証方式"), page);
    grp_MailSMTP->setObjectName(QStringLiteral("grp_MailSMTP"));
    rdo_MailSMTPLogin = new QRadioButton(QStringLiteral("LOGIN"), grp_MailSMTP);
    rdo_MailSMTPLogin->setObjectName(QStringLiteral("rdo_MailSMTPLogin"));
    rdo_MailSMTPCram = new QRadioButton(QStringLiteral("CRAM-MD5"), grp_MailSMTP);
    rdo_MailSMTPCram->setObjectName(QStringLiteral("rdo_MailSMTPCram"));
    rdo_MailSMTPPlain = new QRadioButton(QStringLiteral("PLAIN"), grp_MailSMTP);
    rdo_MailSMTPPlain->setObjectName(QStringLiteral("rdo_MailSMTPPlain"));
    auto* radios = new QHBoxLayout(grp_MailSMTP);
    radios->addWidget(rdo_MailSMTPLogin);
    radios->addWidget(rdo_MailSMTPCram);
    radios->addWidget(rdo_MailSMTPPlain);
    radios->addStretch(1);
    chk_MailClearAuth = new QCheckBox(QStringLiteral("暗号化なしでパスワードを送信する（LOGIN・PLAIN）"), page);
    chk_MailClearAuth->setObjectName(QStringLiteral("chk_MailClearAuth"));
    chk_MailClearAuth->setToolTip(
        QStringLiteral("オフのときは、暗号化なしの接続では このパソコン上のサーバーにだけパスワードを送ります"));
    txt_MailRetryWait = LimitedEdit(page, "txt_MailRetryWait", 63);
    txt_MailRetryWait->setPlaceholderText(QStringLiteral("60,300,900"));
    txt_MailUser = LimitedEdit(page, "txt_MailUser", 60);
    txt_MailPassword = LimitedEdit(page, "txt_MailPassword", 30);
    txt_MailPassword->setEchoMode(QLineEdit::Password);
    txt_MailTurn = new QLineEdit(page);
    txt_MailTurn->setObjectName(QStringLiteral("txt_MailTurn"));
    txt_MailTurn->setMaxLength(3);
    txt_MailTurn->setFixedWidth(56);
    auto numberEdit = [page](const char* name) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(4);
        edit->setFixedWidth(56);
        return edit;
    };
    txt_MailRestCount = numberEdit("txt_MailRestCount");
    txt_MailRestSec = numberEdit("txt_MailRestSec");
    auto* rest = new QWidget(page);
    auto* restLine = new QHBoxLayout(rest);
    restLine->setContentsMargins(0, 0, 0, 0);
    restLine->addWidget(new QLabel(QStringLiteral("通ごとに"), rest));
    restLine->addWidget(txt_MailRestSec);
    restLine->addWidget(new QLabel(QStringLiteral("秒（0: 休憩しない）"), rest));
    txt_MailCaFile = LimitedEdit(page, "txt_MailCaFile", 263);
    cmd_MailCaFile = new QPushButton(QStringLiteral("参照..."), page);
    cmd_MailCaFile->setObjectName(QStringLiteral("cmd_MailCaFile"));
    connect(cmd_MailCaFile, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("証明書ファイル"),
            DialogStartFolder(QFileInfo(txt_MailCaFile->text()).absolutePath()),
            QStringLiteral("証明書(*.pem *.crt *.cer);;全てのファイル(*)"));
        if (chosen.isEmpty())
            return;
        RememberChosenFile(chosen);
        txt_MailCaFile->setText(ToQ(platform::fs::FromSystemPath(chosen.toStdString())));
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
    line(QStringLiteral("送信(SMTP)ｻｰﾊﾞｰ"), txt_Host, true);
    line(QStringLiteral("ポート番号"), txt_MailPortNo, false, new QLabel(QStringLiteral("（例 25、587）"), page));
    line(QStringLiteral("暗号化"), cbo_MailSsl, false);
    line(QStringLiteral("サーバータイムアウト"), txt_MailTimeOut, false, new QLabel(QStringLiteral("秒"), page));
    grid->addWidget(chk_MailSMTP, row++, 0, 1, 2);
    grid->addWidget(grp_MailSMTP, row++, 0, 1, 2);
    line(QStringLiteral("ユーザ名"), txt_MailUser, true);
    line(QStringLiteral("パスワード"), txt_MailPassword, true);
    grid->addWidget(chk_MailClearAuth, row++, 0, 1, 2);
    line(QStringLiteral("メール折り返し桁数(10-255)"), txt_MailTurn, false);
    line(QStringLiteral("一括送信の休憩"), txt_MailRestCount, false, rest);
    line(QStringLiteral("CA証明書ファイル"), txt_MailCaFile, true, cmd_MailCaFile);
    line(QStringLiteral("一時エラーの再送待ち"), txt_MailRetryWait, true,
        new QLabel(QStringLiteral("秒（カンマ区切り）"), page));
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

void OptionsDialog::Fill()
{
    chk_Wareki->setChecked(global_.GetEraDates());
    chk_Furigana->setChecked(global_.GetFurigana());
    chk_Full->setChecked(global_.GetFull());
    txt_Host->setText(ToQ(global_.GetMailHost()));
    txt_MailUser->setText(ToQ(global_.GetMailUser()));
    txt_MailPassword->setText(ToQ(global_.GetMailPassword()));
    txt_MailTurn->setText(QString::number(global_.GetMailWrap()));
    txt_MailTimeOut->setText(QString::number(global_.GetMailTimeout()));
    txt_MailPortNo->setText(ToQ(options::PortText(global_.GetMailPort())));
    txt_MailRestCount->setText(QString::number(global_.GetMailRestEvery()));
    txt_MailRestSec->setText(QString::number(global_.GetMailRestSeconds()));
    txt_MailCaFile->setText(ToQ(global_.GetMailCaFile()));
    chk_MailClearAuth->setChecked(global_.GetMailClearAuth());
    txt_MailRetryWait->setText(ToQ(global_.GetMailRetryWaits()));
    const int ssl = global_.GetMailSsl();
    cbo_MailSsl->setCurrentIndex(ssl >= 0 && ssl < options::kSslChoices ? ssl : 0);

    const options::Auth auth = options::AuthChoice(global_.GetMailAuth());
    chk_MailSMTP->setChecked(auth != options::kAuthNone);
    rdo_MailSMTPLogin->setChecked(auth == options::kAuthLogin);
    rdo_MailSMTPPlain->setChecked(auth == options::kAuthPlain);
    rdo_MailSMTPCram->setChecked(auth == options::kAuthNone || auth == options::kAuthCramMd5);

    chk_HBackOn->setChecked(global_.GetFolderBackupOn() == 1);
    // Data kept beside the program (a portable installation) is not backed up from here.
    if (platform::fs::Exists(global_.ProgramFile(SJ("nrt.ndb")))) {
        chk_HBackOn->setChecked(false);
        chk_HBackOn->setEnabled(false);
    }
    txt_HBackPath->setText(ToQ(global_.GetFolderBackupPath()));
    UpdateDependents();
}

void OptionsDialog::UpdateDependents()
{
    const bool smtp = chk_MailSMTP->isChecked();
    grp_MailSMTP->setEnabled(smtp);
    for (QRadioButton* r : { rdo_MailSMTPLogin, rdo_MailSMTPCram, rdo_MailSMTPPlain })
        r->setEnabled(smtp);
    SetEditUsable(txt_MailUser, smtp);
    SetEditUsable(txt_MailPassword, smtp);
    chk_MailClearAuth->setEnabled(smtp);
    const bool backup = chk_HBackOn->isChecked();
    SetEditUsable(txt_HBackPath, backup);
    lbl_BackPath->setEnabled(backup);
}

void OptionsDialog::ShowPage(int page)
{
    pages->setCurrentIndex(page == kPageMail ? kPageMail : kPageGeneral);
}

void OptionsDialog::cmd_OkClick()
{
    const std::string path = FromQ(txt_HBackPath->text());
    if (chk_HBackOn->isChecked()) {
        const std::string problem = options::BackupPathProblem(path);
        if (!problem.empty()) {
            platform::Warn(problem);
            ShowPage(kPageGeneral);
            txt_HBackPath->setFocus();
            return;
        }
    }
    const std::string caFile = FromQ(txt_MailCaFile->text());
    if (const std::string problem = options::CaFileProblem(caFile); !problem.empty()) {
        platform::Warn(problem);
        ShowPage(kPageMail);
        txt_MailCaFile->setFocus();
        return;
    }
    global_.SetEraDates(chk_Wareki->isChecked());
    global_.SetFurigana(chk_Furigana->isChecked());
    global_.SetFull(chk_Full->isChecked());
    global_.SetMailHost(FromQ(txt_Host->text()));
    global_.SetMailPort(options::PortFromText(FromQ(txt_MailPortNo->text())));
    global_.SetMailSsl(cbo_MailSsl->currentIndex() < 0 ? 0 : cbo_MailSsl->currentIndex());
    if (chk_MailSMTP->isChecked()) {
        options::Auth auth = options::kAuthCramMd5;
        if (rdo_MailSMTPLogin->isChecked())
            auth = options::kAuthLogin;
        else if (rdo_MailSMTPPlain->isChecked())
            auth = options::kAuthPlain;
        global_.SetMailAuth(auth);
        global_.SetMailUser(FromQ(txt_MailUser->text()));
        global_.SetMailPassword(FromQ(txt_MailPassword->text()));
    } else {
        global_.SetMailAuth(options::kAuthNone);
        global_.SetMailUser({});
        global_.SetMailPassword({});
    }
    global_.SetMailWrap(options::WrapFromText(FromQ(txt_MailTurn->text())));
    global_.SetMailTimeout(options::TimeoutFromText(FromQ(txt_MailTimeOut->text())));
    global_.SetMailRestEvery(options::RestFromText(FromQ(txt_MailRestCount->text()), global_.GetMailRestEvery()));
    global_.SetMailRestSeconds(options::RestFromText(FromQ(txt_MailRestSec->text()), global_.GetMailRestSeconds()));
    global_.SetMailCaFile(caFile);
    global_.SetMailClearAuth(chk_MailClearAuth->isChecked());
    global_.SetMailRetryWaits(FromQ(txt_MailRetryWait->text()));
    global_.SetFolderBackupOn(chk_HBackOn->isChecked() ? 1 : 0);
    global_.SetFolderBackupPath(path);
    accept();
}

void ShowOptions(MainWindow& main, int page)
{
    OptionsDialog dialog(main.Global(), &main);
    dialog.ShowPage(page);
    if (dialog.exec() == QDialog::Accepted)
        main.RefreshList();
}

} // namespace nrt::gui
