#include "CupsServer.h"

#include "platform/fs.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace nrt::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kBackend = "/usr/lib/cups/backend/cups-pdf";
constexpr const char* kPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
// cups-pdf's folder for jobs of users the system does not know (its default).
constexpr const char* kAnonymousOut = "/var/spool/cups-pdf/ANONYMOUS";

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream(path) << text;
}

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

long long Now()
{
    return std::chrono::duration_cast<std::chrono::seconds>(fs::file_time_type::clock::now().time_since_epoch())
        .count();
}

long long Stamp(const fs::path& p)
{
    std::error_code ec;
    const auto t = fs::last_write_time(p, ec);
    return ec ? 0 : std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

} // namespace

CupsServer::CupsServer(std::vector<ExtraPaper> papers)
    : papers_(std::move(papers))
{
    user_ = "nortea-test-" + std::to_string(::getpid());
    // cups-pdf writes every queue's files into one folder: tests that print run one
    // after the other, so each finds its own file there.
    lockFd_ = ::open("/tmp/nortea-test-cups-pdf.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lockFd_ >= 0)
        ::flock(lockFd_, LOCK_EX);
    if (!Start() && pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

CupsServer::~CupsServer()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (!output_.empty())
        ::unlink(output_.c_str());
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

bool CupsServer::Start()
{
    for (const char* needed : { kCupsd, kBackend, kPpd })
        if (::access(needed, F_OK) != 0) {
            failure_ = std::string(needed) + " is not installed (scripts/setup installs it)";
            return false;
        }
    // cups-pdf runs only as root, and cupsd runs a backend as root only when it is.
    if (::geteuid() != 0) {
        failure_ = "cups-pdf needs a cupsd running as root";
        return false;
    }
    const fs::path root = U(dir_.Path());
    // Filters run as the unprivileged "lp" user and must reach the spool.
    ::chmod(root.c_str(), 0755);
    for (const char* sub : { "conf", "spool", "spool/tmp", "cache", "state", "log" })
        fs::create_directories(root / sub);
    ::chmod((root / "spool/tmp").c_str(), 01777);
    socket_ = (root / "cups.sock").string();
    WriteText(root / "conf/cupsd.conf",
        "Listen " + socket_
            + "\nLogLevel debug\nWebInterface No\nBrowsing No\nDefaultAuthType None\n"
              "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
              "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n  </Limit>\n</Policy>\n");
    WriteText(root / "conf/cups-files.conf",
        "ServerRoot " + (root / "conf").string() + "\nRequestRoot " + (root / "spool").string() + "\nTempDir "
            + (root / "spool/tmp").string() + "\nCacheDir " + (root / "cache").string() + "\nStateDir "
            + (root / "state").string() + "\nErrorLog " + (root / "log/error_log").string() + "\nAccessLog "
            + (root / "log/access_log").string() + "\nPageLog " + (root / "log/page_log").string()
            + "\nSystemGroup root\n");

    pid_ = ::fork();
    if (pid_ == 0) {
        const std::string conf = (root / "conf/cupsd.conf").string();
        const std::string files = (root / "conf/cups-files.conf").string();
        ::execl(kCupsd, kCupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid_ < 0) {
        failure_ = "cannot start cupsd";
        return false;
    }
    const std::string env = "CUPS_SERVER=" + Quote(socket_) + " ";
    for (int i = 0; i < 100 && !fs::exists(socket_); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!fs::exists(socket_)) {
        failure_ = "cupsd did not start: " + Log();
        return false;
    }
    const std::string ppd = DriverDescription();
    if (ppd.empty()) {
        failure_ = "cannot write the driver description";
        return false;
    }
    const std::string add = env + "lpadmin -p " + queue_ + " -E -v cups-pdf:/ -P " + Quote(ppd) + " >/dev/null 2>&1";
    if (std::system(add.c_str()) != 0) {
        failure_ = "lpadmin could not add the cups-pdf queue: " + Log();
        return false;
    }
    startedAt_ = Now();
    return true;
}

std::string CupsServer::DriverDescription() const
{
    if (papers_.empty())
        return kPpd;
    std::ifstream in(kPpd);
    std::ostringstream out;
    // Each size goes after A4's line of each of the four keywords that list sizes.
    for (std::string line; std::getline(in, line);) {
        out << line << '\n';
        for (const char* key : { "*PageSize", "*PageRegion", "*ImageableArea", "*PaperDimension" }) {
            if (line.rfind(std::string(key) + " A4/", 0) != 0)
                continue;
            for (const ExtraPaper& p : papers_) {
                const std::string size = std::to_string(p.widthPt) + " " + std::to_string(p.heightPt);
                out << key << ' ' << p.name << '/' << p.name << ": \"";
                if (std::string(key) == "*ImageableArea")
                    out << "0 0 " << size;
                else if (std::string(key) == "*PaperDimension")
                    out << size;
                else
                    out << "<</PageSize[" << size << "]/ImagingBBox null>>setpagedevice";
                out << "\"\n";
            }
        }
    }
    const std::string path = (fs::path(U(dir_.Path())) / "conf/inkjet.ppd").string();
    std::ofstream(path) << out.str();
    return in.eof() ? path : std::string();
}

std::string CupsServer::WaitForOutput(std::chrono::seconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    std::string candidate;
    std::uintmax_t lastSize = 0;
    while (std::chrono::steady_clock::now() < until) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(kAnonymousOut, ec)) {
            if (entry.path().extension() == ".pdf" && Stamp(entry.path()) >= startedAt_)
                candidate = entry.path().string();
        }
        if (!candidate.empty()) {
            output_ = candidate;
            const std::uintmax_t size = fs::file_size(candidate, ec);
            // Written whole: the size has settled and the file ends as a PDF does.
            if (!ec && size > 0 && size == lastSize) {
                std::string bytes;
                std::ifstream in(candidate, std::ios::binary);
                bytes.assign(std::istreambuf_iterator<char>(in), {});
                if (bytes.find("%%EOF", bytes.size() > 64 ? bytes.size() - 64 : 0) != std::string::npos)
                    return candidate;
            }
            lastSize = size;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return {};
}

namespace {

std::string ReadLog(const std::string& folder)
{
    std::ifstream in(fs::path(U(folder)) / "log/error_log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::string CupsServer::Log() const
{
    const std::string log = ReadLog(dir_.Path());
    return log.size() > 4000 ? log.substr(log.size() - 4000) : log;
}

std::string CupsServer::JobOptions() const
{
    const std::string log = ReadLog(dir_.Path());
    const std::size_t at = log.rfind("argv[5]=");
    return at == std::string::npos ? std::string() : log.substr(at, log.find('\n', at) - at);
}

} // namespace nrt::test
