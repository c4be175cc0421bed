#pragma once
// "印刷の新規作成": a new print form from one of the nine kinds.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace nrt {
class AppSettings;
}

namespace nrt::print {

class NewPrintFormDialog : public QDialog {
    Q_OBJECT
public:
    NewPrintFormDialog(AppSettings& global, QWidget* parent = nullptr);

    // The kind of the chosen list entry, 0 when none is chosen.
    int ChosenKind() const;

private:
    QComboBox* cbo_Kind = nullptr;
    QLineEdit* txt_Name = nullptr;
    QPushButton* cmd_Ok = nullptr;
    QPushButton* cmd_Cancel = nullptr;

    void cmd_OkClick();

    AppSettings& global_;
};

} // namespace nrt::print
