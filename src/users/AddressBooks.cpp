#include "users/AddressBooks.h"

#include "db/AddressTable.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"
#include "settings/DataPaths.h"

namespace nrt {
namespace {

constexpr const char* kUserList = "userlist.dat";

// Names of folders the program keeps in the data folder for itself.
bool IsSystemName(std::string_view name)
{
    return platform::lstrcmpiA(name, "yubin") == 0 || platform::lstrcmpiA(name, "mail") == 0;
}

// Control characters (below 0x20, and DEL) outside double-byte characters.
bool HasControlChar(std::string_view name)
{
    for (std::size_t i = 0; i < name.size(); i += platform::CharLength(name, i)) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (platform::CharLength(name, i) == 1 && (c < 0x20 || c == 0x7F))
            return true;
    }
    return false;
}

// Nothing but spaces (half- or full-width): a folder no list shows legibly and no
// command line names without quoting mistakes.
bool IsBlank(std::string_view name)
{
    for (std::size_t i = 0; i < name.size(); i += platform::CharLength(name, i)) {
        if (name[i] == ' ')
            continue;
        if (platform::CharLength(name, i) == 2 && name.substr(i, 2) == "\x81\x40")
            continue;
        return false;
    }
    return true;
}

} // namespace

const std::string& AddressBooks::MainUserName()
{
    return SJ("メインユーザー");
}

const std::string& AddressBooks::MainUserCaption()
{
    return SJ("（メインユーザー）");
}

bool AddressBooks::IsTypable(unsigned char c)
{
    if (c >= 0x80)
        return true;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    return c == '(' || c == ')' || c == '_' || c == '@' || c == '`';
}

AddressBooks::AddressBooks(AppSettings& global)
    : global_(global)
{
    LoadList();
}

void AddressBooks::LoadList()
{
    if (!names_.LoadText(global_.DataFile(kUserList)))
        names_.Clear();
}

std::vector<std::string> AddressBooks::Entries() const
{
    std::vector<std::string> entries { MainUserCaption() };
    for (int i = 0; i < names_.GetCount(); ++i)
        entries.emplace_back(names_.GetLine(i));
    return entries;
}

bool AddressBooks::IsCurrentEntry(int entry) const
{
    const std::string& current = global_.UserName();
    if (entry == 0)
        return current.empty() || current == MainUserName();
    return entry > 0 && entry < EntryCount() && names_.GetLine(entry - 1) == current;
}

int AddressBooks::FindEntry(std::string_view name) const
{
    if (name == MainUserCaption() || name == MainUserName())
        return 0;
    for (int i = 0; i < names_.GetCount(); ++i)
        if (names_.GetLine(i) == name)
            return i + 1;
    return -1;
}

bool AddressBooks::SaveBeforeSwitch(AddressTable* table)
{
    if (table && table->GetRecordCount() > 0) {
        platform::fs::MakeDirs(global_.UserFile({}));
        if (table->SaveTable(global_.UserFile("nrt.ndb")) != TableError::kNone) {
            platform::Warn(SJ("開く前のデータ保存に失敗しました。"));
            return false;
        }
    }
    // Only the table's save stops the switch; a failed settings write is not told.
    static_cast<void>(global_.WriteSettings());
    return true;
}

int AddressBooks::Create(const NewUser& request, AddressTable* openTable, std::string* copySource)
{
    const std::string& name = request.name;
    if (IsBlank(name)) {
        platform::Warn(SJ("ユーザー名を入力して下さい。"));
        return kCreateRefused;
    }
    if (const char bad = DataPaths::BadNameChar(name)) {
        platform::Warn(SJ("使用出来ない文字(") + std::string(1, bad) + SJ(")が使われました。"));
        return kCreateRefused;
    }
    if (HasControlChar(name)) {
        // A tab or a line break makes a folder no list or window can show or remove.
        platform::Warn(SJ("不正なユーザー名です。"));
        return kCreateRefused;
    }
    if (platform::lstrcmpiA(name, MainUserName()) == 0) {
        platform::Warn(SJ("メインユーザーは作成出来ません。別のユーザー名を入力して下さい。"));
        return kCreateRefused;
    }
    if (IsSystemName(name)) {
        platform::Warn(SJ("システムが使用しています。別のユーザー名を入力して下さい。"));
        return kCreateRefused;
    }
    LoadList();
    if (FindEntry(name) > 0) {
        platform::Warn(SJ("既に存在するユーザーです。"));
        return kCreateRefused;
    }
    std::string source;
    if (request.copy) {
        if (request.copyFile.empty()) {
            platform::Warn(SJ("パスの指定がありません。"));
            return kCreateRefused;
        }
        const std::size_t slash = platform::FindLastChar(request.copyFile, '/');
        source = slash == std::string::npos ? std::string() : request.copyFile.substr(0, slash);
        if (source.empty()) {
            platform::Warn(SJ("コピー元の指定がありません。"));
            return kCreateRefused;
        }
        if (!platform::fs::IsFile(source + "/nrt.ndb")) {
            platform::Warn(SJ("コピー元のファイルが存在しません。"));
            return kCreateRefused;
        }
    }
    if (!platform::Ask(SJ("ユーザーを作成します。よろしいですか？"), true))
        return kCreateCancelled;
    if (!SaveBeforeSwitch(openTable))
        return kCreateRefused;

    const std::string previous = global_.UserName();
    const bool made = global_.SetUserFolder(name);
    const std::string folder = global_.UserFile({});
    if (!made || folder.size() + std::string_view("/make.chk").size() >= kPathLimit
        || !DataPaths::IsWritableFolder(folder)) {
        global_.SetUserFolder(previous);
        platform::Warn(SJ("不正なユーザー名です。"));
        return kCreateRefused;
    }
    if (platform::fs::IsFile(global_.UserFile("NrtUser.ini"))) {
        const platform::MsgResult answer
            = platform::Messages().Show({ SJ("既存データが存在します。\n上書きしますがよろしいですか？"), SJ("確認"),
                platform::MsgIcon::Question, platform::MsgButtons::YesNo, platform::MsgResult::No });
        if (answer != platform::MsgResult::Yes) {
            global_.SetUserFolder(previous);
            return kCreateCancelled;
        }
    }
    if (request.copy) {
        // A restored user joins the list only once its files are all there
        // (FinishRestore): a restore cut short leaves no listed, empty book.
        if (copySource)
            *copySource = source;
        return kCreatedFromCopy;
    }
    if (!Register(name)) {
        global_.SetUserFolder(previous);
        return kCreateRefused;
    }
    return kCreatedEmpty;
}

