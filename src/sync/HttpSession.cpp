#include "sync/HttpSession.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace nrt::dav {
namespace {

struct UrlHandle {
    CURLU* h = curl_url();
    ~UrlHandle() { curl_url_cleanup(h); }
    std::string Get(CURLUPart part, unsigned flags = 0) const
    {
        char* text = nullptr;
        if (curl_url_get(h, part, &text, flags) != CURLUE_OK)
            return {};
        std::string result = text;
        curl_free(text);
        return result;
    }
};

bool IsHttp(const std::string& scheme)
{
    return scheme == "http" || scheme == "https";
}

// libcurl is set up once for the whole program, before the first handle.
void GlobalInit()
{
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)done;
}

size_t CollectBody(char* data, size_t size, size_t count, void* out)
{
    static_cast<HttpReply*>(out)->body.append(data, size * count);
    return size * count;
}

std::string Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return std::string(s);
}

bool HeaderIs(std::string_view line, std::string_view name)
{
    if (line.size() <= name.size() || line[name.size()] != ':')
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != name[i])
            return false;
    return true;
}

// Headers of the last answer only: an authentication round or a redirect starts afresh.
size_t CollectHeader(char* data, size_t size, size_t count, void* out)
{
    auto* reply = static_cast<HttpReply*>(out);
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        reply->etag.clear();
        reply->hasEtag = false;
        reply->location.clear();
    } else if (HeaderIs(line, "etag")) {
        reply->etag = Trimmed(line.substr(5));
        reply->hasEtag = !reply->etag.empty();
    } else if (HeaderIs(line, "location")) {
        reply->location = Trimmed(line.substr(9));
    }
    return size * count;
}

// Watches a transfer: stops it when the user cancels, or when nothing has moved either
// way for the session's timeout (libcurl's own low-speed check averages the request's
// upload into its speed and so notices a silent server late).
struct Watch {
    const std::atomic<bool>* cancel = nullptr;
    const std::function<void()>* waiting = nullptr;
    std::chrono::seconds limit;
    curl_off_t down = -1, up = -1;
    std::chrono::steady_clock::time_point moved = std::chrono::steady_clock::now();
    bool stalled = false;
};

int CheckTransfer(void* data, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up)
{
    auto* watch = static_cast<Watch*>(data);
    if (watch->waiting && *watch->waiting)
        (*watch->waiting)();
    if (watch->cancel && watch->cancel->load())
        return 1;
    const auto now = std::chrono::steady_clock::now();
    if (down != watch->down || up != watch->up) {
        watch->down = down;
        watch->up = up;
        watch->moved = now;
    } else if (now - watch->moved >= watch->limit) {
        watch->stalled = true;
        return 1;
    }
    return 0;
}

// The CA file is added to the system's CAs the handle already trusts.
CURLcode AddCaFile(CURL*, void* sslContext, void* caFile)
{
    const auto* path = static_cast<const std::string*>(caFile);
    if (SSL_CTX_load_verify_locations(static_cast<SSL_CTX*>(sslContext), path->c_str(), nullptr) != 1)
        return CURLE_SSL_CACERT_BADFILE;
    return CURLE_OK;
}

DavResult FromCurl(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return DavResult::kOk;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return DavResult::kInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return DavResult::kUnreachable;
    case CURLE_OPERATION_TIMEDOUT:
        return DavResult::kTimeout;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return DavResult::kCertificateRefused;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
        return DavResult::kTlsFailed;
    case CURLE_ABORTED_BY_CALLBACK:
        return DavResult::kCancelled;
    default:
        return DavResult::kConnectionLost;
    }
}

bool IsRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

