// The options dialog: what it shows from the settings, what Ok stores, its refusals,
// the dependent controls and the encryption choice.
#include "BookFixture.h"
#include "GuiTestSupport.h"

#include "forms/OptionsDialog.h"
#include "mail/MailingRun.h"
#include "qt/QtText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace nrt;
using namespace nrt::gui;
using namespace nrt::test;

namespace {

class OptionTest : public BookFixture {
protected:
    void SetUp() override
    {
        BookFixture::SetUp();
        Open();
    }
    AppSettings& G() { return main->Settings(); }
    std::unique_ptr<OptionsDialog> Dialog()
    {
        auto d = std::make_unique<OptionsDialog>(G(), main.get());
        d->show();
        return d;
    }
};

} // namespace

TEST_F(OptionTest, OpeningShowsTheSettings)
{
    G().SetEraDates(false);
    G().SetFurigana(true);
    G().SetFull(true);
    G().SetMailHost("smtp.example.jp");
    G().SetMailPort(-1);
    G().SetMailUser("taro");
    G().SetMailPassword("secret");
    G().SetMailWrap(72);
    G().SetMailTimeout(30);
    G().SetFolderBackupOn(1);
    G().SetFolderBackupPath("/backup");
    G().SetMailSsl(1);
    struct Case {
        int smtp;
        bool ticked;
        const char* selected; // its objectName
    } cases[] = {
        { 0, false, "rdo_MailSMTPCram" },
        { 1, true, "rdo_MailSMTPLogin" },
        { 2, true, "rdo_MailSMTPCram" },
        { 3, true, "rdo_MailSMTPPlain" },
        { 9, true, "rdo_MailSMTPCram" },
    };
    for (const Case& c : cases) {
        G().SetMailAuth(c.smtp);
        auto d = Dialog();
        EXPECT_EQ(d->windowTitle(), QStringLiteral("オプション"));
        EXPECT_EQ(Control<QTabWidget>(d, "PageControl1")->tabText(0), QStringLiteral("一般"));
        EXPECT_EQ(Control<QTabWidget>(d, "PageControl1")->tabText(1), QStringLiteral("メール"));
        EXPECT_FALSE(Control<QCheckBox>(d, "chk_Wareki")->isChecked());
        EXPECT_TRUE(Control<QCheckBox>(d, "chk_Furigana")->isChecked());
        EXPECT_TRUE(Control<QCheckBox>(d, "chk_Full")->isChecked());
        EXPECT_EQ(Control<QLineEdit>(d, "txt_Host")->text(), QStringLiteral("smtp.example.jp"));
        EXPECT_EQ(Control<QLineEdit>(d, "txt_MailPortNo")->text(), QString()) << "-1: the mail service's port";
        EXPECT_EQ(Control<QLineEdit>(d, "txt_MailUser")->text(), QStringLiteral("taro"));
        EXPECT_EQ(Control<QLineEdit>(d, "txt_MailPassword")->text(), QStringLiteral("secret"));
        EXPECT_EQ(Control<QLineEdit>(d, "txt_MailPassword")->echoMode(), QLineEdit::Password);
        EXPECT_EQ(Control<QLineEdit>(d, "txt_MailTurn")->text(), QStringLiteral("72"));
        EXPECT_EQ(Control<QLineEdit>(d, "txt_MailTimeOut")->text(), QStringLiteral("30"));
        EXPECT_EQ(Control<QComboBox>(d, "cbo_MailSsl")->currentText(), QStringLiteral("STARTTLS"));
        EXPECT_TRUE(Control<QCheckBox>(d, "chk_HBackOn")->isChecked());
        EXPECT_EQ(Control<QLineEdit>(d, "txt_HBackPath")->text(), QStringLiteral("/backup"));
        EXPECT_EQ(Control<QCheckBox>(d, "chk_MailSMTP")->isChecked(), c.ticked) << c.smtp;
        EXPECT_TRUE(Control<QRadioButton>(d, c.selected)->isChecked()) << c.smtp;
        // The user name and password are usable only with authentication.
        EXPECT_EQ(Control<QLineEdit>(d, "txt_MailUser")->isEnabled(), c.ticked);
        EXPECT_EQ(Control<QLineEdit>(d, "txt_MailPassword")->isEnabled(), c.ticked);
        EXPECT_EQ(Control<QGroupBox>(d, "grp_MailSMTP")->isEnabled(), c.ticked);
        EXPECT_EQ(Control<QRadioButton>(d, "rdo_MailSMTPLogin")->isEnabled(), c.ticked);
    }
}

