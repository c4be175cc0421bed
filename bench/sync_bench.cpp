// Sync with a CardDAV server: the first sync of a book of 1,000 records (or argv[1])
// into an empty address book, then syncs with 10 records changed among them, against
// Radicale (Debian's package) on loopback with its own folder. Figures: the time and
// the requests of each (first_sync_ms, first_sync_requests, incremental_10_ms as the
// median of 5, incremental_10_requests, unchanged_ms).
#include "BenchSupport.h"

#include "platform/sjis.h"
#include "sync/DavClient.h"
#include "sync/SyncEngine.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
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

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::string dir = bench::ScratchDir();
    // Built before the server starts: a refusal ends the program (see Require).
    AddressTable table;
    table.CreateDefaultTable();
    bench::FillTable(table, count);
    const int port = FreePort();
    const pid_t server = ::fork();
    if (server == 0) {
        const int log = ::open((dir + "/radicale.log").c_str(), O_WRONLY | O_CREAT, 0600);
        ::dup2(log, 1);
        ::dup2(log, 2);
        const std::string folder = dir + "/collections", where = "127.0.0.1:" + std::to_string(port);
        ::execl("/usr/bin/python3", "python3", "-m", "radicale", "--config", "", "--storage-filesystem-folder",
            folder.c_str(), "--server-hosts", where.c_str(), "--auth-type", "none", "--logging-level", "warning",
            static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 200 && !Accepts(port); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    const auto stop = [server] {
        ::kill(server, SIGTERM);
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
    dav::AddressBookInfo book;
    if (!client.Discover(&books).Ok() || !client.CreateBook(SJ("ベンチ"), &book).Ok()) {
        std::fprintf(stderr, "sync_bench: no address book on the server\n");
        stop();
        return 1;
    }
    sync::SyncState state;
    state.url = book.url;
    state.user = account.user;
    state.syncCollection = book.syncCollection;
    state.Save(dir + "/" + sync::SyncState::kFileName);

    const std::string path = dir + "/nrt.ndb";
    sync::SyncEngine engine(table, dir, account, [&] { return table.SaveTable(path) == TableError::kNone; });
    auto start = std::chrono::steady_clock::now();
    sync::SyncReport report = engine.Run();
    const double first = Ms(start);
    if (report.result != sync::SyncReport::Result::kDone || report.uploaded != count) {
        std::fprintf(stderr, "sync_bench: first sync failed: %s\n", platform::SjisToUtf8(report.message).c_str());
        stop();
        return 1;
    }
    bench::Print("records", count, "records");
    bench::Print("first_sync_ms", first, "ms");
    bench::Print("first_sync_requests", report.requests, "requests");

    std::vector<double> times;
    int requests = 0;
    const int note = table.FindField(SJ("備考１"));
    for (int run = 0; run < 5; ++run) {
        for (int i = 0; i < 10; ++i)
            if (table.StoreValue((run * 97 + i * 31) % count, note, "bench " + std::to_string(run))
                != RecordError::kNone) {
                std::fprintf(stderr, "sync_bench: the table refused a change\n");
                stop();
                return 1;
            }
        start = std::chrono::steady_clock::now();
        report = engine.Run();
        times.push_back(Ms(start));
        requests = report.requests;
        if (report.result != sync::SyncReport::Result::kDone || report.uploaded != 10) {
            std::fprintf(stderr, "sync_bench: incremental sync failed (%d uploaded)\n", report.uploaded);
            stop();
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    bench::Print("incremental_10_ms", times[times.size() / 2], "ms");
    bench::Print("incremental_10_requests", requests, "requests");
    start = std::chrono::steady_clock::now();
    report = engine.Run();
    bench::Print("unchanged_ms", Ms(start), "ms");
    bench::Print("unchanged_requests", report.requests, "requests");
    stop();
    return 0;
}
