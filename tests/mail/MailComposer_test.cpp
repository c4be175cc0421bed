// The checks of the mail menu and the composer: server, sender, recipients, body.

#include "mail/MailComposer.h"

#include "MailingTestSupport.h"
#include "platform/MessageHost.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::mailcompose;
using nrt::platform::MsgIcon;
using nrt::platform::MsgResult;
using nrt::platform::RecordingMessageHost;
using nrt::platform::ScopedMessageHost;
using nrt::test::Person;
using nrt::test::S;
using nrt::test::U;

namespace {

class ComposerChecks : public ::testing::Test {
protected:
    void SetUp() override
    {
        g.ReadSettings(true);
        g.SetMailHost("smtp.example.com");
        db.CreateDefaultTable();
    }

    std::vector<std::string> Lines(const std::vector<std::string>& utf8)
    {
        std::vector<std::string> out;
        for (const auto& l : utf8)
            out.push_back(S(l));
        return out;
    }

    std::vector<std::string> RecipientNames(RecordSet& rec)
    {
        std::vector<std::string> names;
        for (int row = 0; row < rec.GetRowCount(); ++row)
            names.push_back(U(db.Value(field::kName, rec.GetRowRecord(row))));
        return names;
    }

    nrt::test::TempDir dir;
    AppSettings g { StartupFolders { dir.Path(), dir.Path(), dir.Path() } };
    AddressTable db;
    RecordingMessageHost messages;
    ScopedMessageHost scoped { messages };
};

const std::string kAddressees = S("印字区分='1' and 宛名区分='0' ");
const std::string kSenders = S("印字区分='1' and 宛名区分='1' ");

} // namespace

TEST_F(ComposerChecks, BodyLinesAndTheirReferences)
{
    const struct {
        std::vector<std::string> body;
        int wrap;
        std::vector<MsgResult> answers;
        bool ok;
        const char* box;
        std::vector<int> templates;
    } cases[] = {
        { { std::string(512, 'a') }, 255, { MsgResult::Yes }, true,
            "指定文字数で折返しが発生します。\n送信してよろしいですか？", {} },
        { { "ok", std::string(513, 'a') }, 255, {}, false, "桁数が長すぎます。", {} },
        { { std::string(256, 'a') + "あ" + std::string(255, 'b') }, 255, {}, false, "桁数が長すぎます。",
            {} }, // 512 characters, 513 bytes
        { { std::string(80, 'a') }, 80, {}, true, nullptr, {} },
        { { std::string(81, 'a') }, 80, { MsgResult::No }, false,
            "指定文字数で折返しが発生します。\n送信してよろしいですか？", {} },
        { { std::string(81, 'a') }, 80, { MsgResult::Yes }, true,
            "指定文字数で折返しが発生します。\n送信してよろしいですか？", {} },
        { { "%名前% 様", "本文", "100%%", "50% off", "%メール%と%備考２%" }, 80, {}, true, nullptr, { 0, 2, 4 } },
        { { "%名前%", "%住所３%" }, 80, {}, false, "フィールド(住所３）は存在しません。", {} },
        // A field name is the table's exactly, not a similar one.
        { { "% 名前%" }, 80, {}, false, "フィールド( 名前）は存在しません。", {} },
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        messages.answers.clear();
        for (MsgResult r : c.answers)
            messages.Answer(r);
        TemplateList templates { { 9, "stale" } };
        const auto lines = Lines(c.body);
        const Checked checked = CheckBody(lines, c.wrap, db, platform::Ask, templates);
        EXPECT_EQ(checked.go, c.ok) << c.body[0].substr(0, 20);
        // A question goes through the caller; a refusal comes back as its warning.
        const std::string said = messages.shown.empty() ? checked.notice.text : messages.LastText();
        EXPECT_EQ(messages.shown.size() + (checked.notice.text.empty() ? 0 : 1), c.box ? 1u : 0u)
            << c.body[0].substr(0, 20);
        EXPECT_EQ(U(said), c.box ? c.box : "");
        std::vector<int> indexes;
        for (const auto& t : templates) {
            indexes.push_back(t.index);
            EXPECT_EQ(t.text, lines[static_cast<std::size_t>(t.index)]);
        }
        EXPECT_EQ(indexes, c.templates);
    }
}

