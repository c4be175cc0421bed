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
        mail.SetTo(address, name);
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
    // A log line that cannot be written must not stop the mailing itself.
    if (!listLog_.empty() && logWritten_ < logText_.size())
        fs::AppendFile(listLog_, std::string_view(logText_).substr(logWritten_));
    logWritten_ = logText_.size();
}

static std::string AddressKey(std::string_view address)
{
    std::string key;
    for (const char c : address)
        if (c != ' ' && c != '\t')
            key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return key;
}

static bool ConnectionLost(const SmtpClient& mail, SmtpClient::Result code)
{
    return code == SmtpClient::kFailed
        || (code <= SmtpClient::kSenderRefused && code >= SmtpClient::kMessageRefused
            && (!mail.IsConnected() || mail.LastReplyCode() == 421));
}

SmtpClient::Result MailingRun::SendWithOneReconnect()
{
    const SmtpClient::Result code = mail_->SendMail();
    if (!ConnectionLost(*mail_, code))
        return code;
    // The server went away in the middle: once more on a new connection, the same
    // message, since it was never confirmed.
    const std::string loss = mail_->ReplyText();
    if (mail_->Reconnect() != SmtpClient::kOk) {
        lostConnection_ = true;
        lossText_ = loss;
        return code;
    }
    return mail_->SendMail();
}

MailingRun::Handled MailingRun::HandleRecord(
    bool dryRun, const std::function<void(const std::string&)>* sink, bool lastTry)
{
    const std::string name = ValueOf(*records_, SJ("名前"));
    const std::string address = ValueOf(*records_, SJ("メール"));

    // Every address gets one copy, whatever the case of its letters.
    if (!lastTry) {
        const std::string key = AddressKey(address);
        if (!key.empty() && !seen_.insert(key).second) {
            failed_ = true;
            Log(name + "\t" + address + "\t" + SJ("メールアドレスが重複しています。") + "\r\n");
            return Handled::Skipped;
        }
    }

    mail_->SetTo(address, name);
    FillTemplates(templates_, *mail_, *records_);
    const SmtpClient::Result code = dryRun ? mail_->CheckAddresses() : SendWithOneReconnect();
    if (code == SmtpClient::kOk) {
        ++sent_;
        if (sink)
            (*sink)("MAIL FROM: <" + mail_->FromAddress() + ">\r\nRCPT TO: <" + mail_->ToAddress() + ">\r\nDATA\r\n"
                + mail_->MessageText() + ".\r\n");
        Log(name + "\t" + address + "\r\n");
        return Handled::Sent;
    }
    const std::string codeText = Format("(%d)", static_cast<int>(code));
    if (code == SmtpClient::kRecipientEmpty || code == SmtpClient::kRecipientInvalid) {
        failed_ = true;
        ++refused_;
        Log(name + "\t" + address + "\t" + mail_->ReplyText() + codeText + "\r\n");
        return Handled::Skipped;
    }
    const int reply = mail_->LastReplyCode();
    if (lostConnection_ || ConnectionLost(*mail_, code) || (code == SmtpClient::kSenderRefused && reply >= 500)) {
        // No message can go out any more: the server is gone, or it refuses the sender.
        failed_ = true;
        if (lostConnection_)
            Log(SJ("再接続に失敗しました。") + "\r\n");
        Log(name + "\t" + address + "\t" + SJ("（処理中断）") + codeText
            + WithLineEnd(lostConnection_ ? lossText_ : mail_->ReplyText()));
        return Handled::Stop;
    }
    if (reply >= 400 && reply < 500 && !lastTry) {
        deferred_.push_back(records_->GetPos());
        return Handled::Deferred;
    }
    failed_ = true;
    ++refused_;
    Log(name + "\t" + address + "\t" + SJ("（送信不可）") + codeText + WithLineEnd(mail_->ReplyText()));
    return Handled::Skipped;
}

void MailingRun::RetryDeferred()
{
    for (const int row : deferred_) {
        if (Terminated()) {
            cancelled_ = true;
            return;
        }
        records_->SetPos(row);
        if (HandleRecord(false, nullptr, true) == Handled::Stop)
            return;
    }
}

