#include "sync/DavClient.h"

#include "platform/fs.h"
#include "platform/sjis.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace nrt::dav {
namespace {

constexpr const char* kXmlType = "application/xml; charset=utf-8";
constexpr const char* kVCardType = "text/vcard; charset=utf-8";
const std::string kPrincipal = "{DAV:}current-user-principal";
const std::string kResourceType = "{DAV:}resourcetype";
const std::string kDisplayName = "{DAV:}displayname";
const std::string kEtag = "{DAV:}getetag";
const std::string kSyncToken = "{DAV:}sync-token";
const std::string kForms = "{DAV:}supported-report-set";
const std::string kCtag = "{http://calendarserver.org/ns/}getctag";
const std::string kHomeSet = "{urn:ietf:params:xml:ns:carddav}addressbook-home-set";
const std::string kAddressBook = "{urn:ietf:params:xml:ns:carddav}addressbook";
const std::string kAddressData = "{urn:ietf:params:xml:ns:carddav}address-data";
const std::string kCollection = "{DAV:}collection";
const std::vector<std::string> kBookProps = { kResourceType, kDisplayName, kCtag, kSyncToken, kForms };

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

const xml::Property* Prop(const xml::Response& r, const std::string& name)
{
    const auto it = r.props.find(name);
    return it == r.props.end() ? nullptr : &it->second;
}

bool IsAddressBook(const xml::Response& r)
{
    const auto* type = Prop(r, kResourceType);
    return type && Has(type->children, kAddressBook);
}

bool IsCollection(const xml::Response& r)
{
    const auto* type = Prop(r, kResourceType);
    return type && Has(type->children, kCollection);
}

// A book with a sync token, or whose supported-report-set names sync-collection.
bool SupportsSyncCollection(const xml::Response& r)
{
    const auto* reports = Prop(r, kForms);
    return Prop(r, kSyncToken) || (reports && Has(reports->children, "{DAV:}sync-collection"));
}

std::string WithSlash(std::string url)
{
    if (!url.empty() && url.back() != '/')
        url += '/';
    return url;
}

// A fresh collection name: 16 random hex digits.
std::string RandomSegment()
{
    std::random_device device;
    std::string s;
    for (int i = 0; i < 16; ++i)
        s += "0123456789abcdef"[device() % 16];
    return s;
}

DavResult FromStatus(long status)
{
    if (status == 401)
        return DavResult::kUnauthorized;
    if (status == 403)
        return DavResult::kForbidden;
    if (status == 404 || status == 410)
        return DavResult::kNotFound;
    if (status == 412)
        return DavResult::kChangedOnServer;
    if (status >= 500)
        return DavResult::kServerError;
    return DavResult::kUnexpectedStatus;
}

} // namespace

DavClient::DavClient(const DavAccount& account)
    : start_(url::FromUserInput(platform::SjisToUtf8(account.url)))
    , server_(start_.empty() ? platform::SjisToUtf8(account.url) : url::HostAndPort(start_))
{
    HttpSettings settings;
    settings.user = platform::SjisToUtf8(account.user);
    settings.password = platform::SjisToUtf8(account.password);
    settings.caFile = account.caFile.empty() ? std::string() : platform::fs::ToSystemPath(account.caFile);
    settings.connectTimeout = account.connectTimeout;
    settings.timeout = account.timeout;
    http_ = std::make_unique<HttpSession>(std::move(settings));
}

DavClient::~DavClient() = default;

void DavClient::SetCancelFlag(const std::atomic<bool>* cancel)
{
    http_->SetCancelFlag(cancel);
}

void DavClient::SetWaiting(std::function<void()> waiting)
{
    http_->SetWaiting(std::move(waiting));
}

int DavClient::Requests() const
{
    return http_->Requests();
}

bool DavClient::SameHref(const std::string& a, const std::string& b)
{
    return a == b
        || url::Unescaped(url::Path(url::Resolve("http://h/", a)))
        == url::Unescaped(url::Path(url::Resolve("http://h/", b)));
}

