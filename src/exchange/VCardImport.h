#pragma once
// vCard import: the cards of a vCard file (phones, web address books; 2.1, 3.0, 4.0,
// UTF-8, Shift-JIS or UTF-16) as addressees. Each card gives one record: the name
// family name first, the reading as half-width katakana, one address in Japanese order,
// telephone numbers by kind, mail, home page, birthday, the first group as 大分類,
// notes, the company lines and this program's own properties; a record without an
// honorific gets the input form's default. What a field cannot take is reported by
// card and property and the rest imported: characters outside CP932 (put as "〓"),
// values cut to their field's width, what the book has no field for. A card whose
// UID is one of the book's records is not imported again.

#include "db/AddressTable.h"
#include "exchange/RecordImport.h"
#include "exchange/VCardReader.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AppSettings;
class CityPrefectures;

class VCardImport {
public:
    // Results of Run; each refusal has shown its message.
    enum class Result : int {
        kImported = 0,
        kFileMissing = 2,
        kDeclined = 3,
        kReadFailed = 5,
        kRowRefused = static_cast<int>(RecordImport::Result::kRowRefused),
        kCategorySaveFailed = static_cast<int>(RecordImport::Result::kCategorySaveFailed),
        kTableSaveFailed = static_cast<int>(RecordImport::Result::kTableSaveFailed),
        kNoCards = 9,
        kNothingImported = 10, // no card had anything to import
    };
    using Observer = RecordImport::Observer;

    // The fields a card fills.
    static constexpr field::Index kFilled[] = { field::kSender, field::kPrintMark, field::kName, field::kKana,
        field::kHonorific, field::kGender, field::kBirthday, field::kPostalCode, field::kPrefecture, field::kAddress1,
        field::kAddress2, field::kPhone, field::kFax, field::kMobile, field::kMail, field::kHomePage, field::kCategory,
        field::kSubcategory, field::kSubcategory2, field::kNote1, field::kNote2, field::kPortrait, field::kUpdated,
        field::kRegistered, field::kJointName1, field::kJointHonorific1, field::kJointName2, field::kJointHonorific2,
        field::kJointName3, field::kJointHonorific3, field::kCompany, field::kDepartment, field::kTitle,
        field::kCardHistory, field::kCardNotes, field::kUid };

    // What mapping the cards counted, for the closing message.
    struct Tally {
        int lineBreaks = 0; // values whose line breaks became full-width spaces
        int alreadyThere = 0; // cards whose UID names a record of the book
        int empty = 0; // cards with nothing to import
        int honorifics = 0; // records given the default honorific
    };

    // One card's values (CP932, indexed by the schema's fields) before they
    // meet the table's widths; `notes` gains what was left out or changed, each line
    // naming the card (its number from 1 and its name) and the property.
    // A card's address without prefecture or postal code takes the prefecture of its
    // city when `cities` knows it.
    static std::vector<std::string> MapCard(const vcard::Card& card, int number, std::vector<std::string>& notes,
        Tally* tally = nullptr, const CityPrefectures* cities = nullptr);

    VCardImport(AppSettings& settings, AddressTable& table)
        : settings_(settings)
        , table_(table)
    {
    }

    // The question, the import and the closing message.
    [[nodiscard]] Result Run(std::string_view path, Observer* observer = nullptr);
    // The import of the file without the question or the closing message.
    [[nodiscard]] Result Load(std::string_view path, Observer* observer = nullptr);

    int ImportedCount() const { return imported_; }
    // CP932 lines: what the last import changed or left out.
    const std::vector<std::string>& Notes() const { return notes_; }
    const Tally& Counts() const { return tally_; }
    // "正常にインポートされました。" with the count, what was counted and the notes.
    std::string ClosingMessage() const;

private:
    AppSettings& settings_;
    AddressTable& table_;
    int imported_ = 0;
    std::vector<std::string> notes_;
    Tally tally_;
};

} // namespace nrt
