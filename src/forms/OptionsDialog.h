#pragma once
// The options dialog: display options, the periodic backup and the mail settings of
// the current user, read from the settings object on opening and written back on Ok.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QPushButton;

namespace nrt {
class AppSettings;
}

namespace nrt::gui {

class MainWindow;

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    enum Page { kPageGeneral = 0, kPageMail = 1 };

    OptionsDialog(AppSettings& global, QWidget* parent);
    void ShowPage(int page);
    // Stores the settings and closes; stays open with a message when the backup folder
    // is refused.
    void cmd_OkClick();

private:
    QTabWidget* pages = nullptr;
    QCheckBox* chk_Wareki = nullptr;
    QCheckBox* chk_Furigana = nullptr;
    QCheckBox* chk_Full = nullptr;
    QCheckBox* chk_HBackOn = nullptr;
    QLabel* lbl_BackPath = nullptr;
    QLineEdit* txt_HBackPath = nullptr;
    QLineEdit* txt_Host = nullptr;
    QLineEdit* txt_MailPortNo = nullptr;
    QComboBox* cbo_MailSsl = nullptr;
    QLineEdit* txt_MailTimeOut = nullptr;
    QCheckBox* chk_MailSMTP = nullptr;
    QGroupBox* grp_MailSMTP = nullptr;
    QRadioButton* rdo_MailSMTPLogin = nullptr;
    QRadioButton* rdo_MailSMTPCram = nullptr;
    QRadioButton* rdo_MailSMTPPlain = nullptr;
    QLineEdit* txt_MailUser = nullptr;
    QLineEdit* txt_MailPassword = nullptr;
    QLineEdit* txt_MailTurn = nullptr;
    QLineEdit* txt_MailRestCount = nullptr; // messages between two rests of a mailing
    QLineEdit* txt_MailRestSec = nullptr; // seconds of a rest
    QLineEdit* txt_MailCaFile = nullptr; // certificates trusted besides the system's
    QPushButton* cmd_MailCaFile = nullptr;
    QCheckBox* chk_MailClearAuth = nullptr; // LOGIN/PLAIN allowed without encryption
    QLineEdit* txt_MailRetryWait = nullptr; // seconds before the new tries after a 4xx
    QPushButton* cmd_Ok = nullptr;
    QPushButton* cmd_Close = nullptr;

    QWidget* BuildGeneralPage();
    QWidget* BuildMailPage();
    void Fill();
    void UpdateDependents();

    AppSettings& global_;
};

// Opens the options modally on `page` (OptionsDialog::kPageGeneral or kPageMail); after Ok
// the list is shown anew, since the era display may have changed.
void ShowOptions(MainWindow& main, int page);

} // namespace nrt::gui
