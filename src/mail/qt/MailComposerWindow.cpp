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
    AppSettings& global, AddressTable& table, MailingProgress& sendForm, QWidget* parent)
    : QDialog(parent)
    , global_(global)
    , table_(table)
    , sendForm_(sendForm)
{
    setObjectName(QStringLiteral("frmMailNew"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    chooseFile = [this](bool save, std::string& path, int& filter) { return ChooseWithDialog(save, path, filter); };

    menuBar = new QMenuBar(this);
    QMenu* file = menuBar->addMenu(U8("ファイル(&F)"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuFileLoad = file->addAction(U8("読込み(&L)..."));
    mnuFileLoad->setObjectName(QStringLiteral("mnuFileLoad"));
    mnuFilePrevLoad = file->addAction(U8("前回送信メールの読込み(&P)"));
    mnuFilePrevLoad->setObjectName(QStringLiteral("mnuFilePrevLoad"));
    mnuFilePrevForm = file->addAction(U8("前回終了時点のメール読込み(&F)"));
    mnuFilePrevForm->setObjectName(QStringLiteral("mnuFilePrevForm"));
    file->addSeparator();
    mnuFileSaveAs = file->addAction(U8("名前を付けて保存(&A)..."));
    mnuFileSaveAs->setObjectName(QStringLiteral("mnuFileSaveAs"));
    file->addSeparator();
    Close1 = file->addAction(U8("キャンセル(&C)"));
    Close1->setObjectName(QStringLiteral("Close1"));
    mnuField = menuBar->addMenu(U8("フィールドの挿入(&I)"));
    mnuField->setObjectName(QStringLiteral("mnuField"));
    for (std::size_t i = 0; i < mailcompose::kInsertFields.size(); ++i) {
        QAction* item = mnuField->addAction(U8(mailcompose::kInsertFields[i]));
        item->setObjectName(QStringLiteral("mnuField%1").arg(i + 1));
        connect(item, &QAction::triggered, this, [this, i] { InsertField(static_cast<int>(i)); });
    }
    NumberMenuItems(mnuField);

    auto* subjectLabel = new QLabel(U8("件名"), this);
    txt_Title = new QLineEdit(this);
    txt_Title->setObjectName(QStringLiteral("txt_Title"));
    txt_Title->setMaxLength(kMaxSubjectChars);
    txt_Title->setValidator(new SjisLimitValidator(2 * kMaxSubjectChars, txt_Title));
    subjectLabel->setBuddy(txt_Title);
    chk_Zyun = new QCheckBox(U8("優先高"), this);
    chk_Zyun->setObjectName(QStringLiteral("chk_Zyun"));
    txt_Memo = new QPlainTextEdit(this);
    txt_Memo->setObjectName(QStringLiteral("txt_Memo"));
    txt_Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txt_Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    txt_Memo->setTabChangesFocus(true);
    cmd_Send = new QPushButton(U8("送信"), this);
    cmd_Send->setObjectName(QStringLiteral("cmd_Send"));
    cmd_Resend = new QPushButton(U8("未送信のみ再送"), this);
    cmd_Resend->setObjectName(QStringLiteral("cmd_Resend"));
    cmd_Resend->setToolTip(U8("前回までにこのメールが届かなかった宛先（送信不可・未送信）にだけ送信します"));
    cmd_Close = new QPushButton(U8("キャンセル(&C)"), this);
    cmd_Close->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { cmd_Send, cmd_Resend, cmd_Close })
        b->setAutoDefault(false);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    top->addWidget(subjectLabel);
    top->addWidget(txt_Title, 1);
    top->addWidget(chk_Zyun);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmd_Send);
    buttons->addWidget(cmd_Resend);
    buttons->addWidget(cmd_Close);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(9, 6, 9, 6);
    body->addLayout(top);
    body->addWidget(txt_Memo, 1);
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

    connect(mnuFileLoad, &QAction::triggered, this, &MailComposerWindow::mnuFileLoadClick);
    connect(mnuFilePrevLoad, &QAction::triggered, this, [this] { LoadPrevious(0); });
    connect(mnuFilePrevForm, &QAction::triggered, this, [this] { LoadPrevious(1); });
    connect(mnuFileSaveAs, &QAction::triggered, this, &MailComposerWindow::mnuFileSaveAsClick);
    connect(Close1, &QAction::triggered, this, &MailComposerWindow::reject);
    connect(cmd_Close, &QPushButton::clicked, this, &MailComposerWindow::reject);
    connect(cmd_Send, &QPushButton::clicked, this, &MailComposerWindow::cmd_SendClick);
    connect(cmd_Resend, &QPushButton::clicked, this, &MailComposerWindow::cmd_ResendClick);
    connect(txt_Memo, &QPlainTextEdit::textChanged, this, &MailComposerWindow::MemoChanged);
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
    mail.subject = FromQ(txt_Title->text());
    mail.high = chk_Zyun->isChecked();
    mail.lines = mailfiles::SplitLines(FromQ(txt_Memo->toPlainText()));
    return mail;
}

void MailComposerWindow::SetMail(const mailfiles::MailText& mail)
{
    txt_Title->setText(ToQ(mail.subject));
    chk_Zyun->setChecked(mail.high);
    // Every line keeps its line end, so that an empty last line survives the memo.
    std::string text;
    for (const std::string& line : mail.lines) {
        text += line;
        text += '\n';
    }
    txt_Memo->setPlainText(ToQ(text));
}

void MailComposerWindow::MemoChanged()
{
    modified_ = true;
    const QString text = txt_Memo->toPlainText();
    if (text.size() <= kMaxBodyChars)
        return;
    QTextCursor cursor = txt_Memo->textCursor();
    const int position = std::min(static_cast<int>(cursor.position()), kMaxBodyChars);
    const QSignalBlocker block(txt_Memo);
    txt_Memo->setPlainText(text.left(kMaxBodyChars));
    cursor = txt_Memo->textCursor();
    cursor.setPosition(position);
    txt_Memo->setTextCursor(cursor);
    QApplication::beep();
}

std::string MailComposerWindow::Folder() const
{
    return mailfiles::MailFolder(global_);
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
    txt_Memo->insertPlainText(reference);
    txt_Memo->setFocus();
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

void MailComposerWindow::mnuFileLoadClick()
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

void MailComposerWindow::mnuFileSaveAsClick()
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

void MailComposerWindow::cmd_SendClick()
{
    Send(false);
}

void MailComposerWindow::cmd_ResendClick()
{
    Send(true);
}

void MailComposerWindow::Send(bool resend)
{
    if (const mailcompose::Checked sendable = mailcompose::CheckSendable(global_, recipients_); !sendable.go) {
        mailcommands::Show(sendable.notice);
        return;
    }
    // Emoji and the like have no place in the program's text: say so before they are
    // sent as "?".
    bool held = true;
    platform::Utf8ToSjis((txt_Title->text() + txt_Memo->toPlainText()).toStdString(), &held);
    if (!held
        && !platform::Ask(SJ("絵文字など、メールで送ることのできない文字が含まれています。\n"
                             "「?」に置き換えて送信してよろしいですか？")))
        return;
    const mailfiles::MailText mail = Mail();
    if (const mailcompose::Checked subject = mailcompose::CheckSubject(mail); !subject.go) {
        mailcommands::Show(subject.notice);
        txt_Title->setFocus();
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
        = mailcompose::CheckBody(mail.lines, global_.GetMailWrap(), table_, platform::Ask, templates);
    mailcommands::Show(body.notice);
    if (!body.go)
        return;
    std::unique_ptr<SmtpClient> client = mailcompose::Prepare(global_, mail, sender_);
    mailcommands::Show(mailcompose::Utf8Notice(&templates, *client, *recipients_));
    if (!platform::Ask(SJ("送信します。よろしいですか？"), true))
        return;

    gui::WaitCursor wait;
    SetStatus("接続開始");
    if (!mailcompose::Open(global_, *client)) {
        SetStatus("接続失敗");
        return;
    }
    // The progress dialog has a button to press: no hourglass over it.
    wait.Restore();
    recipients_->SetPos(0);
    sendForm_.SetRest(global_.GetMailRestEvery(), global_.GetMailRestSeconds());
    sendForm_.SetRetryWaits(MailingRun::RetryWaitsFromText(global_.GetMailRetryWaits()));
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
