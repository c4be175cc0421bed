#pragma once
// A CUPS server of the test's own: cupsd with its configuration, spool and logs in a
// temporary folder, listening on a socket there, with one PDF printer (cups-pdf)
// whose files land in cups-pdf's folder for jobs of unknown users.

#include "support/TestSupport.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace nrt::test {

// A paper size the queue's driver description lists besides its own, in points.
struct ExtraPaper {
    std::string name;
    int widthPt, heightPt;
};

class CupsServer {
public:
    // `papers`: sizes added to cups-pdf's driver description, as an inkjet's lists them.
    explicit CupsServer(std::vector<ExtraPaper> papers = {});
    ~CupsServer();
    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    // Empty when the server runs with its queue; else why it could not start.
    const std::string& Failure() const { return failure_; }
    // What a client sets CUPS_SERVER to.
    const std::string& Socket() const { return socket_; }
    const std::string& Queue() const { return queue_; }
    // The user jobs are sent as: one the system does not know, so the file goes to
    // cups-pdf's folder for anonymous jobs.
    const std::string& JobUser() const { return user_; }

    // The PDF cups-pdf wrote for a job sent since the server started, once written
    // whole; empty after `timeout`. The file is removed when the server stops.
    std::string WaitForOutput(std::chrono::seconds timeout);
    // The server's error log (its end), for failure messages.
    std::string Log() const;
    // The options the server gave the last job's filters, for failure messages.
    std::string JobOptions() const;

private:
    bool Start();
    // cups-pdf's description with the extra papers, written beside the server's files.
    std::string DriverDescription() const;

    TempDir dir_;
    std::string socket_;
    std::string queue_ = "nortea_cups_pdf";
    std::string user_;
    std::string failure_;
    std::string output_;
    std::vector<ExtraPaper> papers_;
    pid_t pid_ = -1;
    int lockFd_ = -1;
    long long startedAt_ = 0;
};

} // namespace nrt::test
