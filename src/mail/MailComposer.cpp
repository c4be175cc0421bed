#include "mail/MailComposer.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"

#include <cstdio>

namespace nrt::mailcompose {
namespace {

bool IsFieldName(const AddressTable& table, std::string_view name)
{
    for (int f = 0; f < table.GetFieldCount(); ++f)
        if (table.GetField(f).name == name)
            return true;
    return false;
}

// A refusal: the warning, caption "注意".
Checked Refused(std::string text)
{
    return { false, { std::move(text), SJ("注意"), platform::MsgIcon::Warning } };
}

bool ServerIsSet(const AppSettings& settings)
{
    return !settings.GetMailHost().empty();
}

Checked NoServer()
{
    return Refused(SJ("送信(SMTP)サーバーが設定されていません。\n「メール」→「メール送信設定」で設定できます。"));
}

} // namespace

std::string FieldReference(int item)
{
    if (item < 0 || item >= static_cast<int>(kInsertFields.size()))
        return {};
    std::string reference(1, '%');
    reference += platform::Utf8ToSjis(kInsertFields[static_cast<std::size_t>(item)]);
    reference += '%';
    return reference;
}

SmtpSettings ServerSettings(const AppSettings& settings)
{
    SmtpSettings s;
    s.host = settings.GetMailHost();
    s.port = settings.GetMailPort();
    s.timeout = settings.GetMailTimeout();
    s.auth = settings.GetMailAuth();
    s.user = settings.GetMailUser();
    s.password = settings.GetMailPassword();
    s.ssl = settings.GetMailSsl();
    if (!settings.GetMailCaFile().empty()) {
        s.caFile = platform::fs::ToSystemPath(settings.GetMailCaFile());
        s.caSetting = settings.GetMailCaFile();
    }
    s.clearAuth = settings.GetMailClearAuth();
    return s;
}

Checked StartMailing(const AppSettings& settings, AddressTable& table, std::string_view printCondition, bool sendersTab,
    const AskUser& ask, MailSender& sender, RecordSet& recipients)
{
    if (!ServerIsSet(settings))
        return NoServer();
    if (sendersTab && !ask(SJ("差出人を宛名としてメールします。よろしいですか？"), true))
        return {};

    RecordSet senders;
    senders.Attach(&table);
    if (senders.Select(SJ(kSenderCondition)) != SelectResult::kSelected)
        return Refused(SJ("差出人を設定して下さい。"));
    const char* name = senders.GetValueByName(SJ("名前"));
    const char* address = senders.GetValueByName(SJ("メール"));
    sender.name = name ? name : "";
    sender.address = address ? address : "";
    if (sender.address.find('@') == std::string::npos)
        return Refused(SJ("差出人のメールアドレスを入力して下さい。"));

    recipients.Attach(&table);
    // A table without these fields sends in the order of its records.
    static_cast<void>(recipients.SetSort(SJ(kRecipientOrder), 0));
    if (recipients.Select(printCondition) != SelectResult::kSelected)
        return Refused(SJ("送信するメールがありません。"));
    return { true };
}

Checked CheckSendable(const AppSettings& settings, const RecordSet* recipients)
{
    if (!recipients)
        return Refused(SJ("レコードがありません。"));
    if (!ServerIsSet(settings))
        return NoServer();
    if (recipients->GetRowCount() == 0)
        return Refused(SJ("データがありません。"));
    return { true };
}

Checked CheckBody(const std::vector<std::string>& lines, int wrapWidth, const AddressTable& table, const AskUser& ask,
    TemplateList& templates)
{
    templates.clear();
    bool folds = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() > kMaxLineBytes) {
            templates.clear();
            return Refused(SJ("桁数が長すぎます。"));
        }
        if (line.size() > static_cast<std::size_t>(wrapWidth))
            folds = true;
        bool inside = false;
        bool referenced = false;
        std::string name;
        for (const char c : line) {
            if (c != '%') {
                if (inside)
                    name += c;
                continue;
            }
            if (!inside) {
                inside = true;
                name.clear();
                continue;
            }
            inside = false;
            referenced = true;
            if (!name.empty() && !IsFieldName(table, name)) {
                templates.clear();
                return Refused(SJ("フィールド(") + name + SJ("）は存在しません。"));
            }
        }
        if (referenced)
            templates.push_back({ static_cast<int>(i), line });
    }
    if (folds && !ask(SJ("指定文字数で折返しが発生します。\n送信してよろしいですか？"), true)) {
        templates.clear();
        return {};
    }
    return { true };
}

