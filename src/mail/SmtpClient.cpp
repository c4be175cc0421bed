#include "mail/SmtpClient.h"

#include "mail/MailChannel.h"
#include "mail/MailEncoding.h"
#include "mail/Md5Hash.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <netdb.h>
#include <netinet/in.h>
#include <random>
#include <unistd.h>

namespace nrt {
namespace {

constexpr std::size_t kTextLimit = 60; // host, user and password: shorter than this
constexpr std::size_t kAddressLimit = 255; // addresses: shorter than this
constexpr std::size_t kHeaderLimit = 80; // names and subject: at most this
constexpr std::size_t kReplyLineKeep = 1024;
constexpr std::size_t kReplyLinesKept = 200;
constexpr std::size_t kFlushAt = 64 * 1024;

constexpr const char* kDayNames[7] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
constexpr const char* kMonthNames[12]
    = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };

// Port of a service from the services database, or `fallback`.
int ServicePort(const char* name, int fallback)
{
    servent entry;
    servent* found = nullptr;
    char buffer[1024];
    if (::getservbyname_r(name, "tcp", &entry, buffer, sizeof buffer, &found) == 0 && found)
        return ntohs(static_cast<std::uint16_t>(found->s_port));
    return fallback;
}

// Header texts never carry a line break into the header they are written in.
std::string OneLine(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\0')
            c = ' ';
    return out;
}

// The reply code: the leading decimal digits (at most ten), 0 when there are none.
int ReplyCode(std::string_view line)
{
    long long code = 0;
    for (std::size_t i = 0; i < line.size() && i < 10 && line[i] >= '0' && line[i] <= '9'; ++i)
        code = code * 10 + (line[i] - '0');
    return code > INT_MAX ? INT_MAX : static_cast<int>(code);
}

// "250-..." announces more lines of the same reply; any other line ends it.
bool IsContinued(std::string_view line)
{
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return line.size() >= 4 && digit(line[0]) && digit(line[1]) && digit(line[2]) && line[3] == '-';
}

std::string_view TrimLineEnd(std::string_view s)
{
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool StoreShortText(std::string& field, std::string_view text)
{
    if (text.size() < kTextLimit) {
        field = text;
        return true;
    }
    field.clear();
    return false;
}

// A header text as it goes out: on one line, half-width kana widened like the body's.
std::string HeaderText(std::string_view text)
{
    return MailEncoding::WidenKana(OneLine(text));
}

// The address without the blanks (ASCII or full-width) a pasted address brings along.
std::string_view TrimBlanks(std::string_view address)
{
    std::size_t begin = 0;
    for (;;) {
        if (begin < address.size()
            && (address[begin] == ' ' || address[begin] == '\t' || address[begin] == '\r' || address[begin] == '\n'))
            ++begin;
        else if (address.substr(begin, 2) == "\x81\x40")
            begin += 2;
        else
            break;
    }
    // The end of the last character that is not a blank, stepping over whole characters.
    std::size_t end = begin;
    for (std::size_t i = begin; i < address.size();) {
        const std::size_t n = platform::CharLength(address, i);
        const std::string_view c = address.substr(i, n);
        i += n;
        if (c != " " && c != "\t" && c != "\r" && c != "\n" && c != "\x81\x40")
            end = i;
    }
    return address.substr(begin, end - begin);
}

SmtpClient::SetResult StoreAddressAndName(
    std::string& address, std::string& name, std::string_view newAddress, std::string_view newName)
{
    newAddress = TrimBlanks(newAddress);
    name.clear();
    if (newAddress.size() >= kAddressLimit) {
        address.clear();
        return SmtpClient::SetResult::kAddressTooLong;
    }
    address = newAddress;
    if (newName.size() > kHeaderLimit)
        return SmtpClient::SetResult::kNameTooLong;
    name = HeaderText(newName);
    return SmtpClient::SetResult::kOk;
}

// Characters of an address as it goes into MAIL FROM and RCPT TO: letters, digits, the
// other characters of an atom, the dot and the at-sign. Blanks, brackets, line breaks
// and 8-bit bytes could end the command early or add another.
bool IsAddressChar(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c != '\0' && std::string_view("!#$%&'*+-/=?^_`{|}~.@").find(static_cast<char>(c)) != std::string_view::npos;
}

// Printable ASCII that may stand in a display name without quotes (atoms and blanks).
bool IsAtomText(unsigned char c)
{
    return c == ' ' || (IsAddressChar(c) && c != '.' && c != '@');
}

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Folds a header line (without its line end) at blanks so that no line is longer than
// 76 characters where a blank allows it (RFC 2047 asks that of lines with encoded
// words); the blank leads the continuation line. The first line keeps the field name
// and the first word of its value: a fold straight after the colon would leave the
// field empty for some readers. Ends it with CR LF.
void AppendFolded(std::string& out, std::string_view line)
{
    constexpr std::size_t kFoldAt = 76;
    const std::size_t colon = line.find(':');
    std::size_t firstWord = colon == std::string_view::npos ? 0 : line.find_first_not_of(' ', colon + 1);
    if (firstWord == std::string_view::npos)
        firstWord = line.size();
    bool first = true;
    while (line.size() > kFoldAt) {
        // A continuation line begins with its blank: the word after it starts at 1.
        const std::size_t earliest = first ? firstWord : 1;
        std::size_t cut = line.rfind(' ', kFoldAt);
        if (cut == std::string_view::npos || cut <= earliest || line.find_first_not_of(' ') >= cut)
            cut = line.find(' ', std::max(kFoldAt + 1, earliest + 1));
        if (cut == std::string_view::npos)
            break;
        first = false;
        out.append(line.substr(0, cut));
        out.append("\r\n");
        line.remove_prefix(cut);
    }
    out.append(line);
    out.append("\r\n");
}

std::string Joined(const std::vector<std::string>& words)
{
    std::string out;
    for (const std::string& w : words) {
        if (!out.empty())
            out += ' ';
        out += w;
    }
    return out;
}

} // namespace

SmtpClient::SmtpClient() = default;

SmtpClient::~SmtpClient() = default;

void SmtpClient::SetWidth(int width)
{
    body_.clear();
    linesOutsideJis_ = 0;
    width_ = std::clamp(width, 10, 255);
}

SmtpClient::SetResult SmtpClient::SetHost(std::string_view host)
{
    return StoreShortText(host_, host) ? SetResult::kOk : SetResult::kHostTooLong;
}

SmtpClient::SetResult SmtpClient::SetUser(std::string_view user)
{
    return StoreShortText(user_, user) ? SetResult::kOk : SetResult::kUserTooLong;
}

SmtpClient::SetResult SmtpClient::SetPassword(std::string_view password)
{
    return StoreShortText(password_, password) ? SetResult::kOk : SetResult::kPasswordTooLong;
}

SmtpSecurity SecurityOfSetting(int ssl)
{
    switch (ssl) {
    case static_cast<int>(SmtpSecurity::kStartTls):
        return SmtpSecurity::kStartTls;
    case static_cast<int>(SmtpSecurity::kImplicitTls):
        return SmtpSecurity::kImplicitTls;
    default:
        return SmtpSecurity::kPlain;
    }
}

SmtpAuth AuthOfSetting(int auth)
{
    switch (auth) {
    case static_cast<int>(SmtpAuth::kNoAuth):
        return SmtpAuth::kNoAuth;
    case static_cast<int>(SmtpAuth::kCramMd5):
        return SmtpAuth::kCramMd5;
    case static_cast<int>(SmtpAuth::kPlainAuth):
        return SmtpAuth::kPlainAuth;
    default:
        return SmtpAuth::kLogin;
    }
}

SmtpClient::SetResult SmtpClient::SetServer(const SmtpSettings& s)
{
    const SetResult host = SetHost(s.host);
    const SetResult user = SetUser(s.user);
    const SetResult password = SetPassword(s.password);
    SetPort(s.port);
    SetTimeout(s.timeout);
    SetSecurity(s.ssl);
    SetCaFile(s.caFile);
    caSetting_ = s.caSetting.empty() ? s.caFile : s.caSetting;
    SetClearAuth(s.clearAuth);
    auth_ = s.auth;
    for (const SetResult result : { host, user, password })
        if (result != SetResult::kOk)
            return result;
    return SetResult::kOk;
}

SmtpClient::SetResult SmtpClient::SetFrom(std::string_view address, std::string_view name)
{
    fromLines_[0].clear();
    fromLines_[1].clear();
    return StoreAddressAndName(fromAddress_, fromName_, address, name);
}

SmtpClient::SetResult SmtpClient::SetTo(std::string_view address, std::string_view name)
{
    // One message per recipient: it keeps its identity if it has to be sent again.
    messageToken_ = NewMessageToken();
    return StoreAddressAndName(toAddress_, toName_, address, name);
}

void SmtpClient::SetSubject(std::string_view subject)
{
    subjectLines_[0].clear();
    subjectLines_[1].clear();
    // Any length: the header is encoded in words and folded between them.
    subject_ = MailEncoding::WidenKana(OneLine(subject), 2 * subject.size());
    subjectTyped_ = subject;
}

void SmtpClient::SetBodyLine(int index, std::string_view line)
{
    if (index < 0)
        return;
    BodyLine entry;
    entry.set = true;
    entry.text = MailEncoding::WidenKana(line, MailEncoding::kLineLimit);
    // A field value with a line break would otherwise end the line early, and a lone
    // "." after it would end the message data.
    std::replace_if(
        entry.text.begin(), entry.text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    entry.cut = entry.text.size() > static_cast<std::size_t>(width_);
    entry.fits = MailEncoding::FitsJis(entry.text);
    // Lines that fit are converted once here; longer ones are cut when the message
    // goes out, each piece with its own escapes. The escapes count towards the length
    // of an ISO-2022-JP line.
    if (entry.fits && !entry.cut) {
        entry.jis = MailEncoding::JisLine(entry.text);
        entry.jisCut = MailEncoding::CutJisPiece(entry.text, width_, MailEncoding::kJisLineWidth) != 0;
    }

    const auto i = static_cast<std::size_t>(index);
    if (i >= body_.size())
        body_.resize(i + 1);
    if (body_[i].set && !body_[i].fits)
        --linesOutsideJis_;
    if (!entry.fits)
        ++linesOutsideJis_;
    body_[i] = std::move(entry);
}

MailEncoding::Charset SmtpClient::MessageCharset() const
{
    const bool fits = linesOutsideJis_ == 0 && MailEncoding::FitsJis(fromName_) && MailEncoding::FitsJis(toName_)
        && MailEncoding::FitsJis(subject_);
    return fits ? MailEncoding::Charset::Jis : MailEncoding::Charset::Utf8;
}

bool SmtpClient::IsConnected() const
{
    return channel_ && channel_->IsOpen() && !broken_;
}

bool SmtpClient::ServerIsThisMachine() const
{
    return channel_ && channel_->PeerIsLoopback();
}

bool SmtpClient::IsSecure() const
{
    return IsConnected() && channel_->IsSecure();
}

int SmtpClient::EffectivePort() const
{
    if (port_ != -1)
        return port_;
    if (ssl_ == Security::kImplicitTls)
        return ServicePort("submissions", 465);
    return ServicePort("mail", 25);
}

SmtpClient::Result SmtpClient::Fail(Result code, std::string text)
{
    if (channel_)
        channel_->Close();
    channel_.reset();
    broken_ = false;
    reply_ = std::move(text);
    platform::Warn(reply_);
    return code;
}

SmtpClient::Result SmtpClient::FailWithReply(Result code)
{
    return Fail(code, std::string(TrimLineEnd(reply_)));
}

void SmtpClient::Put(std::string_view bytes)
{
    out_.append(bytes);
    if (out_.size() >= kFlushAt)
        Flush();
}

void SmtpClient::Break(bool timedOut)
{
    broken_ = true;
    brokenText_ = timedOut ? SJ("999 タイムオーバー") : SJ("送信(SMTP)サーバーとの接続が切れました。");
}

bool SmtpClient::Flush()
{
    if (broken_ || !channel_) {
        out_.clear();
        return false;
    }
    if (out_.empty())
        return true;
    const MailChannel::Io sent = channel_->Write(out_, Deadline::After(timeout_));
    out_.clear();
    if (sent != MailChannel::Io::Ok)
        Break(sent == MailChannel::Io::Timeout);
    return !broken_;
}

int SmtpClient::ReadReply()
{
    replyLines_.clear();
    if (!Flush()) {
        // Nothing more can be said on this connection: never report a stale reply.
        if (!broken_)
            Break(false);
        reply_ = brokenText_;
        return ReplyCode(reply_);
    }
    reply_.clear();
    const Deadline deadline = Deadline::After(timeout_);
    for (;;) {
        std::string line;
        const MailChannel::Io got = channel_->ReadLine(line, kReplyLineKeep, deadline);
        if (got == MailChannel::Io::Timeout) {
            // A late answer would be taken for the reply to the next command.
            Break(true);
            reply_ = brokenText_;
            return ReplyCode(reply_);
        }
        if (got == MailChannel::Io::Closed) {
            Break(false);
            if (replyLines_.empty() && line.empty())
                reply_ = brokenText_;
            else
                reply_.append(line, 0, kReplyBytes - std::min(kReplyBytes, reply_.size()));
            break;
        }
        reply_.append(line, 0, kReplyBytes - std::min(kReplyBytes, reply_.size()));
        if (replyLines_.size() < kReplyLinesKept)
            replyLines_.push_back(line);
        if (!IsContinued(line))
            break;
    }
    return replyLines_.empty() ? 0 : ReplyCode(replyLines_.front());
}

int SmtpClient::Command(std::string_view line)
{
    Put(line);
    return ReadReply();
}

bool SmtpClient::Offers(std::string_view keyword) const
{
    // EHLO lines after the first: "250-KEYWORD params" or "250 KEYWORD params".
    for (std::size_t i = 1; i < replyLines_.size(); ++i) {
        std::string_view line = TrimLineEnd(replyLines_[i]);
        if (line.size() < 4)
            continue;
        line.remove_prefix(4);
        const std::string_view word = line.substr(0, line.find(' '));
        if (word.size() == keyword.size() && std::equal(word.begin(), word.end(), keyword.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == b;
            }))
            return true;
    }
    return false;
}

SmtpClient::Result SmtpClient::StartTls()
{
    // Said plainly rather than as the TLS library's error: which setting, which file.
    if (!caFile_.empty() && ::access(caFile_.c_str(), R_OK) != 0)
        return Fail(
            Result::kFailed, SJ("CA証明書ファイル（メール送信設定の CAFILE）が見つかりません。") + "\n" + caSetting_);
    std::string reason;
    switch (channel_->StartTls(host_, caFile_, timeout_, &reason)) {
    case MailChannel::Setup::kOk:
        return Result::kOk;
    case MailChannel::Setup::kCertificateRefused:
        return Fail(Result::kCertificateRefused, SJ("サーバー証明書を確認できませんでした。") + "\n" + reason);
    case MailChannel::Setup::kSetupFailed:
        return Fail(Result::kFailed, SJ("初期設定に失敗しました。") + "\n" + reason);
    default:
        return Fail(Result::kTlsFailed, SJ("暗号化通信を開始できませんでした。") + "\n" + reason);
    }
}

SmtpClient::Result SmtpClient::Authenticate(AuthMode mode)
{
    if (mode == AuthMode::kCramMd5) {
        if (Command("AUTH CRAM-MD5\r\n") != 334)
            return Result::kHelloRefused;
        std::string_view rest = replyLines_.empty() ? std::string_view() : std::string_view(replyLines_.front());
        rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of("0123456789")));
        rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(' ')));
        std::string challenge = MailEncoding::Base64Decode(rest);
        challenge.resize(std::min(challenge.size(), challenge.find('\0')));
        const std::string answer = user_ + " " + Md5Hash::ToHex(Md5Hash::HmacMd5(challenge, password_));
        return Command(MailEncoding::Base64Encode(answer) + "\r\n") == 235 ? Result::kOk : Result::kHelloRefused;
    }
    if (mode == AuthMode::kPlainAuth) {
        std::string credentials;
        credentials += '\0';
        credentials += user_;
        credentials += '\0';
        credentials += password_;
        const int reply = Command("AUTH PLAIN " + MailEncoding::Base64Encode(credentials) + "\r\n");
        return reply == 235 ? Result::kOk : Result::kHelloRefused;
    }
    if (Command("AUTH LOGIN\r\n") != 334 || Command(MailEncoding::Base64Encode(user_) + "\r\n") != 334
        || Command(MailEncoding::Base64Encode(password_) + "\r\n") != 235)
        return Result::kHelloRefused;
    return Result::kOk;
}

