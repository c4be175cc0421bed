#include "MailTestSupport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iconv.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace nrt::test {
namespace {

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFileBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<char*> Argv(std::vector<std::string>& args)
{
    std::vector<char*> v;
    for (auto& a : args)
        v.push_back(a.data());
    v.push_back(nullptr);
    return v;
}

std::string ToolsFolder()
{
    return test::SourceDir() + "/../tools";
}

} // namespace

std::string IsoJpToSjis(std::string_view iso, bool* ok)
{
    iconv_t cd = iconv_open("CP932", "ISO-2022-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (ok)
            *ok = false;
        return {};
    }
    std::string out(iso.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(iso.data());
    std::size_t inLeft = iso.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    const bool good = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1)
        && iconv(cd, nullptr, nullptr, &o, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    if (ok)
        *ok = good;
    return out;
}

std::string RunCommand(const std::vector<std::string>& argv, std::string_view input, int* status)
{
    *status = -1;
    char inputPath[] = "/tmp/nrt-mail-input-XXXXXX";
    const int inputFd = ::mkstemp(inputPath);
    if (inputFd < 0)
        return {};
    ::close(inputFd);
    WriteFileBytes(inputPath, input);

    int out[2];
    if (::pipe(out) != 0) {
        ::unlink(inputPath);
        return {};
    }
    std::vector<std::string> args = argv;
    auto cargs = Argv(args);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(inputPath, O_RDONLY);
        ::dup2(in, 0);
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        ::execvp(cargs[0], cargs.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string result;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n > 0)
            result.append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(out[0]);
    int st = 0;
    if (pid > 0 && ::waitpid(pid, &st, 0) == pid && WIFEXITED(st))
        *status = WEXITSTATUS(st);
    ::unlink(inputPath);
    return result;
}

TestCertificates MakeCertificates(const std::string& folder)
{
    TestCertificates c;
    const std::string script = R"(set -e
cd "$1"
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out "$1" 2>/dev/null; }
ca() {
  key "$1.key"
  openssl req -x509 -new -key "$1.key" -out "$1.pem" -days 2 -subj "/CN=$2" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}
sign() { # csr ca names out
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$3" > "$4.ext"
  openssl x509 -req -in "$1" -CA "$2.pem" -CAkey "$2.key" -set_serial "$RANDOM$RANDOM" -days 2 \
    -extfile "$4.ext" -out "$4" 2>/dev/null
}
ca ca "nortea test CA"
ca stranger "stranger CA"
key server.key
openssl req -new -key server.key -subj /CN=localhost -out server.csr 2>/dev/null
sign server.csr ca DNS:localhost,IP:127.0.0.1 server.pem
sign server.csr ca DNS:mail.nortea.invalid wronghost.pem
sign server.csr stranger DNS:localhost,IP:127.0.0.1 stranger-server.pem
echo done
)";
    int status = 0;
    const std::string out = RunCommand({ "bash", "-c", script, "bash", folder }, "", &status);
    c.caCert = folder + "/ca.pem";
    c.serverKey = folder + "/server.key";
    c.serverCert = folder + "/server.pem";
    c.wrongHostCert = folder + "/wronghost.pem";
    c.strangerCert = folder + "/stranger-server.pem";
    c.ok = status == 0 && out == "done\n";
    return c;
}

const TestCertificates& SharedCertificates()
{
    static const TempDir folder;
    static const TestCertificates made = MakeCertificates(folder.Path());
    return made;
}

NodeSmtpServer::NodeSmtpServer(const std::string& folder, const Options& options)
    : folder_(folder)
{
    std::vector<std::string> args
        = { "node", ToolsFolder() + "/smtp-test-server.js", "--dir", folder, "--tls", options.tls };
    if (!options.key.empty())
        args.insert(args.end(), { "--key", options.key, "--cert", options.cert });
    for (const auto& r : options.refuse)
        args.insert(args.end(), { "--refuse", r });
    if (options.strict8bit)
        args.insert(args.end(), { "--strict-8bit", "1" });
    if (options.dropAfter >= 0)
        args.insert(args.end(), { "--drop-after", std::to_string(options.dropAfter) });
    if (options.dropUnconfirmed)
        args.insert(args.end(), { "--drop-unconfirmed", "1" });
    if (options.greylistSeconds >= 0)
        args.insert(args.end(), { "--greylist", std::to_string(options.greylistSeconds) });

    int out[2], in[2];
    if (::pipe(out) != 0 || ::pipe(in) != 0) {
        ADD_FAILURE() << "pipe failed";
        return;
    }
    auto cargs = Argv(args);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        for (int fd : { in[0], in[1], out[0], out[1] })
            ::close(fd);
        ::execvp(cargs[0], cargs.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    // Our end of its standard input stays open for as long as we live; should this
    // process die, the server sees the end of input and leaves.
    ::fcntl(in[1], F_SETFD, FD_CLOEXEC);
    stdinFd_ = in[1];

    std::string line;
    char ch;
    pollfd p { out[0], POLLIN, 0 };
    while (line.find('\n') == std::string::npos && ::poll(&p, 1, 20000) > 0) {
        if (::read(out[0], &ch, 1) != 1)
            break;
        line += ch;
    }
    ::close(out[0]);
    if (std::sscanf(line.c_str(), "PORT %d", &port_) != 1)
        ADD_FAILURE() << "the SMTP test server did not start (is tools/node_modules installed by scripts/setup?): "
                      << line;
}

NodeSmtpServer::~NodeSmtpServer()
{
    if (stdinFd_ >= 0)
        ::close(stdinFd_);
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int st = 0;
        ::waitpid(pid_, &st, 0);
    }
}

