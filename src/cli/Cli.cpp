#include "cli/Cli.h"

#include "books/AddressBooks.h"
#include "books/BookSafety.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "qt/SingleInstance.h"
#include "settings/DataPaths.h"

#include <cstdio>

namespace nrt::cli {
namespace {

// "/nrt_ndb.damaged-YYYYMMDDhhmmss-99": the longest name the book's own files take.
constexpr std::size_t kLongestBookFileName = 34;

} // namespace

Context::Context(const StartupFolders& folders, const std::string& book)
    : settings_(std::make_unique<AppSettings>(folders))
{
    // Every path would be refused, each with its own message, and nothing could be
    // read or written: one message says why instead.
    if (settings_->BookFolder().size() + kLongestBookFileName >= kPathLimit) {
        PrintMessage(SJ("注意"), SJ("ファイル名が長すぎます。"));
        ok_ = false;
        return;
    }
    settings_->ReadSettings(true);
    if (!book.empty() && book != settings_->BookName()) {
        // A mistyped name would otherwise start a new book that no list shows.
        if (AddressBooks(*settings_).FindEntry(book) < 0) {
            PrintMessage(SJ("注意"), SJ("ユーザー「") + book + SJ("」は登録されていません。"));
            ok_ = false;
            return;
        }
        if (!settings_->SetBookFolder(book)) {
            PrintMessage(SJ("注意"), SJ("ユーザー名が正しくありません。"));
            ok_ = false;
            return;
        }
        settings_->ReadSettings(false);
    }
    TightenPrivateFiles(*settings_);
}

AddressTable& Context::Table()
{
    if (!table_ && LoadTable())
        if (const std::string trouble = LoadTroubleMessage(*table_, TablePath()); !trouble.empty())
            PrintMessage(SJ("注意"), trouble);
    return *table_;
}

std::string Context::TablePath() const
{
    return settings_->BookFile(kTableFile);
}

bool Context::LoadTable()
{
    if (table_)
        return false;
    table_ = std::make_unique<AddressTable>();
    if (table_->LoadTable(TablePath()) != TableError::kNone)
        table_->CreateDefaultTable();
    return true;
}

bool Context::LockForWriting()
{
    if (writeLock_.Held())
        return true;
    if (gui::SingleInstance::HeldByAnother()) {
        PrintMessage(SJ("注意"), SJ("「ノルテア」が起動されています。終了してから実行して下さい。"));
        return false;
    }
    platform::fs::MakeDirs(settings_->DataFolder());
    if (settings_->DataFolderUnwritable() || !DataPaths::IsWritableFolder(settings_->DataFolder())) {
        PrintMessage(SJ("注意"), UnusableFolderMessage(settings_->DataFolder()));
        return false;
    }
    const std::string lockFile = settings_->DataFile(kWriteLockName);
    platform::FileLock::Result locked = writeLock_.TryLock(lockFile);
    if (locked == platform::FileLock::Result::Busy) {
        // Said at once: a command that only waits looks like one that hangs.
        PrintMessage(SJ("注意"),
            SJ("他の処理がデータを使用しています（「") + lockFile + SJ("」を保持）。終わるのを最長")
                + std::to_string(kWriteLockWaitMs / 1000) + SJ("秒待ちます。"));
        std::fflush(stderr);
        locked = writeLock_.Lock(lockFile, kWriteLockWaitMs);
    }
    switch (locked) {
    case platform::FileLock::Result::Locked:
        break;
    case platform::FileLock::Result::Busy:
        PrintMessage(SJ("注意"), SJ("他の処理がデータを使用しています。終了してから実行して下さい。"));
        return false;
    case platform::FileLock::Result::Failed:
        PrintMessage(SJ("注意"), UnusableFolderMessage(settings_->DataFolder()));
        return false;
    }
    // A table read before the lock may be older than the file now; read it again.
    table_.reset();
    RemoveLeftoverTempFiles(*settings_);
    return true;
}

AddressTable* Context::TableForWriting()
{
    const bool loaded = LoadTable();
    AddressTable& table = *table_;
    if (table.LoadFailedOnExistingFile()) {
        if (loaded)
            PrintMessage(SJ("注意"), UnreadableTableMessage(TablePath()));
        return nullptr;
    }
    // A book that did not load whole is not written by the way: its records would be
    // saved without what was lost, and a retried script would write twice. Repair
    // decides that once, on purpose.
    if (!table.LoadedWhole()) {
        if (loaded)
            PrintMessage(SJ("注意"), DamagedBookRefusal(TablePath(), table.DamagedRecordCount()));
        return nullptr;
    }
    return &table;
}

AddressTable* Context::TableForRepair()
{
    LoadTable();
    return table_->LoadFailedOnExistingFile() ? nullptr : table_.get();
}

bool Context::SaveTable()
{
    AddressTable& table = Table();
    platform::fs::MakeDirs(settings_->BookFile({}));
    const TableError code = table.SaveTable(settings_->BookFile(kTableFile));
    if (!table.DamagedCopy().empty())
        PrintMessage(SJ("注意"), DamagedCopyMessage(table.DamagedCopy()));
    if (code != TableError::kNone) {
        PrintMessage(SJ("注意"), SJ("保存に失敗しました。"));
        return false;
    }
    return true;
}

int Context::ExitStatus(int status) const
{
    if (!table_ || status != kExitOk)
        return status;
    // A listing of a book that could not be read at all listed nothing of it.
    if (table_->LoadFailedOnExistingFile())
        return kExitFailed;
    return status;
}

bool Args::Option(const std::string& name, std::string& value)
{
    for (std::size_t i = 0; i < args_.size(); ++i) {
        if (args_[i] == name) {
            if (i + 1 >= args_.size()) {
                usageError = true;
                args_.erase(args_.begin() + static_cast<long>(i));
                return false;
            }
            value = args_[i + 1];
            args_.erase(args_.begin() + static_cast<long>(i), args_.begin() + static_cast<long>(i) + 2);
            return true;
        }
    }
    return false;
}

bool Args::Flag(const std::string& name)
{
    for (std::size_t i = 0; i < args_.size(); ++i)
        if (args_[i] == name) {
            args_.erase(args_.begin() + static_cast<long>(i));
            return true;
        }
    return false;
}

std::string Args::unknown() const
{
    for (const std::string& a : args_)
        if (a.size() > 1 && a[0] == '-' && a[1] == '-')
            return a;
    return {};
}

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = {
        { "list",
            "list [--senders | --tab CATEGORY] [--where COND] [--sort KEYS] [--fields A,B,...] [--format tsv|csv]",
            RunList },
        { "import-csv", "import-csv FILE [--map FILE]", RunImportCsv },
        { "export-csv",
            "export-csv FILE [--senders | --tab CATEGORY] [--where COND] [--fields A,B,...] [--no-header] "
            "[--encoding shift-jis|utf-8]",
            RunExportCsv },
        { "import-vcard", "import-vcard FILE", RunImportVCard },
        { "export-vcard", "export-vcard FILE [--senders | --tab CATEGORY] [--marked] [--where COND]", RunExportVCard },
        { "user", "user list | user create NAME | user remove NAME", RunBookCommand },
        { "backup", "backup", RunBackup },
        { "restore", "restore SET NAME", RunRestore },
        { "repair", "repair", RunRepair },
        { "mail", "mail --template FILE [--dry-run] [--resend-failed] [--no-wait] [--subject TEXT]", RunMail },
        { "postal-import", "postal-import FILE | postal-import --business FILE", RunPostalImport },
        { "postal-lookup", "postal-lookup CODE", RunPostalLookup },
        { "duplicates", "duplicates [--format tsv]", RunDuplicates },
        { "forms", "forms | forms kinds | forms create NAME --kind KIND", RunForms },
        { "print",
            "print FORM (--pdf OUT | --printer QUEUE) [--where COND] [--sort KEYS] [--pages FROM-TO] [--sender NAME] "
            "[--mark-sent]",
            RunPrint },
        { "check", "check [--tab CATEGORY] [--where COND] [--form FORM] [--format text|tsv] [--fix postal]", RunCheck },
        { "sync-setup",
            "sync-setup (URL | --url URL) --user NAME [--book NAME | --create TITLE] [--password-stdin] "
            "[--store-password]",
            RunSyncSetup },
        { "sync", "sync [--dry-run] [--allow-mass-delete] [--password-stdin]", RunSync },
        { "sync-conflicts", "sync-conflicts [--take-back N]", RunSyncConflicts },
    };
    return commands;
}

