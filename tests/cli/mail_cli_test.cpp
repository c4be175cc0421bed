// nortea-cli mail end to end: the program run on a temporary data folder against the
// npm SMTP server on 127.0.0.1.
#include "db/AddressTable.h"
#include "mail/MailTestSupport.h"
#include "mail/MailingTestSupport.h"
#include "mail/SmtpClient.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

using namespace nrt;
using nrt::test::NodeSmtpServer;
using nrt::test::Person;
using nrt::test::S;
using nrt::test::U;

namespace {

namespace fs = platform::fs;

using Result = nrt::test::CliResult;

std::string WithoutCr(std::string s)
{
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

class MailCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(nrt::test::SharedCertificates().ok);
        folders.dataFolder = dir.Path();
        AppSettings g(folders);
        g.ReadSettings(true);
        userFolder = g.BookFile({});
        fs::MakeDirs(userFolder);
    }

    // The book: a marked sender and the people given.
    void WriteBook(std::vector<Person> people)
    {
        people.insert(people.begin(), { "幹事", "kanji@example.com", "", "1", "1" });
        AddressTable db;
        nrt::test::FillTable(db, people);
        ASSERT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);
    }

    void WriteSettings(int port, int ssl = 0, int auth = 0)
    {
        AppSettings g(folders);
        g.ReadSettings(true);
        g.SetMailHost("127.0.0.1");
        g.SetMailPort(port);
        g.SetMailTimeout(5);
        g.SetMailSsl(ssl);
        g.SetMailAuth(auth);
        g.SetMailUser(NodeSmtpServer::kUser);
        g.SetMailPassword(NodeSmtpServer::kPassword);
        ASSERT_TRUE(g.WriteSettings().Ok());
    }

    std::string Template(const char* name, const char* utf8) const
    {
        const std::string path = dir.File(name);
        nrt::test::WriteAll(path, S(utf8));
        return U(path);
    }

    Result Run(const std::vector<std::string>& args) { return cli.Run(args); }

    std::string MailFile(const char* name) const
    {
        std::string bytes;
        fs::ReadFile(userFolder + "/Mail/" + name, bytes);
        return U(bytes);
    }

    nrt::test::TempDir dir;
    nrt::test::CliRunner cli { dir.Path(), dir.Path() };
    StartupFolders folders;
    std::string userFolder;
};

constexpr const char* kTemplate = "ML\t1\t新年会のお知らせ\t0\t\r\n%名前% 様\r\n\r\n新年会のご案内です。\r\n";

} // namespace

TEST_F(MailCli, AMailingThroughTheServer)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    ASSERT_GT(server.Port(), 0);
    WriteSettings(server.Port());
    WriteBook({ { "山田 太郎", "taro@example.com" }, { "鈴木 花子", "hanako@example.jp" },
        { "印なし", "off@example.com", "", "0" } });
    const Result r = Run({ "mail", "--template", Template("a.mal", kTemplate) });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("確認: 送信します。よろしいですか？ → はい"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2 / 2\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("メール送信: 送信を完了しました。"), std::string::npos) << r.err;

    const auto stored = server.Messages();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].from, "kanji@example.com");
    EXPECT_EQ(stored[0].to, std::vector<std::string> { "hanako@example.jp" });
    auto decoded = nrt::test::DecodeWithPython(stored[0].raw);
    EXPECT_EQ(decoded["subject"], "新年会のお知らせ");
    EXPECT_EQ(decoded["from"], "幹事 <kanji@example.com>");
    EXPECT_EQ(WithoutCr(decoded["body"]), "鈴木 花子 様\n\n新年会のご案内です。\n");

    EXPECT_NE(r.err.find("メール送信: 送信を完了しました。\n2通を送信しました。 送信 2通／送信不可 0通／未送信 0通"),
        std::string::npos)
        << r.err;
    EXPECT_NE(
        MailFile("list.log").find("2通を送信しました。 送信 2通／送信不可 0通／未送信 0通\r\n"), std::string::npos);
    EXPECT_NE(
        MailFile("mail.log").find("\t新年会のお知らせ\t\t\t2通を送信しました。 送信 2通／送信不可 0通／未送信 0通\r\n"),
        std::string::npos);
    EXPECT_EQ(MailFile("PrevMail.mlt"), kTemplate);
}

