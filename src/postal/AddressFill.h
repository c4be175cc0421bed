#pragma once
// Filling the input form's address from its postal code: the lookup in the dictionary,
// the comparison with the address already typed, the house number kept from it, and
// the question before an address is replaced. Texts are CP932.

#include <cstddef>
#include <string>
#include <string_view>

namespace nrt {

// The address fields of the input form.
struct AddressFields {
    std::string postalCode; // 郵便番号
    std::string prefecture; // 都道府県
    std::string address1; // 住所１
    std::string address2; // 住所２
};

// What the form does with the outcome. Changed fields take their new text; the address
// browser is opened when `openBrowser` is set.
struct AddressFillResult {
    AddressFields fields;
    bool postalCodeChanged = false;
    bool prefectureChanged = false;
    bool address1Changed = false;
    bool focusAddress1 = false;
    bool openBrowser = false;
    // A code that several towns share: the browser opens at its towns (ddd-dddd) in
    // this prefecture, for the user to choose one.
    std::string browseCode;
    std::string browsePrefecture;
};

// The whole procedure of the "検索" button over the dictionary in `postalFolder`. Shows
// "該当住所が見つかりません。" when the code is not found and asks before it replaces an
// address that is already there (platform messages).
AddressFillResult FillAddressFromPostalCode(std::string_view postalFolder, const AddressFields& in);

// The same after the lookup: `dictionaryAddress` is the record's address text
// ("prefecture town…", the prefecture ended by a space), `code` its 7 digits.
AddressFillResult MergeFoundAddress(const AddressFields& in, std::string_view code, std::string_view dictionaryAddress);

// Where the house-number part of an address begins (a byte offset; the end when it has
// none): the first number written in full-width or kanji digits that runs into a
// 丁目, 番地, 号 …, else everything from the first single-byte character.
std::size_t HouseNumberStart(std::string_view address);

// The start of `address` agrees with `town` (as long as `town`), ヶ taken as ケ and ッ as ツ.
bool AddressStartsWithTown(std::string_view address, std::string_view town);

} // namespace nrt
