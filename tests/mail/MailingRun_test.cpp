// The bulk-send worker: whole mailings against the npm SMTP server and against scripted
// peers, with the test clock shortening the rests; the logs byte for byte.

#include "mail/MailingRun.h"

#include "MailTestSupport.h"
#include "MailingTestSupport.h"
#include "mail/MailComposer.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

using namespace nrt;
using nrt::platform::RecordingMessageHost;
using nrt::platform::ScopedMessageHost;
using nrt::test::NodeSmtpServer;
using nrt::test::Person;
using nrt::test::S;
using nrt::test::ScriptedServer;
using nrt::test::ScriptPeer;
using nrt::test::TempDir;
using nrt::test::U;

namespace {

namespace fs = platform::fs;

std::string WithoutCr(std::string s)
{
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

std::string FileText(const std::string& path)
{
    std::string bytes;
    fs::ReadFile(path, bytes);
    return bytes;
}

class Mailing : public ::testing::Test {
protected:
    void SetUp() override { clock.now = { 2025, 1, 5, 9, 3, 7, 0 }; }

    void Recipients(const std::vector<Person>& people)
    {
        nrt::test::FillTable(db, people);
        rec.Attach(&db);
        ASSERT_EQ(rec.SetSort(S("メール,カナ"), 0), SortError::kNone);
        ASSERT_EQ(rec.Select(S("印字区分='1'")), SelectResult::kSelected);
    }

    std::unique_ptr<SmtpClient> Client(const SmtpSettings& settings, const std::vector<std::string>& body = { "hello" })
    {
        auto mail = std::make_unique<SmtpClient>();
        mail->SetWidth(80);
        for (std::size_t i = 0; i < body.size(); ++i)
            mail->SetBodyLine(static_cast<int>(i), S(body[i]));
        EXPECT_EQ(mail->SetServer(settings), SmtpClient::SetResult::kOk);
        EXPECT_EQ(mail->Open(), SmtpClient::Result::kOk) << U(mail->ReplyText());
        EXPECT_EQ(mail->SetFrom("sender@example.com", S("差出 人")), SmtpClient::SetResult::kOk);
        mail->SetSubject(S("お知らせ"));
        return mail;
    }

    static SmtpSettings Plain(int port, int timeout = 5)
    {
        SmtpSettings s;
        s.host = "127.0.0.1";
        s.port = port;
        s.timeout = timeout;
        return s;
    }

    MailingRun::Outcome Run(SmtpClient& mail, const TemplateList* templates = nullptr,
        int restEvery = MailingRun::kRestEvery, int restSeconds = MailingRun::kRestSeconds)
    {
        MailingRun worker(templates, &mail, &rec, folder, host);
        worker.SetRest(restEvery, restSeconds);
        worker.Execute();
        warnings = worker.Warnings();
        return worker.GetOutcome();
    }

    std::string ListLog() const { return FileText(folder + "/list.log"); }
    std::string MailLog() const { return FileText(folder + "/mail.log"); }
    // The first line of list.log for the test clock's start and the subject お知らせ.
    static std::string FirstLine() { return S("■2025年01月05日 09:03:07 　『お知らせ』■\r\n"); }

    nrt::test::ScopedTimeZone tokyo { "Asia/Tokyo" };
    TempDir dir;
    std::string folder = dir.Path() + "/Mail";
    RecordingMessageHost messages;
    ScopedMessageHost scopedMessages { messages };
    platform::FakeClock clock;
    platform::ScopedClock scopedClock { clock };
    AddressTable db;
    RecordSet rec;
    nrt::test::RecordingHost host;
    std::vector<std::string> warnings; // of the last Run
};

} // namespace

TEST(Substitute, ReferencesInATemplateLine)
{
    RecordingMessageHost messages;
    ScopedMessageHost scoped(messages);
    AddressTable db;
    const std::string longNote(100, 'n');
    nrt::test::FillTable(db, { { "山田 太郎", "taro@example.com", "", "1", "0", longNote.c_str() } });
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.Select(S("印字区分='1'")), SelectResult::kSelected);

    std::string nearlyFull(1000, 'x');
    const struct {
        std::string line;
        std::string expected;
        bool overflow;
    } cases[] = {
        { "%名前%様", "山田 太郎様", false },
        { "100%%", "100%", false },
        { "50% off", "50% off", false },
        { "%住所３%です", "です", false },
        { "%%%メール%%%", "%taro@example.com%", false },
        { "%名前", "%名前", false },
        { nearlyFull + "%備考１%", nearlyFull, true },
        { nearlyFull + "%名前%", nearlyFull + "山田 太郎", false },
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        EXPECT_EQ(U(MailingRun::Substitute(S(c.line), rec)), c.expected) << c.line.substr(0, 40);
        ASSERT_EQ(messages.shown.size(), c.overflow ? 1u : 0u);
        if (c.overflow) {
            EXPECT_EQ(U(messages.LastText()), "文字数がオーバーしました。");
        }
    }
}

