#include "settings/AppSettings.h"

#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/DataPaths.h"
#include "settings/IniFile.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace nrt {
namespace {

constexpr unsigned kOwnerOnly = 0600;

struct ColumnDefault {
    const char* name;
    std::int32_t width;
};
constexpr std::array<ColumnDefault, 6> kDefaultColumns { {
    { "名前", 105 },
    { "カナ", 105 },
    { "電話番号", 105 },
    { "郵便番号", 65 },
    { "住所１", 250 },
    { "住所２", 250 },
} };

constexpr std::array<const char*, 5> kDefaultForms {
    "年賀状",
    "普通はがき(１)",
    "普通はがき(２)",
    "封筒(４号)(表)",
    "封筒(４号)(裏)",
};

// A folder given relative to the working folder, made absolute so that every path
// built from it stays valid (and passes Usable below).
std::string Absolute(std::string folder)
{
    if (folder.empty() || folder.front() == '/')
        return folder;
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf))
        return folder;
    std::string cwd = platform::fs::FromSystemPath(buf);
    if (cwd.empty() || cwd.back() != '/')
        cwd += '/';
    return cwd + folder;
}

std::string WithSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

// Paths the operations refused come back as bare names; writing to one would put
// the file in whatever folder the program happens to run in.
bool Usable(const std::string& path)
{
    return !path.empty() && path.front() == '/';
}

// Keys of `old` that `out` does not have, so that settings of another version survive.
void KeepOtherKeys(IniFile& out, const IniFile& old)
{
    for (const IniFile::Section& s : old.Sections())
        for (const IniFile::Entry& e : s.entries)
            if (!out.Get(s.name, e.key))
                out.Set(s.name, e.key, e.value);
}

std::int32_t Today()
{
    const platform::LocalTime now = platform::GetClock().Now();
    return now.year * 10000 + now.month * 100 + now.day;
}

} // namespace

bool DisplayColumn::Decode(std::string_view item, DisplayColumn& column)
{
    if (item.size() != kItemSize)
        return false;
    const std::string_view field = item.substr(4);
    const std::size_t nul = field.find('\0');
    if (nul == std::string_view::npos)
        return false;
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(item[static_cast<std::size_t>(i)]);
    column.width = static_cast<std::int32_t>(u);
    column.name.assign(field.substr(0, nul));
    return true;
}

