#pragma once
// What goes with the addressee's name on a card or envelope: the company lines and the
// title before it, and the joint names (連名) after it, each with its own honorific.
// Texts are CP932.

#include "print/CardFill.h"

#include <string>
#include <string_view>
#include <vector>

namespace nrt {

// Company lines and the title are set this much smaller than the name (per cent).
inline constexpr int kSmallerTypePercent = 70;

struct JointNameLine {
    std::string name;
    std::string honorific; // its own, or the record's
    // Only a given name was entered: it is set under the main name's given name.
    bool givenNameOnly = false;

    std::string WithHonorific() const;
};

struct NameBlock {
    // Company and department, each on a line of its own before the name. A company
    // without a person keeps only the department here (the company is the name then).
    std::vector<std::string> companyLines;
    // The title, set in smaller type before the name on its line.
    std::string title;
    // The main name up to its given name: the family name and the space after it;
    // empty when the name has no space (a joint given name then starts level with it).
    std::string familyPart;
    std::vector<JointNameLine> jointNames;

    bool HasExtras() const { return !companyLines.empty() || !title.empty() || !jointNames.empty(); }
};

// The record's name block. A record that uses none of the fields after the 24 gives
// an empty one, so its card prints as the name slot alone.
NameBlock AddresseeNameBlock(const FieldLookup& record);

// The text of the name slot with its honorific: "名前　敬称", or for a company without
// a person its department (or the company itself) with "御中".
std::string NameWithHonorific(const FieldLookup& record);
// The same two parts for layouts that set the name and the honorific apart.
std::string AddresseeName(const FieldLookup& record);
std::string AddresseeHonorific(const FieldLookup& record);

} // namespace nrt
