#pragma once
// 「宛名チェック」: the findings of the address check, one a row, each mend with a check
// box; 「修正」 applies the checked ones and saves the book at once.

#include "check/AddressCheck.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace nrt {
class AddressTable;
class AppSettings;
} // namespace nrt

namespace nrt::gui {

class AddressCheckDialog : public QDialog {
    Q_OBJECT
public:
    // `save` writes the book; false when it was not saved (its message shown).
    AddressCheckDialog(AddressTable& table, std::vector<check::Finding> findings, std::function<bool()> save,
        QWidget* parent = nullptr);

    // Applies the checked mends and saves; how many went in.
    int ApplyChecked();
    QTableWidget* Table() const { return list_; }
    int AppliedCount() const { return applied_; }

private:
    AddressTable& table_;
    std::vector<check::Finding> findings_;
    std::function<bool()> save_;
    QLabel* summary_ = nullptr;
    QTableWidget* list_ = nullptr;
    QPushButton* mendButton_ = nullptr;
    int applied_ = 0;
};

// The check of `records` with the options of a job (none: the list's own check), over the
// dictionary the settings name.
std::vector<check::Finding> CheckForWindow(const AppSettings& settings, const AddressTable& table,
    const std::vector<int>& records, const check::CheckOptions& options = {});

} // namespace nrt::gui
