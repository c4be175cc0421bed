#include "SettingsTestSupport.h"

#include "platform/fs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace nrt::test {

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value)
    : name_(name)
{
    if (const char* old = std::getenv(name))
        previous_ = old;
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (previous_)
        ::setenv(name_.c_str(), previous_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

namespace {
void Walk(const std::string& root, const std::string& rel, std::vector<std::string>& out)
{
    for (const auto& e : platform::fs::ListDir(root + (rel.empty() ? "" : "/" + rel))) {
        const std::string child = rel.empty() ? e.name : rel + "/" + e.name;
        out.push_back(U(child) + (e.isDirectory ? "/" : ""));
        if (e.isDirectory)
            Walk(root, child, out);
    }
}
} // namespace

std::vector<std::string> Tree(const std::string& root)
{
    std::vector<std::string> out;
    Walk(root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

SettingsFixture::SettingsFixture()
    : home(dir.File("home"))
    , program(dir.File("prog") + "/")
    , scopedHost_(messages)
    , homeEnv_("HOME", platform::fs::ToSystemPath(dir.File("home")))
    , xdgEnv_("XDG_DATA_HOME", std::nullopt)
{
    platform::fs::MakeDirs(home);
    platform::fs::MakeDirs(program);
}

std::unique_ptr<AppSettings> SettingsFixture::Make(const StartupFolders& extra) const
{
    StartupFolders f = extra;
    if (f.programFolder.empty())
        f.programFolder = program;
    return std::make_unique<AppSettings>(f);
}

} // namespace nrt::test
