#pragma once
// The main window's mail menu: the bulk mailing and the two logs.

namespace nrt::mailcompose {
struct Notice;
} // namespace nrt::mailcompose

namespace nrt::gui {

class MailingProgress;
class MainWindow;

namespace mailcommands {

// "メール一括送信...": the checks, then the composer on the marked records of the list.
void StartMailing(MainWindow& main, MailingProgress& sendForm);
// "送信リスト..." (runs = true, "mail.log") or "前回送信ログの確認..." ("list.log").
void ShowLog(MainWindow& main, bool runs);
// The box of a check's or a mailing's notice; nothing when it has no text.
void Show(const mailcompose::Notice& notice);

} // namespace mailcommands
} // namespace nrt::gui
