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

// The npm smtp-server (tools/smtp-test-server.js) as a child process.
class NodeSmtpServer {
public:
    struct Options {
        std::string tls = "none"; // none, starttls, implicit
        std::string key, cert;
        std::vector<std::string> refuse; // recipients answered with 550
    };
    NodeSmtpServer(const std::string& folder, const Options& options);
    ~NodeSmtpServer();
    NodeSmtpServer(const NodeSmtpServer&) = delete;
    NodeSmtpServer& operator=(const NodeSmtpServer&) = delete;

    int Port() const { return port_; }
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

// The parts of a stored message decoded by Python's email package: each header of
// the message (decoded from encoded words, UTF-8) and the body decoded with its
// declared charset (UTF-8), plus "charset".
std::map<std::string, std::string> DecodeWithPython(const std::string& raw);

} // namespace nrt::test
