// Loading and saving a 100,000-record table, against plain reading of the same bytes.
#include "BenchSupport.h"

#include "platform/fs.h"

#include <cstdio>

using namespace nrt;

int main()
{
    const std::string dir = bench::ScratchDir();
    const std::string path = dir + "/nrt.ndb";
    AddressTable db;
    db.CreateDefaultTable();
    bench::FillTable(db, 100000);

    int code = 0;
    const double save = bench::MedianMs(5, [&] { code |= static_cast<int>(db.SaveTable(path)); });
    std::uint64_t size = 0;
    platform::fs::FileSize(path, size);

    // A fresh buffer each time, as the loader has to fill fresh memory too.
    const double read = bench::MedianMs(7, [&] {
        std::string bytes;
        platform::fs::ReadFile(path, bytes);
    });
    int records = 0;
    const double load = bench::MedianMs(7, [&] {
        AddressTable loaded;
        code |= static_cast<int>(loaded.LoadTable(path));
        records = loaded.GetRecordCount();
    });
    if (code != 0 || records != 100000) {
        std::fprintf(stderr, "table_bench: save/load failed (code %d, %d records)\n", code, records);
        return 1;
    }
    bench::Print("table_file_bytes", static_cast<double>(size), "bytes");
    bench::Print("save_100k_ms", save, "ms");
    bench::Print("load_100k_ms", load, "ms");
    bench::Print("read_bytes_ms", read, "ms");
    bench::Print("load_vs_read_ratio", load / read, "x");
    return 0;
}
