#pragma once
// A file read on a second thread while the caller already works on the bytes that
// have arrived: for large files whose reading costs as much as what is done with them.
// The bytes arrive in order into one buffer of the file's size with a NUL after it.

#include "platform/LargeMemory.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string_view>
#include <thread>

namespace nrt::platform {

class ArrivingFile {
public:
    static constexpr std::size_t kFailed = static_cast<std::size_t>(-1);

    ArrivingFile() = default;
    ~ArrivingFile();
    ArrivingFile(const ArrivingFile&) = delete;
    ArrivingFile& operator=(const ArrivingFile&) = delete;

    // Starts reading a regular file of at least `minSize` bytes. False (nothing
    // started) for a smaller file, one that cannot be opened, or no memory or thread.
    bool Start(std::string_view path, std::size_t minSize);

    char* Data() const { return data_.get(); }
    // The size the file had when it was opened.
    std::size_t Size() const { return size_; }
    // Waits until `count` bytes (at most Size()) have arrived: how many have, or
    // kFailed once reading has failed.
    std::size_t WaitFor(std::size_t count);
    // Waits for the reading to end: true when the buffer holds the whole file as it
    // was opened (it did not fail, shrink or grow meanwhile).
    bool Finish();
    // The buffer, once finished.
    LargeArray<char> Take() { return std::move(data_); }

private:
    void Read(int fd);

    LargeArray<char> data_;
    std::size_t size_ = 0;
    std::atomic<std::size_t> arrived_ { 0 };
    std::thread reader_;
};

} // namespace nrt::platform
