#pragma once
// Readings (カナ) stored before the input form and the CSV import wrote them as
// half-width katakana: found and converted once, when the user agrees.

#include "db/AddressTable.h"

namespace nrt {

// The records (deleted ones aside) whose reading holds hiragana or full-width katakana.
int CountReadingsToConvert(const AddressTable& table);

// Every such reading as half-width katakana (platform::HalfWidthReading); the change is
// in memory only. Returns the number of records changed, or -1 when one of them could
// not be read or written (the records after it keep their reading).
int ConvertStoredReadings(AddressTable& table);

} // namespace nrt
