#pragma once
// Helpers of the mail tests: independent decoders (iconv, Python's email package),
// child processes, throwaway certificates and the npm SMTP server.

#include <map>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace nrt::test {

// ISO-2022-JP bytes decoded by iconv into CP932; *ok false when iconv refused them.
std::string IsoJpToSjis(std::string_view iso, bool* ok = nullptr);

// Runs argv[0] (searched on PATH) with `input` on its standard input and returns its
// standard output; *status receives the exit status (-1 when it could not run).
std::string RunCommand(const std::vector<std::string>& argv, std::string_view input, int* status);

// A throwaway CA and certificates made with the openssl command.
struct TestCertificates {
    std::string caCert; // the CA the client is told to trust
    std::string serverKey; // key of both server certificates
    std::string serverCert; // signed by caCert, for localhost and 127.0.0.1
    std::string wrongHostCert; // signed by caCert, for another name only
    std::string strangerCert; // same names as serverCert, signed by an unknown CA
    bool ok = false;
};
// Made once per test program in `folder` (which must outlive the tests).
TestCertificates MakeCertificates(const std::string& folder);
// The certificates of this test program, made at first use.
const TestCertificates& SharedCertificates();

// The npm smtp-server (tools/smtp-test-server.js) as a child process.
class NodeSmtpServer {
public:
    struct Options {
        std::string tls = "none"; // none, starttls, implicit
        std::string key, cert;
        std::vector<std::string> refuse; // recipients answered with 550
        // Refuses a message with any byte above 0x7F (550 5.6.0), as a server that
        // holds to 7-bit mail does.
        bool strict8bit = false;
        // Goes down once this many messages are stored (the next MAIL FROM is cut off,
        // or with dropUnconfirmed the last message is stored and never answered) and
        // refuses connections with 421 until Up.
        int dropAfter = -1;
        bool dropUnconfirmed = false;
        // Greylisting: 450 for a recipient until this many seconds after its first try.
        int greylistSeconds = -1;
    };
    NodeSmtpServer(const std::string& folder, const Options& options);
    ~NodeSmtpServer();
    NodeSmtpServer(const NodeSmtpServer&) = delete;
    NodeSmtpServer& operator=(const NodeSmtpServer&) = delete;

    int Port() const { return port_; }
    // Accepts connections again after a drop.
    void Up();
    static constexpr const char* kUser = "tester";
    static constexpr const char* kPassword = "secret-pass";

    struct Message {
        std::string from, user, secure;
        std::vector<std::string> to;
        std::string raw;
    };
    // Messages stored so far, in the order received.
    std::vector<Message> Messages() const;

private:
    std::string folder_;
    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
};

// The parts of a stored message decoded by Python's email package (policy=default):
// each header of the message (decoded from encoded words, UTF-8); for address headers
// also "<name>.count", "<name>.name" and "<name>.address" of the first mailbox; the
// body decoded with its declared charset (UTF-8), "charset", and "defects": what the
// parser found wrong, empty for a sound message.
std::map<std::string, std::string> DecodeWithPython(const std::string& raw);

} // namespace nrt::test

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace nrt::test {

// One accepted connection of a ScriptedServer, driven by the test's script.
class ScriptPeer {
public:
    explicit ScriptPeer(int fd, std::vector<std::string>* log, std::mutex* lock);
    ~ScriptPeer();
    ScriptPeer(const ScriptPeer&) = delete;
    ScriptPeer& operator=(const ScriptPeer&) = delete;
    // Server side of a TLS handshake with the shared test certificate; from then on
    // everything goes through TLS. False when the handshake failed.
    bool StartTls();
    // Closes the connection at once, without a TLS goodbye.
    void Drop();
    // One write; with pauses between calls each arrives as a segment of its own.
    void Send(std::string_view bytes);
    // The next line without its CR LF; "<closed>" when the client closed or 5 s passed.
    std::string ReadLine();
    // The message data up to the line ".", as received (dot-stuffing left in).
    std::string ReadData();
    // True when the client closes the connection within `ms` (over TLS: 5 s) without
    // sending more.
    bool ClosedWithoutData(int ms);
    void Pause(int ms);

private:
    struct Tls;
    int fd_;
    std::unique_ptr<Tls> tls_;
    std::string pending_;
    std::vector<std::string>* log_;
    std::mutex* lock_;
};

// A server that answers 450 to RCPT of `greylisted` on every try and takes every other
// message; `delivered` (if given) counts the messages taken.
void GreylistingScript(ScriptPeer& p, std::string_view greylisted, int* delivered = nullptr);

// A scripted SMTP peer on 127.0.0.1 in a thread of the test: exact reply sequences,
// replies split across segments, silence, sudden closing.
class ScriptedServer {
public:
    using Script = std::function<void(ScriptPeer&, int connection)>;
    explicit ScriptedServer(Script script, int connections = 1);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int Port() const { return port_; }
    // Every line the client sent, in order.
    std::vector<std::string> Received() const;
    // Waits for the script to finish.
    void Join();

private:
    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex lock_;
    std::vector<std::string> received_;
};

// Sets TZ (and tzset) for the lifetime of the guard; the tests do not rely on the
// environment they are started in for the zone.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

// A port on 127.0.0.1 where nothing listens.
int UnusedPort();

} // namespace nrt::test
