// nortea-postal-dictionary LIST FOLDER: builds the postal dictionary shipped beside the
// programs from a list in the national postal-code list's CSV form, with the program's
// own importer. Used by the build (ShipPostal.cmake); prints the importer's result.
#include "platform/sjis.h"
#include "postal/PostalDictionary.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: nortea-postal-dictionary LIST FOLDER\n");
        return 2;
    }
    using namespace nrt;
    PostalListStats stats;
    const PostalImportResult result
        = ImportPostalList(platform::Utf8ToSjis(argv[1]), platform::Utf8ToSjis(argv[2]), {}, &stats);
    std::fprintf(result == PostalImportResult::kOk ? stdout : stderr, "nortea-postal-dictionary: %s: %s\n", argv[2],
        platform::SjisToUtf8(PostalImportMessage(result, stats)).c_str());
    if (stats.shortLines || stats.badCodes || stats.cutColumns)
        std::fprintf(stderr, "nortea-postal-dictionary: skipped %d short lines and %d bad codes, cut %d columns\n",
            stats.shortLines, stats.badCodes, stats.cutColumns);
    return result == PostalImportResult::kOk ? 0 : 1;
}
