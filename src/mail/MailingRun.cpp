#include "mail/MailingRun.h"

#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace nrt {
namespace {

namespace fs = platform::fs;

std::string Format(const std::string& format, auto... args)
{
    char text[256];
    std::snprintf(text, sizeof text, format.c_str(), args...);
    return text;
}

std::string ValueOf(const RecordSet& records, const std::string& field)
{
    const char* v = records.GetValueByName(field);
    return v ? v : "";
}

// The reply text closes its log line; server replies bring their own line end.
std::string WithLineEnd(std::string text)
{
    if (text.empty() || text.back() != '\n')
        text += "\r\n";
    return text;
}

} // namespace

MailingRun::MailingRun(
    const TemplateList* templates, SmtpClient* mail, RecordSet* records, std::string mailFolder, MailSendHost& host)
    : templates_(templates)
    , mail_(mail)
    , records_(records)
    , folder_(std::move(mailFolder))
    , host_(host)
{
}

std::string MailingRun::MonthlyLogName(int year, int month)
{
    char name[32];
    std::snprintf(name, sizeof name, "list%04d%02d.log", year, month);
    return name;
}

std::string MailingRun::Substitute(std::string_view text, const RecordSet& record)
{
    std::string out;
    std::string name;
    bool inside = false;
    for (const char c : text) {
        if (!inside) {
            if (c == '%') {
                inside = true;
                name.clear();
                continue;
            }
            if (out.size() >= kLineLimit)
                break;
            out += c;
            continue;
        }
        if (c != '%') {
            name += c;
            continue;
        }
        inside = false;
        if (name.empty()) {
            if (out.size() < kLineLimit)
                out += '%';
            continue;
        }
        const char* value = record.GetValueByName(name);
        if (!value)
            continue;
        const std::size_t length = std::strlen(value);
        if (out.size() + length > kLineLimit) {
            platform::Warn(SJ("文字数がオーバーしました。"));
            continue;
        }
        out.append(value, length);
    }
    // "50% off": a reference never closed was no reference.
    if (inside && out.size() + 1 + name.size() <= kLineLimit) {
        out += '%';
        out += name;
    }
    return out;
}

void FillTemplates(const TemplateList* templates, SmtpClient& mail, const RecordSet& record)
{
    if (!templates)
        return;
    for (const TemplateLine& line : *templates) {
        if (line.index < 0 || line.index >= mail.BodyLineCount())
            break;
        mail.SetBodyLine(line.index, MailingRun::Substitute(line.text, record));
    }
}

std::vector<std::string> AddresseesNeedingUtf8(const TemplateList* templates, SmtpClient& mail, RecordSet& records)
{
    std::vector<std::string> found;
    const int start = records.GetPos();
    for (int row = start; row >= 0 && row < records.GetRowCount(); ++row) {
        records.SetPos(row);
        const std::string name = ValueOf(records, SJ("名前"));
        const std::string address = ValueOf(records, SJ("メール"));
        // A refused address is stored empty; only the character set is asked here.
        static_cast<void>(mail.SetTo(address, name));
        FillTemplates(templates, mail, records);
        if (mail.MessageCharset() == MailEncoding::Charset::Utf8)
            found.push_back(name + " <" + address + ">");
    }
    records.SetPos(start);
    return found;
}

void MailingRun::SetRest(int every, int seconds)
{
    restEvery_ = every > 0 && seconds > 0 ? every : 0;
    restSeconds_ = restEvery_ ? seconds : 0;
}

void MailingRun::Log(std::string_view text)
{
    if (listLog_.empty())
        return;
    logText_ += text;
    if (logText_.size() - logWritten_ >= kLogFlushBytes)
        FlushLog();
}

void MailingRun::FlushLog()
{
    // A log line that cannot be written must not stop the mailing itself; the whole
    // text of the run goes to the monthly log as well, at the end, and the failure is
    // told with the run's outcome.
    if (!listLog_.empty() && logWritten_ < logText_.size()
        && !fs::AppendFile(listLog_, std::string_view(logText_).substr(logWritten_)))
        NoteLogWrite(platform::FileWrite::Failed(listLog_));
    logWritten_ = logText_.size();
}