std::string DisplayColumn::Encode() const
{
    std::string item(kItemSize, '\0');
    const auto u = static_cast<std::uint32_t>(width);
    for (int i = 0; i < 4; ++i)
        item[static_cast<std::size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
    std::string_view n = name;
    if (const std::size_t nul = n.find('\0'); nul != std::string_view::npos)
        n = n.substr(0, nul);
    n = platform::CutToBytes(n, kNameBytes);
    std::memcpy(item.data() + 4, n.data(), n.size());
    return item;
}

bool AppSettings::HoldsBook(const std::string& folder)
{
    for (const char* name : { "nrt.ini", "userlist.dat", "nrt.ndb" })
        if (platform::fs::Exists(folder + name))
            return true;
    return platform::fs::Exists(folder + SJ("メインユーザー") + "/nrt.ndb");
}

AppSettings::AppSettings(const StartupFolders& folders)
{
    // "nrt.ini" beside the program makes a portable copy; the shipped files may lie in
    // the installation's share folder instead.
    const std::string executableFolder
        = WithSlash(folders.programFolder.empty() ? DataPaths::ExecutableFolder() : Absolute(folders.programFolder));
    programFolder_ = DataPaths::ShippedFolder(executableFolder);
    if (!folders.dataFolder.empty()) {
        dataFolder_ = WithSlash(Absolute(folders.dataFolder));
        platform::fs::MakeDirs(dataFolder_);
    } else if (DataPaths::FileExists(executableFolder + "nrt.ini")) {
        dataFolder_ = executableFolder;
    } else {
        const std::string appData = DataPaths::MakeAppDataFolder("pelora", "nrt");
        const std::string wanted = DataPaths::AppDataFolder("pelora", "nrt");
        if (!appData.empty()) {
            dataFolder_ = appData + "/";
        } else if (!wanted.empty() && HoldsBook(wanted + "/")) {
            // A folder that holds books but cannot be written is still where they are:
            // showing the program folder's empty book instead would hide them.
            dataFolder_ = wanted + "/";
            dataFolderUnwritable_ = true;
        } else {
            dataFolder_ = executableFolder;
        }
    }
    bookFolder_ = dataFolder_;
    RefreshPostalLocation();
    SetDocumentsFolder(
        folders.documentsFolder.empty() ? DataPaths::SpecialFolder(DataPaths::kDocuments) : folders.documentsFolder);
}

void AppSettings::SetDocumentsFolder(std::string_view folder)
{
    documentsFolder_.assign(folder);
    while (documentsFolder_.size() > 1 && documentsFolder_.back() == '/')
        documentsFolder_.pop_back();
}

bool AppSettings::SetBookFolder(std::string_view name)
{
    if (!DataPaths::IsUsableBookName(name))
        return false;
    bookName_.assign(name);
    bookFolder_ = dataFolder_ + bookName_;
    platform::fs::MakeDirs(bookFolder_);
    return true;
}

void AppSettings::RefreshPostalLocation()
{
    postalLocation_ = 0;
    if (dataFolder_ == programFolder_)
        return;
    std::int64_t dataTime = 0, programTime = 0;
    if (!platform::fs::IsFile(dataFolder_ + "yubin/YubinS.dat")
        || !platform::fs::FileTime(dataFolder_ + "yubin/YubinS.dat", dataTime))
        return;
    if (!platform::fs::IsFile(programFolder_ + "yubin/YubinS.dat")
        || !platform::fs::FileTime(programFolder_ + "yubin/YubinS.dat", programTime)) {
        postalLocation_ = 1;
        return;
    }
    postalLocation_ = dataTime > programTime ? 1 : 0;
}

std::string AppSettings::Checked(std::string path, std::string_view /*name*/, std::size_t extra) const
{
    if (path.size() + extra < kPathLimit)
        return path;
    platform::Warn(SJ("ファイル名が長すぎます。"));
    // Never the bare name: that would read and write in whatever the working folder is.
    return {};
}

std::string AppSettings::DataFile(std::string_view name) const
{
    return Checked(dataFolder_ + std::string(name), name);
}

std::string AppSettings::ProgramFile(std::string_view name) const
{
    return Checked(programFolder_ + std::string(name), name);
}

std::string AppSettings::BookFile(std::string_view name) const
{
    std::string path = WithSlash(bookFolder_);
    path += name;
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return Checked(std::move(path), name);
}

std::string AppSettings::DocumentsFile(std::string_view name) const
{
    std::string path = documentsFolder_;
    if (!name.empty()) {
        path += '/';
        path += name;
    }
    return Checked(std::move(path), name);
}

std::string AppSettings::PostalFile(std::string_view name) const
{
    std::string path = (postalLocation_ ? dataFolder_ : programFolder_) + "yubin";
    if (!name.empty()) {
        path += '/';
        path += name;
    }
    return Checked(std::move(path), name, 10);
}

std::string AppSettings::FolderOfFile(std::string_view path) const
{
    const std::size_t slash = platform::FindLastChar(path, '/');
    if (path.empty() || path.size() >= kPathLimit || slash == std::string_view::npos)
        return documentsFolder_;
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

std::string AppSettings::GetPathEntry(int index) const
{
    LineList lines;
    if (!lines.LoadText(BookFile("NrtPath.dat")))
        return {};
    return std::string(lines.GetLine(index));
}

bool AppSettings::SetPathEntry(int index, std::string_view path) const
{
    const std::string file = BookFile("NrtPath.dat");
    if (index < 0 || !Usable(file))
        return false;
    LineList lines;
    if (!lines.LoadText(file))
        lines.Clear();
    // A line break inside a path would shift every later entry.
    return lines.SetText(index, path) && lines.SaveText(file);
}

void AppSettings::ReadSettings(bool startup)
{
    if (startup) {
        IniFile ini;
        ini.Load(DataFile("nrt.ini"));
        const std::string_view name = ini.Get("USER", "NAME").value_or(SJ("メインユーザー"));
        // A name that cannot be a folder of the data folder (a "/" in it, a cut
        // character) would lead out of it; the main book stands in.
        if (!SetBookFolder(name))
            SetBookFolder(SJ("メインユーザー"));
        dataVersion_ = ini.GetInt("USER", "VER").value_or(0);
        if (dataVersion_ > kDataVersion)
            platform::Warn(SJ("古いバージョンのアプリケーションによる起動がされました。\n"
                              "上位データとの互換がない可能性があります。\n"
                              "最新バージョンのもので起動し直して下さい。"));
        else if (dataVersion_ < kDataVersion)
            dataVersion_ = kDataVersion;
    }
    IniFile bookIni;
    bookIni.Load(BookFile("NrtUser.ini"));
    book_.ReadFrom(bookIni);
    LoadDisplayColumns();
    LoadFormList();
}

platform::FileWrite AppSettings::WriteSettings()
{
    platform::FileWrite result = platform::FileWrite::Written();
    // The first failure is the one reported; the files after it are still written.
    auto failed = [&result](const std::string& path) {
        if (result.Ok())
            result = platform::FileWrite::Failed(path);
    };
    {
        const std::string path = DataFile("nrt.ini");
        IniFile old, out;
        old.Load(path);
        out.Set("USER", "NAME", bookName_);
        out.SetInt("USER", "VER", dataVersion_);
        KeepOtherKeys(out, old);
        errno = 0;
        if (!Usable(path) || !out.Save(path))
            failed(path);
    }
    {
        const std::string path = BookFile("NrtUser.ini");
        IniFile old, out;
        old.Load(path);
        book_.WriteTo(out);
        KeepOtherKeys(out, old);
        errno = 0;
        if (!Usable(path) || !out.Save(path, kOwnerOnly))
            failed(path);
    }
    const std::string path = BookFile("HyoList.dat");
    errno = 0;
    if (!Usable(path) || !columns_.SaveItems(path))
        failed(path);
    return result;
}

bool AppSettings::GetMailFlag(int n) const
{
    return n >= 1 && n <= 4 && book_.Flag(static_cast<SettingId>(kS_MailFlag1 + n - 1));
}

void AppSettings::SetMailFlag(int n, bool on)
{
    if (n >= 1 && n <= 4)
        book_.SetFlag(static_cast<SettingId>(kS_MailFlag1 + n - 1), on);
}

void AppSettings::SaveFormRect(int index, std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height)
{
    if (index < 0 || index >= kFormCount)
        return;
    const int base = kS_Form0Left + 4 * index;
    book_.SetInt(static_cast<SettingId>(base), left);
    book_.SetInt(static_cast<SettingId>(base + 1), top);
    book_.SetInt(static_cast<SettingId>(base + 2), width);
    book_.SetInt(static_cast<SettingId>(base + 3), height);
}

FormRect AppSettings::GetFormRect(int index) const
{
    if (index < 0 || index >= kFormCount)
        return {};
    const int base = kS_Form0Left + 4 * index;
    return { book_.Int(static_cast<SettingId>(base)), book_.Int(static_cast<SettingId>(base + 1)),
        book_.Int(static_cast<SettingId>(base + 2)), book_.Int(static_cast<SettingId>(base + 3)) };
}

bool AppSettings::HasFormRect(int index) const
{
    const FormRect r = GetFormRect(index);
    return r.width != 0 && r.height != 0;
}

bool AppSettings::MonthlyBackupDue()
{
    const platform::LocalTime now = platform::GetClock().Now();
    const std::int32_t ym = now.year * 100 + now.month;
    if (ym <= GetMonthlyBackupMonth())
        return false;
    SetMonthlyBackupMonth(ym);
    return true;
}

bool AppSettings::IntervalBackupDue()
{
    const std::int32_t interval = GetFolderBackupInterval();
    if (interval == 0)
        return false;
    const int days = interval == 7 ? 7 : interval == 31 ? 31 : 1;
    if (GetFolderBackupDate() == 0) {
        StampIntervalBackup();
        return false;
    }
    using namespace std::chrono;
    const platform::LocalTime now = platform::GetClock().Now();
    const year_month_day today { year(now.year), month(static_cast<unsigned>(now.month)),
        day(static_cast<unsigned>(now.day)) };
    const year_month_day then { sys_days(today) - std::chrono::days(days) };
    const std::int32_t thenYmd = static_cast<int>(then.year()) * 10000
        + static_cast<int>(static_cast<unsigned>(then.month())) * 100
        + static_cast<int>(static_cast<unsigned>(then.day()));
    return thenYmd >= GetFolderBackupDate();
}

void AppSettings::StampIntervalBackup()
{
    SetFolderBackupDate(Today());
}

int AppSettings::NextGeneration() const
{
    const std::int32_t current = GetFolderBackupGeneration();
    return current < GetFolderBackupSets() ? current + 1 : 1;
}

int AppSettings::AdvanceGeneration()
{
    const int next = NextGeneration();
    const std::int32_t current = GetFolderBackupGeneration() + 1;
    // ">=" rather than "==": a counter found beyond SU starts the rotation again.
    SetFolderBackupGeneration(current >= GetFolderBackupSets() ? 0 : current);
    return next;
}

bool AppSettings::SaveTableCopy() const
{
    const std::string from = BookFile("nrt.ndb");
    const std::string to = BookFile("nrt_ndb.bk2");
    return Usable(from) && Usable(to) && platform::fs::CopyFile(from, to, false, kOwnerOnly);
}

DisplayColumn AppSettings::GetDisplayColumn(int i) const
{
    DisplayColumn column;
    std::string_view item;
    if (columns_.GetEntry(i, item))
        DisplayColumn::Decode(item, column);
    return column;
}

bool AppSettings::AddDisplayColumn(std::string_view name, std::int32_t width)
{
    return columns_.AddLine(DisplayColumn { width, std::string(name) }.Encode());
}

bool AppSettings::SetDisplayColumnWidth(int i, std::int32_t width)
{
    DisplayColumn column;
    std::string_view item;
    if (!columns_.GetEntry(i, item) || !DisplayColumn::Decode(item, column))
        return false;
    column.width = width;
    return columns_.SetLine(i, column.Encode());
}

void AppSettings::SetDefaultDisplayColumns()
{
    columns_.Clear();
    for (const ColumnDefault& c : kDefaultColumns)
        AddDisplayColumn(platform::Utf8ToSjis(c.name), c.width);
}

void AppSettings::LoadDisplayColumns()
{
    const std::string path = BookFile("HyoList.dat");
    bool sound = static_cast<bool>(columns_.LoadItems(path));
    // Every item must be one whole column; anything else means the file is damaged.
    DisplayColumn column;
    for (int i = 0; sound && i < columns_.GetCount(); ++i)
        sound = DisplayColumn::Decode(columns_.GetLine(i), column);
    if (!sound)
        SetDefaultDisplayColumns();
}

void AppSettings::LoadFormList()
{
    const LineListResult read = forms_.LoadText(BookFile("NrtRepList.dat"));
    if (!read)
        forms_.Clear(); // nothing of the previous book's list may stay
    if (!read || read.count < 1)
        for (std::size_t i = 0; i < kDefaultForms.size(); ++i)
            forms_.SetLine(static_cast<int>(i), platform::Utf8ToSjis(kDefaultForms[i]));
}

platform::FileWrite AppSettings::SaveFormList() const
{
    const std::string path = BookFile("NrtRepList.dat");
    errno = 0;
    if (!Usable(path) || !forms_.SaveText(path))
        return platform::FileWrite::Failed(path);
    return platform::FileWrite::Written();
}

} // namespace nrt