DavOutcome DavClient::Fail(DavStep step, DavResult result, long status, std::string detail) const
{
    DavOutcome outcome;
    outcome.result = result;
    outcome.step = step;
    outcome.status = status;
    outcome.server = server_;
    outcome.detail = std::move(detail);
    return outcome;
}

DavOutcome DavClient::Run(DavStep step, HttpRequest request, HttpReply* reply)
{
    if (start_.empty())
        return Fail(step, DavResult::kInvalidUrl, 0, "unreadable server address");
    std::string detail;
    const DavResult result = http_->Send(request, reply, &detail);
    if (result != DavResult::kOk)
        return Fail(step, result, reply->status, detail);
    return Fail(step, DavResult::kOk, reply->status, {});
}

DavOutcome DavClient::Query(DavStep step, const std::string& method, const std::string& target,
    const xml::Element& body, const char* depth, HttpReply* reply, xml::MultiStatus* out, bool wholeBook)
{
    *out = {};
    const DavOutcome outcome
        = Run(step, { method, target, xml::Serialize(body), kXmlType, depth, {}, wholeBook }, reply);
    if (!outcome.Ok())
        return outcome;
    if (reply->status != 207)
        return Fail(step, FromStatus(reply->status), reply->status,
            "HTTP " + std::to_string(reply->status) + " to " + method + " " + reply->url);
    if (!xml::ParseMultiStatus(reply->body, out))
        return Fail(step, DavResult::kBadReply, reply->status, "no multistatus document from " + reply->url);
    return outcome;
}

AddressBookInfo DavClient::BookFrom(const std::string& base, const xml::Response& r) const
{
    AddressBookInfo book;
    book.url = WithSlash(url::Resolve(base, r.hrefs.empty() ? std::string() : r.hrefs.front()));
    if (const auto* name = Prop(r, kDisplayName))
        book.displayName = platform::Utf8ToSjis(name->text);
    if (const auto* ctag = Prop(r, kCtag))
        book.ctag = ctag->text;
    if (const auto* token = Prop(r, kSyncToken))
        book.syncToken = token->text;
    book.syncCollection = !book.syncToken.empty() || SupportsSyncCollection(r);
    return book;
}

DavOutcome DavClient::Discover(std::vector<AddressBookInfo>* books)
{
    books->clear();
    const DavStep step = DavStep::kDiscovery;
    if (start_.empty())
        return Fail(step, DavResult::kInvalidUrl, 0, "unreadable server address");
    // A bare host is asked through its well-known address first; a URL with a path
    // (the book, the principal, the server's DAV root) is asked itself first.
    const std::string wellKnown = url::Resolve(start_, "/.well-known/carddav");
    std::vector<std::string> candidates = { wellKnown, start_ };
    if (url::Path(start_) != "/")
        std::swap(candidates[0], candidates[1]);

    std::string principal;
    std::string context;
    xml::Response contextResponse;
    DavOutcome last;
    for (const auto& candidate : candidates) {
        HttpReply reply;
        xml::MultiStatus ms;
        last = Query(
            step, "PROPFIND", candidate, xml::Propfind({ kPrincipal, kResourceType, kHomeSet }), "0", &reply, &ms);
        // Only a status says the next candidate may do better; nothing else will.
        if (!last.Ok() && (reply.status == 0 || last.result == DavResult::kUnauthorized))
            return last;
        if (!last.Ok() || ms.responses.empty())
            continue;
        context = reply.url;
        contextResponse = ms.responses.front();
        const auto* p = Prop(contextResponse, kPrincipal);
        principal = p && !p->hrefs.empty() ? url::Resolve(context, p->hrefs.front()) : context;
        break;
    }
    if (context.empty())
        return last.result == DavResult::kUnexpectedStatus || last.result == DavResult::kNotFound
                || last.result == DavResult::kBadReply
            ? Fail(step, DavResult::kNoAddressBooks, last.status, last.detail)
            : last;

    // The home set is a property of the principal.
    std::string home;
    if (const auto* h = Prop(contextResponse, kHomeSet); h && !h->hrefs.empty())
        home = url::Resolve(context, h->hrefs.front());
    if (home.empty() && principal != context) {
        HttpReply reply;
        xml::MultiStatus ms;
        if (auto outcome = Query(step, "PROPFIND", principal, xml::Propfind({ kHomeSet }), "0", &reply, &ms);
            !outcome.Ok())
            return outcome;
        for (const auto& r : ms.responses)
            if (const auto* h = Prop(r, kHomeSet); h && !h->hrefs.empty())
                home = url::Resolve(reply.url, h->hrefs.front());
    }
    const bool contextIsBook = IsAddressBook(contextResponse);
    if (home.empty() && !contextIsBook)
        return Fail(step, DavResult::kNoAddressBooks, 0, "no addressbook-home-set at " + principal);
    if (!home.empty())
        home_ = WithSlash(home);

    std::set<std::string> seen;
    if (!home_.empty()) {
        HttpReply reply;
        xml::MultiStatus ms;
        if (auto outcome = Query(step, "PROPFIND", home_, xml::Propfind(kBookProps), "1", &reply, &ms); !outcome.Ok())
            return outcome;
        for (const auto& r : ms.responses)
            if (IsAddressBook(r) && !r.hrefs.empty()) {
                books->push_back(BookFrom(reply.url, r));
                seen.insert(url::Unescaped(url::Path(books->back().url)));
            }
    }
    // The URL given was a book itself (outside the home, or a server without a home set).
    if (contextIsBook && !seen.count(url::Unescaped(url::Path(WithSlash(context))))) {
        AddressBookInfo book;
        if (ReadBook(context, &book).Ok())
            books->push_back(book);
    }
    return Fail(step, DavResult::kOk, 207, {});
}