TEST_F(Mailing, PersonalisedMessagesAndTheLogsOfTheRun)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    ASSERT_GT(server.Port(), 0);
    Recipients({ { "山田 太郎", "taro@example.com", "ﾔﾏﾀﾞ", "1", "0", "" },
        { "鈴木 花子", "hanako@example.jp", "ｽｽﾞｷ", "1", "0", "幹事より" },
        { "佐藤 次郎", "jiro@example.net", "ｻﾄｳ", "0" } }); // not marked
    const std::vector<std::string> body
        = { "%名前% 様", "", "新年会のお知らせです。会費は100%%前払い、50% off です。", "%備考１%" };
    std::vector<std::string> sjisBody;
    for (const auto& line : body)
        sjisBody.push_back(S(line));
    TemplateList templates;
    ASSERT_TRUE(mailcompose::CheckBody(sjisBody, 80, db, platform::Ask, templates).go);
    ASSERT_EQ(templates.size(), 3u);

    auto mail = Client(Plain(server.Port()), body);
    EXPECT_EQ(Run(*mail, &templates), MailingRun::Outcome::kRanThrough);
    EXPECT_EQ(host.calls, (std::vector<std::string> { "progress", "progress" }));

    const auto stored = server.Messages();
    ASSERT_EQ(stored.size(), 2u);
    const struct {
        const char* address;
        const char* to;
        const char* body;
    } expected[] = {
        { "hanako@example.jp", "鈴木 花子 <hanako@example.jp>",
            "鈴木 花子 様\n\n新年会のお知らせです。会費は100%前払い、50% off です。\n幹事より\n" },
        { "taro@example.com", "山田 太郎 <taro@example.com>",
            "山田 太郎 様\n\n新年会のお知らせです。会費は100%前払い、50% off です。\n\n" },
    };
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(stored[i].to, std::vector<std::string> { expected[i].address });
        auto decoded = nrt::test::DecodeWithPython(stored[i].raw);
        EXPECT_EQ(decoded["to"], expected[i].to);
        EXPECT_EQ(decoded["from"], "差出 人 <sender@example.com>");
        EXPECT_EQ(decoded["subject"], "お知らせ");
        EXPECT_EQ(WithoutCr(decoded["body"]), expected[i].body);
    }

    const std::string log = FirstLine() + S("鈴木 花子\thanako@example.jp\r\n") + S("山田 太郎\ttaro@example.com\r\n")
        + S("2通を送信しました。 送信 2通／送信不可 0通／未送信 0通\r\n") + "\r\n";
    EXPECT_EQ(U(ListLog()), U(log));
    EXPECT_EQ(FileText(folder + "/list202501.log"), log);
    EXPECT_EQ(
        U(MailLog()), "2025/01/05 09:03:07\tお知らせ\t\t\t2通を送信しました。 送信 2通／送信不可 0通／未送信 0通\r\n");
    EXPECT_FALSE(fs::Exists(folder + "/mail.tmp"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Mailing, EveryAuthenticationOverStartTlsAndTls)
{
    const auto& certs = nrt::test::SharedCertificates();
    ASSERT_TRUE(certs.ok);
    const struct {
        const char* server;
        SmtpClient::Security ssl;
    } transports[]
        = { { "starttls", SmtpClient::Security::kStartTls }, { "implicit", SmtpClient::Security::kImplicitTls } };
    Recipients({ { "一郎", "one@example.com" }, { "二郎", "two@example.com" } });
    for (const auto& t : transports) {
        NodeSmtpServer::Options o;
        o.tls = t.server;
        o.key = certs.serverKey;
        o.cert = certs.serverCert;
        TempDir spool;
        NodeSmtpServer server(spool.Path(), o);
        ASSERT_GT(server.Port(), 0);
        for (SmtpClient::AuthMode auth :
            { SmtpClient::AuthMode::kLogin, SmtpClient::AuthMode::kCramMd5, SmtpClient::AuthMode::kPlainAuth }) {
            SmtpSettings s = Plain(server.Port());
            s.ssl = t.ssl;
            s.auth = auth;
            s.user = NodeSmtpServer::kUser;
            s.password = NodeSmtpServer::kPassword;
            s.caFile = certs.caCert;
            auto mail = Client(s);
            ASSERT_TRUE(mail->IsSecure());
            rec.SetPos(0);
            EXPECT_EQ(Run(*mail), MailingRun::Outcome::kRanThrough) << t.server << " " << static_cast<int>(auth);
            EXPECT_EQ(U(ListLog()).substr(U(ListLog()).find("one@")),
                "one@example.com\r\n二郎\ttwo@example.com\r\n2通を送信しました。 送信 2通／送信不可 0通／未送信 "
                "0通\r\n\r\n");
        }
        const auto stored = server.Messages();
        ASSERT_EQ(stored.size(), 6u) << t.server;
        for (const auto& m : stored) {
            EXPECT_EQ(m.secure, "1");
            EXPECT_EQ(m.user, NodeSmtpServer::kUser);
        }
    }
    EXPECT_TRUE(messages.shown.empty()) << U(messages.LastText());
}

TEST_F(Mailing, CertificatesThatDoNotPassStopTheMailingBeforeAnythingIsSent)
{
    const auto& certs = nrt::test::SharedCertificates();
    ASSERT_TRUE(certs.ok);
    TempDir data;
    StartupFolders folders { data.Path(), data.Path(), data.Path() };
    AppSettings g(folders);
    g.ReadSettings(true);
    Recipients({ { "一郎", "one@example.com" } });
    const mailfiles::MailText text { S("件名"), false, { S("本文") } };

    const struct {
        const char* server;
        int ssl;
        std::string cert;
        SmtpClient::Result code;
        const char* box;
    } cases[] = {
        { "starttls", 1, certs.strangerCert, SmtpClient::Result::kCertificateRefused,
            "サーバー証明書を確認できませんでした。\n" },
        { "implicit", 2, certs.strangerCert, SmtpClient::Result::kCertificateRefused,
            "サーバー証明書を確認できませんでした。\n" },
        { "implicit", 2, certs.wrongHostCert, SmtpClient::Result::kCertificateRefused,
            "サーバー証明書を確認できませんでした。\n" },
        // STARTTLS asked for, a server that does not offer it: no plain-text fall-back.
        { "none", 1, "", SmtpClient::Result::kNoStartTls, "送信(SMTP)サーバーが暗号化(STARTTLS)に対応していません。" },
    };
    // The trusted CA as a provider's would be: through the system's trust store.
    nrt::test::ScopedEnvVar trust("SSL_CERT_FILE", certs.caCert);
    for (const auto& c : cases) {
        messages.shown.clear();
        NodeSmtpServer::Options o;
        o.tls = c.server;
        if (!c.cert.empty()) {
            o.key = certs.serverKey;
            o.cert = c.cert;
        }
        TempDir spool;
        NodeSmtpServer server(spool.Path(), o);
        g.SetMailHost("127.0.0.1");
        g.SetMailPort(server.Port());
        g.SetMailSsl(c.ssl);
        g.SetMailAuth(static_cast<int>(SmtpClient::AuthMode::kPlainAuth));
        g.SetMailUser(NodeSmtpServer::kUser);
        g.SetMailPassword(NodeSmtpServer::kPassword);
        g.SetMailTimeout(5);
        EXPECT_EQ(mailcompose::Connect(g, text, { S("差出人"), "sender@example.com" }), nullptr) << c.server;
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(U(messages.LastText()).rfind(c.box, 0), 0u) << U(messages.LastText());
        EXPECT_TRUE(server.Messages().empty());
    }

    // The same settings with the right certificate go through.
    NodeSmtpServer::Options o;
    o.tls = "starttls";
    o.key = certs.serverKey;
    o.cert = certs.serverCert;
    TempDir spool;
    NodeSmtpServer server(spool.Path(), o);
    g.SetMailPort(server.Port());
    g.SetMailSsl(1);
    auto mail = mailcompose::Connect(g, text, { S("差出人"), "sender@example.com" });
    ASSERT_NE(mail, nullptr) << U(messages.LastText());
    EXPECT_EQ(Run(*mail), MailingRun::Outcome::kRanThrough);
    ASSERT_EQ(server.Messages().size(), 1u);
    EXPECT_EQ(server.Messages()[0].secure, "1");
}

TEST_F(Mailing, RestsAsTheSettingsSay)
{
    const struct {
        int every, seconds;
        std::vector<int> restAt; // handled records when each rest began
    } cases[] = {
        { 3, 5, { 3, 6 } },
        { 0, 60, {} }, // no rests at all
        { 3, 0, {} },
        { 10, 1, {} },
    };
    for (const auto& c : cases) {
        host = {};
        std::vector<std::string> storage;
        Recipients(nrt::test::NumberedPeople(7, storage));
        int seen = 0;
        ScriptedServer peer(
            [&](ScriptPeer& p, int) { nrt::test::WillingSession(p, &seen); }, static_cast<int>(c.restAt.size()) + 1);
        std::vector<int> restAt;
        std::vector<std::uint64_t> ticks;
        host.onRest = [&] {
            restAt.push_back(host.progress);
            ticks.push_back(clock.ticks);
        };
        host.onResume = [&] { ticks.push_back(clock.ticks); };
        auto mail = Client(Plain(peer.Port()));
        EXPECT_EQ(Run(*mail, nullptr, c.every, c.seconds), MailingRun::Outcome::kRanThrough);
        peer.Join();
        EXPECT_EQ(seen, 7);
        EXPECT_EQ(restAt, c.restAt) << c.every << "/" << c.seconds;
        for (std::size_t i = 0; i + 1 < ticks.size(); i += 2)
            EXPECT_GT(ticks[i + 1] - ticks[i], c.seconds * 1000ULL);
    }
}

TEST_F(Mailing, RestsAfterEveryHundredRecordsWithTheConnectionClosed)
{
    std::vector<std::string> storage;
    Recipients(nrt::test::NumberedPeople(250, storage));
    int perConnection[3] = { 0, 0, 0 };
    ScriptedServer peer([&](ScriptPeer& p, int n) { nrt::test::WillingSession(p, &perConnection[n]); }, 3);

    std::vector<int> restAt;
    std::vector<std::uint64_t> restTicks;
    std::vector<bool> loggedBeforeRest;
    host.onRest = [&] {
        restAt.push_back(host.progress);
        restTicks.push_back(clock.ticks);
        // Lines are written in pieces, but all of them before the connection rests.
        const std::string last = S("宛先") + (restAt.size() == 1 ? "100" : "200") + "\tn"
            + (restAt.size() == 1 ? "100" : "200") + "@example.com\r\n";
        loggedBeforeRest.push_back(ListLog().ends_with(last));
    };
    host.onResume = [&] { restTicks.push_back(clock.ticks); };
    auto mail = Client(Plain(peer.Port()));
    EXPECT_EQ(Run(*mail), MailingRun::Outcome::kRanThrough);
    peer.Join();

    EXPECT_EQ(restAt, (std::vector<int> { 100, 200 }));
    EXPECT_EQ(loggedBeforeRest, (std::vector<bool> { true, true }));
    ASSERT_EQ(restTicks.size(), 4u);
    for (std::size_t i = 0; i < 4; i += 2) {
        EXPECT_GT(restTicks[i + 1] - restTicks[i], (MailingRun::kRestSeconds * 1000ULL));
        EXPECT_LE(restTicks[i + 1] - restTicks[i], (MailingRun::kRestSeconds * 1000ULL) + MailingRun::kRestSliceMs);
    }
    EXPECT_EQ(host.Count("progress"), 250);
    EXPECT_EQ(host.Count("resume"), 2);
    EXPECT_EQ(perConnection[0], 100);
    EXPECT_EQ(perConnection[1], 100);
    EXPECT_EQ(perConnection[2], 50);
    const auto received = peer.Received();
    EXPECT_EQ(std::count(received.begin(), received.end(), "QUIT"), 3);
    EXPECT_NE(ListLog().find(
                  S("宛先250\tn250@example.com\r\n250通を送信しました。 送信 250通／送信不可 0通／未送信 0通\r\n\r\n")),
        std::string::npos);
}

TEST_F(Mailing, ReconnectionsAfterTheRestsAuthenticateOverTlsAgain)
{
    const auto& certs = nrt::test::SharedCertificates();
    ASSERT_TRUE(certs.ok);
    NodeSmtpServer::Options o;
    o.tls = "starttls";
    o.key = certs.serverKey;
    o.cert = certs.serverCert;
    NodeSmtpServer server(dir.Path() + "/spool", o);
    ASSERT_GT(server.Port(), 0);
    std::vector<std::string> storage;
    Recipients(nrt::test::NumberedPeople(250, storage));
    SmtpSettings s = Plain(server.Port());
    s.ssl = SmtpClient::Security::kStartTls;
    s.auth = SmtpClient::AuthMode::kCramMd5;
    s.user = NodeSmtpServer::kUser;
    s.password = NodeSmtpServer::kPassword;
    s.caFile = certs.caCert;
    TemplateList templates { { 0, S("%名前% 様") } };
    auto mail = Client(s);
    EXPECT_EQ(Run(*mail, &templates), MailingRun::Outcome::kRanThrough);
    EXPECT_EQ(host.Count("rest"), 2);
    EXPECT_EQ(host.Count("resume"), 2);

    const auto stored = server.Messages();
    ASSERT_EQ(stored.size(), 250u);
    for (int i : { 0, 99, 100, 199, 200, 249 }) {
        const auto& m = stored[static_cast<std::size_t>(i)];
        EXPECT_EQ(m.secure, "1") << i;
        EXPECT_EQ(m.user, NodeSmtpServer::kUser) << i;
        EXPECT_EQ(m.to, std::vector<std::string> { storage[static_cast<std::size_t>(2 * i + 1)] });
        EXPECT_EQ(
            WithoutCr(nrt::test::DecodeWithPython(m.raw)["body"]), storage[static_cast<std::size_t>(2 * i)] + " 様\n");
    }
    EXPECT_TRUE(U(ListLog()).ends_with("250通を送信しました。 送信 250通／送信不可 0通／未送信 0通\r\n\r\n"));
    EXPECT_TRUE(messages.shown.empty()) << U(messages.LastText());
}

TEST_F(Mailing, RepeatedEmptyAndInvalidAddressesAreSkippedAndTheRunGoesOn)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    Recipients({ { "空欄", "", "ｱ" }, { "空欄二", "", "ｲ" }, { "不正", "bad@example", "ｳ" },
        { "重複一", "dup@example.com", "ｱ" }, { "重複二", "dup@example.com", "ｲ" },
        { "重複三", "dup@example.com", "ｳ" }, { "最後", "last@example.com" } });
    auto mail = Client(Plain(server.Port()));
    EXPECT_EQ(Run(*mail), MailingRun::Outcome::kSomeFailed);
    EXPECT_EQ(host.Count("progress"), 7);
    EXPECT_EQ(host.calls.back(), "failed");

    const std::string log = FirstLine() + S("空欄\t\t宛先アドレスが未入力です。(-155)\r\n")
        + S("空欄二\t\t宛先アドレスが未入力です。(-155)\r\n")
        + S("不正\tbad@example\t宛先アドレスが不正です。(-156)\r\n") + S("重複一\tdup@example.com\r\n")
        + S("重複二\tdup@example.com\tメールアドレスが重複しています。\r\n")
        + S("重複三\tdup@example.com\tメールアドレスが重複しています。\r\n") + S("最後\tlast@example.com\r\n")
        + S("送信に失敗しました。7通中 2通を送信しました。3通は送信できませんでした。 送信 2通／送信不可 3通／未送信 "
            "0通／重複 2通\r\n")
        + "\r\n";
    EXPECT_EQ(U(ListLog()), U(log));
    EXPECT_EQ(U(MailLog()),
        "2025/01/05 09:03:07\tお知らせ\t\t\t送信に失敗しました。7通中 "
        "2通を送信しました。3通は送信できませんでした。 送信 2通／送信不可 3通／未送信 0通／重複 2通\r\n");
    const auto stored = server.Messages();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].to, std::vector<std::string> { "dup@example.com" });
}

