#include "print/render/JobOutput.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "print/PagePlan.h"
#include "print/PaperSize.h"
#include "qt/QtText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <cups/cups.h>
#include <cups/ppd.h>

#include <utility>
#include <vector>

namespace nrt::print {
namespace {

// A queue's name may carry an instance ("queue/instance"); CUPS wants them apart.
struct QueueName {
    std::string name, instance;
};

QueueName SplitQueue(std::string_view utf8)
{
    const std::size_t slash = utf8.find('/');
    if (slash == std::string_view::npos)
        return { std::string(utf8), {} };
    return { std::string(utf8.substr(0, slash)), std::string(utf8.substr(slash + 1)) };
}

cups_dest_t* FindQueue(const QueueName& queue)
{
    return cupsGetNamedDest(
        CUPS_HTTP_DEFAULT, queue.name.c_str(), queue.instance.empty() ? nullptr : queue.instance.c_str());
}

// The media the queue lists, by its own names, portrait in points.
std::vector<MediaSize> QueueMedia(const QueueName& queue)
{
    std::vector<MediaSize> media;
    cups_dest_t* dest = FindQueue(queue);
    if (dest == nullptr)
        return media;
    if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        const int count = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
        for (int i = 0; i < count; ++i) {
            cups_size_t size;
            if (cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size))
                media.push_back(
                    { size.media, size.width * kPointsPerHundredthMm, size.length * kPointsPerHundredthMm });
        }
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
    return media;
}

// The paper sizes of the queue's driver description by its own keywords; none for a
// queue without one. CUPS reports a description's sizes by standard names, and two of
// them close to a card (Postcard 283 x 416 pt, Hagaki 283 x 420 pt) by one name, which
// the queue then maps to either; asked for by keyword, the job gets the one chosen.
std::vector<MediaSize> QueueDriverSizes(const QueueName& queue)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const char* file = cupsGetPPD2(CUPS_HTTP_DEFAULT, queue.name.c_str());
#pragma GCC diagnostic pop
    if (file == nullptr)
        return {};
    const QString path = QFile::decodeName(file);
    QFile ppd(path);
    std::vector<MediaSize> sizes;
    if (ppd.open(QIODevice::ReadOnly))
        sizes = PpdPaperSizes(ppd.readAll().toStdString());
    ppd.close();
    QFile::remove(path);
    return sizes;
}

} // namespace

JobOutput::JobOutput(Kind kind, QString target)
    : kind_(kind)
    , target_(std::move(target))
{
    SetRange(0, 0);
}

JobOutput::~JobOutput()
{
    AbortDoc();
}

void JobOutput::SetRange(int from, int to)
{
    from_ = from > 0 ? from : kAllPagesFrom;
    to_ = from > 0 && to > 0 ? to : kAllPagesTo;
}

bool JobOutput::QueueExists(std::string_view name)
{
    cups_dest_t* dest = FindQueue(SplitQueue(platform::SjisToUtf8(name)));
    if (dest == nullptr)
        return false;
    cupsFreeDests(1, dest);
    return true;
}

bool JobOutput::PrinterExists(std::string_view name) const
{
    return QueueExists(name);
}

