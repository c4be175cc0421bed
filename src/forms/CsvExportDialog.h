#pragma once
// The CSV export window: the fields to write and their order, the header line choice
// and the file name; writes the main list as it is shown (CsvExport does the work).

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace nrt::gui {

class MainWindow;

class CsvExportDialog : public QDialog {
    Q_OBJECT
public:
    explicit CsvExportDialog(MainWindow& main);

    void MoveRight();
    void MoveLeft();
    void MoveAllRight();
    void MoveAllLeft();
    // down 0: up, 1: down.
    void MoveUpDown(int down);
    // okButton_: the export; the window stays open.
    void Export();
    void ChooseFile();

private:
    QLabel* message1Label_ = nullptr;
    QLabel* message2Label_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QListWidget* availableList_ = nullptr;
    QListWidget* chosenList_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* addAllButton_ = nullptr;
    QPushButton* removeAllButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
    QCheckBox* fieldNamesCheck_ = nullptr;
    QComboBox* encodingCombo_ = nullptr; // 0 Shift-JIS, 1 UTF-8 with byte-order mark
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    QStringList FieldNames() const;

    MainWindow& main_;
};

} // namespace nrt::gui
