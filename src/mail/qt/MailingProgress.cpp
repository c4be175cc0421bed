#include "mail/qt/MailingProgress.h"

#include "platform/MessageHost.h"
#include "qt/QtText.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace nrt::gui {
namespace {

QString U8(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Runs `job` on the thread of `context` and returns when it is done there.
void OnUiThread(QObject* context, const std::function<void()>& job)
{
    if (QThread::currentThread() == context->thread())
        job();
    else
        QMetaObject::invokeMethod(context, job, Qt::BlockingQueuedConnection);
}

// Boxes raised on the worker's thread (the client's reconnection failures, an
// over-long substituted line) are shown by the host of the user-interface thread.
class UiThreadMessageHost : public platform::MessageHost {
public:
    UiThreadMessageHost(platform::MessageHost& inner, QObject* context)
        : inner_(inner)
        , context_(context)
    {
    }
    platform::MsgResult Show(const platform::MessageRequest& request) override
    {
        platform::MsgResult result = platform::MsgResult::Ok;
        OnUiThread(context_, [&] { result = inner_.Show(request); });
        return result;
    }
    void Beep() override
    {
        OnUiThread(context_, [&] { inner_.Beep(); });
    }

private:
    platform::MessageHost& inner_;
    QObject* context_;
};

} // namespace

// The worker's five calls, each carried out on the dialog's thread.
class MailingProgress::Bridge : public MailSendHost {
public:
    explicit Bridge(MailingProgress& dialog)
        : d_(dialog)
    {
    }
    void Progress() override
    {
        OnUiThread(&d_, [this] {
            ++d_.handled_;
            d_.ProgressBar1->setValue(d_.ProgressBar1->value() + 1);
            d_.ShowCount();
        });
    }
    void Rest() override
    {
        OnUiThread(&d_, [this] { d_.messageLabel_->setText(U8("休憩中・・・")); });
    }
    void Resume() override
    {
        OnUiThread(&d_, [this] { d_.messageLabel_->setText(U8("メール送信中・・・")); });
    }
    void Waiting(int secondsLeft) override
    {
        OnUiThread(&d_, [this, secondsLeft] {
            d_.messageLabel_->setText(U8("一時的に拒否された宛先へ再送するまで 残り %1:%2")
                                          .arg(secondsLeft / 60)
                                          .arg(secondsLeft % 60, 2, 10, QLatin1Char('0')));
        });
    }
    void Failed() override
    {
        OnUiThread(&d_, [this] { d_.outcomeEdit_->setText(QStringLiteral("1")); });
    }
    void Cancelled() override
    {
        OnUiThread(&d_, [this] { d_.outcomeEdit_->setText(QStringLiteral("2")); });
    }

private:
    MailingProgress& d_;
};

MailingProgress::MailingProgress(QWidget* parent)
    : QDialog(parent)
    , bridge_(std::make_unique<Bridge>(*this))
{
    setObjectName(QStringLiteral("frmMailSend"));
    setWindowTitle(U8("ノルテア"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    messageLabel_ = new QLabel(U8("メール送信中・・・"), this);
    messageLabel_->setObjectName(QStringLiteral("lbl_Msg"));
    countLabel_ = new QLabel(this);
    countLabel_->setObjectName(QStringLiteral("lbl_Count"));
    countLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMinimum(0);
    cancelButton_ = new QPushButton(U8("キャンセル(&C)"), this);
    cancelButton_->setObjectName(QStringLiteral("cmd_Cancel"));
    outcomeEdit_ = new QLineEdit(QStringLiteral("0"), this);
    outcomeEdit_->setObjectName(QStringLiteral("txt_Err"));
    outcomeEdit_->setVisible(false);

    auto* labels = new QHBoxLayout;
    labels->addWidget(messageLabel_, 1);
    labels->addWidget(countLabel_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(labels);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ProgressBar1->setMinimumWidth(320);

    connect(cancelButton_, &QPushButton::clicked, this, &MailingProgress::cancelClicked);
}

MailingProgress::~MailingProgress()
{
    // Only reached with a worker still running when the program is torn down around a
    // mailing: stop it at the next record and wait, rather than leave it behind.
    if (worker_)
        worker_->Terminate();
    if (thread_.joinable())
        thread_.join();
}

MailingRun::Outcome MailingProgress::Run(
    const TemplateList* templates, SmtpClient* mail, RecordSet* records, const std::string& mailFolder)
{
    if (Running())
        return MailingRun::Outcome::kBrokenOff;
    templates_ = templates;
    mail_ = mail;
    records_ = records;
    folder_ = mailFolder;
    UiThreadMessageHost messages(platform::Messages(), this);
    platform::ScopedMessageHost scoped(messages);
    exec();
    return static_cast<MailingRun::Outcome>(outcomeEdit_->text().toInt());
}

void MailingProgress::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!Running() && !worker_)
        StartWorker();
}

void MailingProgress::StartWorker()
{
    outcomeEdit_->setText(QStringLiteral("0"));
    messageLabel_->setText(U8("メール送信中・・・"));
    handled_ = 0;
    total_ = 0;
    ProgressBar1->setValue(0);
    if (records_) {
        total_ = previous_ ? static_cast<int>(previous_->Pending().size()) : records_->GetRowCount();
        ProgressBar1->setMaximum(std::max(total_, 1));
        countLabel_->setText(QStringLiteral("%1 / %2").arg(1).arg(total_));
    }
    summary_.clear();
    refusedList_.clear();
    unsent_ = 0;
    worker_ = std::make_unique<MailingRun>(templates_, mail_, records_, folder_, *bridge_);
    worker_->SetRest(restEvery_, restSeconds_);
    worker_->SetRetryWaits(retryWaits_);
    if (!outcomePath_.empty())
        worker_->SetOutcomeFile(outcomePath_, previous_);
    // One run per setting: the next mailing sets its own.
    outcomePath_.clear();
    previous_.reset();
    MailingRun* worker = worker_.get();
    thread_ = std::thread([this, worker] {
        worker->Execute();
        QMetaObject::invokeMethod(
            this, [this, worker] { WorkerFinished(worker); }, Qt::QueuedConnection);
    });
    emit WorkerStarted();
}

void MailingProgress::WorkerFinished(MailingRun* worker)
{
    if (worker != worker_.get())
        return;
    if (thread_.joinable())
        thread_.join();
    summary_ = worker_->Summary();
    constexpr std::size_t kRefusalsShown = 10;
    refusedList_ = worker_->RefusedList(kRefusalsShown);
    unsent_ = worker_->Refused() + worker_->NotTried();
    worker_.reset();
    QDialog::accept();
}

void MailingProgress::ShowCount()
{
    countLabel_->setText(QStringLiteral("%1 / %2").arg(handled_).arg(total_));
}

void MailingProgress::cancelClicked()
{
    if (worker_)
        worker_->Terminate();
}

void MailingProgress::reject()
{
    // Escape and the window's close button cancel like the button: the dialog closes
    // when the worker has written its logs.
    if (worker_) {
        cancelClicked();
        return;
    }
    QDialog::reject();
}

} // namespace nrt::gui
