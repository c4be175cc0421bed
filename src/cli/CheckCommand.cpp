// nortea-cli check: the address check of the list (or, with --form, of the print job
// through that form), one finding a line; --fix postal applies the postal codes the
// addresses read to without doubt, and saves the book.
#include "cli/Cli.h"

#include "check/AddressCheck.h"
#include "db/CardHistory.h"
#include "db/MainList.h"
#include "platform/Clock.h"
#include "platform/sjis.h"
#include "postal/BusinessCodes.h"
#include "print/PrintForm.h"
#include "print/PrintForms.h"

#include <cstdio>

namespace nrt::cli {
namespace {

std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

std::string RecordName(const AddressTable& table, int k)
{
    if (k < 0)
        return SJ("（印刷全体）");
    const std::string_view name = table.Value(field::kName, k);
    return std::string(name.empty() ? table.Value(field::kCompany, k) : name);
}

} // namespace

int RunCheck(Context& context, Args& args)
{
    std::string tab, where, format = "text", fix, form;
    const bool hasTab = args.Option("--tab", tab);
    args.Option("--where", where);
    args.Option("--format", format);
    const bool hasFix = args.Option("--fix", fix);
    const bool hasForm = args.Option("--form", form);
    if (args.usageError || !args.Rest().empty() || (format != "tsv" && format != "text") || (hasFix && fix != "postal"))
        return kExitUsage;

    AppSettings& settings = context.Settings();
    if (hasFix && !context.LockForWriting())
        return kExitFailed;
    AddressTable* table = hasFix ? context.TableForWriting() : &context.Table();
    if (table == nullptr)
        return kExitFailed;

    mainlist::TabContext t;
    if (!ChooseTab(settings, false, hasTab ? &tab : nullptr, t))
        return kExitFailed;
    check::CheckOptions options;
    if (hasForm) {
        const int index = FindPrintForm(settings, platform::Utf8ToSjis(form));
        if (index < 0) {
            PrintMessage(SJ("注意"), SJ("その印刷フォームはありません。"));
            return kExitFailed;
        }
        options = check::OptionsForFormKind(PrintFormKind(settings, settings.FormList().GetLine(index)),
            check::HasMarkedSender(*table), cardhistory::CardYear(platform::GetClock().Now()));
    }
    options.business = check::BusinessLookupOf(settings.DataFile(kBusinessCodeFile));
    RecordSet rec;
    rec.Attach(table);
    if (!SetSortOrSay(rec, SJ("カナ, 名前")))
        return kExitFailed;
    // A job's records are the marked ones, as the print condition selects them.
    const std::string base = hasForm ? mainlist::PrintCondition(t, {}) : mainlist::ListCondition(t, {});
    if (!SelectOrSay(rec, mainlist::WithUserCondition(base, platform::Utf8ToSjis(where))))
        return kExitFailed;
    const std::vector<int> records(rec.Rows().begin(), rec.Rows().end());

    const check::PostalIndex postal = check::PostalIndex::Load(settings.PostalFile({}));
    const std::vector<check::Finding> findings = check::CheckRecords(*table, records, postal, options);

    const bool tsv = format == "tsv";
    if (tsv)
        std::printf("名前\t種類\t内容\t修正案\n");
    for (const check::Finding& f : findings) {
        const std::string name = Out(OneLine(RecordName(*table, f.record)));
        const std::string kind = Out(check::KindName(f.kind));
        const std::string problem = Out(OneLine(f.problem)), suggestion = Out(OneLine(f.suggestion));
        if (tsv)
            std::printf("%s\t%s\t%s\t%s\n", name.c_str(), kind.c_str(), problem.c_str(), suggestion.c_str());
        else
            std::printf("%s\t［%s］%s%s%s\n", name.c_str(), kind.c_str(), problem.c_str(),
                suggestion.empty() ? "" : " → ", suggestion.c_str());
    }
    if (!hasFix)
        return context.ExitStatus(findings.empty() ? kExitOk : kExitFailed);

    // Only a postal code the address reads to alone is put in without asking.
    std::vector<check::Finding> mends;
    for (const check::Finding& f : findings)
        if (f.IsPostal() && f.Mendable())
            mends.push_back(f);
    for (const check::Finding& f : mends)
        std::printf("%s: %s %s → %s\n", Out(OneLine(RecordName(*table, f.record))).c_str(), Out(SJ("郵便番号")).c_str(),
            Out(table->Value(field::kPostalCode, f.record)).c_str(), Out(f.value).c_str());
    if (!mends.empty()) {
        if (check::ApplyMends(*table, mends) != static_cast<int>(mends.size()) || !context.SaveTable())
            return kExitFailed;
        PrintMessage(SJ("住所録"), std::to_string(mends.size()) + SJ("件の郵便番号を修正しました。"));
    }
    return findings.size() > mends.size() ? kExitFailed : kExitOk;
}

} // namespace nrt::cli
