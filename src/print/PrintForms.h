#pragma once
// The user's print forms: names listed in "NrtRepList.dat", each with its layout
// file "<name>.ndp" and perhaps its printer settings "<name>.prd" in the user folder.
// Creating, renaming and deleting keep the three in step and say why they refuse.

#include <string>
#include <string_view>

namespace nrt {

class AppSettings;

enum class FormOutcome {
    Done, // changed and the list file written
    Refused, // a message was shown; nothing (more) changed
    RefusedAtName, // the same, and the name field should take the focus
    Declined, // the user answered No
};

// Index of the form of that name, letter case ignored; -1 when none.
int FindPrintForm(const AppSettings& global, std::string_view name);

// The name field refuses these single-byte characters (space, the punctuation from
// "!" to "/", ":" to "?", "[" to "^"): they cannot stand in a file name everywhere.
bool IsRefusedNameChar(unsigned char c);

// The new-form dialog's OK: `kind` is the chosen kind, or 0 when none was chosen.
// The layout of the kind becomes the current layout and is saved under the name.
FormOutcome CreatePrintForm(AppSettings& global, std::string_view name, int kind);

// The rename dialog's OK for form `index`.
FormOutcome RenamePrintForm(AppSettings& global, int index, std::string_view newName);

// The delete button for form `index` (-1 when nothing is selected).
FormOutcome DeletePrintForm(AppSettings& global, int index);

// "<name>.ndp" and "<name>.prd" in the user folder.
std::string LayoutFilePath(const AppSettings& global, std::string_view name);
std::string PrinterSettingsPath(const AppSettings& global, std::string_view name);

} // namespace nrt