std::unique_ptr<SmtpClient> Prepare(
    const AppSettings& settings, const mailfiles::MailText& text, const MailSender& sender)
{
    auto mail = std::make_unique<SmtpClient>();
    mail->SetWidth(settings.GetMailWrap());
    for (std::size_t i = 0; i < text.lines.size(); ++i)
        mail->SetBodyLine(static_cast<int>(i), text.lines[i]);
    // A text over its limit is stored empty, and the connection or the address check
    // before each message reports what is missing.
    static_cast<void>(mail->SetServer(ServerSettings(settings)));
    static_cast<void>(mail->SetFrom(sender.address, sender.name));
    mail->SetSubject(text.subject);
    mail->SetPriority(text.high ? 1 : 3);
    return mail;
}

bool Open(const AppSettings& settings, SmtpClient& mail)
{
    if (mail.Open() == SmtpClient::Result::kOk)
        return true;
    // Nothing was sent, but the attempt belongs in the list of runs all the same.
    MailingRun::LogConnectionFailure(mailfiles::MailFolder(settings), mail.SubjectText(), mail.ReplyText());
    return false;
}

std::unique_ptr<SmtpClient> Connect(
    const AppSettings& settings, const mailfiles::MailText& text, const MailSender& sender)
{
    std::unique_ptr<SmtpClient> mail = Prepare(settings, text, sender);
    return Open(settings, *mail) ? std::move(mail) : nullptr;
}

void ApplyRest(const AppSettings& settings, MailingRun& worker)
{
    worker.SetRest(settings.GetMailRestEvery(), settings.GetMailRestSeconds());
    worker.SetRetryWaits(MailingRun::RetryWaitsFromText(settings.GetMailRetryWaits()));
}

Checked CheckSubject(const mailfiles::MailText& mail)
{
    if (mail.subject.find_first_not_of(std::string_view(" \t\x81\x40")) != std::string::npos)
        return { true };
    return Refused(SJ("件名を入力して下さい。"));
}

Pending PendingOutcome(const std::string& folder, const mailfiles::MailText& mail)
{
    MailOutcome outcome;
    if (!outcome.Load(MailOutcome::PathFor(folder, mail)))
        return { std::nullopt, Refused(SJ("このメールを送信した記録がありません。")).notice };
    if (outcome.Pending().empty())
        return { std::nullopt,
            { SJ("未送信のメールはありません。"), SJ("メール送信"), platform::MsgIcon::Information } };
    return { std::move(outcome) };
}

Notice Utf8Notice(const TemplateList* templates, SmtpClient& mail, RecordSet& recipients)
{
    const std::vector<std::string> names = AddresseesNeedingUtf8(templates, mail, recipients);
    if (names.empty())
        return {};
    constexpr std::size_t kNamesShown = 10;
    std::string text = SJ("次の宛先へのメールには JIS 以外の文字（①、髙 など）が含まれるため、UTF-8 で送信します。");
    for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i)
        text += "\n" + names[i];
    if (names.size() > kNamesShown) {
        char more[64];
        std::snprintf(more, sizeof more, "%zu", names.size() - kNamesShown);
        text += "\n" + SJ("ほか") + more + SJ("件");
    }
    return { text, SJ("メール送信"), platform::MsgIcon::Information };
}

Notice OutcomeNotice(MailingRun::Outcome outcome, const std::string& summary, const std::string& details)
{
    const std::string& caption = SJ("メール送信");
    const std::string more
        = (summary.empty() ? std::string() : "\n" + summary) + (details.empty() ? std::string() : "\n" + details);
    switch (outcome) {
    case MailingRun::Outcome::kSomeFailed:
        return { SJ("送信を完了しましたが、送信できなかったメールが存在します。\n送信ログを確認して下さい。") + more,
            caption, platform::MsgIcon::Warning };
    case MailingRun::Outcome::kBrokenOff:
        return { SJ("処理を中断しました。") + more, caption, platform::MsgIcon::Information };
    case MailingRun::Outcome::kRanThrough:
        break;
    }
    return { SJ("送信を完了しました。") + more, caption, platform::MsgIcon::Information };
}

} // namespace nrt::mailcompose
