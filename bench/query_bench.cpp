// Selecting and sorting 100,000 records with the record set, beside SQLite (in memory,
// the same rows as a 24-column table, default collation) doing the same in one run;
// and loading a 100,000-line CSV file against reading its bytes.
#include "BenchSupport.h"

#include "db/CsvReader.h"
#include "db/RecordSet.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace nrt;

namespace {

constexpr int kRecords = 100000;
constexpr int kRuns = 7;
constexpr int kCsvRuns = 15;

// The fields of the all-fields extraction, as the list builds it.
constexpr const char* kSearchFields[]
    = { "名前", "カナ", "敬称", "性別", "生年月日", "郵便番号", "都道府県", "住所１", "住所２", "電話番号", "ＦＡＸ",
          "携帯番号", "メール", "ＨＰ", "大分類", "小分類", "備考１", "備考２", "更新日", "登録日" };

// Nine in ten records lose their date of birth, the way most address books look.
void ThinOutBirthdays(AddressTable& db)
{
    for (int k = 0; k < db.GetRecordCount(); ++k) {
        bench::Require(db.ReadRecord(k));
        char date[16];
        std::snprintf(date, sizeof date, "%04d/%02d/%02d", 1940 + k % 70, 1 + k % 12, 1 + k % 28);
        bench::Require(db.SetValue(field::kBirthday, k % 10 == 0 ? std::string_view(date) : std::string_view()));
        bench::Require(db.PostRecord());
    }
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

class Sqlite {
public:
    Sqlite() { sqlite3_open(":memory:", &db_); }
    ~Sqlite() { sqlite3_close(db_); }
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;

    bool Exec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }

    bool Fill(const AddressTable& table)
    {
        std::string create = "CREATE TABLE addr(", insert = "INSERT INTO addr VALUES(";
        for (int f = 0; f < table.GetFieldCount(); ++f) {
            create += (f ? ", \"" : "\"") + platform::SjisToUtf8(table.GetField(f).name) + "\" TEXT";
            insert += f ? ", ?" : "?";
        }
        if (!Exec(create + ")") || !Exec("BEGIN"))
            return false;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, (insert + ")").c_str(), -1, &st, nullptr) != SQLITE_OK)
            return false;
        bool ok = true;
        for (int k = 0; ok && k < table.GetRecordCount(); ++k) {
            for (int f = 0; f < table.GetFieldCount(); ++f) {
                const std::string v = platform::SjisToUtf8(table.Value(f, k));
                sqlite3_bind_text(st, f + 1, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
            }
            ok = sqlite3_step(st) == SQLITE_DONE;
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        return ok && Exec("COMMIT");
    }

    // The rowids of the result, in order; empty on failure.
    std::vector<long long> Rowids(const std::string& where, const std::string& order)
    {
        std::vector<long long> rows;
        const std::string sql = "SELECT rowid FROM addr WHERE " + where + " ORDER BY " + order;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "query_bench: %s\n", sqlite3_errmsg(db_));
            return rows;
        }
        while (sqlite3_step(st) == SQLITE_ROW)
            rows.push_back(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
        return rows;
    }

private:
    sqlite3* db_ = nullptr;
};

// The records as the CSV export writes them: every value quoted, CR LF line ends.
std::string CsvOf(const AddressTable& db)
{
    std::string out;
    auto quoted = [&out](std::string_view v) {
        out.push_back('"');
        for (char c : v) {
            if (c == '"')
                out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
    };
    for (int f = 0; f < db.GetFieldCount(); ++f) {
        if (f)
            out.push_back(',');
        quoted(db.GetField(f).name);
    }
    out += "\r\n";
    for (int k = 0; k < db.GetRecordCount(); ++k) {
        for (int f = 0; f < db.GetFieldCount(); ++f) {
            if (f)
                out.push_back(',');
            quoted(db.Value(f, k));
        }
        out += "\r\n";
    }
    return out;
}

struct Query {
    std::string condition; // CP932, for the record set
    std::string sort; // CP932
    std::string where; // UTF-8, for SQLite
    std::string order;
};

bool Run(
    const char* name, const char* sqliteName, const char* ratioName, AddressTable& table, Sqlite& sql, const Query& q)
{
    RecordSet rec;
    rec.Attach(&table);
    if (rec.SetSort(q.sort, 0) != SortError::kNone) {
        std::fprintf(stderr, "query_bench: %s cannot sort\n", name);
        return false;
    }
    SelectResult code = SelectResult::kSelected;
    const double ours = bench::MedianMs(kRuns, [&] { code = rec.Select(q.condition); });
    std::vector<long long> theirs;
    const double peer = bench::MedianMs(kRuns, [&] { theirs = sql.Rowids(q.where, q.order); });
    if (code != SelectResult::kSelected || rec.GetRowCount() != static_cast<int>(theirs.size())) {
        std::fprintf(stderr, "query_bench: %s selected %d rows (code %d), SQLite %zu\n", name, rec.GetRowCount(),
            static_cast<int>(code), theirs.size());
        return false;
    }
    bench::Print(name, ours, "ms");
    bench::Print(sqliteName, peer, "ms");
    bench::Print(ratioName, ours / peer, "x");
    return true;
}

} // namespace

