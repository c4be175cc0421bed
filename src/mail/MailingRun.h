#pragma once
// The bulk-send worker: one message per record of a record set over one connection,
// a rest with reconnection after every 100 records, repeated addresses skipped, and
// the logs of the run in the mail folder ("list.log", the monthly "list%s.log" and
// "mail.log", newest run first). It knows nothing of threads or windows: whoever hosts
// it runs Execute (on a thread of its own in the program) and receives the five
// progress calls through MailSendHost.

#include "db/RecordSet.h"
#include "mail/MailOutcome.h"
#include "mail/SmtpClient.h"
#include "platform/FileWrite.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace nrt {

// A body line that holds field references, filled anew for every recipient.
struct TemplateLine {
    int index = 0; // of the body line
    std::string text; // as typed, with its %field% references
};
using TemplateList = std::vector<TemplateLine>;

// The template lines filled with the values of the record the set stands on, stored
// in the client's body.
void FillTemplates(const TemplateList* templates, SmtpClient& mail, const RecordSet& record);

// "名前 <メール>" of every recipient from the current record on whose message must go
// out in UTF-8 (a character outside JIS X 0208 in a name, the subject or the filled
// body); the record set is put back where it stood.
std::vector<std::string> AddresseesNeedingUtf8(const TemplateList* templates, SmtpClient& mail, RecordSet& records);

// What the worker tells its host; each call returns when the host has done it.
class MailSendHost {
public:
    virtual ~MailSendHost() = default;
    virtual void Progress() = 0; // one more record handled
    virtual void Rest() = 0; // the pause after every 100 records begins
    virtual void Resume() = 0; // sending again
    virtual void Failed() = 0; // the run finished with failures
    virtual void Cancelled() = 0; // the run was broken off
    // Waiting before the new try of recipients refused for the time being (4xx);
    // called about once a second with the seconds left. Resume follows the wait.
    virtual void Waiting(int secondsLeft) { static_cast<void>(secondsLeft); }
};

class MailingRun {
public:
    enum class Outcome : int { kRanThrough = 0, kSomeFailed = 1, kBrokenOff = 2 };

    static constexpr int kRestEvery = 100; // records handled between two rests, by default
    static constexpr int kRestSeconds = 60; // a rest lasts longer than this, by default
    static constexpr std::uint32_t kRestSliceMs = 100; // termination is checked this often
    static constexpr std::size_t kLineLimit = 1020; // bytes of a substituted body line
    static constexpr std::size_t kLogFlushBytes = 4096; // log lines are appended in pieces of this size

    // None of the three is owned; they must outlive the run. `templates` may be null.
    // The record set stands on its first recipient; the client is connected.
    MailingRun(const TemplateList* templates, SmtpClient* mail, RecordSet* records, std::string mailFolder,
        MailSendHost& host);
    MailingRun(const MailingRun&) = delete;
    MailingRun& operator=(const MailingRun&) = delete;

    // Records handled between two rests and the length of a rest; 0 for either: no rests.
    void SetRest(int every, int seconds);
    // Seconds to wait before each new try of the recipients refused for the time being
    // (4xx), the connection closed meanwhile; empty: they are left as not tried.
    void SetRetryWaits(std::vector<int> seconds) { retryWaits_ = std::move(seconds); }
    static std::vector<int> DefaultRetryWaits() { return { 60, 300, 900 }; }
    // The waits of the setting "60,300,900" (empty: the default; no number: none).
    static std::vector<int> RetryWaitsFromText(std::string_view text);
    // Where the outcome of every recipient is kept (MailOutcome); `previous` given: this
    // run resends to its pending recipients only, with their earlier Message-IDs, and
    // its results are merged into it.
    void SetOutcomeFile(std::string path, std::optional<MailOutcome> previous = std::nullopt);

    // The whole run, logs included. A recipient the server refuses for good (5xx) is
    // logged and the run goes on; those refused for the time being (4xx) are tried
    // again after each of the retry waits; a lost connection is opened again once and
    // the message resent with its Message-ID. What stopped it or went wrong on the
    // way is left in Warnings.
    void Execute();
    // The same records without a connection and without logs or rests: each message
    // that would be sent goes to `sink`. Failed address checks count as failures.
    void DryRun(const std::function<void(const std::string& message)>& sink);

