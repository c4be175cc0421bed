#pragma once
// The options dialog: display options, the periodic backup and the mail settings of
// the current book, read from the settings object on opening and written back on Ok.

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

    OptionsDialog(AppSettings& settings, QWidget* parent);
    void ShowPage(int page);
    // Stores the settings and closes; stays open with a message when the backup folder
    // is refused.
    void okClicked();

private:
    QTabWidget* pages = nullptr;
    QCheckBox* eraCheck_ = nullptr;
    QCheckBox* furiganaCheck_ = nullptr;
    QCheckBox* maximizedCheck_ = nullptr;
    QCheckBox* backupCheck_ = nullptr;
    QLabel* backupPathLabel_ = nullptr;
    QLineEdit* backupPathEdit_ = nullptr;
    QLineEdit* hostEdit_ = nullptr;
    QLineEdit* portEdit_ = nullptr;
    QComboBox* securityCombo_ = nullptr;
    QLineEdit* timeoutEdit_ = nullptr;
    QCheckBox* authCheck_ = nullptr;
    QGroupBox* authGroup_ = nullptr;
    QRadioButton* loginRadio_ = nullptr;
    QRadioButton* cramRadio_ = nullptr;
    QRadioButton* plainRadio_ = nullptr;
    QLineEdit* userEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QLineEdit* wrapEdit_ = nullptr;
    QLineEdit* restCountEdit_ = nullptr; // messages between two rests of a mailing
    QLineEdit* restSecondsEdit_ = nullptr; // seconds of a rest
    QLineEdit* caFileEdit_ = nullptr; // certificates trusted besides the system's
    QPushButton* caFileButton_ = nullptr;
    QCheckBox* clearAuthCheck_ = nullptr; // LOGIN/PLAIN allowed without encryption
    QLineEdit* retryWaitEdit_ = nullptr; // seconds before the new tries after a 4xx
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    QWidget* BuildGeneralPage();
    QWidget* BuildMailPage();
    void Fill();
    void UpdateDependents();

    AppSettings& settings_;
};

// Opens the options modally on `page` (OptionsDialog::kPageGeneral or kPageMail); after Ok
// the list is shown anew, since the era display may have changed.
void ShowOptions(MainWindow& main, int page);

} // namespace nrt::gui