TEST_F(Mailing, ThreeRecordsOfOneAddress)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    Recipients(
        { { "一", "same@example.com", "ｱ" }, { "二", "same@example.com", "ｲ" }, { "三", "same@example.com", "ｳ" } });
    auto mail = Client(Plain(server.Port()));
    // Each address got its one copy: the repeats are skipped, not failed.
    EXPECT_EQ(Run(*mail), MailingRun::Outcome::kRanThrough);
    EXPECT_EQ(server.Messages().size(), 1u);
    EXPECT_NE(
        U(ListLog()).find("1通を送信しました。 送信 1通／送信不可 0通／未送信 0通／重複 2通\r\n"), std::string::npos)
        << U(ListLog());
}

TEST_F(Mailing, RepeatsAreFoundWhateverTheCaseAndWherever)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    // The list is ordered by address, which does not make these neighbours.
    Recipients({ { "一", "Same@Example.jp", "ｱ" }, { "二", "other@example.jp", "ｲ" }, { "三", "same@example.jp", "ｳ" },
        { "四", " SAME@example.jp ", "ｴ" } });
    auto mail = Client(Plain(server.Port()));
    EXPECT_EQ(Run(*mail), MailingRun::Outcome::kRanThrough);
    const auto stored = server.Messages();
    ASSERT_EQ(stored.size(), 2u);
    const std::string log = U(ListLog());
    EXPECT_EQ(std::count(stored[0].to[0].begin(), stored[0].to[0].end(), '@')
            + (stored[1].to[0] == "other@example.jp" || stored[0].to[0] == "other@example.jp"),
        2);
    std::size_t repeats = 0;
    for (std::size_t at = 0; (at = log.find("メールアドレスが重複しています。", at)) != std::string::npos; ++at)
        ++repeats;
    EXPECT_EQ(repeats, 2u) << log;
    EXPECT_NE(log.find("2通を送信しました。 送信 2通／送信不可 0通／未送信 0通／重複 2通\r\n"), std::string::npos)
        << log;
}

