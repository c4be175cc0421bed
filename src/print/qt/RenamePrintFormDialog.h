#pragma once
// "印刷名を変更する": a new name for a print form, its files following it.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace nrt {
class AppSettings;
}

namespace nrt::print {

class RenamePrintFormDialog : public QDialog {
    Q_OBJECT
public:
    // Opens with the current name of form `index`.
    RenamePrintFormDialog(AppSettings& settings, int index, QWidget* parent = nullptr);

private:
    QLineEdit* nameEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;

    void okClicked();

    AppSettings& settings_;
    int index_;
};

} // namespace nrt::print
