#pragma once
// The mail composer: subject, priority and a plain-text body with %field% references,
// templates loaded and saved, the checks before sending, the connection, the mailing
// through the progress dialog and its outcome.

#include "mail/MailComposer.h"
#include "mail/MailFiles.h"

#include <QDialog>

#include <functional>
#include <string>

class QAction;
class QCheckBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace nrt {
class AddressTable;
class AppSettings;
class RecordSet;
} // namespace nrt

namespace nrt::gui {

class MailingProgress;

class MailComposerWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxSubjectChars = 60;
    static constexpr int kMaxBodyChars = 32000;

    MailComposerWindow(
        AppSettings& settings, AddressTable& table, MailingProgress& sendForm, QWidget* parent = nullptr);

    // The sender and the recipients of this mailing (not owned).
    void SetMailing(const mailcompose::MailSender& sender, RecordSet* recipients);

    // The subject, priority and body as they stand, and the same set anew.
    mailfiles::MailText Mail() const;
    void SetMail(const mailfiles::MailText& mail);
    bool Modified() const { return modified_; }

    // Commands, as the menus and buttons call them.
    void InsertField(int item);
    void loadClicked();
    void LoadPrevious(int tag);
    void saveAsClicked();
    void sendClicked();
    // 「未送信のみ再送」: the mail to the recipients the earlier runs of this same mail
    // did not reach (refused, never tried, unconfirmed), with their Message-IDs.
    void resendClicked();
    // A file by the dialogs' filter index (MailFiles.h); false after the box.
    bool LoadFile(const std::string& path, int filter);
    bool SaveFile(const std::string& path, int filter);

    // Asks for a file to open or save: the path (CP932) and the 1-based filter index;
    // false when cancelled. A file dialog in the mail folder unless replaced (tests).
    std::function<bool(bool save, std::string& path, int& filter)> chooseFile;

    // Cancel, Escape and the window's close button: the question, then FormMail.mlt.
    void reject() override;

private:
    QMenuBar* menuBar = nullptr;
    QLineEdit* subjectEdit_ = nullptr;
    QCheckBox* highPriorityCheck_ = nullptr;
    QPlainTextEdit* bodyEdit_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QPushButton* resendButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QAction* loadAction_ = nullptr;
    QAction* lastSentAction_ = nullptr;
    QAction* lastDraftAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* Close1 = nullptr;
    QMenu* fieldMenu_ = nullptr;

    bool ChooseWithDialog(bool save, std::string& path, int& filter);
    void Send(bool resend);
    bool DiscardChanges(const char* question);
    void MemoChanged();
    void SetStatus(const char* text);
    std::string Folder() const;

    AppSettings& settings_;
    AddressTable& table_;
    MailingProgress& sendForm_;
    mailcompose::MailSender sender_;
    RecordSet* recipients_ = nullptr;
    bool modified_ = false;
};

} // namespace nrt::gui
