// Bulk mail: 1,000 personalised messages (three lines with field references) sent by
// the worker, the rests after every 100 shortened to nothing by the test clock (the
// reconnections stay real). Beside it, the same 1,000 messages, built beforehand,
// written by a plain loop over one connection to the same server: what sending costs
// without the worker, the encodings and the logs.
//
// The server is the mail tests' peer (the npm smtp-server of tools/, which stores
// every message): mail_1000_ms, messages_per_s, raw_1000_ms, mail_vs_raw_ratio. The
// same pair against a sink on a thread of this program, which stores nothing, shows
// the client's own cost: sink_mail_1000_ms, sink_raw_1000_ms, sink_mail_vs_raw_ratio.
#include "BenchSupport.h"

#include "db/RecordSet.h"
#include "mail/MailingRun.h"
#include "mail/SmtpClient.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace nrt;

namespace {

constexpr int kMessages = 1000;
constexpr int kRuns = 5;

bool SendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Lines from a socket, read in large pieces.
class LineReader {
public:
    explicit LineReader(int fd)
        : fd_(fd)
    {
    }
    // The next line without its CR LF; false when the peer has gone.
    bool Next(std::string& line)
    {
        for (;;) {
            const std::size_t lf = buffer_.find('\n', at_);
            if (lf != std::string::npos) {
                std::size_t end = lf;
                if (end > at_ && buffer_[end - 1] == '\r')
                    --end;
                line.assign(buffer_, at_, end - at_);
                at_ = lf + 1;
                return true;
            }
            buffer_.erase(0, at_);
            at_ = 0;
            char chunk[65536];
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0)
                return false;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    int fd_;
    std::string buffer_;
    std::size_t at_ = 0;
};

// Accepts any number of connections, one after the other, and takes every message.
class SmtpSink {
public:
    SmtpSink()
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 16) != 0
            || ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
            std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
            std::exit(1);
        }
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~SmtpSink()
    {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }
    int Port() const { return port_; }
    int Messages() const { return messages_; }

private:
    void Serve()
    {
        while (!stop_) {
            pollfd p { listen_, POLLIN, 0 };
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            Session(fd);
            ::close(fd);
        }
    }
    void Session(int fd)
    {
        LineReader in(fd);
        std::string line;
        if (!SendAll(fd, "220 sink\r\n"))
            return;
        while (in.Next(line)) {
            const std::string_view verb = std::string_view(line).substr(0, 4);
            if (verb == "QUIT") {
                SendAll(fd, "221 bye\r\n");
                return;
            }
            if (verb == "DATA") {
                SendAll(fd, "354 go on\r\n");
                while (in.Next(line) && line != ".") { }
                ++messages_;
                SendAll(fd, "250 stored\r\n");
            } else {
                SendAll(fd, "250 ok\r\n");
            }
        }
    }

    int listen_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_ { false };
    std::atomic<int> messages_ { 0 };
};

class NoProgress : public MailSendHost {
public:
    void Progress() override { }
    void Rest() override { }
    void Resume() override { }
    void Failed() override { failed = true; }
    void Cancelled() override { failed = true; }
    bool failed = false;
};

const std::vector<std::string>& Body()
{
    static const std::vector<std::string> body = {
        SJ("%名前% %敬称%"),
        "",
        SJ("いつもお世話になっております。新年会のご案内をお送りします。"),
        SJ("ご住所: %都道府県%%住所１% %住所２%"),
        SJ("ご連絡先: %電話番号%"),
        "",
        SJ("日時: 1月18日(土) 18:00 から / 会費: 5,000円"),
    };
    return body;
}

void PrepareClient(SmtpClient& mail)
{
    mail.SetWidth(80);
    for (std::size_t i = 0; i < Body().size(); ++i)
        mail.SetBodyLine(static_cast<int>(i), Body()[i]);
}

