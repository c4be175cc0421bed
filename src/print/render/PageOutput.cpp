#include "print/render/PageOutput.h"

#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "print/PaperSize.h"
#include "qt/QtText.h"

#include <QFile>
#include <QPagedPaintDevice>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

namespace nrt::print {

SavedPrinter PageOutput::CheckSavedPrinter()
{
    if (!saved_) {
        platform::Warn(SJ("プリンタ設定がされていません。"));
        return SavedPrinter::NotSet;
    }
    if (saved_->driver == kDriverPdf)
        return SavedPrinter::Usable;
    if (PrinterExists(saved_->device))
        return SavedPrinter::Usable;
    platform::Warn(SJ("プリンタ設定に失敗しました。\n通常使うプリンタの設定を使用します。"));
    return SavedPrinter::Unreachable;
}

PrdRead PageOutput::ReadSettings(std::string_view path)
{
    PrinterSettings read;
    const PrdRead result = ReadPrinterSettings(path, read);
    if (result == PrdRead::CannotOpen)
        return result;
    saved_.reset();
    if (result == PrdRead::Read)
        saved_ = read;
    return result;
}

QPageSize CustomPageSize(Paper paper)
{
    auto points = [](std::int32_t v) { return std::round(v * kPointsPerHundredthMm * 100.0) / 100.0; };
    return QPageSize(QSizeF(points(paper.width), points(paper.height)), QPageSize::Point,
        QStringLiteral("%1 x %2 mm").arg(paper.width / 100.0, 0, 'f', 2).arg(paper.height / 100.0, 0, 'f', 2),
        QPageSize::ExactMatch);
}

const char* SourceKeyword(std::int32_t source)
{
    static constexpr std::array<std::pair<std::int32_t, const char*>, 13> kKeywords { {
        { 1, "top" },
        { 2, "bottom" },
        { 3, "middle" },
        { 4, "manual" },
        { 5, "envelope" },
        { 6, "manual" },
        { 7, "auto" },
        { 8, "main" },
        { 9, "side" },
        { 10, "main" },
        { 11, "large-capacity" },
        { 14, "main" },
        { 15, "auto" },
    } };
    for (const auto& [number, keyword] : kKeywords)
        if (number == source)
            return keyword;
    return nullptr;
}

bool PageOutput::TurnPage(QPagedPaintDevice& device)
{
    errno = 0;
    const bool first = pagesStarted_ == 0;
    if (first ? !painter_.begin(&device) : !device.newPage()) {
        ShowSystemError({}, first ? "StartDoc" : "StartPage");
        return false;
    }
    ++pagesStarted_;
    return true;
}

void ShowSystemError(std::string_view reason, const char* caption)
{
    const std::string text
        = reason.empty() ? gui::FromQ(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO))) : std::string(reason);
    platform::Inform(text, caption, platform::MsgIcon::Error);
}

bool CanWritePdf(const QString& file, const char* caption)
{
    // The PDF writer would fail only at the first page without saying why. The
    // trial leaves no file behind: a job that prints no page writes none.
    QFile out(file);
    const bool existed = out.exists();
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append)) {
        ShowSystemError(gui::FromQ(out.errorString()), caption);
        return false;
    }
    out.close();
    if (!existed)
        out.remove();
    return true;
}

void SetExactPaper(const QString& file, Paper paper, bool landscape)
{
    const std::string path = gui::FromQ(file);
    const double w = (landscape ? paper.height : paper.width) * kPointsPerHundredthMm;
    const double h = (landscape ? paper.width : paper.height) * kPointsPerHundredthMm;
    std::string pdf;
    if (platform::fs::ReadFile(path, pdf) && SetPdfPageSize(pdf, w, h))
        platform::fs::AtomicWriteFile(path, pdf);
}

} // namespace nrt::print
