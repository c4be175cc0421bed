#include "db/CategoryRename.h"

#include "db/RecordSet.h"
#include "platform/sjis.h"

namespace nrt {

std::string CategoryCondition(std::string_view field, std::string_view value)
{
    std::string condition(field);
    condition += "='";
    for (std::size_t i = 0; i < value.size(); i += platform::CharLength(value, i)) {
        const std::size_t n = platform::CharLength(value, i);
        condition.append(value.substr(i, n));
        if (n == 1 && value[i] == '\'')
            condition += '\'';
    }
    condition += "' ";
    return condition;
}

int RenameCategory(AddressTable& table, std::string_view field, std::string_view oldName, std::string_view newName)
{
    if (oldName.empty())
        return 0;
    const int f = table.FindField(field);
    if (f < 0)
        return -1;
    RecordSet records;
    records.Attach(&table);
    const SelectResult selected = records.Select(CategoryCondition(field, oldName));
    if (selected == SelectResult::kNothingSelected)
        return 0;
    if (selected != SelectResult::kSelected)
        return -1;
    int renamed = 0;
    for (int row = 0; row < records.GetRowCount(); ++row) {
        records.SetPos(row);
        if (records.Read() != RecordError::kNone)
            return -1;
        // A "*" at either end of a name is a wildcard to the condition: compare again
        // so that only the category itself is renamed.
        if (platform::lstrcmpiA(table.GetCurrentValue(f), oldName) != 0)
            continue;
        if (table.SetValue(f, newName) != RecordError::kNone || records.Post() != RecordError::kNone)
            return -1;
        ++renamed;
    }
    return renamed;
}

} // namespace nrt
