// The address check of 100,000 records against the shipped postal dictionary (built
// beside the programs by the release build), one in ten without a postal code and one
// in seventeen with another place's: the dictionary's load into memory and the check
// itself, single-threaded as the program runs them.
#include "BenchSupport.h"

#include "check/AddressCheck.h"
#include "platform/fs.h"
#include "settings/LayoutDefaults.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace nrt;

namespace {

std::string ShippedDictionary()
{
    if (const char* given = std::getenv("NRT_POSTAL_FOLDER"))
        return given;
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return {};
    std::string path(exe, static_cast<std::size_t>(n));
    path.erase(path.rfind('/'));
    return path + "/../bin/yubin";
}

} // namespace

int main()
{
    const std::string folder = ShippedDictionary();
    if (!platform::fs::IsFile(folder + "/YubinS.idx")) {
        std::fprintf(
            stderr, "check_bench: no postal dictionary at %s (scripts/setup fetches the list)\n", folder.c_str());
        return 1;
    }
    constexpr int kRecords = 100000;
    AddressTable table;
    table.CreateDefaultTable();
    bench::FillTable(table, kRecords);
    for (int k = 0; k < kRecords; k += 10)
        bench::Require(table.StoreValue(k, field::kPostalCode, ""));
    for (int k = 3; k < kRecords; k += 17)
        bench::Require(
            table.StoreValue(k, field::kPostalCode, std::string(table.Value(field::kPostalCode, (k + 1) % kRecords))));
    std::vector<int> records;
    for (int k = 0; k < kRecords; ++k)
        records.push_back(k);

    check::PostalIndex postal;
    const double load = bench::MedianMs(3, [&] { postal = check::PostalIndex::Load(folder); });
    std::size_t found = 0;
    const double run = bench::MedianMs(3, [&] { found = check::CheckRecords(table, records, postal).size(); });
    check::CheckOptions card = check::OptionsForFormKind(kFormNewYearCard, true, 2027);
    const double cardRun
        = bench::MedianMs(3, [&] { found = check::CheckRecords(table, records, postal, card).size(); });

    bench::Print("dictionary_places", static_cast<double>(postal.Size()), "places");
    bench::Print("dictionary_load_ms", load, "ms");
    bench::Print("check_100k_ms", run, "ms");
    bench::Print("check_100k_card_job_ms", cardRun, "ms");
    bench::Print("check_100k_with_load_ms", load + run, "ms");
    bench::Print("findings", static_cast<double>(found), "findings");
    return 0;
}
