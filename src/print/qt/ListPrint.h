#pragma once
// The main window's address list print ("一覧印刷"): name, postal code, address and
// telephone of every listed record, four columns on A4-wide pages with a title and
// headers, from the printer's printable area.

#include <functional>

class QWidget;

namespace nrt {
class RowSource;
}

namespace nrt::print {

class PrinterBinding;

// Runs a job of `total` pages as CardRenderer::ProgressRunner does.
using PageRunner = std::function<bool(int total, const std::function<bool()>& step)>;

// The print dialog starts from the saved settings when `useSaved` (the print form
// loaded last had them). Returns the number of pages printed; after a dialog that
// was not cancelled, 0 pages show "印刷されるデータがありませんでした。".
int PrintAddressList(
    PrinterBinding& printer, RowSource& rows, bool useSaved, QWidget* owner, const PageRunner& runner = {});

} // namespace nrt::print