TEST_F(Mailing, ARefusedRecipientIsLoggedAndTheRunGoesOn)
{
    NodeSmtpServer::Options o;
    o.refuse = { "c@example.com" };
    NodeSmtpServer server(dir.Path() + "/spool", o);
    Recipients({ { "甲", "a@example.com" }, { "乙", "b@example.com" }, { "丙", "c@example.com" },
        { "丁", "d@example.com" }, { "戊", "e@example.com" } });
    auto mail = Client(Plain(server.Port()));
    EXPECT_EQ(Run(*mail), MailingRun::Outcome::kSomeFailed);
    EXPECT_EQ(host.Count("progress"), 5);
    EXPECT_EQ(host.calls.back(), "failed");
    std::vector<std::string> delivered;
    for (const auto& m : server.Messages())
        delivered.push_back(m.to.at(0));
    EXPECT_EQ(
        delivered, (std::vector<std::string> { "a@example.com", "b@example.com", "d@example.com", "e@example.com" }));

    EXPECT_EQ(U(ListLog()),
        U(FirstLine())
            + "甲\ta@example.com\r\n乙\tb@example.com\r\n丙\tc@example.com\t（送信不可）(-102)550 Mailbox "
              "unavailable\r\n"
              "丁\td@example.com\r\n戊\te@example.com\r\n"
              "送信に失敗しました。5通中 4通を送信しました。1通は送信できませんでした。 送信 4通／送信不可 "
              "1通／未送信 0通\r\n\r\n");
    EXPECT_EQ(U(MailLog()),
        "2025/01/05 09:03:07\tお知らせ\t\t\t送信に失敗しました。5通中 "
        "4通を送信しました。1通は送信できませんでした。 送信 4通／送信不可 1通／未送信 0通\r\n");
}

