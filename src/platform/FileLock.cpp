#include "platform/FileLock.h"

#include "platform/fs.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace nrt::platform {
namespace {

int OpenLockFile(std::string_view path)
{
    const std::string sys = fs::ToSystemPath(path);
    int fd = ::open(sys.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    // In a folder nobody may write to, an existing lock file still locks.
    if (fd < 0)
        fd = ::open(sys.c_str(), O_RDONLY | O_CLOEXEC);
    return fd;
}

bool TakeLock(int fd)
{
    int r;
    do
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    return r == 0;
}

} // namespace

FileLock::~FileLock()
{
    Unlock();
}

void FileLock::Unlock()
{
    if (fd_ >= 0)
        ::close(fd_); // closing drops the lock
    fd_ = -1;
}

FileLock::Result FileLock::TryLock(std::string_view path)
{
    return Lock(path, 0);
}

FileLock::Result FileLock::Lock(std::string_view path, int timeoutMs)
{
    Unlock();
    const int fd = OpenLockFile(path);
    if (fd < 0)
        return Result::Failed;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!TakeLock(fd)) {
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= until) {
            const bool busy = errno == EWOULDBLOCK;
            ::close(fd);
            return busy ? Result::Busy : Result::Failed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    fd_ = fd;
    return Result::Locked;
}

bool FileLock::HeldElsewhere(std::string_view path)
{
    const std::string sys = fs::ToSystemPath(path);
    const int fd = ::open(sys.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false; // no file, no holder
    const bool free = TakeLock(fd);
    ::close(fd);
    return !free;
}

} // namespace nrt::platform