int main()
{
    AddressTable table;
    table.CreateDefaultTable();
    bench::FillTable(table, kRecords);
    ThinOutBirthdays(table);
    Sqlite sql;
    if (!sql.Fill(table)) {
        std::fprintf(stderr, "query_bench: cannot fill SQLite\n");
        return 1;
    }
    const std::string byKana = SJ("カナ, 名前");

    Query kana { SJ("宛名区分='0'  and カナ>='ｱ' and カナ<'ｶ'"), byKana,
        "\"宛名区分\"='0' AND \"カナ\">='ｱ' AND \"カナ\"<'ｶ'", "\"カナ\", \"名前\"" };

    Query all { SJ("宛名区分='0'  and ("), byKana, "\"宛名区分\"='0' AND (", "\"カナ\", \"名前\"" };
    for (const char* f : kSearchFields) {
        const bool first = f == kSearchFields[0];
        all.condition += (first ? "" : " or ") + platform::Utf8ToSjis(f) + SJ("= '*山*'");
        all.where += std::string(first ? "" : " OR ") + "\"" + f + "\" LIKE '%山%'";
    }
    all.condition += ")";
    all.where += ")";

    Query sparse { SJ("宛名区分='0' "), SJ("生年月日"), "\"宛名区分\"='0'", "\"生年月日\"" };

    if (!Run("kana_select_sort_ms", "sqlite_kana_ms", "kana_vs_sqlite_ratio", table, sql, kana)
        || !Run("allfields_ms", "sqlite_allfields_ms", "allfields_vs_sqlite_ratio", table, sql, all))
        return 1;

    const std::string path = bench::ScratchDir() + "/records.csv";
    if (!platform::fs::AtomicWriteFile(path, CsvOf(table))) {
        std::fprintf(stderr, "query_bench: cannot write %s\n", path.c_str());
        return 1;
    }
    // The baseline reads the bytes as the reader does (one read into fresh memory of the
    // file's size). Reading and loading alternate, so that a busy moment of the machine
    // falls on both alike.
    std::vector<double> reads, loads;
    CsvReader::Result code = CsvReader::Result::kOk;
    int rows = 0;
    for (int run = 0; run < kCsvRuns; ++run) {
        reads.push_back(bench::MedianMs(1, [&] {
            std::unique_ptr<char[]> bytes;
            std::size_t size = 0;
            platform::fs::ReadFile(path, bytes, size);
        }));
        loads.push_back(bench::MedianMs(1, [&] {
            CsvReader csv;
            code = csv.LoadCsv(path, 1);
            rows = csv.GetRowCount();
        }));
    }
    const double read = Median(reads);
    const double load = Median(loads);
    if (code != CsvReader::Result::kOk || rows != kRecords) {
        std::fprintf(stderr, "query_bench: LoadCsv gave %d with %d rows\n", static_cast<int>(code), rows);
        return 1;
    }
    bench::Print("csv_read_100k_ms", read, "ms");
    bench::Print("csv_load_100k_ms", load, "ms");
    bench::Print("csv_vs_read_ratio", load / read, "x");

    if (!Run("sparse_sort_ms", "sqlite_sparse_sort_ms", "sparse_vs_sqlite_ratio", table, sql, sparse))
        return 1;
    return 0;
}
