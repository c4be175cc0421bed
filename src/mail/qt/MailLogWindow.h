#pragma once
// The log viewer ("ログ照会"): a mail log file shown whole, read-only.

#include <QDialog>

#include <string>

class QPlainTextEdit;
class QPushButton;

namespace nrt::gui {

class MailLogWindow : public QDialog {
    Q_OBJECT
public:
    explicit MailLogWindow(QWidget* parent = nullptr);
    // The whole file (CP932) into the memo; false when it cannot be read.
    bool LoadFile(const std::string& path);

private:
    QPlainTextEdit* logEdit_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

} // namespace nrt::gui
