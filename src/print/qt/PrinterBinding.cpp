#include "print/qt/PrinterBinding.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "print/PagePlan.h"
#include "print/PaperSize.h"
#include "print/qt/PrinterSetupDialog.h"
#include "print/render/PrintDevice.h"
#include "qt/QtText.h"

#include <QFile>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <array>
#include <utility>

namespace nrt::print {
namespace {

// Paper sources as the settings file numbers them (the numbers printer drivers have
// long used) against Qt's.
constexpr std::array<std::pair<std::int32_t, QPrinter::PaperSource>, 13> kSources { {
    { 1, QPrinter::OnlyOne },
    { 2, QPrinter::Lower },
    { 3, QPrinter::Middle },
    { 4, QPrinter::Manual },
    { 5, QPrinter::Envelope },
    { 6, QPrinter::EnvelopeManual },
    { 7, QPrinter::Auto },
    { 8, QPrinter::Tractor },
    { 9, QPrinter::SmallFormat },
    { 10, QPrinter::LargeFormat },
    { 11, QPrinter::LargeCapacity },
    { 14, QPrinter::Cassette },
    { 15, QPrinter::FormSource },
} };

// Qt's key for the job options it hands to CUPS (name, value, name, value …); it has
// kept this value since Qt 5.
constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

void SetCupsOption(QPrinter& printer, const QString& name, const QString& value)
{
    if (printer.outputFormat() != QPrinter::NativeFormat || printer.printEngine() == nullptr)
        return;
    QStringList options = printer.printEngine()->property(kCupsOptions).toStringList();
    bool found = false;
    for (qsizetype i = 0; i + 1 < options.size(); i += 2)
        if (options[i] == name) {
            options[i + 1] = value;
            found = true;
        }
    if (!found)
        options << name << value;
    printer.printEngine()->setProperty(kCupsOptions, options);
}

} // namespace

PrinterBinding::PrinterBinding(QWidget* owner)
{
    if (owner != nullptr)
        FetchDefaults(owner, false);
}

PrinterBinding::~PrinterBinding()
{
    EndDoc();
}

void PrinterBinding::FetchDefaults(QWidget* /*owner*/, bool onlyOnce)
{
    if (onlyOnce && defaultsFetched_)
        return;
    defaultsFetched_ = true;
    PrinterSettings s;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        s.driver = kDriverPdf;
        defaults_ = s;
        return;
    }
    s.driver = kDriverSystem;
    s.device = gui::FromQ(info.printerName());
    s.isDefault = true;
    const QSizeF mm = info.defaultPageSize().size(QPageSize::Millimeter);
    s.paperWidth = static_cast<std::int32_t>(mm.width() * 100);
    s.paperHeight = static_cast<std::int32_t>(mm.height() * 100);
    defaults_ = s;
}

bool PrinterBinding::PrinterExists(std::string_view name) const
{
    return QPrinterInfo::availablePrinterNames().contains(gui::ToQ(name));
}

PrinterBinding::Setup PrinterBinding::PrinterSetupAndSave(QWidget* owner, std::string_view path, bool useSaved)
{
    PrinterSettings start;
    if (useSaved && ReadSettings(path) == PrdRead::Read && CheckSavedPrinter() == SavedPrinter::Usable) {
        start = *saved_;
    } else {
        FetchDefaults(owner, true);
        if (defaults_)
            start = *defaults_;
        // Until one is chosen here, the form's own paper.
        start.paperWidth = 0;
        start.paperHeight = 0;
    }
    PrinterSettings chosen;
    if (standIn_) {
        QPrinter printer(QPrinter::HighResolution);
        Apply(start, printer);
        if (!standIn_(printer, true))
            return Setup::Cancelled;
        chosen = SettingsOf(printer);
    } else {
        PrinterSetupDialog dialog(start, owner);
        if (dialog.exec() != QDialog::Accepted)
            return Setup::Cancelled;
        chosen = dialog.Settings();
    }
    const platform::FileWrite written = WritePrinterSettings(path, chosen);
    if (!written.Ok()) {
        platform::Warn(SJ("プリンタ設定を保存できませんでした。") + written.Reason());
        return Setup::NotWritten;
    }
    return Setup::Saved;
}

