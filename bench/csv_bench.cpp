// CSV import of a 10,000-row file and export of the same table. The import is the
// import proper (header check, reading, the check of every value, category lists,
// records), set beside what a developer would reach for instead: the same rows inserted
// into an in-memory SQLite table of 24 text columns through one prepared statement in
// one transaction. It is measured on the Shift-JIS file and on the same file in UTF-8
// with a byte-order mark. The window's whole run, which also saves the remembered file
// name (one small synced file), is given beside it. The export is the window's whole
// run, written through a temporary file and synced, as the plain write is.
#include "BenchSupport.h"

#include "db/CsvReader.h"
#include "db/RecordSet.h"
#include "exchange/CsvExport.h"
#include "exchange/CsvImport.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <sqlite3.h>

using namespace nrt;

namespace {

// The peer: the rows' cells into a fresh in-memory table, as bytes (SQLite keeps text
// as it is given). False on any failure.
bool InsertIntoSqlite(const std::vector<std::string>& names, const std::vector<std::vector<std::string>>& rows)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    std::string create = "CREATE TABLE addr(", insert = "INSERT INTO addr VALUES(";
    for (std::size_t c = 0; c < names.size(); ++c) {
        create += (c ? ", c" : "c") + std::to_string(c) + " TEXT";
        insert += c ? ", ?" : "?";
    }
    sqlite3_stmt* st = nullptr;
    bool ok = sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr) == SQLITE_OK
        && sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &st, nullptr) == SQLITE_OK;
    for (std::size_t r = 0; ok && r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            sqlite3_bind_text(
                st, static_cast<int>(c) + 1, rows[r][c].data(), static_cast<int>(rows[r][c].size()), SQLITE_STATIC);
        ok = sqlite3_step(st) == SQLITE_DONE && sqlite3_reset(st) == SQLITE_OK;
    }
    sqlite3_finalize(st);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace

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
    AppSettings settings(folders);
    settings.ReadSettings(true);

    AddressTable db;
    db.CreateDefaultTable();
    bench::FillTable(db, 10000);
    RecordSet rec;
    rec.Attach(&db);
    if (rec.Select(std::string_view()) != SelectResult::kSelected) {
        std::fprintf(stderr, "csv_bench: the records were not selected\n");
        return 1;
    }

    CsvExport::Request request;
    request.typedName = dir + "/records.csv";
    for (int f = 0; f < db.GetFieldCount(); ++f)
        request.fields.push_back(db.GetField(f).name);
    CsvExport out(settings);
    int failures = 0;
    const double exportMs
        = bench::MedianMs(9, [&] { failures += out.Run(request, rec) != CsvExport::Result::kExported; });
    std::string bytes;
    platform::fs::ReadFile(out.Path(), bytes);
    const std::string copy = dir + "/copy.csv";
    const double writeMs = bench::MedianMs(9, [&] { failures += !platform::fs::AtomicWriteFile(copy, bytes); });

    int records = 0;
    const double importMs = bench::MedianMs(9, [&] {
        AddressTable table;
        table.CreateDefaultTable();
        CsvImport in(settings, table);
        failures += in.Load(out.Path()) != CsvImport::Result::kImported;
        records = table.GetRecordCount();
    });
    const double runMs = bench::MedianMs(9, [&] {
        AddressTable table;
        table.CreateDefaultTable();
        CsvImport in(settings, table);
        failures += in.Run(out.Path()) != CsvImport::Result::kImported;
        records = std::min(records, table.GetRecordCount());
    });
    // The same file in UTF-8, as spreadsheets and phones write it.
    CsvExport::Request utf8Request = request;
    utf8Request.typedName = dir + "/records-utf8.csv";
    utf8Request.utf8 = true;
    CsvExport utf8Out(settings);
    failures += utf8Out.Run(utf8Request, rec) != CsvExport::Result::kExported;
    int utf8Records = 0;
    const double importUtf8Ms = bench::MedianMs(9, [&] {
        AddressTable table;
        table.CreateDefaultTable();
        CsvImport in(settings, table);
        failures += in.Load(utf8Out.Path()) != CsvImport::Result::kImported;
        utf8Records = table.GetRecordCount();
    });

    // The peer's rows: the cells of the same file, split beforehand.
    CsvReader csv;
    failures += csv.LoadCsv(out.Path(), 1) != CsvReader::Result::kOk;
    std::vector<std::string> names;
    for (int c = 0; c < csv.GetColumnCount(); ++c)
        names.emplace_back(csv.GetHeader(c));
    std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(csv.GetRowCount()));
    for (int r = 0; r < csv.GetRowCount(); ++r)
        for (int c = 0; c < csv.GetColumnCount(); ++c)
            rows[static_cast<std::size_t>(r)].emplace_back(csv.GetCell(r, c));
    const double sqliteMs = bench::MedianMs(9, [&] { failures += !InsertIntoSqlite(names, rows); });

    if (failures != 0 || records != 10000 || utf8Records != 10000 || rows.size() != 10000) {
        std::fprintf(stderr, "csv_bench: %d failed runs, %d and %d records imported\n", failures, records, utf8Records);
        return 1;
    }
    bench::Print("csv_file_bytes", static_cast<double>(bytes.size()), "bytes");
    bench::Print("import_10k_ms", importMs, "ms");
    bench::Print("import_utf8_10k_ms", importUtf8Ms, "ms");
    bench::Print("sqlite_insert_10k_ms", sqliteMs, "ms");
    bench::Print("import_vs_sqlite_ratio", importMs / sqliteMs, "x");
    bench::Print("import_run_10k_ms", runMs, "ms");
    bench::Print("export_10k_ms", exportMs, "ms");
    bench::Print("write_bytes_ms", writeMs, "ms");
    bench::Print("export_vs_write_ratio", exportMs / writeMs, "x");
    return 0;
}
