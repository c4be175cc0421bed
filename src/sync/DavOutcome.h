#pragma once
// What became of one request to a CardDAV server: a result the sync engine decides by,
// the HTTP status and the server's or the transport's own words, and a Japanese message
// that names the server and the step for the user.

#include <string>

namespace nrt::dav {

enum class DavResult {
    kOk,
    kInvalidUrl, // the server address cannot be read as an http(s) URL
    kPlainHttpRefused, // a password would go unencrypted to another machine
    kUnreachable, // name not found, connection refused
    kTimeout,
    kCertificateRefused, // the server's certificate did not pass (or the CA file is unreadable)
    kTlsFailed, // the TLS handshake failed otherwise
    kConnectionLost, // the connection broke during the exchange
    kUnauthorized, // 401: wrong user name or password
    kForbidden, // 403
    kNotFound, // 404, 410
    kChangedOnServer, // 412: the card's ETag is no longer the server's (or it exists already)
    kTokenInvalid, // the sync token is no longer valid: read everything again
    kServerError, // 5xx
    kUnexpectedStatus, // any other status the step does not expect
    kBadReply, // an answer that is not the XML the step needs
    kNoAddressBooks, // discovery found no CardDAV address book home
    kTooManyRedirects,
    kCancelled, // the user stopped the sync
};

enum class DavStep {
    kDiscovery,
    kCreateBook,
    kReadChanges,
    kReadCards,
    kWriteCard,
    kDeleteCard,
};

struct DavOutcome {
    DavResult result = DavResult::kOk;
    DavStep step = DavStep::kDiscovery;
    long status = 0; // HTTP status of the last answer, 0 when none came
    std::string server; // host (and port) the request went to, for messages
    std::string detail; // the transport's error or the status line, ASCII/UTF-8, for logs

    bool Ok() const { return result == DavResult::kOk; }
    // The user's message, CP932: what went wrong, with which server, in which step.
    std::string Message() const;
};

// The step's name as the messages give it, CP932 ("アドレス帳の検索" …).
std::string StepName(DavStep step);

} // namespace nrt::dav
