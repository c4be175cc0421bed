#pragma once
// HTTP for the CardDAV client, through libcurl: one handle per session so that a sync's
// requests share their connection, certificate checks always on (the system's CAs and
// an optional CA file besides), redirects followed here so that every hop passes the
// password rule, and a count of the requests made.

#include "sync/DavOutcome.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace nrt::dav {

// The account's settings as the wire needs them: UTF-8 text, a system path.
struct HttpSettings {
    std::string user;
    std::string password;
    std::string caFile; // PEM certificates trusted besides the system's; may be empty
    int connectTimeout = 20; // seconds to connect
    int timeout = 60; // seconds a transfer may stand still before the request gives up
};

struct HttpRequest {
    std::string method; // PROPFIND, REPORT, PUT …
    std::string url; // absolute
    std::string body;
    std::string contentType; // of the body
    std::string depth; // the Depth header; empty for none
    std::vector<std::string> headers; // further "Name: value" lines (If-Match …)
    // The server reads the whole address book before its first byte (a listing of every
    // card, or of the changes, which some servers compute from every card): waited on
    // kWholeBookPatience times the session's timeout, or a book of many thousand cards
    // could never be read.
    bool wholeBook = false;
};

inline constexpr int kWholeBookPatience = 5;

struct HttpReply {
    long status = 0;
    std::string url; // the URL that answered, after redirects
    std::string body;
    std::string etag; // the ETag header as sent (quotes kept)
    bool hasEtag = false;
    std::string location;
};

// URLs through libcurl's URL parser; empty strings for what cannot be parsed.
namespace url {
// An http(s) URL from what a user typed: a bare host becomes https://host/.
std::string FromUserInput(const std::string& text);
// `reference` (absolute, a path, or relative) against `base`.
std::string Resolve(const std::string& base, const std::string& reference);
std::string Path(const std::string& url); // "/a/b/" (percent-encoding kept)
std::string Scheme(const std::string& url);
std::string HostAndPort(const std::string& url); // for messages: "host" or "host:port"
bool IsLoopback(const std::string& url); // 127.0.0.1 or ::1, written as such
// One path segment with everything but unreserved characters percent-encoded.
std::string EscapeSegment(const std::string& text);
// The path with percent-encoding undone, for comparing hrefs written differently.
std::string Unescaped(const std::string& path);
} // namespace url

class HttpSession {
public:
    explicit HttpSession(HttpSettings settings);
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    // Sends the request (and the same request again at each redirect, five at most).
    // kOk whenever an HTTP answer came, whatever its status; otherwise why none came,
    // with the transport's words in *detail.
    DavResult Send(const HttpRequest& request, HttpReply* reply, std::string* detail);

    // Once the flag is set, a request under way stops and gives kCancelled.
    void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
    // Called over and over while a request is under way (at least about once a second),
    // so that a window waiting on the request keeps answering.
    void SetWaiting(std::function<void()> waiting) { waiting_ = std::move(waiting); }
    // HTTP requests sent so far, redirects and authentication rounds included.
    int Requests() const { return requests_; }

private:
    DavResult SendOnce(const HttpRequest& request, HttpReply* reply, std::string* detail);

    HttpSettings settings_;
    void* curl_ = nullptr;
    long authMask_;
    const std::atomic<bool>* cancel_ = nullptr;
    std::function<void()> waiting_;
    int requests_ = 0;
};

} // namespace nrt::dav
