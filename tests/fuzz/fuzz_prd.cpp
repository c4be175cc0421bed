// The printer settings reader on arbitrary bytes. What it takes in is written out
// again; that file reads back to settings that write the same bytes.
#include "print/PrinterSettings.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nrt;
    PrinterSettings read;
    if (ParsePrinterSettings(std::string_view(reinterpret_cast<const char*>(data), size), read) != PrdRead::Read)
        return 0;
    const std::string once = FormatPrinterSettings(read);
    PrinterSettings again;
    if (ParsePrinterSettings(once, again) != PrdRead::Read)
        std::abort();
    if (FormatPrinterSettings(again) != once)
        std::abort();
    return 0;
}
