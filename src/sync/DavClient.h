#pragma once
// The CardDAV client (RFC 6352) of one account: finds the user's address books
// (RFC 6764), creates one (RFC 5689), reads what changed since a sync token (RFC 6578)
// or every card's ETag where the server lacks sync-collection, fetches cards in batches
// (addressbook-multiget), and writes and deletes cards guarded by their ETags.
//
// The sync engine's round: SyncChanges (or ListCards) → Multiget of the hrefs whose ETag
// differs from the stored one → Create/Update/Remove of local changes, each answer's
// ETag stored with the card → the new token stored once all is done. Every call returns
// a DavOutcome and throws nothing; hrefs are absolute paths as the server wrote them
// (compare them with SameHref), ETags keep their quotes, tokens are opaque. vCard text is
// UTF-8 as on the wire; the account's texts and display names are CP932.

#include "sync/DavOutcome.h"
#include "sync/DavXml.h"
#include "sync/HttpSession.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nrt::dav {

struct DavAccount {
    std::string url; // a bare host, the server's address or any URL on it
    std::string user;
    std::string password;
    std::string caFile; // CA certificates trusted besides the system's; may be empty
    int connectTimeout = 20; // seconds
    int timeout = 60; // seconds a transfer may stand still
};

struct AddressBookInfo {
    std::string url; // absolute, ends in "/"
    std::string displayName; // CP932; empty when the server gives none
    bool syncCollection = false; // the server answers sync-collection here
    std::string ctag; // getctag, changes with every change of the book; may be empty
    std::string syncToken;
};

struct CardRef {
    std::string href;
    std::string etag;
};

struct SyncChanges {
    std::string token; // what the next SyncChanges starts from
    std::vector<CardRef> changed; // new or changed since the token given
    std::vector<std::string> removed;
};

struct Card {
    std::string href;
    std::string etag;
    std::string vcard; // UTF-8; its lines end in LF, as XML hands text over
};

struct WriteResult {
    std::string href;
    std::string etag; // the new ETag when the server gave one
    bool etagGiven = false; // false: read the card back to learn its ETag and content
};

class DavClient {
public:
    static constexpr std::size_t kMultigetBatch = 100;

    explicit DavClient(const DavAccount& account);
    ~DavClient();
    DavClient(const DavClient&) = delete;
    DavClient& operator=(const DavClient&) = delete;

    // The address books of the account's user. An empty list with kOk: the server has
    // an address-book home but no book yet (CreateBook makes one).
    DavOutcome Discover(std::vector<AddressBookInfo>* books);
    // A new book in the home Discover found, named `displayName` (CP932).
    DavOutcome CreateBook(const std::string& displayName, AddressBookInfo* made);
    // The properties of one book (its ctag and token tell whether anything changed).
    DavOutcome ReadBook(const std::string& bookUrl, AddressBookInfo* info);

    // What changed since `token` (empty: every card). kTokenInvalid when the server no
    // longer knows the token (a valid-sync-token error, or a 500 to a stored token): the
    // caller then reads everything (token "" or ListCards).
    // A truncated answer (507) is continued here until the server has said all.
    DavOutcome SyncChanges(const std::string& bookUrl, const std::string& token, SyncChanges* out);
    // Every card of the book with its ETag, for servers without sync-collection.
    DavOutcome ListCards(const std::string& bookUrl, std::vector<CardRef>* cards);
    // The cards of `hrefs`, kMultigetBatch a request; hrefs the server no longer has go
    // to *missing. `batchDone` (may be null) is told how many are done after each batch.
    DavOutcome Multiget(const std::string& bookUrl, const std::vector<std::string>& hrefs, std::vector<Card>* cards,
        std::vector<std::string>* missing, const std::function<void(std::size_t)>& batchDone = {});

    // A new card `fileName` (UTF-8, e.g. "<UID>.vcf") in the book; kChangedOnServer when one of
    // that name exists already.
    DavOutcome Create(
        const std::string& bookUrl, const std::string& fileName, const std::string& vcard, WriteResult* result);
    // Replaces the card when the server's ETag is still `etag`; else kChangedOnServer.
    DavOutcome Update(const std::string& href, const std::string& etag, const std::string& vcard, WriteResult* result);
    // Deletes the card when the server's ETag is still `etag`; kNotFound when it is gone.
    DavOutcome Remove(const std::string& href, const std::string& etag);

    // Once set, the request under way stops with kCancelled.
    void SetCancelFlag(const std::atomic<bool>* cancel);
    // Called again and again while a request is under way (HttpSession::SetWaiting).
    void SetWaiting(std::function<void()> waiting);
    int Requests() const;
    // The server as messages name it.
    const std::string& Server() const { return server_; }

    static bool SameHref(const std::string& a, const std::string& b);

private:
    DavOutcome Run(DavStep step, HttpRequest request, HttpReply* reply);
    DavOutcome Fail(DavStep step, DavResult result, long status, std::string detail) const;
    // A PROPFIND or REPORT whose answer must be a multistatus; *reply keeps the answer.
    DavOutcome Query(DavStep step, const std::string& method, const std::string& target, const xml::Element& body,
        const char* depth, HttpReply* reply, xml::MultiStatus* out, bool wholeBook = false);
    DavOutcome Write(
        const std::string& url, const std::string& precondition, const std::string& vcard, WriteResult* result);
    AddressBookInfo BookFrom(const std::string& base, const xml::Response& r) const;

    std::string start_; // the account's URL as an http(s) URL; empty when unreadable
    std::string server_;
    std::string home_; // the address-book home Discover found
    std::unique_ptr<HttpSession> http_;
};

} // namespace nrt::dav