TEST_F(OptionTest, OkStoresWhatWasTyped)
{
    struct Case {
        const char* port;
        const char* wrap;
        const char* timeout;
        int storedPort, storedWrap, storedTimeout;
    } cases[] = {
        { "", "5", "abc", -1, 10, 60 },
        { "587", "300", "0", 587, 255, 0 },
        { "x", "abc", "", -1, 10, 60 },
        { "25", "72", "30", 25, 72, 30 },
    };
    for (const Case& c : cases) {
        auto d = Dialog();
        Control<QLineEdit>(d, "txt_MailPortNo")->setText(QString::fromUtf8(c.port));
        Control<QLineEdit>(d, "txt_MailTurn")->setText(QString::fromUtf8(c.wrap));
        Control<QLineEdit>(d, "txt_MailTimeOut")->setText(QString::fromUtf8(c.timeout));
        Control<QPushButton>(d, "cmd_Ok")->click();
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(G().GetMailPort(), c.storedPort) << c.port;
        EXPECT_EQ(G().GetMailWrap(), c.storedWrap) << c.wrap;
        EXPECT_EQ(G().GetMailTimeout(), c.storedTimeout) << c.timeout;
        EXPECT_EQ(Control<QLineEdit>(Dialog(), "txt_MailPortNo")->text(),
            QString::fromUtf8(c.storedPort == -1 ? "" : c.port));
    }

    auto d = Dialog();
    Control<QCheckBox>(d, "chk_Wareki")->setChecked(true);
    Control<QCheckBox>(d, "chk_Furigana")->setChecked(false);
    Control<QCheckBox>(d, "chk_Full")->setChecked(false);
    Control<QLineEdit>(d, "txt_Host")->setText(QStringLiteral("mail.example.jp"));
    Control<QCheckBox>(d, "chk_MailSMTP")->setChecked(true);
    Control<QRadioButton>(d, "rdo_MailSMTPPlain")->setChecked(true);
    Control<QLineEdit>(d, "txt_MailUser")->setText(QStringLiteral("hanako"));
    Control<QLineEdit>(d, "txt_MailPassword")->setText(QStringLiteral("pw"));
    Control<QComboBox>(d, "cbo_MailSsl")->setCurrentIndex(2);
    Control<QCheckBox>(d, "chk_HBackOn")->setChecked(true);
    Control<QLineEdit>(d, "txt_HBackPath")->setText(QStringLiteral("/mnt/バックアップ"));
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_TRUE(G().GetEraDates());
    EXPECT_FALSE(G().GetFurigana());
    EXPECT_FALSE(G().GetFull());
    EXPECT_EQ(G().GetMailHost(), "mail.example.jp");
    EXPECT_EQ(G().GetMailAuth(), 3);
    EXPECT_EQ(G().GetMailUser(), "hanako");
    EXPECT_EQ(G().GetMailPassword(), "pw");
    EXPECT_EQ(G().GetMailSsl(), 2);
    EXPECT_EQ(G().GetFolderBackupOn(), 1);
    EXPECT_EQ(U(G().GetFolderBackupPath()), "/mnt/バックアップ");

    // Unticking authentication erases the user name and the password.
    d = Dialog();
    Control<QCheckBox>(d, "chk_MailSMTP")->setChecked(false);
    EXPECT_FALSE(Control<QLineEdit>(d, "txt_MailUser")->isEnabled());
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_EQ(G().GetMailAuth(), 0);
    EXPECT_EQ(G().GetMailUser(), "");
    EXPECT_EQ(G().GetMailPassword(), "");

    // Cancel stores nothing.
    d = Dialog();
    Control<QCheckBox>(d, "chk_Wareki")->setChecked(false);
    Control<QLineEdit>(d, "txt_Host")->setText(QStringLiteral("other"));
    Control<QPushButton>(d, "cmd_Close")->click();
    EXPECT_TRUE(G().GetEraDates());
    EXPECT_EQ(G().GetMailHost(), "mail.example.jp");
}