static bool ConnectionLost(const SmtpClient& mail, SmtpClient::Result code)
{
    return code == SmtpClient::Result::kFailed
        || (code <= SmtpClient::Result::kSenderRefused && code >= SmtpClient::Result::kMessageRefused
            && (!mail.IsConnected() || mail.LastReplyCode() == 421));
}

// A name or an address as a column of a log line: a line break or a tab in it would
// start a new line or column.
static std::string LogField(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

static std::string OneLineReply(std::string_view reply)
{
    std::string out;
    for (const char c : reply)
        if (c != '\r')
            out += c == '\n' ? ' ' : c;
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::vector<int> MailingRun::RetryWaitsFromText(std::string_view text)
{
    if (text.find_first_not_of(" \t") == std::string_view::npos)
        return DefaultRetryWaits();
    std::vector<int> waits;
    long long n = -1;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c >= '0' && c <= '9') {
            n = std::min(86400LL, (n < 0 ? 0 : n) * 10 + (c - '0'));
            continue;
        }
        if (n > 0)
            waits.push_back(static_cast<int>(n));
        n = -1;
    }
    return waits;
}

void MailingRun::SetOutcomeFile(std::string path, std::optional<MailOutcome> previous)
{
    outcomePath_ = std::move(path);
    previous_ = std::move(previous);
    pending_.clear();
    if (previous_)
        pending_ = previous_->Pending();
}

RecipientOutcome& MailingRun::OutcomeOfRow(int row)
{
    const auto [at, added] = rowOutcome_.emplace(row, outcomes_.size());
    if (added)
        outcomes_.emplace_back();
    return outcomes_[at->second];
}

std::string MailingRun::RefusedList(std::size_t max) const
{
    std::string list;
    std::size_t shown = 0, more = 0;
    for (const RecipientOutcome& r : outcomes_) {
        if (r.state != RecipientOutcome::State::kRefused)
            continue;
        if (shown == max) {
            ++more;
            continue;
        }
        ++shown;
        if (!list.empty())
            list += '\n';
        list.append(OneLineReply(r.name)).append(" <").append(r.address).append(">: ").append(r.reply);
    }
    if (more)
        list.append(1, '\n').append(Format(SJ("ほか%d件"), static_cast<int>(more)));
    return list;
}

SmtpClient::Result MailingRun::SendWithOneReconnect()
{
    const SmtpClient::Result code = mail_->SendMail();
    if (!ConnectionLost(*mail_, code))
        return code;
    // The server went away in the middle: once more on a new connection, the same
    // message with the same Message-ID, since it was never confirmed.
    const std::string loss = mail_->ReplyText();
    if (mail_->Reconnect() != SmtpClient::Result::kOk) {
        lostConnection_ = true;
        lossText_ = loss;
        return code;
    }
    return mail_->SendMail();
}

