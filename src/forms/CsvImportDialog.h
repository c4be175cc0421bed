#pragma once
// The CSV import window: a file name, a chooser, and the import into the main
// window's table (CsvImport does the work), with progress for large files.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace nrt::gui {

class MainWindow;

class CsvImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit CsvImportDialog(MainWindow& main);

    // importButton_: the import; the window stays open.
    void Import();
    void ChooseFile();

private:
    QLabel* messageLabel_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    MainWindow& main_;
};

} // namespace nrt::gui