// The npm SMTP server of the mail tests as a child process; Port() 0 when it did not
// start (node or tools/node_modules missing).
class NodeServer {
public:
    explicit NodeServer(const std::string& spool)
    {
        const std::string tools = NRT_SOURCE_DIR "/tools/smtp-test-server.js";
        int out[2], in[2];
        if (::pipe(out) != 0 || ::pipe(in) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            for (int fd : { in[0], in[1], out[0], out[1] })
                ::close(fd);
            ::execlp("node", "node", tools.c_str(), "--dir", spool.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1]; // the server leaves when this closes
        std::string line;
        char c;
        pollfd p { out[0], POLLIN, 0 };
        while (line.find('\n') == std::string::npos && ::poll(&p, 1, 20000) > 0 && ::read(out[0], &c, 1) == 1)
            line += c;
        ::close(out[0]);
        if (std::sscanf(line.c_str(), "PORT %d", &port_) != 1)
            port_ = 0;
    }
    ~NodeServer()
    {
        if (stdin_ >= 0)
            ::close(stdin_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    int Port() const { return port_; }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};

struct Figures {
    double mailMs = 0;
    double rawMs = 0;
    bool ok = true;
};

// The worker's mailing and the plain loop against `port`: one round of each to warm
// the server up, then kRuns rounds taking turns, so that a change in the machine's
// load falls on both; the medians.
Figures Measure(int port, RecordSet& records, const TemplateList& templates, const std::string& folder,
    const std::vector<std::string>& prebuilt)
{
    Figures f;
    SmtpSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.timeout = 10;
    auto mailing = [&] {
        SmtpClient mail;
        PrepareClient(mail);
        static_cast<void>(mail.SetServer(settings));
        if (mail.Open() != SmtpClient::Result::kOk) {
            f.ok = false;
            return;
        }
        static_cast<void>(mail.SetFrom("sender@example.com", SJ("幹事")));
        mail.SetSubject(SJ("新年会のご案内"));
        records.SetPos(0);
        NoProgress host;
        MailingRun worker(&templates, &mail, &records, folder, host);
        worker.Execute();
        f.ok = f.ok && !host.failed && worker.Sent() == kMessages;
    };
    auto plainLoop = [&] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            f.ok = false;
            ::close(fd);
            return;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        LineReader replies(fd);
        std::string line;
        auto say = [&](std::string_view text) { return SendAll(fd, text) && replies.Next(line); };
        bool ok = replies.Next(line) && say("HELO 127.0.0.1\r\n");
        for (const std::string& message : prebuilt) {
            // One command at a time, each answered, as the client speaks.
            const std::size_t rcpt = message.find("RCPT");
            const std::size_t data = message.find("DATA\r\n");
            ok = ok && say(std::string_view(message).substr(0, rcpt))
                && say(std::string_view(message).substr(rcpt, data - rcpt))
                && say(std::string_view(message).substr(data, 6)) && say(std::string_view(message).substr(data + 6));
        }
        ok = ok && say("QUIT\r\n");
        f.ok = f.ok && ok;
        ::close(fd);
    };
    std::vector<double> mailTimes, rawTimes;
    for (int round = 0; round <= kRuns; ++round) {
        const double mailMs = bench::MedianMs(1, mailing);
        const double rawMs = bench::MedianMs(1, plainLoop);
        if (round > 0) {
            mailTimes.push_back(mailMs);
            rawTimes.push_back(rawMs);
        }
    }
    std::sort(mailTimes.begin(), mailTimes.end());
    std::sort(rawTimes.begin(), rawTimes.end());
    f.mailMs = mailTimes[mailTimes.size() / 2];
    f.rawMs = rawTimes[rawTimes.size() / 2];
    return f;
}

} // namespace

int main()
{
    std::signal(SIGPIPE, SIG_IGN);
    platform::FakeClock clock; // rests pass at once; dates stand still
    platform::ScopedClock scopedClock(clock);
    const std::string scratch = bench::ScratchDir();
    const std::string folder = scratch + "/Mail";

    AddressTable db;
    db.CreateDefaultTable();
    bench::FillTable(db, kMessages);
    for (int k = 0; k < kMessages; ++k) {
        bench::Require(db.ReadRecord(k));
        char address[40];
        std::snprintf(address, sizeof address, "r%04d@example.com", k);
        bench::Require(db.SetValue(field::kMail, address));
        bench::Require(db.SetValue(field::kPrintMark, "1"));
        bench::Require(db.PostRecord());
    }
    RecordSet records;
    records.Attach(&db);
    if (records.SetSort(SJ("メール,カナ"), 0) != SortError::kNone
        || records.Select(SJ("印字区分='1'")) != SelectResult::kSelected || records.GetRowCount() != kMessages) {
        std::fprintf(stderr, "the records were not selected\n");
        return 1;
    }
    TemplateList templates;
    for (int i : { 0, 3, 4 })
        templates.push_back({ i, Body()[static_cast<std::size_t>(i)] });

    // The same messages, built beforehand.
    std::vector<std::string> prebuilt;
    {
        SmtpClient mail;
        PrepareClient(mail);
        static_cast<void>(mail.SetFrom("sender@example.com", SJ("幹事")));
        mail.SetSubject(SJ("新年会のご案内"));
        records.SetPos(0);
        do {
            const char* address = records.GetValueByName(SJ("メール"));
            static_cast<void>(mail.SetTo(address, records.GetValueByName(SJ("名前"))));
            for (const TemplateLine& t : templates)
                mail.SetBodyLine(t.index, MailingRun::Substitute(t.text, records));
            prebuilt.push_back(std::string("MAIL FROM: <sender@example.com>\r\n") + "RCPT TO: <" + address
                + ">\r\nDATA\r\n" + mail.MessageText() + ".\r\n");
        } while (records.Next() == CursorMove::kMoved);
    }

    Figures server;
    {
        // The server stores every message; in memory, the disk's hiccups stay out of
        // the figures.
        char shm[] = "/dev/shm/nrt-mail-bench-XXXXXX";
        const bool inMemory = ::mkdtemp(shm) != nullptr;
        const std::string spool = inMemory ? std::string(shm) : scratch + "/spool";
        const std::unique_ptr<const std::string, void (*)(const std::string*)> removeSpool(
            inMemory ? &spool : nullptr, [](const std::string* made) { platform::fs::RemoveTree(*made); });
        NodeServer node(spool);
        if (node.Port() == 0) {
            std::fprintf(stderr, "the npm SMTP server did not start (node, tools/node_modules from scripts/setup)\n");
            return 1;
        }
        server = Measure(node.Port(), records, templates, folder, prebuilt);
    }
    SmtpSink sink;
    const Figures own = Measure(sink.Port(), records, templates, folder, prebuilt);
    if (!server.ok || !own.ok || sink.Messages() != 2 * (kRuns + 1) * kMessages) {
        std::fprintf(stderr, "a mailing did not go through\n");
        return 1;
    }
    bench::Print("mail_1000_ms", server.mailMs, "ms");
    bench::Print("messages_per_s", kMessages * 1000.0 / server.mailMs, "msg/s");
    bench::Print("raw_1000_ms", server.rawMs, "ms");
    bench::Print("mail_vs_raw_ratio", server.mailMs / server.rawMs, "x");
    bench::Print("sink_mail_1000_ms", own.mailMs, "ms");
    bench::Print("sink_raw_1000_ms", own.rawMs, "ms");
    bench::Print("sink_mail_vs_raw_ratio", own.mailMs / own.rawMs, "x");
    return 0;
}