TEST_F(MailCli, SomeRecipientsFailedExitsOne)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    WriteSettings(server.Port());
    WriteBook({ { "甲", "a@example.com" }, { "乙", "not-an-address" } });
    // A body alone takes its subject from the command line.
    const Result r = Run({ "mail", "--template", Template("body.txt", "%名前%さんへ\r\n"), "--subject", "ご連絡" });
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("送信できなかったメールが存在します。"), std::string::npos) << r.err;
    EXPECT_EQ(server.Messages().size(), 1u);
    EXPECT_NE(MailFile("list.log").find("乙\tnot-an-address\t宛先アドレスが不正です。(-156)\r\n"), std::string::npos);
}

TEST_F(MailCli, DryRunWritesTheMessagesAndSendsNothing)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    WriteSettings(server.Port());
    WriteBook({ { "山田 太郎", "taro@example.com" }, { "鈴木 花子", "hanako@example.jp" } });
    const Result r = Run({ "mail", "--template", Template("a.mal", kTemplate), "--dry-run" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(server.Messages().empty());
    EXPECT_FALSE(fs::Exists(userFolder + "/Mail/list.log"));

    // Two SMTP transactions, each as it would go to the server.
    std::vector<std::string> messages;
    for (std::size_t at = 0; (at = r.out.find("MAIL FROM: <kanji@example.com>\r\n", at)) != std::string::npos;) {
        const std::size_t end = r.out.find("\r\n.\r\n", at);
        ASSERT_NE(end, std::string::npos);
        messages.push_back(r.out.substr(at, end + 2 - at));
        at = end;
    }
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].find("RCPT TO: <taro@example.com>\r\nDATA\r\n"), std::string::npos);
    const std::string data = messages[1].substr(messages[1].find("DATA\r\n") + 6);
    auto decoded = nrt::test::DecodeWithPython(data);
    EXPECT_EQ(decoded["to"], "山田 太郎 <taro@example.com>");
    EXPECT_EQ(WithoutCr(decoded["body"]), "山田 太郎 様\n\n新年会のご案内です。\n");
}

TEST_F(MailCli, StartTlsWithPlainAuthentication)
{
    const auto& certs = nrt::test::SharedCertificates();
    NodeSmtpServer::Options o;
    o.tls = "starttls";
    o.key = certs.serverKey;
    o.cert = certs.serverCert;
    NodeSmtpServer server(dir.Path() + "/spool", o);
    WriteSettings(server.Port(), SmtpClient::kStartTls, SmtpClient::kPlainAuth);
    WriteBook({ { "甲", "a@example.com" } });
    // The test CA stands in for the system's trust store.
    nrt::test::ScopedEnvVar trust("SSL_CERT_FILE", certs.caCert);
    const Result r = Run({ "mail", "--template", Template("a.mal", kTemplate) });
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(server.Messages().size(), 1u);
    EXPECT_EQ(server.Messages()[0].secure, "1");
    EXPECT_EQ(server.Messages()[0].user, NodeSmtpServer::kUser);
}

TEST_F(MailCli, ACertificateThatDoesNotPassSendsNothing)
{
    const auto& certs = nrt::test::SharedCertificates();
    NodeSmtpServer::Options o;
    o.tls = "implicit";
    o.key = certs.serverKey;
    o.cert = certs.strangerCert;
    NodeSmtpServer server(dir.Path() + "/spool", o);
    WriteSettings(server.Port(), SmtpClient::kImplicitTls, SmtpClient::kLogin);
    WriteBook({ { "甲", "a@example.com" } });
    nrt::test::ScopedEnvVar trust("SSL_CERT_FILE", certs.caCert);
    const Result r = Run({ "mail", "--template", Template("a.mal", kTemplate) });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("注意: サーバー証明書を確認できませんでした。"), std::string::npos) << r.err;
    EXPECT_TRUE(server.Messages().empty());
    EXPECT_FALSE(fs::Exists(userFolder + "/Mail/list.log"));
    EXPECT_FALSE(fs::Exists(userFolder + "/Mail/PrevMail.mlt"));
    // The attempt is in the list of runs, with the reason on the same line.
    const std::string runs = MailFile("mail.log");
    EXPECT_NE(runs.find("\t新年会のお知らせ\t\t\t送信(SMTP)"
                        "サーバーに接続できませんでした。サーバー証明書を確認できませんでした。 "),
        std::string::npos)
        << runs;
    EXPECT_EQ(std::count(runs.begin(), runs.end(), '\n'), 1) << runs;
}

