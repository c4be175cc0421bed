#pragma once
// The single-copy lock as a running nortea holds it, for the commands run by `cli`:
// taken by a live process (this test) under its own name, until the object goes.

#include "CliRunner.h"

#include <QCoreApplication>
#include <QLockFile>

#include <filesystem>
#include <string>

namespace nrt::test {

class ProgramRunning {
public:
    explicit ProgramRunning(const CliRunner& cli)
        : lock_(QString::fromStdString(cli.RuntimeFolder() + "/NrtPelo.lock"))
    {
        held_ = lock_.tryLock(0);
    }
    bool Held() const { return held_; }
    void Stop() { lock_.unlock(); }

private:
    static int& Argc()
    {
        static int argc = 1;
        return argc;
    }
    static char** Argv()
    {
        static std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        static char* argv[] = { self.data(), nullptr };
        return argv;
    }
    QCoreApplication app_ { Argc(), Argv() };
    QLockFile lock_;
    bool held_ = false;
};

} // namespace nrt::test