TEST_F(Mailing, TemporaryRefusalsAreTriedAgainAfterGrowingWaits)
{
    // 451 for b so many times; the connection is closed during each wait; the sender
    // refused for good stops the run.
    const struct {
        const char* what;
        int bTries; // RCPT answers 451 this many times for b
        bool senderRefused;
        std::vector<int> waits;
        std::vector<int> waited; // the waits the host was shown
        const char* log;
        int messages;
        MailingRun::Outcome outcome;
    } cases[] = {
        { "b succeeds on the second try", 1, false, MailingRun::DefaultRetryWaits(), { 60 },
            "甲\ta@example.com\r\n丙\tc@example.com\r\n乙\tb@example.com\r\n3通を送信しました。 送信 3通／送信不可 "
            "0通／未送信 0通\r\n",
            3, MailingRun::Outcome::kRanThrough },
        { "b on the last try", 3, false, MailingRun::DefaultRetryWaits(), { 60, 300, 900 },
            "甲\ta@example.com\r\n丙\tc@example.com\r\n乙\tb@example.com\r\n3通を送信しました。 送信 3通／送信不可 "
            "0通／未送信 0通\r\n",
            3, MailingRun::Outcome::kRanThrough },
        { "b never", 9, false, { 2, 7 }, { 2, 7 },
            "甲\ta@example.com\r\n丙\tc@example.com\r\n乙\tb@example.com\t（送信不可）(-102)451 4.3.0 try later\r\n"
            "送信に失敗しました。3通中 2通を送信しました。1通は送信できませんでした。 送信 2通／送信不可 1通／未送信 "
            "0通\r\n",
            2, MailingRun::Outcome::kSomeFailed },
        { "no waits", 1, false, {}, {},
            "甲\ta@example.com\r\n丙\tc@example.com\r\n乙\tb@example.com\t（一時的な拒否・未送信）(-102)451 4.3.0 try "
            "later\r\n送信に失敗しました。3通中 2通を送信しました。 送信 2通／送信不可 0通／未送信 1通\r\n",
            2, MailingRun::Outcome::kSomeFailed },
        { "sender refused", 0, true, MailingRun::DefaultRetryWaits(), {},
            "甲\ta@example.com\t（処理中断）(-101)553 5.7.1 sender refused\r\n0通送信して処理を中断しました。 送信 "
            "0通／送信不可 0通／未送信 3通\r\n",
            0, MailingRun::Outcome::kBrokenOff },
    };
    for (const auto& c : cases) {
        host = {};
        Recipients({ { "甲", "a@example.com" }, { "乙", "b@example.com" }, { "丙", "c@example.com" } });
        int seen = 0;
        int bRefusals = 0;
        ScriptedServer peer(
            [&](ScriptPeer& p, int) {
                p.Send("220 hello\r\n");
                for (;;) {
                    const std::string line = p.ReadLine();
                    if (line == "<closed>" || line == "QUIT")
                        break;
                    if (line.rfind("MAIL", 0) == 0 && c.senderRefused)
                        p.Send("553 5.7.1 sender refused\r\n");
                    else if (line == "RCPT TO: <b@example.com>" && bRefusals < c.bTries && ++bRefusals)
                        p.Send("451 4.3.0 try later\r\n");
                    else if (line == "DATA") {
                        p.Send("354 go on\r\n");
                        p.ReadData();
                        ++seen;
                        p.Send("250 stored\r\n");
                    } else
                        p.Send("250 ok\r\n");
                }
                p.Send("221 bye\r\n");
            },
            1 + static_cast<int>(c.waited.size()));
        auto mail = Client(Plain(peer.Port()));
        MailingRun worker(nullptr, mail.get(), &rec, folder, host);
        worker.SetRetryWaits(c.waits);
        const std::uint64_t ticks = clock.ticks;
        worker.Execute();
        EXPECT_EQ(worker.GetOutcome(), c.outcome) << c.what;
        peer.Join();
        EXPECT_EQ(seen, c.messages) << c.what;
        EXPECT_EQ(U(ListLog()), U(FirstLine()) + c.log + "\r\n") << c.what;
        EXPECT_EQ(host.waits, c.waited) << c.what;
        int total = 0;
        for (const int w : c.waited)
            total += w;
        EXPECT_GE(clock.ticks - ticks, 1000ULL * static_cast<unsigned>(total)) << c.what;
        EXPECT_LT(clock.ticks - ticks, 1000ULL * static_cast<unsigned>(total) + 1000) << c.what;
    }
}

