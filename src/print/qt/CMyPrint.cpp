#include "print/qt/CMyPrint.h"

#include "app/QtText.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "print/PagePlan.h"

#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
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

// The reason the system gives for the last failure, as a message box shows it.
void ShowSystemError(const QString& reason, const char* caption)
{
    const QString text = reason.isEmpty() ? QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)) : reason;
    platform::Inform(gui::FromQ(text), caption, platform::MsgIcon::Error);
}

} // namespace

CMyPrint::CMyPrint(QWidget* owner)
{
    if (owner != nullptr)
        FetchDefaults(owner, false);
}

CMyPrint::~CMyPrint()
{
    EndDoc();
}

int CMyPrint::FetchDefaults(QWidget* /*owner*/, bool onlyOnce)
{
    if (onlyOnce && defaultsFetched_)
        return 1;
    defaultsFetched_ = true;
    PrinterSettings s;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        s.driver = kDriverPdf;
        defaults_ = s;
        return 0;
    }
    s.driver = kDriverSystem;
    s.device = gui::FromQ(info.printerName());
    s.isDefault = true;
    const QSizeF mm = info.defaultPageSize().size(QPageSize::Millimeter);
    s.paperWidth = static_cast<std::int32_t>(mm.width() * 100);
    s.paperHeight = static_cast<std::int32_t>(mm.height() * 100);
    defaults_ = s;
    return 1;
}

int CMyPrint::CheckSavedPrinter()
{
    if (!saved_) {
        platform::Warn(SJ("プリンタ設定がされていません。"));
        return 0;
    }
    if (saved_->driver == kDriverPdf)
        return 1;
    if (QPrinterInfo::availablePrinterNames().contains(gui::ToQ(saved_->device)))
        return 1;
    platform::Warn(SJ("プリンタ設定に失敗しました。\n通常使うプリンタの設定を使用します。"));
    return -1;
}

int CMyPrint::ReadSettings(std::string_view path)
{
    PrinterSettings read;
    const int result = ReadPrinterSettings(path, read);
    // A file that cannot be opened leaves the settings as they were.
    if (result == kPrdCannotOpen)
        return result;
    saved_.reset();
    if (result == 0)
        saved_ = read;
    return result;
}

int CMyPrint::PrinterSetupAndSave(QWidget* owner, std::string_view path, bool useSaved)
{
    QPrinter printer(QPrinter::HighResolution);
    if (useSaved && ReadSettings(path) == 0 && CheckSavedPrinter() == 1) {
        Apply(*saved_, printer);
    } else {
        FetchDefaults(owner, true);
        ApplyDefaults(printer);
    }
    if (!RunDialog(owner, printer, true))
        return 1;
    return WritePrinterSettings(path, SettingsOf(printer)) == 0 ? 0 : -1;
}

QPrinter* CMyPrint::OpenPrintDialog(QWidget* owner, bool useSaved, const std::optional<QPageSize>& paper)
{
    FetchDefaults(owner, true);
    bool use = useSaved;
    if (use && CheckSavedPrinter() != 1)
        use = false;
    EndDoc();
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (use) {
        Apply(*saved_, *printer_);
    } else {
        ApplyDefaults(*printer_);
        // Without settings of its own a form prints on its own paper, not on
        // whatever the printer holds by default.
        if (paper) {
            printer_->setPageSize(*paper);
            printer_->setPageOrientation(QPageLayout::Portrait);
        }
    }
    printer_->setPrintRange(QPrinter::AllPages);
    if (firstPage_ != 0)
        printer_->setFromTo(0, 0);
    if (!RunDialog(owner, *printer_, false)) {
        printer_.reset();
        return nullptr;
    }
    const PrinterSettings chosen = SettingsOf(*printer_);
    driver_ = chosen.driver;
    device_ = chosen.device;
    port_ = chosen.output;
    return printer_.get();
}

int CMyPrint::FromPage() const
{
    if (printer_ && printer_->printRange() == QPrinter::PageRange && printer_->fromPage() > 0)
        return printer_->fromPage();
    return kAllPagesFrom;
}

