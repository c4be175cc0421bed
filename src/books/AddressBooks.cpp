#include "books/AddressBooks.h"

#include "db/AddressTable.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"
#include "settings/DataPaths.h"

namespace nrt {
namespace {

constexpr const char* kBookList = "userlist.dat";

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

const std::string& AddressBooks::MainBookName()
{
    return SJ("メインユーザー");
}

const std::string& AddressBooks::MainBookCaption()
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

AddressBooks::AddressBooks(AppSettings& settings)
    : settings_(settings)
{
    LoadList();
}

void AddressBooks::LoadList()
{
    if (!names_.LoadText(settings_.DataFile(kBookList)))
        names_.Clear();
}

std::vector<std::string> AddressBooks::Entries() const
{
    std::vector<std::string> entries { MainBookCaption() };
    for (int i = 0; i < names_.GetCount(); ++i)
        entries.emplace_back(names_.GetLine(i));
    return entries;
}

bool AddressBooks::IsCurrentEntry(int entry) const
{
    const std::string& current = settings_.BookName();
    if (entry == 0)
        return current.empty() || current == MainBookName();
    return entry > 0 && entry < EntryCount() && names_.GetLine(entry - 1) == current;
}

int AddressBooks::FindEntry(std::string_view name) const
{
    if (name == MainBookCaption() || name == MainBookName())
        return 0;
    for (int i = 0; i < names_.GetCount(); ++i)
        if (names_.GetLine(i) == name)
            return i + 1;
    return -1;
}

std::string AddressBooks::RefusalText(Refusal refusal, char badChar)
{
    switch (refusal) {
    case Refusal::kNone:
        return {};
    case Refusal::kNoName:
        return SJ("ユーザー名を入力して下さい。");
    case Refusal::kBadChar:
        return SJ("使用出来ない文字(") + std::string(1, badChar) + SJ(")が使われました。");
    case Refusal::kBadName:
        return SJ("不正なユーザー名です。");
    case Refusal::kMainBookName:
        return SJ("メインユーザーは作成出来ません。別のユーザー名を入力して下さい。");
    case Refusal::kSystemName:
        return SJ("システムが使用しています。別のユーザー名を入力して下さい。");
    case Refusal::kExists:
        return SJ("既に存在するユーザーです。");
    case Refusal::kNoCopyPath:
        return SJ("パスの指定がありません。");
    case Refusal::kNoCopySource:
        return SJ("コピー元の指定がありません。");
    case Refusal::kNoCopyFile:
        return SJ("コピー元のファイルが存在しません。");
    case Refusal::kNotSavedBeforeSwitch:
        return SJ("開く前のデータ保存に失敗しました。");
    case Refusal::kListNotSaved:
        return SJ("保存に失敗しました。");
    case Refusal::kNotLoaded:
        return SJ("読み込みに失敗しました。");
    case Refusal::kNoneChosen:
        return SJ("ユーザーを選択してください。");
    case Refusal::kAlreadyOpen:
        return SJ("既に開かれています。");
    case Refusal::kMainBookStays:
        return SJ("削除できないデータです。");
    case Refusal::kOpenBookStays:
        return SJ("開いているユーザーは削除できません。");
    case Refusal::kNotRemoved:
        return SJ("削除に失敗しました。");
    }
    return {};
}

AddressBooks::Refusal AddressBooks::SaveBeforeSwitch(AddressTable* table)
{
    if (table && table->GetRecordCount() > 0) {
        platform::fs::MakeDirs(settings_.BookFile({}));
        if (table->SaveTable(settings_.BookFile("nrt.ndb")) != TableError::kNone)
            return Refusal::kNotSavedBeforeSwitch;
    }
    // Only the table's save stops the switch; a failed settings write is not told.
    static_cast<void>(settings_.WriteSettings());
    return Refusal::kNone;
}

AddressBooks::Outcome<AddressBooks::Created> AddressBooks::Create(
    const NewBook& request, AddressTable* openTable, const AskUser& ask, std::string* copySource)
{
    const std::string& name = request.name;
    const auto refused = [](Refusal why, char bad = 0) { return Outcome<Created> { Created::kRefused, why, bad }; };
    if (IsBlank(name))
        return refused(Refusal::kNoName);
    if (const char bad = DataPaths::BadNameChar(name))
        return refused(Refusal::kBadChar, bad);
    // A tab or a line break makes a folder no list or window can show or remove.
    if (HasControlChar(name))
        return refused(Refusal::kBadName);
    if (platform::lstrcmpiA(name, MainBookName()) == 0)
        return refused(Refusal::kMainBookName);
    if (IsSystemName(name))
        return refused(Refusal::kSystemName);
    LoadList();
    if (FindEntry(name) > 0)
        return refused(Refusal::kExists);
    std::string source;
    if (request.copy) {
        if (request.copyFile.empty())
            return refused(Refusal::kNoCopyPath);
        const std::size_t slash = platform::FindLastChar(request.copyFile, '/');
        source = slash == std::string::npos ? std::string() : request.copyFile.substr(0, slash);
        if (source.empty())
            return refused(Refusal::kNoCopySource);
        if (!platform::fs::IsFile(source + "/nrt.ndb"))
            return refused(Refusal::kNoCopyFile);
    }
    if (!ask(SJ("ユーザーを作成します。よろしいですか？"), true))
        return { Created::kCancelled };
    if (const Refusal unsaved = SaveBeforeSwitch(openTable); unsaved != Refusal::kNone)
        return refused(unsaved);

    const std::string previous = settings_.BookName();
    const bool made = settings_.SetBookFolder(name);
    const std::string folder = settings_.BookFile({});
    if (!made || folder.size() + std::string_view("/make.chk").size() >= kPathLimit
        || !DataPaths::IsWritableFolder(folder)) {
        settings_.SetBookFolder(previous);
        return refused(Refusal::kBadName);
    }
    if (platform::fs::IsFile(settings_.BookFile("NrtUser.ini"))
        && !ask(SJ("既存データが存在します。\n上書きしますがよろしいですか？"), false)) {
        settings_.SetBookFolder(previous);
        return { Created::kCancelled };
    }
    if (request.copy) {
        // A restored book joins the list only once its files are all there
        // (FinishRestore): a restore cut short leaves no listed, empty book.
        if (copySource)
            *copySource = source;
        return { Created::kFromCopy };
    }
    if (!Register(name)) {
        settings_.SetBookFolder(previous);
        return refused(Refusal::kListNotSaved);
    }
    return { Created::kEmpty };
}

bool AddressBooks::Register(const std::string& name)
{
    LoadList();
    if (FindEntry(name) > 0)
        return true;
    names_.AddLine(name);
    if (names_.SaveText(settings_.DataFile(kBookList)))
        return true;
    // A book missing from the list could never be opened again.
    LoadList();
    return false;
}

void AddressBooks::AbandonRestore(const std::string& previous)
{
    const std::string folder = settings_.BookFile({});
    settings_.SetBookFolder(previous);
    settings_.ReadSettings(false);
    // The folder Create made for it goes when nothing arrived in it.
    platform::fs::RemoveDir(folder);
}

void AddressBooks::StartEmpty(AddressTable& table)
{
    settings_.ReadSettings(false);
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

AddressBooks::Refusal AddressBooks::FinishRestore(AddressTable& table, Observer* observer)
{
    if (!Register(settings_.BookName()))
        return Refusal::kListNotSaved;
    settings_.ReadSettings(false);
    settings_.SetFolderBackupGeneration(0);
    settings_.SetFolderBackupDate(0);
    if (observer)
        observer->Busy(true);
    const bool loaded = LoadChecked(table, settings_.BookFile("nrt.ndb"));
    if (!loaded)
        // The previous book's records must not go on under the new book's name.
        table.CreateDefaultTable();
    if (observer)
        observer->Busy(false);
    return loaded ? Refusal::kNone : Refusal::kNotLoaded;
}

AddressBooks::Outcome<bool> AddressBooks::Open(
    int entry, AddressTable& table, bool& saved, const AskUser& ask, Observer* observer)
{
    LoadList();
    if (entry < 0 || entry >= EntryCount())
        return { false, Refusal::kNoneChosen };
    if (IsCurrentEntry(entry))
        return { false, Refusal::kAlreadyOpen };
    if (!ask(SJ("ユーザーを開きます。よろしいですか？"), true))
        return { false };
    if (!saved) {
        if (const Refusal unsaved = SaveBeforeSwitch(&table); unsaved != Refusal::kNone)
            return { false, unsaved };
        saved = true;
    }

    std::string name;
    if (entry > 0)
        name = std::string(names_.GetLine(entry - 1));
    else if (!platform::fs::IsFile(settings_.DataFile("NrtUser.ini")))
        name = MainBookName();
    // A name edited into the list by hand could lead out of the data folder.
    if (entry > 0 && (name.empty() || !DataPaths::IsUsableBookName(name)))
        return { false, Refusal::kNotLoaded };
    const std::string folder = settings_.DataFolder() + name;
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
    if (!loaded)
        return { false, Refusal::kNotLoaded };
    settings_.SetBookFolder(name);
    settings_.ReadSettings(false);
    return { true };
}

AddressBooks::Outcome<AddressBooks::Removed> AddressBooks::Remove(int entry, const AskUser& ask)
{
    LoadList();
    if (entry < 0 || entry >= EntryCount())
        return { Removed::kRefused, Refusal::kNoneChosen };
    if (entry == 0)
        return { Removed::kRefused, Refusal::kMainBookStays };
    if (IsCurrentEntry(entry))
        return { Removed::kRefused, Refusal::kOpenBookStays };
    if (!ask(SJ("ユーザーを削除します。よろしいですか？"), false))
        return { Removed::kCancelled };
    names_.DeleteLine(entry - 1);
    if (!names_.SaveText(settings_.DataFile(kBookList))) {
        LoadList();
        return { Removed::kFailed, Refusal::kNotRemoved };
    }
    return { Removed::kRemoved };
}

} // namespace nrt
