#pragma once
// Files and folders. Paths are CP932 text with "/" separators; they become UTF-8
// only at the system call. Every whole-file write goes through AtomicWriter so that a
// failed save leaves the previous file as it was.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nrt::platform::fs {

// The path as the operating system wants it (UTF-8).
std::string ToSystemPath(std::string_view path);
// A UTF-8 system path back to the program's CP932 form.
std::string FromSystemPath(std::string_view systemPath);

bool ReadFile(std::string_view path, std::string& out);
// The same into a buffer the caller can hand on; one NUL byte follows the data.
bool ReadFile(std::string_view path, std::unique_ptr<char[]>& data, std::size_t& size);
bool Exists(std::string_view path);
bool IsFile(std::string_view path);
bool IsDirectory(std::string_view path);
bool FileSize(std::string_view path, std::uint64_t& size);
// Modification time in seconds since the epoch; false when the file is missing.
bool FileTime(std::string_view path, std::int64_t& seconds);
// What tells one version of a file from another: a save by rename gives a new inode,
// an edit in place a new time or size.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// False (and an empty stamp) when the file is missing.
bool GetFileStamp(std::string_view path, FileStamp& stamp);

// Creates one folder; true when it exists afterwards. Folders the program makes hold
// address books, settings with the mail password and backups: they are made 0700.
bool MakeDir(std::string_view path);
// Creates the folder and every missing parent (0700 too).
bool MakeDirs(std::string_view path);
// Takes the group's and others' permissions off an existing file or folder; true when
// it has none afterwards.
bool MakePrivate(std::string_view path);
bool RemoveFile(std::string_view path);
// Removes an empty folder.
bool RemoveDir(std::string_view path);
// Removes a folder with everything in it.
bool RemoveTree(std::string_view path);
bool Rename(std::string_view from, std::string_view to);
// Puts the folder `fresh` in the place of the folder `target` in one step where the
// file system can swap two folders; the folder `target` was (if any) is then at
// `fresh`, for the caller to remove. Elsewhere the old folder is first moved to
// `aside` for that moment. True when `target` is the fresh folder afterwards.
bool ReplaceDir(std::string_view fresh, std::string_view target, std::string_view aside);
// Copies whole; the destination appears complete or not at all (temporary name, then
// rename). With failIfExists an existing destination is left alone and false returned.
// The copy has the source's permissions, or exactly `mode` when one is given.
inline constexpr int kSourceMode = -1;
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists = false, int mode = kSourceMode);

// Names (not paths) of the entries of a folder, sorted by byte order; "." and ".." left out.
struct DirEntry {
    std::string name;
    bool isDirectory = false;
};
std::vector<DirEntry> ListDir(std::string_view folder);

// Writes a whole file: a temporary file beside the target, synced and renamed over it.
class AtomicWriter {
public:
    // The new file keeps the permissions of the file it replaces (0644 when new).
    explicit AtomicWriter(std::string_view path);
    // The new file gets exactly `mode` (such as 0600), whatever the replaced file had.
    AtomicWriter(std::string_view path, unsigned mode);
    ~AtomicWriter(); // discards the temporary file unless committed
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    bool write(std::string_view bytes);
    bool write(const void* data, std::size_t size)
    {
        return write(std::string_view(static_cast<const char*>(data), size));
    }
    // Flushes, syncs and renames; false (and the old file untouched) on any failure.
    bool commit();

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
    std::string buffer_;
    bool flush();
};

// Reads parts of a file without loading it whole (dictionary lookups, long lists read
// piece by piece). The file stays open for the reader's lifetime.
class FileReader {
public:
    explicit FileReader(std::string_view path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // Up to `size` bytes at `offset`: the number read (fewer at the end of the file),
    // or -1 on a read error or when the file is not open.
    long long readAt(std::uint64_t offset, void* data, std::size_t size) const;

private:
    int fd_ = -1;
};

// The temporary files AtomicWriter leaves behind when its process is killed mid-save:
// those in `folder` of writers no longer running, last written before this process
// started, are removed. Returns how many went.
int RemoveStaleTempFiles(std::string_view folder);

bool AtomicWriteFile(std::string_view path, std::string_view bytes);
bool AtomicWriteFile(std::string_view path, std::string_view bytes, unsigned mode);
// Writes a file that must not exist yet, without syncing it: for a folder of new files
// that is made durable with Sync as a whole and only then put in place.
bool WriteNewFile(std::string_view path, std::string_view bytes);
// Makes files and folders written without syncing durable: starts the write-back of all
// of them first, then waits for each, which costs far less than one sync per file.
bool Sync(const std::vector<std::string>& paths);
// Appends to a log file, creating it when missing.
bool AppendFile(std::string_view path, std::string_view bytes);

namespace testing {
// Makes every write through this module fail with "disk full" once `bytes` more bytes
// have been written; a negative value turns the fault off.
void FailWritesAfter(long long bytes);
} // namespace testing

} // namespace nrt::platform::fs