void NodeSmtpServer::Up()
{
    if (stdinFd_ >= 0 && ::write(stdinFd_, "up\n", 3) != 3)
        ADD_FAILURE() << "the SMTP test server could not be told to come up";
    // The line is read by the server's event loop; give it the moment it needs.
    ::usleep(200 * 1000);
}

std::vector<NodeSmtpServer::Message> NodeSmtpServer::Messages() const
{
    std::vector<int> numbers;
    if (DIR* d = ::opendir(folder_.c_str())) {
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && name.ends_with(".env"))
                numbers.push_back(std::atoi(name.c_str()));
        }
        ::closedir(d);
    }
    std::sort(numbers.begin(), numbers.end());
    std::vector<Message> result;
    for (int n : numbers) {
        Message m;
        const std::string base = folder_ + "/" + std::to_string(n);
        std::istringstream env(ReadFileBytes(base + ".env"));
        std::string line;
        while (std::getline(env, line)) {
            const auto space = line.find(' ');
            const std::string key = line.substr(0, space);
            const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
            if (key == "from")
                m.from = value;
            else if (key == "to")
                m.to.push_back(value);
            else if (key == "user")
                m.user = value;
            else if (key == "secure")
                m.secure = value;
        }
        m.raw = ReadFileBytes(base + ".eml");
        result.push_back(std::move(m));
    }
    return result;
}

std::map<std::string, std::string> DecodeWithPython(const std::string& raw)
{
    // Each entry as "name\nlength\nvalue\n", so values may hold line ends.
    static const char* const kScript = R"(
import sys, email, email.policy
msg = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)
out = []
defects = [type(d).__name__ for d in msg.defects]
for name in msg.keys():
    key = name.lower()
    header = msg[name]
    out.append((key, str(header)))
    defects += [key + ':' + type(d).__name__ for d in header.defects]
    if hasattr(header, 'addresses'):
        out.append((key + '.count', str(len(header.addresses))))
        if header.addresses:
            out.append((key + '.name', header.addresses[0].display_name))
            out.append((key + '.address', header.addresses[0].addr_spec))
out.append(('charset', msg.get_content_charset() or ''))
out.append(('body', msg.get_content()))
out.append(('defects', ' '.join(defects)))
for name, value in out:
    data = value.encode('utf-8')
    sys.stdout.buffer.write(name.encode() + b'\n' + str(len(data)).encode() + b'\n' + data + b'\n')
)";
    int status = 0;
    const std::string out = RunCommand({ "python3", "-c", kScript }, raw, &status);
    std::map<std::string, std::string> fields;
    EXPECT_EQ(status, 0) << "python3 could not decode the message";
    std::size_t at = 0;
    while (at < out.size()) {
        const auto nl1 = out.find('\n', at);
        const auto nl2 = out.find('\n', nl1 + 1);
        if (nl1 == std::string::npos || nl2 == std::string::npos)
            break;
        const std::string name = out.substr(at, nl1 - at);
        const std::size_t length = std::stoul(out.substr(nl1 + 1, nl2 - nl1 - 1));
        fields[name] = out.substr(nl2 + 1, length);
        at = nl2 + 1 + length + 1;
    }
    return fields;
}

} // namespace nrt::test

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

namespace nrt::test {
namespace {

int ListenLoopback(int* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 8) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        ADD_FAILURE() << "cannot listen on 127.0.0.1";
        return -1;
    }
    *port = ntohs(a.sin_port);
    return fd;
}

} // namespace

struct ScriptPeer::Tls {
    SSL_CTX* ctx = nullptr;
    SSL* ssl = nullptr;
    ~Tls()
    {
        if (ssl)
            SSL_free(ssl);
        if (ctx)
            SSL_CTX_free(ctx);
    }
};

