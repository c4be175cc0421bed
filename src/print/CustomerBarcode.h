#pragma once
// Japan Post's customer barcode (カスタマバーコード): the 7-digit postal code and the
// address-display number taken from the address (丁目・番地・号 and room numbers),
// 20 characters with a mod-19 check digit between a start and a stop code, each
// character three of four bar shapes. Addresses are CP932.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nrt {

// The barcode's characters; the value is the one the check digit sums.
enum class BarcodeChar : std::uint8_t {
    k0 = 0,
    k9 = 9,
    kHyphen = 10,
    kCC1 = 11, // letters A-J: CC1 and the digit 0-9
    kCC2 = 12, // K-T
    kCC3 = 13, // U-Z: CC3 and 0-5
    kCC4 = 14, // fills the address part up to 13 characters
    kCC8 = 18,
    kStart = 19,
    kStop = 20,
};

// The four bar shapes: long, ascender (up from the timing bar), descender, timing.
inline constexpr char kBarLong = 'F';
inline constexpr char kBarAscender = 'A';
inline constexpr char kBarDescender = 'D';
inline constexpr char kBarTiming = 'T';

// The address-display number of the part of an address after the town name, by Japan
// Post's rules: letters upper-cased; "&", "/", "・" and "." dropped; kanji numerals in
// front of 丁目, 丁, 番地, 番, 号, 地割, 線, の or ノ read as a number; the digits,
// hyphens and single letters kept, whatever stands before them becoming one hyphen;
// an "F" after a number (a floor) counts as such a text; no hyphen next to a letter,
// none at either end. ASCII digits, "-" and A-Z; empty when nothing could be read.
std::string ExtractAddressNumber(std::string_view address);

// The address with the town name left out when the town (a dictionary's city and
// town text) is found in it; otherwise the address as it is.
std::string_view AfterTownName(std::string_view address, std::string_view town);

// The seven digits of a postal code written "1234567" or "123-4567" (either width),
// or nothing.
std::optional<std::string> PostalCodeDigits(std::string_view code);

struct CustomerBarcode {
    static constexpr std::size_t kDataLength = 20; // postal code 7, address number 13
    static constexpr std::size_t kBarCount = 67;

    std::array<BarcodeChar, kDataLength> data {};
    BarcodeChar check = BarcodeChar::k0;

    // The characters as the manual writes them: digits and hyphens as they are, the
    // control codes as "[CC1]" …, the check digit last (no start or stop).
    std::string Text() const;
    // The 67 bars from the start code to the stop code, one of "FADT" each.
    std::string Bars() const;
};

// The barcode of a postal code and an address number (as ExtractAddressNumber gives
// it); nothing unless the code has seven digits. An address number longer than 13
// characters is cut there, keeping a letter's control code that falls on the 13th.
std::optional<CustomerBarcode> EncodeCustomerBarcode(std::string_view postalCode, std::string_view addressNumber);

// The check digit that makes the sum of all 21 values a multiple of 19.
BarcodeChar CheckDigit(const std::array<BarcodeChar, CustomerBarcode::kDataLength>& data);

// Sizes in 0.01 mm. Japan Post allows 8 to 11.5 point; at a points the long bar is
// 0.36 a mm, the timing bar, the pitch and twice the bar width 0.12 a mm.
struct BarcodeGeometry {
    static constexpr std::int32_t kMinLongBar = 288; // 8 pt
    static constexpr std::int32_t kMaxLongBar = 414; // 11.5 pt

    std::int32_t longBar = kMinLongBar;

    // A long bar height brought into the allowed range.
    static BarcodeGeometry ForHeight(std::int32_t height);
    double Points() const { return longBar / 36.0; }
    double Pitch() const { return longBar / 3.0; }
    double BarWidth() const { return longBar / 6.0; }
    double TimingBar() const { return longBar / 3.0; }
    // From the first bar's left edge to the last bar's right edge.
    double Width() const { return (CustomerBarcode::kBarCount - 1) * Pitch() + BarWidth(); }
    // Top and bottom of a bar shape measured from the top of the long bar.
    double BarTop(char shape) const;
    double BarBottom(char shape) const;
};

} // namespace nrt