TEST_F(Mailing, CancellingDuringTheWaitLeavesTheDeferredAsNotTried)
{
    Recipients({ { "甲", "a@example.com" }, { "乙", "b@example.com" } });
    ScriptedServer peer([&](ScriptPeer& p, int) { GreylistingScript(p, "b@example.com"); });
    auto mail = Client(Plain(peer.Port()));
    MailingRun worker(nullptr, mail.get(), &rec, folder, host);
    host.onWaiting = [&] {
        if (host.lastWaitLeft == 30)
            worker.Terminate();
    };
    worker.SetOutcomeFile(folder + "/outcome.sts");
    worker.Execute();
    peer.Join();
    EXPECT_EQ(worker.GetOutcome(), MailingRun::Outcome::kBrokenOff);
    EXPECT_EQ(host.calls.back(), "cancelled");
    EXPECT_NE(U(ListLog()).find("乙\tb@example.com\t（一時的な拒否・未送信）(-102)450 4.7.1 greylisted\r\n"
                                "1通送信して処理を中断しました。 送信 1通／送信不可 0通／未送信 1通\r\n"),
        std::string::npos)
        << U(ListLog());
    MailOutcome kept;
    ASSERT_TRUE(kept.Load(folder + "/outcome.sts"));
    EXPECT_FALSE(kept.reachedEnd);
    ASSERT_EQ(kept.recipients.size(), 2u);
    EXPECT_EQ(kept.recipients[0].state, RecipientOutcome::State::kSent);
    EXPECT_EQ(kept.recipients[1].state, RecipientOutcome::State::kNotTried);
    EXPECT_EQ(kept.Pending().size(), 1u);
}

TEST_F(Mailing, ALostConnectionIsOpenedOnceMoreAndTheRunGoesOn)
{
    const std::string longReply = "550 " + std::string(10 * 1024, 'x') + "\r\n";
    const struct {
        const char* what;
        std::function<void(ScriptPeer&, int*)> afterRcpt; // the first connection's part once RCPT TO came
        int timeout;
        int connections; // the peer accepts this many
        std::string log; // the records' lines and the summary (UTF-8)
        int messages;
    } cases[] = {
        { "closed during DATA",
            [](ScriptPeer& p, int*) {
                p.Send("250 ok\r\n");
                p.ReadLine(); // DATA
                p.Send("354 go on\r\n");
                p.ReadLine();
                p.Drop();
            },
            5, 2,
            "甲\ta@example.com\r\n乙\tb@example.com\r\n2通を送信しました。 送信 2通／送信不可 0通／未送信 0通\r\n", 2 },
        { "silent", [](ScriptPeer& p, int*) { p.ClosedWithoutData(5000); }, 1, 2,
            "甲\ta@example.com\r\n乙\tb@example.com\r\n2通を送信しました。 送信 2通／送信不可 0通／未送信 0通\r\n", 2 },
        { "gone for good",
            [](ScriptPeer& p, int*) {
                p.Send("250 ok\r\n");
                p.ReadLine();
                p.Drop();
            },
            1, 1,
            "再接続に失敗しました。\r\n甲\ta@example.com\t（処理中断）(-103)送信(SMTP)"
            "サーバーとの接続が切れました。\r\n"
            "0通送信して処理を中断しました。 送信 0通／送信不可 0通／未送信 2通\r\n",
            0 },
        // A long refusal is a refusal: the connection goes on.
        { "10 kB reply",
            [&](ScriptPeer& p, int* seen) {
                p.Send(longReply);
                nrt::test::WillingSession(p, seen, false);
            },
            5, 1,
            "甲\ta@example.com\t（送信不可）(-102)" + longReply.substr(0, SmtpClient::kReplyBytes)
                + "\r\n乙\tb@example.com\r\n送信に失敗しました。2通中 "
                  "1通を送信しました。1通は送信できませんでした。 送信 1通／送信不可 1通／未送信 0通\r\n",
            1 },
    };
    for (const auto& c : cases) {
        host.calls.clear();
        messages.shown.clear();
        Recipients({ { "甲", "a@example.com" }, { "乙", "b@example.com" } });
        int seen = 0;
        ScriptedServer peer(
            [&](ScriptPeer& p, int connection) {
                if (connection > 0)
                    return nrt::test::WillingSession(p, &seen);
                p.Send("220 hello\r\n");
                p.ReadLine();
                p.Send("250 ok\r\n");
                p.ReadLine();
                p.Send("250 ok\r\n");
                p.ReadLine();
                c.afterRcpt(p, &seen);
            },
            c.connections);
        const auto started = std::chrono::steady_clock::now();
        auto mail = Client(Plain(peer.Port(), c.timeout));
        Run(*mail);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2 * c.timeout + 2)) << c.what;
        peer.Join();
        EXPECT_EQ(seen, c.messages) << c.what;
        EXPECT_EQ(U(ListLog()), U(FirstLine()) + c.log + "\r\n") << c.what;
        // Only a server that cannot be reached again is shown, by the client's box.
        EXPECT_EQ(messages.shown.size(), c.connections == 1 && c.messages == 0 ? 1u : 0u) << c.what;
    }
}

