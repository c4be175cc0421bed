#pragma once
// nortea-cli: the program's jobs without a window, over the same core, data folder,
// user and settings. Terminal text is UTF-8; files keep their CP932 forms. Exit status
// 0 done, 1 refused or failed, 2 usage error.

#include "db/CMyDB.h"
#include "db/Cmyrec.h"
#include "db/MainList.h"
#include "settings/Cmyglobal.h"

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
    Context(const StartupFolders& folders, const std::string& user);
    // False when the user could not be chosen; the message was printed.
    bool ok() const { return ok_; }
    CMyGlobal& Global() { return *global_; }
    // The user's "nrt.ndb", or an empty default table when there is none.
    CMyDB& Table();
    // A command that writes the table or the settings must not run beside the program.
    bool RefuseWhileProgramRuns();

private:
    std::unique_ptr<CMyGlobal> global_;
    std::unique_ptr<CMyDB> table_;
    bool ok_ = true;
};

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
int RunUser(Context& context, Args& args);
int RunBackup(Context& context, Args& args);
int RunRestore(Context& context, Args& args); // BackupCommand.cpp
int RunMail(Context& context, Args& args); // MailCommand.cpp
int RunPostalImport(Context& context, Args& args);
int RunPostalLookup(Context& context, Args& args);
int RunPrint(Context& context, Args& args); // PrintCommand.cpp

// The main window's tab that --senders or --tab CATEGORY (UTF-8; none: all addressees)
// names; false after "その大分類はありません。".
bool ChooseTab(CMyGlobal& global, bool senders, const std::string* category, mainlist::TabContext& tab);

// The record set's sort order and selection, saying why when they are refused:
// "並べ替えの指定が正しくありません。" with the order, "条件作成に失敗しました(%d)".
bool SetSortOrSay(CMyRec& records, std::string_view order);
bool SelectOrSay(CMyRec& records, std::string_view condition);

// UTF-8 output of CP932 text.
std::string Out(std::string_view sjis);
// A program message as the windows would show it: "caption: text" on standard error.
void PrintMessage(std::string_view caption, std::string_view text);

} // namespace nrt::cli