DavOutcome DavClient::ReadBook(const std::string& bookUrl, AddressBookInfo* info)
{
    const DavStep step = DavStep::kReadChanges;
    HttpReply reply;
    xml::MultiStatus ms;
    const auto outcome
        = Query(step, "PROPFIND", url::Resolve(start_, bookUrl), xml::Propfind(kBookProps), "0", &reply, &ms);
    if (!outcome.Ok())
        return outcome;
    if (ms.responses.empty() || !IsAddressBook(ms.responses.front()))
        return Fail(step, DavResult::kNotFound, reply.status, "not an address book: " + reply.url);
    *info = BookFrom(reply.url, ms.responses.front());
    return outcome;
}

DavOutcome DavClient::CreateBook(const std::string& displayName, AddressBookInfo* made)
{
    const DavStep step = DavStep::kCreateBook;
    if (home_.empty()) {
        std::vector<AddressBookInfo> books;
        if (auto outcome = Discover(&books); !outcome.Ok())
            return Fail(step, outcome.result, outcome.status, outcome.detail);
        if (home_.empty())
            return Fail(step, DavResult::kNoAddressBooks, 0, "no address-book home to create a book in");
    }
    const std::string bookUrl = home_ + RandomSegment() + "/";
    const xml::Element body { "{DAV:}mkcol", {},
        { { "{DAV:}set", {},
            { { "{DAV:}prop", {},
                { { kResourceType, {}, { { kCollection, {}, {} }, { kAddressBook, {}, {} } } },
                    { kDisplayName, platform::SjisToUtf8(displayName), {} } } } } } } };
    HttpReply reply;
    auto outcome = Run(step, { "MKCOL", bookUrl, xml::Serialize(body), kXmlType, {}, {} }, &reply);
    if (!outcome.Ok())
        return outcome;
    if (reply.status != 201)
        return Fail(step, FromStatus(reply.status), reply.status,
            "HTTP " + std::to_string(reply.status) + " to MKCOL " + bookUrl);
    if (auto read = ReadBook(bookUrl, made); !read.Ok())
        return Fail(step, read.result, read.status, read.detail);
    return outcome;
}

