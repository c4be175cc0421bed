#include "platform/ArrivingFile.h"

#include "platform/fs.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace nrt::platform {
namespace {

// Small enough that the caller starts early, large enough that the calls are few.
constexpr std::size_t kChunk = 256 * 1024;

} // namespace

ArrivingFile::~ArrivingFile()
{
    if (reader_.joinable())
        reader_.join();
}

bool ArrivingFile::Start(std::string_view path, std::size_t minSize)
{
    const std::string sys = fs::ToSystemPath(path);
    const int fd = ::open(sys.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) < minSize) {
        ::close(fd);
        return false;
    }
    size_ = static_cast<std::size_t>(st.st_size);
    std::size_t capacity = 0;
    data_ = AllocateLarge<char>(size_ + 1, capacity);
    if (!data_) {
        ::close(fd);
        return false;
    }
    data_[size_] = '\0';
    arrived_.store(0, std::memory_order_relaxed);
    try {
        reader_ = std::thread([this, fd] { Read(fd); });
    } catch (const std::system_error&) {
        ::close(fd);
        data_.reset();
        return false;
    }
    return true;
}

void ArrivingFile::Read(int fd)
{
    std::size_t got = 0;
    bool ok = true;
    while (ok && got < size_) {
        const ssize_t n = ::read(fd, data_.get() + got, std::min(kChunk, size_ - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false; // an error, or the file shrank
            break;
        }
        got += static_cast<std::size_t>(n);
        arrived_.store(got, std::memory_order_release);
        arrived_.notify_all();
    }
    if (ok) {
        // A file that grew meanwhile is not the file whose size was taken.
        char probe;
        ssize_t n;
        do
            n = ::read(fd, &probe, 1);
        while (n < 0 && errno == EINTR);
        ok = n == 0;
    }
    ::close(fd);
    if (!ok) {
        arrived_.store(kFailed, std::memory_order_release);
        arrived_.notify_all();
    }
}

std::size_t ArrivingFile::WaitFor(std::size_t count)
{
    count = std::min(count, size_);
    std::size_t got = arrived_.load(std::memory_order_acquire);
    while (got < count) {
        arrived_.wait(got, std::memory_order_acquire);
        got = arrived_.load(std::memory_order_acquire);
    }
    return got;
}

bool ArrivingFile::Finish()
{
    if (reader_.joinable())
        reader_.join();
    return data_ && arrived_.load(std::memory_order_acquire) == size_;
}

} // namespace nrt::platform
