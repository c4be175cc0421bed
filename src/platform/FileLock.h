#pragma once
// An exclusive advisory lock on a file (flock). The kernel drops it when its holder
// ends, however it ends, so no crash or kill can leave it stuck; the file itself is
// only a name to lock and may stay behind empty.

#include <string_view>

namespace nrt::platform {

class FileLock {
public:
    enum class Result { Locked, Busy, Failed };

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock on `path` (creating the file when missing) without waiting.
    // Failed: the file can be neither created nor opened.
    [[nodiscard]] Result TryLock(std::string_view path);
    // The same, waiting up to timeoutMs for the holder to let go.
    [[nodiscard]] Result Lock(std::string_view path, int timeoutMs);
    bool Held() const { return fd_ >= 0; }
    void Unlock();

    // Whether someone holds the lock on `path` at this moment; nothing is kept.
    static bool HeldElsewhere(std::string_view path);

private:
    int fd_ = -1;
};

} // namespace nrt::platform