DavOutcome DavClient::SyncChanges(const std::string& bookUrl, const std::string& token, dav::SyncChanges* out)
{
    *out = {};
    const DavStep step = DavStep::kReadChanges;
    const std::string book = url::Resolve(start_, bookUrl);
    const std::string bookPath = url::Unescaped(url::Path(WithSlash(book)));
    // Later pages of a truncated answer override earlier ones for the same card.
    std::map<std::string, std::size_t> index;
    std::vector<std::pair<CardRef, bool>> changes; // card, removed
    std::string current = token;
    for (int page = 0;; ++page) {
        const xml::Element body { "{DAV:}sync-collection", {},
            { { "{DAV:}sync-token", current, {} }, { "{DAV:}sync-level", "1", {} },
                { "{DAV:}prop", {}, { { kEtag, {}, {} } } } } };
        HttpReply reply;
        xml::MultiStatus ms;
        const auto outcome = Query(step, "REPORT", book, body, "0", &reply, &ms, true);
        if ((reply.status == 403 || reply.status == 409) && xml::HasPrecondition(reply.body, "{DAV:}valid-sync-token"))
            return Fail(step, DavResult::kTokenInvalid, reply.status, "sync token refused by " + reply.url);
        // Some servers (Xandikos) fail with 500 on a token they cannot find; reading
        // everything again is safe either way, and a server truly broken fails it too.
        if (reply.status == 500 && !current.empty() && page == 0)
            return Fail(
                step, DavResult::kTokenInvalid, reply.status, "HTTP 500 to a stored sync token from " + reply.url);
        if (!outcome.Ok())
            return outcome;
        bool truncated = false;
        for (const auto& r : ms.responses) {
            for (const auto& href : r.hrefs) {
                const std::string path = url::Path(url::Resolve(reply.url, href));
                if (url::Unescaped(WithSlash(path)) == bookPath) {
                    truncated = truncated || r.status == 507;
                    continue;
                }
                const auto* etag = Prop(r, kEtag);
                const bool removed = r.status == 404 || r.status == 410;
                if (!removed && (!etag || IsCollection(r)))
                    continue;
                CardRef card { path, removed ? std::string() : etag->text };
                const auto key = url::Unescaped(path);
                if (auto it = index.find(key); it != index.end()) {
                    changes[it->second] = { card, removed };
                } else {
                    index[key] = changes.size();
                    changes.push_back({ card, removed });
                }
            }
        }
        if (ms.syncToken.empty())
            return Fail(
                step, DavResult::kBadReply, reply.status, "sync-collection answer without a token from " + reply.url);
        const bool stuck = ms.syncToken == current;
        current = ms.syncToken;
        if (!truncated)
            break;
        if (stuck || page == 10000)
            return Fail(
                step, DavResult::kBadReply, reply.status, "truncated answers that do not advance from " + reply.url);
    }
    out->token = current;
    for (auto& [card, removed] : changes) {
        if (removed)
            out->removed.push_back(card.href);
        else
            out->changed.push_back(std::move(card));
    }
    return Fail(step, DavResult::kOk, 207, {});
}

DavOutcome DavClient::ListCards(const std::string& bookUrl, std::vector<CardRef>* cards)
{
    cards->clear();
    const DavStep step = DavStep::kReadChanges;
    const std::string book = url::Resolve(start_, bookUrl);
    HttpReply reply;
    xml::MultiStatus ms;
    const auto outcome = Query(step, "PROPFIND", book, xml::Propfind({ kResourceType, kEtag }), "1", &reply, &ms, true);
    if (!outcome.Ok())
        return outcome;
    for (const auto& r : ms.responses) {
        const auto* etag = Prop(r, kEtag);
        if (r.hrefs.empty() || IsCollection(r) || !etag)
            continue;
        cards->push_back({ url::Path(url::Resolve(reply.url, r.hrefs.front())), etag->text });
    }
    return outcome;
}

