#pragma once
// Runs the real nortea-cli for the command-line tests: on a data folder of the test's
// own, from a working folder of its own (where relative file names land), with a
// runtime folder of its own, so a window test running beside it (its single-copy
// lock) cannot turn a command into a refused one.

#include <sys/types.h>

#include <string>
#include <vector>

namespace nrt::test {

// What a run left: the exit status (-1 when the program did not exit by itself) and
// what it wrote to standard output and error, as written (UTF-8).
struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

class CliRunner {
public:
    // The program under test, absolute.
    static const char* Program();

    // `workFolder` (CP932) holds the runtime folder and the captured output; commands
    // get `--data dataFolder` (CP932) unless a run asks otherwise.
    CliRunner(std::string workFolder, std::string dataFolder);

    // Runs a command to its end.
    CliResult Run(const std::vector<std::string>& args) const;

    // Starts a command without waiting; its output goes to "<tag>.out" and "<tag>.err"
    // in the working folder. -1 when it could not be started.
    pid_t Start(const std::vector<std::string>& args, const std::string& tag, bool withData = true) const;
    // The exit status of a started command, as CliResult has it.
    static int Wait(pid_t pid);
    // What a started command wrote to standard output or error ("out", "err").
    std::string Output(const std::string& tag, const char* stream) const;
    // The commands' runtime folder (UTF-8), where a running window keeps its lock.
    const std::string& RuntimeFolder() const { return runtime_; }
    // Later commands run without XDG_RUNTIME_DIR, as from cron or ssh.
    void WithoutRuntimeFolder() { runtime_.clear(); }

private:
    std::string work_;
    std::string data_;
    std::string runtime_;
};

} // namespace nrt::test
