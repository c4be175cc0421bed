// Lookups and browsing over damaged dictionary files: never a read out of bounds, never
// a record text longer than the 512-byte buffer it has to fit.
//
// Input: two bytes giving the length of the first file, the first file, the second file.
// The first serves as "YubinS.idx" and "tyo%d.idx", the second as "YubinS.dat",
// "tyo%d.dat" and a list file ("todo.dat", "sityo%d.dat").
#include "db/LineList.h"
#include "postal/PostalBrowser.h"
#include "postal/PostalLookup.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace nrt;

namespace {

void Check(const PostalRecordText& text)
{
    if (text.address.size() + text.reading.size() > 510)
        std::abort();
}

std::string Slice(const std::string& s, std::size_t from, std::size_t count)
{
    return from < s.size() ? s.substr(from, count) : std::string();
}

std::uint32_t GetLE32(std::string_view s, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4 && at + i < s.size(); ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + i])) << (8 * i);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t firstLength = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    // Copies, so that the sanitizer sees the exact ends of each file.
    const std::string first(all.substr(2, firstLength));
    const std::string second(all.substr(2 + firstLength));
    const PostalMemorySource index(first), records(second);

    PostalRecordText text;
    std::string keys[] = { "100-0013", Slice(second, 0, 8), Slice(first, 4, 8), "", "999-9999" };
    for (std::string& key : keys) {
        if (key.size() > 3 && key[3] != '-' && key.size() < 8)
            key = key.substr(0, 3) + "-" + key.substr(3);
        if (auto found = FindPostalCodeIn(index, key)) {
            if (ReadPostalRecordIn(records, found->offset, text))
                Check(text);
        }
    }
    for (std::uint32_t offset : { 0u, GetLE32(first, 12), GetLE32(first, 24), GetLE32(second, 4), 0xFFFFFFF8u }) {
        if (ReadPostalRecordIn(records, offset, text))
            Check(text);
    }

    std::vector<PostalBrowserRow> rows;
    const int filter = size % kKanaFilterCount;
    for (int city : { 1, 2, 3, static_cast<int>(GetLE32(first, 0) % 64) })
        PostalTownRows(first, second, city, filter, rows);
    LineList lines;
    (void)lines.ParseText(second);
    rows = PostalListRows(lines, filter);
    return 0;
}
