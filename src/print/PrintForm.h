#pragma once
// A print form's layout as a value: the header and every slot, as "%s.ndp" keeps
// them. Whoever prints or edits a form holds its own copy; nothing of it is shared.

#include "platform/FileWrite.h"
#include "print/LayoutFile.h"
#include "print/LayoutItem.h"

#include <string>
#include <string_view>

namespace nrt {

class AppSettings;

struct PrintForm {
    LayoutHeader header;
    LayoutTable items;

    // The layout of a print form kind (LayoutDefaults.h).
    static PrintForm Defaults(int kind);
    // The kind's defaults over this layout, the draw mode and scale of every slot kept.
    void ApplyDefaults(int kind);
    // Every slot drawn clipped into its frame, as printing and the layout editor draw
    // them (a mode no file keeps).
    void DrawClipped();
};

// The kind's defaults (the kind the file keeps, where it keeps one), then "%s.ndp"
// of the form in the book folder over them: Read, TooOld (no background picture
// then), or Missing. A label layout's barcode outside its cell is placed inside
// (header.barcodeMoved when it was shown). Reading the form's printer settings and
// its background picture is the caller's.
[[nodiscard]] LayoutLoad LoadPrintForm(
    const AppSettings& settings, std::string_view formName, int kind, PrintForm& form);
// `form` into "%s.ndp" of print form `index`; fails without a file when there is no
// such form.
[[nodiscard]] platform::FileWrite WritePrintForm(const AppSettings& settings, int index, const PrintForm& form);
// The kind of a print form: the one its layout file keeps, else the name's.
int PrintFormKind(const AppSettings& settings, std::string_view formName);
// The background picture: empty for none, a name with "/" as it is, otherwise the
// file of that name beside the program.
std::string BackgroundImagePath(const AppSettings& settings, const LayoutHeader& header);

} // namespace nrt