TEST_F(OptionTest, RestsAndTheCertificateFileOfTheMailPage)
{
    auto d = Dialog();
    EXPECT_EQ(Control<QLineEdit>(d, "txt_MailRestCount")->text(), QStringLiteral("100"));
    EXPECT_EQ(Control<QLineEdit>(d, "txt_MailRestSec")->text(), QStringLiteral("60"));
    EXPECT_EQ(Control<QLineEdit>(d, "txt_MailCaFile")->text(), QString());

    // A file that is not there is refused on the mail page, and nothing is stored.
    Control<QLineEdit>(d, "txt_MailRestCount")->setText(QStringLiteral("0"));
    Control<QLineEdit>(d, "txt_MailCaFile")->setText(QStringLiteral("/nowhere/社内CA.pem"));
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_EQ(Texts(), std::vector<std::string> { "証明書ファイルが見つかりません。" });
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Control<QTabWidget>(d, "PageControl1")->currentIndex(), OptionsDialog::kPageMail);
    EXPECT_EQ(G().GetMailRestEvery(), 100);

    const std::string pem = G().BookFolder() + SJ("/社内CA.pem");
    ASSERT_TRUE(platform::fs::AtomicWriteFile(pem, "-----BEGIN CERTIFICATE-----\n"));
    Control<QLineEdit>(d, "txt_MailCaFile")->setText(ToQ(pem));
    Control<QLineEdit>(d, "txt_MailRestSec")->setText(QStringLiteral("x")); // not a number: kept as it was
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(G().GetMailRestEvery(), 0);
    EXPECT_EQ(G().GetMailRestSeconds(), 60);
    EXPECT_EQ(G().GetMailCaFile(), pem);
    EXPECT_EQ(Control<QLineEdit>(Dialog(), "txt_MailCaFile")->text(), ToQ(pem));
}

TEST_F(OptionTest, PasswordsInClearAndTheWaitsBeforeNewTries)
{
    auto d = Dialog();
    // Off unless asked for, and only with authentication.
    EXPECT_FALSE(Control<QCheckBox>(d, "chk_MailClearAuth")->isChecked());
    EXPECT_EQ(
        Control<QCheckBox>(d, "chk_MailClearAuth")->isEnabled(), Control<QCheckBox>(d, "chk_MailSMTP")->isChecked());
    Control<QCheckBox>(d, "chk_MailSMTP")->setChecked(true);
    EXPECT_TRUE(Control<QCheckBox>(d, "chk_MailClearAuth")->isEnabled());
    Control<QCheckBox>(d, "chk_MailClearAuth")->setChecked(true);
    EXPECT_EQ(Control<QLineEdit>(d, "txt_MailRetryWait")->text(), QString());
    Control<QLineEdit>(d, "txt_MailRetryWait")->setText(QStringLiteral("120, 600"));
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_TRUE(G().GetMailClearAuth());
    EXPECT_EQ(G().GetMailRetryWaits(), "120, 600");
    EXPECT_EQ(MailingRun::RetryWaitsFromText(G().GetMailRetryWaits()), (std::vector<int> { 120, 600 }));
    auto again = Dialog();
    EXPECT_TRUE(Control<QCheckBox>(again, "chk_MailClearAuth")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(again, "txt_MailRetryWait")->text(), QStringLiteral("120, 600"));
}

