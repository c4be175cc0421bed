#include "users/BackupSets.h"

#include "db/AddressTable.h"
#include "db/LineList.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"

#include <cstdio>

namespace nrt {
namespace {

std::string WithSlash(std::string_view folder)
{
    std::string s(folder);
    if (!s.empty() && s.back() != '/')
        s += '/';
    return s;
}

// Names are matched without regard to case, as the folders of the program's users
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

std::string Today()
{
    const platform::LocalTime now = platform::GetClock().Now();
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", now.year, now.month, now.day);
    return text;
}

} // namespace

bool BackupSets::CopyEntry(std::string_view from, std::string_view to, std::string_view name, bool report,
    std::string_view subfolder, Observer* observer)
{
    if (from.empty() || to.empty()) {
        platform::Warn(SJ("パスの指定が不正です。"));
        return false;
    }
    std::string source = WithSlash(from);
    std::string target = WithSlash(to);
    if (!subfolder.empty()) {
        source = WithSlash(source + ExistingName(source, subfolder));
        target = WithSlash(target + ExistingName(target, subfolder));
    }
    if (name.empty() || name.front() != '*') {
        const std::string destination = target + std::string(name);
        if (observer)
            observer->Copying(destination);
        if (platform::fs::CopyFile(source + std::string(name), destination))
            return true;
        // A file that is there and was not copied (a full or failing target) is always
        // reported, with the file: the set is not whole.
        if (report || platform::fs::IsFile(source + std::string(name)))
            platform::Warn(SJ("ファイルのコピーに失敗しました。") + "\n" + destination);
        return false;
    }
    bool matched = false;
    for (const platform::fs::DirEntry& e : platform::fs::ListDir(source)) {
        if (e.isDirectory || !Matches(e.name, name))
            continue;
        matched = true;
        const std::string destination = target + e.name;
        if (observer)
            observer->Copying(destination);
        if (!platform::fs::CopyFile(source + e.name, destination)) {
            platform::Warn(SJ("ファイルコピーに失敗しました。") + "\n" + destination);
            return false;
        }
    }
    if (!matched && report)
        platform::Warn(SJ("ファイルのコピーに失敗しました。"));
    return matched;
}

bool BackupSets::CopyPresent(
    std::string_view from, std::string_view to, std::string_view name, std::string_view subfolder, Observer* observer)
{
    if (CopyEntry(from, to, name, false, subfolder, observer))
        return true;
    // Nothing of that name or pattern is there: nothing is missing from the set.
    std::string source = WithSlash(from);
    if (!subfolder.empty())
        source = WithSlash(source + ExistingName(source, subfolder));
    if (name.empty() || name.front() != '*')
        return !platform::fs::IsFile(source + std::string(name));
    for (const platform::fs::DirEntry& e : platform::fs::ListDir(source))
        if (!e.isDirectory && Matches(e.name, name))
            return false;
    return true;
}

bool BackupSets::CopySet(std::string_view from, std::string_view to, Observer* observer)
{
    if (to.empty()) {
        platform::Warn(SJ("コピー先を指定してください。"));
        return false;
    }
    if (!CopyEntry(from, to, kSetFiles[0], true, {}, observer))
        return false;
    // Every other file that is there must arrive too: a set that misses one is no backup.
    for (std::size_t i = 1; i < std::size(kSetFiles); ++i)
        if (!CopyPresent(from, to, kSetFiles[i], {}, observer))
            return false;
    const std::string target = WithSlash(to);
    if (!platform::fs::MakeDir(target + ExistingName(target, kMailFolder))) {
        platform::Warn(SJ("ファイルのコピーに失敗しました。") + "\n" + target + kMailFolder);
        return false;
    }
    for (const char* pattern : kMailFiles)
        if (!CopyPresent(from, to, pattern, kMailFolder, observer))
            return false;
    return true;
}

std::string BackupSets::SetFolder(const AppSettings& global, int setNumber)
{
    return WithSlash(global.GetFolderBackupPath()) + global.UserName() + "/SV" + std::to_string(setNumber);
}

int BackupSets::Backup(AppSettings& global, Observer* observer, int* setNumber)
{
    if (global.UserName().empty()) {
        platform::Warn(SJ("ユーザーの取得に失敗しました。"));
        return kNoUserName;
    }
    // A folder relative to wherever the program was started is no place for backups.
    const std::string& destination = global.GetFolderBackupPath();
    if (destination.empty() || destination.front() != '/') {
        platform::Warn(SJ("パスを指定してください。"));
        return kNoDestination;
    }
    const int n = global.NextGeneration();
    const std::string set = SetFolder(global, n);
    platform::fs::MakeDirs(set);
    if (setNumber)
        *setNumber = n;
    if (!CopySet(global.UserFile({}), set, observer))
        return kCopyFailed;

    global.StampIntervalBackup();
    global.AdvanceGeneration();
    const std::string list = global.UserFile("back.ls2");
    LineList lines;
    if (lines.LoadText(list) < 0)
        lines.Clear();
    lines.SetLine(n - 1, std::to_string(n) + SJ(":保存日：") + Today());
    lines.SaveText(list);
    return kBackedUp;
}

bool BackupSets::CheckEnabled(const AppSettings& global)
{
    if (global.GetFolderBackupOn() != 0)
        return true;
    platform::Warn(
        SJ("バックアップの設定をしてください。\n「設定」→「オプション」→「一般」の「バックアップ」で設定できます。"));
    return false;
}

bool BackupSets::OfferDue(AppSettings& global)
{
    return global.GetFolderBackupOn() == 1 && global.IntervalBackupDue();
}

bool BackupSets::SaveBeforeBackup(AppSettings& global, const AddressTable& table)
{
    if (table.GetRecordCount() > 0) {
        platform::fs::MakeDirs(global.UserFile({}));
        if (table.SaveTable(global.UserFile("nrt.ndb")) != TableError::kNone) {
            platform::Warn(SJ("保存に失敗しました。"));
            return false;
        }
    }
    // The backup copies the settings as they are on disk; a failed write here is not
    // told apart (only the table's save stops the backup).
    static_cast<void>(global.WriteSettings());
    return true;
}

} // namespace nrt