MailingRun::Handled MailingRun::HandleRecord(
    bool dryRun, const std::function<void(const std::string&)>* sink, bool retry)
{
    const std::string name = ValueOf(*records_, SJ("名前"));
    const std::string address = ValueOf(*records_, SJ("メール"));
    const std::string key = AddressKey(address);
    std::string token;
    if (previous_) {
        const auto found = pending_.find(key);
        if (found == pending_.end())
            return Handled::NotOurs;
        token = found->second;
    }
    const std::string who = LogField(name) + "\t" + LogField(address) + "\t";
    RecipientOutcome& outcome = OutcomeOfRow(records_->GetPos());
    outcome.name = name;
    outcome.address = address;

    // Every address gets one copy, whatever the case of its letters.
    if (!retry && !key.empty() && !seen_.insert(key).second) {
        outcome.state = RecipientOutcome::State::kDuplicate;
        ++duplicates_;
        Log(who + SJ("メールアドレスが重複しています。") + "\r\n");
        return Handled::Skipped;
    }

    // A refused address is stored empty, which the address check before sending logs.
    static_cast<void>(mail_->SetTo(address, name));
    if (!token.empty())
        mail_->SetMessageToken(token);
    outcome.token = mail_->MessageToken();
    FillTemplates(templates_, *mail_, *records_);
    const SmtpClient::Result code = dryRun ? mail_->CheckAddresses() : SendWithOneReconnect();
    if (code == SmtpClient::Result::kOk) {
        ++sent_;
        outcome.state = RecipientOutcome::State::kSent;
        outcome.reply.clear();
        if (sink)
            (*sink)("MAIL FROM: <" + mail_->FromAddress() + ">\r\nRCPT TO: <" + mail_->ToAddress() + ">\r\nDATA\r\n"
                + mail_->MessageText() + ".\r\n");
        Log(who.substr(0, who.size() - 1) + "\r\n");
        return Handled::Sent;
    }
    const std::string codeText = Format("(%d)", static_cast<int>(code));
    if (code == SmtpClient::Result::kRecipientEmpty || code == SmtpClient::Result::kRecipientInvalid) {
        failed_ = true;
        ++refused_;
        outcome.state = RecipientOutcome::State::kRefused;
        outcome.reply = OneLineReply(mail_->ReplyText());
        Log(who + mail_->ReplyText() + codeText + "\r\n");
        return Handled::Skipped;
    }
    const int reply = mail_->LastReplyCode();
    const bool lost = lostConnection_ || ConnectionLost(*mail_, code);
    if (lost || (code == SmtpClient::Result::kSenderRefused && reply >= 500)) {
        // No message can go out any more: the server is gone, or it refuses the sender.
        // A message whose data went out may have arrived all the same.
        failed_ = true;
        outcome.state = lost && code == SmtpClient::Result::kMessageRefused ? RecipientOutcome::State::kUnconfirmed
                                                                            : RecipientOutcome::State::kNotTried;
        outcome.reply = OneLineReply(lostConnection_ ? lossText_ : mail_->ReplyText());
        if (lostConnection_)
            Log(SJ("再接続に失敗しました。") + "\r\n");
        Log(who + SJ("（処理中断）") + codeText + WithLineEnd(lostConnection_ ? lossText_ : mail_->ReplyText()));
        return Handled::Stop;
    }
    if (reply >= 400 && reply < 500) {
        outcome.state = RecipientOutcome::State::kNotTried;
        outcome.reply = OneLineReply(mail_->ReplyText());
        deferredReply_[records_->GetPos()] = Format("(%d)", static_cast<int>(code)) + mail_->ReplyText();
        deferred_.push_back(records_->GetPos());
        return Handled::Deferred;
    }
    failed_ = true;
    ++refused_;
    outcome.state = RecipientOutcome::State::kRefused;
    outcome.reply = OneLineReply(mail_->ReplyText());
    Log(who + SJ("（送信不可）") + codeText + WithLineEnd(mail_->ReplyText()));
    return Handled::Skipped;
}

bool MailingRun::WaitBeforeRetry(int seconds)
{
    platform::Clock& clock = platform::GetClock();
    const std::uint64_t waitMs = static_cast<std::uint64_t>(seconds) * 1000;
    const std::uint64_t start = clock.TickCount();
    int shown = -1;
    for (;;) {
        if (Terminated())
            return false;
        const std::uint64_t elapsed = clock.TickCount() - start;
        if (elapsed >= waitMs)
            return true;
        const int left = static_cast<int>((waitMs - elapsed + 999) / 1000);
        if (left != shown) {
            host_.Waiting(left);
            shown = left;
        }
        clock.SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(kRestSliceMs, waitMs - elapsed)));
    }
}

