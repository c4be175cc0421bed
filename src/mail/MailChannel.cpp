#include "mail/MailChannel.h"

#include "platform/sjis.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nrt {
namespace {

constexpr std::size_t kReadChunk = 4096;

bool IsIpLiteral(const std::string& host)
{
    in_addr v4;
    in6_addr v6;
    return inet_pton(AF_INET, host.c_str(), &v4) == 1 || inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

// OpenSSL writes to the socket with write(), which raises SIGPIPE when the server has
// gone, and it may write in any call, reads included; the program must not die of it. The signal is held back in this
// thread for the duration and a SIGPIPE raised meanwhile is taken off again.
class SigpipeGuard {
public:
    SigpipeGuard()
    {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe, &old_);
    }
    ~SigpipeGuard()
    {
        if (!wasPending_) {
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                sigset_t pipe;
                sigemptyset(&pipe);
                sigaddset(&pipe, SIGPIPE);
                const timespec zero { 0, 0 };
                while (sigtimedwait(&pipe, nullptr, &zero) == -1 && errno == EINTR) { }
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t old_;
    bool wasPending_ = false;
};

// The certificate check's verdict in words for the user, with OpenSSL's own text.
std::string CertificateReason(long verify)
{
    const std::string detail = std::string(" (") + X509_verify_cert_error_string(verify) + ")";
    switch (verify) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return SJ("証明書の名前がサーバー名と一致しません。") + detail;
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return SJ("証明書の有効期限が切れています。") + detail;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return SJ("証明書の有効期間が始まっていません。") + detail;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return SJ("信頼できる認証局の証明書ではありません。") + detail;
    default:
        return detail.substr(1);
    }
}

std::string OpenSslErrorText()
{
    const unsigned long e = ERR_get_error();
    ERR_clear_error();
    if (!e)
        return SJ("サーバーとの接続が切れました。");
    char text[256];
    ERR_error_string_n(e, text, sizeof text);
    return text;
}

} // namespace

Deadline Deadline::After(int seconds)
{
    Deadline d;
    if (seconds > 0) {
        d.never_ = false;
        d.at_ = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    }
    return d;
}

int Deadline::RemainingMs() const
{
    if (never_)
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(at_ - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

struct MailChannel::Tls {
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

MailChannel::MailChannel() = default;

MailChannel::~MailChannel()
{
    Close();
}

bool MailChannel::WaitFor(short events, const Deadline& deadline)
{
    for (;;) {
        pollfd p { fd_, events, 0 };
        const int ready = ::poll(&p, 1, deadline.RemainingMs());
        if (ready > 0)
            return true;
        if (ready == 0)
            return false;
        if (errno != EINTR)
            return true; // let the following read or write report the failure
    }
}

int MailChannel::Open(const std::string& host, int port, int timeoutSeconds)
{
    Close();
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
        return kNotResolved;

    int result = kNoSocket;
    const Deadline deadline = Deadline::After(timeoutSeconds);
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0)
            continue;
        result = kNotConnected;
        fd_ = fd;
        bool connected = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0;
        if (!connected && errno == EINPROGRESS && WaitFor(POLLOUT, deadline)) {
            int error = 0;
            socklen_t length = sizeof error;
            connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
        if (connected) {
            // Commands and replies alternate; never hold a command back for an ACK.
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            result = 0;
            break;
        }
        ::close(fd);
        fd_ = -1;
    }
    ::freeaddrinfo(found);
    return result;
}

int MailChannel::StartTls(const std::string& host, const std::string& caFile, int timeoutSeconds, std::string* reason)
{
    auto tls = std::make_unique<Tls>();
    tls->ctx = SSL_CTX_new(TLS_client_method());
    if (!tls->ctx) {
        *reason = OpenSslErrorText();
        return kSetupFailed;
    }
    SSL_CTX_set_min_proto_version(tls->ctx, TLS1_2_VERSION);
    SSL_CTX_set_verify(tls->ctx, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(tls->ctx);
    if (!caFile.empty() && SSL_CTX_load_verify_locations(tls->ctx, caFile.c_str(), nullptr) != 1) {
        *reason = OpenSslErrorText();
        return kSetupFailed;
    }
    tls->ssl = SSL_new(tls->ctx);
    if (!tls->ssl || SSL_set_fd(tls->ssl, fd_) != 1) {
        *reason = OpenSslErrorText();
        return kSetupFailed;
    }
    SSL_set_mode(tls->ssl, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (IsIpLiteral(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(tls->ssl), host.c_str());
    } else {
        SSL_set_tlsext_host_name(tls->ssl, host.c_str());
        SSL_set1_host(tls->ssl, host.c_str());
    }

    // Bytes after the server's go-ahead would be read later as if they had come
    // through TLS: someone on the way may have put them there.
    if (HasBufferedInput()) {
        *reason = SJ("暗号化の開始前に余分なデータを受信しました。");
        return kTlsFailed;
    }

    const Deadline deadline = Deadline::After(timeoutSeconds);
    ERR_clear_error();
    for (;;) {
        int done;
        {
            SigpipeGuard guard;
            done = SSL_connect(tls->ssl);
        }
        if (done == 1)
            break;
        const int error = SSL_get_error(tls->ssl, done);
        if ((error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
            && WaitFor(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, deadline))
            continue;
        const long verify = SSL_get_verify_result(tls->ssl);
        if (verify != X509_V_OK) {
            ERR_clear_error();
            *reason = CertificateReason(verify);
            return kCertificateRefused;
        }
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            *reason = SJ("999 タイムオーバー");
            return kTlsFailed;
        }
        *reason = OpenSslErrorText();
        return kTlsFailed;
    }
    tls_ = std::move(tls);
    return 0;
}

MailChannel::Io MailChannel::Write(std::string_view data, const Deadline& deadline)
{
    if (fd_ < 0)
        return Io::Closed;
    while (!data.empty()) {
        if (tls_) {
            std::size_t written = 0;
            int done;
            {
                SigpipeGuard guard;
                done = SSL_write_ex(tls_->ssl, data.data(), data.size(), &written);
            }
            if (done == 1) {
                data.remove_prefix(written);
                continue;
            }
            const int error = SSL_get_error(tls_->ssl, 0);
            ERR_clear_error();
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
                return Io::Closed;
            if (!WaitFor(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, deadline))
                return Io::Timeout;
            continue;
        }
        const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(POLLOUT, deadline))
                return Io::Timeout;
        } else if (!(n < 0 && errno == EINTR)) {
            return Io::Closed;
        }
    }
    return Io::Ok;
}

MailChannel::Io MailChannel::Fill(const Deadline& deadline)
{
    if (readAt_ == buffer_.size()) {
        buffer_.clear();
        readAt_ = 0;
    }
    char chunk[kReadChunk];
    for (;;) {
        if (tls_) {
            std::size_t got = 0;
            int done;
            {
                SigpipeGuard guard; // reading may write too: alerts, a pending record
                done = SSL_read_ex(tls_->ssl, chunk, sizeof chunk, &got);
            }
            if (done == 1) {
                buffer_.append(chunk, got);
                return Io::Ok;
            }
            const int error = SSL_get_error(tls_->ssl, 0);
            ERR_clear_error();
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
                return Io::Closed;
            if (!WaitFor(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, deadline))
                return Io::Timeout;
            continue;
        }
        // A reply is read right after its command went out and is seldom there yet:
        // waiting first spares a read that would only say "not yet".
        if (!WaitFor(POLLIN, deadline))
            return Io::Timeout;
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0) {
            buffer_.append(chunk, static_cast<std::size_t>(n));
            return Io::Ok;
        }
        if (n == 0)
            return Io::Closed;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return Io::Closed;
    }
}

MailChannel::Io MailChannel::ReadLine(std::string& line, std::size_t keep, const Deadline& deadline)
{
    line.clear();
    if (fd_ < 0)
        return Io::Closed;
    for (;;) {
        const std::size_t lf = buffer_.find('\n', readAt_);
        const std::size_t end = lf == std::string::npos ? buffer_.size() : lf + 1;
        if (line.size() < keep)
            line.append(buffer_, readAt_, std::min(end - readAt_, keep - line.size()));
        readAt_ = end;
        if (lf != std::string::npos)
            return Io::Ok;
        const Io got = Fill(deadline);
        if (got != Io::Ok)
            return got;
    }
}

void MailChannel::Close()
{
    if (tls_ && fd_ >= 0) {
        SigpipeGuard guard;
        SSL_shutdown(tls_->ssl); // one close_notify, no wait for the answer
        ERR_clear_error();
    }
    tls_.reset();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    buffer_.clear();
    readAt_ = 0;
}

bool MailChannel::PeerIsLoopback() const
{
    if (fd_ < 0)
        return false;
    sockaddr_storage peer {};
    socklen_t length = sizeof peer;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return false;
    if (peer.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&peer);
        return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    }
    if (peer.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&peer);
        if (IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr))
            return true;
        return IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr) && v6->sin6_addr.s6_addr[12] == 127;
    }
    return false;
}

} // namespace nrt
