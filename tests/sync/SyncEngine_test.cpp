// Two books (two computers) and a phone-like third client sharing one address book on
// a real server started on 127.0.0.1: creates, edits, deletes on each side, merges,
// conflicts, the properties the book cannot hold, the mass-delete guard, kills at every
// step of a sync, a wrong password.

#include "DavServers.h"

#include "db/AddressTable.h"
#include "mail/MailTestSupport.h"
#include "platform/fs.h"
#include "sync/CardFields.h"
#include "sync/DavClient.h"
#include "sync/SyncEngine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace nrt::sync {
namespace {

using test::DavServer;
using test::S;
using test::TempDir;
using test::U;

// One computer: a book in its own folder, set up for the server's book.
class Book {
public:
    // `timeout`: seconds a request may wait for the server's first byte.
    Book(const DavServer& server, const std::string& bookUrl, int timeout = 10)
        : account_(server.Account())
    {
        account_.timeout = timeout;
        table.CreateDefaultTable();
        SyncState state;
        state.url = bookUrl;
        state.user = DavServer::kUser;
        EXPECT_TRUE(state.Save(dir_.Path() + "/" + SyncState::kFileName));
        EXPECT_TRUE(Save());
    }
    std::string TablePath() const { return dir_.Path() + "/nrt.ndb"; }
    bool Save() { return table.SaveTable(TablePath()) == TableError::kNone; }
    SyncReport Sync(SyncOptions options = {})
    {
        SyncEngine engine(table, dir_.Path(), account_, [this] { return Save(); });
        return engine.Run(options);
    }
    // Syncs and expects it done.
    SyncReport Synced()
    {
        const SyncReport report = Sync();
        EXPECT_EQ(report.result, SyncReport::Result::kDone) << U(report.message);
        return report;
    }
    void Add(const std::string& name, std::map<int, std::string> values = {})
    {
        table.ClearCurrent();
        ASSERT_EQ(table.SetValue(field::kName, S(name)), RecordError::kNone);
        ASSERT_EQ(table.PostRecord(), RecordError::kNone);
        for (const auto& [f, v] : values)
            Set(table.GetRecordCount() - 1, f, v);
        ASSERT_TRUE(Save());
    }
    // The live record of that name; -1 when none.
    int Find(const std::string& name) const
    {
        for (int k = 0; k < table.GetRecordCount(); ++k)
            if (!table.IsDeleted(k) && table.Value(field::kName, k) == S(name))
                return k;
        return -1;
    }
    std::string Get(const std::string& name, int f) const
    {
        const int k = Find(name);
        return k < 0 ? "<none>" : U(table.Value(table.FindField(SchemaFieldName(f)), k));
    }
    void Set(int k, int f, const std::string& value)
    {
        ASSERT_EQ(table.StoreValue(k, table.FindField(SchemaFieldName(f)), S(value)), RecordError::kNone);
    }
    void Edit(const std::string& name, int f, const std::string& value)
    {
        const int k = Find(name);
        ASSERT_GE(k, 0) << name;
        Set(k, f, value);
        ASSERT_TRUE(Save());
    }
    void Delete(const std::string& name)
    {
        const int k = Find(name);
        ASSERT_GE(k, 0) << name;
        table.MarkDeleted(k);
        ASSERT_TRUE(Save());
    }
    // Every live record as its synced values, by UID.
    std::map<std::string, std::vector<std::string>> Contents()
    {
        std::map<std::string, std::vector<std::string>> out;
        for (const auto& [uid, card] : RecordCards(table)) {
            EXPECT_FALSE(out.contains(uid)) << "two records of " << uid;
            out[uid] = ValuesOfText(card.vcard, table);
        }
        return out;
    }
    std::string Folder() const { return dir_.Path(); }

