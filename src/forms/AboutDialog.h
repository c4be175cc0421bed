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
    explicit AboutDialog(const AppSettings& global, QWidget* parent = nullptr);

    static QString VersionText();
    // cmd_Folder: the data folder in the file manager.
    void OpenFolder();

private:
    QLabel* lbl_Product = nullptr;
    QLabel* lbl_Version = nullptr;
    QLineEdit* txt_Folder = nullptr;
    QPushButton* cmd_Folder = nullptr;
    QPushButton* cmd_Ok = nullptr;

    const AppSettings& global_;
};

} // namespace nrt::gui
