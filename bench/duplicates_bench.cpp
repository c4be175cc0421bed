// Finding duplicate records in a 100,000-record book, a thousand of them planted.
#include "BenchSupport.h"

#include "db/Duplicates.h"
#include "platform/sjis.h"

#include <cstdio>

using namespace nrt;

int main()
{
    AddressTable db;
    db.CreateDefaultTable();
    bench::FillTable(db, 99000);
    // Every 99th record again, as a phone would give it: the name without its blank,
    // the telephone written without hyphens, nothing else.
    for (int k = 0; k < 99000; k += 99) {
        std::string name(db.Value(field::kName, k));
        const std::string blank = SJ("　");
        if (const std::size_t at = name.find(blank); at != std::string::npos)
            name.erase(at, blank.size());
        std::string phone;
        for (char c : db.Value(field::kPhone, k))
            if (c != '-')
                phone += c;
        db.ClearCurrent();
        bench::Require(db.SetValue(field::kSender, "0"));
        bench::Require(db.SetValue(field::kName, name));
        bench::Require(db.SetValue(field::kPhone, phone));
        bench::Require(db.PostRecord());
    }
    std::size_t pairs = 0;
    const double ms = bench::MedianMs(5, [&] { pairs = dedupe::FindDuplicates(db).size(); });
    if (pairs < 1000) {
        std::fprintf(stderr, "duplicates_bench: only %zu pairs of the 1000 planted found\n", pairs);
        return 1;
    }
    bench::Print("duplicates_records", db.GetRecordCount(), "records");
    bench::Print("duplicates_pairs", static_cast<double>(pairs), "pairs");
    bench::Print("duplicates_100k_ms", ms, "ms");
    return 0;
}