QPrinter* PrinterBinding::OpenPrintDialog(QWidget* owner, bool useSaved, std::optional<Paper> paper)
{
    FetchDefaults(owner, true);
    bool use = useSaved;
    if (use && CheckSavedPrinter() != SavedPrinter::Usable)
        use = false;
    EndDoc();
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (use) {
        Apply(*saved_, *printer_);
        if (saved_->paperWidth > 0 && saved_->paperHeight > 0)
            paper = Paper { saved_->paperWidth, saved_->paperHeight };
    } else {
        ApplyDefaults(*printer_);
    }
    // Without a paper chosen with the printer, a form prints on its own paper, not on
    // whatever the printer holds by default.
    if (paper) {
        SetPaper(*printer_, *paper);
        if (!use)
            printer_->setPageOrientation(QPageLayout::Portrait);
    }
    printer_->setPrintRange(QPrinter::AllPages);
    if (firstPage_ != 0)
        printer_->setFromTo(0, 0);
    if (!RunDialog(owner, *printer_)) {
        printer_.reset();
        return nullptr;
    }
    // The dialog puts the page size back to the printer's default when a printer is
    // chosen in it: the paper is set again once it has closed.
    if (paper) {
        SetPaper(*printer_, *paper);
        if (printer_->outputFormat() == QPrinter::PdfFormat)
            pdfPaper_ = paper;
    }
    const PrinterSettings chosen = SettingsOf(*printer_);
    driver_ = chosen.driver;
    device_ = chosen.device;
    port_ = chosen.output;
    return printer_.get();
}

QPaintDevice* PrinterBinding::OpenJob(QWidget* owner, bool useSaved, Paper paper)
{
    return OpenPrintDialog(owner, useSaved, paper);
}

int PrinterBinding::FromPage() const
{
    if (printer_ && printer_->printRange() == QPrinter::PageRange && printer_->fromPage() > 0)
        return printer_->fromPage();
    return kAllPagesFrom;
}

int PrinterBinding::ToPage() const
{
    if (printer_ && printer_->printRange() == QPrinter::PageRange && printer_->fromPage() > 0)
        return printer_->toPage() > 0 ? printer_->toPage() : kAllPagesTo;
    return kAllPagesTo;
}

JobStep PrinterBinding::StartDoc(std::string_view jobName)
{
    if (!printer_) {
        platform::Inform(SJ("HDCが取得されてません。"), "Print", platform::MsgIcon::Warning);
        return JobStep::Refused;
    }
    printer_->setDocName(gui::ToQ(jobName));
    if (printer_->outputFormat() == QPrinter::PdfFormat && !CanWritePdf(printer_->outputFileName(), "StartDoc")) {
        printer_.reset();
        return JobStep::Refused;
    }
    documentOpen_ = true;
    pagesStarted_ = 0;
    return JobStep::Ready;
}

JobStep PrinterBinding::StartPage()
{
    if (!documentOpen_ || !printer_)
        return JobStep::Refused;
    if (!TurnPage(*printer_)) {
        AbortDoc();
        return JobStep::Refused;
    }
    return JobStep::Ready;
}

void PrinterBinding::EndDoc()
{
    if (painter_.isActive()) {
        painter_.end();
        if (pdfPaper_ && printer_ && printer_->outputFormat() == QPrinter::PdfFormat)
            SetExactPaper(
                printer_->outputFileName(), *pdfPaper_, printer_->pageLayout().orientation() == QPageLayout::Landscape);
    }
    pdfPaper_.reset();
    documentOpen_ = false;
    pagesStarted_ = 0;
    printer_.reset();
}

void PrinterBinding::AbortDoc()
{
    if (printer_ && painter_.isActive()) {
        printer_->abort();
        painter_.end();
        // The PDF writer has no spooler to take the job back: the half file goes.
        if (printer_->outputFormat() == QPrinter::PdfFormat)
            QFile::remove(printer_->outputFileName());
    }
    pdfPaper_.reset();
    documentOpen_ = false;
    pagesStarted_ = 0;
    printer_.reset();
}

