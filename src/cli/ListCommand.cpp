// nortea-cli list: the list as the main window selects and sorts it.
#include "cli/Cli.h"

#include "db/MainList.h"
#include "db/RecordSet.h"
#include "platform/sjis.h"

#include <cstdio>

namespace nrt::cli {
namespace {

std::vector<std::string> SplitFields(const std::string& utf8)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : utf8) {
        if (c == ',') {
            out.push_back(platform::Utf8ToSjis(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(platform::Utf8ToSjis(cur));
    return out;
}

// One cell for the chosen format: CSV quotes what needs it; TSV turns tabs and line
// breaks into spaces so that a row stays one line.
std::string Cell(const std::string& utf8, bool csv)
{
    if (csv) {
        if (utf8.find_first_of(",\"\r\n") == std::string::npos)
            return utf8;
        std::string q = "\"";
        for (char c : utf8) {
            if (c == '"')
                q += '"';
            q += c;
        }
        return q + "\"";
    }
    std::string t = utf8;
    for (char& c : t)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return t;
}

} // namespace

int RunList(Context& context, Args& args)
{
    std::string tab, where, sort, fields, format = "tsv";
    const bool senders = args.Flag("--senders");
    const bool hasTab = args.Option("--tab", tab);
    args.Option("--where", where);
    const bool hasSort = args.Option("--sort", sort);
    const bool hasFields = args.Option("--fields", fields);
    args.Option("--format", format);
    if (args.usageError || !args.Rest().empty() || (senders && hasTab) || (format != "tsv" && format != "csv"))
        return kExitUsage;

    AppSettings& settings = context.Settings();
    AddressTable& db = context.Table();

    mainlist::TabContext t;
    if (!ChooseTab(settings, senders, hasTab ? &tab : nullptr, t))
        return kExitFailed;

    RecordSet rec;
    rec.Attach(&db);
    const std::string order = hasSort ? platform::Utf8ToSjis(sort) : SJ("カナ, 名前");
    if (!SetSortOrSay(rec, order))
        return kExitFailed;
    // The condition is one term beside the tab's: its OR does not reach them.
    if (!SelectOrSay(rec, mainlist::WithUserCondition(mainlist::ListCondition(t, {}), platform::Utf8ToSjis(where))))
        return kExitFailed;

    // Columns: the mark column and the display columns, or the fields asked for.
    std::vector<std::string> names;
    bool markColumn = !hasFields;
    if (hasFields) {
        names = SplitFields(fields);
    } else {
        for (int i = 0; i < settings.DisplayColumnCount(); ++i)
            names.push_back(settings.GetDisplayColumn(i).name);
    }
    std::vector<int> indexes;
    for (const std::string& n : names) {
        const int f = db.FindField(n);
        if (f < 0 && hasFields) {
            PrintMessage(SJ("注意"), SJ("『") + n + SJ("』は項目にありません。"));
            return kExitFailed;
        }
        indexes.push_back(f);
    }
    const bool csv = format == "csv";
    const char sep = csv ? ',' : '\t';
    const int birthday = db.FindField(SJ("生年月日"));
    const int mark = db.FindField(SJ("印字区分"));

    std::string line;
    bool first = true;
    auto add = [&](const std::string& cell) {
        if (!first)
            line += sep;
        line += cell;
        first = false;
    };
    if (markColumn)
        add(Cell("印刷有無", csv));
    for (const std::string& n : names)
        add(Cell(Out(n), csv));
    std::printf("%s\n", line.c_str());
    for (int row = 0; row < rec.GetRowCount(); ++row) {
        const int k = rec.GetRowRecord(row);
        line.clear();
        first = true;
        if (markColumn)
            add(db.Value(mark, k) == "1" ? "●" : "");
        for (int f : indexes) {
            std::string v(db.Value(f, k));
            if (f == birthday && f >= 0 && settings.GetEraDates())
                v = settings.FormatDate(v, true);
            add(Cell(Out(v), csv));
        }
        std::printf("%s\n", line.c_str());
    }
    return kExitOk;
}

} // namespace nrt::cli
