#pragma once
// "プリンタの設定": the printer a print form goes to, with the paper and the paper
// source it takes there, the orientation and the number of copies. The choice is what
// the form's ".prd" file keeps.

#include "print/PrinterSettings.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace nrt::print {

class PrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    explicit PrinterSetupDialog(const PrinterSettings& start, QWidget* parent = nullptr);

    // The settings as chosen; the starting ones until OK.
    PrinterSettings Settings() const;

private:
    QComboBox* printerCombo_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QComboBox* paperCombo_ = nullptr;
    QComboBox* paperSourceCombo_ = nullptr;
    QComboBox* orientationCombo_ = nullptr;
    QSpinBox* copiesSpin_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    void FillPapers();

    PrinterSettings start_;
};

} // namespace nrt::print