TEST_F(OptionTest, BackupFolderIsCheckedWhenTheBackupIsOn)
{
    struct Case {
        int length;
        const char* message; // nullptr: accepted
    } cases[] = { { 0, "保存先フォルダを入力してください。" }, { 81, "保存先フォルダの文字数が多すぎます。" },
        { 80, nullptr } };
    for (const Case& c : cases) {
        host.shown.clear();
        auto d = Dialog();
        Control<QTabWidget>(d, "PageControl1")->setCurrentIndex(1);
        Control<QCheckBox>(d, "chk_HBackOn")->setChecked(true);
        Control<QLineEdit>(d, "txt_HBackPath")->setText(QString(c.length, QLatin1Char('d')));
        Control<QCheckBox>(d, "chk_Wareki")->setChecked(!G().GetEraDates());
        const bool eraDates = G().GetEraDates();
        Control<QPushButton>(d, "cmd_Ok")->click();
        if (c.message) {
            EXPECT_EQ(Texts(), std::vector<std::string> { c.message });
            EXPECT_EQ(U(host.shown[0].caption), "注意");
            EXPECT_TRUE(d->isVisible());
            EXPECT_EQ(Control<QTabWidget>(d, "PageControl1")->currentIndex(), 0);
            EXPECT_EQ(G().GetEraDates(), eraDates) << "nothing stored";
        } else {
            EXPECT_TRUE(host.shown.empty());
            EXPECT_FALSE(d->isVisible());
            EXPECT_EQ(G().GetFolderBackupPath().size(), 80u);
        }
    }
    // Off: the folder is not checked, and its field cannot be used.
    auto d = Dialog();
    Control<QCheckBox>(d, "chk_HBackOn")->setChecked(false);
    EXPECT_FALSE(Control<QLineEdit>(d, "txt_HBackPath")->isEnabled());
    EXPECT_FALSE(Control<QLabel>(d, "lbl_BackPath")->isEnabled());
    Control<QLineEdit>(d, "txt_HBackPath")->clear();
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(G().GetFolderBackupOn(), 0);
    EXPECT_EQ(G().GetFolderBackupPath(), "");

    // The field itself takes at most 80 bytes.
    d = Dialog();
    Control<QCheckBox>(d, "chk_HBackOn")->setChecked(true);
    Control<QLineEdit>(d, "txt_HBackPath")->clear();
    Control<QLineEdit>(d, "txt_HBackPath")->setFocus();
    QTest::keyClicks(Control<QLineEdit>(d, "txt_HBackPath"), QString(85, QLatin1Char('e')));
    EXPECT_EQ(Control<QLineEdit>(d, "txt_HBackPath")->text().size(), 80);
}

TEST_F(OptionTest, DataBesideTheProgramHasNoBackupOption)
{
    G().SetFolderBackupOn(1);
    WriteAll(dir.File("nrt.ndb"), "");
    auto d = Dialog();
    EXPECT_FALSE(Control<QCheckBox>(d, "chk_HBackOn")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(d, "chk_HBackOn")->isEnabled());
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_EQ(G().GetFolderBackupOn(), 0);
}

TEST_F(OptionTest, EncryptionProposesTheUsualPort)
{
    auto d = Dialog();
    Control<QLineEdit>(d, "txt_MailPortNo")->clear();
    struct Step {
        int choice;
        const char* before;
        const char* after;
    } steps[] = { { 1, "", "587" }, { 2, "587", "465" }, { 0, "465", "25" }, { 1, "100", "100" }, { 2, "abc", "abc" } };
    for (const Step& s : steps) {
        Control<QLineEdit>(d, "txt_MailPortNo")->setText(QString::fromUtf8(s.before));
        Control<QComboBox>(d, "cbo_MailSsl")->setCurrentIndex(s.choice);
        emit Control<QComboBox>(d, "cbo_MailSsl")->activated(s.choice);
        EXPECT_EQ(Control<QLineEdit>(d, "txt_MailPortNo")->text(), QString::fromUtf8(s.after))
            << s.choice << " " << s.before;
    }
}

TEST_F(OptionTest, MenuOpensTheFirstPageAndTheMailPageCanBeAsked)
{
    QAction* item = main->findChild<QAction*>(QStringLiteral("mnuOptionPublic"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("オプション(&O)..."));
    WhileModal(
        [&](QWidget* modal) {
            auto* d = qobject_cast<OptionsDialog*>(modal);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(Control<QTabWidget>(d, "PageControl1")->currentIndex(), OptionsDialog::kPageGeneral);
            Control<QCheckBox>(d, "chk_Wareki")->setChecked(!G().GetEraDates());
            Control<QPushButton>(d, "cmd_Ok")->click();
        },
        [&] { item->trigger(); });
    WhileModal(
        [&](QWidget* modal) {
            auto* d = qobject_cast<OptionsDialog*>(modal);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(Control<QTabWidget>(d, "PageControl1")->currentIndex(), OptionsDialog::kPageMail);
            d->reject();
        },
        [&] { ShowOptions(*main, OptionsDialog::kPageMail); });
}
