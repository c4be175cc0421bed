// nortea-cli postal-import and postal-lookup: the postal dictionary of the data folder.
#include "cli/Cli.h"

#include "platform/sjis.h"
#include "postal/PostalDictionary.h"
#include "postal/PostalLookup.h"

#include <cstdio>
#include <unistd.h>

namespace nrt::cli {
namespace {

constexpr int kPathEntry = 3; // "NrtPath.dat": the last postal list imported

// The list's path as the program remembers it: absolute, so that the import window
// finds it again from wherever it was started.
std::string AbsolutePath(const std::string& sjis)
{
    if (!sjis.empty() && sjis.front() == '/')
        return sjis;
    char buffer[4096];
    if (!::getcwd(buffer, sizeof buffer))
        return sjis;
    return platform::Utf8ToSjis(buffer) + "/" + sjis;
}

// The code as the input form searches it: 4 to 7 bytes without "-" at the fourth get one.
std::string WithHyphen(std::string code)
{
    if (code.size() >= 4 && code.size() <= 7 && code[3] != '-')
        code.insert(3, 1, '-');
    return code;
}

} // namespace

int RunPostalImport(Context& context, Args& args)
{
    if (args.usageError || args.Rest().size() != 1 || !args.unknown().empty())
        return kExitUsage;
    if (!context.LockForWriting())
        return kExitFailed;
    AppSettings& settings = context.Settings();
    const std::string path = AbsolutePath(platform::Utf8ToSjis(args.Rest().front()));

    settings.SetPostalLocation(1);
    const std::string folder = settings.PostalFile({});
    if (folder.empty())
        return kExitFailed; // the path was too long: already said

    // The progress line only where someone watches it.
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    const std::string label = Out(SJ("郵便番号データをインポートしています"));
    PostalListStats stats;
    const PostalImportResult result = ImportPostalList(
        path, folder,
        [&](int percent) {
            if (terminal)
                std::fprintf(stderr, "\r%s %3d%%", label.c_str(), percent);
        },
        &stats);
    if (terminal)
        std::fputc('\n', stderr);

    if (result == PostalImportResult::kOk) {
        settings.SetPathEntry(kPathEntry, path);
        if (stats.shortLines > 0)
            std::fprintf(stderr, "%s %d\n", Out(SJ("列の足りない行（読み飛ばし）:")).c_str(), stats.shortLines);
        if (stats.badCodes > 0)
            std::fprintf(stderr, "%s %d\n", Out(SJ("郵便番号が７桁でない行（読み飛ばし）:")).c_str(), stats.badCodes);
        if (stats.cutColumns > 0)
            std::fprintf(stderr, "%s %d\n", Out(SJ("254バイトで切り詰めた列:")).c_str(), stats.cutColumns);
    }
    ShowPostalImportResult(result, stats);
    return result == PostalImportResult::kOk ? kExitOk : kExitFailed;
}

int RunPostalLookup(Context& context, Args& args)
{
    if (args.usageError || args.Rest().size() != 1 || !args.unknown().empty())
        return kExitUsage;
    AppSettings& settings = context.Settings();
    const std::string folder = settings.PostalFile({});
    const auto entry = FindPostalCode(folder, WithHyphen(platform::Utf8ToSjis(args.Rest().front())));
    PostalRecordText text;
    if (!entry || !ReadPostalRecord(folder, entry->offset, text)) {
        PrintMessage(SJ("注意"), SJ("該当住所が見つかりません。"));
        return kExitFailed;
    }
    const std::string code(entry->Code());
    std::printf("%s-%s\t%s\t%s\n", code.substr(0, 3).c_str(), code.substr(3).c_str(), Out(text.address).c_str(),
        Out(text.reading).c_str());
    return kExitOk;
}

} // namespace nrt::cli