TEST_F(Mailing, CancelledAfterARecordOrDuringARest)
{
    std::vector<std::string> storage;
    const struct {
        const char* when;
        int sent;
        int connections;
    } cases[] = { { "after the second", 2, 1 }, { "resting", 100, 1 } };
    for (const auto& c : cases) {
        host = {};
        Recipients(nrt::test::NumberedPeople(150, storage));
        int messagesSeen = 0;
        ScriptedServer peer([&](ScriptPeer& p, int) { nrt::test::WillingSession(p, &messagesSeen); }, c.connections);
        MailingRun* running = nullptr;
        if (c.sent == 2)
            host.onProgress = [&] {
                if (host.progress == 2)
                    running->Terminate();
            };
        else
            host.onRest = [&] { running->Terminate(); };
        auto mail = Client(Plain(peer.Port()));
        MailingRun worker(nullptr, mail.get(), &rec, folder, host);
        running = &worker;
        const std::uint64_t ticks = clock.ticks;
        worker.Execute();
        peer.Join();
        EXPECT_EQ(worker.GetOutcome(), MailingRun::Outcome::kBrokenOff) << c.when;
        EXPECT_EQ(host.calls.back(), "cancelled");
        EXPECT_EQ(host.Count("resume"), 0);
        EXPECT_LT(clock.ticks - ticks, (MailingRun::kRestSeconds * 1000ULL)) << "the rest was not broken off";
        EXPECT_EQ(messagesSeen, c.sent);
        const std::string summary = std::to_string(c.sent) + "通送信して処理を中断しました。 送信 "
            + std::to_string(c.sent) + "通／送信不可 0通／未送信 " + std::to_string(150 - c.sent) + "通\r\n\r\n";
        const std::string log = U(ListLog());
        EXPECT_EQ(log.substr(log.size() - summary.size()), summary);
    }
}

TEST_F(Mailing, AFailedReconnectionEndsTheRunAsAFailure)
{
    std::vector<std::string> storage;
    Recipients(nrt::test::NumberedPeople(101, storage));
    int seen = 0;
    // One connection only: the second attempt meets a server that never greets.
    ScriptedServer peer([&](ScriptPeer& p, int) { nrt::test::WillingSession(p, &seen); }, 1);
    auto mail = Client(Plain(peer.Port(), 1));
    // The run did not reach its end: broken off, not finished with failures.
    EXPECT_EQ(Run(*mail), MailingRun::Outcome::kBrokenOff);
    EXPECT_EQ(seen, 100);
    EXPECT_EQ(U(messages.LastText()), "999 タイムオーバー");
    const std::string log = U(ListLog());
    const std::string tail = "宛先100\tn100@example.com\r\n再接続に失敗しました。\r\n"
                             "100通送信して処理を中断しました。 送信 100通／送信不可 0通／未送信 1通\r\n\r\n";
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
    EXPECT_EQ(host.calls.back(), "cancelled");
}

TEST_F(Mailing, TwoRunsOfOneMonth)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    Recipients({ { "甲", "a@example.com" } });
    auto first = Client(Plain(server.Port()));
    Run(*first);
    const std::string firstLog = ListLog();

    clock.now = { 2025, 1, 20, 18, 30, 0, 1 };
    rec.SetPos(0);
    auto second = Client(Plain(server.Port()));
    second->SetSubject(S("二回目"));
    Run(*second);
    const std::string secondLog = ListLog();

    EXPECT_EQ(U(secondLog).rfind("■2025年01月20日 18:30:00 　『二回目』■\r\n", 0), 0u);
    EXPECT_EQ(FileText(folder + "/list202501.log"), firstLog + secondLog);
    EXPECT_EQ(U(MailLog()),
        "2025/01/20 18:30:00\t二回目\t\t\t1通を送信しました。 送信 1通／送信不可 0通／未送信 0通\r\n"
        "2025/01/05 09:03:07\tお知らせ\t\t\t1通を送信しました。 送信 1通／送信不可 0通／未送信 0通\r\n");

    // A new month starts a new monthly log.
    clock.now = { 2025, 2, 1, 0, 0, 1, 6 };
    rec.SetPos(0);
    auto third = Client(Plain(server.Port()));
    Run(*third);
    EXPECT_EQ(FileText(folder + "/list202502.log"), ListLog());
    EXPECT_EQ(FileText(folder + "/list202501.log"), firstLog + secondLog);
}

TEST_F(Mailing, LogFilesThatCannotBeWritten)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    Recipients({ { "甲", "a@example.com" }, { "乙", "" } });

    // No list.log: nothing is sent, and the run is not reported as done.
    fs::MakeDirs(folder + "/list.log/inside");
    auto mail = Client(Plain(server.Port()));
    EXPECT_EQ(Run(*mail), MailingRun::Outcome::kBrokenOff);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(U(warnings.back()), "ログファイル作成に失敗しました。");
    EXPECT_EQ(host.calls, (std::vector<std::string> { "cancelled" }));
    EXPECT_TRUE(server.Messages().empty());
    EXPECT_FALSE(mail->IsConnected());
    fs::RemoveTree(folder + "/list.log");

    // No mail.tmp: mail.log stays as it was, and the failure is still reported.
    host.calls.clear();
    fs::AtomicWriteFile(folder + "/mail.log", "older\r\n");
    fs::MakeDirs(folder + "/mail.tmp/inside");
    rec.SetPos(0);
    mail = Client(Plain(server.Port()));
    EXPECT_EQ(Run(*mail), MailingRun::Outcome::kSomeFailed);
    EXPECT_EQ(host.calls.back(), "failed");
    EXPECT_EQ(MailLog(), "older\r\n");
    EXPECT_EQ(server.Messages().size(), 1u);
}

TEST_F(Mailing, EarlyExits)
{
    Recipients({ { "甲", "a@example.com" } });
    SmtpClient mail;
    MailingRun noRecords(nullptr, &mail, nullptr, folder, host);
    noRecords.Execute();
    ASSERT_EQ(noRecords.Warnings().size(), 1u);
    EXPECT_EQ(U(noRecords.Warnings().back()), "レコードがありません。");
    MailingRun noClient(nullptr, nullptr, &rec, folder, host);
    noClient.Execute();
    ASSERT_EQ(noClient.Warnings().size(), 1u);
    EXPECT_EQ(U(noClient.Warnings().back()), "メールの設定がされていません。");
    // The worker shows nothing itself: its host does, once the run is over.
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(host.calls.empty());
    EXPECT_FALSE(fs::Exists(folder));
}

