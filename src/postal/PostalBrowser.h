#pragma once
// The address browser's data: a walk from prefecture to city to town through the
// dictionary's browsing files, with the kana filter, as the window AddressBrowser shows it.
// The window only draws the rows and captions and forwards its buttons here.

#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class LineList;

// One grid row: the code cell (" --- " on the prefecture and city levels, ddd-dddd on the
// town level), the name and the reading. `number` is the leading number of the list line
// (prefecture index or city number); rows of towns carry 0.
struct PostalBrowserRow {
    std::string code;
    std::string name;
    std::string reading;
    int number = 0;
};

// Whether the folder holds a dictionary to browse ("todo.dat"); without one the browser
// would only show empty lists and every lookup would fail.
bool PostalDictionaryPresent(std::string_view postalFolder);
// PostalDictionaryPresent, and when it is not, the message that says so and how to
// import one ("注意").
bool CheckPostalDictionary(std::string_view postalFolder);

// Kana filters 0 (all) to 10 (ワ) on the first byte of a half-width reading.
inline constexpr int kKanaFilterCount = 11;
bool PassesKanaFilter(int filter, std::string_view reading);

// Rows of "todo.dat" or "sityo%d.dat" lines (number, code, name, reading, each ended by a
// zero byte), filtered. No row left gives none; the browser adds the empty row.
std::vector<PostalBrowserRow> PostalListRows(const LineList& lines, int filter);
// Rows of the towns of city `cityNumber` from the bytes of "tyo%d.idx" and "tyo%d.dat".
// False when the city's index entry cannot be read.
bool PostalTownRows(std::string_view townIndex, std::string_view towns, int cityNumber, int filter,
    std::vector<PostalBrowserRow>& rows);

class PostalBrowser {
public:
    enum Level { kPrefectures = 0, kCities = 1, kTowns = 2 };
    // What choosing a row did.
    enum class ChooseResult { kNothing, kEntered, kConfirmed };

    explicit PostalBrowser(std::string postalFolder);

    // Opens at the cities of the input form's prefecture when it is one of the 47,
    // otherwise at the prefectures.
    void Start(std::string_view prefectureName);
    // Opens at the towns of the code `code` (ddd-dddd) of that prefecture, in the city
    // that has them, with only those towns listed; as Start when none is found.
    void StartAtCode(std::string_view prefectureName, std::string_view code);

    int GetLevel() const { return level_; }
    int GetFilter() const { return filter_; }
    // Rows under the header; never empty (one empty row when nothing is listed).
    const std::vector<PostalBrowserRow>& Rows() const { return rows_; }
    // The number shown in "lbl_Ken": rows, or 0 when the first row's code cell is empty.
    int ShownCount() const;
    // Text colour: navy while a kana filter is set.
    bool IsFiltered() const { return filter_ != 0; }

    const std::string& Caption() const;
    const std::string& OkCaption() const;
    // The chosen part of the address ("lbl_Zyusyo").
    std::string AddressLabel() const;
    bool PrefecturesEnabled() const { return level_ != kPrefectures; }
    bool CitiesEnabled() const { return citiesEnabled_; }

    // A kana button: sets the filter and fills the current level again.
    void SetFilter(int filter);
    // OK or a double click on row `row`; beeps and returns kNothing when there is no row.
    [[nodiscard]] ChooseResult Choose(int row);
    void BackToCities(); // "cmd_Sityo"
    void BackToPrefectures(); // "cmd_Todo"

    bool Confirmed() const { return confirmed_; }
    int PrefectureIndex() const { return prefecture_; }
    int CityNumber() const { return city_; }
    const std::string& ChosenPrefecture() const { return prefectureName_; }
    const std::string& ChosenCity() const { return cityName_; }
    const std::string& ChosenTown() const { return townName_; }
    // ddd-dddd.
    const std::string& ChosenCode() const { return code_; }

private:
    void Enter(int level);
    void Fill();
    std::string File(std::string_view name) const;

    std::string folder_;
    int level_ = kPrefectures;
    int prefecture_ = -1;
    int city_ = 0;
    int filter_ = 0;
    bool citiesEnabled_ = false;
    bool confirmed_ = false;
    std::string prefectureName_;
    std::string cityName_;
    std::string townName_;
    std::string code_;
    std::string onlyCode_; // the towns listed are those of this code (empty: all)
    std::vector<PostalBrowserRow> rows_;
};

} // namespace nrt
