#pragma once
// The print jobs of nortea-cli: a print form's cards into a PDF file or to a CUPS
// queue, without a dialog and without window code.

#include <string>
#include <string_view>
#include <vector>

namespace nrt {
class AddressTable;
class AppSettings;
} // namespace nrt

namespace nrt::print {

// What a job came to, for the command's report.
struct PrintedJob {
    int pageCount = 0; // the pages of the whole job, also when `from` lies past them
    std::vector<int> records; // the table records on the pages put out, in their order
};

// nortea-cli print: the records of `printCondition` through form `formName` into the
// PDF file `pdfPath` (CP932), pages `from`..`to` (0 and 0: all), with the sender record
// named `sender` (empty: the one marked for printing). Messages go through
// the message host as the windows show them. Needs a QGuiApplication (the offscreen
// platform will do).
inline constexpr int kPrintDone = 0;
inline constexpr int kPrintFailed = 1; // no records ("印刷データがありません。") or not written
inline constexpr int kPrintNoSuchForm = 2; // the name is not in the print form list
inline constexpr int kPrintNoSuchPages = 3; // `from` lies past the last page (`job` receives their number)
inline constexpr int kPrintNoSuchQueue = 4; // no printer of the system has that name
int PrintToPdf(AppSettings& global, AddressTable& table, std::string_view formName, std::string_view printCondition,
    std::string_view sortOrder, const std::string& pdfPath, int from = 0, int to = 0, PrintedJob* job = nullptr,
    std::string_view sender = {});
// The same job sent to the system's printer `queue` (CP932), on the form's paper.
int PrintToQueue(AppSettings& global, AddressTable& table, std::string_view formName, std::string_view printCondition,
    std::string_view sortOrder, std::string_view queue, int from = 0, int to = 0, PrintedJob* job = nullptr,
    std::string_view sender = {});

} // namespace nrt::print
