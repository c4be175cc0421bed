#pragma once
// The SMTP client: one connection to the server, one message per SendMail.
// Connection failures are shown in boxes at once; send failures are returned with
// the server's reply (or a fixed text) in ReplyText for the caller to log.

#include "mail/MailEncoding.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class MailChannel;

// How the connection is protected, numbered as SSL of the settings file.
enum class SmtpSecurity : int { kPlain = 0, kStartTls = 1, kImplicitTls = 2 };
// How the client authenticates, numbered as SMTP of the settings file.
enum class SmtpAuth : int { kNoAuth = 0, kLogin = 1, kCramMd5 = 2, kPlainAuth = 3 };
// The settings file's numbers: an unknown SSL number is no TLS, an unknown SMTP number
// other than 0 is LOGIN.
SmtpSecurity SecurityOfSetting(int ssl);
SmtpAuth AuthOfSetting(int auth);

// The server settings as the settings file holds them (section MAIL of "NrtUser.ini").
struct SmtpSettings {
    std::string host; // HOST
    int port = -1; // PORTNO; -1: 25 ("mail" service), or 465 for TLS from the start
    int timeout = 0; // TIMEOUT, seconds per reply; 0 waits without limit
    SmtpAuth auth = SmtpAuth::kNoAuth; // SMTP
    std::string user; // USER
    std::string password; // PASSWORD
    SmtpSecurity ssl = SmtpSecurity::kPlain; // SSL
    std::string caFile; // CA certificates trusted besides the system's (PEM, a system path); may be empty
    std::string caSetting; // CAFILE as the user wrote it, for messages
    bool clearAuth = false; // CLEARAUTH: LOGIN and PLAIN allowed without TLS to another machine
};

class SmtpClient {
public:
    using Security = SmtpSecurity;
    using AuthMode = SmtpAuth;

    static constexpr int kDefaultWidth = 80;
    static constexpr std::size_t kReplyBytes = 1023;

    // Results of connecting and sending, the failure's text in ReplyText. The mailing
    // log gives the number, as "(-101)".
    enum class Result : int {
        kOk = 0,
        kFailed = -1, // not connected, or the TLS library could not be set up
        kHostNotFound = -2,
        kNoSocket = -3,
        kConnectFailed = -4,
        kGreetingRefused = -20, // no 220 greeting
        kHelloRefused = -21, // HELO/EHLO or the authentication refused
        kNoStartTls = -22, // STARTTLS asked for, not offered or refused
        kCertificateRefused = -23, // the server's certificate did not pass
        kTlsFailed = -24, // the TLS handshake failed otherwise
        kClearAuthRefused = -25, // the password would go unencrypted to another machine
        kNoServer = -50, // no server set
        kSenderRefused = -101, // MAIL FROM
        kRecipientRefused = -102, // RCPT TO
        kDataRefused = -103, // DATA
        kMessageRefused = -104, // the message itself
        kSenderEmpty = -150,
        kSenderInvalid = -151,
        kRecipientEmpty = -155,
        kRecipientInvalid = -156,
    };

    SmtpClient();
    virtual ~SmtpClient();
    SmtpClient(const SmtpClient&) = delete;
    SmtpClient& operator=(const SmtpClient&) = delete;

    // What became of a text given to a Set function: one over its limit is stored
    // empty, and the result names it.
    enum class SetResult { kOk, kHostTooLong, kUserTooLong, kPasswordTooLong, kAddressTooLong, kNameTooLong };

    // Empties the body lines and sets the wrap width, clamped to 10-255.
    void SetWidth(int width);
    // Texts of 60 bytes or more are refused.
    [[nodiscard]] SetResult SetHost(std::string_view host);
    [[nodiscard]] SetResult SetUser(std::string_view user);
    [[nodiscard]] SetResult SetPassword(std::string_view password);
    void SetPort(int port) { port_ = port; }
    void SetTimeout(int seconds) { timeout_ = seconds; }
    void SetSecurity(Security ssl) { ssl_ = ssl; }
    void SetCaFile(std::string_view path) { caFile_ = path; }
    // LOGIN and PLAIN send the password readable by anyone on the way: without TLS they
    // are refused unless the server is this machine or this is true.
    void SetClearAuth(bool allowed) { clearAuth_ = allowed; }
    // All of the above from the settings; the first text refused, if any (every field
    // is set all the same).
    [[nodiscard]] SetResult SetServer(const SmtpSettings& settings);

    // Address (blanks around it dropped) under 255 bytes and display name of at most
    // 80 bytes. A refused address empties both; a refused name empties the name.
    [[nodiscard]] SetResult SetFrom(std::string_view address, std::string_view name);
    [[nodiscard]] SetResult SetTo(std::string_view address, std::string_view name);
    // Any length. The composer refuses an empty subject before it gets here.
    void SetSubject(std::string_view subject);
    void SetPriority(int priority) { priority_ = priority; }
    // Prepares body line i (widened, in ISO-2022-JP unless it must be cut at send time).
    // Line breaks inside the text become blanks: the line stays one line on the wire.
    void SetBodyLine(int index, std::string_view line);
    int BodyLineCount() const { return static_cast<int>(body_.size()); }
    // The character set the message to the current recipient goes out in: UTF-8 when
    // a name, the subject or a body line holds a character outside JIS X 0208.
    MailEncoding::Charset MessageCharset() const;

