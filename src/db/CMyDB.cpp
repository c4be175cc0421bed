#include "db/CMyDB.h"

#include "platform/LittleEndian.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <cstring>

namespace nrt {
const std::string& DefaultFieldName(int index)
{
    static const auto names = [] {
        std::array<std::string, kDefaultSchema.size()> n;
        for (std::size_t i = 0; i < n.size(); ++i)
            n[i] = platform::Utf8ToSjis(kDefaultSchema[i].name);
        return n;
    }();
    static const std::string none;
    return index >= 0 && index < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(index)] : none;
}

int CMyDB::DefineFields(const CMyField& fields)
{
    if (fields.GetCount() == 0)
        return 50;
    fields_.clear();
    widths_.clear();
    rawDefinitions_.clear();
    std::size_t work = 25;
    for (int i = 0; i < fields.GetCount(); ++i) {
        const char* rec = fields.GetDefinition(i);
        rawDefinitions_.append(rec, FieldDef::kRecordSize);
        fields_.push_back(FieldDef::Decode(rec));
        widths_.push_back(static_cast<std::size_t>(fields_.back().width));
        work += 2 + static_cast<std::size_t>(fields_.back().width) + 1;
    }
    workBufferSize_ = work;
    buffer_.Clear();
    for (int i = 0; i < GetFieldCount(); ++i)
        buffer_.SetLine(i, {});
    records_.Clear();
    current_ = -1;
    return 0;
}

void CMyDB::CreateDefaultTable()
{
    CMyField list;
    for (std::size_t i = 0; i < kDefaultSchema.size(); ++i) {
        FieldDef d;
        d.name = DefaultFieldName(static_cast<int>(i));
        d.width = kDefaultSchema[i].width;
        list.AddField(d);
    }
    DefineFields(list);
}

int CMyDB::FindField(std::string_view name) const
{
    for (int i = 0; i < GetFieldCount(); ++i)
        if (platform::lstrcmpiA(fields_[static_cast<std::size_t>(i)].name, name) == 0)
            return i;
    return -1;
}

bool CMyDB::IsDeleted(int k) const
{
    std::string_view r = GetRecord(k);
    return !r.empty() && (static_cast<unsigned char>(r[0]) & 0x80) != 0;
}

bool CMyDB::MarkDeleted(int k)
{
    char* r = records_.MutableLine(k);
    if (!r)
        return false;
    *r = static_cast<char>(static_cast<unsigned char>(*r) | 0x80);
    return true;
}

std::uint8_t CMyDB::GetFlags(int k) const
{
    std::string_view r = GetRecord(k);
    return r.empty() ? 0 : static_cast<std::uint8_t>(r[0]);
}

void CMyDB::SetFlags(int k, std::uint8_t flags)
{
    if (char* r = records_.MutableLine(k))
        *r = static_cast<char>(flags);
}

int CMyDB::ReadRecord(int k)
{
    current_ = -1;
    if (k < 0 || k >= GetRecordCount()) {
        ClearCurrent();
        return 201;
    }
    for (int f = 0; f < GetFieldCount(); ++f)
        buffer_.SetLine(f, Value(f, k));
    current_ = k;
    return 0;
}

int CMyDB::ClearCurrent()
{
    for (int f = 0; f < GetFieldCount(); ++f)
        buffer_.SetLine(f, {});
    current_ = -1;
    return 0;
}

int CMyDB::SetValue(int f, std::string_view text)
{
    if (f == -1)
        return 202;
    if (f < 0 || f >= GetFieldCount())
        return 50;
    // A value is text: it ends at its first NUL, as the stored form cannot hold one.
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    if (text.empty()) {
        buffer_.SetLine(f, text);
        return 0;
    }
    const FieldDef& d = fields_[static_cast<std::size_t>(f)];
    if (text.size() > static_cast<std::size_t>(d.width))
        return 100;
    if (d.type == kFieldNumber)
        for (char c : text)
            if (c < '0' || c > '9')
                return 101;
    buffer_.SetLine(f, text);
    return 0;
}

int CMyDB::SetValueByName(std::string_view name, std::string_view text)
{
    int f = FindField(name);
    if (f < 0)
        return 50;
    return SetValue(f, text);
}

int CMyDB::PostRecord()
{
    const int n = GetFieldCount();
    std::string packed;
    packed.reserve(workBufferSize_);
    packed.push_back(0);
    std::size_t offset = 1 + 2 * static_cast<std::size_t>(n);
    for (int f = 0; f < n; ++f) {
        packed.push_back(static_cast<char>(offset & 0xFF));
        packed.push_back(static_cast<char>((offset >> 8) & 0xFF));
        offset += buffer_.GetLine(f).size() + 1;
    }
    for (int f = 0; f < n; ++f) {
        packed.append(buffer_.GetLine(f));
        packed.push_back(0);
    }
    if (current_ == -1)
        return records_.AddLine(packed) ? 0 : 51;
    if (current_ >= GetRecordCount() || IsDeleted(current_))
        return -1;
    return records_.SetLine(current_, packed) ? 0 : 51;
}

std::string_view CMyDB::Value(int f, int k) const
{
    if (f < 0 || f >= GetFieldCount())
        return {};
    std::string_view r = GetRecord(k);
    const std::size_t at = 1 + 2 * static_cast<std::size_t>(f);
    if (r.size() < at + 2)
        return {};
    const std::size_t off = platform::GetLE16(r.data() + at);
    if (off >= r.size())
        return {};
    // Records are checked on loading and built by PostRecord, so a NUL lies inside.
    return std::string_view(r.data() + off);
}

