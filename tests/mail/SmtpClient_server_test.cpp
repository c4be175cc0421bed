// The SMTP client against a real server (npm smtp-server on 127.0.0.1): plain, STARTTLS
// and TLS from the first byte, each authentication, certificate checks. What the
// server stored is decoded by Python's email package.

#include "mail/SmtpClient.h"

#include "MailTestSupport.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <regex>

using namespace nrt;
using nrt::platform::RecordingMessageHost;
using nrt::platform::ScopedMessageHost;
using nrt::test::NodeSmtpServer;
using nrt::test::S;
using nrt::test::TempDir;
using nrt::test::U;

namespace {

const nrt::test::TestCertificates& Certificates()
{
    return nrt::test::SharedCertificates();
}

std::string WithoutCr(std::string s)
{
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

class RealServer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Certificates().ok) << "the openssl command could not make certificates"; }

    NodeSmtpServer::Options Tls(const char* mode, const std::string& cert = Certificates().serverCert)
    {
        NodeSmtpServer::Options o;
        o.tls = mode;
        if (o.tls != "none") {
            o.key = Certificates().serverKey;
            o.cert = cert;
        }
        return o;
    }

    SmtpSettings Settings(const NodeSmtpServer& server, SmtpClient::Security ssl, SmtpClient::AuthMode auth,
        const char* password = NodeSmtpServer::kPassword)
    {
        SmtpSettings s;
        s.host = "127.0.0.1";
        s.port = server.Port();
        s.timeout = 10;
        s.auth = auth;
        s.user = NodeSmtpServer::kUser;
        s.password = password;
        s.ssl = ssl;
        s.caFile = Certificates().caCert;
        return s;
    }

    // A mail with one body line and the current recipient; 0 or the failing code.
    SmtpClient::Result SendOne(SmtpClient& mail, const std::string& to)
    {
        mail.SetWidth(80);
        mail.SetBodyLine(0, "hello");
        EXPECT_EQ(mail.SetFrom("sender@example.com", ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetTo(to, ""), SmtpClient::SetResult::kOk);
        mail.SetSubject("test");
        return mail.SendMail();
    }

    nrt::test::ScopedTimeZone tokyo { "Asia/Tokyo" };
    TempDir spool;
    RecordingMessageHost messages;
    ScopedMessageHost scopedMessages { messages };
    platform::FakeClock clock;
    platform::ScopedClock scopedClock { clock };
};

} // namespace

