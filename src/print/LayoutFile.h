#pragma once
// The layout file "%s.ndp" of a print form: version, shown flags, the layout-wide
// values and the 53 object records, little-endian, back to back.

#include "print/LayoutItem.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

inline constexpr std::int32_t kLayoutVersion = 20104; // written
inline constexpr std::int32_t kLayoutVersionOldest = 20102; // still read
inline constexpr std::int32_t kLayoutVersionSheets = 20103; // adds the label sheet values

// How reading a layout went.
enum class LayoutLoad {
    Read, // read over the defaults, as far as the file went
    TooOld, // no version of 20102 or later: nothing taken
    Missing, // no file to read (the caller's result only)
    Unreadable, // a file is there but could not be read (the caller's result only)
};

// Reads a layout file over the layout the caller prepared (the kind's defaults):
// whatever the file holds replaces it, whatever it lacks stays. A file cut short
// keeps what was read before the cut; objects whose records are missing or damaged
// are left without text. Bound field names and draw modes are never touched.
[[nodiscard]] LayoutLoad ParseLayout(std::string_view bytes, LayoutHeader& header, LayoutTable& items);
// The whole layout in the current version: flag count 53 and 53 objects, or as many
// more of each as reach the last optional slot shown (barcode 54, joint names 55,
// company lines 56), the hidden ones before it flagged '0'; then, for a form that keeps
// its kind or prints the prefecture, a tagged block of the two.
std::string FormatLayout(const LayoutHeader& header, const LayoutTable& items);

} // namespace nrt
