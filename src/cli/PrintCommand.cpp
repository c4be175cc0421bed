// nortea-cli print: the print condition (marked addressees, as the main window's first
// tab selects them) through a print form into a PDF file or to a printer queue, with
// the marked sender record or the one --sender names.
#include "cli/Cli.h"

#include "db/MainList.h"
#include "platform/sjis.h"
#include "print/render/CommandLinePrint.h"

#include <cstdio>

namespace nrt::cli {

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
    int pageCount = 0;
    const int code = hasQueue ? print::PrintToQueue(context.Global(), context.Table(), form, condition, order,
                         platform::Utf8ToSjis(queue), from, to, &pageCount, platform::Utf8ToSjis(sender))
                              : print::PrintToPdf(context.Global(), context.Table(), form, condition, order,
                                  platform::Utf8ToSjis(pdf), from, to, &pageCount, platform::Utf8ToSjis(sender));
    if (code == print::kPrintNoSuchForm)
        PrintMessage(SJ("注意"), SJ("その印刷フォームはありません。"));
    else if (code == print::kPrintNoSuchPages)
        PrintMessage(SJ("注意"), SJ("そのページはありません（全") + std::to_string(pageCount) + SJ("ページ）。"));
    else if (code == print::kPrintNoSuchQueue)
        PrintMessage(SJ("注意"), SJ("そのプリンタはありません。"));
    return code == print::kPrintDone ? kExitOk : kExitFailed;
}

} // namespace nrt::cli
