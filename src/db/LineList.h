#pragma once
// The program's general list of byte strings ("lines"), stored in shared blocks, and
// its two file forms: the line list file (CR LF lines) and the item list file ("LI").

#include "platform/LargeMemory.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

// Why a list could not be read or written.
enum class LineListError : int {
    kNone = 0,
    kFile = 1, // the file cannot be opened, read or written
    kMemory = 2, // memory ran out while the lines were stored
    kNotItems = 3, // not an item list file: it does not begin with "LI"
};

// What reading or writing a list gave: the lines read or written, or why it failed
// (the lines read before a failure stay in the list).
struct [[nodiscard]] LineListResult {
    LineListError error = LineListError::kNone;
    int count = 0;
    explicit operator bool() const { return error == LineListError::kNone; }
};

class LineList {
public:
    static constexpr std::size_t kDefaultBlockSize = 2048;

    explicit LineList(std::size_t blockSize = kDefaultBlockSize);
    ~LineList() = default;
    LineList(const LineList&) = delete;
    LineList& operator=(const LineList&) = delete;

    void Clear();
    int GetCount() const { return static_cast<int>(entries_.size()); }

    // False when i is not below the count; `out` then is left alone.
    bool GetEntry(int i, std::string_view& out) const;
    // Line i; the empty text when i is out of range. data() is always NUL-terminated.
    std::string_view GetLine(int i) const;
    // Line i as a C string (stops at an embedded NUL).
    const char* GetText(int i) const { return GetLine(i).data(); }

    bool SetLine(int i, std::string_view bytes);
    bool AddLine(std::string_view bytes) { return SetLine(GetCount(), bytes); }
    // Stores the text cut before its first control byte other than TAB.
    bool SetText(int i, std::string_view text);
    bool AddText(std::string_view text) { return SetText(GetCount(), text); }
    void DeleteLine(int i);

    // Writable access to the bytes of line i (for flag bytes of packed records);
    // nullptr when the line does not exist or is empty.
    char* MutableLine(int i);

    // The line list file: lines ended by CR (an LF after it dropped), cut at 1024 bytes.
    // The count is of the lines that ended: a last line without its CR is read but not
    // counted. On kFile the list is left as it was.
    [[nodiscard]] LineListResult LoadText(std::string_view path);
    [[nodiscard]] LineListResult SaveText(std::string_view path) const;
    // The item list file; on kFile or kNotItems the list is empty. Damage after the
    // header ends the list there and is no failure.
    [[nodiscard]] LineListResult LoadItems(std::string_view path);
    [[nodiscard]] LineListResult SaveItems(std::string_view path) const;

    // The same two forms on bytes in memory, for callers that read or write elsewhere.
    [[nodiscard]] LineListResult ParseText(std::string_view bytes);
    std::string FormatText() const;
    [[nodiscard]] LineListResult ParseItems(std::string_view bytes);
    std::string FormatItems() const;

    // Prepares room for `lines` more lines of `bytes` bytes in all, so that a bulk load
    // makes one allocation instead of many.
    bool Reserve(std::size_t lines, std::size_t bytes);

    // Takes over memory holding lines already in place (a file read whole): lines are
    // then added with AddLineAt without copying. Returns the block's number, or -1.
    int AdoptBlock(std::unique_ptr<char[]> memory, std::size_t size);
    // Adds the `length` bytes at `offset` of an adopted block as the next line; the byte
    // after them must be NUL. A rewrite that does not fit moves the line elsewhere.
    bool AddLineAt(int block, std::size_t offset, std::size_t length);

    // Number of storage blocks in use (for tests of the storage rules).
    int BlocksInUse() const;

private:
    struct Block {
        platform::LargeArray<char> memory;
        std::size_t used = 0;
        std::size_t capacity = 0;
        int lines = 0;
    };
    struct Entry {
        char* data = nullptr;
        std::size_t length = 0;
        std::size_t room = 0;
        int block = -1;
    };

    bool NewBlock(std::size_t size);
    bool NewBlockSlot(); // makes a free entry of blocks_ current
    void Release(int block);

    std::size_t blockSize_;
    std::vector<Block> blocks_;
    std::vector<int> freeSlots_; // freed entries of blocks_, reused first
    int current_ = 0;
    std::vector<Entry> entries_;
};

} // namespace nrt
