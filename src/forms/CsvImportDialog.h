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

    // cmd_Inport: the import; the window stays open.
    void Import();
    void ChooseFile();

private:
    QLabel* lbl_Msg = nullptr;
    QLineEdit* txt_Path = nullptr;
    QPushButton* cmd_FileName = nullptr;
    QPushButton* cmd_Inport = nullptr;
    QPushButton* cmd_Close = nullptr;

    MainWindow& main_;
};

} // namespace nrt::gui
