// The CardDAV client against real servers started on 127.0.0.1 (Radicale and Xandikos),
// and against a scripted server for the answers real servers rarely give.

#include "../mail/MailTestSupport.h"
#include "DavServers.h"

#include "sync/DavClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>

namespace nrt::dav {
namespace {

using test::DavServer;
using test::S;
using test::U;

std::string VCard(const std::string& uid, const std::string& name)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name + ";;;;\r\nEND:VCARD\r\n";
}

std::string Name(const std::string& href)
{
    return href.substr(href.rfind('/') + 1);
}

class DavServers : public ::testing::TestWithParam<DavServer::Kind> { };

// One book's life on each server: found from the server's bare address, created, cards
// written and read back, stale ETags refused, changes read by token.
TEST_P(DavServers, FindsBooksAndKeepsCardsInStepWithTheirEtags)
{
    DavServer server(GetParam());
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    DavClient client(server.Account());

    std::vector<AddressBookInfo> books;
    DavOutcome found = client.Discover(&books);
    ASSERT_TRUE(found.Ok()) << found.detail << server.Log();
    const std::size_t before = books.size();
    AddressBookInfo book;
    const DavOutcome made = client.CreateBook(S("家族の住所録"), &book);
    ASSERT_TRUE(made.Ok()) << made.detail << server.Log();
    EXPECT_EQ(U(book.displayName), "家族の住所録");
    EXPECT_TRUE(book.syncCollection);
    ASSERT_TRUE(client.Discover(&books).Ok());
    ASSERT_EQ(books.size(), before + 1);
    const auto listed = std::find_if(books.begin(), books.end(), [&](const auto& b) { return b.url == book.url; });
    ASSERT_NE(listed, books.end()) << book.url;
    EXPECT_EQ(U(listed->displayName), "家族の住所録");
    // The book's own URL, as a user may copy it from the server's pages, finds it too.
    std::vector<AddressBookInfo> fromBook;
    ASSERT_TRUE(DavClient(server.Account(book.url)).Discover(&fromBook).Ok());
    EXPECT_EQ(std::count_if(fromBook.begin(), fromBook.end(), [&](const auto& b) { return b.url == book.url; }), 1);

    SyncChanges first;
    ASSERT_TRUE(client.SyncChanges(book.url, "", &first).Ok());
    EXPECT_TRUE(first.changed.empty());
    EXPECT_FALSE(first.token.empty());

    std::map<std::string, WriteResult> written;
    for (const std::string uid : { "a-1", "b-2", "c 3" }) {
        WriteResult w;
        const DavOutcome put = client.Create(book.url, uid + ".vcf", VCard(uid, "山田 " + uid), &w);
        ASSERT_TRUE(put.Ok()) << put.detail;
        EXPECT_EQ(put.status, 201);
        EXPECT_EQ(U(Name(w.href)), uid == "c 3" ? "c%203.vcf" : uid + ".vcf");
        written[uid] = w;
    }
    WriteResult again;
    EXPECT_EQ(client.Create(book.url, "a-1.vcf", VCard("a-1", "other"), &again).result, DavResult::kChangedOnServer);

    // The changes since the first token are the three cards, with the ETags the writes gave.
    SyncChanges second;
    ASSERT_TRUE(client.SyncChanges(book.url, first.token, &second).Ok());
    ASSERT_EQ(second.changed.size(), 3u);
    EXPECT_TRUE(second.removed.empty());
    for (const auto& card : second.changed) {
        const auto it = std::find_if(written.begin(), written.end(),
            [&](const auto& w) { return DavClient::SameHref(w.second.href, card.href); });
        ASSERT_NE(it, written.end()) << card.href;
        if (it->second.etagGiven) {
            EXPECT_EQ(card.etag, it->second.etag) << card.href;
        }
    }

    // Update and delete only with the server's current ETag.
    std::vector<CardRef> listing;
    ASSERT_TRUE(client.ListCards(book.url, &listing).Ok());
    ASSERT_EQ(listing.size(), 3u);
    std::map<std::string, std::string> etags;
    for (const auto& c : listing)
        etags[url::Unescaped(Name(c.href))] = c.etag;
    const std::string b = written["b-2"].href, c = written["c 3"].href;
    WriteResult updated;
    EXPECT_EQ(client.Update(b, "\"stale\"", VCard("b-2", "x"), &updated).result, DavResult::kChangedOnServer);
    const DavOutcome update = client.Update(b, etags["b-2.vcf"], VCard("b-2", "佐藤 花子"), &updated);
    ASSERT_TRUE(update.Ok()) << update.detail;
    if (updated.etagGiven) {
        EXPECT_NE(updated.etag, etags["b-2.vcf"]);
    }
    EXPECT_EQ(client.Update(b, etags["b-2.vcf"], VCard("b-2", "late"), &updated).result, DavResult::kChangedOnServer);
    EXPECT_EQ(client.Remove(c, "\"stale\"").result, DavResult::kChangedOnServer);
    ASSERT_TRUE(client.Remove(c, etags["c 3.vcf"]).Ok());
    EXPECT_EQ(client.Remove(c, etags["c 3.vcf"]).result, DavResult::kNotFound);

    // Another computer sees the update and the delete since its token, nothing else.
    DavClient other(server.Account());
    SyncChanges third;
    ASSERT_TRUE(other.SyncChanges(book.url, second.token, &third).Ok());
    ASSERT_EQ(third.changed.size(), 1u);
    EXPECT_TRUE(DavClient::SameHref(third.changed[0].href, b));
    ASSERT_EQ(third.removed.size(), 1u);
    EXPECT_TRUE(DavClient::SameHref(third.removed[0], c));
    std::vector<Card> cards;
    std::vector<std::string> missing;
    ASSERT_TRUE(other.Multiget(book.url, { third.changed[0].href }, &cards, &missing).Ok());
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_NE(cards[0].vcard.find("佐藤 花子"), std::string::npos) << cards[0].vcard;
    EXPECT_EQ(cards[0].etag, third.changed[0].etag);
    SyncChanges quiet;
    ASSERT_TRUE(other.SyncChanges(book.url, third.token, &quiet).Ok());
    EXPECT_TRUE(quiet.changed.empty() && quiet.removed.empty());

    // A token the server never gave: the caller reads everything again.
    const std::string unknown = GetParam() == DavServer::Kind::kRadicale
        ? "http://radicale.org/ns/sync/0000000000000000000000000000000000000000000000000000000000000000"
        : "1111111111111111111111111111111111111111";
    SyncChanges refused;
    const DavOutcome invalid = other.SyncChanges(book.url, unknown, &refused);
    EXPECT_EQ(invalid.result, DavResult::kTokenInvalid) << invalid.status << invalid.detail;
}

// Cards fetched in batches of 100: the cards come with their text wherever they stand,
// the hrefs the server does not have are named missing.
TEST_P(DavServers, MultigetReadsInBatchesAndNamesTheMissing)
{
    DavServer server(GetParam());
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    DavClient client(server.Account());
    AddressBookInfo book;
    ASSERT_TRUE(client.CreateBook(S("会社"), &book).Ok()) << server.Log();
    std::vector<std::string> hrefs;
    for (int i = 0; i < 205; ++i)
        hrefs.push_back(url::Path(book.url) + "absent-" + std::to_string(i) + ".vcf");
    std::map<std::string, std::string> names;
    for (const int at : { 0, 99, 100, 150, 204 }) {
        const std::string uid = "card-" + std::to_string(at);
        WriteResult w;
        ASSERT_TRUE(client.Create(book.url, uid + ".vcf", VCard(uid, "鈴木 " + std::to_string(at)), &w).Ok());
        hrefs[static_cast<std::size_t>(at)] = w.href;
        names[w.href] = "鈴木 " + std::to_string(at);
    }
    std::vector<Card> cards;
    std::vector<std::string> missing;
    std::vector<std::size_t> progress;
    const int requests = client.Requests();
    const DavOutcome got
        = client.Multiget(book.url, hrefs, &cards, &missing, [&](std::size_t done) { progress.push_back(done); });
    ASSERT_TRUE(got.Ok()) << got.detail;
    EXPECT_EQ(client.Requests() - requests, 3);
    EXPECT_EQ(progress, (std::vector<std::size_t> { 100, 200, 205 }));
    ASSERT_EQ(cards.size(), 5u);
    for (const auto& card : cards) {
        ASSERT_TRUE(names.count(card.href)) << card.href;
        EXPECT_NE(card.vcard.find("FN:" + names[card.href]), std::string::npos) << card.vcard;
        EXPECT_FALSE(card.etag.empty());
    }
    EXPECT_EQ(missing.size(), 200u);
    EXPECT_EQ(std::count(missing.begin(), missing.end(), hrefs[1]), 1);
}

INSTANTIATE_TEST_SUITE_P(Servers, DavServers, ::testing::Values(DavServer::Kind::kRadicale, DavServer::Kind::kXandikos),
    [](const auto& c) { return c.param == DavServer::Kind::kRadicale ? "Radicale" : "Xandikos"; });

// What the account may not do or cannot reach, each with its result and its message;
// a password bound for another machine over plain http is refused before any connection.
TEST(DavAccountChecks, RefusesOrReportsWithoutChangingAnything)
{
    DavServer radicale(DavServer::Kind::kRadicale);
    if (!radicale.Failure().empty())
        GTEST_SKIP() << radicale.Failure();
    const std::string unused = "http://127.0.0.1:" + std::to_string(test::UnusedPort());
    struct Case {
        std::string url, password;
        DavResult result;
        int requests;
        std::string message;
    } cases[] = {
        { "http://192.0.2.7/dav/", "pw", DavResult::kPlainHttpRefused, 0,
            "サーバー「192.0.2.7」へはパスワードが暗号化されずに送られるため接続しません。https:// "
            "のURLを指定してください。" },
        { "http://localhost:5232/", "pw", DavResult::kPlainHttpRefused, 0, {} },
        { "ftp://127.0.0.1/", "pw", DavResult::kInvalidUrl, 0, {} },
        { unused, "pw", DavResult::kUnreachable, 1, {} },
        { radicale.Root(), "wrong", DavResult::kUnauthorized, 2,
            "サーバー「127.0.0.1:" + std::to_string(radicale.Port())
                + "」にログインできません。ユーザー名とパスワードを確かめてください（アドレス帳の検索）。" },
    };
    for (const auto& c : cases) {
        DavAccount account;
        account.url = c.url;
        account.user = DavServer::kUser;
        account.password = c.password;
        DavClient client(account);
        std::vector<AddressBookInfo> books;
        const DavOutcome outcome = client.Discover(&books);
        EXPECT_EQ(outcome.result, c.result) << c.url << " " << outcome.detail;
        EXPECT_EQ(client.Requests(), c.requests) << c.url;
        EXPECT_TRUE(books.empty());
        if (!c.message.empty()) {
            EXPECT_EQ(U(outcome.Message()), c.message) << c.url;
        }
    }
}

// A server whose certificate the system does not know is refused, and accepted once the
// account names the CA file that signed it; the bare host goes to https and is found
// through its well-known address.
TEST(DavTls, CertificateCheckedAgainstSystemAndCaFile)
{
    const auto& certs = test::SharedCertificates();
    ASSERT_TRUE(certs.ok);
    DavServer radicale(DavServer::Kind::kRadicale, { certs.serverCert, certs.serverKey });
    if (!radicale.Failure().empty())
        GTEST_SKIP() << radicale.Failure();
    DavAccount account;
    account.url = "127.0.0.1:" + std::to_string(radicale.Port());
    account.user = DavServer::kUser;
    account.password = DavServer::kPassword;
    std::vector<AddressBookInfo> books;
    {
        DavClient client(account);
        const DavOutcome refused = client.Discover(&books);
        EXPECT_EQ(refused.result, DavResult::kCertificateRefused) << refused.detail;
        EXPECT_NE(U(refused.Message()).find("証明書を確認できません"), std::string::npos);
    }
    account.caFile = certs.caCert;
    DavClient client(account);
    const DavOutcome found = client.Discover(&books);
    ASSERT_TRUE(found.Ok()) << found.detail << radicale.Log();
    AddressBookInfo book;
    ASSERT_TRUE(client.CreateBook(S("安全"), &book).Ok());
    EXPECT_EQ(book.url.rfind("https://127.0.0.1:", 0), 0u) << book.url;
}

// Answers real servers seldom give: a sync-collection answer cut short (507) is read on
// with the new token, later pages overriding earlier ones; a write answered without an
// ETag says so; a busy server (503) is a server error naming the status.
TEST(DavScripted, TruncatedChangesContinueAndWritesWithoutEtagSaySo)
{
    test::ScriptedDavServer server(R"(
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    def log_message(self, *args):
        pass
    def answer(self, status, body=b'', headers=()):
        self.send_response(status)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def do_REPORT(self):
        body = self.rfile.read(int(self.headers['Content-Length'])).decode()
        if self.path == '/slow/':
            import time
            time.sleep(1.5)
            return self.answer(207, b'<d:multistatus xmlns:d="DAV:"><d:sync-token>s</d:sync-token></d:multistatus>')
        def card(name, etag):
            return '<d:response><d:href>/book/%s</d:href><d:propstat><d:prop><d:getetag>%s</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>' % (name, etag)
        gone = '<d:response><d:href>/book/a.vcf</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>'
        cut = '<d:response><d:href>/book/</d:href><d:status>HTTP/1.1 507 Insufficient Storage</d:status></d:response>'
        if '<d:sync-token/>' in body:
            parts = card('a.vcf', '"1"') + card('c%20d.vcf', '"3"') + cut, 't1'
        elif '<d:sync-token>t1</d:sync-token>' in body:
            parts = gone + card('b.vcf', '"2"') + card('c d.vcf', '"4"') + cut, 't2'
        elif '<d:sync-token>t2</d:sync-token>' in body:
            parts = '', 't3'
        else:
            return self.answer(403, b'<d:error xmlns:d="DAV:"><d:valid-sync-token/></d:error>')
        xml = '<?xml version="1.0"?><d:multistatus xmlns:d="DAV:">%s<d:sync-token>%s</d:sync-token></d:multistatus>' % parts
        self.answer(207, xml.encode(), [('Content-Type', 'application/xml')])
    def do_PUT(self):
        self.rfile.read(int(self.headers['Content-Length']))
        self.answer(201 if self.headers.get('If-None-Match') == '*' else 412)
    def do_DELETE(self):
        self.answer(503, b'busy')
    def do_PROPFIND(self):
        if self.path == '/slow/':
            import time
            time.sleep(2)
        self.close_connection = True
)");
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    DavAccount account;
    account.url = server.Root();
    DavClient client(account);
    SyncChanges changes;
    const DavOutcome read = client.SyncChanges(server.Root() + "/book/", "", &changes);
    ASSERT_TRUE(read.Ok()) << read.detail;
    EXPECT_EQ(client.Requests(), 3);
    EXPECT_EQ(changes.token, "t3");
    ASSERT_EQ(changes.changed.size(), 2u);
    EXPECT_EQ(changes.changed[0].href, "/book/c%20d.vcf");
    EXPECT_EQ(changes.changed[0].etag, "\"4\"");
    EXPECT_EQ(changes.changed[1].href, "/book/b.vcf");
    EXPECT_EQ(changes.removed, std::vector<std::string> { "/book/a.vcf" });
    EXPECT_EQ(client.SyncChanges("/book/", "old", &changes).result, DavResult::kTokenInvalid);

    WriteResult w;
    const DavOutcome put = client.Create("/book/", "新しい.vcf", VCard("n", "新"), &w);
    ASSERT_TRUE(put.Ok()) << put.detail;
    EXPECT_FALSE(w.etagGiven);
    EXPECT_EQ(w.href, "/book/%E6%96%B0%E3%81%97%E3%81%84.vcf");
    EXPECT_EQ(client.Update(w.href, "\"1\"", VCard("n", "x"), &w).result, DavResult::kChangedOnServer);
    const DavOutcome busy = client.Remove("/book/b.vcf", "\"2\"");
    EXPECT_EQ(busy.result, DavResult::kServerError);
    EXPECT_EQ(busy.status, 503);
    EXPECT_EQ(U(busy.Message()),
        "サーバー「127.0.0.1:" + server.Root().substr(server.Root().rfind(':') + 1)
            + "」でエラーが起きました（カードの削除、HTTP 503）。");

    // A server that closes without answering, one that stops answering, a user who stops.
    AddressBookInfo info;
    const DavOutcome dropped = client.ReadBook("/drop/", &info);
    EXPECT_EQ(dropped.result, DavResult::kConnectionLost) << dropped.detail;
    std::atomic<bool> stop { true };
    client.SetCancelFlag(&stop);
    EXPECT_EQ(client.ReadBook("/drop/", &info).result, DavResult::kCancelled);
    stop = false;
    account.timeout = 1;
    DavClient impatient(account);
    const DavOutcome slow = impatient.ReadBook("/slow/", &info);
    EXPECT_EQ(slow.result, DavResult::kTimeout) << slow.detail;
    EXPECT_NE(U(slow.Message()).find("から応答がありません（変更の確認）"), std::string::npos) << U(slow.Message());
    // A listing of the whole book is waited on longer: a big book's takes the server a while.
    SyncChanges listed;
    const DavOutcome patient = impatient.SyncChanges("/slow/", {}, &listed);
    EXPECT_TRUE(patient.Ok()) << patient.detail;
    EXPECT_EQ(listed.token, "s");
}

// Redirects are followed hop by hop: one to plain http on another machine gets no
// password, and a loop ends.
TEST(DavScripted, RedirectsPassThePasswordRuleAndEnd)
{
    test::ScriptedDavServer server(R"(
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    def log_message(self, *args):
        pass
    def do_PROPFIND(self):
        self.rfile.read(int(self.headers['Content-Length']))
        self.send_response(301 if self.path == '/.well-known/carddav' else 302)
        self.send_header('Location', 'http://192.0.2.7/dav/' if self.path == '/.well-known/carddav' else '/loop/')
        self.send_header('Content-Length', '0')
        self.end_headers()
)");
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    DavAccount account;
    account.url = server.Root();
    account.user = "u";
    account.password = "p";
    DavClient client(account);
    std::vector<AddressBookInfo> books;
    const DavOutcome discovered = client.Discover(&books);
    EXPECT_EQ(discovered.result, DavResult::kPlainHttpRefused) << discovered.detail;
    EXPECT_EQ(client.Requests(), 1);
    AddressBookInfo info;
    const DavOutcome looped = client.ReadBook("/loop/", &info);
    EXPECT_EQ(looped.result, DavResult::kTooManyRedirects) << looped.detail;
    EXPECT_EQ(client.Requests(), 1 + 6);
}

} // namespace
} // namespace nrt::dav
