#pragma once
// "バックアップ": asks before a backup of the current book (ask mode), or copies a
// backup set into a new book's folder as soon as it is shown (copy mode). The copying
// is BackupSets's; the window shows each file as it goes.

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace nrt {
class AppSettings;
}

namespace nrt::gui {

class BackupDialog : public QDialog {
    Q_OBJECT
public:
    enum Mode { kAsk, kCopy };
    // Ask mode backs the current book up into its backup folder; copy mode copies the
    // set in `source` into `destination`.
    BackupDialog(
        AppSettings& settings, Mode mode, std::string source, std::string destination, QWidget* parent = nullptr);

    // okButton_ in ask mode: the backup, then the window closes (also after a failure).
    void Backup();
    // The copy of copy mode, run once by the timer after the window shows.
    void Copy();
    // Whether the backup or copy succeeded.
    bool Succeeded() const { return succeeded_; }

    // Closing by Escape or the title bar; not while a copy is still to run.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* messageLabel_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;

    void ShowPath(std::string_view path);

    AppSettings& settings_;
    Mode mode_;
    std::string source_;
    std::string destination_;
    bool started_ = false;
    bool finished_ = false;
    bool succeeded_ = false;
};

} // namespace nrt::gui
