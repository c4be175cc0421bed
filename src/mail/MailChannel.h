#pragma once
// The TCP connection of the SMTP client, plain or inside TLS, with every wait bounded
// by the client's reply timeout. Texts it returns are CP932.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace nrt {

// A point in time after which a wait gives up; "never" when the timeout is 0 or less.
class Deadline {
public:
    static Deadline After(int seconds);
    bool Never() const { return never_; }
    // Milliseconds left for poll(): -1 for no limit, 0 once passed.
    int RemainingMs() const;

private:
    bool never_ = true;
    std::chrono::steady_clock::time_point at_ {};
};

class MailChannel {
public:
    enum class Io { Ok, Timeout, Closed };

    // What became of Open and StartTls; the client turns each into its own result.
    enum class Setup {
        kOk,
        kSetupFailed, // the TLS library could not be set up
        kNotResolved,
        kNoSocket,
        kNotConnected,
        kCertificateRefused,
        kTlsFailed,
    };

    MailChannel();
    ~MailChannel();
    MailChannel(const MailChannel&) = delete;
    MailChannel& operator=(const MailChannel&) = delete;

    // Resolves `host` and connects to `port`, trying each address in turn.
    [[nodiscard]] Setup Open(const std::string& host, int port, int timeoutSeconds);

    // TLS on the open connection: the server's certificate must chain to the system's
    // trusted CAs (or those of `caFile`, when given) and name `host`. On failure
    // *reason tells why, in words for the user, and the connection is unusable.
    [[nodiscard]] Setup StartTls(
        const std::string& host, const std::string& caFile, int timeoutSeconds, std::string* reason);

    [[nodiscard]] Io Write(std::string_view data, const Deadline& deadline);
    // One line up to and including its LF (or what came before the connection closed).
    // A longer line than `keep` bytes is read to its end but only `keep` bytes are kept.
    [[nodiscard]] Io ReadLine(std::string& line, std::size_t keep, const Deadline& deadline);
    // Bytes received and not yet read as lines.
    bool HasBufferedInput() const { return readAt_ < buffer_.size(); }

    // Ends TLS politely when it was started, then closes the socket.
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    bool IsSecure() const { return tls_ != nullptr; }
    // True when the other end is this machine (127.0.0.0/8 or ::1).
    bool PeerIsLoopback() const;

private:
    struct Tls;
    [[nodiscard]] Io Fill(const Deadline& deadline);
    bool WaitFor(short events, const Deadline& deadline);

    int fd_ = -1;
    std::unique_ptr<Tls> tls_;
    std::string buffer_;
    std::size_t readAt_ = 0;
};

} // namespace nrt
