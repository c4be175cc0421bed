// nortea-cli duplicates: the records that are one person or firm twice, in pairs.
#include "cli/Cli.h"

#include "db/Duplicates.h"
#include "platform/sjis.h"

#include <cstdio>

namespace nrt::cli {
namespace {

// A value on one TSV line.
std::string Cell(std::string_view sjis)
{
    std::string text = Out(sjis);
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace

// Exit 0 when no pair was found, 1 when some were (as the address check), so that a
// script can stop before printing.
int RunDuplicates(Context& context, Args& args)
{
    std::string format;
    const bool hasFormat = args.Option("--format", format);
    if (args.usageError || !args.Rest().empty() || (hasFormat && format != "tsv"))
        return kExitUsage;
    const AddressTable& db = context.Table();
    const std::vector<dedupe::DuplicatePair> pairs = dedupe::FindDuplicates(db);
    const int name = db.FindField(SJ("名前"));
    if (hasFormat)
        std::printf("名前1\t名前2\t共通\n");
    for (const dedupe::DuplicatePair& p : pairs) {
        const std::string a = Cell(db.Value(name, p.first));
        const std::string b = Cell(db.Value(name, p.second));
        if (hasFormat)
            std::printf("%s\t%s\t%s\n", a.c_str(), b.c_str(), Out(dedupe::SharedText(p.shared)).c_str());
        else
            std::printf("%s ／ %s（%s）\n", a.c_str(), b.c_str(), Out(dedupe::SharedText(p.shared)).c_str());
    }
    return context.ExitStatus(pairs.empty() ? kExitOk : kExitFailed);
}

} // namespace nrt::cli