TEST_F(RealServer, MailingDecodesBackToTheTypedText)
{
    NodeSmtpServer server(spool.Path(), Tls("none"));
    ASSERT_GT(server.Port(), 0);
    clock.now = { 2025, 1, 5, 9, 3, 7, 0 };

    SmtpClient mail;
    mail.SetWidth(40);
    const std::vector<std::string> body = {
        "%名前% 様",
        "ﾃｽﾄ送信です。ｶﾞｰ",
        "",
        ".先頭のドット",
        "この行は四十バイトを超えるので送信のときにいくつかに分けて送られます。",
        "1234567890123456789012345678901234567890ABC",
    };
    for (std::size_t i = 0; i < body.size(); ++i)
        mail.SetBodyLine(static_cast<int>(i), S(body[i]));
    ASSERT_EQ(mail.SetServer(Settings(server, SmtpClient::Security::kPlain, SmtpClient::AuthMode::kNoAuth)),
        SmtpClient::SetResult::kOk);
    ASSERT_EQ(mail.Open(), SmtpClient::Result::kOk) << U(mail.ReplyText());
    ASSERT_EQ(mail.SetFrom("taro@example.com", S("山田 太郎")), SmtpClient::SetResult::kOk);
    mail.SetSubject(S("【ご案内】新年会 のお知らせ"));
    const std::pair<const char*, const char*> recipients[]
        = { { "hanako@example.jp", "鈴木 花子" }, { "jiro@example.net", "Jiro" } };
    for (const auto& [address, name] : recipients) {
        ASSERT_EQ(mail.SetTo(address, S(name)), SmtpClient::SetResult::kOk);
        ASSERT_EQ(mail.SendMail(), SmtpClient::Result::kOk) << U(mail.ReplyText());
    }
    mail.Quit();

    const auto stored = server.Messages();
    ASSERT_EQ(stored.size(), 2u);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(stored[i].from, "taro@example.com");
        EXPECT_EQ(stored[i].to, std::vector<std::string> { recipients[i].first });
        EXPECT_EQ(stored[i].user, "");
        auto decoded = nrt::test::DecodeWithPython(stored[i].raw);
        // The subject line carries a blank before its line end, which a reader keeps.
        EXPECT_EQ(decoded["subject"], "【ご案内】新年会 のお知らせ");
        EXPECT_EQ(decoded["from"], "山田 太郎 <taro@example.com>");
        EXPECT_EQ(decoded["to"], std::string(recipients[i].second) + " <" + recipients[i].first + ">");
        EXPECT_EQ(decoded["date"], "Sun, 05 Jan 2025 09:03:07 +0900");
        EXPECT_EQ(decoded["charset"], "iso-2022-jp");
        // Long lines arrive cut at 40 bytes, between whole characters. The widened ｰ is
        // JIS 0x215D, which a JIS X 0208 reader names U+2212 where CP932 has U+FF0D.
        EXPECT_EQ(WithoutCr(decoded["body"]),
            "%名前% 様\n"
            "テスト送信です。ガー\n"
            "\n"
            ".先頭のドット\n"
            "この行は四十バイトを超えるので送信のとき\n"
            "にいくつかに分けて送られます。\n"
            "1234567890123456789012345678901234567890\n"
            "ABC\n");
    }
}

TEST_F(RealServer, EveryAuthenticationOverEveryTransport)
{
    const struct {
        const char* server;
        SmtpClient::Security ssl;
    } transports[] = { { "none", SmtpClient::Security::kPlain }, { "starttls", SmtpClient::Security::kStartTls },
        { "implicit", SmtpClient::Security::kImplicitTls } };
    for (const auto& t : transports) {
        TempDir folder;
        NodeSmtpServer server(folder.Path(), Tls(t.server));
        ASSERT_GT(server.Port(), 0) << t.server;
        for (SmtpClient::AuthMode mode :
            { SmtpClient::AuthMode::kLogin, SmtpClient::AuthMode::kCramMd5, SmtpClient::AuthMode::kPlainAuth }) {
            SmtpClient mail;
            EXPECT_EQ(mail.SetServer(Settings(server, t.ssl, mode)), SmtpClient::SetResult::kOk);
            ASSERT_EQ(mail.Open(), SmtpClient::Result::kOk)
                << t.server << " " << static_cast<int>(mode) << ": " << U(mail.ReplyText());
            EXPECT_EQ(mail.IsSecure(), t.ssl != SmtpClient::Security::kPlain);
            EXPECT_EQ(
                SendOne(mail, "to" + std::to_string(static_cast<int>(mode)) + "@example.com"), SmtpClient::Result::kOk)
                << U(mail.ReplyText());
            mail.Quit();
        }
        const auto stored = server.Messages();
        ASSERT_EQ(stored.size(), 3u) << t.server;
        for (const auto& m : stored) {
            EXPECT_EQ(m.user, NodeSmtpServer::kUser) << t.server;
            EXPECT_EQ(m.secure, t.ssl == SmtpClient::Security::kPlain ? "0" : "1") << t.server;
        }
        EXPECT_EQ(stored[1].to, std::vector<std::string> { "to2@example.com" });
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RealServer, WrongPasswordIsRefusedForEachMethod)
{
    NodeSmtpServer server(spool.Path(), Tls("starttls"));
    for (SmtpClient::AuthMode mode :
        { SmtpClient::AuthMode::kLogin, SmtpClient::AuthMode::kCramMd5, SmtpClient::AuthMode::kPlainAuth }) {
        messages.shown.clear();
        SmtpClient mail;
        EXPECT_EQ(mail.SetServer(Settings(server, SmtpClient::Security::kStartTls, mode, "not-the-password")),
            SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.Open(), SmtpClient::Result::kHelloRefused) << static_cast<int>(mode);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.LastText().substr(0, 4), "535 ") << messages.LastText();
        EXPECT_FALSE(mail.IsConnected());
    }
    EXPECT_TRUE(server.Messages().empty());
}

