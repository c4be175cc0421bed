#include "print/RowSource.h"

#include "db/AddressTable.h"
#include "db/RecordSet.h"

namespace nrt {

TableRows::TableRows(const AddressTable& db, std::vector<int> records)
    : db_(db)
    , records_(std::move(records))
{
}

FieldLookup TableRows::Row(int row)
{
    const int record = row >= 0 && row < RowCount() ? records_[static_cast<std::size_t>(row)] : -1;
    return [this, record](std::string_view name) -> std::string_view {
        const char* value = db_.GetValueByName(name, record);
        return value ? std::string_view(value) : std::string_view();
    };
}

RecordSetRows::RecordSetRows(const RecordSet& records)
    : records_(records)
{
}

int RecordSetRows::RowCount() const
{
    return records_.GetTable() ? records_.GetRowCount() : 0;
}

FieldLookup RecordSetRows::Row(int row)
{
    const AddressTable* table = records_.GetTable();
    const int record = table && row >= 0 && row < RowCount() ? records_.GetRowRecord(row) : -1;
    return [table, record](std::string_view name) -> std::string_view {
        const char* value = table ? table->GetValueByName(name, record) : nullptr;
        return value ? std::string_view(value) : std::string_view();
    };
}

} // namespace nrt
