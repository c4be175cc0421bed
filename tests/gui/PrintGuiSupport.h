#pragma once
// Pieces the printing window tests share: a settings object over temporary folders,
// a table of addressees, a printer binding that prints to PDF without a dialog, and
// the pages of a PDF read back with poppler's tools, answers to modal dialogs.

#include "GuiTestSupport.h"

#include "db/AddressTable.h"
#include "platform/MessageHost.h"
#include "print/qt/PrinterBinding.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QImage>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace nrt::test {

struct Addressee {
    const char* name;
    const char* postal;
    const char* address1;
    const char* address2;
};

// Settings with the main user over a temporary data folder; the program folder is
// the source tree's data/ so the shipped pictures are found.
class PrintGuiFixture {
public:
    PrintGuiFixture();

    TempDir dir;
    platform::RecordingMessageHost messages;
    std::unique_ptr<AppSettings> settings;
    AddressTable db;
    print::PrinterBinding printer;

    // One marked addressee record per entry, appended to the table; their indices.
    std::vector<int> AddAddressees(const std::vector<Addressee>& people);
    // A sender record (宛名区分 "1"), marked for printing or not.
    int AddSender(const Addressee& sender, bool marked = true);
    // The next print dialogs of `binding` (null: `printer`) print to this PDF file with
    // the given page range (from 0: all pages).
    void PrintToPdf(const std::string& pdfPath, int from = 0, int to = 0, print::PrinterBinding* binding = nullptr);

private:
    platform::ScopedMessageHost scoped_ { messages };
};

// Runs `answer` on the modal dialog of type D once it is up.
template <class D> void WhenModal(std::function<void(D&)> answer)
{
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

// Text of each page of a PDF (pdftotext, one call per page), whitespace removed; with
// `foldWidths` full-width letters and signs read as ASCII (＜ as <, ２ as 2); with
// `contentOrder` in the order drawn (pdftotext -raw: a vertical column as one word).
std::vector<std::string> PdfPageTexts(const std::string& pdfPath, bool foldWidths = true, bool contentOrder = false);
// "Pages:" and "Page size:" (in millimetres) of pdfinfo.
int PdfPageCount(const std::string& pdfPath);
QSizeF PdfPageSize(const std::string& pdfPath);
// One page rendered by pdftoppm at `dpi` (grey).
QImage PdfPageImage(const std::string& pdfPath, int page, int dpi);

// Bounding box of the pixels darker than mid grey, inside `within` when given.
QRect Ink(const QImage& image, QRect within = QRect());

} // namespace nrt::test
