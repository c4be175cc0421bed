#include "mail/qt/MailCommands.h"

#include "app/Commands.h"
#include "app/F_main.h"
#include "forms/F_option.h"
#include "mail/MailComposer.h"
#include "mail/MailFiles.h"
#include "mail/qt/F_log.h"
#include "mail/qt/F_mailnew.h"
#include "mail/qt/F_mailsend.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <QAction>
#include <QMenu>

#include <iterator>
#include <memory>

namespace nrt::gui {

namespace mailcommands {

void StartMailing(TfrmMain& main, TfrmMailSend& sendForm)
{
    mailcompose::MailSender sender;
    // The mailing's own record set over the table, discarded with the composer.
    auto recipients = std::make_unique<CMyRec>();
    if (!mailcompose::StartMailing(
            main.Global(), main.Table(), main.PrintCondition(), main.TabContextForInput() == -1, sender, *recipients))
        return;
    TfrmMailNew composer(main.Global(), main.Table(), sendForm, &main);
    composer.SetMailing(sender, recipients.get());
    composer.exec();
}

void ShowLog(TfrmMain& main, bool runs)
{
    const std::string path = main.Global().UserFile("Mail") + (runs ? "/mail.log" : "/list.log");
    TfrmLog log(&main);
    if (!platform::fs::IsFile(path) || !log.LoadFile(path)) {
        platform::Warn(runs ? SJ("送信リストが見つかりません。") : SJ("送信ログが見つかりません。"));
        return;
    }
    log.exec();
}

} // namespace mailcommands

void InstallMailCommands(TfrmMain& main)
{
    // The progress dialog lives as long as the main window.
    auto* sendForm = new TfrmMailSend(&main);
    QMenu* menu = main.MailMenu();
    struct Item {
        const char* name;
        const char* caption;
    };
    constexpr Item kItems[] = {
        { "mnuNetSend", "メール一括送信..." },
        { "mnuNetSendList", "送信リスト..." },
        { "mnuNetMailCheck", "前回送信ログの確認..." },
        { "mnuNetMailSet", "メール送信設定..." },
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
    QObject::connect(actions[3], &QAction::triggered, &main, [&main] { ShowOptions(main, TfrmOption::kPageMail); });
    menu->menuAction()->setVisible(true);
}

} // namespace nrt::gui