const char* CMyDB::GetValue(int f, int k) const
{
    if (f < 0 || f >= GetFieldCount() || k < 0 || k >= GetRecordCount())
        return nullptr;
    std::string_view r = GetRecord(k);
    const std::size_t at = 1 + 2 * static_cast<std::size_t>(f);
    if (r.size() < at + 2)
        return nullptr;
    const std::size_t off = platform::GetLE16(r.data() + at);
    if (off >= r.size())
        return nullptr;
    return r.data() + off;
}

const char* CMyDB::GetValueByName(std::string_view name, int k) const
{
    return GetValue(FindField(name), k);
}

void CMyDB::ClearRecords()
{
    records_.Clear();
    current_ = -1;
}

bool CMyDB::RecordIsSound(std::string_view rec) const
{
    const std::size_t n = fields_.size();
    const std::size_t head = 1 + 2 * n;
    const std::size_t size = rec.size();
    if (size < head + n || rec[size - 1] != '\0')
        return false;
    const char* p = rec.data();
    // The usual layout: offsets rising, each value ending with the NUL just before the
    // next one. Then the gap between two offsets bounds the value's length.
    std::size_t off = platform::GetLE16(p + 1);
    bool usual = off == head;
    for (std::size_t f = 0; usual && f < n; ++f) {
        const std::size_t next = f + 1 < n ? platform::GetLE16(p + 3 + 2 * f) : size;
        usual = next > off && next <= size && next - 1 - off <= widths_[f] && p[next - 1] == '\0';
        off = next;
    }
    if (usual)
        return true;
    // Any other layout is read value by value.
    for (std::size_t f = 0; f < n; ++f) {
        const std::size_t at = platform::GetLE16(p + 1 + 2 * f);
        if (at < head || at >= size)
            return false;
        if (std::strlen(p + at) > widths_[f]) // the last byte is NUL, so this stops inside
            return false;
    }
    return true;
}

int CMyDB::ParseTable(std::string_view bytes)
{
    return Parse(bytes, nullptr, 0);
}

int CMyDB::Parse(std::string_view bytes, std::unique_ptr<char[]>* memory, std::size_t memorySize)
{
    damagedRecords_ = 0;
    fields_.clear();
    rawDefinitions_.clear();
    records_.Clear();
    buffer_.Clear();
    current_ = -1;
    workBufferSize_ = 0;

    if (bytes.size() < 4)
        return kErrShortDefinitions;
    const std::int32_t n = platform::GetLE32(bytes.data());
    std::size_t pos = 4;
    if (n <= 0)
        return kErrBadDefinitions;
    if ((bytes.size() - pos) / FieldDef::kRecordSize < static_cast<std::size_t>(n))
        return kErrShortDefinitions;
    CMyField list;
    for (std::int32_t i = 0; i < n; ++i, pos += FieldDef::kRecordSize)
        if (list.AddField(bytes.data() + pos) != 0)
            return kErrBadDefinitions;
    if (DefineFields(list) != 0)
        return kErrBadDefinitions;
    pos += 8; // two reserved integers
    // Records read from a file stay where the file was read to; bytes that belong to
    // nobody else are copied into one block.
    const int adoptedBlock = memory ? records_.AdoptBlock(std::move(*memory), memorySize) : -1;
    if (adoptedBlock < 0)
        records_.Reserve(0, bytes.size() > pos ? bytes.size() - pos : 0);
    while (pos + 4 <= bytes.size()) {
        const std::int32_t len = platform::GetLE32(bytes.data() + pos);
        pos += 4;
        if (len == 0)
            break;
        if (len < 0 || bytes.size() - pos < static_cast<std::size_t>(len)) {
            // The framing is lost here: keep what came before, as with a cut file.
            if (len < 0)
                ++damagedRecords_;
            break;
        }
        const std::size_t at = pos;
        const std::size_t recLen = static_cast<std::size_t>(len) - 1;
        pos += static_cast<std::size_t>(len);
        if (static_cast<std::size_t>(len) > workBufferSize_ || !RecordIsSound(bytes.substr(at, recLen))) {
            ++damagedRecords_;
            continue;
        }
        // The stored record ends with a NUL; an adopted buffer can keep it in place.
        const bool added = (adoptedBlock >= 0 && bytes[at + recLen] == '\0')
            ? records_.AddLineAt(adoptedBlock, at, recLen)
            : records_.AddLine(bytes.substr(at, recLen));
        if (!added)
            break;
    }
    return 0;
}

int CMyDB::LoadTable(std::string_view path)
{
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    if (!platform::fs::ReadFile(path, data, size))
        return kErrOpen;
    const std::string_view bytes(data.get(), size);
    return Parse(bytes, &data, size + 1);
}

std::string CMyDB::FormatTable() const
{
    std::string out;
    platform::AppendLE32(out, GetFieldCount());
    out.append(rawDefinitions_);
    platform::AppendLE32(out, 0);
    platform::AppendLE32(out, 0);
    for (int k = 0; k < GetRecordCount(); ++k) {
        if (IsDeleted(k))
            continue;
        std::string_view rec = GetRecord(k);
        platform::AppendLE32(out, static_cast<std::int32_t>(rec.size() + 1));
        out.append(rec);
        out.push_back(0);
    }
    platform::AppendLE32(out, 0);
    return out;
}

int CMyDB::SaveTable(std::string_view path) const
{
    return platform::fs::AtomicWriteFile(path, FormatTable()) ? 0 : kErrOpen;
}

} // namespace nrt