TEST_F(RealServer, CertificatesThatDoNotPassAreRefusedBeforeAnythingIsSent)
{
    const struct {
        const char* server;
        SmtpClient::Security ssl;
        std::string cert;
        std::string caFile;
        const char* reason;
    } cases[] = {
        { "starttls", SmtpClient::Security::kStartTls, Certificates().strangerCert, Certificates().caCert,
            "信頼できる認証局の証明書ではありません。" },
        { "implicit", SmtpClient::Security::kImplicitTls, Certificates().strangerCert, Certificates().caCert,
            "信頼できる認証局の証明書ではありません。" },
        { "implicit", SmtpClient::Security::kImplicitTls, Certificates().wrongHostCert, Certificates().caCert,
            "証明書の名前がサーバー名と一致しません。" },
        // Without the test CA only the system's trust store counts, which does not know it.
        { "starttls", SmtpClient::Security::kStartTls, Certificates().serverCert, "",
            "信頼できる認証局の証明書ではありません。" },
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        TempDir folder;
        NodeSmtpServer server(folder.Path(), Tls(c.server, c.cert));
        SmtpClient mail;
        SmtpSettings s = Settings(server, c.ssl, SmtpClient::AuthMode::kLogin);
        s.caFile = c.caFile;
        EXPECT_EQ(mail.SetServer(s), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.Open(), SmtpClient::Result::kCertificateRefused) << c.server;
        ASSERT_EQ(messages.shown.size(), 1u);
        const std::string box = U(messages.LastText());
        EXPECT_EQ(box.rfind(std::string("サーバー証明書を確認できませんでした。\n") + c.reason, 0), 0u) << box;
        EXPECT_EQ(U(mail.ReplyText()), box);
        EXPECT_FALSE(mail.IsConnected());
        EXPECT_EQ(SendOne(mail, "to@example.com"), SmtpClient::Result::kFailed);
        EXPECT_TRUE(server.Messages().empty());
    }
}

TEST_F(RealServer, ServerNameCheckedByNameAsWell)
{
    NodeSmtpServer server(spool.Path(), Tls("implicit"));
    SmtpClient mail;
    SmtpSettings s = Settings(server, SmtpClient::Security::kImplicitTls, SmtpClient::AuthMode::kCramMd5);
    s.host = "localhost"; // the certificate names localhost and 127.0.0.1
    EXPECT_EQ(mail.SetServer(s), SmtpClient::SetResult::kOk);
    ASSERT_EQ(mail.Open(), SmtpClient::Result::kOk) << U(mail.ReplyText());
    EXPECT_EQ(SendOne(mail, "to@example.com"), SmtpClient::Result::kOk);
    mail.Quit();
    EXPECT_EQ(server.Messages().size(), 1u);
}

TEST_F(RealServer, NoFallBackToPlainText)
{
    NodeSmtpServer server(spool.Path(), Tls("none")); // offers no STARTTLS
    SmtpClient mail;
    EXPECT_EQ(mail.SetServer(Settings(server, SmtpClient::Security::kStartTls, SmtpClient::AuthMode::kPlainAuth)),
        SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.Open(), SmtpClient::Result::kNoStartTls);
    EXPECT_EQ(U(messages.LastText()), "送信(SMTP)サーバーが暗号化(STARTTLS)に対応していません。");
    EXPECT_EQ(SendOne(mail, "to@example.com"), SmtpClient::Result::kFailed);

    // TLS from the first byte against a plain server fails in the handshake.
    messages.shown.clear();
    EXPECT_EQ(mail.SetServer(Settings(server, SmtpClient::Security::kImplicitTls, SmtpClient::AuthMode::kPlainAuth)),
        SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.Open(), SmtpClient::Result::kTlsFailed);
    EXPECT_EQ(U(messages.LastText()).rfind("暗号化通信を開始できませんでした。\n", 0), 0u) << U(messages.LastText());
    EXPECT_TRUE(server.Messages().empty());
}

