#pragma once
// The address check before cards go out: postal codes against the dictionary, the
// address-display number of the customer barcode, honorifics, empty names and addresses,
// a sender the form needs, and addressees in mourning. Each finding names its record and
// may carry a mend: one field's new value. Texts are CP932.

#include "check/AddressMatch.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nrt {
class AddressTable;
}

namespace nrt::check {

enum class FindingKind {
    kPostalUnknown, // a code the dictionary does not have (or not of seven digits)
    kPostalMismatch, // a code whose places the address does not begin with
    kPostalMissing, // no code, though the address reads to one
    kNoAddressNumber, // the barcode would carry the postal code alone
    kHonorific, // 御中 on a person, 様 on a firm, a joint name without its honorific
    kEmptyName,
    kEmptyAddress,
    kNoSender, // the form prints a sender and none is chosen
    kMourning, // in mourning for the card year, yet marked for printing
};
// "郵便番号不明", "郵便番号不一致", …: the kind as the lists show it.
const std::string& KindName(FindingKind kind);

struct Finding {
    int record = -1; // -1: the job as a whole
    FindingKind kind = FindingKind::kPostalUnknown;
    std::string problem; // what is wrong
    std::string suggestion; // the suggested mend in words; empty: none
    // The mend that can be applied: field `field` of the record set to `value`. -1: the
    // suggestion is for the user to act on.
    int field = -1;
    std::string value;
    bool Mendable() const { return record >= 0 && field >= 0; }
    bool IsPostal() const
    {
        return kind == FindingKind::kPostalUnknown || kind == FindingKind::kPostalMismatch
            || kind == FindingKind::kPostalMissing;
    }
};

// A postal code of a business of its own (大口事業所個別番号) as a list of them knows it.
struct BusinessPlace {
    std::string firm;
    int prefecture = -1;
    std::string address; // city, town and the rest, without the prefecture
};
using BusinessLookup = std::function<std::optional<BusinessPlace>(std::string_view digits)>;

struct CheckOptions {
    // The job prints a customer barcode (envelope fronts and labels).
    bool barcodeForm = false;
    // The form prints a sender, and whether one was chosen.
    bool needsSender = false;
    bool hasSender = true;
    // A New Year's card job of this year: records marked 喪中 for it are found; 0: none.
    int mourningYear = 0;
    // Business codes; none: codes are the dictionary's alone.
    BusinessLookup business;
};

// The findings of `records` of `table`, record by record in their order, the job's own
// finding (no sender) first.
std::vector<Finding> CheckRecords(const AddressTable& table, const std::vector<int>& records, const PostalIndex& postal,
    const CheckOptions& options = {});

// Applies the mend of each finding given (those without one are passed over) and returns
// how many were applied; the table is left to be saved by the caller.
int ApplyMends(AddressTable& table, const std::vector<Finding>& findings);

// The code written as the input form writes it: "ddd-dddd".
std::string WrittenCode(std::string_view digits);

} // namespace nrt::check

namespace nrt::check {

// The options of a job through a form of `formKind` (kReport…): envelope fronts and
// labels print the barcode; cards, postcards and envelope backs print a sender, which
// `hasSender` says is there; New Year's cards leave out those in mourning in `cardYear`.
CheckOptions OptionsForFormKind(int formKind, bool hasSender, int cardYear);

// The business codes of the list kept at `path` ("jigyosyo.dat" of the data folder);
// none when no list was imported or it cannot be read.
BusinessLookup BusinessLookupOf(std::string_view path);
// A sender record is marked for printing, as the print window chooses it first.
bool HasMarkedSender(const AddressTable& table);

} // namespace nrt::check
