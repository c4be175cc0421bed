#pragma once
// The postal dictionary: the files of the folder "yubin" built from a sorted postal-code
// list, and the import that replaces a dictionary folder with a new one.
//
// All integers are 32-bit little-endian, texts CP932 with a terminating zero byte.
//   YubinS.dat   records in sorted order: length L, offset of the reading (a + 9),
//                "pref city+town" address text, reading text (L = a + b + 10)
//   YubinS.idx   count, then per entry the 8-byte code and the record's offset,
//                ordered by code
//   todo.dat     per prefecture present: index, first code, name, reading, CR LF
//   sityo%d.dat  per city of prefecture %d: number from 1, first code, name, reading, CR LF
//   tyo%d.dat    per record of the prefecture: code, town name, town reading
//   tyo%d.idx    per city: offset of its first town record in tyo%d.dat, town count

#include "postal/PostalListImport.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

inline constexpr std::string_view kPostalDataFile = "YubinS.dat";
inline constexpr std::string_view kPostalIndexFile = "YubinS.idx";
inline constexpr std::string_view kPostalPrefectureFile = "todo.dat";
std::string PostalCityListFile(int prefecture); // "sityo%d.dat"
std::string PostalTownIndexFile(int prefecture); // "tyo%d.idx"
std::string PostalTownFile(int prefecture); // "tyo%d.dat"

struct PostalFileImage {
    std::string name;
    std::string bytes;
};

// Every file of the dictionary of a list already sorted, in the order they are written.
std::vector<PostalFileImage> BuildPostalDictionary(const PostalListImport& sorted);

// Results of ImportPostalList; PostalImportMessage gives each one's text.
enum class PostalImportResult : int {
    kOk = 0,
    kListMissing = 1, // "郵便番号データが見つかりません。"
    kListUnreadable = 2, // "読み込みに失敗しました。"
    kListEmpty = 3, // "データがありません。"
    kListInvalid = 4, // "郵便番号データが不正です。"
    kListTooLarge = 5, // more than 150,000 records; the same text as kListInvalid
    kWriteFailed = 6, // "郵便データ作成に失敗しました。"
    kListCutShort = 7, // an empty line, a line over 511 bytes or a cut-off last line
    kListNotConvertible = 8, // a UTF-8 list with a character CP932 does not have
};

// Percent of the whole import done, 0 to 100, called whenever it grows.
using PostalProgress = std::function<void(int percent)>;

// Reads the list at `listPath`, sorts it and writes a new dictionary in place of the
// folder `postalFolder` (created with its parents when missing). The new files are written
// into a folder beside it and swapped in only when every one is complete, so a failure
// leaves the previous dictionary as it was.
[[nodiscard]] PostalImportResult ImportPostalList(std::string_view listPath, std::string_view postalFolder,
    const PostalProgress& progress = {}, PostalListStats* stats = nullptr,
    int maxRecords = PostalListImport::kMaxRecords);

// The text shown for a result: the success text for kOk, a warning text otherwise.
const std::string& PostalImportMessage(PostalImportResult code);
// The same with the line a refusal of the list names (from the stats of the import).
std::string PostalImportMessage(PostalImportResult code, const PostalListStats& stats);
// Shows it as the import window does: "住所録" with OK for success, "注意" otherwise.
void ShowPostalImportResult(PostalImportResult code, const PostalListStats& stats = {});

} // namespace nrt
