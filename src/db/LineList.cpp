#include "db/LineList.h"

#include "platform/LittleEndian.h"
#include "platform/fs.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace nrt {
namespace {

constexpr char kEmpty[1] = { 0 };
constexpr std::size_t kSpare = 10;
constexpr std::size_t kGrowStep = 10;
constexpr std::size_t kTextCut = 1024;
constexpr std::size_t kItemBuffer = 1028;

void Reserve10(auto& v)
{
    if (v.size() == v.capacity())
        v.reserve(v.capacity() + kGrowStep > v.capacity() * 2 ? v.capacity() + kGrowStep : v.capacity() * 2);
}

} // namespace

LineList::LineList(std::size_t blockSize)
    : blockSize_(blockSize ? blockSize : kDefaultBlockSize)
{
    Clear();
}

void LineList::Clear()
{
    entries_.clear();
    entries_.shrink_to_fit();
    blocks_.clear();
    freeSlots_.clear();
    current_ = 0;
    NewBlock(blockSize_);
    current_ = 0;
}

bool LineList::NewBlock(std::size_t size)
{
    std::size_t capacity = 0;
    auto memory = platform::AllocateLarge<char>(size, capacity);
    if (!memory || !NewBlockSlot())
        return false;
    Block& b = blocks_[current_];
    b.memory = std::move(memory);
    b.used = 0;
    b.capacity = capacity;
    b.lines = 0;
    return true;
}

bool LineList::NewBlockSlot()
{
    // Reuse a freed slot before growing the array.
    std::size_t slot = blocks_.size();
    if (!freeSlots_.empty()) {
        slot = static_cast<std::size_t>(freeSlots_.back());
        freeSlots_.pop_back();
    } else {
        Reserve10(blocks_);
        blocks_.emplace_back();
    }
    current_ = static_cast<int>(slot);
    return true;
}

void LineList::Release(int block)
{
    if (block < 0 || block >= static_cast<int>(blocks_.size()))
        return;
    Block& b = blocks_[block];
    if (--b.lines <= 0) {
        b.lines = 0;
        if (block != 0 && block != current_) {
            b.memory.reset();
            b.used = b.capacity = 0;
            freeSlots_.push_back(block);
        }
    }
}

bool LineList::GetEntry(int i, std::string_view& out) const
{
    if (i < 0 || i >= GetCount())
        return false;
    const Entry& e = entries_[i];
    out = e.data ? std::string_view(e.data, e.length) : std::string_view(kEmpty, 0);
    return true;
}

std::string_view LineList::GetLine(int i) const
{
    if (i < 0 || i >= GetCount() || !entries_[i].data)
        return std::string_view(kEmpty, 0);
    return std::string_view(entries_[i].data, entries_[i].length);
}

char* LineList::MutableLine(int i)
{
    if (i < 0 || i >= GetCount() || !entries_[i].data || entries_[i].length == 0)
        return nullptr;
    return entries_[i].data;
}

bool LineList::SetLine(int i, std::string_view bytes)
{
    if (i < 0)
        return false;
    while (GetCount() <= i) {
        Reserve10(entries_);
        entries_.emplace_back();
    }
    const std::size_t n = bytes.size();
    Entry& e = entries_[i];
    if (e.data && n + 2 < e.room) {
        if (n)
            std::memmove(e.data, bytes.data(), n);
        e.length = n;
        e.data[n] = 0;
        return true;
    }
    // The source may live in this list; keep a copy when a new block could free it.
    std::string copy;
    if (!bytes.empty() && e.data && bytes.data() >= e.data && bytes.data() < e.data + e.room) {
        copy.assign(bytes);
        bytes = copy;
    }
    Block* cur = &blocks_[current_];
    if (cur->capacity - cur->used < n + kSpare) {
        if (!NewBlock(n + kSpare > blockSize_ ? n + kSpare : blockSize_))
            return false;
        cur = &blocks_[current_];
    }
    char* dst = cur->memory.get() + cur->used;
    if (n)
        std::memcpy(dst, bytes.data(), n);
    dst[n] = 0;
    cur->used += n + kSpare;
    cur->lines++;
    const int oldBlock = e.data ? e.block : -1;
    e.data = dst;
    e.length = n;
    e.room = n + kSpare;
    e.block = current_;
    if (oldBlock >= 0)
        Release(oldBlock);
    return true;
}

bool LineList::SetText(int i, std::string_view text)
{
    std::size_t end = 0;
    while (end < text.size()) {
        auto c = static_cast<unsigned char>(text[end]);
        if (c < 32 && c != '\t')
            break;
        ++end;
    }
    return SetLine(i, text.substr(0, end));
}

void LineList::DeleteLine(int i)
{
    if (i < 0 || i >= GetCount())
        return;
    if (entries_[i].data)
        Release(entries_[i].block);
    entries_.erase(entries_.begin() + i);
}

