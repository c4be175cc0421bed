#pragma once
// Comparing an address with the postal dictionary: the texts folded so that the usual ways
// of writing one place compare equal, and the dictionary held in memory both ways, code to
// places and address to codes. Texts are CP932 unless said otherwise.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nrt::check {

// The text folded for comparing addresses (UTF-8): blanks dropped; full-width letters,
// digits and hyphens half-width, letters upper-case; half-width katakana full-width;
// ヶ, ヵ, が and ガ as ケ; 之 and ノ as の; ッ as ツ; 大字 and 字 dropped; a kanji number in
// front of 丁目, 丁, 番, 号, 条, 線 or 地割 written in Arabic digits.
std::string MatchKey(std::string_view sjis);

// One entry of the dictionary.
struct PostalPlace {
    std::string code; // 7 digits
    int prefecture = -1; // 0..46
    std::string place; // city and town as the dictionary writes them (CP932)
    std::string key; // MatchKey of `place`
};

class PostalIndex {
public:
    PostalIndex() = default;
    // Moved, never copied: the maps look into the places' own texts.
    PostalIndex(PostalIndex&&) = default;
    PostalIndex& operator=(PostalIndex&&) = default;
    PostalIndex(const PostalIndex&) = delete;
    PostalIndex& operator=(const PostalIndex&) = delete;

    // The dictionary of `postalFolder` ("YubinS.idx", "YubinS.dat"); an absent or
    // unreadable one gives an empty index, which knows no code.
    static PostalIndex Load(std::string_view postalFolder);
    // An index of places given directly (tests).
    static PostalIndex Of(std::vector<PostalPlace> places);

    bool Empty() const { return places_.empty(); }
    std::size_t Size() const { return places_.size(); }
    // Every entry, ordered by code.
    const std::vector<PostalPlace>& Places() const { return places_; }

    // The places of a code of 7 digits, in dictionary order (one code may serve several).
    std::vector<const PostalPlace*> PlacesOf(std::string_view digits) const;
    // The places an address reads to: those whose city and town is the longest start of
    // `addressKey` (a MatchKey of the address without its prefecture), of prefecture
    // `prefecture` (-1: any). A whole city's entry answers only when the city has no
    // other town that could be meant; otherwise the answer is empty. One place per code.
    std::vector<const PostalPlace*> Read(std::string_view addressKey, int prefecture) const;

private:
    void Build();

    std::vector<PostalPlace> places_; // ordered by code
    // MatchKey of city and town to the places that have it.
    std::unordered_map<std::string_view, std::vector<std::uint32_t>> byKey_;
    // Keys that are the start of another key (a whole city's entry beside its towns).
    std::unordered_map<std::string_view, bool> hasLonger_;
};

// The prefecture an address begins with (its index) and the address without it; -1 and
// the address as it is when it begins with none.
int SplitPrefecture(std::string_view sjis, std::string_view& rest);

} // namespace nrt::check
