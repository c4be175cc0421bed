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
    void okClicked();
    // Entry `entry` of the sheet list (0 is the values as they stand) into the fields.
    void sheetChanged(int entry);
    // The fields as a sheet of the user's, named `name` (CP932); false, with the
    // reason shown, when a field is wrong or the file could not be written.
    bool SaveSheetAs(const std::string& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCheckBox* labelsCheck_ = nullptr;
    QLineEdit* sheetWidthEdit_ = nullptr;
    QLineEdit* sheetHeightEdit_ = nullptr;
    QLineEdit* leftMarginEdit_ = nullptr;
    QLineEdit* topMarginEdit_ = nullptr;
    QLineEdit* widthEdit_ = nullptr;
    QLineEdit* heightEdit_ = nullptr;
    QLineEdit* horizontalGapEdit_ = nullptr;
    QLineEdit* verticalGapEdit_ = nullptr;
    QLineEdit* columnsEdit_ = nullptr;
    QLineEdit* rowsEdit_ = nullptr;
    QComboBox* sheetCombo_ = nullptr;
    QPushButton* saveSheetButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    void EnableFields();
    void FillSheetList();

    LayoutHeader& header_;
    std::string sheetFile_;
    std::vector<LabelSheet> sheets_; // the list's entries after the first
    std::array<QLineEdit*, kLabelFieldCount> fields_ {};
    std::array<bool, kLabelFieldCount> edited_ {};
};

} // namespace nrt::print
