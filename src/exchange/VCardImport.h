#pragma once
// vCard import: the cards of a vCard file (phones, web address books; 2.1, 3.0, 4.0)
// as addressees. Each card gives one record: the name family name first, the reading
// as half-width katakana, one address in Japanese order, telephone numbers by kind,
// mail, home page, birthday, the first group as 大分類, notes and the company (with
// title) in the 備考 fields. What a field cannot take is reported by card and
// property and the rest imported: characters outside CP932 (put as "〓"), values cut to
// their field's width, numbers and addresses beyond the one each field holds.

#include "db/AddressTable.h"
#include "exchange/RecordImport.h"
#include "exchange/VCardReader.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AppSettings;

class VCardImport {
public:
    // Results of Run; each refusal has shown its message.
    enum class Result : int {
        kImported = 0,
        kFileMissing = 2,
        kDeclined = 3,
        kReadFailed = 5,
        kRowRefused = static_cast<int>(RecordImport::kRowRefused),
        kCategorySaveFailed = static_cast<int>(RecordImport::kCategorySaveFailed),
        kTableSaveFailed = static_cast<int>(RecordImport::kTableSaveFailed),
        kNoCards = 9,
    };
    using enum Result;
    using Observer = RecordImport::Observer;

    // The fields a card fills.
    static constexpr field::Index kFilled[] = { field::kName, field::kKana, field::kGender, field::kBirthday,
        field::kPostalCode, field::kPrefecture, field::kAddress1, field::kAddress2, field::kPhone, field::kFax,
        field::kMobile, field::kMail, field::kHomePage, field::kCategory, field::kNote1, field::kNote2, field::kCompany,
        field::kDepartment, field::kTitle };

    // One card's values (CP932, indexed by the default schema's fields) before they
    // meet the table's widths; `notes` gains what was left out or changed, each line
    // naming the card (its number from 1 and its name) and the property.
    static std::vector<std::string> MapCard(const vcard::Card& card, int number, std::vector<std::string>& notes);

    VCardImport(AppSettings& global, AddressTable& table)
        : global_(global)
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
    // "正常にインポートされました。" with the count and the notes.
    std::string ClosingMessage() const;

private:
    AppSettings& global_;
    AddressTable& table_;
    int imported_ = 0;
    std::vector<std::string> notes_;
};

} // namespace nrt