bool MailingRun::RetryDeferred()
{
    for (const int seconds : retryWaits_) {
        if (deferred_.empty())
            return true;
        // A greylisting server wants the same message again after a while, not at once.
        FlushLog();
        mail_->Quit();
        if (!WaitBeforeRetry(seconds)) {
            cancelled_ = true;
            return false;
        }
        if (mail_->Reconnect() != SmtpClient::Result::kOk) {
            failed_ = true;
            Log(SJ("再接続に失敗しました。") + "\r\n");
            return false;
        }
        host_.Resume();
        std::vector<int> rows;
        rows.swap(deferred_);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (Terminated()) {
                cancelled_ = true;
                deferred_.insert(deferred_.end(), rows.begin() + static_cast<std::ptrdiff_t>(i), rows.end());
                return false;
            }
            records_->SetPos(rows[i]);
            if (HandleRecord(false, nullptr, true) == Handled::Stop) {
                deferred_.insert(deferred_.end(), rows.begin() + static_cast<std::ptrdiff_t>(i) + 1, rows.end());
                return false;
            }
        }
    }
    return true;
}

void MailingRun::FinishOutcomes()
{
    // Temporary refusals still standing: refused when every wait was spent on them, not
    // tried when there were no waits or the run stopped.
    const bool spent = !retryWaits_.empty() && reachedEnd_;
    for (const int row : deferred_) {
        RecipientOutcome& r = OutcomeOfRow(row);
        failed_ = true;
        if (spent) {
            r.state = RecipientOutcome::State::kRefused;
            ++refused_;
            Log(LogField(r.name) + "\t" + LogField(r.address) + "\t" + SJ("（送信不可）")
                + WithLineEnd(deferredReply_[row]));
        } else {
            Log(LogField(r.name) + "\t" + LogField(r.address) + "\t" + SJ("（一時的な拒否・未送信）")
                + WithLineEnd(deferredReply_[row]));
        }
    }
    deferred_.clear();
    // The rows the run never came to.
    if (!reachedEnd_) {
        for (int row = 0; row < records_->GetRowCount(); ++row) {
            if (rowOutcome_.contains(row))
                continue;
            records_->SetPos(row);
            const std::string address = ValueOf(*records_, SJ("メール"));
            if (previous_ && !pending_.contains(AddressKey(address)))
                continue;
            RecipientOutcome& r = OutcomeOfRow(row);
            r.name = ValueOf(*records_, SJ("名前"));
            r.address = address;
            r.state = RecipientOutcome::State::kNotTried;
        }
    }
    notTried_ = 0;
    for (const RecipientOutcome& r : outcomes_)
        if (r.state == RecipientOutcome::State::kNotTried || r.state == RecipientOutcome::State::kUnconfirmed)
            ++notTried_;
    // A resend's recipients that are no longer in the list stay as they were.
    if (previous_) {
        std::unordered_set<std::string> met;
        for (const RecipientOutcome& r : outcomes_)
            met.insert(AddressKey(r.address));
        for (const auto& [key, token] : pending_)
            if (!met.contains(key))
                ++notTried_;
    }
    if (notTried_ > 0)
        failed_ = true;
}

void MailingRun::SaveOutcomes()
{
    if (outcomePath_.empty())
        return;
    MailOutcome saved;
    saved.subject = mail_->SubjectText();
    saved.reachedEnd = reachedEnd_;
    if (!previous_) {
        saved.recipients = outcomes_;
    } else {
        // The earlier list, each recipient of this run with its new result.
        std::map<std::string, const RecipientOutcome*> now;
        for (const RecipientOutcome& r : outcomes_)
            now.emplace(AddressKey(r.address), &r);
        saved.recipients = previous_->recipients;
        for (RecipientOutcome& r : saved.recipients) {
            const std::string key = AddressKey(r.address);
            const auto found = now.find(key);
            if (pending_.contains(key) && found != now.end() && r.state != RecipientOutcome::State::kDuplicate)
                r = *found->second;
        }
        saved.reachedEnd = reachedEnd_ && saved.Pending().empty();
    }
    if (!saved.Save(outcomePath_)) {
        const platform::FileWrite failed = platform::FileWrite::Failed(outcomePath_);
        warnings_.push_back(SJ("送信結果ファイルの保存に失敗しました。") + failed.Reason());
    }
}