TEST_F(RealServer, RefusedRecipient)
{
    NodeSmtpServer::Options o = Tls("none");
    o.refuse = { "nobody@example.com" };
    NodeSmtpServer server(spool.Path(), o);
    SmtpClient mail;
    EXPECT_EQ(mail.SetServer(Settings(server, SmtpClient::Security::kPlain, SmtpClient::AuthMode::kNoAuth)),
        SmtpClient::SetResult::kOk);
    ASSERT_EQ(mail.Open(), SmtpClient::Result::kOk);
    EXPECT_EQ(SendOne(mail, "nobody@example.com"), SmtpClient::Result::kRecipientRefused);
    EXPECT_EQ(mail.ReplyText().substr(0, 4), "550 ") << mail.ReplyText();
    mail.Quit();
    EXPECT_TRUE(server.Messages().empty());
}

// Names, subjects and bodies as users type them, through a server that refuses any
// 8-bit byte: each message parsed by Python's email package must give back exactly
// the text meant, in ISO-2022-JP where JIS X 0208 holds it and in UTF-8 otherwise.
TEST_F(RealServer, EveryTextArrivesExactlyThroughAStrict7BitServer)
{
    NodeSmtpServer::Options o = Tls("none");
    o.strict8bit = true;
    NodeSmtpServer server(spool.Path(), o);
    ASSERT_GT(server.Port(), 0);

    const std::string sixty
        = "年末年始の営業日と新年会のご案内、ならびに住所変更のお願いについて一月十日までにご返信下さい"
          "ますよう重ねてお願い申します";
    ASSERT_EQ(S(sixty).size(), 120u);
    const struct {
        const char* fromName;
        const char* toName;
        std::string subject;
        std::vector<const char*> body; // as typed
        const char* charset;
        // What a reader must show, where it differs from what was typed (widened kana).
        const char* fromShown = nullptr;
        const char* toShown = nullptr;
        const char* subjectShown = nullptr;
        const char* bodyShown = nullptr;
    } cases[] = {
        { "株式会社ABC, 営業部", "Smith, John", "第2回 幹事", { "第2回 幹事会のお知らせ" }, "iso-2022-jp" },
        { "(Sales)", "x<y>@z", "Re: \"quoted\" =?not-a-word?=", { "plain" }, "us-ascii" },
        { "髙﨑 一郎", "山田 花子", "①㈱№ のご案内", { "髙﨑様", "①から③まで ㈱ノルテア №5" }, "utf-8" },
        { "ﾀﾅｶ ｲﾁﾛｳ", "ﾉﾙﾃｱ(ｶ", "ｶﾅの件名｡", { "｢ｶﾅ｣と､句読点｡中黒･" }, "iso-2022-jp", "タナカ イチロウ", "ノルテア(カ",
            "カナの件名。", "「カナ」と、句読点。中黒・\n" },
        { "鈴木", "佐藤", sixty, { "六十文字の件名" }, "iso-2022-jp" },
        { "髙橋, 総務部", "﨑田 (経理)", "髙" + sixty.substr(3), { "本文" }, "utf-8" },
    };
    SmtpClient mail;
    ASSERT_EQ(mail.SetServer(Settings(server, SmtpClient::Security::kPlain, SmtpClient::AuthMode::kNoAuth)),
        SmtpClient::SetResult::kOk);
    ASSERT_EQ(mail.Open(), SmtpClient::Result::kOk) << U(mail.ReplyText());
    for (const auto& c : cases) {
        mail.SetWidth(80);
        for (std::size_t i = 0; i < c.body.size(); ++i)
            mail.SetBodyLine(static_cast<int>(i), S(c.body[i]));
        ASSERT_EQ(mail.SetFrom("sender@example.jp", S(c.fromName)), SmtpClient::SetResult::kOk);
        ASSERT_EQ(mail.SetTo("to@example.com", S(c.toName)), SmtpClient::SetResult::kOk);
        mail.SetSubject(S(c.subject));
        ASSERT_EQ(mail.SendMail(), SmtpClient::Result::kOk) << c.subject << ": " << U(mail.ReplyText());
    }
    mail.Quit();

    const auto stored = server.Messages();
    ASSERT_EQ(stored.size(), std::size(cases));
    const std::regex word(R"(=\?[^?]+\?[BQbq]\?[^?]*\?=)");
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const auto& c = cases[i];
        const std::string& raw = stored[i].raw;
        const std::string head = raw.substr(0, raw.find("\r\n\r\n"));
        std::size_t at = 0;
        while (at < head.size()) {
            const std::size_t end = std::min(head.find("\r\n", at), head.size());
            EXPECT_LE(end - at, 78u) << c.subject << ": " << head.substr(at, end - at);
            at = end + 2;
        }
        for (std::sregex_iterator w(head.begin(), head.end(), word), e; w != e; ++w)
            EXPECT_LE(w->length(), 75) << w->str();

        auto decoded = nrt::test::DecodeWithPython(raw);
        std::string body;
        for (const char* line : c.body)
            body += std::string(line) + "\n";
        EXPECT_EQ(decoded["defects"], "") << c.subject;
        EXPECT_EQ(decoded["charset"], std::string(c.charset) == "us-ascii" ? "iso-2022-jp" : c.charset) << c.subject;
        EXPECT_EQ(decoded["from.count"], "1") << c.fromName;
        EXPECT_EQ(decoded["from.name"], c.fromShown ? c.fromShown : c.fromName);
        EXPECT_EQ(decoded["from.address"], "sender@example.jp");
        EXPECT_EQ(decoded["to.count"], "1") << c.toName;
        EXPECT_EQ(decoded["to.name"], c.toShown ? c.toShown : c.toName);
        EXPECT_EQ(decoded["to.address"], "to@example.com");
        EXPECT_EQ(decoded["subject"], c.subjectShown ? std::string(c.subjectShown) : c.subject);
        EXPECT_EQ(WithoutCr(decoded["body"]), c.bodyShown ? c.bodyShown : body) << c.subject;
        EXPECT_TRUE(std::regex_search(decoded["message-id"], std::regex(R"(^<[0-9a-f.]+@example\.jp>$)")))
            << decoded["message-id"];
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RealServer, AStrict7BitServerRefusesEightBitMessages)
{
    // The check of the test server itself: 8-bit data in a header is refused and
    // nothing is stored, as a strict server does.
    NodeSmtpServer::Options o = Tls("none");
    o.strict8bit = true;
    NodeSmtpServer server(spool.Path(), o);
    ASSERT_GT(server.Port(), 0);
    const std::string raw = "EHLO t\r\nMAIL FROM:<a@example.com>\r\nRCPT TO:<b@example.com>\r\nDATA\r\n"
                            "Subject: \xB6\xC5\r\n\r\nx\r\n.\r\nQUIT\r\n";
    int status = 0;
    const std::string reply
        = nrt::test::RunCommand({ "python3", "-c",
                                    "import socket,sys,time\n"
                                    "s=socket.create_connection(('127.0.0.1',"
                                        + std::to_string(server.Port())
                                        + "))\n"
                                          "s.recv(1000)\n"
                                          "for line in sys.stdin.buffer.read().split(b'\\r\\n')[:-1]:\n"
                                          "    s.sendall(line+b'\\r\\n')\n"
                                          "    time.sleep(0.05)\n"
                                          "time.sleep(0.3)\n"
                                          "sys.stdout.write(s.recv(10000).decode())\n" },
            raw, &status);
    EXPECT_NE(reply.find("550 5.6.0 improper use of 8-bit data in message header"), std::string::npos) << reply;
    EXPECT_TRUE(server.Messages().empty());
}
