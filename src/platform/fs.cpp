#include "platform/fs.h"

#include "platform/sjis.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <new>
#include <random>

namespace nrt::platform::fs {
namespace {

std::atomic<long long> g_writeBudget { -1 };
const std::time_t g_processStart = std::time(nullptr);

// write(2) with the test fault and EINTR handled; false on any failure.
bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        std::size_t chunk = size;
        long long budget = g_writeBudget.load();
        if (budget >= 0) {
            if (budget == 0) {
                errno = ENOSPC;
                return false;
            }
            chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(budget));
        }
        ssize_t n = ::write(fd, data, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (budget >= 0)
            g_writeBudget.store(budget - n);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string ParentOf(const std::string& sys)
{
    auto pos = sys.find_last_of('/');
    if (pos == std::string::npos)
        return ".";
    if (pos == 0)
        return "/";
    return sys.substr(0, pos);
}

bool SyncDir(const std::string& dir)
{
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::fsync(fd);
    ::close(fd);
    return true;
}

constexpr char kTempMarker[] = ".nrt-tmp-";

std::string TempNameFor(const std::string& sysTarget)
{
    static std::atomic<unsigned> counter { 0 };
    thread_local std::mt19937 rng { std::random_device {}() };
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "%s%d-%u-%08x", kTempMarker, static_cast<int>(::getpid()), counter++,
        static_cast<unsigned>(rng()));
    return sysTarget + suffix;
}

} // namespace

std::string ToSystemPath(std::string_view path)
{
    return SjisToUtf8(path);
}

std::string FromSystemPath(std::string_view systemPath)
{
    return Utf8ToSjis(systemPath);
}

