// The SMTP client against scripted peers: exact command sequences, replies split
// across segments, silence, refusals and a peer that disappears.

#include "mail/MailEncoding.h"
#include "mail/Md5Hash.h"
#include "mail/SmtpClient.h"

#include "MailTestSupport.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <regex>

using namespace nrt;
using nrt::platform::RecordingMessageHost;
using nrt::platform::ScopedMessageHost;
using nrt::test::S;
using nrt::test::ScriptedServer;
using nrt::test::ScriptPeer;
using nrt::test::U;

namespace {

// Greeting and HELO answered; then the script's own part.
void Hello(ScriptPeer& p)
{
    p.Send("220 scripted ESMTP\r\n");
    p.ReadLine();
    p.Send("250 hello\r\n");
}

// A client pointed at the scripted server.
void PointAt(SmtpClient& mail, const ScriptedServer& server, int timeout = 5)
{
    EXPECT_EQ(mail.SetHost("127.0.0.1"), SmtpClient::SetResult::kOk);
    mail.SetPort(server.Port());
    mail.SetTimeout(timeout);
}

// MAIL, RCPT, DATA accepted; the data returned; the end of data answered with 250.
std::string AcceptOneMessage(ScriptPeer& p)
{
    p.ReadLine();
    p.Send("250 sender ok\r\n");
    p.ReadLine();
    p.Send("250 recipient ok\r\n");
    p.ReadLine();
    p.Send("354 go ahead\r\n");
    std::string data = p.ReadData();
    p.Send("250 queued\r\n");
    return data;
}

void FinishWithQuit(ScriptPeer& p)
{
    if (p.ReadLine() == "QUIT")
        p.Send("221 bye\r\n");
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class MailClient : public ::testing::Test {
protected:
    nrt::test::ScopedTimeZone tokyo { "Asia/Tokyo" };
    RecordingMessageHost messages;
    ScopedMessageHost scopedMessages { messages };
    platform::FakeClock clock;
    platform::ScopedClock scopedClock { clock };
};

} // namespace

TEST_F(MailClient, MultiLineRepliesAreReadWholeAcrossSegments)
{
    ScriptedServer server([](ScriptPeer& p, int) {
        p.Send("220-scripted.example ESMTP\r\n");
        p.Pause(40);
        p.Send("220 second greeting line\r\n");
        p.ReadLine(); // EHLO
        p.Send("250-scripted.example\r\n250-AUTH LOG");
        p.Pause(40);
        p.Send("IN PLAIN\r\n250-8BITMIME\r\n");
        p.Pause(40);
        p.Send("250 SIZE 1000000\r\n");
        p.ReadLine();
        p.Send("334 VXNlcm5hbWU6\r\n");
        p.ReadLine();
        p.Send("334 UGFzc3dvcmQ6\r\n");
        p.ReadLine();
        p.Send("235-2.7.0 accepted\r\n235 2.7.0 welcome\r\n");
        FinishWithQuit(p);
    });
    SmtpClient mail;
    PointAt(mail, server);
    EXPECT_EQ(mail.SetUser("tester"), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetPassword("pw"), SmtpClient::SetResult::kOk);
    ASSERT_EQ(mail.ConnectAuth(SmtpClient::AuthMode::kLogin), SmtpClient::Result::kOk) << U(mail.ReplyText());
    EXPECT_EQ(mail.ReplyText(), "235-2.7.0 accepted\r\n235 2.7.0 welcome\r\n");
    mail.Quit();
    server.Join();
    EXPECT_EQ(
        server.Received(), (std::vector<std::string> { "EHLO 127.0.0.1", "AUTH LOGIN", "dGVzdGVy", "cHc=", "QUIT" }));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MailClient, PlainConnectUsesTheConfiguredPortAndTheServerName)
{
    ScriptedServer server([](ScriptPeer& p, int) {
        Hello(p);
        FinishWithQuit(p);
    });
    SmtpClient mail;
    PointAt(mail, server);
    ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
    EXPECT_EQ(mail.AuthenticationMode(), SmtpClient::AuthMode::kNoAuth);
    mail.Quit();
    server.Join();
    EXPECT_EQ(server.Received(), (std::vector<std::string> { "HELO 127.0.0.1", "QUIT" }));
}

TEST_F(MailClient, ConnectionFailuresShowTheirBoxes)
{
    // A refused TCP connection and a missing server name never reach a server.
    {
        SmtpClient mail;
        EXPECT_EQ(mail.SetHost("127.0.0.1"), SmtpClient::SetResult::kOk);
        mail.SetPort(nrt::test::UnusedPort());
        EXPECT_EQ(mail.Connect(), SmtpClient::Result::kConnectFailed);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(U(messages.LastText()), "サーバーソケットに接続失敗。");
        EXPECT_EQ(U(messages.shown[0].caption), "注意");
        EXPECT_EQ(messages.shown[0].icon, platform::MsgIcon::Warning);
    }
    {
        SmtpClient mail;
        EXPECT_EQ(mail.ConnectAuth(SmtpClient::AuthMode::kLogin), SmtpClient::Result::kNoServer);
        EXPECT_EQ(U(messages.LastText()), "送信(SMTP)サーバーが設定されていません。");
        EXPECT_FALSE(mail.IsConnected());
    }
}

TEST_F(MailClient, RefusedGreetingAndHelloGiveTheirCodesWithTheReply)
{
    const struct {
        const char* name;
        std::function<void(ScriptPeer&)> script;
        SmtpClient::AuthMode mode;
        SmtpClient::Result code;
        const char* box;
    } cases[] = {
        { "greeting", [](ScriptPeer& p) { p.Send("554 no service\r\n"); }, SmtpClient::AuthMode::kNoAuth,
            SmtpClient::Result::kGreetingRefused, "554 no service" },
        { "helo",
            [](ScriptPeer& p) {
                p.Send("220 hi\r\n");
                p.ReadLine();
                p.Send("501 bad name\r\n");
            },
            SmtpClient::AuthMode::kNoAuth, SmtpClient::Result::kHelloRefused, "501 bad name" },
        { "auth login",
            [](ScriptPeer& p) {
                p.Send("220 hi\r\n");
                p.ReadLine();
                p.Send("250 ok\r\n");
                p.ReadLine();
                p.Send("504 not that one\r\n");
            },
            SmtpClient::AuthMode::kLogin, SmtpClient::Result::kHelloRefused, "504 not that one" },
        { "password",
            [](ScriptPeer& p) {
                p.Send("220 hi\r\n");
                p.ReadLine();
                p.Send("250 ok\r\n");
                p.ReadLine();
                p.Send("334 VXNlcm5hbWU6\r\n");
                p.ReadLine();
                p.Send("334 UGFzc3dvcmQ6\r\n");
                p.ReadLine();
                p.Send("535 5.7.8 wrong\r\n");
            },
            SmtpClient::AuthMode::kLogin, SmtpClient::Result::kHelloRefused, "535 5.7.8 wrong" },
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        ScriptedServer server([&](ScriptPeer& p, int) {
            c.script(p);
            p.ClosedWithoutData(2000);
        });
        SmtpClient mail;
        PointAt(mail, server);
        EXPECT_EQ(mail.SetUser("u"), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetPassword("p"), SmtpClient::SetResult::kOk);
        EXPECT_EQ(c.mode != SmtpClient::AuthMode::kNoAuth ? mail.ConnectAuth(c.mode) : mail.Connect(), c.code)
            << c.name;
        EXPECT_FALSE(mail.IsConnected()) << c.name;
        ASSERT_EQ(messages.shown.size(), 1u) << c.name;
        EXPECT_EQ(messages.LastText(), c.box) << c.name;
        server.Join();
        const auto received = server.Received();
        EXPECT_EQ(std::count(received.begin(), received.end(), "QUIT"), 0) << c.name; // closed without QUIT
    }
}

TEST_F(MailClient, SilentServerTimesOutWith999)
{
    ScriptedServer server([](ScriptPeer& p, int) { p.ClosedWithoutData(5000); });
    SmtpClient mail;
    PointAt(mail, server, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(mail.Connect(), SmtpClient::Result::kGreetingRefused);
    const double took = SecondsSince(start);
    EXPECT_GE(took, 0.9);
    EXPECT_LT(took, 3.0);
    EXPECT_EQ(U(messages.LastText()), "999 タイムオーバー");
    EXPECT_EQ(U(mail.ReplyText()), "999 タイムオーバー");
}

TEST_F(MailClient, TimeoutInTheMiddleOfAMessageEndsWithoutWaitingAgain)
{
    ScriptedServer server([](ScriptPeer& p, int) {
        Hello(p);
        p.ReadLine();
        p.Send("250 ok\r\n");
        p.ReadLine();
        p.Send("250 ok\r\n");
        p.ReadLine();
        p.Send("354 go\r\n");
        p.ReadData();
        p.ClosedWithoutData(5000); // never answers the end of data
    });
    SmtpClient mail;
    PointAt(mail, server, 1);
    ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
    EXPECT_EQ(mail.SetFrom("from@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetTo("to@example.com", ""), SmtpClient::SetResult::kOk);
    mail.SetWidth(80);
    mail.SetBodyLine(0, "hello");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(mail.SendMail(), SmtpClient::Result::kMessageRefused);
    EXPECT_EQ(U(mail.ReplyText()), "999 タイムオーバー");
    EXPECT_FALSE(mail.IsConnected());
    mail.Quit(); // no QUIT into a conversation that is out of step
    EXPECT_LT(SecondsSince(start), 2.5);
    EXPECT_EQ(mail.SendMail(), SmtpClient::Result::kFailed);
    EXPECT_EQ(U(mail.ReplyText()), "送信(SMTP)サーバーと接続されていません。");
}

TEST_F(MailClient, RefusalsAtEachStepOfAMessage)
{
    const struct {
        int refusedAt; // 0 MAIL, 1 RCPT, 2 DATA, 3 end of data
        SmtpClient::Result code;
    } cases[] = { { 0, SmtpClient::Result::kSenderRefused }, { 1, SmtpClient::Result::kRecipientRefused },
        { 2, SmtpClient::Result::kDataRefused }, { 3, SmtpClient::Result::kMessageRefused } };
    for (const auto& c : cases) {
        ScriptedServer server([&](ScriptPeer& p, int) {
            Hello(p);
            const char* accept[] = { "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n" };
            for (int step = 0; step < 4; ++step) {
                if (step == 3)
                    p.ReadData();
                else
                    p.ReadLine();
                if (step == c.refusedAt) {
                    p.Send("550-5.1.1 refused here\r\n550 5.1.1 really\r\n");
                    // Inside a transaction the client starts afresh for the next message.
                    if (step < 3 && p.ReadLine() == "RSET")
                        p.Send("250 reset\r\n");
                    break;
                }
                p.Send(accept[step]);
            }
            FinishWithQuit(p);
        });
        SmtpClient mail;
        PointAt(mail, server);
        ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
        EXPECT_EQ(mail.SetFrom("from@example.com", ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetTo("to@example.com", ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SendMail(), c.code);
        EXPECT_EQ(mail.ReplyText(), "550-5.1.1 refused here\r\n550 5.1.1 really\r\n");
        EXPECT_EQ(mail.LastReplyCode(), 550);
        EXPECT_TRUE(mail.IsConnected()); // the connection stays; the caller decides
        mail.Quit();
        server.Join();
        const auto received = server.Received();
        EXPECT_EQ(received.back(), "QUIT");
        EXPECT_EQ(received[received.size() - 2] == "RSET", c.refusedAt < 3) << c.refusedAt;
    }
    EXPECT_TRUE(messages.shown.empty()); // send failures are only returned
}

TEST_F(MailClient, AddressChecks)
{
    const struct {
        std::string from, to;
        SmtpClient::Result code;
        const char* text;
    } cases[] = {
        { "", "to@example.com", SmtpClient::Result::kSenderEmpty, "送信元アドレスが未入力です。" },
        { "from@example", "to@example.com", SmtpClient::Result::kSenderInvalid, "送信元アドレスが不正です。" },
        { "from@example.com", "", SmtpClient::Result::kRecipientEmpty, "宛先アドレスが未入力です。" },
        { "from@example.com", "@example.com", SmtpClient::Result::kRecipientInvalid, "宛先アドレスが不正です。" },
        { "from@example.com", "to@example.com.", SmtpClient::Result::kRecipientInvalid, "宛先アドレスが不正です。" },
        { "from@example.com", "to@example.com@", SmtpClient::Result::kRecipientInvalid, "宛先アドレスが不正です。" },
        { "from@example.com", "to@@example.com", SmtpClient::Result::kRecipientInvalid, "宛先アドレスが不正です。" },
        { "from@example.com", "to.name@example", SmtpClient::Result::kRecipientInvalid, "宛先アドレスが不正です。" },
        { "from@example.com", "toexample.com", SmtpClient::Result::kRecipientInvalid, "宛先アドレスが不正です。" },
        { "from@example.com", "to@example.com\r\nRCPT TO: <x@y.z>", SmtpClient::Result::kRecipientInvalid,
            "宛先アドレスが不正です。" },
        // Bytes after a lead byte and the first byte are checked like any other.
        { "from@example.com", "x\x81\r\x81\nRCPT TO:<evil@example.com>", SmtpClient::Result::kRecipientInvalid,
            "宛先アドレスが不正です。" },
        { "from@example.com", "\r\nRCPT TO:<evil@example.com>", SmtpClient::Result::kRecipientInvalid,
            "宛先アドレスが不正です。" },
        { "from@example.com", "\x81\r\nRCPT TO:<evil@example.com>", SmtpClient::Result::kRecipientInvalid,
            "宛先アドレスが不正です。" },
        { "from@example.com", S("表@example.com"), SmtpClient::Result::kRecipientInvalid, "宛先アドレスが不正です。" },
        { "from@example.com", "to@example.com>\r\nDATA", SmtpClient::Result::kRecipientInvalid,
            "宛先アドレスが不正です。" },
        { "from@example.com", "x<y>@example.com", SmtpClient::Result::kRecipientInvalid, "宛先アドレスが不正です。" },
        { "from@example.com", "to name@example.com", SmtpClient::Result::kRecipientInvalid,
            "宛先アドレスが不正です。" },
        { "from@exa\x82mple.com", "to@example.com", SmtpClient::Result::kSenderInvalid, "送信元アドレスが不正です。" },
        { "from@example.com", " \t", SmtpClient::Result::kRecipientEmpty, "宛先アドレスが未入力です。" },
        { "from@example.com", "a@b.c", SmtpClient::Result::kOk, "" },
        // Blanks around an address (a pasted one, a full-width space) are dropped.
        { " from@example.com\t", "  spaced@example.com " + S("　"), SmtpClient::Result::kOk, "" },
        { "from@example.com", "o'neil+news@example.co.jp", SmtpClient::Result::kOk, "" },
    };
    ScriptedServer server([](ScriptPeer& p, int) {
        Hello(p);
        for (;;) {
            const std::string line = p.ReadLine();
            if (line == "QUIT" || line == "<closed>")
                break;
            if (line == "DATA") {
                p.Send("354 go\r\n");
                p.ReadData();
            }
            p.Send("250 ok\r\n");
        }
        p.Send("221 bye\r\n");
    });
    SmtpClient mail;
    PointAt(mail, server);
    ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
    for (const auto& c : cases) {
        EXPECT_EQ(mail.SetFrom(c.from, ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetTo(c.to, ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SendMail(), c.code) << U(c.to);
        if (c.code != SmtpClient::Result::kOk) {
            EXPECT_EQ(U(mail.ReplyText()), c.text) << U(c.to);
        }
        EXPECT_TRUE(mail.IsConnected()); // nothing was sent: the connection goes on
    }
    mail.Quit();
    server.Join();
    const auto received = server.Received();
    std::vector<std::string> rcpts;
    std::copy_if(received.begin(), received.end(), std::back_inserter(rcpts),
        [](const std::string& l) { return l.rfind("RCPT", 0) == 0; });
    EXPECT_EQ(rcpts,
        (std::vector<std::string> {
            "RCPT TO: <a@b.c>", "RCPT TO: <spaced@example.com>", "RCPT TO: <o'neil+news@example.co.jp>" }));
    EXPECT_EQ(std::count(received.begin(), received.end(), "MAIL FROM: <from@example.com>"), 3);
}

TEST_F(MailClient, MessageOnTheWire)
{
    clock.now = { 2025, 1, 5, 9, 3, 7, 0 }; // Sunday
    std::string data;
    ScriptedServer server([&](ScriptPeer& p, int) {
        Hello(p);
        data = AcceptOneMessage(p);
        FinishWithQuit(p);
    });
    SmtpClient mail;
    mail.SetWidth(10);
    const std::string a = S("あ");
    const std::string jisA = "\x1B$B\x24\x22\x1B(B";
    mail.SetBodyLine(0, S("こんにちは")); // 10 bytes: fits
    mail.SetBodyLine(1, "0123456789A"); // 11 bytes: two lines
    mail.SetBodyLine(2, ".dot");
    mail.SetBodyLine(3, S("ｱｲｳ")); // widened
    mail.SetBodyLine(4, "");
    mail.SetBodyLine(5, "x" + S("ああああああ")); // 13 bytes: cut between whole characters
    mail.SetBodyLine(6, ".234567890.2"); // each piece dot-stuffed on its own
    PointAt(mail, server);
    ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
    ASSERT_EQ(mail.SetFrom("taro@example.com", S("山田 太郎")), SmtpClient::SetResult::kOk);
    ASSERT_EQ(mail.SetTo("hanako@example.jp", "Hanako"), SmtpClient::SetResult::kOk);
    mail.SetSubject(S("お知らせ"));
    mail.SetPriority(1);
    ASSERT_EQ(mail.SendMail(), SmtpClient::Result::kOk) << U(mail.ReplyText());
    mail.Quit();
    server.Join();

    const std::string expected
        = std::string("X-Mailer: Nrt\r\n"
                      "MIME-Version: 1.0\r\n"
                      "Content-Type: text/plain; charset=iso-2022-jp\r\n"
                      "Content-Transfer-Encoding: 7bit\r\n"
                      "Date: Sun, 5 Jan 2025 09:03:07 +0900\r\n"
                      "Message-ID: <>\r\n"
                      "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQiAbJEJCQE86GyhC?= <taro@example.com>\r\n"
                      "To: Hanako <hanako@example.jp>\r\n"
                      "X-Priority: 1 (High)\r\n"
                      "Subject: =?ISO-2022-JP?B?GyRCJCpDTiRpJDsbKEI=?=\r\n"
                      "\r\n"
                      "\x1B$B\x24\x33\x24\x73\x24\x4B\x24\x41\x24\x4F\x1B(B\r\n"
                      "0123456789\r\n"
                      "A\r\n"
                      "..dot\r\n"
                      "\x1B$B\x25\x22\x25\x24\x25\x26\x1B(B\r\n"
                      "\r\n"
                      "x\x1B$B\x24\x22\x24\x22\x24\x22\x24\x22\x1B(B\r\n"
                      "\x1B$B\x24\x22\x24\x22\x1B(B\r\n"
                      "..234567890\r\n"
                      "..2\r\n");
    // The data as the peer read it, dot-stuffing included; the identity of the message
    // is unique to it, at the sender's domain.
    const std::regex id(R"(Message-ID: <(20250105090307\.[0-9a-f]{16}\.[0-9]+)@example\.com>)");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(data, found, id)) << data;
    EXPECT_EQ(std::string(found.prefix()) + "Message-ID: <>" + std::string(found.suffix()), expected);
    EXPECT_EQ(server.Received()[1], "MAIL FROM: <taro@example.com>");
    EXPECT_EQ(server.Received()[2], "RCPT TO: <hanako@example.jp>");
}

TEST_F(MailClient, OverlongHeaderTextsAndMissingBodyLines)
{
    std::string data;
    ScriptedServer server([&](ScriptPeer& p, int) {
        Hello(p);
        data = AcceptOneMessage(p);
        FinishWithQuit(p);
    });
    SmtpClient mail;
    mail.SetWidth(80);
    mail.SetBodyLine(0, "first");
    mail.SetBodyLine(2, "after a gap"); // line 1 is missing: the body ends before it
    PointAt(mail, server);
    ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
    EXPECT_EQ(mail.SetFrom("a@example.com", std::string(81, 'n')), SmtpClient::SetResult::kNameTooLong);
    EXPECT_EQ(mail.SetTo("b@example.com", "Name\r\nBcc: evil@example.com"), SmtpClient::SetResult::kOk);
    // A subject of any length is kept; an empty one is not replaced by anything.
    mail.SetSubject(std::string(S("あ")) + std::string(119, 'x'));
    EXPECT_EQ(U(mail.SubjectText()), "あ" + std::string(119, 'x'));
    mail.SetSubject("");
    ASSERT_EQ(mail.SendMail(), SmtpClient::Result::kOk);
    mail.Quit();
    server.Join();
    EXPECT_NE(data.find("\r\nFrom: a@example.com\r\n"), std::string::npos) << data;
    EXPECT_NE(data.find("\r\nTo: \"Name  Bcc: evil@example.com\" <b@example.com>\r\n"), std::string::npos) << data;
    EXPECT_NE(data.find("\r\nSubject: \r\n\r\nfirst\r\n"), std::string::npos) << data;
    EXPECT_EQ(data.find("after a gap"), std::string::npos);
    EXPECT_EQ(data.find("X-Priority"), std::string::npos);
}

TEST_F(MailClient, DateCarriesTheMachinesUtcOffset)
{
    const struct {
        const char* tz;
        platform::LocalTime when;
        const char* date;
    } cases[] = {
        { "Asia/Tokyo", { 2025, 1, 5, 9, 3, 7, 0 }, "Date: Sun, 5 Jan 2025 09:03:07 +0900" },
        { "EST5EDT,M3.2.0,M11.1.0", { 2025, 1, 5, 9, 3, 7, 0 }, "Date: Sun, 5 Jan 2025 09:03:07 -0500" },
        { "EST5EDT,M3.2.0,M11.1.0", { 2025, 7, 15, 23, 59, 59, 2 }, "Date: Tue, 15 Jul 2025 23:59:59 -0400" },
        { "IST-5:30", { 2024, 12, 31, 0, 0, 0, 2 }, "Date: Tue, 31 Dec 2024 00:00:00 +0530" },
    };
    for (const auto& c : cases) {
        nrt::test::ScopedTimeZone zone(c.tz);
        clock.now = c.when;
        std::string data;
        ScriptedServer server([&](ScriptPeer& p, int) {
            Hello(p);
            data = AcceptOneMessage(p);
            FinishWithQuit(p);
        });
        SmtpClient mail;
        PointAt(mail, server);
        ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
        EXPECT_EQ(mail.SetFrom("a@example.com", ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetTo("b@example.com", ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SendMail(), SmtpClient::Result::kOk);
        mail.Quit();
        server.Join();
        EXPECT_NE(data.find(std::string("\r\n") + c.date + "\r\n"), std::string::npos) << c.tz << "\n" << data;
    }
}

TEST_F(MailClient, CramMd5AnswerForAChallengeWithoutPadding)
{
    // 42 bytes decode from 56 characters without "=": the CR LF after them must not
    // become part of the HMAC message.
    const std::string challenge = "<1896.697170952@postoffice.reston.mci.net>";
    ASSERT_EQ(challenge.size() % 3, 0u);
    std::string answer;
    ScriptedServer server([&](ScriptPeer& p, int) {
        p.Send("220 hi\r\n");
        p.ReadLine();
        p.Send("250-hi\r\n250 AUTH CRAM-MD5\r\n");
        p.ReadLine();
        p.Send("334  " + MailEncoding::Base64Encode(challenge) + "\r\n"); // extra blank is skipped
        answer = p.ReadLine();
        p.Send("235 ok\r\n");
        FinishWithQuit(p);
    });
    SmtpClient mail;
    PointAt(mail, server);
    EXPECT_EQ(mail.SetUser("tim"), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetPassword("tanstaaftanstaaf"), SmtpClient::SetResult::kOk);
    ASSERT_EQ(mail.ConnectAuth(SmtpClient::AuthMode::kCramMd5), SmtpClient::Result::kOk);
    mail.Quit();
    server.Join();
    // The answer of RFC 2195's own example.
    EXPECT_EQ(MailEncoding::Base64Decode(answer), "tim b913a602c7eda7a495b4e6e7334d3890");
    EXPECT_EQ(server.Received()[1], "AUTH CRAM-MD5");
}

TEST_F(MailClient, LongReplyLineKeepsTheConversationInStep)
{
    ScriptedServer server([](ScriptPeer& p, int) {
        Hello(p);
        p.ReadLine();
        p.Send("250 " + std::string(10240, 'x') + "\r\n");
        p.ReadLine();
        p.Send("250 recipient ok\r\n");
        p.ReadLine();
        p.Send("354 go\r\n");
        p.ReadData();
        p.Send("250 queued\r\n");
        FinishWithQuit(p);
    });
    SmtpClient mail;
    PointAt(mail, server);
    ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
    EXPECT_EQ(mail.SetFrom("a@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetTo("b@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SendMail(), SmtpClient::Result::kOk);
    EXPECT_EQ(mail.ReplyText(), "250 queued\r\n");
    mail.Quit();
}

TEST_F(MailClient, ServerClosingDuringDataIsAFailureNotACrash)
{
    ScriptedServer server([](ScriptPeer& p, int) {
        Hello(p);
        p.ReadLine();
        p.Send("250 ok\r\n");
        p.ReadLine();
        p.Send("250 ok\r\n");
        p.ReadLine();
        p.Send("354 go\r\n");
        p.ReadLine(); // one line of the data, then gone
    });
    SmtpClient mail;
    mail.SetWidth(255);
    for (int i = 0; i < 3000; ++i) // far beyond what the socket buffers hold
        mail.SetBodyLine(i, std::string(200, static_cast<char>('a' + i % 26)));
    PointAt(mail, server);
    ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
    EXPECT_EQ(mail.SetFrom("a@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetTo("b@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SendMail(), SmtpClient::Result::kMessageRefused);
    EXPECT_EQ(U(mail.ReplyText()), "送信(SMTP)サーバーとの接続が切れました。");
    mail.Quit();
    EXPECT_EQ(mail.SendMail(), SmtpClient::Result::kFailed);
}

TEST_F(MailClient, ReconnectRepeatsTheLastKindOfConnection)
{
    ScriptedServer server(
        [](ScriptPeer& p, int) {
            p.Send("220 hi\r\n");
            p.ReadLine();
            p.Send("250-hi\r\n250 AUTH PLAIN\r\n");
            p.ReadLine();
            p.Send("235 ok\r\n");
            FinishWithQuit(p);
        },
        2);
    SmtpClient mail;
    PointAt(mail, server);
    EXPECT_EQ(mail.SetUser("tester"), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetPassword("secret"), SmtpClient::SetResult::kOk);
    ASSERT_EQ(mail.ConnectAuth(SmtpClient::AuthMode::kPlainAuth), SmtpClient::Result::kOk);
    mail.Quit();
    ASSERT_EQ(mail.Reconnect(), SmtpClient::Result::kOk);
    mail.Quit();
    server.Join();
    const std::string plain = "AUTH PLAIN " + MailEncoding::Base64Encode(std::string("\0tester\0secret", 14));
    EXPECT_EQ(server.Received(),
        (std::vector<std::string> { "EHLO 127.0.0.1", plain, "QUIT", "EHLO 127.0.0.1", plain, "QUIT" }));
}

TEST_F(MailClient, StartTlsIsNeverSkipped)
{
    const struct {
        const char* name;
        std::function<void(ScriptPeer&)> script;
        SmtpClient::Result code;
        const char* box;
    } cases[] = {
        { "not offered",
            [](ScriptPeer& p) {
                p.Send("220 hi\r\n");
                p.ReadLine();
                p.Send("250-hi\r\n250 AUTH LOGIN\r\n");
            },
            SmtpClient::Result::kNoStartTls, "送信(SMTP)サーバーが暗号化(STARTTLS)に対応していません。" },
        { "refused",
            [](ScriptPeer& p) {
                p.Send("220 hi\r\n");
                p.ReadLine();
                p.Send("250-hi\r\n250 STARTTLS\r\n");
                p.ReadLine();
                p.Send("454 4.7.0 TLS not available\r\n");
            },
            SmtpClient::Result::kNoStartTls,
            "送信(SMTP)サーバーが暗号化(STARTTLS)に対応していません。\n454 4.7.0 TLS not available" },
        { "plain text after the go-ahead",
            [](ScriptPeer& p) {
                p.Send("220 hi\r\n");
                p.ReadLine();
                p.Send("250-hi\r\n250 STARTTLS\r\n");
                p.ReadLine();
                p.Send("220 go ahead\r\n250 planted\r\n");
            },
            SmtpClient::Result::kTlsFailed,
            "暗号化通信を開始できませんでした。\n暗号化の開始前に余分なデータを受信しました。" },
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        bool closedQuietly = false;
        ScriptedServer server([&](ScriptPeer& p, int) {
            c.script(p);
            closedQuietly = p.ClosedWithoutData(3000); // no AUTH, no MAIL, no handshake
        });
        SmtpClient mail;
        PointAt(mail, server);
        mail.SetSecurity(SmtpClient::Security::kStartTls);
        EXPECT_EQ(mail.SetUser("u"), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetPassword("p"), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.ConnectAuth(SmtpClient::AuthMode::kLogin), c.code) << c.name;
        ASSERT_EQ(messages.shown.size(), 1u) << c.name;
        EXPECT_EQ(U(messages.LastText()), c.box) << c.name;
        server.Join();
        EXPECT_TRUE(closedQuietly) << c.name;
    }
}

TEST_F(MailClient, TextLimitsOfTheSettings)
{
    const std::string fiftyNine(59, 'h'), sixty(60, 'h');
    SmtpClient mail;
    EXPECT_EQ(mail.SetUser(fiftyNine), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetUser(sixty), SmtpClient::SetResult::kUserTooLong);
    EXPECT_EQ(mail.SetPassword(fiftyNine), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetPassword(sixty), SmtpClient::SetResult::kPasswordTooLong);
    EXPECT_EQ(mail.SetHost(sixty), SmtpClient::SetResult::kHostTooLong); // stored empty: no server to connect to
    EXPECT_EQ(mail.Connect(), SmtpClient::Result::kNoServer);
    SmtpSettings s;
    s.host = "127.0.0.1";
    s.password = sixty;
    EXPECT_EQ(mail.SetServer(s), SmtpClient::SetResult::kPasswordTooLong);
    s.password.clear();
    EXPECT_EQ(mail.SetServer(s), SmtpClient::SetResult::kOk);

    // A refused user name leaves the password to be set all the same.
    ScriptedServer server([](ScriptPeer& p, int) {
        p.Send("220 hi\r\n");
        p.ReadLine();
        p.Send("250 hi\r\n");
        p.ReadLine();
        p.Send("334 VXNlcm5hbWU6\r\n");
        p.ReadLine();
        p.Send("334 UGFzc3dvcmQ6\r\n");
        p.ReadLine();
        p.Send("235 ok\r\n");
        FinishWithQuit(p);
    });
    EXPECT_EQ(mail.SetPassword("old"), SmtpClient::SetResult::kOk);
    s.port = server.Port();
    s.user = sixty;
    s.password = "new";
    s.auth = SmtpClient::AuthMode::kLogin;
    EXPECT_EQ(mail.SetServer(s), SmtpClient::SetResult::kUserTooLong);
    ASSERT_EQ(mail.Open(), SmtpClient::Result::kOk);
    mail.Quit();
    server.Join();
    EXPECT_EQ(server.Received(), (std::vector<std::string> { "EHLO 127.0.0.1", "AUTH LOGIN", "", "bmV3", "QUIT" }));
}

TEST_F(MailClient, WidthIsClampedAndResetsTheBody)
{
    SmtpClient mail;
    EXPECT_EQ(mail.SetFrom("a@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetTo("b@example.com", ""), SmtpClient::SetResult::kOk);
    const auto bodyOf = [&] {
        const std::string text = mail.MessageText();
        return text.substr(text.find("\r\n\r\n") + 4);
    };
    mail.SetWidth(5); // at least 10
    mail.SetBodyLine(0, "0123456789A");
    EXPECT_EQ(bodyOf(), "0123456789\r\nA\r\n");
    mail.SetWidth(300); // at most 255, and the body starts anew
    EXPECT_EQ(bodyOf(), "");
    mail.SetBodyLine(0, std::string(256, 'x'));
    // An ISO-2022-JP line stops at 78 characters whatever the width.
    EXPECT_EQ(bodyOf(),
        std::string(78, 'x') + "\r\n" + std::string(78, 'x') + "\r\n" + std::string(78, 'x') + "\r\n"
            + std::string(22, 'x') + "\r\n");
}

TEST_F(MailClient, IsoJpLinesCountTheirEscapesAndNeverCutACharacter)
{
    for (const int width : { 80, 255 }) {
        SmtpClient mail;
        mail.SetWidth(width);
        EXPECT_EQ(mail.SetFrom("a@example.com", ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetTo("b@example.com", ""), SmtpClient::SetResult::kOk);
        const std::vector<std::string> lines = { std::string(40, 'a') + S("漢字") + std::string(40, 'b'),
            S("あ") + "x" + S("い") + "y" + S("う") + "z" + S("えおかきくけこさしすせそたちつてと"), [] {
                std::string l;
                for (int i = 0; i < 120; ++i)
                    l += S(i % 3 ? "字" : "a");
                return l;
            }() };
        for (std::size_t i = 0; i < lines.size(); ++i)
            mail.SetBodyLine(static_cast<int>(i), lines[i]);
        const std::string text = mail.MessageText();
        const std::string body = text.substr(text.find("\r\n\r\n") + 4);
        std::string joined;
        for (std::size_t at = 0, end; (end = body.find("\r\n", at)) != std::string::npos; at = end + 2) {
            const std::string line = body.substr(at, end - at);
            EXPECT_LE(line.size(), 78u) << width << ": " << line;
            // Every line decodes alone: it ends in ASCII.
            bool ok = false;
            joined += nrt::test::IsoJpToSjis(line, &ok);
            EXPECT_TRUE(ok) << line;
            const std::size_t toJis = line.rfind("\x1b$B");
            EXPECT_TRUE(toJis == std::string::npos || line.rfind("\x1b(B") > toJis) << line;
        }
        std::string all;
        for (const std::string& l : lines)
            all += l;
        EXPECT_EQ(U(joined), U(all)) << width;
    }
}

TEST_F(MailClient, VoicedHalfWidthKanaAreComposedInBothCharsets)
{
    for (const bool utf8 : { false, true }) {
        SmtpClient mail;
        mail.SetWidth(80);
        EXPECT_EQ(mail.SetFrom("a@example.com", S("ｾｰﾙ係")), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetTo("b@example.com", S("ﾔﾏﾀﾞ ﾊﾅｺ")), SmtpClient::SetResult::kOk);
        mail.SetSubject(S("ﾊﾟｰﾃｨｰのご案内"));
        // 髙 is outside JIS X 0208: the message goes out in UTF-8.
        mail.SetBodyLine(0, S("ｳﾞｧｲｵﾘﾝとﾀﾞﾝｽ") + (utf8 ? S("髙") : ""));
        auto decoded = nrt::test::DecodeWithPython(mail.MessageText());
        EXPECT_EQ(decoded["charset"], utf8 ? "utf-8" : "iso-2022-jp");
        EXPECT_EQ(decoded["from.name"], "セール係");
        EXPECT_EQ(decoded["to.name"], "ヤマダ ハナコ");
        EXPECT_EQ(decoded["subject"], "パーティーのご案内");
        std::string body = decoded["body"];
        body.erase(std::remove(body.begin(), body.end(), '\r'), body.end());
        EXPECT_EQ(body, std::string("ヴァイオリンとダンス") + (utf8 ? "髙" : "") + "\n");
    }
}

TEST_F(MailClient, MessageTextIsWhatGoesOut)
{
    std::string data;
    ScriptedServer server([&](ScriptPeer& p, int) {
        Hello(p);
        data = AcceptOneMessage(p);
        FinishWithQuit(p);
    });
    SmtpClient mail;
    mail.SetWidth(20);
    mail.SetBodyLine(0, S("..ドットで始まる長い行を二つに分けます"));
    mail.SetBodyLine(1, "end");
    PointAt(mail, server);
    ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk);
    EXPECT_EQ(mail.SetFrom("a@example.com", S("差出人")), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetTo("b@example.com", S("宛先")), SmtpClient::SetResult::kOk);
    mail.SetSubject("Hello");
    ASSERT_EQ(mail.SendMail(), SmtpClient::Result::kOk);
    mail.Quit();
    server.Join();
    EXPECT_EQ(data, mail.MessageText());
    EXPECT_NE(data.find("\r\n...\x1B$B"), std::string::npos) << data;
}

namespace {

// Greeting, EHLO with STARTTLS, the handshake and EHLO again; false when the
// handshake failed.
bool HelloOverStartTls(ScriptPeer& p)
{
    p.Send("220 hi\r\n");
    p.ReadLine();
    p.Send("250-hi\r\n250 STARTTLS\r\n");
    p.ReadLine();
    p.Send("220 go ahead\r\n");
    if (!p.StartTls())
        return false;
    p.ReadLine();
    // The capabilities over TLS in pieces, as TLS records of their own.
    p.Send("250-hi again\r\n250-AUTH PL");
    p.Pause(30);
    p.Send("AIN\r\n");
    p.Pause(30);
    p.Send("250 SIZE 100\r\n");
    return true;
}

void PointAtOverTls(SmtpClient& mail, const ScriptedServer& server, int timeout)
{
    PointAt(mail, server, timeout);
    mail.SetSecurity(SmtpClient::Security::kStartTls);
    mail.SetCaFile(nrt::test::SharedCertificates().caCert);
}

} // namespace

TEST_F(MailClient, RepliesOverTlsAreReadLikePlainOnes)
{
    ASSERT_TRUE(nrt::test::SharedCertificates().ok);
    std::string data;
    ScriptedServer server([&](ScriptPeer& p, int) {
        if (!HelloOverStartTls(p))
            return;
        p.ReadLine();
        p.Send("235 ok\r\n");
        data = AcceptOneMessage(p);
        FinishWithQuit(p);
    });
    SmtpClient mail;
    PointAtOverTls(mail, server, 5);
    EXPECT_EQ(mail.SetUser("u"), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetPassword("p"), SmtpClient::SetResult::kOk);
    ASSERT_EQ(mail.ConnectAuth(SmtpClient::AuthMode::kPlainAuth), SmtpClient::Result::kOk) << U(mail.ReplyText());
    EXPECT_TRUE(mail.IsSecure());
    EXPECT_EQ(mail.SetFrom("a@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetTo("b@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SendMail(), SmtpClient::Result::kOk);
    mail.Quit();
    server.Join();
    EXPECT_EQ(data, mail.MessageText());
    const auto received = server.Received();
    ASSERT_GE(received.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(received.begin(), received.begin() + 7),
        (std::vector<std::string> { "EHLO 127.0.0.1", "STARTTLS", "EHLO 127.0.0.1",
            "AUTH PLAIN AHUAcA==", "MAIL FROM: <a@example.com>", "RCPT TO: <b@example.com>", "DATA" }));
    EXPECT_EQ(received.back(), "QUIT");
}

TEST_F(MailClient, TimeoutsOverTls)
{
    ASSERT_TRUE(nrt::test::SharedCertificates().ok);
    // A server that says go ahead and then never starts the handshake.
    {
        ScriptedServer server([](ScriptPeer& p, int) {
            p.Send("220 hi\r\n");
            p.ReadLine();
            p.Send("250-hi\r\n250 STARTTLS\r\n");
            p.ReadLine();
            p.Send("220 go ahead\r\n");
            p.ClosedWithoutData(0);
            p.Pause(2500);
        });
        SmtpClient mail;
        PointAtOverTls(mail, server, 1);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(mail.Connect(), SmtpClient::Result::kTlsFailed);
        EXPECT_LT(SecondsSince(start), 2.0);
        EXPECT_EQ(U(messages.LastText()), "暗号化通信を開始できませんでした。\n999 タイムオーバー");
    }
    // A server that goes silent after the handshake.
    {
        ScriptedServer server([](ScriptPeer& p, int) {
            if (HelloOverStartTls(p))
                p.ReadLine();
            p.Pause(2500);
        });
        SmtpClient mail;
        PointAtOverTls(mail, server, 1);
        ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk) << U(mail.ReplyText());
        EXPECT_EQ(mail.SetFrom("a@example.com", ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetTo("b@example.com", ""), SmtpClient::SetResult::kOk);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(mail.SendMail(), SmtpClient::Result::kSenderRefused);
        EXPECT_EQ(U(mail.ReplyText()), "999 タイムオーバー");
        mail.Quit();
        EXPECT_LT(SecondsSince(start), 2.0);
    }
}

TEST_F(MailClient, TlsServerClosingDuringDataIsAFailureNotACrash)
{
    ASSERT_TRUE(nrt::test::SharedCertificates().ok);
    ScriptedServer server([](ScriptPeer& p, int) {
        if (!HelloOverStartTls(p))
            return;
        p.ReadLine();
        p.Send("250 ok\r\n");
        p.ReadLine();
        p.Send("250 ok\r\n");
        p.ReadLine();
        p.Send("354 go\r\n");
        p.ReadLine();
        p.Drop();
    });
    SmtpClient mail;
    mail.SetWidth(255);
    for (int i = 0; i < 3000; ++i)
        mail.SetBodyLine(i, std::string(200, static_cast<char>('a' + i % 26)));
    PointAtOverTls(mail, server, 5);
    ASSERT_EQ(mail.Connect(), SmtpClient::Result::kOk) << U(mail.ReplyText());
    EXPECT_EQ(mail.SetFrom("a@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SetTo("b@example.com", ""), SmtpClient::SetResult::kOk);
    EXPECT_EQ(mail.SendMail(), SmtpClient::Result::kMessageRefused);
    EXPECT_EQ(U(mail.ReplyText()), "送信(SMTP)サーバーとの接続が切れました。");
    mail.Quit();
}

TEST_F(MailClient, SubjectsOfAnyLengthFoldBetweenWordsNeverAfterTheColon)
{
    const std::string words = "Invitation to the annual general meeting of the neighbourhood association";
    const std::string unbroken = std::string(90, 'z');
    const std::string kanji = S("【重要】") + S(std::string(60, 'x').c_str()) + S("のお知らせ");
    for (const std::string& subject : { words + " " + words, unbroken, kanji, S("ｾｰﾙ ") + unbroken }) {
        SmtpClient mail;
        mail.SetWidth(80);
        EXPECT_EQ(mail.SetFrom("a@example.com", ""), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail.SetTo("b@example.com", ""), SmtpClient::SetResult::kOk);
        mail.SetSubject(subject);
        mail.SetBodyLine(0, "body");
        const std::string text = mail.MessageText();
        const std::size_t at = text.find("\r\nSubject:") + 2;
        std::size_t end = at;
        do
            end = text.find("\r\n", end) + 2;
        while (text[end] == ' ');
        const std::string header = text.substr(at, end - at);
        EXPECT_FALSE(header.starts_with("Subject:\r\n") || header.starts_with("Subject: \r\n")) << header;
        for (std::size_t from = 0, eol; (eol = header.find("\r\n", from)) != std::string::npos; from = eol + 2)
            EXPECT_LE(eol - from, 76u) << header;
        EXPECT_EQ(nrt::test::DecodeWithPython(text)["subject"], U(MailEncoding::WidenKana(subject, 1000))) << header;
    }
}

namespace {

// A client that takes the test server on 127.0.0.1 for another machine.
class RemoteLookingClient : public SmtpClient {
protected:
    bool ServerIsThisMachine() const override { return remote ? false : SmtpClient::ServerIsThisMachine(); }

public:
    bool remote = true;
};

} // namespace

TEST_F(MailClient, PasswordsInClearGoOnlyToThisMachineUnlessAllowed)
{
    const struct {
        SmtpClient::AuthMode auth;
        bool remote;
        bool allowed; // CLEARAUTH
        bool sent; // the AUTH command went out
    } cases[] = {
        { SmtpClient::AuthMode::kLogin, true, false, false },
        { SmtpClient::AuthMode::kPlainAuth, true, false, false },
        { SmtpClient::AuthMode::kLogin, true, true, true },
        { SmtpClient::AuthMode::kPlainAuth, true, true, true },
        // CRAM-MD5 sends no password, only a keyed digest of the server's challenge.
        { SmtpClient::AuthMode::kCramMd5, true, false, true },
        { SmtpClient::AuthMode::kLogin, false, false, true },
        { SmtpClient::AuthMode::kPlainAuth, false, false, true },
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        ScriptedServer server([&](ScriptPeer& p, int) {
            Hello(p);
            const std::string line = p.ReadLine();
            if (line == "AUTH LOGIN") {
                p.Send("334 VXNlcm5hbWU6\r\n");
                p.ReadLine();
                p.Send("334 UGFzc3dvcmQ6\r\n");
                p.ReadLine();
                p.Send("235 ok\r\n");
            } else if (line == "AUTH CRAM-MD5") {
                p.Send("334 PDEyMzQ1QGV4YW1wbGU+\r\n");
                p.ReadLine();
                p.Send("235 ok\r\n");
            } else if (line.starts_with("AUTH PLAIN")) {
                p.Send("235 ok\r\n");
            } else {
                return;
            }
            FinishWithQuit(p);
        });
        RemoteLookingClient mail;
        mail.remote = c.remote;
        SmtpSettings s;
        s.host = "127.0.0.1";
        s.port = server.Port();
        s.timeout = 5;
        s.auth = c.auth;
        s.user = "user";
        s.password = "secret";
        s.clearAuth = c.allowed;
        EXPECT_EQ(mail.SetServer(s), SmtpClient::SetResult::kOk);
        const SmtpClient::Result r = mail.Open();
        mail.Quit();
        server.Join();
        const std::vector<std::string> got = server.Received();
        const bool sent
            = std::any_of(got.begin(), got.end(), [](const std::string& l) { return l.starts_with("AUTH"); });
        EXPECT_EQ(sent, c.sent) << static_cast<int>(c.auth) << c.remote << c.allowed;
        if (c.sent) {
            EXPECT_EQ(r, SmtpClient::Result::kOk) << static_cast<int>(c.auth) << c.remote << c.allowed;
            EXPECT_TRUE(messages.shown.empty());
        } else {
            EXPECT_EQ(r, SmtpClient::Result::kClearAuthRefused);
            EXPECT_TRUE(std::none_of(
                got.begin(), got.end(), [](const std::string& l) { return l.find("c2VjcmV0") != std::string::npos; }));
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_NE(U(messages.LastText()).find("「暗号化なしでパスワードを送信する」"), std::string::npos);
        }
    }
}

TEST_F(MailClient, AMissingCaFileNamesTheSettingAndThePath)
{
    // The file is looked for before the handshake: the server hears nothing.
    ScriptedServer server([&](ScriptPeer& p, int) { EXPECT_TRUE(p.ClosedWithoutData(2000)); });
    SmtpClient mail;
    SmtpSettings s;
    s.host = "127.0.0.1";
    s.port = server.Port();
    s.timeout = 5;
    s.ssl = SmtpClient::Security::kImplicitTls;
    s.caFile = "/nonexistent/company-ca.pem";
    s.caSetting = S("/nonexistent/社内CA.pem");
    EXPECT_EQ(mail.SetServer(s), SmtpClient::SetResult::kOk);
    EXPECT_NE(mail.Open(), SmtpClient::Result::kOk);
    server.Join();
    ASSERT_EQ(messages.shown.size(), 1u);
    const std::string text = U(messages.LastText());
    EXPECT_TRUE(text.find("CAFILE") != std::string::npos && text.find("/nonexistent/社内CA.pem") != std::string::npos)
        << text;
}

TEST(SmtpSettingNumbers, TheSettingsFileNumbersKeepTheirMeaning)
{
    // The numbers SSL and SMTP have always held in the settings file; what the client
    // made of any other number stays as it was.
    const struct {
        int number;
        SmtpSecurity security;
        SmtpAuth auth;
    } cases[] = {
        { 0, SmtpSecurity::kPlain, SmtpAuth::kNoAuth },
        { 1, SmtpSecurity::kStartTls, SmtpAuth::kLogin },
        { 2, SmtpSecurity::kImplicitTls, SmtpAuth::kCramMd5 },
        { 3, SmtpSecurity::kPlain, SmtpAuth::kPlainAuth },
        { 7, SmtpSecurity::kPlain, SmtpAuth::kLogin },
        { -1, SmtpSecurity::kPlain, SmtpAuth::kLogin },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SecurityOfSetting(c.number), c.security) << c.number;
        EXPECT_EQ(AuthOfSetting(c.number), c.auth) << c.number;
    }
}