int CMyPrint::ToPage() const
{
    if (printer_ && printer_->printRange() == QPrinter::PageRange && printer_->fromPage() > 0)
        return printer_->toPage() > 0 ? printer_->toPage() : kAllPagesTo;
    return kAllPagesTo;
}

int CMyPrint::StartDoc(std::string_view jobName)
{
    if (!printer_) {
        platform::Inform(SJ("HDCが取得されてません。"), "Print", platform::MsgIcon::Warning);
        return 0;
    }
    printer_->setDocName(gui::ToQ(jobName));
    if (printer_->outputFormat() == QPrinter::PdfFormat) {
        // The PDF writer would fail only at the first page without saying why. The
        // trial leaves no file behind: a job that prints no page writes none.
        QFile out(printer_->outputFileName());
        const bool existed = out.exists();
        if (!out.open(QIODevice::WriteOnly | QIODevice::Append)) {
            ShowSystemError(out.errorString(), "StartDoc");
            printer_.reset();
            return 0;
        }
        out.close();
        if (!existed)
            out.remove();
    }
    documentOpen_ = true;
    pagesStarted_ = 0;
    return 1;
}

int CMyPrint::StartPage()
{
    if (!documentOpen_ || !printer_)
        return 0;
    // The document begins with its first page, so a job that prints no page feeds
    // no blank sheet through the printer.
    if (pagesStarted_ == 0) {
        errno = 0;
        if (!painter_.begin(printer_.get())) {
            ShowSystemError({}, "StartDoc");
            documentOpen_ = false;
            printer_.reset();
            return 0;
        }
    } else {
        errno = 0;
        if (!printer_->newPage()) {
            ShowSystemError({}, "StartPage");
            AbortDoc();
            return 0;
        }
    }
    ++pagesStarted_;
    return 1;
}

void CMyPrint::EndPage()
{
}

void CMyPrint::EndDoc()
{
    if (painter_.isActive())
        painter_.end();
    documentOpen_ = false;
    pagesStarted_ = 0;
    printer_.reset();
}

void CMyPrint::AbortDoc()
{
    if (printer_ && painter_.isActive()) {
        printer_->abort();
        painter_.end();
        // The PDF writer has no spooler to take the job back: the half file goes.
        if (printer_->outputFormat() == QPrinter::PdfFormat)
            QFile::remove(printer_->outputFileName());
    }
    documentOpen_ = false;
    pagesStarted_ = 0;
    printer_.reset();
}

bool CMyPrint::RunDialog(QWidget* owner, QPrinter& printer, bool setup)
{
    if (standIn_)
        return standIn_(printer, setup);
    QPrintDialog dialog(&printer, owner);
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile;
    if (setup) {
        dialog.setWindowTitle(QStringLiteral("プリンタの設定"));
    } else {
        options |= QAbstractPrintDialog::PrintPageRange;
        dialog.setMinMax(1, 10000);
    }
    dialog.setOptions(options);
    return dialog.exec() == QDialog::Accepted;
}

void CMyPrint::ApplyDefaults(QPrinter& printer) const
{
    if (defaults_)
        Apply(*defaults_, printer);
}

PrinterSettings CMyPrint::SettingsOf(const QPrinter& printer)
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

void CMyPrint::Apply(const PrinterSettings& s, QPrinter& printer)
{
    if (s.driver == kDriverPdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(gui::ToQ(s.output));
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(gui::ToQ(s.device));
    }
    if (s.paperWidth > 0 && s.paperHeight > 0)
        printer.setPageSize(QPageSize(QSizeF(s.paperWidth / 100.0, s.paperHeight / 100.0), QPageSize::Millimeter,
            QString(), QPageSize::FuzzyMatch));
    printer.setPageOrientation(s.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    for (const auto& [number, source] : kSources)
        if (number == s.source)
            printer.setPaperSource(source);
    printer.setCopyCount(std::max(s.copies, 1));
    printer.setDuplex(s.duplex == 2 ? QPrinter::DuplexLongSide
            : s.duplex == 3         ? QPrinter::DuplexShortSide
                                    : QPrinter::DuplexNone);
    printer.setColorMode(s.color == 1 ? QPrinter::GrayScale : QPrinter::Color);
}

} // namespace nrt::print
