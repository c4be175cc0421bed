#pragma once
// "ラベル設定": label sheets on or off and the sheet's geometry, over the header of
// the layout being edited. OK stores into it; cancel leaves it as it was.

#include "print/LabelSheets.h"
#include "print/LayoutEditing.h"

#include <QDialog>

#include <array>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace nrt::print {

class LabelSheetDialog : public QDialog {
    Q_OBJECT
public:
    // `sheetFile` keeps the user's own sheets (the list offers the product sheets
    // besides); without one no sheet can be saved.
    explicit LabelSheetDialog(LayoutHeader& header, QWidget* parent = nullptr, std::string sheetFile = {});

    // The fields in the order of LabelField.
    QLineEdit* Field(LabelField field) const { return fields_[static_cast<std::size_t>(field)]; }
    // Leaving a field: an edited value is parsed and shown in its form.
    void FieldExit(LabelField field);
    void cmd_OkClick();
    // Entry `entry` of the sheet list (0 is the values as they stand) into the fields.
    void cbo_SheetChange(int entry);
    // The fields as a sheet of the user's, named `name` (CP932); false, with the
    // reason shown, when a field is wrong or the file could not be written.
    bool SaveSheetAs(const std::string& name);

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
    QComboBox* cbo_Sheet = nullptr;
    QPushButton* cmd_SaveSheet = nullptr;
    QPushButton* cmd_Ok = nullptr;
    QPushButton* cmd_Close = nullptr;

    void EnableFields();
    void FillSheetList();

    LayoutHeader& header_;
    std::string sheetFile_;
    std::vector<LabelSheet> sheets_; // the list's entries after the first
    std::array<QLineEdit*, kLabelFieldCount> fields_ {};
    std::array<bool, kLabelFieldCount> edited_ {};
};

} // namespace nrt::print
