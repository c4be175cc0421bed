#pragma once
// Where the pages of a job go, as the card renderer sees it: the windows' printer
// binding (a printer or PDF file chosen in the print dialog) or the command line's
// PDF file or CUPS queue. Keeps the printer settings a print form saved in
// "<form>.prd", which both honour.

#include "print/PrinterSettings.h"

#include <QPageSize>
#include <QPainter>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QPagedPaintDevice;
class QPaintDevice;
class QString;
class QWidget;

namespace nrt::print {

// A form's paper, 0.01 mm, portrait.
struct Paper {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// A step of a job: Refused means the reason has been shown and the job is over.
enum class JobStep { Ready, Refused };

// Whether a print form's saved printer can be used; both failures are said.
enum class SavedPrinter {
    Usable,
    NotSet, // "プリンタ設定がされていません。"
    Unreachable, // the system's default printer stands in
};

class PageOutput {
public:
    PageOutput() = default;
    virtual ~PageOutput() = default;
    PageOutput(const PageOutput&) = delete;
    PageOutput& operator=(const PageOutput&) = delete;

    [[nodiscard]] SavedPrinter CheckSavedPrinter();
    // The settings file becomes the saved settings; a file that cannot be opened
    // leaves them as they were.
    [[nodiscard]] PrdRead ReadSettings(std::string_view path);
    bool HasSavedSettings() const { return saved_.has_value(); }
    const PrinterSettings* SavedSettings() const { return saved_ ? &*saved_ : nullptr; }

    // Opens a job on `paper` (the saved settings' paper instead when `useSaved` and
    // they check usable); the windows ask in the print dialog first, on `owner`. The
    // device to draw on, or null when cancelled.
    virtual QPaintDevice* OpenJob(QWidget* owner, bool useSaved, Paper paper) = 0;
    // The range the job was opened for; 1 and 99999 for all pages.
    virtual int FromPage() const = 0;
    virtual int ToPage() const = 0;

    [[nodiscard]] virtual JobStep StartDoc(std::string_view jobName) = 0;
    [[nodiscard]] virtual JobStep StartPage() = 0;
    virtual void EndPage() { }
    // Ends an open document and lets the job go.
    virtual void EndDoc() = 0;
    // The same, discarding what was drawn (a cancelled job prints nothing).
    virtual void AbortDoc() = 0;
    // Draws on the current page; active between StartPage and EndDoc.
    QPainter& Painter() { return painter_; }

protected:
    // Whether the system has a printer of this name (CP932).
    virtual bool PrinterExists(std::string_view name) const = 0;
    // Begins the document with its first page, so a job that prints no page feeds
    // no blank sheet through a printer, or else goes on to the next page. False (the
    // reason shown) when the device refuses; the caller then ends the job.
    bool TurnPage(QPagedPaintDevice& device);

    QPainter painter_;
    int pagesStarted_ = 0;
    std::optional<PrinterSettings> saved_;
};

// The paper as a custom page size to the hundredth of a point; its key is the size
// CUPS is asked for ("Custom.283.46x419.53").
QPageSize CustomPageSize(Paper paper);

// A paper source of the settings file as IPP names it (CUPS turns it into the
// queue's own tray), or null for the printer's default.
const char* SourceKeyword(std::int32_t source);

// The reason the system gives for the last failure (`reason` when not empty, else
// errno's), as a message box shows it.
void ShowSystemError(std::string_view reason, const char* caption);

// A PDF file can be written at `file`: tried without leaving a file behind, the
// reason shown when not.
bool CanWritePdf(const QString& file, const char* caption);

// The PDF writer rounds the page to whole points (100 x 148 mm would come out 0.2 mm
// off): the written `file` gets the paper's own size, turned for a landscape job.
void SetExactPaper(const QString& file, Paper paper, bool landscape);

} // namespace nrt::print