    AddressTable table;

private:
    TempDir dir_;
    dav::DavAccount account_;
};

// The server's cards, by UID (a UID twice fails).
std::map<std::string, std::string> ServerCards(const DavServer& server, const std::string& bookUrl)
{
    dav::DavClient client(server.Account());
    std::vector<dav::CardRef> refs;
    EXPECT_TRUE(client.ListCards(bookUrl, &refs).Ok());
    std::vector<std::string> hrefs;
    for (const auto& r : refs)
        hrefs.push_back(r.href);
    std::vector<dav::Card> cards;
    std::vector<std::string> missing;
    if (!hrefs.empty()) {
        EXPECT_TRUE(client.Multiget(bookUrl, hrefs, &cards, &missing).Ok());
    }
    std::map<std::string, std::string> out;
    for (const auto& c : cards) {
        const auto parsed = vcard::Parse(c.vcard);
        const std::string uid = parsed.empty() ? c.href : UidOf(parsed.front());
        EXPECT_FALSE(out.contains(uid)) << "two cards of " << uid;
        out[uid] = c.vcard;
    }
    return out;
}

std::string NewBook(const DavServer& server)
{
    dav::DavClient client(server.Account());
    std::vector<dav::AddressBookInfo> books;
    EXPECT_TRUE(client.Discover(&books).Ok()) << server.Log();
    dav::AddressBookInfo made;
    const dav::DavOutcome outcome = client.CreateBook(S("共有の住所録"), &made);
    EXPECT_TRUE(outcome.Ok()) << outcome.detail << server.Log();
    return made.url;
}

const std::string kPhoneCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-card-1\r\nFN:鈴木 一郎\r\nN:鈴木;一郎;;;\r\n"
                               "NICKNAME:いっちゃん\r\nTEL;TYPE=CELL:090-1111-2222\r\nTEL;TYPE=WORK:03-3333-4444\r\n"
                               "EMAIL;TYPE=HOME:ichiro@example.jp\r\nEMAIL;TYPE=WORK:suzuki@example.com\r\n"
                               "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQN\r\n"
                               "X-OTHERAPP-RING:bells\r\nEND:VCARD\r\n";

// Each test on a server of its own with a fresh address book at `url`.
class Sharing : public ::testing::TestWithParam<DavServer::Kind> {
protected:
    void SetUp() override
    {
        running_ = std::make_unique<DavServer>(GetParam());
        if (!running_->Failure().empty())
            GTEST_SKIP() << running_->Failure();
        url = NewBook(*running_);
    }
    DavServer& Server() { return *running_; }
    std::string url;

private:
    std::unique_ptr<DavServer> running_;
};

// Two computers and a phone through every kind of change, ending equal.
TEST_P(Sharing, TwoBooksAndAPhoneEndEqual)
{
    DavServer& server = Server();
    Book a(server, url), b(server, url);
    dav::DavClient phone(server.Account());

    a.Add("山田　太郎", { { field::kPhone, "03-1234-5678" }, { field::kKana, "ﾔﾏﾀﾞ ﾀﾛｳ" } });
    a.Add("佐藤　花子", { { field::kCardHistory, "2025:出" }, { field::kJointName1, "佐藤　次郎" } });
    EXPECT_EQ(a.Synced().uploaded, 2);
    EXPECT_EQ(b.Synced().downloaded, 2);
    EXPECT_EQ(b.Get("佐藤　花子", field::kCardHistory), "2025:出");
    EXPECT_EQ(b.Get("佐藤　花子", field::kJointName1), "佐藤　次郎");
    EXPECT_EQ(b.Get("山田　太郎", field::kKana), "ﾔﾏﾀﾞ ﾀﾛｳ");
    // Nothing changed: nothing goes either way, and no card is fetched again.
    for (Book* book : { &a, &b }) {
        const SyncReport again = book->Synced();
        EXPECT_EQ(again.uploaded + again.downloaded, 0);
    }

    // The phone's card, with what the book cannot hold, edited in the book.
    dav::WriteResult written;
    ASSERT_TRUE(phone.Create(url, "phone-card-1.vcf", kPhoneCard, &written).Ok());
    EXPECT_EQ(a.Synced().downloaded, 1);
    EXPECT_EQ(a.Get("鈴木　一郎", field::kMobile), "090-1111-2222");
    a.Edit("鈴木　一郎", field::kNote1, "同窓会の幹事");
    EXPECT_EQ(a.Synced().uploaded, 1);
    const std::string card = ServerCards(server, url)["phone-card-1"];
    for (const char* kept : { "NICKNAME:いっちゃん", "03-3333-4444", "suzuki@example.com", "PHOTO;ENCODING=b",
             "X-OTHERAPP-RING:bells", "同窓会の幹事", "090-1111-2222", "ichiro@example.jp" })
        EXPECT_NE(card.find(kept), std::string::npos) << kept << "\n" << card;
    EXPECT_EQ(card.find("090-1111-2222"), card.rfind("090-1111-2222")) << card;

    // Different fields on each side: both kept.
    b.Synced();
    a.Edit("山田　太郎", field::kAddress1, "港区芝公園4-2-8");
    b.Edit("山田　太郎", field::kPhone, "03-9999-0000");
    a.Synced();
    const SyncReport merged = b.Synced();
    EXPECT_EQ(merged.merged, 1);
    EXPECT_EQ(merged.conflicts, 0);
    a.Synced();
    for (Book* book : { &a, &b }) {
        EXPECT_EQ(book->Get("山田　太郎", field::kAddress1), "港区芝公園4-2-8");
        EXPECT_EQ(book->Get("山田　太郎", field::kPhone), "03-9999-0000");
    }

    // The same field on both: the server's value in the book, the local one listed and
    // taken back in one step.
    a.Edit("佐藤　花子", field::kNote1, "Aの値");
    b.Edit("佐藤　花子", field::kNote1, "Bの値");
    a.Synced();
    const SyncReport clash = b.Sync();
    EXPECT_EQ(clash.conflicts, 1);
    EXPECT_EQ(b.Get("佐藤　花子", field::kNote1), "Aの値");
    ConflictList list;
    ASSERT_TRUE(list.Load(b.Folder() + "/" + ConflictList::kFileName));
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(U(list.items[0].local), "Bの値");
    EXPECT_EQ(U(list.items[0].field), "備考１");
    std::string message;
    ASSERT_TRUE(TakeBack(b.table, list, 0, &message)) << U(message);
    ASSERT_TRUE(b.Save());
    EXPECT_TRUE(list.items.empty());
    b.Synced();
    a.Synced();
    EXPECT_EQ(a.Get("佐藤　花子", field::kNote1), "Bの値");

    // Deletes on each side and on the phone.
    a.Delete("佐藤　花子");
    a.Synced();
    EXPECT_EQ(b.Synced().deletedLocally, 1);
    EXPECT_EQ(b.Find("佐藤　花子"), -1);
    const std::string href = url + "phone-card-1.vcf";
    std::vector<dav::CardRef> refs;
    ASSERT_TRUE(phone.ListCards(url, &refs).Ok());
    for (const auto& r : refs)
        if (dav::DavClient::SameHref(r.href, href)) {
            ASSERT_TRUE(phone.Remove(r.href, r.etag).Ok());
        }
    a.Synced();
    b.Synced();
    EXPECT_EQ(a.Find("鈴木　一郎"), -1);
    EXPECT_EQ(b.Find("鈴木　一郎"), -1);

    const auto contents = a.Contents();
    EXPECT_EQ(contents, b.Contents());
    EXPECT_EQ(contents.size(), 1u);
    EXPECT_EQ(ServerCards(server, url).size(), 1u);
}

// A card the server (or another client) writes again with the same content in another
// form is no change: no record changes, nothing goes back up.
TEST_P(Sharing, RewrittenCardsAreNoChange)
{
    DavServer& server = Server();
    Book a(server, url);
    a.Add("田中　正",
        { { field::kPostalCode, "100-0001" }, { field::kPrefecture, "東京都" },
            { field::kAddress1, "千代田区千代田1-1" }, { field::kMobile, "080-1234-5678" } });
    a.Synced();
    dav::DavClient other(server.Account());
    std::vector<dav::CardRef> refs;
    ASSERT_TRUE(other.ListCards(url, &refs).Ok());
    ASSERT_EQ(refs.size(), 1u);
    std::vector<dav::Card> cards;
    std::vector<std::string> missing;
    ASSERT_TRUE(other.Multiget(url, { refs[0].href }, &cards, &missing).Ok());
    // Another writer's form: a property of its own added, LF line ends.
    std::string text = cards[0].vcard;
    const std::size_t end = text.find("END:VCARD");
    text.insert(end, "X-REWRITTEN-BY:server\n");
    dav::WriteResult result;
    ASSERT_TRUE(other.Update(refs[0].href, refs[0].etag, text, &result).Ok());
    for (int round = 0; round < 2; ++round) {
        const SyncReport report = a.Synced();
        EXPECT_EQ(report.downloaded + report.uploaded, 0) << round;
    }
    EXPECT_NE(ServerCards(server, url).begin()->second.find("X-REWRITTEN-BY"), std::string::npos);
}

// More than half of one side (and more than 5) deleted: nothing changes until allowed.
TEST_P(Sharing, MassDeleteStopsUntilAllowed)
{
    DavServer& server = Server();
    Book a(server, url);
    for (int i = 0; i < 8; ++i)
        a.Add("人" + std::to_string(i));
    a.Synced();
    for (int i = 0; i < 6; ++i)
        a.Delete("人" + std::to_string(i));
    std::string state;
    ASSERT_TRUE(platform::fs::ReadFile(a.Folder() + "/" + SyncState::kFileName, state));
    const SyncReport stopped = a.Sync();
    EXPECT_EQ(stopped.result, SyncReport::Result::kMassDelete);
    EXPECT_NE(U(stopped.message).find("サーバーの6件（全8件）が削除されます"), std::string::npos) << U(stopped.message);
    EXPECT_EQ(ServerCards(server, url).size(), 8u);
    std::string after;
    ASSERT_TRUE(platform::fs::ReadFile(a.Folder() + "/" + SyncState::kFileName, after));
    EXPECT_EQ(after, state);
    SyncOptions allow;
    allow.allowMassDelete = true;
    EXPECT_EQ(a.Sync(allow).deletedRemotely, 6);
    EXPECT_EQ(ServerCards(server, url).size(), 2u);
}

// A sync stopped dead after any of its steps, then killed at random moments: the next
// one finishes the work with no duplicate and no lost change, on both computers.
TEST_P(Sharing, KilledAtEveryStepConverges)
{
    DavServer& server = Server();
    Book a(server, url), b(server, url);
    dav::DavClient phone(server.Account());
    int phoneCards = 0;
    constexpr int kSteps = 9, kRounds = 50;
    std::mt19937 random(35);
    for (int stopAt = 1; stopAt <= kRounds; ++stopAt) {
        // Work for every step: new, changed and deleted records, and a phone's card.
        const std::string n = std::to_string(stopAt);
        a.Add("新規" + n + "の一");
        a.Add("新規" + n + "の二", { { field::kNote1, "a" } });
        if (a.Find("新規" + std::to_string(stopAt - 1) + "の一") >= 0)
            a.Delete("新規" + std::to_string(stopAt - 1) + "の一");
        if (stopAt > 1)
            a.Edit("新規" + std::to_string(stopAt - 1) + "の二", field::kNote1, "変更" + n);
        dav::WriteResult written;
        const std::string uid = "phone-" + n;
        ASSERT_TRUE(phone
                        .Create(url, uid + ".vcf",
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:電話" + n + "\r\nN:電話" + n
                                + ";;;;\r\nEND:VCARD\r\n",
                            &written)
                        .Ok());
        ++phoneCards;
        // The child stops (as if killed) after step `stopAt` of its run; in the later
        // rounds it is killed after a random while.
        const pid_t child = ::fork();
        if (child == 0) {
            int steps = 0;
            SyncOptions options;
            options.afterStep = [&](std::string_view) {
                if (++steps == stopAt)
                    ::_exit(0);
            };
            a.Sync(options);
            ::_exit(0);
        }
        if (stopAt > kSteps) {
            ::usleep(static_cast<useconds_t>(random() % 150000));
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        // The child's book is on disk; this process takes it from there.
        ASSERT_EQ(a.table.LoadTable(a.TablePath()), TableError::kNone);
    }
    a.Synced();
    b.Synced();
    a.Synced();
    const auto contents = a.Contents();
    EXPECT_EQ(contents, b.Contents());
    // Each round's "の二" (each edited after), the last "の一", the phone's cards.
    EXPECT_EQ(contents.size(), kRounds + 1u + static_cast<std::size_t>(phoneCards));
    EXPECT_EQ(ServerCards(server, url).size(), contents.size());
    for (int i = 1; i < kRounds; ++i)
        EXPECT_EQ(b.Get("新規" + std::to_string(i) + "の二", field::kNote1), "変更" + std::to_string(i + 1));
}

// A phone's book of 10,000 cards: it comes down whole, and later changes cost requests
// by their number, not by the book's size.
TEST(SharingAtScale, TenThousandCards)
{
    DavServer server(DavServer::Kind::kRadicale);
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    const std::string url = NewBook(server);
    constexpr int kCards = 10000;
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < kCards; ++i) {
        const std::string n = std::to_string(i);
        files.emplace_back("phone-" + n + ".vcf",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-" + n + "\r\nN:山田;" + n + "郎;;;\r\nFN:山田 " + n
                + "郎\r\nADR;TYPE=HOME:;;中央1-" + n + ";千代田区;東京都;100-0001;\r\nTEL;TYPE=CELL:090-0000-" + n
                + "\r\nTEL;TYPE=WORK:03-0000-" + n + "\r\nNICKNAME:" + n + "ちゃん\r\nEND:VCARD\r\n");
    }
    ASSERT_TRUE(server.PlaceCards(url, files));
    // Radicale reads every card before its first answer.
    Book a(server, url, 120);
    SyncReport report = a.Synced();
    EXPECT_EQ(report.downloaded, kCards);
    EXPECT_EQ(report.requests, 1 + (kCards + 99) / 100); // the changes, then batches of 100
    EXPECT_EQ(a.Get("山田　1234郎", field::kAddress1), "千代田区中央1-1234");

    for (int i = 0; i < 10; ++i)
        a.Edit("山田　" + std::to_string(i * 997) + "郎", field::kNote1, "変更");
    report = a.Synced();
    EXPECT_EQ(report.uploaded, 10);
    EXPECT_EQ(report.requests, 11); // the changes, then one write each

    // The phone changes two cards and deletes one; the book takes just those.
    dav::DavAccount account = server.Account();
    account.timeout = 120;
    dav::DavClient phone(account);
    const auto fetch = [&](const std::string& uid) {
        std::vector<dav::Card> got;
        std::vector<std::string> missing;
        EXPECT_TRUE(phone.Multiget(url, { url + uid + ".vcf" }, &got, &missing).Ok());
        return got.empty() ? std::string() : got.front().vcard;
    };
    for (const std::string uid : { "phone-5", "phone-9999" }) {
        std::string card = fetch(uid);
        card.insert(card.rfind("END:VCARD"), "EMAIL:" + uid + "@example.jp\r\n");
        dav::WriteResult written;
        ASSERT_TRUE(phone.Update(url + uid + ".vcf", {}, card, &written).Ok());
    }
    ASSERT_TRUE(phone.Remove(url + "phone-7.vcf", {}).Ok());
    report = a.Synced();
    EXPECT_EQ(report.downloaded, 2);
    EXPECT_EQ(report.deletedLocally, 1);
    EXPECT_EQ(report.requests, 2); // the changes, and one batch of the two cards
    EXPECT_EQ(a.Get("山田　9999郎", field::kMail), "phone-9999@example.jp");

    // A second computer ends with the same book; a card edited in the book kept what
    // the book cannot hold.
    Book b(server, url, 120);
    EXPECT_EQ(b.Synced().downloaded, kCards - 1);
    const auto contents = a.Contents();
    EXPECT_EQ(contents.size(), static_cast<std::size_t>(kCards - 1));
    EXPECT_EQ(contents, b.Contents());
    EXPECT_NE(fetch("phone-997").find("NICKNAME:997ちゃん"), std::string::npos);
}

// A server read by every card's ETag (no sync-collection): changes and deletes on the
// server still come in, and an unchanged book fetches no card.
TEST_P(Sharing, ReadByEtagsWithoutSyncCollection)
{
    DavServer& server = Server();
    Book a(server, url), b(server, url);
    SyncState state;
    ASSERT_TRUE(state.Load(a.Folder() + "/" + SyncState::kFileName));
    state.syncCollection = false;
    ASSERT_TRUE(state.Save(a.Folder() + "/" + SyncState::kFileName));
    a.Add("伊藤　一", { { field::kMail, "ito@example.jp" } });
    a.Add("伊藤　二");
    EXPECT_EQ(a.Synced().uploaded, 2);
    EXPECT_EQ(b.Synced().downloaded, 2);
    b.Edit("伊藤　一", field::kMail, "hajime@example.jp");
    b.Delete("伊藤　二");
    b.Synced();
    const SyncReport report = a.Synced();
    EXPECT_EQ(report.downloaded, 1);
    EXPECT_EQ(report.deletedLocally, 1);
    EXPECT_EQ(report.requests, 2); // the ETags, and the one changed card
    EXPECT_EQ(a.Get("伊藤　一", field::kMail), "hajime@example.jp");
    EXPECT_EQ(a.Find("伊藤　二"), -1);
    EXPECT_EQ(a.Synced().requests, 1);
}

// The server gone in the middle of the writes: the sync fails naming the server, the
// book keeps every record, and the next sync, the server back, finishes the work with no
// duplicate.
TEST_P(Sharing, ServerGoneMidSyncIsFinishedByTheNext)
{
    DavServer& server = Server();
    Book a(server, url), b(server, url);
    constexpr int kRecords = 6;
    const auto name = [](int i) { return "途中" + std::to_string(i); };
    const auto note = [](int i) { return "n" + std::to_string(i); };
    for (int i = 1; i <= kRecords; ++i)
        a.Add(name(i), { { field::kNote1, note(i) } });
    SyncOptions options;
    int writes = 0;
    options.afterStep = [&](std::string_view step) {
        if (step == "written" && ++writes == 2)
            server.Halt();
    };
    const SyncReport broken = a.Sync(options);
    EXPECT_EQ(broken.result, SyncReport::Result::kFailed);
    EXPECT_NE(U(broken.message).find("127.0.0.1:" + std::to_string(server.Port())), std::string::npos)
        << U(broken.message);
    ASSERT_EQ(a.table.LoadTable(a.TablePath()), TableError::kNone);
    for (int i = 1; i <= kRecords; ++i)
        EXPECT_EQ(a.Get(name(i), field::kNote1), note(i));

    ASSERT_TRUE(server.Restart()) << server.Log();
    a.Synced();
    b.Synced();
    const auto contents = a.Contents();
    EXPECT_EQ(contents.size(), static_cast<std::size_t>(kRecords));
    EXPECT_EQ(b.Contents(), contents);
    EXPECT_EQ(ServerCards(server, url).size(), contents.size());
    for (int i = 1; i <= kRecords; ++i)
        EXPECT_EQ(b.Get(name(i), field::kNote1), note(i));
}

INSTANTIATE_TEST_SUITE_P(Servers, Sharing, ::testing::Values(DavServer::Kind::kRadicale, DavServer::Kind::kXandikos),
    [](const auto& c) { return c.param == DavServer::Kind::kRadicale ? "Radicale" : "Xandikos"; });

// A wrong password: the message names the server and the step; book and state as they were.
TEST(SyncFailure, WrongPasswordLeavesEverythingAsItWas)
{
    DavServer server(DavServer::Kind::kRadicale);
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    const std::string url = NewBook(server);
    Book a(server, url);
    a.Add("山田　花子");
    std::string book, state;
    ASSERT_TRUE(platform::fs::ReadFile(a.TablePath(), book));
    ASSERT_TRUE(platform::fs::ReadFile(a.Folder() + "/" + SyncState::kFileName, state));
    dav::DavAccount wrong = server.Account();
    wrong.password = "not the password";
    SyncEngine engine(a.table, a.Folder(), wrong, [&a] { return a.Save(); });
    const SyncReport report = engine.Run();
    EXPECT_EQ(report.result, SyncReport::Result::kFailed);
    EXPECT_NE(U(report.message).find("サーバー「127.0.0.1:" + std::to_string(server.Port()) + "」にログインできません"),
        std::string::npos)
        << U(report.message);
    std::string bookAfter, stateAfter;
    ASSERT_TRUE(platform::fs::ReadFile(a.TablePath(), bookAfter));
    ASSERT_TRUE(platform::fs::ReadFile(a.Folder() + "/" + SyncState::kFileName, stateAfter));
    EXPECT_EQ(bookAfter, book);
    EXPECT_EQ(stateAfter, state);
    EXPECT_FALSE(platform::fs::IsFile(a.Folder() + "/" + ConflictList::kFileName));
}

// A server whose certificate the system does not know: the sync stops naming the server
// and the certificate, book and state as they were, and goes through once the account
// trusts the CA file that signed it.
TEST(SyncFailure, AnUnknownCertificateChangesNothingUntilItsCaFileIsTrusted)
{
    const auto& certs = test::SharedCertificates();
    ASSERT_TRUE(certs.ok);
    DavServer server(DavServer::Kind::kRadicale, { certs.serverCert, certs.serverKey });
    if (!server.Failure().empty())
        GTEST_SKIP() << server.Failure();
    dav::DavAccount trusted = server.Account();
    trusted.caFile = certs.caCert;
    dav::DavClient client(trusted);
    std::vector<dav::AddressBookInfo> books;
    ASSERT_TRUE(client.Discover(&books).Ok()) << server.Log();
    dav::AddressBookInfo made;
    ASSERT_TRUE(client.CreateBook(S("安全な住所録"), &made).Ok());
    Book a(server, made.url);
    a.Add("証明書　太郎");
    std::string book, state;
    ASSERT_TRUE(platform::fs::ReadFile(a.TablePath(), book));
    ASSERT_TRUE(platform::fs::ReadFile(a.Folder() + "/" + SyncState::kFileName, state));

    const SyncReport refused = a.Sync();
    EXPECT_EQ(refused.result, SyncReport::Result::kFailed);
    EXPECT_NE(U(refused.message).find("証明書"), std::string::npos) << U(refused.message);
    EXPECT_NE(U(refused.message).find("127.0.0.1:" + std::to_string(server.Port())), std::string::npos)
        << U(refused.message);
    std::string bookAfter, stateAfter;
    ASSERT_TRUE(platform::fs::ReadFile(a.TablePath(), bookAfter));
    ASSERT_TRUE(platform::fs::ReadFile(a.Folder() + "/" + SyncState::kFileName, stateAfter));
    EXPECT_EQ(bookAfter, book);
    EXPECT_EQ(stateAfter, state);

    SyncEngine engine(a.table, a.Folder(), trusted, [&a] { return a.Save(); });
    const SyncReport through = engine.Run();
    EXPECT_EQ(through.result, SyncReport::Result::kDone) << U(through.message);
    EXPECT_EQ(through.uploaded, 1);
}

} // namespace
} // namespace nrt::sync
