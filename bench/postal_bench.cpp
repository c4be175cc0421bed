// The postal import of a full-size national list, side by side with GNU sort of the same
// file by its three reading columns, and lookups by postal code. The list is the converted
// shipped list (tools/postal-shipped.sh) when it is there, else a synthetic one of the
// same size.
#include "BenchSupport.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalDictionary.h"
#include "postal/PostalLookup.h"
#include "postal/Prefectures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace nrt;

namespace {

std::string ShippedList()
{
    if (const char* given = std::getenv("NRT_POSTAL_LIST"))
        return given;
    std::string cache;
    if (const char* dir = std::getenv("NRT_CACHE_DIR"))
        cache = dir;
    else if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
        cache = std::string(xdg) + "/nortea";
    else if (const char* home = std::getenv("HOME"))
        cache = std::string(home) + "/.cache/nortea";
    return cache + "/postal/KEN_ALL.CSV";
}

// A list shaped like the national one: 47 prefectures, about 1,900 cities, towns with
// readings of half-width katakana, some codes shared by several towns.
void WriteSyntheticList(const std::string& path, int lines)
{
    std::mt19937 rng(20261209);
    auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto reading = [&](int from, int to) {
        std::string s;
        for (int i = from + below(to - from + 1); i > 0; --i)
            s.push_back(static_cast<char>(0xB1 + below(0xDD - 0xB1 + 1)));
        return s;
    };
    const std::string kanji = platform::Utf8ToSjis("山川田中本村松竹梅桜森林北南東西上下新大小高野原島崎岡");
    auto name = [&](int from, int to) {
        std::string s;
        for (int i = from + below(to - from + 1); i > 0; --i)
            s += kanji.substr(static_cast<std::size_t>(2 * below(static_cast<int>(kanji.size() / 2))), 2);
        return s;
    };
    const std::string shi = platform::Utf8ToSjis("市"), cho = platform::Utf8ToSjis("町");
    std::set<int> used;
    std::string out;
    out.reserve(static_cast<std::size_t>(lines) * 90);
    int written = 0;
    for (int p = 0; p < kPrefectureCount && written < lines; ++p) {
        const std::string prefReading = reading(3, 5);
        const int prefLines = p + 1 == kPrefectureCount ? lines - written : lines / kPrefectureCount;
        const int cities = 35 + below(10);
        for (int c = 0; c < cities && written < lines; ++c) {
            const std::string cityName = name(2, 3) + shi, cityReading = reading(3, 8);
            const int towns = c + 1 == cities ? prefLines - prefLines / cities * c : prefLines / cities;
            char jis[8];
            std::snprintf(jis, sizeof jis, "%02d%03d", p + 1, 100 + c);
            int code = 0;
            for (int t = 0; t < towns && written < lines; ++t, ++written) {
                if (t == 0 || below(20) != 0) { // one town in twenty shares the previous code
                    do
                        code = below(10000000);
                    while (!used.insert(code).second);
                }
                char codeText[8];
                std::snprintf(codeText, sizeof codeText, "%07d", code);
                out += std::string(jis) + ",\"" + std::string(codeText, 3) + "  \",\"" + codeText + "\",\""
                    + prefReading + "\",\"" + cityReading + "\",\"" + reading(2, 12) + "\",\"" + PrefectureName(p)
                    + "\",\"" + cityName + "\",\"" + name(1, 4) + cho + "\",0,0,0,0,0,0\r\n";
            }
        }
    }
    platform::fs::AtomicWriteFile(path, out);
}

} // namespace

int main()
{
    const std::string dir = bench::ScratchDir();
    std::string list = ShippedList();
    const bool shipped = platform::fs::IsFile(list);
    if (!shipped) {
        list = dir + "/synthetic.csv";
        WriteSyntheticList(list, 120000);
    }
    std::string bytes;
    platform::fs::ReadFile(list, bytes);
    const auto lines = std::count(bytes.begin(), bytes.end(), '\r');

    const std::string postalFolder = dir + "/yubin";
    PostalImportResult code = PostalImportResult::kOk;
    const double import = bench::MedianMs(5, [&] {
        if (const PostalImportResult run = ImportPostalList(list, postalFolder); run != PostalImportResult::kOk)
            code = run;
    });
    const std::string sortCommand = "LC_ALL=C sort -t, -k4,4 -k5,5 -k6,6 '" + list + "' > '" + dir + "/sorted.csv'";
    int sortStatus = 0;
    const double sort = bench::MedianMs(5, [&] { sortStatus |= std::system(sortCommand.c_str()); });
    if (code != PostalImportResult::kOk || sortStatus != 0) {
        std::fprintf(stderr, "postal_bench: import %d, sort %d\n", static_cast<int>(code), sortStatus);
        return 1;
    }

    // 10,000 lookups of codes the dictionary holds, each timed alone.
    std::string index;
    platform::fs::ReadFile(postalFolder + "/YubinS.idx", index);
    const std::size_t entries = (index.size() - 4) / 12;
    std::mt19937 rng(7);
    std::vector<double> lookup, lookupAndRead;
    PostalRecordText text;
    for (int i = 0; i < 10000; ++i) {
        const char* entry = index.data() + 4 + 12 * (rng() % entries);
        const std::string typed = std::string(entry, 3) + "-" + std::string(entry + 3, 4);
        auto t0 = std::chrono::steady_clock::now();
        auto found = FindPostalCode(postalFolder, typed);
        auto t1 = std::chrono::steady_clock::now();
        const bool read = found && ReadPostalRecord(postalFolder, found->offset, text);
        auto t2 = std::chrono::steady_clock::now();
        if (!read) {
            std::fprintf(stderr, "postal_bench: %s not found\n", typed.c_str());
            return 1;
        }
        lookup.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        lookupAndRead.push_back(std::chrono::duration<double, std::micro>(t2 - t0).count());
    }
    auto percentile = [](std::vector<double> v, double q) {
        std::sort(v.begin(), v.end());
        return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
    };

    bench::Print(shipped ? "list_lines_shipped" : "list_lines_synthetic", static_cast<double>(lines), "lines");
    bench::Print("import_ms", import, "ms");
    bench::Print("sort_ms", sort, "ms");
    bench::Print("import_vs_sort_ratio", import / sort, "x");
    bench::Print("lookup_median_us", percentile(lookup, 0.5), "us");
    bench::Print("lookup_p99_us", percentile(lookup, 0.99), "us");
    bench::Print("lookup_and_record_p99_us", percentile(lookupAndRead, 0.99), "us");
    return 0;
}
