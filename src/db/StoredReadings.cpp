#include "db/StoredReadings.h"

#include "platform/Kana.h"
#include "platform/sjis.h"

namespace nrt {
namespace {

int ReadingField(const AddressTable& table)
{
    return table.FindField(SJ("カナ"));
}

} // namespace

int CountReadingsToConvert(const AddressTable& table)
{
    const int f = ReadingField(table);
    if (f < 0)
        return 0;
    int count = 0;
    for (int k = 0; k < table.GetRecordCount(); ++k)
        if (!table.IsDeleted(k) && platform::NeedsHalfWidthReading(table.Value(f, k)))
            ++count;
    return count;
}

int ConvertStoredReadings(AddressTable& table)
{
    const int f = ReadingField(table);
    if (f < 0)
        return 0;
    int converted = 0;
    for (int k = 0; k < table.GetRecordCount(); ++k) {
        if (table.IsDeleted(k) || !platform::NeedsHalfWidthReading(table.Value(f, k)))
            continue;
        const std::string reading = platform::HalfWidthReading(table.Value(f, k));
        if (table.ReadRecord(k) != RecordError::kNone || table.SetValue(f, reading) != RecordError::kNone
            || table.PostRecord() != RecordError::kNone) {
            table.ClearCurrent();
            return -1;
        }
        ++converted;
    }
    table.ClearCurrent();
    return converted;
}

} // namespace nrt
