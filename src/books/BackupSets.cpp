#include "books/BackupSets.h"

#include "db/AddressTable.h"
#include "db/LineList.h"
#include "platform/Clock.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <signal.h>
#include <unistd.h>

namespace nrt {
namespace {

std::string WithSlash(std::string_view folder)
{
    std::string s(folder);
    if (!s.empty() && s.back() != '/')
        s += '/';
    return s;
}

// Names are matched without regard to case, as the folders of the program's books
// were made on a system that does so.
bool Matches(std::string_view name, std::string_view pattern)
{
    const std::string_view tail = pattern.substr(1);
    return name.size() >= tail.size() && platform::lstrcmpiA(name.substr(name.size() - tail.size()), tail) == 0;
}

// The entry of `folder` named `name` in any letter case; `name` itself when none.
std::string ExistingName(std::string_view folder, std::string_view name)
{
    for (const platform::fs::DirEntry& e : platform::fs::ListDir(folder))
        if (e.isDirectory && platform::lstrcmpiA(e.name, name) == 0)
            return e.name;
    return std::string(name);
}

// The names a copy under way gives its folders beside the one it will replace: the
// new folder while it is filled, and the old one while the fallback of ReplaceDir
// moves it aside. Neither can be a book's or a set's name ("-" is refused in names).
constexpr std::string_view kFreshMarker = ".nrt-new-";
constexpr std::string_view kAsideMarker = ".nrt-old-";

std::string RunName(std::string_view folder, std::string_view marker)
{
    std::string name(folder);
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    return name + std::string(marker) + std::to_string(::getpid());
}

// The copy of a book's or a set's file that holds the mail password is for the owner
// alone, whatever the file it was copied from allowed.
int CopyMode(std::string_view name)
{
    return platform::lstrcmpiA(name, "NrtUser.ini") == 0 ? 0600 : platform::fs::kSourceMode;
}

// Every file of `from` (and its subfolders) that `to` does not have is copied there:
// what the folder being replaced held beyond the set stays.
bool CarryOver(const std::string& from, const std::string& to)
{
    for (const platform::fs::DirEntry& e : platform::fs::ListDir(from)) {
        const std::string source = from + "/" + e.name;
        const std::string target = to + "/" + e.name;
        if (e.isDirectory) {
            if (!platform::fs::MakeDir(target) || !CarryOver(source, target))
                return false;
        } else if (!platform::fs::Exists(target) && !platform::fs::CopyFile(source, target, true, CopyMode(e.name))) {
            return false;
        }
    }
    return true;
}

std::string Today()
{
    const platform::LocalTime now = platform::GetClock().Now();
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", now.year, now.month, now.day);
    return text;
}

} // namespace

BackupSets::Done BackupSets::CopyEntry(std::string_view from, std::string_view to, std::string_view name, bool report,
    std::string_view subfolder, Observer* observer)
{
    return CopyEntryShown(from, to, to, name, report, subfolder, observer);
}

BackupSets::Done BackupSets::CopyEntryShown(std::string_view from, std::string_view to, std::string_view shownTo,
    std::string_view name, bool report, std::string_view subfolder, Observer* observer)
{
    if (from.empty() || to.empty())
        return { false, SJ("パスの指定が不正です。") };
    std::string source = WithSlash(from);
    std::string target = WithSlash(to);
    std::string shown = WithSlash(shownTo);
    if (!subfolder.empty()) {
        source = WithSlash(source + ExistingName(source, subfolder));
        const std::string sub = ExistingName(target, subfolder);
        target = WithSlash(target + sub);
        shown = WithSlash(shown + sub);
    }
    if (name.empty() || name.front() != '*') {
        const std::string destination = target + std::string(name);
        if (observer)
            observer->Copying(shown + std::string(name));
        if (platform::fs::CopyFile(source + std::string(name), destination, false, CopyMode(name)))
            return {};
        // A file that is there and was not copied (a full or failing target) is always
        // reported, with the file: the set is not whole.
        if (report || platform::fs::IsFile(source + std::string(name)))
            return { false, SJ("ファイルのコピーに失敗しました。") + "\n" + shown + std::string(name) };
        return { false };
    }
    bool matched = false;
    for (const platform::fs::DirEntry& e : platform::fs::ListDir(source)) {
        if (e.isDirectory || !Matches(e.name, name))
            continue;
        matched = true;
        const std::string destination = target + e.name;
        if (observer)
            observer->Copying(shown + e.name);
        if (!platform::fs::CopyFile(source + e.name, destination, false, CopyMode(e.name)))
            return { false, SJ("ファイルコピーに失敗しました。") + "\n" + shown + e.name };
    }
    if (!matched && report)
        return { false, SJ("ファイルのコピーに失敗しました。") };
    return { matched };
}

BackupSets::Done BackupSets::CopyPresent(
    std::string_view from, std::string_view to, std::string_view name, std::string_view subfolder, Observer* observer)
{
    return CopyPresentShown(from, to, to, name, subfolder, observer);
}

BackupSets::Done BackupSets::CopyPresentShown(std::string_view from, std::string_view to, std::string_view shownTo,
    std::string_view name, std::string_view subfolder, Observer* observer)
{
    Done copied = CopyEntryShown(from, to, shownTo, name, false, subfolder, observer);
    if (copied.ok)
        return copied;
    // Nothing of that name or pattern is there: nothing is missing from the set.
    std::string source = WithSlash(from);
    if (!subfolder.empty())
        source = WithSlash(source + ExistingName(source, subfolder));
    if (name.empty() || name.front() != '*')
        return platform::fs::IsFile(source + std::string(name)) ? copied : Done {};
    for (const platform::fs::DirEntry& e : platform::fs::ListDir(source))
        if (!e.isDirectory && Matches(e.name, name))
            return copied;
    return {};
}

BackupSets::Done BackupSets::CopyInto(
    std::string_view from, std::string_view to, std::string_view shownTo, Observer* observer)
{
    if (Done first = CopyEntryShown(from, to, shownTo, kSetFiles[0], true, {}, observer); !first.ok)
        return first;
    // Every other file that is there must arrive too: a set that misses one is no backup.
    for (std::size_t i = 1; i < std::size(kSetFiles); ++i)
        if (Done copied = CopyPresentShown(from, to, shownTo, kSetFiles[i], {}, observer); !copied.ok)
            return copied;
    const std::string target = WithSlash(to);
    if (!platform::fs::MakeDir(target + ExistingName(target, kMailFolder)))
        return { false, SJ("ファイルのコピーに失敗しました。") + "\n" + WithSlash(shownTo) + kMailFolder };
    for (const char* pattern : kMailFiles)
        if (Done copied = CopyPresentShown(from, to, shownTo, pattern, kMailFolder, observer); !copied.ok)
            return copied;
    return {};
}

BackupSets::Done BackupSets::CopySet(std::string_view from, std::string_view to, Observer* observer)
{
    if (to.empty())
        return { false, SJ("コピー先を指定してください。") };
    // The set is built beside its place and put there whole: a run cut short leaves
    // the folder as it was (and a leftover the next start removes), never half of it.
    std::string target(to);
    while (target.size() > 1 && target.back() == '/')
        target.pop_back();
    const std::string fresh = RunName(target, kFreshMarker);
    platform::fs::RemoveTree(fresh);
    if (!platform::fs::MakeDir(fresh))
        return { false, SJ("ファイルのコピーに失敗しました。") + "\n" + target };
    Done done = CopyInto(from, fresh, target, observer);
    if (done.ok && platform::fs::IsDirectory(target) && !CarryOver(target, fresh))
        done = { false, SJ("ファイルコピーに失敗しました。") + "\n" + target };
    if (done.ok && !platform::fs::ReplaceDir(fresh, target, RunName(target, kAsideMarker)))
        done = { false, SJ("ファイルのコピーに失敗しました。") + "\n" + target };
    // After the swap the fresh name holds the folder that was replaced.
    platform::fs::RemoveTree(fresh);
    return done;
}

int BackupSets::RemoveLeftovers(std::string_view folder)
{
    int removed = 0;
    const std::string base = WithSlash(folder);
    for (const platform::fs::DirEntry& e : platform::fs::ListDir(folder)) {
        if (!e.isDirectory)
            continue;
        const bool fresh = e.name.find(kFreshMarker) != std::string::npos;
        const std::size_t at = e.name.find(fresh ? kFreshMarker : kAsideMarker);
        if (at == std::string::npos || at == 0)
            continue;
        const std::string_view marker = fresh ? kFreshMarker : kAsideMarker;
        const long pid = std::strtol(e.name.c_str() + at + marker.size(), nullptr, 10);
        if (pid == ::getpid() || (pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)))
            continue;
        const std::string path = base + e.name;
        const std::string original = base + e.name.substr(0, at);
        // An old folder moved aside whose replacement never arrived goes back.
        if (!fresh && !platform::fs::Exists(original) && platform::fs::Rename(path, original))
            continue;
        if (platform::fs::RemoveTree(path))
            ++removed;
    }
    return removed;
}