    // HELO, no authentication (EHLO when STARTTLS is asked for).
    [[nodiscard]] Result Connect();
    // EHLO and AUTH: CRAM-MD5 or PLAIN as asked, any other mode LOGIN.
    [[nodiscard]] Result ConnectAuth(AuthMode mode);
    // Connect or ConnectAuth as the settings' authentication says.
    [[nodiscard]] Result Open();
    // The same kind of connection as the last one.
    [[nodiscard]] Result Reconnect();
    // One message to the current recipient. kOk or a failure; a refused command
    // leaves the connection ready for the next message (RSET), and LastReplyCode tells
    // a temporary refusal (4xx) from a permanent one.
    [[nodiscard]] Result SendMail();
    // The code of the server's reply that made SendMail fail (999 for a timeout), 0
    // when no reply was involved.
    int LastReplyCode() const { return lastCode_; }
    // The message to the current recipient as SendMail sends it after DATA: headers,
    // blank line, body lines with their line ends, leading dots doubled; without the
    // closing ".".
    std::string MessageText() const;
    // QUIT and close; nothing can fail that the caller could act on.
    void Quit();
    // The checks SendMail makes on the sender and the recipient before sending:
    // kOk, or the sender or the recipient empty or invalid, with the text in ReplyText.
    [[nodiscard]] Result CheckAddresses();

    // The identity of the message to the current recipient (left of the "@" in its
    // Message-ID): new with every SetTo; set again to resend a message that may have
    // arrived, so that the recipient's system can tell it is the same.
    const std::string& MessageToken() const { return messageToken_; }
    void SetMessageToken(std::string_view token);

    const std::string& ReplyText() const { return reply_; }
    const std::string& SubjectText() const { return subjectTyped_; }
    const std::string& FromAddress() const { return fromAddress_; }
    const std::string& ToAddress() const { return toAddress_; }
    // How the last connection authenticated.
    AuthMode AuthenticationMode() const { return authMode_; }
    bool IsConnected() const;
    bool IsSecure() const;

protected:
    // True when the connected server is this machine (127.0.0.0/8, ::1): a password
    // sent to it unencrypted never crosses a network.
    virtual bool ServerIsThisMachine() const;

private:
    [[nodiscard]] Result OpenConnection(AuthMode mode);
    [[nodiscard]] Result StartTls();
    [[nodiscard]] Result Authenticate(AuthMode mode);
    [[nodiscard]] Result Fail(Result code, std::string text);
    [[nodiscard]] Result FailWithReply(Result code);
    bool Offers(std::string_view keyword) const;
    int Command(std::string_view line);
    int ReadReply();
    void Put(std::string_view bytes);
    bool Flush();
    void Break(bool timedOut);
    int EffectivePort() const;
    std::string DateHeader() const;
    static std::string NewMessageToken();
    std::string MessageIdHeader() const;
    std::string MailboxHeader(std::string_view field, const std::string& name, const std::string& address,
        MailEncoding::Charset charset) const;
    std::string SubjectHeader(MailEncoding::Charset charset) const;
    void AppendBody(std::string& out, MailEncoding::Charset charset) const;
    int CheckAddress(const std::string& address, const std::string& prefix);
    [[nodiscard]] Result Refused(Result code);

    // One prepared body line: the widened Shift-JIS text, and its ISO-2022-JP form when
    // it fits on one line and in JIS X 0208 (worked out once, not per message).
    struct BodyLine {
        bool set = false;
        bool cut = false; // longer than the wrap width: cut into pieces when sent
        bool jisCut = false; // within the wrap width, but longer than 78 with its escapes
        bool fits = true; // ASCII and JIS X 0208 only
        std::string text;
        std::string jis;
    };

    int width_ = kDefaultWidth;
    std::string host_;
    std::string user_;
    std::string password_;
    int port_ = -1;
    int timeout_ = 0;
    Security ssl_ = Security::kPlain;
    AuthMode auth_ = AuthMode::kNoAuth; // from SetServer, for Open
    std::string caFile_;
    std::string caSetting_;
    bool clearAuth_ = false;
    std::string fromAddress_;
    std::string fromName_; // widened, on one line
    std::string toAddress_;
    std::string toName_;
    std::string subject_; // widened, on one line; empty: no subject
    std::string subjectTyped_;
    int priority_ = 3;
    std::string messageToken_ = NewMessageToken(); // left of the "@" in Message-ID
    std::vector<BodyLine> body_;
    int linesOutsideJis_ = 0; // body lines that do not fit ISO-2022-JP
    // The From and Subject lines, folded, per character set: they are the same for
    // every recipient of a mailing. Emptied when the sender or the subject changes.
    mutable std::string fromLines_[2];
    mutable std::string subjectLines_[2];

    std::unique_ptr<MailChannel> channel_;
    bool broken_ = false; // the conversation is out of step or the server is gone
    std::string brokenText_;
    AuthMode authMode_ = AuthMode::kNoAuth;
    std::string out_;
    std::string reply_;
    std::vector<std::string> replyLines_;
    int lastCode_ = 0;
    // The Date header of the last second asked for: a mailing sends many per second.
    mutable std::string dateLine_;
    mutable long long dateSecond_ = -1;
};

} // namespace nrt
