#include "postal/PostalDictionary.h"

#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalSort.h"
#include "postal/Prefectures.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace nrt {
namespace {

// The new dictionary is written here and swapped in; the old one waits here until the
// new one is in place.
constexpr std::string_view kNewSuffix = ".new";
constexpr std::string_view kOldSuffix = ".old";

void PutLE32(std::string& out, std::uint32_t v)
{
    const char bytes[4] = { static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
        static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF) };
    out.append(bytes, 4);
}

void PutText(std::string& out, std::string_view text)
{
    out.append(text);
    out.push_back('\0');
}

struct IndexEntry {
    std::array<char, 8> code {};
    std::uint32_t offset = 0;
};

int CompareCodes(const IndexEntry& a, const IndexEntry& b)
{
    return std::strncmp(a.code.data(), b.code.data(), a.code.size());
}

void BuildLookupFiles(const PostalListImport& list, std::string& dat, std::string& idx)
{
    std::vector<IndexEntry> entries;
    entries.reserve(static_cast<std::size_t>(list.Count()));
    dat.reserve(static_cast<std::size_t>(list.Count()) * 80);
    std::string address, reading;
    for (int i = 0; i < list.Count(); ++i) {
        // The lookup fills the address from this text: the town without its remark. The
        // browsing files keep the remark, which tells towns of one name apart.
        address.assign(list.Column(i, kPC_PrefName)).append(" ");
        address.append(list.Column(i, kPC_CityName)).append(TownWithoutRemark(list.Column(i, kPC_TownName)));
        reading.assign(list.Column(i, kPC_PrefReading)).append(" ");
        reading.append(list.Column(i, kPC_CityReading)).append(ReadingWithoutRemark(list.Column(i, kPC_TownReading)));

        IndexEntry entry;
        const std::string_view code = list.Column(i, kPC_Code);
        std::memcpy(entry.code.data(), code.data(), std::min(code.size(), entry.code.size() - 1));
        entry.offset = static_cast<std::uint32_t>(dat.size());
        entries.push_back(entry);

        PutLE32(dat, static_cast<std::uint32_t>(address.size() + reading.size() + 10));
        PutLE32(dat, static_cast<std::uint32_t>(address.size() + 9));
        PutText(dat, address);
        PutText(dat, reading);
    }

    postal::SortLikeDictionary(entries, CompareCodes);
    idx.reserve(4 + entries.size() * 12);
    PutLE32(idx, static_cast<std::uint32_t>(entries.size()));
    for (const auto& e : entries) {
        idx.append(e.code.data(), e.code.size());
        PutLE32(idx, e.offset);
    }
}

void BuildBrowsingFiles(const PostalListImport& list, std::vector<PostalFileImage>& files)
{
    // The records of each prefecture, in sorted order.
    std::vector<std::vector<int>> byPrefecture(kPrefectureCount);
    std::string_view lastName;
    int last = -1;
    for (int i = 0; i < list.Count(); ++i) {
        // Sorted by reading, one prefecture's records mostly follow each other.
        const std::string_view name = list.Column(i, kPC_PrefName);
        if (i == 0 || name != lastName) {
            lastName = name;
            last = PrefectureIndex(name);
        }
        if (last >= 0)
            byPrefecture[static_cast<std::size_t>(last)].push_back(i);
    }

    std::string prefectures;
    std::vector<PostalFileImage> perPrefecture;
    for (int p = 0; p < kPrefectureCount; ++p) {
        const auto& records = byPrefecture[static_cast<std::size_t>(p)];
        if (records.empty())
            continue;
        const int first = records.front();
        prefectures.append(std::to_string(p)).push_back('\0');
        PutText(prefectures, list.Column(first, kPC_Code));
        PutText(prefectures, PrefectureName(p));
        PutText(prefectures, list.Column(first, kPC_PrefReading));
        prefectures.append("\r\n");

        std::string cities, townIndex, towns;
        int cityNumber = 0;
        std::uint32_t cityStart = 0, cityTowns = 0;
        std::string_view previousCity;
        for (int i : records) {
            const std::string_view city = list.Column(i, kPC_CityName);
            if (cityNumber == 0 || city != previousCity) {
                if (cityNumber > 0) {
                    PutLE32(townIndex, cityStart);
                    PutLE32(townIndex, cityTowns);
                }
                ++cityNumber;
                cityStart = static_cast<std::uint32_t>(towns.size());
                cityTowns = 0;
                previousCity = city;
                cities.append(std::to_string(cityNumber)).push_back('\0');
                PutText(cities, list.Column(i, kPC_Code));
                PutText(cities, city);
                PutText(cities, list.Column(i, kPC_CityReading));
                cities.append("\r\n");
            }
            PutText(towns, list.Column(i, kPC_Code));
            PutText(towns, list.Column(i, kPC_TownName));
            PutText(towns, list.Column(i, kPC_TownReading));
            ++cityTowns;
        }
        PutLE32(townIndex, cityStart);
        PutLE32(townIndex, cityTowns);

        perPrefecture.push_back({ PostalCityListFile(p), std::move(cities) });
        perPrefecture.push_back({ PostalTownIndexFile(p), std::move(townIndex) });
        perPrefecture.push_back({ PostalTownFile(p), std::move(towns) });
    }
    files.push_back({ std::string(kPostalPrefectureFile), std::move(prefectures) });
    for (auto& f : perPrefecture)
        files.push_back(std::move(f));
}

