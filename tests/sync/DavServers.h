#pragma once
// CardDAV servers of the tests' own on 127.0.0.1, each with its data in a temporary
// folder: Radicale (with a password file, optionally over TLS) and Xandikos (no
// authentication, one address book made at start). Stopped when the object goes.

#include "support/TestSupport.h"
#include "sync/DavClient.h"

#include <ostream>

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace nrt::test {

class DavServer {
public:
    enum class Kind { kRadicale, kXandikos };
    struct Tls {
        std::string cert, key; // empty: plain http
    };
    static constexpr const char* kUser = "alice";
    static constexpr const char* kPassword = "wonder-land 7";

    explicit DavServer(Kind kind, Tls tls = {});
    ~DavServer();
    DavServer(const DavServer&) = delete;
    DavServer& operator=(const DavServer&) = delete;

    // Empty when the server listens; else why it could not start (the test skips).
    const std::string& Failure() const { return failure_; }
    // "http://127.0.0.1:PORT" ("https://…" with TLS), no path.
    std::string Root() const;
    int Port() const { return port_; }
    const char* Name() const { return kind_ == Kind::kRadicale ? "Radicale" : "Xandikos"; }
    std::string Log() const;
    // The test user's account at `url` (the server's root when empty), with a timeout
    // short enough for a test.
    dav::DavAccount Account(const std::string& url = {}) const;
    // Stops the server as if it went away; Restart brings it back on the same port with
    // the same data.
    void Halt();
    bool Restart();
    // Puts cards (file name, text) straight into the store of the book at `bookUrl`, as
    // if they had been written long ago: thousands at once without thousands of
    // requests. Radicale only; false elsewhere or when a file cannot be written.
    bool PlaceCards(const std::string& bookUrl, const std::vector<std::pair<std::string, std::string>>& cards) const;

private:
    bool Start(bool samePort = false);
    Kind kind_;
    Tls tls_;
    TempDir dir_;
    std::string failure_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// Test names and ctest lines name the server.
inline void PrintTo(DavServer::Kind kind, std::ostream* os)
{
    *os << (kind == DavServer::Kind::kRadicale ? "Radicale" : "Xandikos");
}

// A server of a Python script (http.server) for answers real servers rarely give; the
// script binds 127.0.0.1 port 0 and prints its port first. `script` defines
// `Handler(BaseHTTPRequestHandler)`.
class ScriptedDavServer {
public:
    explicit ScriptedDavServer(const std::string& script);
    ~ScriptedDavServer();
    ScriptedDavServer(const ScriptedDavServer&) = delete;
    ScriptedDavServer& operator=(const ScriptedDavServer&) = delete;
    const std::string& Failure() const { return failure_; }
    std::string Root() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    TempDir dir_;
    std::string failure_;
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace nrt::test
