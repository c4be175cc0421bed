#pragma once
// The print jobs of nortea-cli: a print form's cards into a PDF file or to a CUPS
// queue, without a dialog and without window code.

#include <string>
#include <vector>

namespace nrt {
class AddressTable;
class AppSettings;
} // namespace nrt

namespace nrt::print {

// What a job asks for. Texts are CP932.
struct PrintRequest {
    std::string formName; // a name of the print form list, letter case ignored
    std::string condition; // the records, in the program's condition language
    std::string sortOrder;
    int from = 0; // pages from..to; 0 and 0: all
    int to = 0;
    std::string sender; // the sender record's 名前; empty: the one marked for printing
};

enum class PrintOutcome {
    Done,
    Failed, // no records ("印刷データがありません。") or not written, said as the windows say it
    NoSuchForm, // the name is not in the print form list
    NoSuchPages, // `from` lies past the last page (the job's pageCount says how many there are)
    NoSuchQueue, // no printer of the system has that name
};

// What a job came to, for the command's report.
struct PrintedJob {
    PrintOutcome outcome = PrintOutcome::Failed;
    int pageCount = 0; // the pages of the whole job, also when `from` lies past them
    std::vector<int> records; // the table records on the pages put out, in their order
};

// nortea-cli print: `request` into the PDF file `pdfPath` (CP932). Messages go through
// the message host as the windows show them. Needs a QGuiApplication (the offscreen
// platform will do).
[[nodiscard]] PrintedJob PrintToPdf(
    AppSettings& settings, AddressTable& table, const PrintRequest& request, const std::string& pdfPath);
// The same job sent to the system's printer `queue` (CP932), on the form's paper.
[[nodiscard]] PrintedJob PrintToQueue(
    AppSettings& settings, AddressTable& table, const PrintRequest& request, const std::string& queue);

} // namespace nrt::print
