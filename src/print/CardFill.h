#pragma once
// What a card prints: the sender block, the postal code digits, the conversion of
// address texts for vertical writing, and the texts of the slots for one record.
// Texts are CP932.

#include "print/LayoutItem.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace nrt {

// A value of the record being printed, by field name; "" for a field it lacks.
using FieldLookup = std::function<std::string_view(std::string_view fieldName)>;

// The sender's values, each held in a buffer of fixed size (its NUL included).
class SenderBlock {
public:
    enum Field : int {
        kName,
        kPrefecture,
        kAddress1,
        kAddress2,
        kPostalCode,
        kPhone,
        kFax,
        kMobile,
        kMail,
        kHomePage,
        kNote1,
        kNote2,
        kFieldCount
    };
    static constexpr std::array<std::size_t, kFieldCount> kBufferSizes { 40, 16, 100, 100, 20, 20, 20, 20, 100, 100,
        100, 100 };
    // The record fields copied in, in the order of the block (UTF-8 here).
    static constexpr std::array<const char*, kFieldCount> kSourceFields { "名前", "都道府県", "住所１", "住所２",
        "郵便番号", "電話番号", "ＦＡＸ", "携帯番号", "メール", "ＨＰ", "備考１", "備考２" };

    void Clear();
    // Cut at a whole character to fit its buffer.
    void Set(Field field, std::string_view value);
    // All twelve values from the sender's record.
    void Fill(const FieldLookup& record);
    const std::string& Get(Field field) const { return text_[static_cast<std::size_t>(field)]; }

private:
    std::array<std::string, kFieldCount> text_;
};

// Digit n (1..7) of a postal code for the one-digit boxes: the n-th character, where
// a hyphen ("-" or "－") in the fourth place is passed over, so "123-4567" and
// "1234567" both give 1 … 7. Empty past the end of the code.
std::string PostalDigit(std::string_view code, int n);

// The address texts: in a vertical item with a dash code other than 0, "－" and a "-"
// between two of digit, Latin letter, kanji and kana (either width) become the dash; with kanji numerals on, the
// full-width digits ０…９ become 〇 一 二 三 四 五 六 七 八 九 in either direction, and in a vertical item the
// half-width ones too. Nothing else changes (the vertical setting of the other half-width characters is the
// renderer's).
std::string ConvertAddress(std::string_view text, bool vertical, std::uint16_t dashCode, bool kanjiNumerals);

// The city and town name (CP932) the postal dictionary gives for a postal code: the
// customer barcode reads the address after it. "" when the dictionary has no town of
// that code (a business's own code), nothing when there is no dictionary to ask.
using TownLookup = std::function<std::optional<std::string>(std::string_view postalCode)>;

// The addressee's customer barcode as its 67 bars ("FADT", see CustomerBarcode), or
// "" when the postal code is not one of seven digits or (ending in 0000) stands for a
// whole city. A business's own code (no town has it) is encoded alone.
std::string AddresseeBarcode(const FieldLookup& record, const TownLookup& town);

// The text slot `slot` prints for a record. False when the slot is not drawn (a
// record-bound slot without a field name, a barcode without a 7-digit postal code);
// the free-text slots 48 to 52 keep their own text and give it back here. The joint
// name and company slots give their lines separated by "\n" and are drawn only for a
// record that has some; their objects keep their text (the renderer sets each line).
bool SlotText(int slot, const LayoutItem& item, const LayoutHeader& header, const FieldLookup& record,
    const SenderBlock& sender, std::string& out, const TownLookup& town = {});

using SlotSet = std::bitset<kLayoutSlots>;

// Sets the texts of the shown slots for one record; the slots to draw come back.
SlotSet FillLayout(LayoutTable& items, const LayoutHeader& header, const FieldLookup& record, const SenderBlock& sender,
    const TownLookup& town = {});

} // namespace nrt
