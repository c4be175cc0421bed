// The postal list reader on arbitrary bytes: whatever it keeps must sort as the literal
// procedure does and build a dictionary in which every record is found again by its code
// and every town of a known prefecture can be browsed to.
#include "db/LineList.h"
#include "postal/PostalBrowser.h"
#include "postal/PostalDictionary.h"
#include "postal/PostalListImport.h"
#include "postal/PostalLookup.h"
#include "postal/Prefectures.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

using namespace nrt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    PostalListImport list;
    list.Parse(bytes);
    if (list.Count() == 0)
        return 0;

    if (list.Count() <= 300) {
        PostalListImport literal;
        literal.Parse(bytes);
        literal.SortLiterally();
        list.Sort();
        for (int i = 0; i < list.Count(); ++i)
            if (list.Column(i, kPC_Code) != literal.Column(i, kPC_Code))
                std::abort();
    } else {
        list.Sort();
    }
    for (int i = 1; i < list.Count(); ++i)
        if (list.CompareReadings(i - 1, i) > 0)
            std::abort();

    std::map<std::string, std::string> files;
    for (auto& f : BuildPostalDictionary(list))
        files[f.name] = std::move(f.bytes);
    const PostalMemorySource index(files[std::string(kPostalIndexFile)]);
    const PostalMemorySource records(files[std::string(kPostalDataFile)]);
    int known = 0;
    for (int i = 0; i < list.Count(); ++i) {
        const std::string_view code = list.Column(i, kPC_Code);
        auto found = FindPostalCodeIn(index, std::string(code.substr(0, 3)) + "-" + std::string(code.substr(3)));
        PostalRecordText text;
        if (!found || found->Code() != code || !ReadPostalRecordIn(records, found->offset, text))
            std::abort();
        if (PrefectureIndex(list.Column(i, kPC_PrefName)) >= 0)
            ++known;
    }

    int browsed = 0;
    LineList prefectures;
    (void)prefectures.ParseText(files[std::string(kPostalPrefectureFile)]);
    for (const auto& p : PostalListRows(prefectures, 0)) {
        LineList cities;
        (void)cities.ParseText(files[PostalCityListFile(p.number)]);
        for (const auto& c : PostalListRows(cities, 0)) {
            std::vector<PostalBrowserRow> towns;
            if (!PostalTownRows(
                    files[PostalTownIndexFile(p.number)], files[PostalTownFile(p.number)], c.number, 0, towns))
                std::abort();
            browsed += static_cast<int>(towns.size());
        }
    }
    if (browsed != known)
        std::abort();
    return 0;
}