std::string BackupSets::SetFolder(const AppSettings& settings, int setNumber)
{
    return WithSlash(settings.GetFolderBackupPath()) + settings.BookName() + "/SV" + std::to_string(setNumber);
}

BackupSets::BackupOutcome BackupSets::Backup(AppSettings& settings, Observer* observer, int* setNumber)
{
    if (settings.BookName().empty())
        return { kNoBookName, SJ("ユーザーの取得に失敗しました。") };
    // A folder relative to wherever the program was started is no place for backups.
    const std::string& destination = settings.GetFolderBackupPath();
    if (destination.empty() || destination.front() != '/')
        return { kNoDestination, SJ("パスを指定してください。") };
    const int n = settings.NextGeneration();
    const std::string set = SetFolder(settings, n);
    // Only the book's folder of the backups: the set itself appears whole or not at all.
    platform::fs::MakeDirs(WithSlash(destination) + settings.BookName());
    if (setNumber)
        *setNumber = n;
    if (Done copied = CopySet(settings.BookFile({}), set, observer); !copied.ok)
        return { kCopyFailed, std::move(copied.message) };

    settings.StampIntervalBackup();
    settings.AdvanceGeneration();
    const std::string list = settings.BookFile("back.ls2");
    LineList lines;
    if (!lines.LoadText(list))
        lines.Clear();
    lines.SetLine(n - 1, std::to_string(n) + SJ(":保存日：") + Today());
    // The list only labels the sets; the set itself is written.
    static_cast<void>(lines.SaveText(list));
    return {};
}

BackupSets::Done BackupSets::CheckEnabled(const AppSettings& settings)
{
    if (settings.GetFolderBackupOn() != 0)
        return {};
    return { false,
        SJ("バックアップの設定をしてください。\n「設定」→「オプション」→「一般」の「バックアップ」で設定できます。") };
}

bool BackupSets::OfferDue(AppSettings& settings)
{
    return settings.GetFolderBackupOn() == 1 && settings.IntervalBackupDue();
}

BackupSets::Done BackupSets::SaveBeforeBackup(AppSettings& settings, const AddressTable& table)
{
    if (table.GetRecordCount() > 0) {
        platform::fs::MakeDirs(settings.BookFile({}));
        if (table.SaveTable(settings.BookFile("nrt.ndb")) != TableError::kNone)
            return { false, SJ("保存に失敗しました。") };
    }
    // The backup copies the settings as they are on disk; a failed write here is not
    // told apart (only the table's save stops the backup).
    static_cast<void>(settings.WriteSettings());
    return {};
}

} // namespace nrt
