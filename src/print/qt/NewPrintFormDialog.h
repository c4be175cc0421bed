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
    NewPrintFormDialog(AppSettings& settings, QWidget* parent = nullptr);

    // The kind of the chosen list entry, 0 when none is chosen.
    int ChosenKind() const;

private:
    QComboBox* kindCombo_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;

    void okClicked();

    AppSettings& settings_;
};

} // namespace nrt::print
