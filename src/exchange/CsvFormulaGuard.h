#pragma once
// A spreadsheet program evaluates a cell that begins with "=", "+", "-", "@", a tab or
// a carriage return, so a name like "=HYPERLINK(…)" in an exported file would run when
// the file is opened there. Such a value is written with an apostrophe in front, which
// spreadsheets take as "text" and hide; the program's own import takes it off again.

#include <string_view>

namespace nrt {

// Whether `value` needs the apostrophe. "+" and "-" followed by a telephone number
// ("+81-3-1234-5678", "-03-1234-5678") or a lone "-" stay as they are. A value that
// begins with an apostrophe needs another when the rest would need one, so that the
// import's stripping gives back every value exactly.
bool NeedsFormulaGuard(std::string_view value);
// The cell as the import reads it back: without the apostrophe the export put in.
std::string_view WithoutFormulaGuard(std::string_view cell);

} // namespace nrt
