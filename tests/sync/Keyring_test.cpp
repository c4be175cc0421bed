// Where a sync password is kept: the desktop keyring when a Secret Service answers on the
// session bus (a bus and gnome-keyring of the test's own), the owner's "NrtUser.ini"
// when none does.

#include "platform/Keyring.h"
#include "platform/fs.h"
#include "support/TestSupport.h"
#include "sync/SyncAccount.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace nrt::sync {
namespace {

using platform::keyring::KeyringResult;
using test::TempDir;

// The environment variable as it was, put back when the object goes.
class EnvSwap {
public:
    EnvSwap(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvSwap()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    EnvSwap(const EnvSwap&) = delete;
    EnvSwap& operator=(const EnvSwap&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A session bus and an unlocked gnome-keyring on it, in a folder of their own.
class SessionKeyring {
public:
    SessionKeyring()
    {
        if (::system("command -v dbus-daemon >/dev/null && command -v gnome-keyring-daemon >/dev/null") != 0) {
            failure_ = "dbus-daemon or gnome-keyring-daemon is not installed (scripts/setup installs them)";
            return;
        }
        // A bus that starts no service itself: one started on demand would be a second,
        // locked keyring racing the test's own.
        const std::string config = dir_.Path() + "/bus.conf";
        test::WriteAll(config,
            "<busconfig><type>session</type><listen>unix:tmpdir=" + dir_.Path()
                + "</listen><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        const std::string command
            = "dbus-daemon --config-file=" + config + " --fork --nopidfile --print-address=1 --print-pid=1";
        FILE* bus = ::popen(command.c_str(), "r");
        char address[512] = {}, pid[32] = {};
        if (!bus || !std::fgets(address, sizeof address, bus) || !std::fgets(pid, sizeof pid, bus)) {
            if (bus)
                ::pclose(bus);
            failure_ = "the session bus did not start";
            return;
        }
        ::pclose(bus);
        std::string a(address);
        a.erase(a.find_last_not_of("\n") + 1);
        busPid_ = std::atoi(pid);
        env_.emplace_back(std::make_unique<EnvSwap>("DBUS_SESSION_BUS_ADDRESS", a.c_str()));
        env_.emplace_back(std::make_unique<EnvSwap>("XDG_DATA_HOME", (dir_.Path() + "/data").c_str()));
        env_.emplace_back(std::make_unique<EnvSwap>("XDG_RUNTIME_DIR", dir_.Path().c_str()));
        int in[2];
        if (::pipe(in) != 0)
            return;
        keyringPid_ = ::fork();
        if (keyringPid_ == 0) {
            ::dup2(in[0], 0);
            ::close(in[1]);
            ::execlp("gnome-keyring-daemon", "gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets",
                static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        const ssize_t written = ::write(in[1], "test", 4);
        ::close(in[1]);
        // Ready once its default keyring takes a password, which comes a little after
        // the service answers.
        for (int i = 0; written == 4 && i < 100; ++i) {
            if (platform::keyring::Store("probe", "probe", "x") == KeyringResult::kDone) {
                static_cast<void>(platform::keyring::Forget("probe", "probe")); // a probe only
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        failure_ = "gnome-keyring did not answer on the test's session bus";
    }
    ~SessionKeyring()
    {
        for (pid_t pid : { keyringPid_, static_cast<pid_t>(busPid_) })
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
    }
    SessionKeyring(const SessionKeyring&) = delete;
    SessionKeyring& operator=(const SessionKeyring&) = delete;
    const std::string& Failure() const { return failure_; }

private:
    TempDir dir_;
    std::string failure_;
    std::vector<std::unique_ptr<EnvSwap>> env_;
    int busPid_ = -1;
    pid_t keyringPid_ = -1;
};

std::string IniText(const std::string& path)
{
    std::string text;
    static_cast<void>(platform::fs::ReadFile(path, text)); // none: empty
    return text;
}

TEST(SyncPassword, KeptInTheKeyringWhereOneAnswersElseInTheOwnersIni)
{
    const std::string setupUrl = "dav.example.jp", // a bare host, as sync-setup takes it
        bookUrl = "https://dav.example.jp/alice/family/";
    {
        // No session bus: the owner's file, readable by the owner alone.
        EnvSwap noBus("DBUS_SESSION_BUS_ADDRESS", nullptr);
        TempDir dir;
        const std::string ini = dir.Path() + "/NrtUser.ini";
        std::string unused;
        EXPECT_EQ(platform::keyring::Lookup("https://dav.example.jp", "alice", &unused), KeyringResult::kUnavailable);
        ASSERT_TRUE(StorePassword(ini, setupUrl, "alice", "s3cret"));
        EXPECT_EQ(StoredPassword(ini, bookUrl, "alice"), "s3cret");
        struct stat st { };
        ASSERT_EQ(::stat(ini.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    SessionKeyring keyring;
    if (!keyring.Failure().empty())
        GTEST_SKIP() << keyring.Failure();
    TempDir dir;
    const std::string ini = dir.Path() + "/NrtUser.ini";
    // A copy the file held from before goes when the keyring takes the password.
    {
        EnvSwap noBus("DBUS_SESSION_BUS_ADDRESS", nullptr);
        ASSERT_TRUE(StorePassword(ini, setupUrl, "alice", "old"));
    }
    ASSERT_NE(IniText(ini).find("old"), std::string::npos);
    ASSERT_TRUE(StorePassword(ini, setupUrl, "alice", "s3cret"));
    EXPECT_EQ(IniText(ini).find("s3cret"), std::string::npos);
    EXPECT_EQ(IniText(ini).find("old"), std::string::npos);
    // Found from the book's own address (same server), not for another user or server.
    EXPECT_EQ(StoredPassword(ini, bookUrl, "alice"), "s3cret");
    EXPECT_EQ(StoredPassword(ini, bookUrl, "bob"), "");
    EXPECT_EQ(StoredPassword(ini, "https://other.example.jp/alice/", "alice"), "");
    // An empty password forgets it.
    ASSERT_TRUE(StorePassword(ini, bookUrl, "alice", ""));
    EXPECT_EQ(StoredPassword(ini, bookUrl, "alice"), "");
}

} // namespace
} // namespace nrt::sync