ScriptPeer::ScriptPeer(int fd, std::vector<std::string>* log, std::mutex* lock)
    : fd_(fd)
    , log_(log)
    , lock_(lock)
{
    // Reads give up after 5 s so that a failing test never hangs.
    const timeval limit { 5, 0 };
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

ScriptPeer::~ScriptPeer() = default;

bool ScriptPeer::StartTls()
{
    const TestCertificates& c = SharedCertificates();
    tls_ = std::make_unique<Tls>();
    tls_->ctx = SSL_CTX_new(TLS_server_method());
    if (!tls_->ctx || SSL_CTX_use_certificate_file(tls_->ctx, c.serverCert.c_str(), SSL_FILETYPE_PEM) != 1
        || SSL_CTX_use_PrivateKey_file(tls_->ctx, c.serverKey.c_str(), SSL_FILETYPE_PEM) != 1)
        return false;
    tls_->ssl = SSL_new(tls_->ctx);
    SSL_set_fd(tls_->ssl, fd_);
    return SSL_accept(tls_->ssl) == 1;
}

void ScriptPeer::Drop()
{
    tls_.reset();
    ::shutdown(fd_, SHUT_RDWR);
}

void ScriptPeer::Send(std::string_view bytes)
{
    if (tls_) {
        SSL_write(tls_->ssl, bytes.data(), static_cast<int>(bytes.size()));
        return;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string ScriptPeer::ReadLine()
{
    for (;;) {
        const auto lf = pending_.find('\n');
        if (lf != std::string::npos) {
            std::string line = pending_.substr(0, lf);
            pending_.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::lock_guard<std::mutex> hold(*lock_);
            log_->push_back(line);
            return line;
        }
        char buf[8192];
        const ssize_t n = tls_ ? SSL_read(tls_->ssl, buf, sizeof buf) : ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0)
            return "<closed>";
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

std::string ScriptPeer::ReadData()
{
    std::string data;
    for (;;) {
        const std::string line = ReadLine();
        if (line == "." || line == "<closed>")
            return data;
        data += line + "\r\n";
    }
}

bool ScriptPeer::ClosedWithoutData(int ms)
{
    if (!pending_.empty())
        return false;
    if (tls_) {
        char c;
        const int n = SSL_read(tls_->ssl, &c, 1);
        const int error = n > 0 ? SSL_ERROR_NONE : SSL_get_error(tls_->ssl, n);
        return error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && errno != EAGAIN);
    }
    pollfd p { fd_, POLLIN, 0 };
    if (::poll(&p, 1, ms) <= 0)
        return false;
    char c;
    return ::recv(fd_, &c, 1, 0) == 0;
}

void ScriptPeer::Pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ScriptedServer::ScriptedServer(Script script, int connections)
{
    listenFd_ = ListenLoopback(&port_);
    thread_ = std::thread([this, script = std::move(script), connections] {
        // A client gone early must not end the test program when this side writes.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        for (int n = 0; n < connections && listenFd_ >= 0; ++n) {
            pollfd p { listenFd_, POLLIN, 0 };
            if (::poll(&p, 1, 10000) <= 0)
                return;
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ScriptPeer peer(fd, &received_, &lock_);
            script(peer, n);
            ::close(fd);
        }
    });
}

ScriptedServer::~ScriptedServer()
{
    Join();
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

void ScriptedServer::Join()
{
    if (thread_.joinable())
        thread_.join();
}

std::vector<std::string> ScriptedServer::Received() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return received_;
}

ScopedTimeZone::ScopedTimeZone(const char* tz)
{
    if (const char* old = std::getenv("TZ")) {
        had_ = true;
        old_ = old;
    }
    ::setenv("TZ", tz, 1);
    ::tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    if (had_)
        ::setenv("TZ", old_.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

int UnusedPort()
{
    int port = 0;
    const int fd = ListenLoopback(&port);
    ::close(fd); // nothing listens there any more; a connect is refused
    return port;
}

void GreylistingScript(ScriptPeer& p, std::string_view greylisted, int* delivered)
{
    p.Send("220 hello\r\n");
    for (;;) {
        const std::string line = p.ReadLine();
        if (line == "<closed>" || line == "QUIT")
            break;
        if (line == "RCPT TO: <" + std::string(greylisted) + ">") {
            p.Send("450 4.7.1 greylisted\r\n");
        } else if (line == "DATA") {
            p.Send("354 go on\r\n");
            p.ReadData();
            if (delivered)
                ++*delivered;
            p.Send("250 stored\r\n");
        } else {
            p.Send("250 ok\r\n");
        }
    }
    p.Send("221 bye\r\n");
}

} // namespace nrt::test