void MailingRun::Execute()
{
    if (!records_ || records_->IsEnd()) {
        platform::Warn(SJ("レコードがありません。"));
        return;
    }
    if (!mail_) {
        platform::Warn(SJ("メールの設定がされていません。"));
        return;
    }
    platform::Clock& clock = platform::GetClock();
    total_ = records_->GetRowCount();
    const std::string subject = mail_->SubjectText();

    const platform::LocalTime start = clock.Now();
    const std::string firstLine = Format(SJ("■%04d年%02d月%02d日 %02d:%02d:%02d "), start.year, start.month, start.day,
                                      start.hour, start.minute, start.second)
        + SJ("　『") + subject + SJ("』■") + "\r\n";
    fs::MakeDirs(folder_);
    const std::string listLog = folder_ + "/list.log";
    if (!fs::AtomicWriteFile(listLog, firstLine)) {
        platform::Warn(SJ("ログファイル作成に失敗しました。"));
        // Nothing was sent: the run must not be reported as done.
        mail_->Quit();
        outcome_ = kBrokenOff;
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
            if (mail_->Reconnect() != SmtpClient::kOk) {
                // The records after the rest were not sent: a failure, not a finished run.
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

        if (HandleRecord(false, nullptr, false) == Handled::Stop) {
            stopped = true;
            break;
        }
        host_.Progress();
        const CursorMove step = records_->Next();
        ++sinceRest;
        if (Terminated()) {
            cancelled_ = true;
            break;
        }
        if (step != CursorMove::kMoved)
            break;
    }
    if (!stopped && !cancelled_)
        RetryDeferred();

    if (cancelled_)
        summary_ = Format(SJ("%d通送信して処理を中断しました。"), sent_);
    else if (failed_)
        summary_ = Format(SJ("送信に失敗しました。%d通中 %d通を送信しました。"), total_, sent_);
    else
        summary_ = Format(SJ("%d通を送信しました。"), sent_);
    if (refused_ > 0)
        summary_ += Format(SJ("%d通は送信できませんでした。"), refused_);
    const std::string summary = summary_ + "\r\n";
    Log(summary);
    Log("\r\n");
    FlushLog();
    mail_->Quit();
    WriteRunLogs(subject + "\t\t\t" + summary);

    // Reported whatever became of the logs: a failed mailing is never shown as done.
    // A cancelled run is reported as such even when records failed before.
    if (cancelled_) {
        outcome_ = kBrokenOff;
        host_.Cancelled();
    } else if (failed_) {
        outcome_ = kSomeFailed;
        host_.Failed();
    }
}

void MailingRun::WriteRunLogs(std::string_view subjectAndSummary)
{
    const platform::LocalTime end = platform::GetClock().Now();
    fs::AppendFile(folder_ + "/" + MonthlyLogName(end.year, end.month), logText_);
    AddRunLine(folder_, subjectAndSummary);
}

void MailingRun::AddRunLine(const std::string& folder, std::string_view subjectAndSummary)
{
    const platform::LocalTime end = platform::GetClock().Now();
    std::string runs
        = Format("%04d/%02d/%02d %02d:%02d:%02d\t", end.year, end.month, end.day, end.hour, end.minute, end.second);
    runs += subjectAndSummary;
    fs::MakeDirs(folder);
    const std::string mailLog = folder + "/mail.log";
    std::string older;
    if (fs::IsFile(mailLog))
        fs::ReadFile(mailLog, older);
    const std::string successor = folder + "/mail.tmp";
    if (fs::AtomicWriteFile(successor, runs + older))
        fs::Rename(successor, mailLog);
}

void MailingRun::LogConnectionFailure(const std::string& folder, std::string_view subject, std::string_view reason)
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
    AddRunLine(folder, line + "\r\n");
}

void MailingRun::DryRun(const std::function<void(const std::string& message)>& sink)
{
    if (!records_ || records_->IsEnd()) {
        platform::Warn(SJ("レコードがありません。"));
        return;
    }
    if (!mail_) {
        platform::Warn(SJ("メールの設定がされていません。"));
        return;
    }
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
        outcome_ = kBrokenOff;
        host_.Cancelled();
    } else if (failed_) {
        outcome_ = kSomeFailed;
        host_.Failed();
    }
}

} // namespace nrt
