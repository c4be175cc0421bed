#include "postal/PostalLookup.h"

#include "db/LineList.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalBrowser.h"
#include "postal/PostalDictionary.h"
#include "postal/Prefectures.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace nrt {
namespace {

constexpr std::size_t kEntryBytes = 12;
constexpr std::uint32_t kRecordTextLimit = 512; // L - 8 must stay below it

std::uint32_t GetLE32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
        | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

class FileSource : public PostalByteSource {
public:
    explicit FileSource(std::string_view path)
        : file_(path)
    {
    }
    bool ReadAt(std::uint64_t offset, void* data, std::size_t size) const override
    {
        return file_.readAt(offset, data, size) == static_cast<long long>(size);
    }

private:
    platform::fs::FileReader file_;
};

bool ReadEntry(const PostalByteSource& index, std::uint32_t i, PostalIndexEntry& entry)
{
    unsigned char raw[kEntryBytes];
    if (!index.ReadAt(4 + static_cast<std::uint64_t>(i) * kEntryBytes, raw, sizeof raw))
        return false;
    std::memcpy(entry.code.data(), raw, entry.code.size());
    entry.offset = GetLE32(raw + 8);
    return true;
}

std::string Folder(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path.push_back('/');
    return path.append(name);
}

} // namespace

bool PostalMemorySource::ReadAt(std::uint64_t offset, void* data, std::size_t size) const
{
    if (offset > bytes_.size() || size > bytes_.size() - offset)
        return false;
    std::memcpy(data, bytes_.data() + offset, size);
    return true;
}

std::string_view PostalIndexEntry::Code() const
{
    // A damaged entry may lack its zero byte; the eight bytes are all there is.
    return std::string_view(code.data(), strnlen(code.data(), code.size()));
}

