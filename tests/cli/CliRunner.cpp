#include "CliRunner.h"

#include "platform/fs.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstring>

extern char** environ;

namespace nrt::test {
namespace {

// The test's environment (as it is now: a test may set CUPS_SERVER or XDG_DATA_HOME
// for the program) with the runtime folder replaced, or removed when empty.
std::vector<std::string> Environment(const std::string& runtime)
{
    static constexpr char kRuntime[] = "XDG_RUNTIME_DIR=";
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, kRuntime, sizeof kRuntime - 1) != 0)
            env.emplace_back(*e);
    if (!runtime.empty())
        env.push_back(kRuntime + runtime);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> raw;
    for (std::string& s : strings)
        raw.push_back(s.data());
    raw.push_back(nullptr);
    return raw;
}

} // namespace

CliRunner::CliRunner(std::string workFolder, std::string dataFolder)
    : work_(std::move(workFolder))
    , data_(std::move(dataFolder))
    , runtime_(U(work_) + "/run")
{
    platform::fs::MakeDirs(work_);
    ::mkdir(runtime_.c_str(), 0700);
}

const char* CliRunner::Program()
{
    return NRT_CLI;
}

pid_t CliRunner::Start(const std::vector<std::string>& args, const std::string& tag, bool withData) const
{
    std::vector<std::string> argv { Program() };
    if (withData)
        argv.insert(argv.end(), { "--data", U(data_) });
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = Environment(runtime_);
    std::vector<char*> rawArgv = Pointers(argv), rawEnv = Pointers(env);
    const std::string work = U(work_);
    const std::string out = work + "/" + tag + ".out";
    const std::string err = work + "/" + tag + ".err";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addchdir_np(&files, work.c_str());
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, Program(), &files, nullptr, rawArgv.data(), rawEnv.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

int CliRunner::Wait(pid_t pid)
{
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CliRunner::Output(const std::string& tag, const char* stream) const
{
    return ReadAll(work_ + "/" + tag + "." + stream);
}

CliResult CliRunner::Run(const std::vector<std::string>& args) const
{
    CliResult r;
    r.status = Wait(Start(args, "run"));
    r.out = Output("run", "out");
    r.err = Output("run", "err");
    return r;
}

} // namespace nrt::test