TEST_F(MailCli, ARefusedRecipientDoesNotStopTheRunAndRestsFollowTheSettings)
{
    NodeSmtpServer::Options o;
    o.refuse = { "c@example.com" };
    NodeSmtpServer server(dir.Path() + "/spool", o);
    WriteSettings(server.Port());
    {
        AppSettings g(folders);
        g.ReadSettings(true);
        g.SetMailRestEvery(2);
        g.SetMailRestSeconds(1);
        ASSERT_TRUE(g.WriteSettings().Ok());
    }
    WriteBook({ { "甲", "a@example.com" }, { "乙", "b@example.com" }, { "丙", "c@example.com" },
        { "丁", "d@example.com" }, { "戊", "e@example.com" } });
    const Result r = Run({ "mail", "--template", Template("a.mal", kTemplate) });
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("送信に失敗しました。5通中 4通を送信しました。1通は送信できませんでした。 送信 4通／送信不可 "
                         "1通／未送信 0通\n丙 <c@example.com>: 550 Mailbox unavailable\n"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(server.Messages().size(), 4u);
    std::size_t rests = 0;
    for (std::size_t at = 0; (at = r.err.find("休憩中・・・", at)) != std::string::npos; ++at)
        ++rests;
    EXPECT_EQ(rests, 2u) << r.err; // after the second and the fourth
    EXPECT_NE(MailFile("list.log").find("丙\tc@example.com\t（送信不可）(-102)550 Mailbox unavailable\r\n"),
        std::string::npos)
        << MailFile("list.log");
}

TEST_F(MailCli, DryRunNamesTheAddresseesWhoseMailGoesOutInUtf8)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    WriteSettings(server.Port());
    WriteBook({ { "山田 太郎", "taro@example.com" }, { "髙橋 一郎", "ichiro@example.jp" } });
    const Result r = Run({ "mail", "--template", Template("a.mal", kTemplate), "--dry-run" });
    EXPECT_EQ(r.status, 0) << r.err;
    const std::size_t notice = r.err.find("メール送信: 次の宛先へのメールには JIS 以外の文字");
    ASSERT_NE(notice, std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n髙橋 一郎 <ichiro@example.jp>", notice), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("山田 太郎 <"), std::string::npos) << r.err;

    const std::size_t at = r.out.find("RCPT TO: <ichiro@example.jp>\r\nDATA\r\n");
    ASSERT_NE(at, std::string::npos);
    const std::string data = r.out.substr(r.out.find("DATA\r\n", at) + 6);
    auto decoded = nrt::test::DecodeWithPython(data.substr(0, data.find("\r\n.\r\n") + 2));
    EXPECT_EQ(decoded["charset"], "utf-8");
    EXPECT_EQ(decoded["to.name"], "髙橋 一郎");
    EXPECT_EQ(WithoutCr(decoded["body"]), "髙橋 一郎 様\n\n新年会のご案内です。\n");
}

TEST_F(MailCli, RefusalsAndUsage)
{
    WriteBook({ { "甲", "a@example.com" } });
    const std::string good = Template("a.mal", kTemplate);
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case beforeSettings[] = {
        { { "mail" }, 2, "usage: nortea-cli mail --template FILE [--dry-run]" },
        { { "mail", "--template", good, "extra" }, 2, "usage:" },
        { { "mail", "--template", U(dir.File("missing.mal")) }, 1, "注意: ファイルオープンに失敗しました。" },
        { { "mail", "--template", Template("bad.mal", "no header\r\n") }, 1, "注意: ファイルの種類が不正です。" },
        { { "mail", "--template", good }, 1,
            "注意: 送信(SMTP)サーバーが設定されていません。\n「メール」→「メール送信設定」で設定できます。" },
    };
    for (const auto& c : beforeSettings) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    WriteSettings(nrt::test::UnusedPort());
    const Case afterSettings[] = {
        { { "mail", "--template", Template("field.mal", "ML\t1\ts\t0\t\r\n%住所３%\r\n") }, 1,
            "注意: フィールド(住所３）は存在しません。" },
        { { "mail", "--template", good }, 1, "注意: サーバーソケットに接続失敗。" },
    };
    for (const auto& c : afterSettings) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

namespace {

// The recipients of the stored messages, in the order they arrived.
std::vector<std::string> Delivered(const NodeSmtpServer& server)
{
    std::vector<std::string> to;
    for (const auto& m : server.Messages())
        to.push_back(m.to.at(0));
    return to;
}

const std::vector<Person> kFive = { { "甲", "a@example.com" }, { "乙", "b@example.com" }, { "丙", "c@example.com" },
    { "丁", "d@example.com" }, { "戊", "e@example.com" } };

} // namespace

TEST_F(MailCli, ACutRunAndItsResendBringEveryRecipientExactlyOneCopy)
{
    NodeSmtpServer::Options o;
    o.dropAfter = 2; // the server goes away when the third message is asked for
    NodeSmtpServer server(dir.Path() + "/spool", o);
    WriteSettings(server.Port());
    WriteBook(kFive);
    const std::string mal = Template("a.mal", kTemplate);

    const Result cut = Run({ "mail", "--template", mal });
    EXPECT_EQ(cut.status, 1) << cut.err;
    EXPECT_NE(cut.err.find("メール送信: 処理を中断しました。\n2通送信して処理を中断しました。 "
                           "送信 2通／送信不可 0通／未送信 3通"),
        std::string::npos)
        << cut.err;
    EXPECT_EQ(cut.err.find("完了"), std::string::npos) << cut.err;
    EXPECT_NE(cut.err.find("--resend-failed"), std::string::npos) << cut.err;
    EXPECT_EQ(Delivered(server), (std::vector<std::string> { "a@example.com", "b@example.com" }));
    EXPECT_NE(MailFile("mail.log").find("2通送信して処理を中断しました。 送信 2通／送信不可 0通／未送信 3通\r\n"),
        std::string::npos)
        << MailFile("mail.log");

    // Nothing to resend is said so, and the server is not asked.
    server.Up();
    const Result resent = Run({ "mail", "--template", mal, "--resend-failed" });
    EXPECT_EQ(resent.status, 0) << resent.err;
    EXPECT_NE(
        resent.err.find("メール送信: 送信を完了しました。\n3通を送信しました。 送信 3通／送信不可 0通／未送信 0通"),
        std::string::npos)
        << resent.err;
    EXPECT_NE(resent.err.find("3 / 3\n"), std::string::npos) << resent.err;
    std::vector<std::string> to = Delivered(server);
    std::sort(to.begin(), to.end());
    EXPECT_EQ(to,
        (std::vector<std::string> {
            "a@example.com", "b@example.com", "c@example.com", "d@example.com", "e@example.com" }));
    EXPECT_NE(MailFile("list.log").find("（未送信のみ再送）"), std::string::npos);

    const Result again = Run({ "mail", "--template", mal, "--resend-failed" });
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("メール送信: 未送信のメールはありません。"), std::string::npos) << again.err;
    EXPECT_EQ(server.Messages().size(), 5u);

    // Another text has no run of its own to finish.
    const Result other
        = Run({ "mail", "--template", Template("b.mal", "ML\t1\t別の件名\t0\t\r\n本文\r\n"), "--resend-failed" });
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("注意: このメールを送信した記録がありません。"), std::string::npos) << other.err;
}

