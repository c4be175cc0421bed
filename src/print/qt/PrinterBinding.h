#pragma once
// The program's one binding to the printing system: the default printer, the print
// dialog that yields a printer for one job with its page range, the printer settings
// a print form keeps in "<form>.prd", and the document and page brackets of a job.
// Every print dialog offers printing to a PDF file.

#include "print/PrinterSettings.h"

#include <QPageSize>

#include <QPainter>
#include <cstdint>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QPrinter;
class QWidget;

namespace nrt::print {

// A form's paper, 0.01 mm, portrait.
struct Paper {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class PrinterBinding {
public:
    // Answers a dialog in place of the user: may change the printer (its output, page
    // range, paper …) and returns true for OK. `setup` is true for the printer setup
    // dialog, false for the print dialog of a job.
    using DialogStandIn = std::function<bool(QPrinter& printer, bool setup)>;

    // With an owner window the default printer is fetched at once.
    explicit PrinterBinding(QWidget* owner = nullptr);
    ~PrinterBinding();
    PrinterBinding(const PrinterBinding&) = delete;
    PrinterBinding& operator=(const PrinterBinding&) = delete;

    // The system's default printer, once per run with `onlyOnce`: 1 when there is
    // one, 0 when printing can only go to a PDF file.
    int FetchDefaults(QWidget* owner, bool onlyOnce);
    // 1 usable, 0 no saved settings, -1 the saved printer cannot be reached (both
    // with their message).
    int CheckSavedPrinter();
    // The settings file becomes the saved settings: 0, -1 (cannot open, silently) or
    // a reported format error.
    int ReadSettings(std::string_view path);
    bool HasSavedSettings() const { return saved_.has_value(); }
    const PrinterSettings* SavedSettings() const { return saved_ ? &*saved_ : nullptr; }

    // The printer setup dialog (printer, paper, paper source, orientation, copies),
    // its choice written to `path`: 0 saved, 1 cancelled (the file untouched), -1 the
    // file cannot be written.
    int PrinterSetupAndSave(QWidget* owner, std::string_view path, bool useSaved);

    // The print dialog of a job, starting from the saved settings when `useSaved`
    // and they check usable, else from the default printer. The job prints on the
    // paper the saved settings chose, else on `paper` when given, whatever the dialog
    // left: the printer's own media of that size, or a custom size. The printer of
    // the job, or null when cancelled.
    QPrinter* OpenPrintDialog(QWidget* owner, bool useSaved, std::optional<Paper> paper = {});
    // The range chosen in the last print dialog; 1 and 99999 for all pages.
    int FromPage() const;
    int ToPage() const;
    void SetFirstPage(int page) { firstPage_ = page; }

    // 1 when the document can start, else 0 with the reason shown.
    int StartDoc(std::string_view jobName);
    // Nonzero when a page was begun; 0 (with the reason shown, the job ended) when not.
    int StartPage();
    void EndPage();
    // Ends an open document and lets the printer go.
    void EndDoc();
    // The same, discarding what was drawn (a cancelled job prints nothing).
    void AbortDoc();
    bool DocumentOpen() const { return documentOpen_; }

    QPrinter* Printer() const { return printer_.get(); }
    // Draws on the current page; active between StartPage and EndDoc.
    QPainter& Painter() { return painter_; }

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
    bool RunDialog(QWidget* owner, QPrinter& printer);
    void ApplyDefaults(QPrinter& printer) const;

    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    bool documentOpen_ = false;
    int pagesStarted_ = 0;
    bool defaultsFetched_ = false;
    std::optional<PrinterSettings> defaults_;
    std::optional<PrinterSettings> saved_;
    std::string driver_, device_, port_;
    int firstPage_ = 1;
    // The job's paper when it goes to a PDF file, made exact there after the writer.
    std::optional<Paper> pdfPaper_;
    DialogStandIn standIn_;
};

} // namespace nrt::print
