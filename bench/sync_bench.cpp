// Sync with a CardDAV server, against Radicale (Debian's package) on loopback with its
// own folder, next to vdirsyncer (Debian's package) doing the same work on a second
// address book of the same server:
//   - the first sync: an address book of 10,000 cards (or argv[1]), as a phone that
//     syncs it leaves it, into an empty book (vdirsyncer: into an empty folder), and
//     the same from a book no client synced yet;
//   - then syncs with 10 records changed among them (vdirsyncer: 10 files changed);
//   - the other way, a first sync of a book of 1,000 records up into an empty address
//     book (vdirsyncer: a folder of 1,000 cards).
// Figures: first_sync_ms and its requests, vdirsyncer_first_sync_ms, their ratio,
// incremental_10_ms (median of 5) and its requests, the same for vdirsyncer, a sync
// with nothing changed, and first_upload_ms next to vdirsyncer's. Each *_server_ms is
// the server's own time for those requests, and requests are counted from its log.
#include "BenchSupport.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "sync/DavClient.h"
#include "sync/SyncEngine.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace nrt;

namespace {

int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool Accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

double Ms(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// A phone's card for record `k`: plain vCard 3.0 with two numbers, as phones write.
std::string PhoneCard(const AddressTable& table, int k, const std::string& note = {})
{
    const auto value = [&](field::Index f) {
        const int at = table.FindField(SchemaFieldName(f));
        return at < 0 ? std::string() : platform::SjisToUtf8(std::string(table.Value(at, k)));
    };
    std::string name = value(field::kName);
    const std::size_t blank = name.find("\xE3\x80\x80"); // 　
    const std::string family = name.substr(0, blank), given = blank == std::string::npos ? "" : name.substr(blank + 3);
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Bench//Phone//EN\r\nUID:phone-" + std::to_string(k)
        + "\r\nN:" + family + ";" + given + ";;;\r\nFN:" + family + " " + given + "\r\nADR;TYPE=HOME:;;"
        + value(field::kAddress1) + ";;" + value(field::kPrefecture) + ";" + value(field::kPostalCode)
        + ";Japan\r\nTEL;TYPE=HOME:" + value(field::kPhone) + "\r\n";
    if (const std::string mobile = value(field::kMobile); !mobile.empty())
        card += "TEL;TYPE=CELL:" + mobile + "\r\n";
    if (const std::string mail = value(field::kMail); !mail.empty())
        card += "EMAIL;TYPE=INTERNET:" + mail + "\r\n";
    if (!note.empty())
        card += "NOTE:" + note + "\r\n";
    return card + "END:VCARD\r\n";
}

// The bench's own scratch files need no atomic save.
bool WritePlain(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    return static_cast<bool>(out << text);
}

// What the server logged after byte `from` of its log: the requests ("… request for …"
// lines at level info) and the seconds it spent on them ("… response status … in N
// seconds"), so a figure can be split into the server's part and the client's.
struct ServerShare {
    int requests = 0;
    double ms = 0;
};

std::size_t LogSize(const std::string& log)
{
    std::ifstream in(log, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::size_t>(in.tellg()) : 0;
}

ServerShare LoggedSince(const std::string& log, std::size_t from)
{
    std::ifstream in(log, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    ServerShare share;
    for (std::string line; std::getline(in, line);) {
        share.requests += line.find(" request for ") != std::string::npos;
        if (const std::size_t at = line.find(" seconds: "); at != std::string::npos) {
            const std::size_t seconds = line.rfind(" in ", at) + 4;
            share.ms += std::atof(line.c_str() + seconds) * 1000;
        }
    }
    return share;
}

[[noreturn]] void Fail(const char* what, const std::function<void()>& stop)
{
    std::fprintf(stderr, "sync_bench: %s\n", what);
    stop();
    std::exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string dir = bench::ScratchDir();
    // Built before the server starts: a refusal ends the program (see Require).
    AddressTable source;
    source.CreateDefaultTable();
    bench::FillTable(source, count);
    const int port = FreePort();
    const std::string log = dir + "/radicale.log", folder = dir + "/collections";
    const pid_t server = ::fork();
    if (server == 0) {
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT, 0600);
        ::dup2(out, 1);
        ::dup2(out, 2);
        const std::string where = "127.0.0.1:" + std::to_string(port);
        ::execl("/usr/bin/python3", "python3", "-m", "radicale", "--config", "", "--storage-filesystem-folder",
            folder.c_str(), "--server-hosts", where.c_str(), "--auth-type", "none", "--logging-level", "info",
            static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 200 && !Accepts(port); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    // A server busy with a long answer may not stop at once: killed after two seconds.
    const std::function<void()> stop = [server] {
        ::kill(server, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(server, nullptr, WNOHANG) == server)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(server, SIGKILL);
        ::waitpid(server, nullptr, 0);
    };
    if (!Accepts(port)) {
        std::fprintf(stderr, "sync_bench: Radicale did not start (python3 -m radicale)\n");
        stop();
        return 77;
    }
    dav::DavAccount account;
    account.url = "http://127.0.0.1:" + std::to_string(port) + "/";
    account.user = "bench";
    account.password = "bench";
    dav::DavClient client(account);
    std::vector<dav::AddressBookInfo> books;
    dav::AddressBookInfo ours, theirs, unsynced;
    if (!client.Discover(&books).Ok() || !client.CreateBook(SJ("ノルテア"), &ours).Ok()
        || !client.CreateBook("vdirsyncer", &theirs).Ok() || !client.CreateBook(SJ("未同期"), &unsynced).Ok())
        Fail("no address book on the server", stop);
    // The books get the phone's cards as files of the server's own: uploading them one
    // by one would measure the server's creates, which grow with the book.
    for (const dav::AddressBookInfo* book : { &ours, &theirs, &unsynced }) {
        const std::string at = folder + "/collection-root" + dav::url::Unescaped(dav::url::Path(book->url));
        for (int k = 0; k < count; ++k)
            if (!WritePlain(at + "phone-" + std::to_string(k) + ".vcf", PhoneCard(source, k)))
                Fail("cannot write the server's cards", stop);
    }
    // The phone synced the first two by sync-collection, as phones' CardDAV clients do:
    // Radicale then has read every card and written the history a sync token is made
    // of, once per book. The third book never synced: its first reader pays for that.
    for (const dav::AddressBookInfo* book : { &ours, &theirs }) {
        dav::SyncChanges changes;
        if (!client.SyncChanges(book->url, {}, &changes).Ok() || changes.changed.size() != std::size_t(count))
            Fail("the phone's sync failed", stop);
    }

    // A book's folder set up for the server's address book `with`.
    const auto setUp = [&](const std::string& at, const dav::AddressBookInfo& with) {
        platform::fs::MakeDirs(at);
        sync::SyncState state;
        state.url = with.url;
        state.user = account.user;
        state.syncCollection = with.syncCollection;
        return state.Save(at + "/" + sync::SyncState::kFileName);
    };
    // ノルテア: an empty book set up for the first address book.
    const std::string book = dir + "/nortea";
    if (!setUp(book, ours))
        Fail("cannot set the book up", stop);
    AddressTable table;
    table.CreateDefaultTable();
    const std::string path = book + "/nrt.ndb";
    sync::SyncEngine engine(table, book, account, [&] { return table.SaveTable(path) == TableError::kNone; });
    // One timed run: its wall time and the server's share of it.
    struct Run {
        double ms = 0;
        ServerShare server;
    };
    const auto timed = [&log](const std::function<bool()>& job, Run* run) {
        const std::size_t from = LogSize(log);
        const auto start = std::chrono::steady_clock::now();
        const bool ok = job();
        run->ms = Ms(start);
        run->server = LoggedSince(log, from);
        return ok;
    };
    sync::SyncOptions traced;
    auto started = std::chrono::steady_clock::now();
    traced.afterStep = [&started](std::string_view step) {
        if (std::getenv("SYNC_BENCH_STEPS"))
            std::fprintf(stderr, "%s %.0f\n", std::string(step).c_str(), Ms(started));
    };
    sync::SyncReport report;
    Run first;
    const bool firstDone = timed(
        [&] {
            started = std::chrono::steady_clock::now();
            report = engine.Run(traced);
            return report.result == sync::SyncReport::Result::kDone && report.downloaded == count;
        },
        &first);
    if (!firstDone)
        Fail(("first sync failed: " + platform::SjisToUtf8(report.message)).c_str(), stop);

    // vdirsyncer for a folder of cards (`vdir`) and an address book: runs one of its
    // commands ("discover", "sync"), false when it fails.
    const auto vdirsyncerFor = [&dir](const std::string& name, const std::string& vdir, const std::string& url) {
        platform::fs::MakeDirs(vdir);
        const std::string config = dir + "/" + name + ".conf";
        std::ofstream(config) << "[general]\nstatus_path = \"" << dir << "/" << name
                              << "-status/\"\n\n[pair bench]\na = \"local\"\nb = \"server\"\ncollections = null\n\n"
                              << "[storage local]\ntype = \"filesystem\"\npath = \"" << vdir
                              << "\"\nfileext = \".vcf\"\n\n[storage server]\ntype = \"carddav\"\nurl = \"" << url
                              << "\"\nusername = \"bench\"\npassword = \"bench\"\n";
        return [config, log = dir + "/vdirsyncer.log"](const char* what) {
            return std::system(("vdirsyncer -c " + config + " " + what + " >>" + log + " 2>&1").c_str()) == 0;
        };
    };
    // vdirsyncer: the second address book into an empty folder.
    const std::string vdir = dir + "/vdir/";
    const auto vdirsyncer = vdirsyncerFor("vdirsyncer", vdir, theirs.url);
    Run theirFirst;
    const bool peer = std::system("command -v vdirsyncer >/dev/null") == 0;
    if (!peer)
        std::fprintf(stderr, "sync_bench: vdirsyncer is not installed: no peer figures\n");
    else if (!vdirsyncer("discover") || !timed([&] { return vdirsyncer("sync"); }, &theirFirst))
        Fail("vdirsyncer failed (see its log)", stop);

    const auto print = [](const std::string& name, const Run& run, int requests) {
        bench::Print((name + "_ms").c_str(), run.ms, "ms");
        bench::Print((name + "_server_ms").c_str(), run.server.ms, "ms");
        bench::Print((name + "_requests").c_str(), requests, "requests");
    };
    bench::Print("records", count, "records");
    print("first_sync", first, report.requests);
    if (peer) {
        print("vdirsyncer_first_sync", theirFirst, theirFirst.server.requests);
        bench::Print("first_sync_vs_vdirsyncer_ratio", first.ms / theirFirst.ms, "x");
    }
    {
        const std::string folderOfUnsynced = dir + "/nortea-unsynced";
        if (!setUp(folderOfUnsynced, unsynced))
            Fail("cannot set the book up", stop);
        AddressTable fresh;
        fresh.CreateDefaultTable();
        sync::SyncEngine freshEngine(fresh, folderOfUnsynced, account,
            [&] { return fresh.SaveTable(folderOfUnsynced + "/nrt.ndb") == TableError::kNone; });
        sync::SyncReport freshReport;
        Run run;
        if (!timed(
                [&] {
                    freshReport = freshEngine.Run();
                    return freshReport.result == sync::SyncReport::Result::kDone && freshReport.downloaded == count;
                },
                &run))
            Fail("the first sync of a book never synced failed", stop);
        print("first_sync_of_an_unsynced_book", run, freshReport.requests);
    }

    // Ten records changed among them, five times: the medians.
    std::vector<Run> mine(5), peers(5);
    const int note = table.FindField(SJ("備考１"));
    for (int run = 0; run < 5; ++run) {
        const auto changed = [&](int i) { return (run * 97 + i * 31) % count; };
        const std::string text = "bench " + std::to_string(run);
        for (int i = 0; i < 10; ++i)
            if (table.StoreValue(changed(i), note, text) != RecordError::kNone)
                Fail("the table refused a change", stop);
        const bool done = timed(
            [&] {
                started = std::chrono::steady_clock::now();
                report = engine.Run(traced);
                return report.result == sync::SyncReport::Result::kDone && report.uploaded == 10;
            },
            &mine[static_cast<std::size_t>(run)]);
        if (!done)
            Fail("incremental sync failed", stop);
        if (!peer)
            continue;
        for (int i = 0; i < 10; ++i)
            if (!WritePlain(vdir + "phone-" + std::to_string(changed(i)) + ".vcf", PhoneCard(source, changed(i), text)))
                Fail("cannot change vdirsyncer's files", stop);
        if (!timed([&] { return vdirsyncer("sync"); }, &peers[static_cast<std::size_t>(run)]))
            Fail("vdirsyncer sync failed", stop);
    }
    const auto median = [](const std::vector<Run>& runs) {
        std::vector<Run> sorted = runs;
        std::sort(sorted.begin(), sorted.end(), [](const Run& x, const Run& y) { return x.ms < y.ms; });
        return sorted[sorted.size() / 2];
    };
    print("incremental_10", median(mine), report.requests);
    if (peer) {
        const Run their = median(peers);
        print("vdirsyncer_incremental_10", their, their.server.requests);
    }
    Run unchanged;
    timed([&] { return engine.Run().result == sync::SyncReport::Result::kDone; }, &unchanged);
    print("unchanged", unchanged, unchanged.server.requests);

    // The other way: a book of 1,000 records (fewer when `count` is) up into an empty
    // address book, next to vdirsyncer sending a folder of as many cards. Radicale
    // checks each new card against every UID of its book, so a create costs it more the
    // bigger the book: kept at 1,000.
    const int sending = std::min(count, 1000);
    dav::AddressBookInfo oursUp, theirsUp;
    if (!client.CreateBook(SJ("ノルテア（送信）"), &oursUp).Ok() || !client.CreateBook("vdirsyncer-up", &theirsUp).Ok())
        Fail("no address book on the server for the uploads", stop);
    const std::string bookUp = dir + "/nortea-up";
    if (!setUp(bookUp, oursUp))
        Fail("cannot set the book up", stop);
    AddressTable upTable;
    upTable.CreateDefaultTable();
    bench::FillTable(upTable, sending, 7);
    sync::SyncEngine upEngine(
        upTable, bookUp, account, [&] { return upTable.SaveTable(bookUp + "/nrt.ndb") == TableError::kNone; });
    Run up;
    if (!timed(
            [&] {
                report = upEngine.Run();
                return report.result == sync::SyncReport::Result::kDone && report.uploaded == sending;
            },
            &up))
        Fail("the upload failed", stop);
    print("first_upload", up, report.requests);
    if (peer) {
        const std::string vdirUp = dir + "/vdir-up/";
        const auto vdirsyncerUp = vdirsyncerFor("vdirsyncer-up", vdirUp, theirsUp.url);
        for (int k = 0; k < sending; ++k)
            if (!WritePlain(vdirUp + "phone-" + std::to_string(k) + ".vcf", PhoneCard(source, k)))
                Fail("cannot write vdirsyncer's files", stop);
        Run theirUp;
        if (!vdirsyncerUp("discover") || !timed([&] { return vdirsyncerUp("sync"); }, &theirUp))
            Fail("vdirsyncer failed (see its log)", stop);
        print("vdirsyncer_first_upload", theirUp, theirUp.server.requests);
        bench::Print("first_upload_vs_vdirsyncer_ratio", up.ms / theirUp.ms, "x");
    }
    stop();
    return 0;
}