TEST_F(Mailing, DryRunSendsNothingAndWritesNoLogs)
{
    Recipients({ { "甲", "a@example.com" }, { "乙", "a@example.com" }, { "丙", "" }, { "丁", "d@example.jp" } });
    TemplateList templates { { 0, S("%名前%さんへ") } };
    SmtpClient mail;
    mail.SetWidth(80);
    mail.SetBodyLine(0, "");
    EXPECT_EQ(mail.SetFrom("sender@example.com", ""), SmtpClient::SetResult::kOk);
    mail.SetSubject(S("お知らせ"));
    MailingRun worker(&templates, &mail, &rec, folder, host);
    std::vector<std::string> out;
    worker.DryRun([&](const std::string& m) { out.push_back(m); });
    EXPECT_EQ(worker.GetOutcome(), MailingRun::Outcome::kSomeFailed);
    EXPECT_EQ(worker.Sent(), 2);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].rfind("MAIL FROM: <sender@example.com>\r\nRCPT TO: <d@example.jp>\r\nDATA\r\n", 0), 0u);
    EXPECT_EQ(out[1].substr(out[1].size() - 5), "\r\n.\r\n");
    const std::size_t data = out[1].find("X-Mailer");
    auto decoded = nrt::test::DecodeWithPython(out[1].substr(data, out[1].size() - 3 - data));
    EXPECT_EQ(WithoutCr(decoded["body"]), "丁さんへ\n");
    EXPECT_FALSE(fs::Exists(folder));
}

TEST_F(Mailing, AFieldValueWithLineBreaksStaysOneBodyLine)
{
    // A value brought in by a CSV import may hold line breaks; a lone "." among them
    // must not end the message data early.
    Recipients({ { "甲", "a@example.com", "", "1", "0", "一行目\r\n.\r\nRCPT TO: <x@example.com>" } });
    TemplateList templates { { 0, S("備考: %備考１%") } };
    SmtpClient mail;
    mail.SetWidth(255);
    mail.SetBodyLine(0, "");
    EXPECT_EQ(mail.SetFrom("sender@example.com", ""), SmtpClient::SetResult::kOk);
    MailingRun worker(&templates, &mail, &rec, folder, host);
    std::string message;
    worker.DryRun([&](const std::string& m) { message = m; });
    ASSERT_FALSE(message.empty());
    const std::string body = message.substr(message.find("\r\n\r\n") + 4);
    EXPECT_EQ(U(nrt::test::IsoJpToSjis(body)), "備考: 一行目  .  RCPT TO: <x@example.com>\r\n.\r\n");
}

TEST_F(Mailing, NamesWithLineBreaksAndTabsStayOneLogLineAndOneOutcomeLine)
{
    Recipients({ { "山田\r\n太郎", "a@example.com" }, { "鈴木\t花子\n", "b@example.com" } });
    int seen = 0;
    ScriptedServer peer([&](ScriptPeer& p, int) { nrt::test::WillingSession(p, &seen); });
    auto mail = Client(Plain(peer.Port()));
    MailingRun worker(nullptr, mail.get(), &rec, folder, host);
    worker.SetOutcomeFile(folder + "/outcome.sts");
    worker.Execute();
    peer.Join();
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(U(ListLog()),
        U(FirstLine())
            + "山田\\r\\n太郎\ta@example.com\r\n鈴木\\t花子\\n\tb@example.com\r\n"
              "2通を送信しました。 送信 2通／送信不可 0通／未送信 0通\r\n\r\n");
    MailOutcome kept;
    ASSERT_TRUE(kept.Load(folder + "/outcome.sts"));
    EXPECT_TRUE(kept.reachedEnd);
    ASSERT_EQ(kept.recipients.size(), 2u);
    EXPECT_EQ(U(kept.recipients[0].name), "山田  太郎");
    EXPECT_EQ(kept.recipients[1].address, "b@example.com");
    EXPECT_EQ(kept.Count(RecipientOutcome::State::kSent), 2);
    EXPECT_TRUE(kept.Pending().empty());
}

TEST_F(Mailing, ALogThatCannotBeWrittenIsToldWithTheRunAndTheMailGoesOut)
{
    Recipients({ { "甲", "a@example.com" } });
    const struct {
        const char* blocked; // a folder where the log should be: no write can replace it
        const char* named; // the file the failure names; empty: nothing to tell
    } cases[] = {
        { "", "" },
        { "mail.log", "mail.log" },
        { "list202501.log", "list202501.log" },
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(fs::RemoveTree(folder) || !fs::Exists(folder));
        ASSERT_TRUE(fs::MakeDirs(folder));
        if (*c.blocked) {
            ASSERT_TRUE(fs::MakeDirs(folder + "/" + c.blocked));
        }
        rec.SetPos(0);
        int seen = 0;
        ScriptedServer peer([&](ScriptPeer& p, int) { nrt::test::WillingSession(p, &seen); });
        auto mail = Client(Plain(peer.Port()));
        MailingRun worker(nullptr, mail.get(), &rec, folder, host);
        worker.Execute();
        peer.Join();
        EXPECT_EQ(seen, 1) << c.blocked;
        EXPECT_EQ(worker.GetOutcome(), MailingRun::Outcome::kRanThrough) << c.blocked;
        const std::string told = U(worker.LogFailure());
        if (!*c.named) {
            EXPECT_EQ(told, "") << c.blocked;
            continue;
        }
        EXPECT_EQ(told.rfind("送信ログの保存に失敗しました。\n", 0), 0u) << told;
        EXPECT_NE(told.find(U(folder) + "/" + c.named + "\n"), std::string::npos) << told;
        EXPECT_GT(told.size(), told.find(c.named) + std::strlen(c.named) + 1) << "the system's reason: " << told;
    }
}