namespace url {

std::string FromUserInput(const std::string& text)
{
    UrlHandle u;
    if (text.empty()
        || curl_url_set(u.h, CURLUPART_URL, text.c_str(), CURLU_DEFAULT_SCHEME | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return {};
    if (!IsHttp(u.Get(CURLUPART_SCHEME)) || u.Get(CURLUPART_HOST).empty())
        return {};
    return u.Get(CURLUPART_URL);
}

std::string Resolve(const std::string& base, const std::string& reference)
{
    UrlHandle u;
    if (curl_url_set(u.h, CURLUPART_URL, base.c_str(), 0) != CURLUE_OK
        || curl_url_set(u.h, CURLUPART_URL, reference.c_str(), 0) != CURLUE_OK)
        return {};
    return u.Get(CURLUPART_URL);
}

namespace {
std::string Part(const std::string& url, CURLUPart part)
{
    UrlHandle u;
    if (curl_url_set(u.h, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return {};
    return u.Get(part);
}
} // namespace

std::string Path(const std::string& url)
{
    return Part(url, CURLUPART_PATH);
}

std::string Scheme(const std::string& url)
{
    return Part(url, CURLUPART_SCHEME);
}

std::string HostAndPort(const std::string& url)
{
    UrlHandle u;
    if (curl_url_set(u.h, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return url;
    const std::string port = u.Get(CURLUPART_PORT);
    return u.Get(CURLUPART_HOST) + (port.empty() ? "" : ":" + port);
}

bool IsLoopback(const std::string& url)
{
    const std::string host = Part(url, CURLUPART_HOST);
    return host == "127.0.0.1" || host == "[::1]";
}

std::string EscapeSegment(const std::string& text)
{
    char* escaped = curl_easy_escape(nullptr, text.data(), static_cast<int>(text.size()));
    std::string result = escaped ? escaped : "";
    curl_free(escaped);
    return result;
}

std::string Unescaped(const std::string& path)
{
    int length = 0;
    char* plain = curl_easy_unescape(nullptr, path.data(), static_cast<int>(path.size()), &length);
    std::string result = plain ? std::string(plain, static_cast<std::size_t>(length)) : path;
    curl_free(plain);
    return result;
}

} // namespace url

HttpSession::HttpSession(HttpSettings settings)
    : settings_(std::move(settings))
    , authMask_(CURLAUTH_BASIC)
{
    GlobalInit();
    curl_ = curl_easy_init();
}

HttpSession::~HttpSession()
{
    curl_easy_cleanup(static_cast<CURL*>(curl_));
}

DavResult HttpSession::Send(const HttpRequest& request, HttpReply* reply, std::string* detail)
{
    HttpRequest hop = request;
    for (int redirects = 0;; ++redirects) {
        const DavResult result = SendOnce(hop, reply, detail);
        if (result != DavResult::kOk || !IsRedirect(reply->status) || reply->location.empty())
            return result;
        if (redirects == 5) {
            *detail = "redirected too often: " + hop.url;
            return DavResult::kTooManyRedirects;
        }
        hop.url = url::Resolve(hop.url, reply->location);
        if (hop.url.empty()) {
            *detail = "redirected to an unreadable URL: " + reply->location;
            return DavResult::kBadReply;
        }
    }
}

DavResult HttpSession::SendOnce(const HttpRequest& request, HttpReply* reply, std::string* detail)
{
    *reply = {};
    detail->clear();
    if (!IsHttp(url::Scheme(request.url))) {
        *detail = "not an http(s) URL: " + request.url;
        return DavResult::kInvalidUrl;
    }
    // A password in the clear only to this machine; the check comes before any connection.
    if (!settings_.password.empty() && url::Scheme(request.url) == "http" && !url::IsLoopback(request.url)) {
        *detail = "password refused over plain http: " + request.url;
        return DavResult::kPlainHttpRefused;
    }
    CURL* h = static_cast<CURL*>(curl_);
    if (!h) {
        *detail = "libcurl could not be set up";
        return DavResult::kConnectionLost;
    }
    for (int round = 0;; ++round) {
        // reset keeps the connections, so a sync's requests share one.
        curl_easy_reset(h);
        char error[CURL_ERROR_SIZE] = {};
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
        curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(settings_.connectTimeout));
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!settings_.caFile.empty()) {
            curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, AddCaFile);
            curl_easy_setopt(h, CURLOPT_SSL_CTX_DATA, &settings_.caFile);
        }
        curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(h, CURLOPT_USERAGENT, "nortea");
        if (!settings_.user.empty() || !settings_.password.empty()) {
            curl_easy_setopt(h, CURLOPT_HTTPAUTH, authMask_);
            curl_easy_setopt(h, CURLOPT_USERNAME, settings_.user.c_str());
            curl_easy_setopt(h, CURLOPT_PASSWORD, settings_.password.c_str());
        }
        curl_slist* headers = nullptr;
        const auto add = [&headers](const std::string& line) { headers = curl_slist_append(headers, line.c_str()); };
        add("Expect:");
        if (!request.depth.empty())
            add("Depth: " + request.depth);
        if (!request.contentType.empty())
            add("Content-Type: " + request.contentType);
        for (const auto& line : request.headers)
            add(line);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
        if (!request.body.empty() || request.method == "PUT") {
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        }
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, CollectBody);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, reply);
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, CollectHeader);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, reply);
        const int limit = std::max(1, settings_.timeout) * (request.wholeBook ? kWholeBookPatience : 1);
        Watch watch { cancel_, &waiting_, std::chrono::seconds(limit) };
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, CheckTransfer);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &watch);
        *reply = {};
        const CURLcode code = curl_easy_perform(h);
        ++requests_;
        curl_slist_free_all(headers);
        reply->url = request.url;
        if (code != CURLE_OK) {
            *detail = error[0] ? error : curl_easy_strerror(code);
            if (watch.stalled) {
                *detail = "no answer for " + std::to_string(limit) + " s";
                return DavResult::kTimeout;
            }
            return FromCurl(code);
        }
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply->status);
        // Basic goes with the first request; a server that wants Digest gets it on a second round.
        long offered = 0;
        curl_easy_getinfo(h, CURLINFO_HTTPAUTH_AVAIL, &offered);
        if (reply->status == 401 && round == 0 && authMask_ == CURLAUTH_BASIC && !(offered & CURLAUTH_BASIC)
            && (offered & CURLAUTH_DIGEST)) {
            authMask_ = CURLAUTH_DIGEST;
            continue;
        }
        return DavResult::kOk;
    }
}

} // namespace nrt::dav