std::string WithoutTrailingSlash(std::string_view path)
{
    std::string s(path);
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

// A swap cut short between its two renames leaves only the old folder: put it back.
void RecoverInterruptedSwap(const std::string& folder)
{
    const std::string old = folder + std::string(kOldSuffix);
    if (!platform::fs::Exists(folder) && platform::fs::IsDirectory(old))
        platform::fs::Rename(old, folder);
}

// Writes the files into the new folder and makes them durable before it can be swapped in.
bool WriteFolder(const std::string& folder, const std::vector<PostalFileImage>& files, const PostalProgress& report,
    int fromPercent, int toPercent)
{
    std::uint64_t total = 0, written = 0;
    for (const auto& f : files)
        total += f.bytes.size();
    std::vector<std::string> paths;
    paths.reserve(files.size() + 1);
    for (const auto& f : files) {
        paths.push_back(folder + "/" + f.name);
        if (!platform::fs::WriteNewFile(paths.back(), f.bytes))
            return false;
        written += f.bytes.size();
        if (report && total > 0)
            report(fromPercent + static_cast<int>((toPercent - fromPercent) * written / total));
    }
    paths.push_back(folder);
    return platform::fs::Sync(paths);
}

// Puts `fresh` in the place of `folder`; on failure the previous folder stays in place.
bool SwapIn(const std::string& fresh, const std::string& folder)
{
    const std::string old = folder + std::string(kOldSuffix);
    const bool hadOld = platform::fs::Exists(folder);
    if (hadOld && !platform::fs::Rename(folder, old))
        return false;
    if (!platform::fs::Rename(fresh, folder)) {
        if (hadOld)
            platform::fs::Rename(old, folder);
        return false;
    }
    if (hadOld)
        platform::fs::RemoveTree(old);
    const std::size_t slash = platform::FindLastChar(folder, '/');
    platform::fs::Sync({ slash == std::string::npos ? std::string(".") : folder.substr(0, slash + 1) });
    return true;
}

} // namespace

std::string PostalCityListFile(int prefecture)
{
    return "sityo" + std::to_string(prefecture) + ".dat";
}

std::string PostalTownIndexFile(int prefecture)
{
    return "tyo" + std::to_string(prefecture) + ".idx";
}

std::string PostalTownFile(int prefecture)
{
    return "tyo" + std::to_string(prefecture) + ".dat";
}

std::vector<PostalFileImage> BuildPostalDictionary(const PostalListImport& sorted)
{
    std::vector<PostalFileImage> files;
    files.reserve(3 + 3 * kPrefectureCount);
    std::string dat, idx;
    BuildLookupFiles(sorted, dat, idx);
    files.push_back({ std::string(kPostalDataFile), std::move(dat) });
    files.push_back({ std::string(kPostalIndexFile), std::move(idx) });
    BuildBrowsingFiles(sorted, files);
    return files;
}