bool ReadFile(std::string_view path, std::string& out)
{
    out.clear();
    const std::string sys = ToSystemPath(path);
    int fd = ::open(sys.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st { };
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (st.st_size > 0)
        out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            out.clear();
            return false;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool ReadFile(std::string_view path, std::unique_ptr<char[]>& data, std::size_t& size)
{
    data.reset();
    size = 0;
    const std::string sys = ToSystemPath(path);
    int fd = ::open(sys.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::size_t capacity = static_cast<std::size_t>(st.st_size) + 1;
    auto buf = std::unique_ptr<char[]>(new (std::nothrow) char[capacity]);
    bool ok = buf != nullptr;
    std::size_t got = 0;
    while (ok) {
        if (got + 1 == capacity) {
            // Full as the size said; only a file that grew meanwhile has more.
            char probe[4096];
            ssize_t n = ::read(fd, probe, sizeof probe);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            const std::size_t more = static_cast<std::size_t>(n);
            auto bigger = std::unique_ptr<char[]>(new (std::nothrow) char[capacity * 2 + more]);
            if (!bigger) {
                ok = false;
                break;
            }
            std::memcpy(bigger.get(), buf.get(), got);
            std::memcpy(bigger.get() + got, probe, more);
            got += more;
            buf = std::move(bigger);
            capacity = capacity * 2 + more;
            continue;
        }
        ssize_t n = ::read(fd, buf.get() + got, capacity - 1 - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!ok)
        return false;
    buf[got] = 0;
    data = std::move(buf);
    size = got;
    return true;
}

bool Exists(std::string_view path)
{
    struct stat st { };
    return ::stat(ToSystemPath(path).c_str(), &st) == 0;
}

bool IsFile(std::string_view path)
{
    struct stat st { };
    return ::stat(ToSystemPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(std::string_view path)
{
    struct stat st { };
    return ::stat(ToSystemPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileSize(std::string_view path, std::uint64_t& size)
{
    struct stat st { };
    if (::stat(ToSystemPath(path).c_str(), &st) != 0)
        return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool FileTime(std::string_view path, std::int64_t& seconds)
{
    struct stat st { };
    if (::stat(ToSystemPath(path).c_str(), &st) != 0)
        return false;
    seconds = static_cast<std::int64_t>(st.st_mtime);
    return true;
}

bool GetFileStamp(std::string_view path, FileStamp& stamp)
{
    stamp = {};
    struct stat st { };
    if (::stat(ToSystemPath(path).c_str(), &st) != 0)
        return false;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

bool MakeDir(std::string_view path)
{
    const std::string sys = ToSystemPath(path);
    if (::mkdir(sys.c_str(), 0700) == 0)
        return true;
    struct stat st { };
    return errno == EEXIST && ::stat(sys.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirs(std::string_view path)
{
    std::string sys = ToSystemPath(path);
    while (sys.size() > 1 && sys.back() == '/')
        sys.pop_back();
    for (std::size_t pos = 1; pos <= sys.size(); ++pos) {
        if (pos == sys.size() || sys[pos] == '/') {
            std::string part = sys.substr(0, pos);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st { };
    return ::stat(sys.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakePrivate(std::string_view path)
{
    const std::string sys = ToSystemPath(path);
    struct stat st { };
    if (::stat(sys.c_str(), &st) != 0)
        return false;
    if ((st.st_mode & 077) == 0)
        return true;
    return ::chmod(sys.c_str(), st.st_mode & 07700) == 0;
}

bool RemoveFile(std::string_view path)
{
    return ::unlink(ToSystemPath(path).c_str()) == 0;
}

bool RemoveDir(std::string_view path)
{
    return ::rmdir(ToSystemPath(path).c_str()) == 0;
}

bool RemoveTree(std::string_view path)
{
    if (!IsDirectory(path))
        return RemoveFile(path);
    bool ok = true;
    std::string base(path);
    for (const auto& e : ListDir(base)) {
        std::string child = base + "/" + e.name;
        ok = (e.isDirectory ? RemoveTree(child) : RemoveFile(child)) && ok;
    }
    return RemoveDir(base) && ok;
}

bool Rename(std::string_view from, std::string_view to)
{
    return ::rename(ToSystemPath(from).c_str(), ToSystemPath(to).c_str()) == 0;
}

bool ReplaceDir(std::string_view fresh, std::string_view target, std::string_view aside)
{
    const std::string from = ToSystemPath(fresh);
    const std::string to = ToSystemPath(target);
    if (!IsDirectory(target))
        return ::rename(from.c_str(), to.c_str()) == 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // No swap on this file system (FAT on a backup stick): a killed run between the two
    // renames leaves the old folder at `aside`, where the next start finds it.
    const std::string old = ToSystemPath(aside);
    if (::rename(to.c_str(), old.c_str()) != 0)
        return false;
    if (::rename(from.c_str(), to.c_str()) != 0) {
        ::rename(old.c_str(), to.c_str());
        return false;
    }
    return ::rename(old.c_str(), from.c_str()) == 0 || RemoveTree(aside);
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists, int mode)
{
    if (failIfExists && Exists(to))
        return false;
    const std::string src = ToSystemPath(from);
    int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st { };
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    // The copy has the permissions of its source: a private file (the settings with
    // the mail password) stays private in a backup set and after a restore.
    AtomicWriter out(to, mode == kSourceMode ? static_cast<unsigned>(st.st_mode & 07777) : static_cast<unsigned>(mode));
    bool ok = out.isOpen();
    std::uint64_t copied = 0;
    char buf[65536];
    while (ok) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        copied += static_cast<std::uint64_t>(n);
        ok = out.write(buf, static_cast<std::size_t>(n));
    }
    ::close(in);
    if (!ok || !out.commit())
        return false;
    // The copy is whole only when it is as long as what was read.
    std::uint64_t size = 0;
    return FileSize(to, size) && size == copied;
}

std::vector<DirEntry> ListDir(std::string_view folder)
{
    std::vector<DirEntry> result;
    const std::string sys = ToSystemPath(folder);
    DIR* dir = ::opendir(sys.c_str());
    if (!dir)
        return result;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st { };
        bool isDir = ::stat((sys + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        result.push_back({ FromSystemPath(name), isDir });
    }
    ::closedir(dir);
    std::sort(result.begin(), result.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return result;
}

int RemoveStaleTempFiles(std::string_view folder)
{
    const std::time_t before = g_processStart;
    const std::string sys = ToSystemPath(folder);
    DIR* dir = ::opendir(sys.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (dirent* e = ::readdir(dir)) {
        const char* marker = std::strstr(e->d_name, kTempMarker);
        if (!marker)
            continue;
        // A writer that is still alive may be about to rename its file into place.
        const long pid = std::strtol(marker + sizeof kTempMarker - 1, nullptr, 10);
        if (pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM))
            continue;
        const std::string file = sys + "/" + e->d_name;
        struct stat st { };
        if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_mtime >= before)
            continue;
        if (::unlink(file.c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

AtomicWriter::AtomicWriter(std::string_view path)
    : target_(ToSystemPath(path))
{
    temp_ = TempNameFor(target_);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ >= 0) {
        // Keep the permissions of the file being replaced.
        struct stat st { };
        if (::stat(target_.c_str(), &st) == 0)
            ::fchmod(fd_, st.st_mode & 07777);
    }
}

AtomicWriter::AtomicWriter(std::string_view path, unsigned mode)
    : target_(ToSystemPath(path))
{
    temp_ = TempNameFor(target_);
    const auto bits = static_cast<mode_t>(mode & 07777);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, bits);
    if (fd_ >= 0)
        ::fchmod(fd_, bits); // exactly this mode, not narrowed or widened by the umask
}

AtomicWriter::~AtomicWriter()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_.c_str());
    }
}

bool AtomicWriter::flush()
{
    if (buffer_.empty())
        return true;
    bool ok = WriteAll(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
}

bool AtomicWriter::write(std::string_view bytes)
{
    if (fd_ < 0 || failed_)
        return false;
    if (buffer_.size() + bytes.size() > 65536 && !flush()) {
        failed_ = true;
        return false;
    }
    if (bytes.size() > 65536) {
        if (!WriteAll(fd_, bytes.data(), bytes.size()))
            failed_ = true;
        return !failed_;
    }
    buffer_.append(bytes);
    return true;
}

bool AtomicWriter::commit()
{
    if (fd_ < 0)
        return false;
    bool ok = !failed_ && flush() && ::fsync(fd_) == 0;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    if (ok)
        ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        ::unlink(temp_.c_str());
        return false;
    }
    SyncDir(ParentOf(target_));
    return true;
}

FileReader::FileReader(std::string_view path)
{
    fd_ = ::open(ToSystemPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st { };
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
}

FileReader::~FileReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

long long FileReader::readAt(std::uint64_t offset, void* data, std::size_t size) const
{
    if (fd_ < 0 || offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return -1;
    auto* out = static_cast<char*>(data);
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::pread(fd_, out + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(got);
}

bool AtomicWriteFile(std::string_view path, std::string_view bytes)
{
    AtomicWriter w(path);
    return w.write(bytes) && w.commit();
}

bool AtomicWriteFile(std::string_view path, std::string_view bytes, unsigned mode)
{
    AtomicWriter w(path, mode);
    return w.write(bytes) && w.commit();
}

bool WriteNewFile(std::string_view path, std::string_view bytes)
{
    int fd = ::open(ToSystemPath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    return (::close(fd) == 0) && ok;
}

bool Sync(const std::vector<std::string>& paths)
{
    std::vector<int> fds;
    fds.reserve(paths.size());
    bool ok = true;
    for (const auto& p : paths) {
        int fd = ::open(ToSystemPath(p).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            ok = false;
            continue;
        }
#ifdef __linux__
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
        fds.push_back(fd);
    }
    for (int fd : fds) {
        ok = ::fsync(fd) == 0 && ok;
        ::close(fd);
    }
    return ok;
}

bool AppendFile(std::string_view path, std::string_view bytes)
{
    int fd = ::open(ToSystemPath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    return (::close(fd) == 0) && ok;
}

namespace testing {
void FailWritesAfter(long long bytes)
{
    g_writeBudget.store(bytes < 0 ? -1 : bytes);
}
} // namespace testing

} // namespace nrt::platform::fs