bool AddressBooks::Register(const std::string& name)
{
    LoadList();
    if (FindEntry(name) > 0)
        return true;
    names_.AddLine(name);
    if (names_.SaveText(global_.DataFile(kUserList)))
        return true;
    // A user missing from the list could never be opened again.
    LoadList();
    platform::Warn(SJ("保存に失敗しました。"));
    return false;
}

void AddressBooks::AbandonRestore(const std::string& previous)
{
    const std::string folder = global_.UserFile({});
    global_.SetUserFolder(previous);
    global_.ReadSettings(false);
    // The folder Create made for it goes when nothing arrived in it.
    platform::fs::RemoveDir(folder);
}

void AddressBooks::StartEmpty(AddressTable& table)
{
    global_.ReadSettings(false);
    if (table.GetFieldCount() == 0)
        table.CreateDefaultTable();
    table.ClearRecords();
}

bool AddressBooks::LoadChecked(AddressTable& table, const std::string& path)
{
    AddressTable scratch;
    if (scratch.LoadTable(path) != TableError::kNone)
        return false;
    return table.LoadTable(path) == TableError::kNone;
}

bool AddressBooks::FinishRestore(AddressTable& table, Observer* observer)
{
    if (!Register(global_.UserName()))
        return false;
    global_.ReadSettings(false);
    global_.SetFolderBackupGeneration(0);
    global_.SetFolderBackupDate(0);
    if (observer)
        observer->Busy(true);
    const bool loaded = LoadChecked(table, global_.UserFile("nrt.ndb"));
    if (!loaded)
        // The previous user's records must not go on under the new user's name.
        table.CreateDefaultTable();
    if (observer)
        observer->Busy(false);
    if (!loaded)
        platform::Warn(SJ("読み込みに失敗しました。"));
    return loaded;
}

int AddressBooks::Open(int entry, AddressTable& table, bool& saved, Observer* observer)
{
    LoadList();
    if (entry < 0 || entry >= EntryCount()) {
        platform::Warn(SJ("ユーザーを選択してください。"));
        return kNotOpened;
    }
    if (IsCurrentEntry(entry)) {
        platform::Warn(SJ("既に開かれています。"));
        return kNotOpened;
    }
    if (!platform::Ask(SJ("ユーザーを開きます。よろしいですか？"), true))
        return kNotOpened;
    if (!saved) {
        if (!SaveBeforeSwitch(&table))
            return kNotOpened;
        saved = true;
    }

    std::string name;
    if (entry > 0)
        name = std::string(names_.GetLine(entry - 1));
    else if (!platform::fs::IsFile(global_.DataFile("NrtUser.ini")))
        name = MainUserName();
    // A name edited into the list by hand could lead out of the data folder.
    if (entry > 0 && (name.empty() || !DataPaths::IsUsableUserName(name))) {
        platform::Warn(SJ("読み込みに失敗しました。"));
        return kNotOpened;
    }
    const std::string folder = global_.DataFolder() + name;
    platform::fs::MakeDirs(folder);
    const std::string ndb = folder + (name.empty() ? "" : "/") + "nrt.ndb";

    if (observer)
        observer->Busy(true);
    bool loaded = true;
    if (!platform::fs::IsFile(ndb)) {
        table.CreateDefaultTable();
    } else {
        AddressTable scratch;
        loaded = scratch.LoadTable(ndb) == TableError::kNone;
        if (loaded && table.LoadTable(ndb) != TableError::kNone)
            // Only a file changed between the two loads gets here; the table cannot
            // keep the half it read.
            table.CreateDefaultTable();
    }
    if (observer)
        observer->Busy(false);
    if (!loaded) {
        platform::Warn(SJ("読み込みに失敗しました。"));
        return kNotOpened;
    }
    global_.SetUserFolder(name);
    global_.ReadSettings(false);
    return kOpened;
}

int AddressBooks::Remove(int entry)
{
    LoadList();
    if (entry < 0 || entry >= EntryCount()) {
        platform::Warn(SJ("ユーザーを選択してください。"));
        return kRemoveRefused;
    }
    if (entry == 0) {
        platform::Warn(SJ("削除できないデータです。"));
        return kRemoveRefused;
    }
    if (IsCurrentEntry(entry)) {
        platform::Warn(SJ("開いているユーザーは削除できません。"));
        return kRemoveRefused;
    }
    if (!platform::Ask(SJ("ユーザーを削除します。よろしいですか？"), false))
        return kRemoveCancelled;
    names_.DeleteLine(entry - 1);
    if (!names_.SaveText(global_.DataFile(kUserList))) {
        LoadList();
        platform::Warn(SJ("削除に失敗しました。"));
        return kRemoveFailed;
    }
    return kRemoved;
}

} // namespace nrt