bool PrinterBinding::RunDialog(QWidget* owner, QPrinter& printer)
{
    if (standIn_)
        return standIn_(printer, false);
    QPrintDialog dialog(&printer, owner);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange);
    dialog.setMinMax(1, 10000);
    return dialog.exec() == QDialog::Accepted;
}

void PrinterBinding::ApplyDefaults(QPrinter& printer) const
{
    if (defaults_)
        Apply(*defaults_, printer);
}

PrinterSettings PrinterBinding::SettingsOf(const QPrinter& printer)
{
    PrinterSettings s;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        s.driver = kDriverPdf;
        s.output = gui::FromQ(printer.outputFileName());
    } else {
        s.driver = kDriverSystem;
        s.device = gui::FromQ(printer.printerName());
        s.isDefault = QPrinterInfo::printerInfo(printer.printerName()).isDefault();
    }
    const QSizeF mm = printer.pageLayout().pageSize().size(QPageSize::Millimeter);
    s.paperWidth = static_cast<std::int32_t>(mm.width() * 100);
    s.paperHeight = static_cast<std::int32_t>(mm.height() * 100);
    s.orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
    s.source = 0;
    for (const auto& [number, source] : kSources)
        if (source == printer.paperSource())
            s.source = number;
    s.copies = std::max(printer.copyCount(), 1);
    s.duplex = printer.duplex() == QPrinter::DuplexLongSide ? 2 : printer.duplex() == QPrinter::DuplexShortSide ? 3 : 1;
    s.color = printer.colorMode() == QPrinter::GrayScale ? 1 : 2;
    return s;
}

void PrinterBinding::Apply(const PrinterSettings& s, QPrinter& printer)
{
    if (s.driver == kDriverPdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(gui::ToQ(s.output));
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(gui::ToQ(s.device));
    }
    if (s.paperWidth > 0 && s.paperHeight > 0)
        SetPaper(printer, Paper { s.paperWidth, s.paperHeight });
    printer.setPageOrientation(s.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    for (const auto& [number, source] : kSources)
        if (number == s.source)
            printer.setPaperSource(source);
    if (const char* keyword = SourceKeyword(s.source))
        SetCupsOption(printer, QStringLiteral("media-source"), QString::fromLatin1(keyword));
    printer.setCopyCount(std::max(s.copies, 1));
    printer.setDuplex(s.duplex == 2 ? QPrinter::DuplexLongSide
            : s.duplex == 3         ? QPrinter::DuplexShortSide
                                    : QPrinter::DuplexNone);
    printer.setColorMode(s.color == 1 ? QPrinter::GrayScale : QPrinter::Color);
}

QPageSize PrinterBinding::MediaFor(const QPrinter& printer, Paper paper)
{
    if (printer.outputFormat() == QPrinter::NativeFormat) {
        const QList<QPageSize> sizes = QPrinterInfo(printer).supportedPageSizes();
        std::vector<MediaSize> media;
        for (const QPageSize& size : sizes) {
            const QSizeF pt = size.size(QPageSize::Point);
            media.push_back({ size.key().toStdString(), pt.width(), pt.height() });
        }
        const int match = MatchMedia(paper.width, paper.height, media);
        if (match >= 0)
            return sizes[match];
    }
    return CustomPageSize(paper);
}

void PrinterBinding::SetPaper(QPrinter& printer, Paper paper)
{
    const QPageLayout::Orientation orientation = printer.pageLayout().orientation();
    const QPageSize media = MediaFor(printer, paper);
    printer.setPageSize(media);
    printer.setPageOrientation(orientation);
    // A queue with a driver description turns a custom "media" into whole points;
    // asked for by its own option, the size stays exact.
    if (media.id() == QPageSize::Custom)
        SetCupsOption(printer, QStringLiteral("PageSize"), media.key());
}

} // namespace nrt::print
