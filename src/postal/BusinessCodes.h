#pragma once
// The postal codes of large-volume business addressees and post-office boxes (Japan
// Post's 大口事業所個別番号 list, "JIGYOSYO.CSV"): the import of the published list and
// the lookup of a code. The list is stored apart from the town dictionary, in the data
// folder, so that importing either leaves the other in place. Texts are CP932.
//
// Published columns, 13 a line, quoted: JIS code of the place, firm name reading
// (half-width katakana), firm name, prefecture, city, town, 小字・丁目・番地, the
// 7-digit code, the old 5-digit code, the delivering office, kind (0 business,
// 1 post-office box), several codes (0-3), change mark (0, 1 new, 5 abolished).
//
// Stored file: CR LF lines; the first "NRTJIGYOSYO\t1\t<count>", then one entry a line
// sorted by code: code, kind, name, reading, prefecture, city, town, street, TAB-separated.

#include "postal/AddressFill.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

inline constexpr std::string_view kBusinessCodeFile = "jigyosyo.dat";

struct BusinessEntry {
    std::string code; // 7 ASCII digits
    bool postOfficeBox = false;
    std::string name; // 大口事業所名
    std::string reading; // half-width katakana
    std::string prefecture;
    std::string city;
    std::string town;
    std::string street; // 小字名、丁目、番地等

    // The address after the prefecture: city, town and street.
    std::string Address() const { return city + town + street; }
    bool operator==(const BusinessEntry&) const = default;
};

// Why a list was refused whole.
enum class BusinessListFault {
    None,
    Unreadable, // the file cannot be opened or read
    Empty, // no line
    CutShort, // the last line has no line end: the file was cut off
    BadLine, // a line without the 13 columns, a code not of 7 digits, no name
    NotConvertible, // UTF-8 with a character CP932 does not have
    WriteFailed, // the stored file could not be written
};

struct BusinessListResult {
    BusinessListFault fault = BusinessListFault::None;
    int line = 0; // the line (from 1) a refusal names
    int count = 0; // entries taken (abolished ones left out)
    bool utf8 = false;
    bool ok() const { return fault == BusinessListFault::None; }
};

class BusinessCodes {
public:
    // Takes the published list (CP932 or UTF-8) in place of what was held; a refused
    // list leaves it as it was. Lines marked abolished are left out.
    BusinessListResult ParseList(std::string_view bytes);
    // The stored file; false (and nothing held) when it is missing, cut or damaged.
    bool Load(std::string_view path);
    std::string Format() const;

    // The entry of a code written "1008994" or "100-8994" (either width); nullptr when
    // none.
    const BusinessEntry* Find(std::string_view code) const;
    int Count() const { return static_cast<int>(entries_.size()); }
    const std::vector<BusinessEntry>& Entries() const { return entries_; }

private:
    std::vector<BusinessEntry> entries_; // sorted by code
};

// The seven digits of a code written with or without the hyphen, in either width; ""
// when it is not such a code.
std::string BusinessCodeDigits(std::string_view code);

// The input form's 検索 for a firm's own code: the code with its hyphen, the prefecture,
// and 住所１ the firm's address (asking before it replaces a different one typed; a
// "no" keeps the typed one); `company` gets the firm's name. Nothing when the code is
// not one of the list.
std::optional<AddressFillResult> FillFromBusinessCode(
    const BusinessCodes& codes, const AddressFields& in, std::string& company);

// Reads the published list at `listPath` and stores it at `storePath`, written whole
// or not at all.
BusinessListResult ImportBusinessList(std::string_view listPath, std::string_view storePath);

// The text shown for a result: the success text with the count, or the refusal with
// the line it names.
std::string BusinessImportMessage(const BusinessListResult& result);

} // namespace nrt
