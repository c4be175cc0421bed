#pragma once
// The rows of the main list, read from the record set on demand: one row per selected
// record in record-set order and the new-record row after them. Column 0 is the mark
// column; the others are the display columns.

#include <QAbstractTableModel>
#include <QColor>

#include <string>
#include <string_view>
#include <vector>

namespace nrt {
class AddressTable;
class RecordSet;
class AppSettings;
} // namespace nrt

namespace nrt::gui {

class MainListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    MainListModel(AddressTable& db, RecordSet& rec, AppSettings& settings, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes the display columns of the settings (names and field indexes).
    void SetUpColumns();
    // The selection was rebuilt.
    void Reload();
    // One record row's mark cell changed.
    void MarkChanged(int row);
    void SetFiltered(bool filtered);

    int RecordRows() const;
    bool IsNewRow(int row) const { return row == RecordRows(); }
    // The CP932 text a cell shows (empty for the mark column and the new-record row).
    std::string CellText(int row, int column) const;
    // Field name of display column `column` (1-based as in the grid), or "".
    const std::string& ColumnName(int column) const;
    int ColumnField(int column) const;

private:
    struct Column {
        std::string name;
        QString caption;
        int field = -1;
        bool birthday = false;
    };
    AddressTable& db_;
    RecordSet& rec_;
    AppSettings& settings_;
    std::vector<Column> columns_;
    int markField_ = -1;
    bool filtered_ = false;
};

} // namespace nrt::gui