DavOutcome DavClient::Multiget(const std::string& bookUrl, const std::vector<std::string>& hrefs,
    std::vector<Card>* cards, std::vector<std::string>* missing, const std::function<void(std::size_t)>& batchDone)
{
    cards->clear();
    missing->clear();
    const DavStep step = DavStep::kReadCards;
    const std::string book = url::Resolve(start_, bookUrl);
    for (std::size_t begin = 0; begin < hrefs.size(); begin += kMultigetBatch) {
        const std::size_t end = std::min(hrefs.size(), begin + kMultigetBatch);
        xml::Element body { "{urn:ietf:params:xml:ns:carddav}addressbook-multiget", {},
            { { "{DAV:}prop", {}, { { kEtag, {}, {} }, { kAddressData, {}, {} } } } } };
        // Asked by decoded path, answered under the href as the caller wrote it.
        std::map<std::string, std::string> asked;
        for (std::size_t i = begin; i < end; ++i) {
            const std::string path = url::Path(url::Resolve(book, hrefs[i]));
            body.children.push_back({ "{DAV:}href", path, {} });
            asked[url::Unescaped(path)] = hrefs[i];
        }
        HttpReply reply;
        xml::MultiStatus ms;
        if (auto outcome = Query(step, "REPORT", book, body, "1", &reply, &ms); !outcome.Ok())
            return outcome;
        for (const auto& r : ms.responses) {
            const auto* etag = Prop(r, kEtag);
            const auto* data = Prop(r, kAddressData);
            for (const auto& href : r.hrefs) {
                const auto it = asked.find(url::Unescaped(url::Path(url::Resolve(reply.url, href))));
                if (it == asked.end())
                    continue;
                if (data && etag && (r.status == 0 || (r.status >= 200 && r.status < 300)))
                    cards->push_back({ it->second, etag->text, data->text + "\n" });
                else
                    missing->push_back(it->second);
                asked.erase(it);
            }
        }
        // A card the answer does not mention is one the server no longer has.
        for (const auto& [path, href] : asked)
            missing->push_back(href);
        if (batchDone)
            batchDone(end);
    }
    return Fail(step, DavResult::kOk, 207, {});
}

DavOutcome DavClient::Write(
    const std::string& target, const std::string& precondition, const std::string& vcard, WriteResult* result)
{
    *result = {};
    const DavStep step = DavStep::kWriteCard;
    HttpReply reply;
    auto outcome = Run(step, { "PUT", target, vcard, kVCardType, {}, { precondition } }, &reply);
    if (!outcome.Ok())
        return outcome;
    if (reply.status != 200 && reply.status != 201 && reply.status != 204)
        return Fail(
            step, FromStatus(reply.status), reply.status, "HTTP " + std::to_string(reply.status) + " to PUT " + target);
    result->href = url::Path(reply.location.empty() ? target : url::Resolve(target, reply.location));
    result->etag = reply.etag;
    result->etagGiven = reply.hasEtag;
    return outcome;
}

DavOutcome DavClient::Create(
    const std::string& bookUrl, const std::string& fileName, const std::string& vcard, WriteResult* result)
{
    const std::string target = WithSlash(url::Resolve(start_, bookUrl)) + url::EscapeSegment(fileName);
    return Write(target, "If-None-Match: *", vcard, result);
}

DavOutcome DavClient::Update(
    const std::string& href, const std::string& etag, const std::string& vcard, WriteResult* result)
{
    return Write(url::Resolve(start_, href), "If-Match: " + etag, vcard, result);
}

DavOutcome DavClient::Remove(const std::string& href, const std::string& etag)
{
    const DavStep step = DavStep::kDeleteCard;
    HttpReply reply;
    const std::string target = url::Resolve(start_, href);
    auto outcome = Run(step, { "DELETE", target, {}, {}, {}, { "If-Match: " + etag } }, &reply);
    if (!outcome.Ok())
        return outcome;
    if (reply.status != 200 && reply.status != 204)
        return Fail(step, FromStatus(reply.status), reply.status,
            "HTTP " + std::to_string(reply.status) + " to DELETE " + target);
    return outcome;
}

} // namespace nrt::dav
