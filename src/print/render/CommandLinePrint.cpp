#include "print/render/CommandLinePrint.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "print/PrintForm.h"
#include "print/PrintForms.h"
#include "print/render/CardRenderer.h"
#include "print/render/JobOutput.h"
#include "settings/AppSettings.h"

#include <QGuiApplication>

#include <algorithm>

namespace nrt::print {
namespace {

// The job without a dialog, into `output`.
PrintedJob PrintFormTo(JobOutput& output, AppSettings& settings, AddressTable& table, const PrintRequest& request)
{
    PrintedJob job;
    // Fonts need the GUI application object (on the offscreen platform at least).
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        qCritical("printing needs a QGuiApplication");
        return job;
    }
    const int index = FindPrintForm(settings, request.formName);
    if (index < 0) {
        job.outcome = PrintOutcome::NoSuchForm;
        return job;
    }
    const std::string form(settings.FormList().GetLine(index));
    CardRenderer renderer(settings, table, output);
    renderer.ChooseSender(request.sender);
    if (!renderer.Prepare(form, PrintFormKind(settings, form), request.condition, request.sortOrder))
        return job;
    const int perPage = std::max(1, renderer.RecordsPerPage());
    job.pageCount = (renderer.RowCount() + perPage - 1) / perPage;
    if (request.from > job.pageCount) {
        job.outcome = PrintOutcome::NoSuchPages;
        return job;
    }
    output.SetRange(request.from, request.to);
    if (!renderer.PrintRows(nullptr) || !output.Delivered())
        return job;
    job.records = renderer.PrintedRecords();
    job.outcome = PrintOutcome::Done;
    return job;
}

} // namespace

PrintedJob PrintToPdf(
    AppSettings& settings, AddressTable& table, const PrintRequest& request, const std::string& pdfPath)
{
    JobOutput output(JobOutput::Kind::kPdfFile, QString::fromStdString(platform::fs::ToSystemPath(pdfPath)));
    return PrintFormTo(output, settings, table, request);
}

PrintedJob PrintToQueue(
    AppSettings& settings, AddressTable& table, const PrintRequest& request, const std::string& queue)
{
    if (!JobOutput::QueueExists(queue)) {
        PrintedJob job;
        job.outcome = PrintOutcome::NoSuchQueue;
        return job;
    }
    JobOutput output(JobOutput::Kind::kQueue, QString::fromStdString(platform::SjisToUtf8(queue)));
    return PrintFormTo(output, settings, table, request);
}

} // namespace nrt::print
