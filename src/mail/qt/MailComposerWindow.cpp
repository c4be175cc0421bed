#include "mail/qt/MailComposerWindow.h"

#include "app/EnterFocusFilter.h"
#include "app/MenuKeys.h"
#include "app/SjisLimitValidator.h"
#include "db/AddressTable.h"
#include "db/RecordSet.h"
#include "mail/qt/MailCommands.h"
#include "mail/qt/MailingProgress.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"
#include "settings/AppSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace nrt::gui {
namespace {

QString U8(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

constexpr const char* kOpenFilters[]
    = { "メールファイル(*.mal)", "送信済みメール(*.mlb)", "テキストファイル(*.txt)", "全てのファイル(*.*)" };
constexpr const char* kSaveFilters[] = { "メールファイル(*.mal)", "テキストファイル(*.txt)", "全てのファイル(*.*)" };

} // namespace

MailComposerWindow::MailComposerWindow(
    AppSettings& settings, AddressTable& table, MailingProgress& sendForm, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , table_(table)
    , sendForm_(sendForm)
{
    setObjectName(QStringLiteral("frmMailNew"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    chooseFile = [this](bool save, std::string& path, int& filter) { return ChooseWithDialog(save, path, filter); };

    menuBar = new QMenuBar(this);
    QMenu* file = menuBar->addMenu(U8("ファイル(&F)"));
    file->setObjectName(QStringLiteral("mnuFile"));
    loadAction_ = file->addAction(U8("読込み(&L)..."));
    loadAction_->setObjectName(QStringLiteral("mnuFileLoad"));
    lastSentAction_ = file->addAction(U8("前回送信メールの読込み(&P)"));
    lastSentAction_->setObjectName(QStringLiteral("mnuFilePrevLoad"));
    lastDraftAction_ = file->addAction(U8("前回終了時点のメール読込み(&F)"));
    lastDraftAction_->setObjectName(QStringLiteral("mnuFilePrevForm"));
    file->addSeparator();
    saveAsAction_ = file->addAction(U8("名前を付けて保存(&A)..."));
    saveAsAction_->setObjectName(QStringLiteral("mnuFileSaveAs"));
    file->addSeparator();
    Close1 = file->addAction(U8("キャンセル(&C)"));
    Close1->setObjectName(QStringLiteral("Close1"));
    fieldMenu_ = menuBar->addMenu(U8("フィールドの挿入(&I)"));
    fieldMenu_->setObjectName(QStringLiteral("mnuField"));
    for (std::size_t i = 0; i < mailcompose::kInsertFields.size(); ++i) {
        QAction* item = fieldMenu_->addAction(U8(mailcompose::kInsertFields[i]));
        item->setObjectName(QStringLiteral("mnuField%1").arg(i + 1));
        connect(item, &QAction::triggered, this, [this, i] { InsertField(static_cast<int>(i)); });
    }
    NumberMenuItems(fieldMenu_);

    auto* subjectLabel = new QLabel(U8("件名"), this);
    subjectEdit_ = new QLineEdit(this);
    subjectEdit_->setObjectName(QStringLiteral("txt_Title"));
    subjectEdit_->setMaxLength(kMaxSubjectChars);
    subjectEdit_->setValidator(new SjisLimitValidator(2 * kMaxSubjectChars, subjectEdit_));
    subjectLabel->setBuddy(subjectEdit_);
    highPriorityCheck_ = new QCheckBox(U8("優先高"), this);
    highPriorityCheck_->setObjectName(QStringLiteral("chk_Zyun"));
    bodyEdit_ = new QPlainTextEdit(this);
    bodyEdit_->setObjectName(QStringLiteral("txt_Memo"));
    bodyEdit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    bodyEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    bodyEdit_->setTabChangesFocus(true);
    sendButton_ = new QPushButton(U8("送信"), this);
    sendButton_->setObjectName(QStringLiteral("cmd_Send"));
    resendButton_ = new QPushButton(U8("未送信のみ再送"), this);
    resendButton_->setObjectName(QStringLiteral("cmd_Resend"));
    resendButton_->setToolTip(U8("前回までにこのメールが届かなかった宛先（送信不可・未送信）にだけ送信します"));
    closeButton_ = new QPushButton(U8("キャンセル(&C)"), this);
    closeButton_->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { sendButton_, resendButton_, closeButton_ })
        b->setAutoDefault(false);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    top->addWidget(subjectLabel);
    top->addWidget(subjectEdit_, 1);
    top->addWidget(highPriorityCheck_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sendButton_);
    buttons->addWidget(resendButton_);
    buttons->addWidget(closeButton_);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(9, 6, 9, 6);
    body->addLayout(top);
    body->addWidget(bodyEdit_, 1);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addLayout(body, 1);
    layout->addWidget(StatusBar1);
    resize(680, 520);

    EnterFocusFilter::InstallOn(this);
    SetMailing({}, nullptr);

    connect(loadAction_, &QAction::triggered, this, &MailComposerWindow::loadClicked);
    connect(lastSentAction_, &QAction::triggered, this, [this] { LoadPrevious(0); });
    connect(lastDraftAction_, &QAction::triggered, this, [this] { LoadPrevious(1); });
    connect(saveAsAction_, &QAction::triggered, this, &MailComposerWindow::saveAsClicked);
    connect(Close1, &QAction::triggered, this, &MailComposerWindow::reject);
    connect(closeButton_, &QPushButton::clicked, this, &MailComposerWindow::reject);
    connect(sendButton_, &QPushButton::clicked, this, &MailComposerWindow::sendClicked);
    connect(resendButton_, &QPushButton::clicked, this, &MailComposerWindow::resendClicked);
    connect(bodyEdit_, &QPlainTextEdit::textChanged, this, &MailComposerWindow::MemoChanged);
}

void MailComposerWindow::SetMailing(const mailcompose::MailSender& sender, RecordSet* recipients)
{
    sender_ = sender;
    recipients_ = recipients;
    const int count = recipients ? recipients->GetRowCount() : 0;
    setWindowTitle(U8("メール送信(送信数: %1通)").arg(count));
}

mailfiles::MailText MailComposerWindow::Mail() const
{
    mailfiles::MailText mail;
    mail.subject = FromQ(subjectEdit_->text());
    mail.high = highPriorityCheck_->isChecked();
    mail.lines = mailfiles::SplitLines(FromQ(bodyEdit_->toPlainText()));
    return mail;
}

void MailComposerWindow::SetMail(const mailfiles::MailText& mail)
{
    subjectEdit_->setText(ToQ(mail.subject));
    highPriorityCheck_->setChecked(mail.high);
    // Every line keeps its line end, so that an empty last line survives the memo.
    std::string text;
    for (const std::string& line : mail.lines) {
        text += line;
        text += '\n';
    }
    bodyEdit_->setPlainText(ToQ(text));
}

void MailComposerWindow::MemoChanged()
{
    modified_ = true;
    const QString text = bodyEdit_->toPlainText();
    if (text.size() <= kMaxBodyChars)
        return;
    QTextCursor cursor = bodyEdit_->textCursor();
    const int position = std::min(static_cast<int>(cursor.position()), kMaxBodyChars);
    const QSignalBlocker block(bodyEdit_);
    bodyEdit_->setPlainText(text.left(kMaxBodyChars));
    cursor = bodyEdit_->textCursor();
    cursor.setPosition(position);
    bodyEdit_->setTextCursor(cursor);
    QApplication::beep();
}

std::string MailComposerWindow::Folder() const
{
    return mailfiles::MailFolder(settings_);
}

void MailComposerWindow::SetStatus(const char* text)
{
    StatusBar1->showMessage(U8(text));
    StatusBar1->repaint();
}

void MailComposerWindow::InsertField(int item)
{
    const QString reference = ToQ(mailcompose::FieldReference(item));
    if (reference.isEmpty())
        return;
    QApplication::clipboard()->setText(reference);
    bodyEdit_->insertPlainText(reference);
    bodyEdit_->setFocus();
}

bool MailComposerWindow::DiscardChanges(const char* question)
{
    return !modified_ || platform::Ask(platform::Utf8ToSjis(question), false);
}

bool MailComposerWindow::LoadFile(const std::string& path, int filter)
{
    mailfiles::MailText mail = Mail();
    if (const mailfiles::FileResult loaded = mailfiles::Load(path, filter, mail); !loaded.Ok()) {
        platform::Warn(loaded.Message());
        return false;
    }
    SetMail(mail);
    modified_ = false;
    return true;
}

bool MailComposerWindow::SaveFile(const std::string& path, int filter)
{
    if (const mailfiles::FileResult saved = mailfiles::Save(path, filter, Mail()); !saved.Ok()) {
        platform::Warn(saved.Message());
        return false;
    }
    modified_ = false;
    return true;
}

void MailComposerWindow::loadClicked()
{
    if (!DiscardChanges("更新があります。破棄されますがよろしいですか？"))
        return;
    std::string path;
    int filter = 0;
    if (chooseFile(false, path, filter))
        LoadFile(path, filter);
}

void MailComposerWindow::LoadPrevious(int tag)
{
    if (!DiscardChanges("更新があります。破棄されますがよろしいですか？"))
        return;
    const std::string path = Folder() + "/" + (tag == 0 ? mailfiles::kPrevMail : mailfiles::kFormMail);
    if (!platform::fs::IsFile(path)) {
        platform::Warn(tag == 0 ? SJ("前回送信したメールが存在しません。") : SJ("前回終了時のメールが存在しません。"));
        return;
    }
    LoadFile(path, mailfiles::kOpenInternal);
}

void MailComposerWindow::saveAsClicked()
{
    std::string path;
    int filter = 0;
    if (chooseFile(true, path, filter))
        SaveFile(path, filter);
}

bool MailComposerWindow::ChooseWithDialog(bool save, std::string& path, int& filter)
{
    QStringList filters;
    if (save)
        for (const char* f : kSaveFilters)
            filters << U8(f);
    else
        for (const char* f : kOpenFilters)
            filters << U8(f);
    QFileDialog dialog(this, QString(), ToQ(Folder()));
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = platform::fs::FromSystemPath(dialog.selectedFiles().front().toStdString());
    filter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return true;
}

void MailComposerWindow::sendClicked()
{
    Send(false);
}

void MailComposerWindow::resendClicked()
{
    Send(true);
}

void MailComposerWindow::Send(bool resend)
{
    if (const mailcompose::Checked sendable = mailcompose::CheckSendable(settings_, recipients_); !sendable.go) {
        mailcommands::Show(sendable.notice);
        return;
    }
    // Emoji and the like have no place in the program's text: say so before they are
    // sent as "?".
    bool held = true;
    platform::Utf8ToSjis((subjectEdit_->text() + bodyEdit_->toPlainText()).toStdString(), &held);
    if (!held
        && !platform::Ask(SJ("絵文字など、メールで送ることのできない文字が含まれています。\n"
                             "「?」に置き換えて送信してよろしいですか？")))
        return;
    const mailfiles::MailText mail = Mail();
    if (const mailcompose::Checked subject = mailcompose::CheckSubject(mail); !subject.go) {
        mailcommands::Show(subject.notice);
        subjectEdit_->setFocus();
        return;
    }
    const std::string folder = Folder();
    std::optional<MailOutcome> previous;
    if (resend) {
        mailcompose::Pending pending = mailcompose::PendingOutcome(folder, mail);
        mailcommands::Show(pending.notice);
        if (!pending.outcome)
            return;
        previous = std::move(pending.outcome);
    }
    TemplateList templates;
    const mailcompose::Checked body
        = mailcompose::CheckBody(mail.lines, settings_.GetMailWrap(), table_, platform::Ask, templates);
    mailcommands::Show(body.notice);
    if (!body.go)
        return;
    std::unique_ptr<SmtpClient> client = mailcompose::Prepare(settings_, mail, sender_);
    mailcommands::Show(mailcompose::Utf8Notice(&templates, *client, *recipients_));
    if (!platform::Ask(SJ("送信します。よろしいですか？"), true))
        return;

    gui::WaitCursor wait;
    SetStatus("接続開始");
    if (!mailcompose::Open(settings_, *client)) {
        SetStatus("接続失敗");
        return;
    }
    // The progress dialog has a button to press: no hourglass over it.
    wait.Restore();
    recipients_->SetPos(0);
    sendForm_.SetRest(settings_.GetMailRestEvery(), settings_.GetMailRestSeconds());
    sendForm_.SetRetryWaits(MailingRun::RetryWaitsFromText(settings_.GetMailRetryWaits()));
    sendForm_.SetOutcomeFile(MailOutcome::PathFor(folder, mail), std::move(previous));
    const MailingRun::Outcome outcome = sendForm_.Run(&templates, client.get(), recipients_, folder);
    client.reset();
    // The mailing is over either way: a sent copy that could not be kept is only told.
    if (const mailfiles::FileResult saved = mailfiles::SaveSent(folder, mail); !saved.Ok())
        platform::Warn(saved.Message());
    SetStatus("送信完了");
    std::string details = sendForm_.RefusedList();
    if (sendForm_.Unsent() > 0)
        details += (details.empty() ? "" : "\n")
            + SJ("「前回送信メールの読込み」で同じメールを開き、「未送信のみ再送」で残りを送信できます。");
    mailcommands::Show(mailcompose::OutcomeNotice(outcome, sendForm_.Summary(), details));
    modified_ = false;
    reject();
}

void MailComposerWindow::reject()
{
    if (modified_ && !platform::Ask(SJ("更新があります。破棄しますか？"), false))
        return;
    const mailfiles::MailText mail = Mail();
    if (!mail.lines.empty()) {
        // The window closes even so; the box tells the draft was not kept.
        const mailfiles::FileResult saved
            = mailfiles::Save(Folder() + "/" + mailfiles::kFormMail, mailfiles::kSaveInternal, mail);
        if (!saved.Ok())
            platform::Warn(saved.Message());
    }
    QDialog::reject();
}

} // namespace nrt::gui
