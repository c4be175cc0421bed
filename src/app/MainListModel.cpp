#include "app/MainListModel.h"

#include "db/AddressTable.h"
#include "db/RecordSet.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QApplication>
#include <QPalette>

namespace nrt::gui {

MainListModel::MainListModel(AddressTable& db, RecordSet& rec, AppSettings& settings, QObject* parent)
    : QAbstractTableModel(parent)
    , db_(db)
    , rec_(rec)
    , settings_(settings)
{
}

int MainListModel::RecordRows() const
{
    return rec_.GetRowCount();
}

int MainListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RecordRows() + 1;
}

int MainListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size()) + 1;
}

void MainListModel::SetUpColumns()
{
    beginResetModel();
    columns_.clear();
    // The grid shows at most 29 display columns besides the mark column.
    const int count = std::min(settings_.DisplayColumnCount(), 29);
    for (int i = 0; i < count; ++i) {
        const DisplayColumn dc = settings_.GetDisplayColumn(i);
        Column c;
        c.name = dc.name;
        c.caption = ToQ(dc.name);
        c.field = db_.FindField(dc.name);
        c.birthday = dc.name == SJ("生年月日");
        columns_.push_back(std::move(c));
    }
    markField_ = db_.FindField(SJ("印字区分"));
    endResetModel();
}

void MainListModel::Reload()
{
    beginResetModel();
    markField_ = db_.FindField(SJ("印字区分"));
    for (Column& c : columns_)
        c.field = db_.FindField(c.name);
    endResetModel();
}

void MainListModel::MarkChanged(int row)
{
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, { Qt::DisplayRole });
}

void MainListModel::SetFiltered(bool filtered)
{
    if (filtered_ == filtered)
        return;
    filtered_ = filtered;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), { Qt::ForegroundRole });
}

const std::string& MainListModel::ColumnName(int column) const
{
    static const std::string none;
    return column >= 1 && column <= static_cast<int>(columns_.size())
        ? columns_[static_cast<std::size_t>(column - 1)].name
        : none;
}

int MainListModel::ColumnField(int column) const
{
    return column >= 1 && column <= static_cast<int>(columns_.size())
        ? columns_[static_cast<std::size_t>(column - 1)].field
        : -1;
}

std::string MainListModel::CellText(int row, int column) const
{
    if (row < 0 || row >= RecordRows())
        return {};
    const int record = rec_.GetRowRecord(row);
    if (column == 0)
        return db_.Value(markField_, record) == "1" ? SJ("●") : std::string();
    if (column < 1 || column > static_cast<int>(columns_.size()))
        return {};
    const Column& c = columns_[static_cast<std::size_t>(column - 1)];
    std::string_view v = db_.Value(c.field, record);
    if (c.birthday && settings_.GetEraDates())
        return settings_.FormatDate(v, true);
    return std::string(v);
}

QVariant MainListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (IsNewRow(row)) {
            if (column == 0)
                return QStringLiteral("*");
            if (column == 1)
                return QStringLiteral("(新規)");
            return {};
        }
        return ToQ(CellText(row, column));
    case Qt::ForegroundRole:
        if (filtered_)
            return QColor(0, 0, 128);
        return {};
    case Qt::TextAlignmentRole:
        if (column == 0)
            return int(Qt::AlignCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant MainListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section == 0)
        return QStringLiteral("印刷有無");
    if (section >= 1 && section <= static_cast<int>(columns_.size()))
        return columns_[static_cast<std::size_t>(section - 1)].caption;
    return {};
}

} // namespace nrt::gui
