#pragma once
// Finding an address by postal code in "YubinS.idx" and "YubinS.dat". Both files are
// read in small pieces; a damaged file makes a lookup answer nothing, never read past
// what the file holds.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nrt {

// Random access to the bytes of a dictionary file.
class PostalByteSource {
public:
    virtual ~PostalByteSource() = default;
    // Exactly `size` bytes at `offset`, or false.
    virtual bool ReadAt(std::uint64_t offset, void* data, std::size_t size) const = 0;
};

// A dictionary file already in memory (tests, fuzzing).
class PostalMemorySource : public PostalByteSource {
public:
    explicit PostalMemorySource(std::string_view bytes)
        : bytes_(bytes)
    {
    }
    bool ReadAt(std::uint64_t offset, void* data, std::size_t size) const override;

private:
    std::string_view bytes_;
};

// An index entry as stored: the code (7 digits and a zero byte) and the offset of the
// record in "YubinS.dat".
struct PostalIndexEntry {
    std::array<char, 8> code {};
    std::uint32_t offset = 0;

    std::string_view Code() const;
};

// The texts of one record of "YubinS.dat".
struct PostalRecordText {
    std::string address; // prefecture name, a space, city name and town name
    std::string reading; // the same readings
};

// Only the form ddd-dddd can be found: a text over 8 bytes, or one over 3 bytes whose
// fourth byte is not "-", is refused. With several entries of the code, the first one in
// the index is the answer.
std::optional<PostalIndexEntry> FindPostalCode(std::string_view postalFolder, std::string_view text);
std::optional<PostalIndexEntry> FindPostalCodeIn(const PostalByteSource& index, std::string_view text);

// How many entries share the code that FindPostalCode finds (0 when none): one code may
// serve several towns.
int CountPostalCode(std::string_view postalFolder, std::string_view text);
int CountPostalCodeIn(const PostalByteSource& index, std::string_view text);

// The record at `offset`; false with empty texts when the dictionary cannot be read or
// the record is longer than 519 bytes.
bool ReadPostalRecord(std::string_view postalFolder, std::uint32_t offset, PostalRecordText& out);
bool ReadPostalRecordIn(const PostalByteSource& data, std::uint32_t offset, PostalRecordText& out);

// The city and town name of a postal code ("1000013" or "100-0013"): the address of
// its first dictionary entry without the prefecture; "" when the code is not found.
std::string TownOfPostalCode(std::string_view postalFolder, std::string_view code);

// The prefecture of an address written without one: that of the postal code when the
// address begins with the code's city; "" otherwise or when the code is not found.
std::string PrefectureOfAddress(std::string_view postalFolder, std::string_view code, std::string_view address);

// The prefectures of the dictionary's city names ("sityo%d.dat"), for an address
// written with neither prefecture nor postal code. Read once; an absent dictionary
// knows no city.
class CityPrefectures {
public:
    explicit CityPrefectures(std::string_view postalFolder);
    // The prefecture index (0..46) of the city a CP932 address begins with, the longest
    // name winning; -1 when no city matches or cities of two prefectures do (府中市).
    int Of(std::string_view address) const;

private:
    std::vector<std::pair<std::string, int>> cities_;
};

} // namespace nrt
