#include "mail/qt/MailCommands.h"

#include "app/Commands.h"
#include "app/MainWindow.h"
#include "forms/OptionsDialog.h"
#include "mail/MailComposer.h"
#include "mail/MailFiles.h"
#include "mail/qt/MailComposerWindow.h"
#include "mail/qt/MailLogWindow.h"
#include "mail/qt/MailingProgress.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <QAction>
#include <QMenu>

#include <iterator>
#include <memory>

namespace nrt::gui {

namespace mailcommands {

void StartMailing(MainWindow& main, MailingProgress& sendForm)
{
    mailcompose::MailSender sender;
    // The mailing's own record set over the table, discarded with the composer.
    auto recipients = std::make_unique<RecordSet>();
    const mailcompose::Checked started = mailcompose::StartMailing(main.Settings(), main.Table(), main.PrintCondition(),
        main.TabContextForInput() == -1, platform::Ask, sender, *recipients);
    Show(started.notice);
    if (!started.go)
        return;
    MailComposerWindow composer(main.Settings(), main.Table(), sendForm, &main);
    composer.SetMailing(sender, recipients.get());
    composer.exec();
}

void ShowLog(MainWindow& main, bool runs)
{
    const std::string path = main.Settings().BookFile("Mail") + (runs ? "/mail.log" : "/list.log");
    MailLogWindow log(&main);
    if (!platform::fs::IsFile(path) || !log.LoadFile(path)) {
        platform::Warn(runs ? SJ("送信リストが見つかりません。") : SJ("送信ログが見つかりません。"));
        return;
    }
    log.exec();
}

void Show(const mailcompose::Notice& notice)
{
    if (!notice.text.empty())
        platform::Inform(notice.text, notice.caption, notice.icon);
}

} // namespace mailcommands

void InstallMailCommands(MainWindow& main)
{
    // The progress dialog lives as long as the main window.
    auto* sendForm = new MailingProgress(&main);
    QMenu* menu = main.MailMenu();
    struct Item {
        const char* name;
        const char* caption;
    };
    constexpr Item kItems[] = {
        { "mnuNetSend", "メール一括送信(&S)..." },
        { "mnuNetSendList", "送信リスト(&L)..." },
        { "mnuNetMailCheck", "前回送信ログの確認(&G)..." },
        { "mnuNetMailSet", "メール送信設定(&O)..." },
    };
    QAction* actions[std::size(kItems)];
    for (std::size_t i = 0; i < std::size(kItems); ++i) {
        actions[i] = menu->addAction(QString::fromUtf8(kItems[i].caption));
        actions[i]->setObjectName(QString::fromLatin1(kItems[i].name));
    }
    menu->insertSeparator(actions[1]);
    menu->insertSeparator(actions[3]);
    QObject::connect(
        actions[0], &QAction::triggered, &main, [&main, sendForm] { mailcommands::StartMailing(main, *sendForm); });
    QObject::connect(actions[1], &QAction::triggered, &main, [&main] { mailcommands::ShowLog(main, true); });
    QObject::connect(actions[2], &QAction::triggered, &main, [&main] { mailcommands::ShowLog(main, false); });
    QObject::connect(actions[3], &QAction::triggered, &main, [&main] { ShowOptions(main, OptionsDialog::kPageMail); });
    menu->menuAction()->setVisible(true);
}

} // namespace nrt::gui