TEST_F(ComposerChecks, RecipientsOfThePrintConditionInAddressOrder)
{
    nrt::test::FillTable(db,
        { { "差出人", "me@example.com", "", "1", "1" }, { "丙", "c@example.com", "ｳ" }, { "甲", "a@example.com", "ｲ" },
            { "乙", "a@example.com", "ｱ" }, { "印なし", "b@example.com", "", "0" }, { "空", "", "ｴ" } });
    MailSender sender;
    RecordSet recipients;
    ASSERT_TRUE(StartMailing(g, db, kAddressees, false, platform::Ask, sender, recipients).go);
    EXPECT_EQ(U(sender.name), "差出人");
    EXPECT_EQ(sender.address, "me@example.com");
    EXPECT_EQ(RecipientNames(recipients), (std::vector<std::string> { "空", "乙", "甲", "丙" }));
    EXPECT_EQ(recipients.GetPos(), 0);
    EXPECT_TRUE(messages.shown.empty());

    // On the senders' tab the senders themselves, after the question.
    messages.Answer(MsgResult::Yes);
    ASSERT_TRUE(StartMailing(g, db, kSenders, true, platform::Ask, sender, recipients).go);
    EXPECT_EQ(U(messages.LastText()), "差出人を宛名としてメールします。よろしいですか？");
    EXPECT_EQ(messages.shown.back().defaultButton, MsgResult::Yes);
    EXPECT_EQ(RecipientNames(recipients), (std::vector<std::string> { "差出人" }));
    messages.Answer(MsgResult::No);
    const Checked declined = StartMailing(g, db, kSenders, true, platform::Ask, sender, recipients);
    EXPECT_FALSE(declined.go);
    EXPECT_EQ(declined.notice.text, "");
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(ComposerChecks, MailingsThatCannotStart)
{
    const struct {
        std::vector<Person> people;
        const char* host;
        const char* box;
    } cases[] = {
        { { { "差出人", "me@example.com", "", "1", "1" }, { "甲", "a@example.com" } }, "",
            "送信(SMTP)サーバーが設定されていません。\n「メール」→「メール送信設定」で設定できます。" },
        { { { "差出人", "me@example.com", "", "0", "1" }, { "甲", "a@example.com" } }, "smtp",
            "差出人を設定して下さい。" },
        { { { "差出人", "me.example.com", "", "1", "1" }, { "甲", "a@example.com" } }, "smtp",
            "差出人のメールアドレスを入力して下さい。" },
        { { { "差出人", "me@example.com", "", "1", "1" }, { "甲", "a@example.com", "", "0" } }, "smtp",
            "送信するメールがありません。" },
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        nrt::test::FillTable(db, c.people);
        g.SetMailHost(c.host);
        MailSender sender;
        RecordSet recipients;
        const Checked checked = StartMailing(g, db, kAddressees, false, platform::Ask, sender, recipients);
        EXPECT_FALSE(checked.go) << c.box;
        EXPECT_EQ(U(checked.notice.text), c.box);
        EXPECT_EQ(checked.notice.caption, S("注意"));
        EXPECT_EQ(checked.notice.icon, MsgIcon::Warning);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(ComposerChecks, SendingNeedsRecordsAndAServer)
{
    nrt::test::FillTable(db, { { "甲", "a@example.com", "", "0" } });
    RecordSet none;
    none.Attach(&db);
    ASSERT_EQ(none.Select(S("印字区分='1'")), SelectResult::kNothingSelected);
    const struct {
        const RecordSet* records;
        const char* host;
        const char* box;
    } cases[] = {
        { nullptr, "smtp", "レコードがありません。" },
        { &none, "", "送信(SMTP)サーバーが設定されていません。\n「メール」→「メール送信設定」で設定できます。" },
        { &none, "smtp", "データがありません。" },
    };
    for (const auto& c : cases) {
        g.SetMailHost(c.host);
        const Checked checked = CheckSendable(g, c.records);
        EXPECT_FALSE(checked.go);
        EXPECT_EQ(U(checked.notice.text), c.box);
    }
}

TEST_F(ComposerChecks, OutcomeMessages)
{
    const struct {
        MailingRun::Outcome outcome;
        const char* text;
        MsgIcon icon;
    } cases[] = {
        { MailingRun::Outcome::kRanThrough, "送信を完了しました。", MsgIcon::Information },
        { MailingRun::Outcome::kSomeFailed,
            "送信を完了しましたが、送信できなかったメールが存在します。\n送信ログを確認して下さい。",
            MsgIcon::Warning },
        { MailingRun::Outcome::kBrokenOff, "処理を中断しました。", MsgIcon::Information },
    };
    for (const auto& c : cases) {
        const Notice notice = OutcomeNotice(c.outcome);
        EXPECT_EQ(U(notice.text), c.text);
        EXPECT_EQ(U(notice.caption), "メール送信");
        EXPECT_EQ(notice.icon, c.icon);
    }
}

TEST_F(ComposerChecks, ServerSettingsComeFromTheUserSettings)
{
    g.SetMailPort(587);
    g.SetMailTimeout(30);
    g.SetMailAuth(3);
    g.SetMailUser("user");
    g.SetMailPassword("pass");
    g.SetMailSsl(1);
    const SmtpSettings s = ServerSettings(g);
    EXPECT_EQ(s.host, "smtp.example.com");
    EXPECT_EQ(s.port, 587);
    EXPECT_EQ(s.timeout, 30);
    EXPECT_EQ(s.auth, SmtpAuth::kPlainAuth);
    EXPECT_EQ(s.user, "user");
    EXPECT_EQ(s.password, "pass");
    EXPECT_EQ(s.ssl, SmtpSecurity::kStartTls);
    EXPECT_EQ(U(FieldReference(0)), "%名前%");
    EXPECT_EQ(U(FieldReference(17)), "%備考２%");
    EXPECT_EQ(FieldReference(18), "");
}
