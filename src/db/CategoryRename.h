#pragma once
// Renaming a category in the records that carry it, as the category lists editor does
// when an item is renamed.

#include "db/AddressTable.h"

#include <string>
#include <string_view>

namespace nrt {

// The condition that selects the records whose `field` equals `value` as "=" compares
// (case-insensitively), with a quote in the value doubled.
std::string CategoryCondition(std::string_view field, std::string_view value);

// Sets `field` to `newName` in every record of the table whose value equals `oldName`
// as "=" compares, through a record set of its own; the change is in memory only.
// Returns the number of records renamed, or -1 when the records could not be chosen
// or one of them could not be read or take the new name (the records after it keep
// the old one). An empty old name stands for no category and renames nothing.
int RenameCategory(AddressTable& table, std::string_view field, std::string_view oldName, std::string_view newName);

} // namespace nrt
