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
    // cmd_Ok: the export; the window stays open.
    void Export();
    void ChooseFile();

private:
    QLabel* lbl_Msg1 = nullptr;
    QLabel* lbl_Msg2 = nullptr;
    QLineEdit* txt_Path = nullptr;
    QPushButton* cmd_FileName = nullptr;
    QListWidget* lst_From = nullptr;
    QListWidget* lst_To = nullptr;
    QPushButton* cmd_Right = nullptr;
    QPushButton* cmd_Left = nullptr;
    QPushButton* cmd_RightAll = nullptr;
    QPushButton* cmd_LeftAll = nullptr;
    QPushButton* cmd_Up = nullptr;
    QPushButton* cmd_Down = nullptr;
    QCheckBox* chk_Field = nullptr;
    QComboBox* cmb_Encoding = nullptr; // 0 Shift-JIS, 1 UTF-8 with byte-order mark
    QPushButton* cmd_Ok = nullptr;
    QPushButton* cmd_Close = nullptr;

    QStringList FieldNames() const;

    MainWindow& main_;
};

} // namespace nrt::gui
