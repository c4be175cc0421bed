// nortea-cli print: the print condition (marked addressees, as the main window's first
// tab selects them) through a print form into a PDF file or to a printer queue, with
// the marked sender record or the one --sender names. With --mark-sent a New Year's
// card job records its addressees as sent for the card year, as the print window
// offers to, and saves the table: only then is it a command that writes.
#include "cli/Cli.h"

#include "db/CardHistory.h"
#include "db/MainList.h"
#include "platform/Clock.h"
#include "platform/sjis.h"
#include "print/PrintForm.h"
#include "print/PrintForms.h"
#include "print/SentCards.h"
#include "print/render/CommandLinePrint.h"
#include "settings/LayoutDefaults.h"

#include <cstdio>

namespace nrt::cli {
namespace {

// The form of that name is there and prints something other than New Year's cards.
bool IsOtherKindOfForm(const AppSettings& settings, const std::string& form)
{
    const int index = FindPrintForm(settings, form);
    return index >= 0 && PrintFormKind(settings, settings.FormList().GetLine(index)) != kFormNewYearCard;
}

} // namespace

int RunPrint(Context& context, Args& args)
{
    std::string pdf, where, sort, pages;
    const bool hasPdf = args.Option("--pdf", pdf);
    std::string queue;
    const bool hasQueue = args.Option("--printer", queue);
    args.Option("--where", where);
    const bool hasSort = args.Option("--sort", sort);
    const bool hasPages = args.Option("--pages", pages);
    std::string sender;
    const bool hasSender = args.Option("--sender", sender);
    const bool markSent = args.Flag("--mark-sent");
    if (hasSender && sender.empty())
        return kExitUsage;
    if (args.usageError || hasPdf == hasQueue || args.Rest().size() != 1 || !args.unknown().empty())
        return kExitUsage;
    int from = 0, to = 0;
    if (hasPages && (std::sscanf(pages.c_str(), "%d-%d", &from, &to) != 2 || from < 1 || to < from))
        return kExitUsage;

    const mainlist::TabContext tab; // all addressees
    // The condition is one term beside the print condition: its OR does not reach it.
    const std::string condition
        = mainlist::WithUserCondition(mainlist::PrintCondition(tab, {}), platform::Utf8ToSjis(where));
    const std::string order = hasSort ? platform::Utf8ToSjis(sort) : SJ("カナ, 名前");
    const std::string form = platform::Utf8ToSjis(args.Rest()[0]);
    // Only New Year's cards have a year to record them in: a mistake in the command,
    // said before anything prints.
    if (markSent && IsOtherKindOfForm(context.Settings(), form)) {
        PrintMessage(SJ("注意"), SJ("--mark-sent は年賀状の印刷フォームにだけ使えます。"));
        return kExitUsage;
    }
    if (markSent && !context.LockForWriting())
        return kExitFailed;
    AddressTable* table = markSent ? context.TableForWriting() : &context.Table();
    if (table == nullptr)
        return kExitFailed;
    print::PrintRequest request;
    request.formName = form;
    request.condition = condition;
    request.sortOrder = order;
    request.from = from;
    request.to = to;
    request.sender = platform::Utf8ToSjis(sender);
    const print::PrintedJob job = hasQueue
        ? print::PrintToQueue(context.Settings(), *table, request, platform::Utf8ToSjis(queue))
        : print::PrintToPdf(context.Settings(), *table, request, platform::Utf8ToSjis(pdf));
    switch (job.outcome) {
    case print::PrintOutcome::Done:
        break;
    case print::PrintOutcome::NoSuchForm:
        PrintMessage(SJ("注意"), SJ("その印刷フォームはありません。"));
        return kExitFailed;
    case print::PrintOutcome::NoSuchPages:
        PrintMessage(SJ("注意"), SJ("そのページはありません（全") + std::to_string(job.pageCount) + SJ("ページ）。"));
        return kExitFailed;
    case print::PrintOutcome::NoSuchQueue:
        PrintMessage(SJ("注意"), SJ("そのプリンタはありません。"));
        return kExitFailed;
    case print::PrintOutcome::Failed:
        return kExitFailed; // the renderer has said why
    }
    if (!markSent)
        return kExitOk;

    // The question is the window's; the message host answers it Yes and prints it.
    const int year = cardhistory::CardYear(platform::GetClock().Now());
    const print::SentRecording recorded = print::OfferToRecordSent(*table, job.records, kFormNewYearCard, year);
    if (recorded == print::SentRecording::kUnchanged)
        return kExitOk;
    // Marks that went in before a refusal are kept, as the window keeps them.
    if (!context.SaveTable() || recorded == print::SentRecording::kFailed)
        return kExitFailed;
    PrintMessage(SJ("注意"),
        std::to_string(job.records.size()) + SJ("件を") + std::to_string(year)
            + SJ("年の年賀状を出した宛先として記録しました。"));
    return kExitOk;
}

} // namespace nrt::cli