bool LineList::Reserve(std::size_t lines, std::size_t bytes)
{
    entries_.reserve(entries_.size() + lines);
    if (bytes == 0)
        return true;
    const std::size_t need = bytes + lines * kSpare;
    const Block& cur = blocks_[current_];
    if (cur.capacity - cur.used >= need)
        return true;
    return NewBlock(need > blockSize_ ? need : blockSize_);
}

int LineList::AdoptBlock(std::unique_ptr<char[]> memory, std::size_t size)
{
    if (!memory)
        return -1;
    const int keepCurrent = current_;
    if (!NewBlockSlot())
        return -1;
    Block& b = blocks_[current_];
    b.memory = std::move(memory);
    b.used = b.capacity = size;
    b.lines = 0;
    const int adopted = current_;
    current_ = keepCurrent;
    return adopted;
}

bool LineList::AddLineAt(int block, std::size_t offset, std::size_t length)
{
    if (block < 0 || block >= static_cast<int>(blocks_.size()) || !blocks_[block].memory)
        return false;
    Block& b = blocks_[block];
    if (offset + length >= b.capacity || b.memory[offset + length] != 0)
        return false;
    Reserve10(entries_);
    entries_.push_back({ b.memory.get() + offset, length, length + 1, block });
    b.lines++;
    return true;
}

int LineList::BlocksInUse() const
{
    int n = 0;
    for (const Block& b : blocks_)
        n += b.memory ? 1 : 0;
    return n;
}

LineListResult LineList::ParseText(std::string_view bytes)
{
    Clear();
    int counted = 0;
    std::string line;
    line.reserve(kTextCut);
    for (std::size_t chunkStart = 0; chunkStart < bytes.size(); chunkStart += kTextCut) {
        const std::size_t chunkEnd = chunkStart + kTextCut < bytes.size() ? chunkStart + kTextCut : bytes.size();
        for (std::size_t j = chunkStart; j < chunkEnd; ++j) {
            const char c = bytes[j];
            if (c == '\r') {
                if (!AddLine(line))
                    return { LineListError::kMemory, counted };
                line.clear();
                ++counted;
                if (j + 1 < chunkEnd)
                    ++j; // the byte after CR, whatever it is
            } else if (c != '\n') {
                line.push_back(c);
                if (line.size() >= kTextCut) {
                    if (!AddLine(line))
                        return { LineListError::kMemory, counted };
                    line.clear();
                    ++counted;
                }
            }
        }
    }
    if (!line.empty() && !AddLine(line))
        return { LineListError::kMemory, counted };
    return { LineListError::kNone, counted };
}

LineListResult LineList::LoadText(std::string_view path)
{
    std::string bytes;
    if (!platform::fs::ReadFile(path, bytes))
        return { LineListError::kFile, 0 };
    return ParseText(bytes);
}

std::string LineList::FormatText() const
{
    std::string out;
    for (int i = 0; i < GetCount(); ++i) {
        out.append(GetLine(i));
        out.append("\r\n");
    }
    return out;
}

LineListResult LineList::SaveText(std::string_view path) const
{
    if (!platform::fs::AtomicWriteFile(path, FormatText()))
        return { LineListError::kFile, 0 };
    return { LineListError::kNone, GetCount() };
}

LineListResult LineList::ParseItems(std::string_view bytes)
{
    Clear();
    if (bytes.size() < 2 || bytes[0] != 'L' || bytes[1] != 'I')
        return { LineListError::kNotItems, 0 };
    std::size_t pos = 6; // "LI" and the version, not checked
    while (pos + 4 <= bytes.size()) {
        const std::int32_t len = platform::GetLE32(bytes.data() + pos);
        pos += 4;
        if (len == -1)
            break;
        // An item the 1028-byte read buffer cannot take, or a negative length, is
        // damage: stop there and keep the items before it.
        if (len < 0 || static_cast<std::size_t>(len) > kItemBuffer)
            break;
        if (bytes.size() - pos < static_cast<std::size_t>(len))
            break;
        if (!AddLine(bytes.substr(pos, static_cast<std::size_t>(len))))
            return { LineListError::kMemory, GetCount() };
        pos += static_cast<std::size_t>(len);
    }
    return { LineListError::kNone, GetCount() };
}

LineListResult LineList::LoadItems(std::string_view path)
{
    std::string bytes;
    if (!platform::fs::ReadFile(path, bytes)) {
        Clear();
        return { LineListError::kFile, 0 };
    }
    return ParseItems(bytes);
}

std::string LineList::FormatItems() const
{
    std::string out = "LI";
    platform::AppendLE32(out, 1);
    for (int i = 0; i < GetCount(); ++i) {
        std::string_view line = GetLine(i);
        platform::AppendLE32(out, static_cast<std::int32_t>(line.size()));
        out.append(line);
    }
    platform::AppendLE32(out, -1);
    return out;
}

LineListResult LineList::SaveItems(std::string_view path) const
{
    if (!platform::fs::AtomicWriteFile(path, FormatItems()))
        return { LineListError::kFile, 0 };
    return { LineListError::kNone, GetCount() };
}

} // namespace nrt
