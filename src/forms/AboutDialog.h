#pragma once
// The About box: the product's name and version, and the data folder with a button
// that opens it in the file manager.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace nrt {
class AppSettings;
}

namespace nrt::gui {

// The program's version, shown as "%d.%d".
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 70;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(const AppSettings& settings, QWidget* parent = nullptr);

    static QString VersionText();
    // folderButton_: the data folder in the file manager.
    void OpenFolder();

private:
    QLabel* productLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QLineEdit* folderEdit_ = nullptr;
    QPushButton* folderButton_ = nullptr;
    QPushButton* okButton_ = nullptr;

    const AppSettings& settings_;
};

} // namespace nrt::gui