bool ChooseTab(AppSettings& settings, bool senders, const std::string* category, mainlist::TabContext& tab)
{
    LineList categories;
    static_cast<void>(categories.LoadText(settings.BookFile(SJ("nrt_ms01.nms")))); // missing: no category
    tab = {};
    tab.categoryCount = categories.GetCount();
    if (senders) {
        tab.index = tab.categoryCount + 1;
    } else if (category) {
        const std::string wanted = platform::Utf8ToSjis(*category);
        tab.index = -1;
        for (int i = 0; i < categories.GetCount(); ++i)
            if (categories.GetLine(i) == wanted)
                tab.index = i + 1;
        if (tab.index < 0) {
            PrintMessage(SJ("注意"), SJ("その大分類はありません。"));
            return false;
        }
        tab.caption = wanted;
    }
    return true;
}

bool SetSortOrSay(RecordSet& records, std::string_view order)
{
    if (records.SetSort(order, 0) == SortError::kNone)
        return true;
    PrintMessage(SJ("注意"), SJ("並べ替えの指定が正しくありません：") + std::string(order));
    return false;
}

bool SelectOrSay(RecordSet& records, std::string_view condition)
{
    const SelectResult code = records.Select(condition);
    if (!SelectFailed(code))
        return true;
    // -1 after the table's own message about a damaged value, which said it already.
    if (code != SelectResult::kUnreadableValue || records.GetSlot(RecordSet::kSlotSelect).GetCount() == 0)
        PrintMessage(SJ("注意"), SJ("条件作成に失敗しました") + "(" + std::to_string(static_cast<int>(code)) + ")");
    return false;
}

std::string Out(std::string_view sjis)
{
    return platform::SjisToUtf8(sjis);
}

void PrintMessage(std::string_view caption, std::string_view text)
{
    std::fprintf(stderr, "%s: %s\n", Out(caption).c_str(), Out(text).c_str());
}

} // namespace nrt::cli
