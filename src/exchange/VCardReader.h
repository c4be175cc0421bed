#pragma once
// Reads vCard files (2.1, 3.0 and 4.0; one card or many) into cards of properties.
// Folded lines are unfolded, quoted-printable values (2.1) decoded and the values of
// other character sets (2.1's CHARSET=SHIFT_JIS from older phones) made UTF-8, so every
// value here is UTF-8: making it CP932 is the import's step, which reports what CP932
// cannot hold.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nrt::vcard {

struct Property {
    std::string name; // upper case, without the group ("item1.")
    // Parameters, names upper case; a 2.1 bare parameter ("HOME", "CELL") is a TYPE,
    // "QUOTED-PRINTABLE" an ENCODING. TYPE values are lower case, one per entry.
    std::vector<std::pair<std::string, std::string>> params;
    // The value in UTF-8 (quoted-printable and other character sets decoded), still
    // escaped and joined by ';' where structured; cut and unescaped by the functions
    // below.
    std::string raw;

    bool HasType(std::string_view type) const;
    // The first value of parameter `name` (upper case); empty when absent.
    std::string Param(std::string_view name) const;
    // The value unescaped ("\n" a line break, "\," a comma …).
    std::string Text() const;
    // A structured value (N, ADR, ORG) cut at its ';', each part unescaped.
    std::vector<std::string> Parts() const;
    // A list value (CATEGORIES) cut at its ',', each item unescaped.
    std::vector<std::string> Items() const;
};

struct Card {
    std::vector<Property> properties;
    // The first property of that name; nullptr when none.
    const Property* Find(std::string_view name) const;
};

// The cards of a file's bytes. Lines outside BEGIN:VCARD … END:VCARD are passed over; a
// card the file ends inside is kept with what it had.
std::vector<Card> Parse(std::string_view bytes);

// Decodes quoted-printable ("=E5=B1=B1", soft line breaks "=\r\n").
std::string DecodeQuotedPrintable(std::string_view text);

} // namespace nrt::vcard