    // The termination flag; may be set from any thread. The worker reads it after each
    // record and while resting.
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    int Sent() const { return sent_; }
    int Total() const { return total_; }
    // Recipients that could not be sent: refused by the server or by the address check.
    int Refused() const { return refused_; }
    // Recipients no message went to: the run stopped before them, a 4xx was left, or
    // the message went out unconfirmed.
    int NotTried() const { return notTried_; }
    int Duplicates() const { return duplicates_; }
    // The outcome of each recipient of this run, in the order they were handled.
    const std::vector<RecipientOutcome>& Outcomes() const { return outcomes_; }
    // The warnings of the last Execute or DryRun in their order, each the text of a box
    // captioned "注意": no records, no client, "list.log" not created, the outcome file
    // not saved. The worker runs where no window is; its host shows them once the run
    // is over.
    const std::vector<std::string>& Warnings() const { return warnings_; }
    // "名前 <address>: reply" of the refused recipients, at most `max` lines and a count
    // of the others.
    std::string RefusedList(std::size_t max) const;
    Outcome GetOutcome() const { return outcome_; }
    // The summary line of the run as the logs have it, without its line end.
    const std::string& Summary() const { return summary_; }
    // The first log of the run ("list.log", the monthly log, "mail.log") that could not
    // be written: "送信ログの保存に失敗しました。" with the file and the system's reason;
    // empty when every log was written. The run itself goes on regardless.
    std::string LogFailure() const;

    // A template line with its references replaced by the record's values: "%%" is a
    // "%", an unknown name adds nothing, an unclosed reference stays as typed. A value
    // that would make the line longer than kLineLimit bytes is left out after the box
    // "文字数がオーバーしました。".
    static std::string Substitute(std::string_view text, const RecordSet& record);

    // A connection that failed before the first message: a line in "mail.log" of
    // `folder` with the subject and the reason the client gave.
    [[nodiscard]] static platform::FileWrite LogConnectionFailure(
        const std::string& folder, std::string_view subject, std::string_view reason);

    // "list%s.log" of the month `yyyymm`.
    static std::string MonthlyLogName(int year, int month);

private:
    enum class Handled { Sent, Skipped, Deferred, Stop, NotOurs };
    [[nodiscard]] Handled HandleRecord(bool dryRun, const std::function<void(const std::string&)>* sink, bool retry);
    [[nodiscard]] SmtpClient::Result SendWithOneReconnect();
    // False when the run stopped (cancelled, or the server could not be reached again).
    bool RetryDeferred();
    // False, with its warning, when there is nothing to send or nothing to send with.
    bool CanStart();
    bool WaitBeforeRetry(int seconds);
    RecipientOutcome& OutcomeOfRow(int row);
    void FinishOutcomes();
    void SaveOutcomes();
    void Log(std::string_view text);
    void FlushLog();
    void WriteRunLogs(std::string_view subject);
    // The line of a run put in front of the others in "mail.log" (through "mail.tmp");
    // a log that is there but cannot be read is left as it is.
    [[nodiscard]] static platform::FileWrite AddRunLine(const std::string& folder, std::string_view subjectAndSummary);
    // Keeps the first failure of a log write.
    void NoteLogWrite(const platform::FileWrite& write);

    const TemplateList* templates_;
    SmtpClient* mail_;
    RecordSet* records_;
    std::string folder_;
    MailSendHost& host_;
    std::atomic<bool> terminated_ { false };

    int sent_ = 0;
    int total_ = 0;
    Outcome outcome_ = Outcome::kRanThrough;
    bool failed_ = false;
    bool cancelled_ = false;
    int refused_ = 0;
    int notTried_ = 0;
    int duplicates_ = 0;
    int restEvery_ = kRestEvery;
    std::vector<int> retryWaits_ = DefaultRetryWaits();
    std::string outcomePath_;
    std::optional<MailOutcome> previous_; // a resend: what the earlier runs left
    std::map<std::string, std::string> pending_; // a resend: address key → Message-ID token
    std::map<int, std::size_t> rowOutcome_; // row → index in outcomes_
    std::vector<RecipientOutcome> outcomes_;
    bool reachedEnd_ = false;
    int restSeconds_ = kRestSeconds;
    bool lostConnection_ = false; // the run ended because the server could not be reached again
    std::string lossText_; // what the client said when the connection was lost
    std::unordered_set<std::string> seen_; // addresses handled, in lower case
    std::vector<int> deferred_; // rows refused for the time being, to be tried again
    std::map<int, std::string> deferredReply_; // the last temporary refusal of each
    std::string summary_;
    std::string listLog_; // the path of "list.log"
    std::string logText_; // everything written to it in this run
    std::size_t logWritten_ = 0; // how much of logText_ is in the file
    platform::FileWrite logWrite_ = platform::FileWrite::Written();
    std::vector<std::string> warnings_;
};

} // namespace nrt
