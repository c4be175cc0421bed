#include "cli/Cli.h"

#include "app/SingleInstance.h"
#include "platform/sjis.h"

#include <cstdio>

namespace nrt::cli {

Context::Context(const StartupFolders& folders, const std::string& user)
    : global_(std::make_unique<CMyGlobal>(folders))
{
    global_->ReadSettings(true);
    if (!user.empty() && user != global_->UserName()) {
        if (!global_->SetUserFolder(user)) {
            PrintMessage(SJ("注意"), SJ("ユーザー名が正しくありません。"));
            ok_ = false;
            return;
        }
        global_->ReadSettings(false);
    }
}

CMyDB& Context::Table()
{
    if (!table_) {
        table_ = std::make_unique<CMyDB>();
        if (table_->LoadTable(global_->UserFile(SJ("nrt.ndb"))) != 0)
            table_->CreateDefaultTable();
    }
    return *table_;
}

bool Context::RefuseWhileProgramRuns()
{
    if (!gui::SingleInstance::HeldByAnother())
        return false;
    PrintMessage(SJ("注意"), SJ("「ノルテア」が起動されています。終了してから実行して下さい。"));
    return true;
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
        {"list", "list [--senders | --tab CATEGORY] [--where COND] [--sort KEYS] [--fields A,B,...] [--format tsv|csv]",
         RunList},
        {"import-csv", "import-csv FILE", RunImportCsv},
        {"export-csv", "export-csv FILE [--fields A,B,...] [--no-header]", RunExportCsv},
        {"user", "user list | user create NAME | user remove NAME", RunUser},
        {"backup", "backup", RunBackup},
        {"mail", "mail --template FILE [--dry-run]", RunMail},
        {"postal-import", "postal-import FILE", RunPostalImport},
        {"postal-lookup", "postal-lookup CODE", RunPostalLookup},
        {"print", "print FORM (--pdf OUT | --printer QUEUE) [--where COND] [--sort KEYS] [--pages FROM-TO]", RunPrint},
    };
    return commands;
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