SmtpClient::Result SmtpClient::OpenConnection(AuthMode mode)
{
    Quit();
    authMode_ = mode;
    if (host_.empty())
        return Fail(Result::kNoServer, SJ("送信(SMTP)サーバーが設定されていません。"));

    auto channel = std::make_unique<MailChannel>();
    switch (channel->Open(host_, EffectivePort(), timeout_)) {
    case MailChannel::Setup::kOk:
        break;
    case MailChannel::Setup::kNotResolved:
        return Fail(Result::kHostNotFound, SJ("送信(SMTP)サーバーが見つかりません。"));
    case MailChannel::Setup::kNoSocket:
        return Fail(Result::kNoSocket, SJ("ソケットのオープンに失敗しました。"));
    default:
        return Fail(Result::kConnectFailed, SJ("サーバーソケットに接続失敗。"));
    }
    channel_ = std::move(channel);
    broken_ = false;
    out_.clear();

    if (ssl_ == Security::kImplicitTls)
        if (const Result rc = StartTls(); rc != Result::kOk)
            return rc;
    if (ReadReply() != 220)
        return FailWithReply(Result::kGreetingRefused);

    // STARTTLS is an extension: it needs EHLO even without authentication.
    const bool extended = mode != AuthMode::kNoAuth || ssl_ == Security::kStartTls;
    if (Command((extended ? "EHLO " : "HELO ") + host_ + "\r\n") != 250)
        return FailWithReply(Result::kHelloRefused);
    if (ssl_ == Security::kStartTls) {
        // Never fall back to plain text: the user asked for encryption.
        const std::string refused = SJ("送信(SMTP)サーバーが暗号化(STARTTLS)に対応していません。");
        if (!Offers("STARTTLS"))
            return Fail(Result::kNoStartTls, refused);
        if (Command("STARTTLS\r\n") != 220)
            return Fail(Result::kNoStartTls, refused + "\n" + std::string(TrimLineEnd(reply_)));
        if (const Result rc = StartTls(); rc != Result::kOk)
            return rc;
        if (Command("EHLO " + host_ + "\r\n") != 250)
            return FailWithReply(Result::kHelloRefused);
    }
    if ((mode == AuthMode::kLogin || mode == AuthMode::kPlainAuth) && !channel_->IsSecure() && !clearAuth_
        && !ServerIsThisMachine())
        return Fail(Result::kClearAuthRefused,
            SJ("暗号化されていない接続では、パスワードを送る認証（LOGIN・PLAIN）を行いません。\n"
               "暗号化（STARTTLS または SSL/TLS）を設定するか、メール送信設定の"
               "「暗号化なしでパスワードを送信する」をオンにして下さい。"));
    if (mode != AuthMode::kNoAuth && Authenticate(mode) != Result::kOk)
        return FailWithReply(Result::kHelloRefused);
    return Result::kOk;
}

