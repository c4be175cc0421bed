#pragma once
// The windows' binding to the printing system: the default printer, the print dialog
// that yields a printer for one job with its page range, the printer setup dialog
// that writes a print form's "<form>.prd", and the document and page brackets of a
// job. Every print dialog offers printing to a PDF file.

#include "print/render/PageOutput.h"

#include <QPageSize>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QPrinter;
class QWidget;

namespace nrt::print {

class PrinterBinding final : public PageOutput {
public:
    // Answers a dialog in place of the user: may change the printer (its output, page
    // range, paper …) and returns true for OK. `setup` is true for the printer setup
    // dialog, false for the print dialog of a job.
    using DialogStandIn = std::function<bool(QPrinter& printer, bool setup)>;

    // With an owner window the default printer is fetched at once.
    explicit PrinterBinding(QWidget* owner = nullptr);
    ~PrinterBinding() override;

    // The system's default printer as the settings dialogs start from, once per run
    // with `onlyOnce`; without one, printing can only go to a PDF file.
    void FetchDefaults(QWidget* owner, bool onlyOnce);

    // The printer setup dialog (printer, paper, paper source, orientation, copies),
    // its choice written to `path`. A cancelled dialog leaves the file untouched; a
    // file that cannot be written is said, with the reason.
    enum class Setup { Saved, Cancelled, NotWritten };
    [[nodiscard]] Setup PrinterSetupAndSave(QWidget* owner, std::string_view path, bool useSaved);

    // The print dialog of a job, starting from the saved settings when `useSaved`
    // and they check usable, else from the default printer. The job prints on the
    // paper the saved settings chose, else on `paper` when given, whatever the dialog
    // left: the printer's own media of that size, or a custom size. The printer of
    // the job, or null when cancelled.
    QPrinter* OpenPrintDialog(QWidget* owner, bool useSaved, std::optional<Paper> paper = {});
    QPaintDevice* OpenJob(QWidget* owner, bool useSaved, Paper paper) override;
    // The range chosen in the last print dialog; 1 and 99999 for all pages.
    int FromPage() const override;
    int ToPage() const override;
    void SetFirstPage(int page) { firstPage_ = page; }

    [[nodiscard]] JobStep StartDoc(std::string_view jobName) override;
    [[nodiscard]] JobStep StartPage() override;
    void EndDoc() override;
    void AbortDoc() override;
    bool DocumentOpen() const { return documentOpen_; }

    QPrinter* Printer() const { return printer_.get(); }

    // Names of the printer chosen in the last print dialog.
    const std::string& DriverName() const { return driver_; }
    const std::string& DeviceName() const { return device_; }
    const std::string& PortName() const { return port_; }

    // Dialogs answered without being shown: the command line, tests. Null restores
    // the real dialogs.
    void SetDialogStandIn(DialogStandIn standIn) { standIn_ = std::move(standIn); }

    // The printer's settings in the file's terms, and back.
    static PrinterSettings SettingsOf(const QPrinter& printer);
    static void Apply(const PrinterSettings& settings, QPrinter& printer);
    // The page size that puts `paper` on `printer`: the printer's own media of that size
    // when it lists one (so the queue feeds the right sheet), else a custom size to the
    // hundredth of a point.
    static QPageSize MediaFor(const QPrinter& printer, Paper paper);
    // Sets `paper` on `printer` in the orientation it has.
    static void SetPaper(QPrinter& printer, Paper paper);

private:
    bool PrinterExists(std::string_view name) const override;
    bool RunDialog(QWidget* owner, QPrinter& printer);
    void ApplyDefaults(QPrinter& printer) const;

    std::unique_ptr<QPrinter> printer_;
    bool documentOpen_ = false;
    bool defaultsFetched_ = false;
    std::optional<PrinterSettings> defaults_;
    std::string driver_, device_, port_;
    int firstPage_ = 1;
    // The job's paper when it goes to a PDF file, made exact there after the writer.
    std::optional<Paper> pdfPaper_;
    DialogStandIn standIn_;
};

} // namespace nrt::print
