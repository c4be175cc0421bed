// A vCard file to import comes from anywhere: whatever it holds, reading it and
// mapping every card ends, within bounds, with one value per field (the 24 and the
// extended ones) for each card.
#include "db/AddressTable.h"
#include "exchange/VCardImport.h"
#include "exchange/VCardReader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> notes;
    int number = 0;
    for (const auto& card : nrt::vcard::Parse(bytes))
        if (nrt::VCardImport::MapCard(card, ++number, notes).size() != static_cast<std::size_t>(nrt::field::kSchemaEnd))
            std::abort();
    return 0;
}