SmtpClient::Result SmtpClient::Connect()
{
    return OpenConnection(AuthMode::kNoAuth);
}

SmtpClient::Result SmtpClient::ConnectAuth(AuthMode mode)
{
    // Any mode but CRAM-MD5 and PLAIN authenticates with LOGIN.
    return OpenConnection(mode == AuthMode::kCramMd5 || mode == AuthMode::kPlainAuth ? mode : AuthMode::kLogin);
}

SmtpClient::Result SmtpClient::Open()
{
    return auth_ == AuthMode::kNoAuth ? Connect() : ConnectAuth(auth_);
}

SmtpClient::Result SmtpClient::Reconnect()
{
    return authMode_ == AuthMode::kNoAuth ? Connect() : ConnectAuth(authMode_);
}

void SmtpClient::Quit()
{
    if (channel_) {
        if (!broken_ && channel_->IsOpen()) {
            out_.clear();
            Command("QUIT\r\n");
        }
        channel_->Close();
        channel_.reset();
    }
    broken_ = false;
    out_.clear();
}

int SmtpClient::CheckAddress(const std::string& address, const std::string& prefix)
{
    if (address.empty()) {
        reply_ = prefix + SJ("アドレスが未入力です。");
        return 1;
    }
    int ats = 0, dotsAfterAt = 0;
    bool valid = address[0] != '@';
    for (const char c : address) {
        if (!IsAddressChar(static_cast<unsigned char>(c)))
            valid = false;
        else if (c == '@')
            ++ats;
        else if (c == '.' && ats > 0)
            ++dotsAfterAt;
    }
    const char end = address.back();
    if (!valid || ats != 1 || dotsAfterAt == 0 || end == '@' || end == '.') {
        reply_ = prefix + SJ("アドレスが不正です。");
        return 2;
    }
    return 0;
}

