// The table loader on arbitrary bytes: whatever it accepts must be readable whole.
#include "db/AddressTable.h"

#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    nrt::AddressTable db;
    if (db.ParseTable(std::string_view(reinterpret_cast<const char*>(data), size)) != nrt::TableError::kNone)
        return 0;
    std::size_t total = 0;
    for (int k = 0; k < db.GetRecordCount(); ++k) {
        for (int f = 0; f < db.GetFieldCount(); ++f)
            total += std::strlen(db.GetValue(f, k));
        // Posting back what was read; only a crash or a leak counts here.
        if (db.ReadRecord(k) == nrt::RecordError::kNone)
            static_cast<void>(db.PostRecord());
    }
    (void)db.FormatTable();
    return total == static_cast<std::size_t>(-1);
}
