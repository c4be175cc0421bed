#include "mail/MailFiles.h"

#include "platform/Clock.h"
#include "platform/SystemError.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"

#include <cerrno>
#include <cstdio>

namespace nrt::mailfiles {
namespace {

namespace fs = platform::fs;

// True when the file name (after the last "/") carries an extension.
bool HasExtension(std::string_view path)
{
    const std::size_t slash = platform::FindLastChar(path, '/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = platform::FindLastChar(name, '.');
    return dot != std::string_view::npos && dot + 1 < name.size();
}

// A failure on `path`, with what errno says (taken at once, before anything else can
// change it).
FileResult Failure(FileError error, const std::string& path)
{
    const std::string words = platform::ErrorText(errno);
    return { error, words.empty() ? path : path + ": " + words };
}

} // namespace

std::vector<std::string_view> SplitTabs(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

std::string HeaderField(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

std::string MailFolder(const AppSettings& settings)
{
    std::string folder = settings.BookFile("Mail");
    fs::MakeDirs(folder);
    return folder;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string HeaderLine(const MailText& mail)
{
    return "ML\t1\t" + HeaderField(mail.subject) + "\t" + (mail.high ? "1" : "0") + "\t\r\n";
}

std::string Format(const MailText& mail, bool withHeader)
{
    std::string out = withHeader ? HeaderLine(mail) : std::string();
    for (const std::string& line : mail.lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string FileResult::Message() const
{
    std::string text;
    switch (error) {
    case FileError::kNone:
        return {};
    case FileError::kOpenFailed:
        text = SJ("ファイルオープンに失敗しました。");
        break;
    case FileError::kBadFormat:
        text = SJ("不正な形式のファイルです。");
        break;
    case FileError::kWrongKind:
        text = SJ("ファイルの種類が不正です。");
        break;
    case FileError::kSaveFailed:
        text = SJ("保存に失敗しました。");
        break;
    }
    return reason.empty() ? text : text + "\n" + reason;
}

FileResult Load(std::string path, int filter, MailText& mail)
{
    if ((filter == kOpenMal || filter == kOpenMlb || filter == kOpenTxt) && !HasExtension(path))
        path += filter == kOpenMal ? ".mal" : filter == kOpenMlb ? ".mlb" : ".txt";
    std::string bytes;
    errno = 0;
    if (!fs::IsFile(path) || !fs::ReadFile(path, bytes))
        return Failure(FileError::kOpenFailed, path);
    if (filter == kOpenTxt || filter == kOpenAll) {
        mail.lines = SplitLines(bytes);
        return {};
    }
    const std::string_view head = std::string_view(bytes).substr(0, kHeaderWindow);
    // A template saved by another editor may end its lines with LF alone.
    const std::size_t cr = head.find_first_of("\r\n");
    if (cr == std::string_view::npos)
        return { FileError::kBadFormat, {} };
    const std::vector<std::string_view> fields = SplitTabs(head.substr(0, cr));
    if (fields[0] != "ML")
        return { FileError::kWrongKind, {} };
    mail.subject = fields.size() > 2 ? std::string(fields[2]) : std::string();
    mail.high = !(fields.size() > 3 && !fields[3].empty() && fields[3][0] == '0');
    std::vector<std::string> lines = SplitLines(bytes);
    lines.erase(lines.begin());
    mail.lines = std::move(lines);
    return {};
}

FileResult Save(std::string path, int filter, const MailText& mail)
{
    if ((filter == kSaveMal || filter == kSaveTxt) && !HasExtension(path))
        path += filter == kSaveMal ? ".mal" : ".txt";
    const bool withHeader = filter == kSaveInternal || filter == kSaveMal;
    errno = 0;
    if (!fs::AtomicWriteFile(path, Format(mail, withHeader)))
        return Failure(FileError::kSaveFailed, path);
    return {};
}

std::string ArchiveName()
{
    const platform::LocalTime t = platform::GetClock().Now();
    char name[40];
    std::snprintf(
        name, sizeof name, "Sd%04d%02d%02d%02d%02d%02d.mlb", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return name;
}

FileResult SaveSent(const std::string& folder, const MailText& mail)
{
    const std::string previous = folder + "/" + kPrevMail;
    if (FileResult saved = Save(previous, kSaveInternal, mail); !saved.Ok())
        return saved;
    const std::string archive = folder + "/" + ArchiveName();
    errno = 0;
    if (!fs::CopyFile(previous, archive))
        return Failure(FileError::kSaveFailed, archive);
    return {};
}

} // namespace nrt::mailfiles