TEST_F(MailCli, AMessageThatMayHaveArrivedIsResentWithItsMessageId)
{
    NodeSmtpServer::Options o;
    o.dropAfter = 1;
    o.dropUnconfirmed = true; // the first message is stored, its 250 never sent
    NodeSmtpServer server(dir.Path() + "/spool", o);
    WriteSettings(server.Port());
    WriteBook({ { "甲", "a@example.com" }, { "乙", "b@example.com" } });
    const std::string mal = Template("a.mal", kTemplate);
    const Result cut = Run({ "mail", "--template", mal });
    EXPECT_EQ(cut.status, 1) << cut.err;
    EXPECT_NE(cut.err.find("0通送信して処理を中断しました。 送信 0通／送信不可 0通／未送信 2通"), std::string::npos)
        << cut.err;
    server.Up();
    const Result resent = Run({ "mail", "--template", mal, "--resend-failed" });
    EXPECT_EQ(resent.status, 0) << resent.err;
    const auto stored = server.Messages();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(Delivered(server), (std::vector<std::string> { "a@example.com", "a@example.com", "b@example.com" }));
    // The recipient's system can tell the second copy for the same message.
    const std::string first = nrt::test::DecodeWithPython(stored[0].raw)["message-id"];
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(nrt::test::DecodeWithPython(stored[1].raw)["message-id"], first);
    EXPECT_NE(nrt::test::DecodeWithPython(stored[2].raw)["message-id"], first);
}

