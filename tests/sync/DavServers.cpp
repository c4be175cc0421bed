#include "DavServers.h"

#include "../mail/MailTestSupport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace nrt::test {
namespace {

bool Accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// Starts argv with its output going to `log`; the child's pid.
pid_t Spawn(std::vector<std::string> args, const std::string& log)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

void Stop(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace

DavServer::DavServer(Kind kind, Tls tls)
    : kind_(kind)
    , tls_(std::move(tls))
{
    // A port another test took between choosing and binding gets one more try.
    for (int attempt = 0; attempt < 2 && !Start(); ++attempt) { }
}

DavServer::~DavServer()
{
    Stop(pid_);
}

std::string DavServer::Root() const
{
    return std::string(tls_.cert.empty() ? "http" : "https") + "://127.0.0.1:" + std::to_string(port_);
}

dav::DavAccount DavServer::Account(const std::string& url) const
{
    dav::DavAccount account;
    account.url = url.empty() ? Root() : url;
    account.user = kUser;
    account.password = kPassword;
    account.timeout = 10;
    return account;
}

std::string DavServer::Log() const
{
    return ReadAll(dir_.Path() + "/server.log");
}

void DavServer::Halt()
{
    Stop(pid_);
    pid_ = -1;
}

bool DavServer::Restart()
{
    Halt();
    return Start(true);
}

bool DavServer::PlaceCards(
    const std::string& bookUrl, const std::vector<std::pair<std::string, std::string>>& cards) const
{
    const std::string path = dav::url::Unescaped(dav::url::Path(bookUrl));
    if (kind_ != Kind::kRadicale || path.empty())
        return false;
    const std::string folder = dir_.Path() + "/collections/collection-root" + path;
    // Plain writes: a test's server needs no fsync, and ten thousand would take minutes.
    for (const auto& [name, text] : cards)
        if (std::ofstream out(folder + "/" + name, std::ios::binary); !(out << text))
            return false;
    return true;
}

bool DavServer::Start(bool samePort)
{
    failure_.clear();
    if (!samePort)
        port_ = UnusedPort();
    const std::string where = "127.0.0.1:" + std::to_string(port_);
    std::vector<std::string> args;
    if (kind_ == Kind::kRadicale) {
        WriteAll(dir_.Path() + "/users", std::string(kUser) + ":" + kPassword + "\n");
        // Debian's Python, where Debian's radicale package is installed.
        args = { "/usr/bin/python3", "-m", "radicale", "--config", "", "--storage-filesystem-folder",
            dir_.Path() + "/collections", "--server-hosts", where, "--auth-type", "htpasswd",
            "--auth-htpasswd-filename", dir_.Path() + "/users", "--auth-htpasswd-encryption", "plain", "--auth-delay",
            "0", "--logging-level", "warning" };
        if (!tls_.cert.empty())
            args.insert(args.end(), { "--ssl", "--certificate", tls_.cert, "--key", tls_.key });
    } else {
        args = { "/usr/bin/xandikos", "--defaults", "-d", dir_.Path() + "/collections", "-l", "127.0.0.1", "-p",
            std::to_string(port_) };
    }
    pid_ = Spawn(args, dir_.Path() + "/server.log");
    for (int i = 0; i < 200 && pid_ > 0; ++i) {
        if (Accepts(port_))
            return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Stop(pid_);
    pid_ = -1;
    failure_ = std::string(Name()) + " did not start on " + where + " (is Debian's package installed?): " + Log();
    return false;
}

ScriptedDavServer::ScriptedDavServer(const std::string& script)
{
    const std::string portFile = dir_.Path() + "/port";
    const std::string program = "import http.server, sys\n" + script + R"(
server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
with open(sys.argv[1] + '.new', 'w') as f:
    f.write(str(server.server_address[1]))
import os
os.rename(sys.argv[1] + '.new', sys.argv[1])
server.serve_forever()
)";
    pid_ = Spawn({ "/usr/bin/python3", "-c", program, portFile }, dir_.Path() + "/server.log");
    for (int i = 0; i < 200 && pid_ > 0 && port_ == 0; ++i) {
        if (::access(portFile.c_str(), F_OK) == 0)
            port_ = std::stoi(ReadAll(portFile));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    if (port_ == 0)
        failure_ = "the scripted server did not start: " + ReadAll(dir_.Path() + "/server.log");
}

ScriptedDavServer::~ScriptedDavServer()
{
    Stop(pid_);
}

} // namespace nrt::test