PostalImportResult ImportPostalList(std::string_view listPath, std::string_view postalFolder,
    const PostalProgress& progress, PostalListStats* stats, int maxRecords)
{
    int shown = -1;
    auto report = [&](int percent) {
        if (progress && percent > shown) {
            shown = percent;
            progress(percent);
        }
    };
    report(0);
    if (!platform::fs::IsFile(listPath))
        return PostalImportResult::kListMissing;

    PostalListImport list(maxRecords);
    const bool read = list.Read(listPath,
        [&](std::uint64_t done, std::uint64_t size) { report(size ? static_cast<int>(40 * done / size) : 40); });
    if (stats)
        *stats = list.Stats();
    if (!read)
        return PostalImportResult::kListUnreadable;
    if (list.Refusal() == PostalListRefusal::TooManyRecords)
        return PostalImportResult::kListTooLarge;
    if (list.Refusal() == PostalListRefusal::BadFirstCode)
        return PostalImportResult::kListInvalid;
    if (list.Refusal() == PostalListRefusal::CutShort)
        return PostalImportResult::kListCutShort;
    if (list.Refusal() == PostalListRefusal::NotConvertible)
        return PostalImportResult::kListNotConvertible;
    if (list.Count() == 0)
        return PostalImportResult::kListEmpty;

    list.Sort();
    report(50);
    const std::vector<PostalFileImage> files = BuildPostalDictionary(list);
    report(60);

    const std::string folder = WithoutTrailingSlash(postalFolder);
    const std::string fresh = folder + std::string(kNewSuffix);
    const std::size_t slash = platform::FindLastChar(folder, '/');
    if (slash != std::string::npos && slash > 0)
        platform::fs::MakeDirs(folder.substr(0, slash));
    RecoverInterruptedSwap(folder);
    platform::fs::RemoveTree(fresh);
    platform::fs::RemoveTree(folder + std::string(kOldSuffix));

    if (!platform::fs::MakeDir(fresh) || !WriteFolder(fresh, files, report, 60, 99) || !SwapIn(fresh, folder)) {
        platform::fs::RemoveTree(fresh);
        return PostalImportResult::kWriteFailed;
    }
    report(100);
    return PostalImportResult::kOk;
}

const std::string& PostalImportMessage(PostalImportResult code)
{
    switch (code) {
    case PostalImportResult::kOk:
        return SJ("正常にインポートされました。");
    case PostalImportResult::kListMissing:
        return SJ("郵便番号データが見つかりません。");
    case PostalImportResult::kListUnreadable:
        return SJ("読み込みに失敗しました。");
    case PostalImportResult::kListEmpty:
        return SJ("データがありません。");
    case PostalImportResult::kListInvalid:
    case PostalImportResult::kListTooLarge:
        return SJ("郵便番号データが不正です。");
    case PostalImportResult::kListCutShort:
        return SJ("郵便番号データが途中で終わっています。");
    case PostalImportResult::kListNotConvertible:
        return SJ("郵便番号データに変換できない文字があります。");
    default:
        return SJ("郵便データ作成に失敗しました。");
    }
}

std::string PostalImportMessage(PostalImportResult code, const PostalListStats& stats)
{
    std::string text = PostalImportMessage(code);
    if (code != PostalImportResult::kListCutShort && code != PostalImportResult::kListNotConvertible)
        return text;
    text += SJ(" ") + std::to_string(stats.refusedLine) + SJ("行目：");
    switch (stats.lineFault) {
    case PostalLineFault::Empty:
        text += SJ("空の行のあとにデータがあります。");
        break;
    case PostalLineFault::TooLong:
        text += SJ("５１１バイトを超える行です。");
        break;
    case PostalLineFault::Unended:
        text += SJ("行の終わりがありません（ファイルが欠けています）。");
        break;
    default:
        text += SJ("Shift-JISにない文字が含まれています。");
        break;
    }
    text += SJ("\n郵便番号データは変更されていません。");
    return text;
}

void ShowPostalImportResult(PostalImportResult code, const PostalListStats& stats)
{
    if (code == PostalImportResult::kOk)
        platform::Inform(PostalImportMessage(code), SJ("住所録"), platform::MsgIcon::Information);
    else
        platform::Warn(PostalImportMessage(code, stats));
}

} // namespace nrt