std::string SmtpClient::DateHeader() const
{
    const platform::LocalTime t = platform::GetClock().Now();
    const long long second = ((((t.year * 13LL + t.month) * 32 + t.day) * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
    if (second == dateSecond_)
        return dateLine_;
    std::tm local {};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;
    // The zone of this machine at that moment, summer time included.
    long offset = 0;
    int weekday = t.weekday;
    if (std::mktime(&local) != static_cast<std::time_t>(-1)) {
        offset = local.tm_gmtoff;
        weekday = local.tm_wday;
    }
    const char sign = offset < 0 ? '-' : '+';
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    char line[96];
    std::snprintf(line, sizeof line, "Date: %s, %d %s %d %02d:%02d:%02d %c%02ld%02ld\r\n",
        kDayNames[std::clamp(weekday, 0, 6)], t.day, kMonthNames[std::clamp(t.month, 1, 12) - 1], t.year, t.hour,
        t.minute, t.second, sign, minutes / 60, minutes % 60);
    dateLine_ = line;
    dateSecond_ = second;
    return dateLine_;
}

std::string SmtpClient::NewMessageToken()
{
    // Unique without a registry: the time, a number drawn once per run of the program
    // and a count of the messages made in it.
    static const unsigned long long run = [] {
        std::random_device device;
        return (static_cast<unsigned long long>(device()) << 32) ^ device();
    }();
    static std::atomic<unsigned long long> made { 0 };
    const platform::LocalTime t = platform::GetClock().Now();
    char token[96];
    std::snprintf(token, sizeof token, "%04d%02d%02d%02d%02d%02d.%016llx.%llu", t.year, t.month, t.day, t.hour,
        t.minute, t.second, run, ++made);
    return token;
}

void SmtpClient::SetMessageToken(std::string_view token)
{
    // Only the characters of a token this program makes: it goes into a header.
    if (!token.empty() && std::all_of(token.begin(), token.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.';
        }))
        messageToken_ = token;
}

std::string SmtpClient::MessageIdHeader() const
{
    const std::size_t at = fromAddress_.find('@');
    const std::string_view domain
        = at == std::string::npos ? std::string_view("localhost") : std::string_view(fromAddress_).substr(at + 1);
    return "Message-ID: <" + messageToken_ + "@" + std::string(domain) + ">\r\n";
}

std::string SmtpClient::MailboxHeader(
    std::string_view field, const std::string& name, const std::string& address, MailEncoding::Charset charset) const
{
    std::string line(field);
    line += ": ";
    if (name.empty())
        return line + address;
    const bool plain = IsAscii(name) && name.find("=?") == std::string::npos;
    if (plain
        && std::all_of(name.begin(), name.end(), [](char c) { return IsAtomText(static_cast<unsigned char>(c)); })) {
        line += name;
    } else if (plain) {
        // "Smith, John" and "(Sales)" are one display name only inside quotes.
        line += '"';
        for (const char c : name) {
            if (c == '"' || c == '\\')
                line += '\\';
            line += c;
        }
        line += '"';
    } else {
        line += Joined(MailEncoding::EncodedWords(name, charset, MailEncoding::kWordLimit - line.size()));
    }
    return line + " <" + address + ">";
}

std::string SmtpClient::SubjectHeader(MailEncoding::Charset charset) const
{
    std::string line = "Subject: ";
    if (subject_.empty())
        return line;
    // ASCII that a reader would take for an encoded word goes encoded as well, and so
    // does a word too long to stand on a folded line of its own.
    std::size_t longestWord = 0;
    for (std::size_t at = 0; at < subject_.size();) {
        const std::size_t blank = std::min(subject_.find(' ', at), subject_.size());
        longestWord = std::max(longestWord, blank - at);
        at = blank + 1;
    }
    if (IsAscii(subject_) && subject_.find("=?") == std::string::npos && longestWord + line.size() <= 76)
        return line + subject_;
    return line + Joined(MailEncoding::EncodedWords(subject_, charset, MailEncoding::kWordLimit - line.size()));
}

void SmtpClient::AppendBody(std::string& out, MailEncoding::Charset charset) const
{
    const auto width = static_cast<std::size_t>(width_);
    // A long line goes out in pieces cut between whole characters, each a line of its own.
    const auto eachPiece = [width](std::string_view text, auto&& take) {
        while (const std::size_t n = MailEncoding::CutPiece(text, width)) {
            take(text.substr(0, n));
            text.remove_prefix(n);
        }
        take(text);
    };
    if (charset == MailEncoding::Charset::Jis) {
        for (const BodyLine& line : body_) {
            if (!line.set)
                break;
            if (!line.cut && !line.jisCut) {
                out.append(line.jis);
                out.append("\r\n");
                continue;
            }
            // Each piece with its own escapes and dot-stuffing, never longer than 78
            // characters on the wire.
            std::string_view text = line.text;
            while (const std::size_t n = MailEncoding::CutJisPiece(text, width, MailEncoding::kJisLineWidth)) {
                out.append(MailEncoding::JisLine(text.substr(0, n)));
                out.append("\r\n");
                text.remove_prefix(n);
            }
            out.append(MailEncoding::JisLine(text));
            out.append("\r\n");
        }
        return;
    }
    // UTF-8 in Base64: no line of the data can begin with a dot.
    std::string sjis;
    for (const BodyLine& line : body_) {
        if (!line.set)
            break;
        eachPiece(line.text, [&sjis](std::string_view piece) {
            sjis.append(piece);
            sjis.append("\r\n");
        });
    }
    const std::string utf8 = platform::SjisToUtf8(sjis);
    constexpr std::size_t kBytesPerLine = 57; // 76 Base64 characters
    for (std::size_t i = 0; i < utf8.size(); i += kBytesPerLine) {
        out.append(MailEncoding::Base64Encode(std::string_view(utf8).substr(i, kBytesPerLine)));
        out.append("\r\n");
    }
}

std::string SmtpClient::MessageText() const
{
    const MailEncoding::Charset charset = MessageCharset();
    const bool jis = charset == MailEncoding::Charset::Jis;
    std::string out;
    out.append("X-Mailer: Nrt\r\n");
    // Without it, readers need not honour the character set below (RFC 2045).
    out.append("MIME-Version: 1.0\r\n");
    out.append(
        jis ? "Content-Type: text/plain; charset=iso-2022-jp\r\n" : "Content-Type: text/plain; charset=UTF-8\r\n");
    out.append(jis ? "Content-Transfer-Encoding: 7bit\r\n" : "Content-Transfer-Encoding: base64\r\n");
    out.append(DateHeader());
    out.append(MessageIdHeader());
    std::string& from = fromLines_[jis ? 0 : 1];
    if (from.empty())
        AppendFolded(from, MailboxHeader("From", fromName_, fromAddress_, charset));
    out.append(from);
    AppendFolded(out, MailboxHeader("To", toName_, toAddress_, charset));
    if (priority_ == 1)
        out.append("X-Priority: 1 (High)\r\n");
    std::string& subject = subjectLines_[jis ? 0 : 1];
    if (subject.empty())
        AppendFolded(subject, SubjectHeader(charset));
    out.append(subject);
    out.append("\r\n");
    AppendBody(out, charset);
    return out;
}

SmtpClient::Result SmtpClient::CheckAddresses()
{
    if (const int bad = CheckAddress(fromAddress_, SJ("送信元")))
        return bad == 1 ? Result::kSenderEmpty : Result::kSenderInvalid;
    if (const int bad = CheckAddress(toAddress_, SJ("宛先")))
        return bad == 1 ? Result::kRecipientEmpty : Result::kRecipientInvalid;
    return Result::kOk;
}

SmtpClient::Result SmtpClient::Refused(Result code)
{
    lastCode_ = ReplyCode(reply_);
    // The transaction ends here; the next message starts on a clean connection. The
    // refusal stays the reply to report.
    if (IsConnected() && code != Result::kMessageRefused) {
        const std::string refusal = reply_;
        Command("RSET\r\n");
        reply_ = refusal;
    }
    return code;
}

SmtpClient::Result SmtpClient::SendMail()
{
    reply_.clear();
    lastCode_ = 0;
    if (!IsConnected()) {
        reply_ = SJ("送信(SMTP)サーバーと接続されていません。");
        return Result::kFailed;
    }
    if (const Result bad = CheckAddresses(); bad != Result::kOk)
        return bad;

    if (Command("MAIL FROM: <" + fromAddress_ + ">\r\n") != 250)
        return Refused(Result::kSenderRefused);
    if (Command("RCPT TO: <" + toAddress_ + ">\r\n") != 250)
        return Refused(Result::kRecipientRefused);
    if (Command("DATA\r\n") != 354)
        return Refused(Result::kDataRefused);

    Put(MessageText());
    Put(".\r\n");
    if (ReadReply() != 250)
        return Refused(Result::kMessageRefused);
    return Result::kOk;
}

} // namespace nrt
