#include "print/render/CommandLinePrint.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "print/PrintForms.h"
#include "print/render/CardRenderer.h"
#include "print/render/JobOutput.h"
#include "settings/AppSettings.h"

#include <QGuiApplication>

#include <algorithm>

namespace nrt::print {
namespace {

// The job without a dialog, into `output`.
int PrintFormTo(JobOutput& output, AppSettings& global, AddressTable& table, std::string_view formName,
    std::string_view printCondition, std::string_view sortOrder, int from, int to, PrintedJob* job,
    std::string_view sender)
{
    // Fonts need the GUI application object (on the offscreen platform at least).
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        qCritical("printing needs a QGuiApplication");
        return kPrintFailed;
    }
    const int index = FindPrintForm(global, formName);
    if (index < 0)
        return kPrintNoSuchForm;
    const std::string form(global.ReportList().GetLine(index));
    CardRenderer renderer(global, table, output);
    renderer.ChooseSender(sender);
    if (!renderer.Prepare(form, global.FormKind(form), printCondition, sortOrder))
        return kPrintFailed;
    const int perPage = std::max(1, renderer.RecordsPerPage());
    const int pages = (renderer.RowCount() + perPage - 1) / perPage;
    if (job)
        job->pageCount = pages;
    if (from > pages)
        return kPrintNoSuchPages;
    output.SetRange(from, to);
    if (!renderer.PrintRows(nullptr) || !output.Delivered())
        return kPrintFailed;
    if (job)
        job->records = renderer.PrintedRecords();
    return kPrintDone;
}

} // namespace

int PrintToPdf(AppSettings& global, AddressTable& table, std::string_view formName, std::string_view printCondition,
    std::string_view sortOrder, const std::string& pdfPath, int from, int to, PrintedJob* job, std::string_view sender)
{
    JobOutput output(JobOutput::Kind::kPdfFile, QString::fromStdString(platform::fs::ToSystemPath(pdfPath)));
    return PrintFormTo(output, global, table, formName, printCondition, sortOrder, from, to, job, sender);
}

int PrintToQueue(AppSettings& global, AddressTable& table, std::string_view formName, std::string_view printCondition,
    std::string_view sortOrder, std::string_view queue, int from, int to, PrintedJob* job, std::string_view sender)
{
    if (!JobOutput::QueueExists(queue))
        return kPrintNoSuchQueue;
    JobOutput output(JobOutput::Kind::kQueue, QString::fromStdString(platform::SjisToUtf8(queue)));
    return PrintFormTo(output, global, table, formName, printCondition, sortOrder, from, to, job, sender);
}

} // namespace nrt::print