namespace {

// The first entry whose code is not below `key` (a binary search); `count` when none,
// and past `count` when an entry cannot be read.
std::uint32_t FirstPosition(const PostalByteSource& index, std::string_view key, std::uint32_t count)
{
    std::uint32_t low = 0, high = count;
    PostalIndexEntry entry;
    while (low < high) {
        const std::uint32_t mid = low + (high - low) / 2;
        if (!ReadEntry(index, mid, entry))
            return count + 1;
        if (entry.Code() < key)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

} // namespace

int CountPostalCodeIn(const PostalByteSource& index, std::string_view text)
{
    const std::optional<PostalIndexEntry> first = FindPostalCodeIn(index, text);
    if (!first)
        return 0;
    unsigned char head[4];
    if (!index.ReadAt(0, head, sizeof head))
        return 0;
    const std::uint32_t count = GetLE32(head);
    // The entries of one code lie together from the first one on.
    std::uint32_t at = FirstPosition(index, first->Code(), count);
    int n = 0;
    PostalIndexEntry entry;
    while (at < count && ReadEntry(index, at, entry) && entry.Code() == first->Code()) {
        ++n;
        ++at;
    }
    return n;
}

int CountPostalCode(std::string_view postalFolder, std::string_view text)
{
    return CountPostalCodeIn(FileSource(Folder(postalFolder, kPostalIndexFile)), text);
}

std::optional<PostalIndexEntry> FindPostalCodeIn(const PostalByteSource& index, std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    if (text.size() > 8 || (text.size() > 3 && text[3] != '-'))
        return std::nullopt;
    std::string key(text);
    if (key.size() > 3)
        key.erase(3, 1);

    unsigned char head[4];
    if (!index.ReadAt(0, head, sizeof head))
        return std::nullopt;
    const std::uint32_t count = GetLE32(head);
    if (static_cast<std::int32_t>(count) < 0)
        return std::nullopt;

    const std::uint32_t low = FirstPosition(index, key, count);
    PostalIndexEntry entry;
    if (low >= count || !ReadEntry(index, low, entry) || entry.Code() != std::string_view(key))
        return std::nullopt;
    return entry;
}

std::optional<PostalIndexEntry> FindPostalCode(std::string_view postalFolder, std::string_view text)
{
    return FindPostalCodeIn(FileSource(Folder(postalFolder, kPostalIndexFile)), text);
}

bool ReadPostalRecordIn(const PostalByteSource& data, std::uint32_t offset, PostalRecordText& out)
{
    out.address.clear();
    out.reading.clear();
    unsigned char head[8];
    if (!data.ReadAt(offset, head, sizeof head))
        return false;
    const std::uint32_t length = GetLE32(head);
    if (length < 8 || length - 8 >= kRecordTextLimit)
        return false;
    char text[kRecordTextLimit];
    const std::size_t size = length - 8;
    if (!data.ReadAt(static_cast<std::uint64_t>(offset) + 8, text, size))
        return false;
    const std::string_view bytes(text, size);
    const std::size_t end = bytes.find('\0');
    out.address.assign(bytes.substr(0, end));
    if (end != std::string_view::npos) {
        const std::string_view rest = bytes.substr(end + 1);
        out.reading.assign(rest.substr(0, rest.find('\0')));
    }
    return true;
}

bool ReadPostalRecord(std::string_view postalFolder, std::uint32_t offset, PostalRecordText& out)
{
    return ReadPostalRecordIn(FileSource(Folder(postalFolder, kPostalDataFile)), offset, out);
}

namespace {

// The first dictionary entry of a code ("1000013" or "100-0013") as its prefecture and
// its city and town; false when the code is not found.
bool PlaceOfPostalCode(
    std::string_view postalFolder, std::string_view code, std::string& prefecture, std::string& place)
{
    std::string text(code);
    if (text.size() == 7 && text.find('-') == std::string::npos)
        text = text.substr(0, 3) + "-" + text.substr(3);
    const std::optional<PostalIndexEntry> entry = FindPostalCode(postalFolder, text);
    PostalRecordText record;
    if (!entry || !ReadPostalRecord(postalFolder, entry->offset, record))
        return false;
    const std::size_t space = platform::FindChar(record.address, ' ');
    if (space == std::string::npos)
        return false;
    prefecture = record.address.substr(0, space);
    place = record.address.substr(space + 1);
    return true;
}

} // namespace

std::string TownOfPostalCode(std::string_view postalFolder, std::string_view code)
{
    std::string prefecture, place;
    return PlaceOfPostalCode(postalFolder, code, prefecture, place) ? place : std::string();
}

std::string PrefectureOfAddress(std::string_view postalFolder, std::string_view code, std::string_view address)
{
    std::string prefecture, place;
    if (!PlaceOfPostalCode(postalFolder, code, prefecture, place))
        return {};
    // The city ends at its first 市, 区, 町, 村 or 郡 (a county's town follows it).
    static const std::string kCityEnds[] = { SJ("市"), SJ("区"), SJ("町"), SJ("村"), SJ("郡") };
    for (std::size_t i = 0; i < place.size(); i += platform::CharLength(place, i)) {
        const std::string_view ch = std::string_view(place).substr(i, platform::CharLength(place, i));
        if (std::find(std::begin(kCityEnds), std::end(kCityEnds), ch) != std::end(kCityEnds))
            return address.starts_with(std::string_view(place).substr(0, i + ch.size())) ? prefecture : std::string();
    }
    return {};
}

CityPrefectures::CityPrefectures(std::string_view postalFolder)
{
    std::string folder(postalFolder);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    for (int p = 0; p < kPrefectureCount; ++p) {
        LineList lines;
        if (!lines.LoadText(folder + PostalCityListFile(p)))
            continue;
        for (PostalBrowserRow& row : PostalListRows(lines, 0))
            if (!row.name.empty())
                cities_.emplace_back(std::move(row.name), p);
    }
}

int CityPrefectures::Of(std::string_view address) const
{
    std::size_t longest = 0;
    int found = -1;
    for (const auto& [city, prefecture] : cities_) {
        if (city.size() < longest || !address.starts_with(city))
            continue;
        if (city.size() > longest || found == prefecture) {
            longest = city.size();
            found = prefecture;
        } else {
            found = -2; // the same name in two prefectures
        }
    }
    return found < 0 ? -1 : found;
}

} // namespace nrt
