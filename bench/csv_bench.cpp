// CSV import of a 10,000-row file and export of the same table, each beside plain
// reading or writing of the same bytes. The import is the import proper (header check,
// reading, the check of every value, category lists, records); the window's whole run,
// which also saves the remembered file name (one small synced file), is given beside
// it. The export is the window's whole run, written through a temporary file and
// synced, as the plain write is.
#include "BenchSupport.h"

#include "db/Cmyrec.h"
#include "exchange/CMyExport.h"
#include "exchange/CMyImport.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "settings/Cmyglobal.h"

#include <algorithm>
#include <cstdio>

using namespace nrt;

int main()
{
    // The questions are answered Yes and the boxes kept quiet.
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scope(host);
    const std::string dir = bench::ScratchDir();
    StartupFolders folders;
    folders.dataFolder = dir + "/data";
    folders.programFolder = dir;
    folders.documentsFolder = dir;
    CMyGlobal global(folders);
    global.ReadSettings(true);

    CMyDB db;
    db.CreateDefaultTable();
    bench::FillTable(db, 10000);
    CMyRec rec;
    rec.Attach(&db);
    rec.Select(std::string_view());

    CMyExport::Request request;
    request.typedName = dir + "/records.csv";
    for (int f = 0; f < db.GetFieldCount(); ++f)
        request.fields.push_back(db.GetField(f).name);
    CMyExport out(global);
    int failures = 0;
    const double exportMs = bench::MedianMs(9, [&] { failures += out.Run(request, rec) != CMyExport::kExported; });
    std::string bytes;
    platform::fs::ReadFile(out.Path(), bytes);
    const std::string copy = dir + "/copy.csv";
    const double writeMs = bench::MedianMs(9, [&] { failures += !platform::fs::AtomicWriteFile(copy, bytes); });

    int records = 0;
    const double importMs = bench::MedianMs(9, [&] {
        CMyDB table;
        table.CreateDefaultTable();
        CMyImport in(global, table);
        failures += in.Load(out.Path()) != CMyImport::kImported;
        records = table.GetRecordCount();
    });
    const double runMs = bench::MedianMs(9, [&] {
        CMyDB table;
        table.CreateDefaultTable();
        CMyImport in(global, table);
        failures += in.Run(out.Path()) != CMyImport::kImported;
        records = std::min(records, table.GetRecordCount());
    });
    // A fresh buffer each time, as the import reads into fresh memory too.
    const double readMs = bench::MedianMs(9, [&] {
        std::string again;
        failures += !platform::fs::ReadFile(out.Path(), again);
    });

    if (failures != 0 || records != 10000) {
        std::fprintf(stderr, "csv_bench: %d failed runs, %d records imported\n", failures, records);
        return 1;
    }
    bench::Print("csv_file_bytes", static_cast<double>(bytes.size()), "bytes");
    bench::Print("import_10k_ms", importMs, "ms");
    bench::Print("read_bytes_ms", readMs, "ms");
    bench::Print("import_vs_read_ratio", importMs / readMs, "x");
    bench::Print("import_run_10k_ms", runMs, "ms");
    bench::Print("export_10k_ms", exportMs, "ms");
    bench::Print("write_bytes_ms", writeMs, "ms");
    bench::Print("export_vs_write_ratio", exportMs / writeMs, "x");
    return 0;
}
