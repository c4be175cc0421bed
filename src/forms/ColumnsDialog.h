#pragma once
// The display columns dialog: which fields the main list shows, and in which order.

#include "forms/FieldPicker.h"

class QPushButton;

namespace nrt {
class AddressTable;
class AppSettings;
} // namespace nrt

namespace nrt::gui {

class ColumnsDialog : public FieldPickerDialog {
    Q_OBJECT
public:
    ColumnsDialog(AppSettings& settings, const AddressTable& db, QWidget* parent = nullptr);
    bool Changed() const { return changed_; }
    // The starting width of a column by its field name.
    static int StartingWidth(const QString& name);

    void Ok();

private:
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    QStringList Offered() const override;

    AppSettings& settings_;
    const AddressTable& db_;
    bool changed_ = false;
};

} // namespace nrt::gui
