#pragma once
// "ラベル設定": label sheets on or off and the sheet's geometry, over the header of
// the layout being edited. OK stores into it; cancel leaves it as it was.

#include "print/LayoutEditing.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace nrt::print {

class LabelSheetDialog : public QDialog {
    Q_OBJECT
public:
    LabelSheetDialog(LayoutHeader& header, QWidget* parent = nullptr);

    // The fields in the order of LabelField.
    QLineEdit* Field(LabelField field) const { return fields_[static_cast<std::size_t>(field)]; }
    // Leaving a field: an edited value is parsed and shown in its form.
    void FieldExit(LabelField field);
    void cmd_OkClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCheckBox* chk_Label = nullptr;
    QLineEdit* txt_Pw = nullptr;
    QLineEdit* txt_Ph = nullptr;
    QLineEdit* txt_Sx = nullptr;
    QLineEdit* txt_Sy = nullptr;
    QLineEdit* txt_Width = nullptr;
    QLineEdit* txt_Height = nullptr;
    QLineEdit* txt_Dw = nullptr;
    QLineEdit* txt_Dh = nullptr;
    QLineEdit* txt_Col = nullptr;
    QLineEdit* txt_Row = nullptr;
    QPushButton* cmd_Ok = nullptr;
    QPushButton* cmd_Close = nullptr;

    void EnableFields();

    LayoutHeader& header_;
    std::array<QLineEdit*, kLabelFieldCount> fields_ {};
    std::array<bool, kLabelFieldCount> edited_ {};
};

} // namespace nrt::print