TEST_F(MailCli, GreylistedRecipientsAreTriedAgainAfterGrowingWaits)
{
    NodeSmtpServer::Options o;
    o.greylistSeconds = 2;
    NodeSmtpServer server(dir.Path() + "/spool", o);
    WriteSettings(server.Port());
    WriteBook({ { "甲", "a@example.com" }, { "乙", "b@example.com" } });
    const std::string mal = Template("a.mal", kTemplate);

    // Without waiting: both left as not tried, and sent by the resend once the
    // greylisting time has passed.
    const Result left = Run({ "mail", "--template", mal, "--no-wait" });
    EXPECT_EQ(left.status, 1) << left.err;
    EXPECT_NE(left.err.find("送信 0通／送信不可 0通／未送信 2通"), std::string::npos) << left.err;
    EXPECT_NE(MailFile("list.log").find("甲\ta@example.com\t（一時的な拒否・未送信）(-102)450 4.7.1 Greylisted"),
        std::string::npos)
        << MailFile("list.log");
    EXPECT_TRUE(server.Messages().empty());

    // Waiting: the first wait (1 s) is too short for the server, the second is not.
    {
        AppSettings g(folders);
        g.ReadSettings(true);
        g.SetMailRetryWaits("1,2");
        ASSERT_TRUE(g.WriteSettings().Ok());
    }
    WriteBook({ { "丙", "c@example.com" }, { "丁", "d@example.com" } });
    const auto started = std::chrono::steady_clock::now();
    const Result waited = Run({ "mail", "--template", mal });
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(waited.status, 0) << waited.err;
    EXPECT_NE(waited.err.find("一時的に拒否された宛先を再送するまで 残り 0:01"), std::string::npos) << waited.err;
    EXPECT_NE(waited.err.find("2通を送信しました。 送信 2通／送信不可 0通／未送信 0通"), std::string::npos)
        << waited.err;
    EXPECT_GE(took, std::chrono::seconds(3));
    EXPECT_EQ(Delivered(server), (std::vector<std::string> { "c@example.com", "d@example.com" }));
}

TEST_F(MailCli, LongSubjectsGoOutWholeAndEmptyOnesAreRefused)
{
    NodeSmtpServer server(dir.Path() + "/spool", {});
    WriteSettings(server.Port());
    WriteBook({ { "ﾔﾏﾀﾞ ﾊﾅｺ", "hanako@example.jp" } });
    // 150 bytes in CP932, with half-width kana and voicing marks to be composed.
    std::string subject = "【ご案内】ﾀﾞﾝｽﾊﾟｰﾃｨｰとｳﾞｧｲｵﾘﾝの夕べ!";
    std::string expected = "【ご案内】ダンスパーティーとヴァイオリンの夕べ!";
    while (platform::Utf8ToSjis(subject).size() < 150) {
        subject += "あ";
        expected += "あ";
    }
    ASSERT_EQ(platform::Utf8ToSjis(subject).size(), 150u);
    const Result r
        = Run({ "mail", "--template", Template("long.mal", ("ML\t1\t" + subject + "\t0\t\r\n%名前% 様\r\n").c_str()) });
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(server.Messages().size(), 1u);
    const std::string raw = server.Messages()[0].raw;
    auto decoded = nrt::test::DecodeWithPython(raw);
    EXPECT_EQ(decoded["subject"], expected);
    EXPECT_EQ(decoded["defects"], "");
    EXPECT_EQ(decoded["to.name"], "ヤマダ ハナコ");
    EXPECT_EQ(WithoutCr(decoded["body"]), "ヤマダ ハナコ 様\n");
    // Folded between encoded words, never after the colon, no line over 76.
    const std::string head = raw.substr(0, raw.find("\r\n\r\n") + 2);
    EXPECT_EQ(head.find("Subject:\r\n"), std::string::npos);
    EXPECT_EQ(head.find("Subject: \r\n"), std::string::npos);
    for (std::size_t at = 0, end; (end = head.find("\r\n", at)) != std::string::npos; at = end + 2)
        EXPECT_LE(end - at, 76u) << head.substr(at, end - at);
    EXPECT_NE(MailFile("mail.log").find("\t" + subject + "\t\t\t1通を送信しました。"), std::string::npos);

    const Result empty = Run({ "mail", "--template", Template("empty.mal", "ML\t1\t\t0\t\r\n本文\r\n") });
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("注意: 件名を入力して下さい。"), std::string::npos) << empty.err;
    EXPECT_EQ(server.Messages().size(), 1u);
}
