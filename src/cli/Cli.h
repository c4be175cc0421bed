#pragma once
// nortea-cli: the program's jobs without a window, over the same core, data folder,
// user and settings. Terminal text is UTF-8; files keep their CP932 forms. Exit status
// 0 done, 1 refused or failed, 2 usage error.

#include "db/AddressTable.h"
#include "db/MainList.h"
#include "db/RecordSet.h"
#include "exchange/RecordImport.h"
#include "platform/FileLock.h"
#include "settings/AppSettings.h"

#include <memory>
#include <string>
#include <vector>

namespace nrt::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What every command works on: the settings (with the chosen data folder and user)
// and, when asked for, the user's table.
class Context {
public:
    Context(const StartupFolders& folders, const std::string& book);
    // False when the user could not be chosen; the message was printed.
    bool ok() const { return ok_; }
    AppSettings& Settings() { return *settings_; }
    // The user's "nrt.ndb", or an empty default table when there is none. A table that
    // did not load whole is reported with "注意:" when it is loaded.
    AddressTable& Table();

    // Every command that writes anything of the data folder (table, settings, user
    // list, dictionary, backups) calls this before it reads what it will write, and
    // goes on only when it returns true. It refuses while the program is open, waits
    // for another command's write to end, and holds the data folder's lock until the
    // command ends; the kernel drops the lock when the process dies. A refusal has
    // printed its message.
    [[nodiscard]] bool LockForWriting();
    // The table for a command that will save it (after LockForWriting); nullptr, with
    // its message, when the file is there but cannot be read or did not load whole:
    // such a book is only written by `repair`.
    AddressTable* TableForWriting();
    // The table for `repair`: as loaded, damaged or not; nullptr when it cannot be
    // read at all.
    AddressTable* TableForRepair();
    std::string TablePath() const;
    // Saves the table as "nrt.ndb" of the user; false (message printed) on failure.
    // A damaged original is kept aside first and its new name printed.
    bool SaveTable();
    // The exit status of a command that returned `status`: a table that could not be
    // read at all makes it 1.
    int ExitStatus(int status) const;

private:
    // Loads the table unless it is loaded; true when it loaded now.
    bool LoadTable();

    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<AddressTable> table_;
    platform::FileLock writeLock_;
    bool ok_ = true;
};

// An import's commit is the table saved as "nrt.ndb" of the user.
class SaveOnCommit : public RecordImport::Observer {
public:
    explicit SaveOnCommit(Context& context)
        : context_(context)
    {
    }
    bool Commit() override { return context_.SaveTable(); }

private:
    Context& context_;
};

// How long a writing command waits for another one to finish.
inline constexpr int kWriteLockWaitMs = 120000;

// The arguments after the command name, with "--name value" options taken out.
class Args {
public:
    Args(std::vector<std::string> args)
        : args_(std::move(args))
    {
    }
    // Takes "--name VALUE"; false when absent. A missing value is a usage error.
    bool Option(const std::string& name, std::string& value);
    bool Flag(const std::string& name);
    // What is left, in order; "--x" left over is an unknown option.
    const std::vector<std::string>& Rest() const { return args_; }
    bool usageError = false;
    std::string unknown() const;

private:
    std::vector<std::string> args_;
};

struct Command {
    const char* name;
    const char* usage;
    int (*run)(Context& context, Args& args);
};

// The commands, one table; each subsystem adds its entries here.
const std::vector<Command>& Commands();

int RunList(Context& context, Args& args);
int RunImportCsv(Context& context, Args& args);
int RunExportCsv(Context& context, Args& args);
int RunImportVCard(Context& context, Args& args); // VCardCommand.cpp
int RunExportVCard(Context& context, Args& args);
int RunBookCommand(Context& context, Args& args);
int RunBackup(Context& context, Args& args);
int RunRestore(Context& context, Args& args); // BackupCommand.cpp
int RunRepair(Context& context, Args& args); // RepairCommand.cpp
int RunMail(Context& context, Args& args); // MailCommand.cpp
int RunPostalImport(Context& context, Args& args);
int RunPostalLookup(Context& context, Args& args);
int RunPrint(Context& context, Args& args); // PrintCommand.cpp
int RunForms(Context& context, Args& args); // FormsCommand.cpp
int RunCheck(Context& context, Args& args); // CheckCommand.cpp
int RunDuplicates(Context& context, Args& args); // DuplicatesCommand.cpp
int RunSyncSetup(Context& context, Args& args);
int RunSync(Context& context, Args& args);
int RunSyncConflicts(Context& context, Args& args); // SyncCommand.cpp

// The main window's tab that --senders or --tab CATEGORY (UTF-8; none: all addressees)
// names; false after "その大分類はありません。".
bool ChooseTab(AppSettings& settings, bool senders, const std::string* category, mainlist::TabContext& tab);

// The record set's sort order and selection, saying why when they are refused:
// "並べ替えの指定が正しくありません。" with the order, "条件作成に失敗しました(%d)".
bool SetSortOrSay(RecordSet& records, std::string_view order);
bool SelectOrSay(RecordSet& records, std::string_view condition);

// UTF-8 output of CP932 text.
std::string Out(std::string_view sjis);
// A program message as the windows would show it: "caption: text" on standard error.
void PrintMessage(std::string_view caption, std::string_view text);

} // namespace nrt::cli