bool MailingRun::CanStart()
{
    warnings_.clear();
    if (!records_ || records_->IsEnd()) {
        warnings_.push_back(SJ("レコードがありません。"));
        return false;
    }
    if (!mail_) {
        warnings_.push_back(SJ("メールの設定がされていません。"));
        return false;
    }
    return true;
}

void MailingRun::Execute()
{
    if (!CanStart())
        return;
    platform::Clock& clock = platform::GetClock();
    total_ = previous_ ? static_cast<int>(pending_.size()) : records_->GetRowCount();
    const std::string subject = mail_->SubjectText();

    const platform::LocalTime start = clock.Now();
    const std::string firstLine = Format(SJ("■%04d年%02d月%02d日 %02d:%02d:%02d "), start.year, start.month, start.day,
                                      start.hour, start.minute, start.second)
        + SJ("　『") + subject + SJ("』■") + (previous_ ? SJ("（未送信のみ再送）") : std::string()) + "\r\n";
    fs::MakeDirs(folder_);
    const std::string listLog = folder_ + "/list.log";
    if (!fs::AtomicWriteFile(listLog, firstLine)) {
        warnings_.push_back(SJ("ログファイル作成に失敗しました。"));
        // Nothing was sent: the run must not be reported as done.
        mail_->Quit();
        outcome_ = Outcome::kBrokenOff;
        host_.Cancelled();
        return;
    }
    listLog_ = listLog;
    logText_ = firstLine;
    logWritten_ = logText_.size();

    bool resting = false;
    bool stopped = false;
    int sinceRest = 0;
    const std::uint64_t restMs = static_cast<std::uint64_t>(restSeconds_) * 1000;
    std::uint64_t restStart = clock.TickCount();
    for (;;) {
        if (resting) {
            if (Terminated()) {
                cancelled_ = true;
                break;
            }
            const std::uint64_t elapsed = clock.TickCount() - restStart;
            if (elapsed <= restMs) {
                clock.SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(kRestSliceMs, restMs - elapsed + 1)));
                continue;
            }
            resting = false;
            sinceRest = 0;
            if (mail_->Reconnect() != SmtpClient::Result::kOk) {
                // The records after the rest were not sent: the run did not reach its end.
                failed_ = true;
                stopped = true;
                Log(SJ("再接続に失敗しました。") + "\r\n");
                break;
            }
            host_.Resume();
        } else if (restEvery_ > 0 && sinceRest >= restEvery_) {
            FlushLog();
            host_.Rest();
            restStart = clock.TickCount();
            resting = true;
            mail_->Quit();
            continue;
        }

        const Handled handled = HandleRecord(false, nullptr, false);
        if (handled == Handled::Stop) {
            stopped = true;
            break;
        }
        if (handled != Handled::NotOurs) {
            host_.Progress();
            ++sinceRest;
        }
        const CursorMove step = records_->Next();
        if (Terminated()) {
            cancelled_ = true;
            break;
        }
        if (step != CursorMove::kMoved)
            break;
    }
    if (!stopped && !cancelled_ && !RetryDeferred() && !cancelled_)
        stopped = true;
    reachedEnd_ = !stopped && !cancelled_;
    FinishOutcomes();

    if (!reachedEnd_)
        summary_ = Format(SJ("%d通送信して処理を中断しました。"), sent_);
    else if (failed_)
        summary_ = Format(SJ("送信に失敗しました。%d通中 %d通を送信しました。"), total_, sent_);
    else
        summary_ = Format(SJ("%d通を送信しました。"), sent_);
    if (refused_ > 0)
        summary_ += Format(SJ("%d通は送信できませんでした。"), refused_);
    summary_ += Format(SJ(" 送信 %d通／送信不可 %d通／未送信 %d通"), sent_, refused_, notTried_);
    if (duplicates_ > 0)
        summary_ += Format(SJ("／重複 %d通"), duplicates_);
    const std::string summary = summary_ + "\r\n";
    Log(summary);
    Log("\r\n");
    FlushLog();
    mail_->Quit();
    WriteRunLogs(subject + "\t\t\t" + summary);
    SaveOutcomes();

    // Reported whatever became of the logs: a failed mailing is never shown as done,
    // and one that did not reach its end is shown as broken off.
    if (!reachedEnd_) {
        outcome_ = Outcome::kBrokenOff;
        host_.Cancelled();
    } else if (failed_) {
        outcome_ = Outcome::kSomeFailed;
        host_.Failed();
    }
}

