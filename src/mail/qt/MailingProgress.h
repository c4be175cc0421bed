#pragma once
// The progress dialog of a bulk mailing. It runs the worker (MailingRun) on a thread of
// its own; the worker reaches the dialog only through calls that run on this thread
// while the worker waits, and stops when the dialog sets its termination flag. Made
// once with the main window and shown for every mailing.

#include "mail/MailingRun.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace nrt::gui {

class MailingProgress : public QDialog {
    Q_OBJECT
public:
    explicit MailingProgress(QWidget* parent = nullptr);
    ~MailingProgress() override;

    // One mailing: the inputs of the worker (none owned; `templates` may be null),
    // the dialog shown modally until the worker has ended. The outcome of outcomeEdit_:
    // 0 ran through, 1 finished with failures, 2 broken off.
    [[nodiscard]] MailingRun::Outcome Run(
        const TemplateList* templates, SmtpClient* mail, RecordSet* records, const std::string& mailFolder);
    // True while a worker runs.
    bool Running() const { return thread_.joinable(); }
    // The rests of the next run: messages between two, seconds of each; 0: none.
    void SetRest(int every, int seconds)
    {
        restEvery_ = every;
        restSeconds_ = seconds;
    }
    // The waits before new tries after a 4xx, and where the outcome of each recipient
    // is kept (with the earlier outcome for a resend), for the next run.
    void SetRetryWaits(std::vector<int> seconds) { retryWaits_ = std::move(seconds); }
    void SetOutcomeFile(std::string path, std::optional<MailOutcome> previous)
    {
        outcomePath_ = std::move(path);
        previous_ = std::move(previous);
    }
    // The summary line of the last run ("N通中 M通を送信しました。…" and its counts).
    const std::string& Summary() const { return summary_; }
    // The refused recipients of the last run with the server's replies, a few lines.
    const std::string& RefusedList() const { return refusedList_; }
    // Recipients of the last run refused or never tried.
    int Unsent() const { return unsent_; }
    // The log of the last run that could not be written, with its reason; empty when all were.
    const std::string& LogFailure() const { return logFailure_; }

    // Requests the worker's termination; the dialog stays until the worker has ended.
    void cancelClicked();
    // Escape and the window's close button cancel like the button while a worker runs.
    void reject() override;

signals:
    // The worker has begun (for whoever watches the run, such as tests).
    void WorkerStarted();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* messageLabel_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QLineEdit* outcomeEdit_ = nullptr; // hidden: the outcome as text

    class Bridge;
    void StartWorker();
    void WorkerFinished(MailingRun* worker);
    void ShowCount();

    const TemplateList* templates_ = nullptr;
    SmtpClient* mail_ = nullptr;
    RecordSet* records_ = nullptr;
    std::string folder_;
    std::unique_ptr<Bridge> bridge_;
    std::unique_ptr<MailingRun> worker_;
    std::thread thread_;
    int handled_ = 0;
    int total_ = 0;
    int restEvery_ = MailingRun::kRestEvery;
    int restSeconds_ = MailingRun::kRestSeconds;
    std::vector<int> retryWaits_ = MailingRun::DefaultRetryWaits();
    std::string outcomePath_;
    std::optional<MailOutcome> previous_;
    std::string summary_;
    std::string refusedList_;
    std::string logFailure_;
    int unsent_ = 0;
};

} // namespace nrt::gui