QPaintDevice* JobOutput::OpenJob(QWidget* /*owner*/, bool useSaved, Paper paper)
{
    AbortDoc();
    // As the windows' print dialog starts: the form's saved settings when they check
    // usable, else the form's paper upright, one-sided, from the default tray.
    const bool use = useSaved && CheckSavedPrinter() == SavedPrinter::Usable;
    paper_ = paper;
    landscape_ = false;
    source_ = 0;
    duplex_ = 1;
    if (use) {
        if (saved_->paperWidth > 0 && saved_->paperHeight > 0)
            paper_ = Paper { saved_->paperWidth, saved_->paperHeight };
        landscape_ = saved_->orientation == 2;
        source_ = saved_->source;
        duplex_ = saved_->duplex;
    }
    QPageSize size = CustomPageSize(paper_);
    media_ = size.key().toStdString();
    driverSize_ = false;
    if (kind_ == Kind::kQueue) {
        const QueueName queue = SplitQueue(target_.toStdString());
        std::vector<MediaSize> media = QueueDriverSizes(queue);
        int match = MatchMedia(paper_.width, paper_.height, media);
        driverSize_ = match >= 0;
        if (match < 0) {
            media = QueueMedia(queue);
            match = MatchMedia(paper_.width, paper_.height, media);
        }
        if (match >= 0) {
            const MediaSize& m = media[static_cast<std::size_t>(match)];
            media_ = m.key;
            size = QPageSize(
                QSizeF(m.widthPt, m.heightPt), QPageSize::Point, QString::fromStdString(m.key), QPageSize::ExactMatch);
        }
        QTemporaryFile spool(QDir::tempPath() + QStringLiteral("/nortea-XXXXXX.pdf"));
        spool.setAutoRemove(false);
        if (!spool.open()) {
            ShowSystemError(gui::FromQ(spool.errorString()), "StartDoc");
            return nullptr;
        }
        file_ = spool.fileName();
    } else {
        file_ = target_;
    }
    writer_ = std::make_unique<QPdfWriter>(file_);
    writer_->setResolution(1200);
    writer_->setCreator(QCoreApplication::applicationName());
    writer_->setPageLayout(QPageLayout(size, landscape_ ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
    return writer_.get();
}

JobStep JobOutput::StartDoc(std::string_view jobName)
{
    if (!writer_) {
        platform::Inform(SJ("HDCが取得されてません。"), "Print", platform::MsgIcon::Warning);
        return JobStep::Refused;
    }
    title_ = platform::SjisToUtf8(jobName);
    writer_->setTitle(QString::fromStdString(title_));
    if (kind_ == Kind::kPdfFile && !CanWritePdf(file_, "StartDoc")) {
        writer_.reset();
        return JobStep::Refused;
    }
    pagesStarted_ = 0;
    delivered_ = true;
    return JobStep::Ready;
}

JobStep JobOutput::StartPage()
{
    if (!writer_)
        return JobStep::Refused;
    if (!TurnPage(*writer_)) {
        AbortDoc();
        delivered_ = false;
        return JobStep::Refused;
    }
    return JobStep::Ready;
}

void JobOutput::EndDoc()
{
    if (painter_.isActive()) {
        painter_.end();
        if (kind_ == Kind::kPdfFile)
            SetExactPaper(file_, paper_, landscape_);
        else
            delivered_ = Submit();
    }
    Close();
}

void JobOutput::AbortDoc()
{
    if (painter_.isActive()) {
        painter_.end();
        // No spooler has the job yet: the half file goes.
        QFile::remove(file_);
    }
    Close();
}

void JobOutput::Close()
{
    writer_.reset();
    // A queue's spool file goes whatever became of the job.
    if (kind_ == Kind::kQueue && !file_.isEmpty())
        QFile::remove(file_);
    file_.clear();
    pagesStarted_ = 0;
}

bool JobOutput::Submit()
{
    // The options in the order Qt's own CUPS printing sends them.
    std::vector<std::pair<std::string, std::string>> options { { "media", media_ } };
    options.emplace_back("sides",
        duplex_ == 2       ? "two-sided-long-edge"
            : duplex_ == 3 ? "two-sided-short-edge"
                           : "one-sided");
    if (landscape_)
        options.emplace_back("landscape", "");
    if (const char* keyword = SourceKeyword(source_))
        options.emplace_back("media-source", keyword);
    // A queue with a driver description turns a custom "media" into whole points;
    // asked for by its own option, the size stays exact.
    if (media_.starts_with("Custom.") || driverSize_)
        options.emplace_back("PageSize", media_);
    std::vector<cups_option_t> list;
    for (auto& [name, value] : options)
        list.push_back({ name.data(), value.data() });
    const QueueName queue = SplitQueue(target_.toStdString());
    const QByteArray spool = QFile::encodeName(file_);
    if (cupsPrintFile(queue.name.c_str(), spool.constData(), title_.c_str(), static_cast<int>(list.size()), list.data())
        != 0)
        return true;
    ShowSystemError(gui::FromQ(QString::fromUtf8(cupsLastErrorString())), "EndDoc");
    return false;
}

} // namespace nrt::print