void MailingRun::NoteLogWrite(const platform::FileWrite& write)
{
    if (logWrite_.Ok())
        logWrite_ = write;
}

std::string MailingRun::LogFailure() const
{
    return logWrite_.Ok() ? std::string() : SJ("送信ログの保存に失敗しました。") + logWrite_.Reason();
}

void MailingRun::WriteRunLogs(std::string_view subjectAndSummary)
{
    const platform::LocalTime end = platform::GetClock().Now();
    const std::string monthly = folder_ + "/" + MonthlyLogName(end.year, end.month);
    if (!fs::AppendFile(monthly, logText_))
        NoteLogWrite(platform::FileWrite::Failed(monthly));
    NoteLogWrite(AddRunLine(folder_, subjectAndSummary));
}

platform::FileWrite MailingRun::AddRunLine(const std::string& folder, std::string_view subjectAndSummary)
{
    const platform::LocalTime end = platform::GetClock().Now();
    std::string runs
        = Format("%04d/%02d/%02d %02d:%02d:%02d\t", end.year, end.month, end.day, end.hour, end.minute, end.second);
    runs += subjectAndSummary;
    fs::MakeDirs(folder);
    const std::string mailLog = folder + "/mail.log";
    std::string older;
    // Written without the runs it could not read, the log would lose them.
    if (fs::IsFile(mailLog) && !fs::ReadFile(mailLog, older))
        return platform::FileWrite::Failed(mailLog);
    const std::string successor = folder + "/mail.tmp";
    if (!fs::AtomicWriteFile(successor, runs + older))
        return platform::FileWrite::Failed(successor);
    if (!fs::Rename(successor, mailLog)) {
        const platform::FileWrite failed = platform::FileWrite::Failed(mailLog);
        static_cast<void>(fs::RemoveFile(successor)); // the log stays as it was; the copy is no use
        return failed;
    }
    return platform::FileWrite::Written();
}

platform::FileWrite MailingRun::LogConnectionFailure(
    const std::string& folder, std::string_view subject, std::string_view reason)
{
    std::string line = std::string(subject) + "\t\t\t" + SJ("送信(SMTP)サーバーに接続できませんでした。");
    // The reason may run over several lines (a server's reply, a certificate's fault).
    bool blank = true;
    for (const char c : reason) {
        const bool lineEnd = c == '\r' || c == '\n';
        if (lineEnd && blank)
            continue;
        line += lineEnd ? ' ' : c;
        blank = lineEnd;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return AddRunLine(folder, line + "\r\n");
}

void MailingRun::DryRun(const std::function<void(const std::string& message)>& sink)
{
    if (!CanStart())
        return;
    total_ = records_->GetRowCount();
    listLog_.clear();
    for (;;) {
        if (HandleRecord(true, &sink, false) == Handled::Stop)
            break;
        host_.Progress();
        const CursorMove step = records_->Next();
        if (Terminated()) {
            cancelled_ = true;
            break;
        }
        if (step != CursorMove::kMoved)
            break;
    }
    if (cancelled_) {
        outcome_ = Outcome::kBrokenOff;
        host_.Cancelled();
    } else if (failed_) {
        outcome_ = Outcome::kSomeFailed;
        host_.Failed();
    }
}

} // namespace nrt
