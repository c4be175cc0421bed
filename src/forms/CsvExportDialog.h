#pragma once
// The CSV export window: the fields to write and their order, the header line choice
// and the file name; writes the main list as it is shown (CsvExport does the work).

#include "forms/FieldPicker.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nrt::gui {

class MainWindow;

class CsvExportDialog : public FieldPickerDialog {
    Q_OBJECT
public:
    explicit CsvExportDialog(MainWindow& main);

    // okButton_: the export; the window stays open.
    void Export();
    void ChooseFile();

private:
    QLabel* message1Label_ = nullptr;
    QLabel* message2Label_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QCheckBox* fieldNamesCheck_ = nullptr;
    QComboBox* encodingCombo_ = nullptr; // 0 Shift-JIS, 1 UTF-8 with byte-order mark
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    // The table's fields.
    QStringList Offered() const override;

    MainWindow& main_;
};

} // namespace nrt::gui
