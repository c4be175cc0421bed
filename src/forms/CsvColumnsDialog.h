#pragma once
// The columns of another program's CSV file: whether its first line names the columns,
// a preview of the first rows, and per column the field it fills (recognised from the
// header, or as chosen last time for the same header). The choice is remembered in the
// data folder when the window is accepted.

#include "exchange/CsvImport.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QTableWidget;

namespace nrt {
class AddressTable;
class AppSettings;
} // namespace nrt

namespace nrt::gui {

class CsvColumnsDialog : public QDialog {
    Q_OBJECT
public:
    CsvColumnsDialog(AppSettings& settings, const AddressTable& table, std::string path, QWidget* parent);

    // What the window shows, for the import once accepted.
    CsvImport::Mapping Mapping() const;
    // Remembers the mapping for the file's header, then closes.
    void accept() override;

private:
    void Reload();

    AppSettings& settings_;
    const AddressTable& table_;
    std::string path_;
    std::vector<std::string> headers_;
    std::vector<ColumnTarget> suggested_;
    QCheckBox* headerCheck_ = nullptr;
    QTableWidget* previewTable_ = nullptr;
    std::vector<QComboBox*> fields_;
};

} // namespace nrt::gui
