#pragma once
// "印刷名を変更する": a new name for a print form, its files following it.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace nrt {
class CMyGlobal;
}

namespace nrt::print {

class TfrmReNameRep : public QDialog {
    Q_OBJECT
public:
    // Opens with the current name of form `index`.
    TfrmReNameRep(CMyGlobal& global, int index, QWidget* parent = nullptr);

    QLineEdit* txt_Name = nullptr;
    QPushButton* cmd_Ok = nullptr;
    QPushButton* cmd_Cancel = nullptr;

private:
    void cmd_OkClick();

    CMyGlobal& global_;
    int index_;
};

} // namespace nrt::print
