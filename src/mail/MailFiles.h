#pragma once
// The mail folder and the files of the composer: template files ("ML" header line and
// the body: "FormMail.mlt", "PrevMail.mlt", saved ".mal" and archived ".mlb" mails)
// and plain ".txt" bodies. CP932 text with CR LF line ends.

#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class AppSettings;

namespace mailfiles {

// A mail as the composer holds it.
struct MailText {
    std::string subject;
    bool high = false; // priority "優先高"
    std::vector<std::string> lines; // the body
};

// Kinds of file, numbered as the dialogs' filters are: 0 stands for the two internal
// files, which are template files like ".mal".
enum OpenFilter { kOpenInternal = 0, kOpenMal = 1, kOpenMlb = 2, kOpenTxt = 3, kOpenAll = 4 };
enum SaveFilter { kSaveInternal = 0, kSaveMal = 1, kSaveTxt = 2, kSaveAll = 3 };

inline constexpr const char* kFormMail = "FormMail.mlt"; // the mail as the composer was closed
inline constexpr const char* kPrevMail = "PrevMail.mlt"; // the mail last sent
// How many bytes the header line must end within.
inline constexpr std::size_t kHeaderWindow = 500;

// "Mail" in the current book folder, created when missing (no trailing "/").
std::string MailFolder(const AppSettings& settings);

// A text cut into lines at CR LF, CR or LF; a line end at the very end opens no
// further line, so an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

// A line of tab-separated fields cut at its tabs.
std::vector<std::string_view> SplitTabs(std::string_view line);
// A text as one such field: tabs and line breaks inside would break the line, and
// become blanks.
std::string HeaderField(std::string_view text);

// The header line "ML\t1\t<subject>\t<1|0>\t" and CR LF.
std::string HeaderLine(const MailText& mail);
// The bytes of a file: with the header line for template files, then every body line
// with CR LF.
std::string Format(const MailText& mail, bool withHeader);

// Why a load or a save failed; each has the text of its box.
enum class FileError {
    kNone,
    kOpenFailed, // "ファイルオープンに失敗しました。"
    kBadFormat, // "不正な形式のファイルです。": no line end near the start
    kWrongKind, // "ファイルの種類が不正です。": no "ML" header
    kSaveFailed, // "保存に失敗しました。"
};

// What became of a load or a save: the failure and, when the system gave one, its
// reason ("<file>: <the system's words>", CP932).
struct FileResult {
    FileError error = FileError::kNone;
    std::string reason;

    bool Ok() const { return error == FileError::kNone; }
    // The box's text, the reason on a line of its own under it; empty when Ok.
    std::string Message() const;
};

// A file chosen with the open dialog (or an internal file with kOpenInternal). The
// extension of the filter is added to a name without one. Template files set the
// subject, the priority and the body; others only the body. `mail` is left alone on
// a failure.
[[nodiscard]] FileResult Load(std::string path, int filter, MailText& mail);
// A file chosen with the save dialog (or an internal file with kSaveInternal): the
// template form for kSaveInternal and kSaveMal, the body alone otherwise.
[[nodiscard]] FileResult Save(std::string path, int filter, const MailText& mail);

// "PrevMail.mlt" in `folder` and its copy "Sd<yyyymmddhhnnss>.mlb" named by the clock.
[[nodiscard]] FileResult SaveSent(const std::string& folder, const MailText& mail);
// "Sd<yyyymmddhhnnss>.mlb" for the clock's present time.
std::string ArchiveName();

} // namespace mailfiles
} // namespace nrt
