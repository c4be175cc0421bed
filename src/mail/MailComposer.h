#pragma once
// What the composer and the mail menu check and prepare, apart from their windows:
// the start of a mailing (server, sender, recipients of the print condition), the body
// checks with the template list they yield, the connected client, the outcome message.
// A check returns whether the mailing may go on and the message it leaves, which the
// window or the command that asked shows; a question in the middle is put through
// the caller's AskUser.

#include "db/AddressTable.h"
#include "db/RecordSet.h"
#include "mail/MailFiles.h"
#include "mail/MailingRun.h"
#include "mail/SmtpClient.h"
#include "platform/AskUser.h"
#include "platform/MessageHost.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AppSettings;

namespace mailcompose {

// The fields the composer's insert menu offers, in its order (UTF-8).
inline constexpr std::array<const char*, 18> kInsertFields {
    "名前",
    "カナ",
    "敬称",
    "性別",
    "生年月日",
    "郵便番号",
    "都道府県",
    "住所１",
    "住所２",
    "電話番号",
    "ＦＡＸ",
    "携帯番号",
    "メール",
    "ＨＰ",
    "大分類",
    "小分類",
    "備考１",
    "備考２",
};
// "%名前%": what the insert menu puts at the caret (CP932).
std::string FieldReference(int item);

inline constexpr std::size_t kMaxLineBytes = 512; // a longer body line is refused
inline constexpr const char* kSenderCondition = "宛名区分='1' and 印字区分='1'";
inline constexpr const char* kRecipientOrder = "メール,カナ";

struct MailSender {
    std::string name;
    std::string address;
};

using AskUser = platform::AskUser;

// A message for the user (CP932); an empty text: nothing to tell.
struct Notice {
    std::string text;
    std::string caption;
    platform::MsgIcon icon = platform::MsgIcon::Warning;
};

// What a check came to: whether the mailing goes on, and the message it leaves (a
// refusal's warning; none after a question answered No).
struct Checked {
    bool go = false;
    Notice notice {};
};

// The server settings of "NrtUser.ini", section MAIL.
SmtpSettings ServerSettings(const AppSettings& settings);

// The checks of the mail menu's "メール一括送信...": a server is set, the question on
// the senders' tab, the sender (the first marked sender record, with an address), and
// the recipients: `recipients` is attached to `table`, ordered by address and kana,
// and selected with the print condition; it stands on its first record.
[[nodiscard]] Checked StartMailing(const AppSettings& settings, AddressTable& table, std::string_view printCondition,
    bool sendersTab, const AskUser& ask, MailSender& sender, RecordSet& recipients);

// Before sending: a record set with records, and a server.
[[nodiscard]] Checked CheckSendable(const AppSettings& settings, const RecordSet* recipients);

// The body lines: none longer than 512 bytes, every %name% a field of the table, and
// the question when lines are longer than the wrap width. The lines holding references
// go to `templates` (emptied when sending is refused).
[[nodiscard]] Checked CheckBody(const std::vector<std::string>& lines, int wrapWidth, const AddressTable& table,
    const AskUser& ask, TemplateList& templates);

// A client for the mail, not connected: wrap width and body lines, the server settings,
// sender, subject and priority.
std::unique_ptr<SmtpClient> Prepare(
    const AppSettings& settings, const mailfiles::MailText& mail, const MailSender& sender);
// Connects the client (with authentication as set); false when that failed: the client
// has shown why, and "mail.log" has a line for the attempt.
bool Open(const AppSettings& settings, SmtpClient& mail);
// A prepared client, connected. Null when the connection failed:
// the client has shown why, and "mail.log" has a line for the attempt.
std::unique_ptr<SmtpClient> Connect(
    const AppSettings& settings, const mailfiles::MailText& mail, const MailSender& sender);

// The rests and the waits before new tries of the settings for a bulk mailing.
void ApplyRest(const AppSettings& settings, MailingRun& worker);

// Before sending: a subject that is not blank.
[[nodiscard]] Checked CheckSubject(const mailfiles::MailText& mail);

// For 「未送信のみ再送」: the kept outcome of the earlier runs of this mail text, with
// recipients still to send to. Nothing, and the notice why, when there is no such
// record or every recipient has had the mail.
struct Pending {
    std::optional<MailOutcome> outcome;
    Notice notice {};
};
[[nodiscard]] Pending PendingOutcome(const std::string& folder, const mailfiles::MailText& mail);

// Before sending: the notice naming the recipients whose message goes out in UTF-8 (a
// name, the subject or the filled body holds a character outside JIS X 0208); empty
// when there is none. The record set is left where it stood.
[[nodiscard]] Notice Utf8Notice(const TemplateList* templates, SmtpClient& mail, RecordSet& recipients);

// The message after a mailing (caption "メール送信") for the worker's outcome,
// followed by the run's summary with its three counts and `details` (the refusals).
[[nodiscard]] Notice OutcomeNotice(
    MailingRun::Outcome outcome, const std::string& summary = {}, const std::string& details = {});

} // namespace mailcompose
} // namespace nrt
