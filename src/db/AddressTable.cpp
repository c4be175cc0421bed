#include "db/AddressTable.h"

#include "platform/Clock.h"
#include "platform/LittleEndian.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace nrt {
namespace {

// The copies kept beside a table ("nrt_ndb.bak", ".bk1", damaged originals).
constexpr int kPrivateCopyMode = 0600;

// The CP932 names of a schema table, converted once.
template <std::size_t N> std::array<std::string, N> NamesOf(const std::array<SchemaField, N>& schema)
{
    std::array<std::string, N> names;
    for (std::size_t i = 0; i < N; ++i)
        names[i] = platform::Utf8ToSjis(schema[i].name);
    return names;
}

} // namespace

const std::string& DefaultFieldName(int index)
{
    static const auto names = NamesOf(kDefaultSchema);
    static const std::string none;
    return index >= 0 && index < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(index)] : none;
}

const std::string& SchemaFieldName(int index)
{
    static const auto names = NamesOf(kExtendedSchema);
    static const std::string uid = platform::Utf8ToSjis(kIdentityField.name);
    static const std::string none;
    if (index < field::kJointName1)
        return DefaultFieldName(index);
    if (index == field::kUid)
        return uid;
    return index < field::kExtendedEnd ? names[static_cast<std::size_t>(index - field::kJointName1)] : none;
}

std::string NewRecordUid()
{
    thread_local std::mt19937_64 rng { [] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }() };
    const std::uint64_t hi = rng(), lo = rng();
    char buf[48];
    std::snprintf(buf, sizeof buf, "urn:uuid:%08x-%04x-4%03x-%04x-%012llx", static_cast<unsigned>(hi >> 32),
        static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFF),
        static_cast<unsigned>(0x8000 | ((lo >> 48) & 0x3FFF)), static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFULL));
    return buf;
}

namespace {

// The definition of a field after the default 24.
FieldDef ExtendedDefinition(int index)
{
    FieldDef d;
    d.name = SchemaFieldName(index);
    d.width = index == field::kUid ? kIdentityField.width
                                   : kExtendedSchema[static_cast<std::size_t>(index - field::kJointName1)].width;
    return d;
}

} // namespace

RecordError AddressTable::DefineFields(const FieldDefinition& fields)
{
    if (fields.GetCount() == 0)
        return RecordError::kNoField;
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
    schemaGrown_ = false;
    schemaCopy_.clear();
    growable_ = GetFieldCount() == field::kJointName1 || GetFieldCount() == field::kExtendedEnd;
    for (int i = 0; growable_ && i < GetFieldCount(); ++i)
        growable_ = platform::lstrcmpiA(fields_[static_cast<std::size_t>(i)].name, SchemaFieldName(i)) == 0;
    uidField_ = -1;
    for (int i = 0; uidField_ < 0 && i < GetFieldCount(); ++i)
        if (platform::lstrcmpiA(fields_[static_cast<std::size_t>(i)].name, SchemaFieldName(field::kUid)) == 0)
            uidField_ = i;
    // A fresh table holds nothing that needs saving.
    savedChanges_ = ++changes_;
    return RecordError::kNone;
}

void AddressTable::CreateDefaultTable()
{
    FieldDefinition list;
    for (std::size_t i = 0; i < kDefaultSchema.size(); ++i) {
        FieldDef d;
        d.name = DefaultFieldName(static_cast<int>(i));
        d.width = kDefaultSchema[i].width;
        // The fixed schema is sound (its test pins it), so nothing is refused here.
        static_cast<void>(list.AddField(d));
    }
    // Not empty, so it is taken.
    static_cast<void>(DefineFields(list));
}

int AddressTable::FindField(std::string_view name) const
{
    for (int i = 0; i < GetFieldCount(); ++i)
        if (platform::lstrcmpiA(fields_[static_cast<std::size_t>(i)].name, name) == 0)
            return i;
    for (int i = field::kJointName1; i < field::kSchemaEnd; ++i)
        if (IsPendingField(i) && platform::lstrcmpiA(SchemaFieldName(i), name) == 0)
            return i;
    return -1;
}

const FieldDef& AddressTable::GetField(int f) const
{
    if (IsPendingField(f)) {
        static const auto pending = [] {
            std::array<FieldDef, field::kSchemaEnd - field::kJointName1> d;
            for (int i = field::kJointName1; i < field::kSchemaEnd; ++i)
                d[static_cast<std::size_t>(i - field::kJointName1)] = ExtendedDefinition(i);
            return d;
        }();
        return pending[static_cast<std::size_t>(f - field::kJointName1)];
    }
    return fields_[static_cast<std::size_t>(f)];
}

bool AddressTable::IsPendingField(int f) const
{
    return f >= GetFieldCount() && f < field::kSchemaEnd && growable_;
}

RecordError AddressTable::ExtendSchema(int end)
{
    if (GetFieldCount() >= end)
        return RecordError::kNone;
    // The extended fields come as one; the identifier after them.
    end = end <= field::kExtendedEnd ? field::kExtendedEnd : field::kSchemaEnd;
    if (!IsPendingField(end - 1))
        return RecordError::kNotDefaultSchema;
    const std::size_t oldCount = fields_.size();
    const std::size_t extra = static_cast<std::size_t>(end) - oldCount;
    // Every record gets its new values empty at its end; the offsets of the old ones
    // move by the longer offset table, their bytes stay as they are.
    std::string packed;
    for (int k = 0; k < GetRecordCount(); ++k) {
        const std::string_view rec = GetRecord(k);
        const std::size_t head = 1 + 2 * oldCount;
        if (rec.size() < head)
            return RecordError::kNoMemory;
        const std::size_t grownSize = rec.size() + 2 * extra + extra;
        if (grownSize > 0xFFFF)
            return RecordError::kNoMemory;
        packed.assign(1, rec[0]);
        for (std::size_t f = 0; f < oldCount; ++f) {
            const std::size_t off = platform::GetLE16(rec.data() + 1 + 2 * f) + 2 * extra;
            packed.push_back(static_cast<char>(off & 0xFF));
            packed.push_back(static_cast<char>((off >> 8) & 0xFF));
        }
        for (std::size_t j = 0; j < extra; ++j) {
            const std::size_t off = rec.size() + 2 * extra + j;
            packed.push_back(static_cast<char>(off & 0xFF));
            packed.push_back(static_cast<char>((off >> 8) & 0xFF));
        }
        packed.append(rec.substr(head));
        packed.append(extra, '\0');
        if (!records_.SetLine(k, packed))
            return RecordError::kNoMemory;
    }
    for (int i = GetFieldCount(); i < end; ++i) {
        const FieldDef d = ExtendedDefinition(i);
        rawDefinitions_.append(d.Encode().data(), FieldDef::kRecordSize);
        fields_.push_back(d);
        widths_.push_back(static_cast<std::size_t>(d.width));
        workBufferSize_ += 2 + static_cast<std::size_t>(d.width) + 1;
        buffer_.SetLine(i, {});
    }
    growable_ = GetFieldCount() == field::kExtendedEnd;
    if (end > field::kUid)
        uidField_ = field::kUid;
    schemaGrown_ = true;
    ++changes_;
    return RecordError::kNone;
}

bool AddressTable::IsDeleted(int k) const
{
    std::string_view r = GetRecord(k);
    return !r.empty() && (static_cast<unsigned char>(r[0]) & 0x80) != 0;
}

bool AddressTable::MarkDeleted(int k)
{
    char* r = records_.MutableLine(k);
    if (!r)
        return false;
    *r = static_cast<char>(static_cast<unsigned char>(*r) | 0x80);
    ++changes_;
    return true;
}

std::uint8_t AddressTable::GetFlags(int k) const
{
    std::string_view r = GetRecord(k);
    return r.empty() ? 0 : static_cast<std::uint8_t>(r[0]);
}

void AddressTable::SetFlags(int k, std::uint8_t flags)
{
    if (char* r = records_.MutableLine(k))
        *r = static_cast<char>(flags);
}

RecordError AddressTable::ReadRecord(int k)
{
    current_ = -1;
    if (k < 0 || k >= GetRecordCount()) {
        ClearCurrent();
        return RecordError::kNoRecord;
    }
    for (int f = 0; f < GetFieldCount(); ++f)
        buffer_.SetLine(f, Value(f, k));
    current_ = k;
    return RecordError::kNone;
}

void AddressTable::ClearCurrent()
{
    for (int f = 0; f < GetFieldCount(); ++f)
        buffer_.SetLine(f, {});
    current_ = -1;
}

RecordError AddressTable::SetValue(int f, std::string_view text)
{
    if (f == -1)
        return RecordError::kNothingSelected;
    if (f < 0 || (f >= GetFieldCount() && !IsPendingField(f)))
        return RecordError::kNoField;
    // A value is text: it ends at its first NUL, as the stored form cannot hold one.
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    if (IsPendingField(f)) {
        // An empty value leaves the table as it is; the first real one adds the fields.
        if (text.empty())
            return RecordError::kNone;
        if (text.size() > static_cast<std::size_t>(GetField(f).width))
            return RecordError::kTooLong;
        if (const RecordError code = ExtendSchema(f + 1); code != RecordError::kNone)
            return code;
    }
    if (text.empty()) {
        buffer_.SetLine(f, text);
        return RecordError::kNone;
    }
    const FieldDef& d = fields_[static_cast<std::size_t>(f)];
    if (text.size() > static_cast<std::size_t>(d.width))
        return RecordError::kTooLong;
    if (d.type == kFieldNumber)
        for (char c : text)
            if (c < '0' || c > '9')
                return RecordError::kNotNumber;
    buffer_.SetLine(f, text);
    return RecordError::kNone;
}

RecordError AddressTable::SetValueByName(std::string_view name, std::string_view text)
{
    int f = FindField(name);
    if (f < 0)
        return RecordError::kNoField;
    return SetValue(f, text);
}

namespace {

// A record as stored into `packed`: its flags, the offsets of its n values, then each
// value with its NUL. The buffer is reused, so packing does not allocate per record.
template <typename ValueOf> void PackRecord(std::string& packed, char flags, int n, std::size_t reserve, ValueOf value)
{
    packed.clear();
    packed.reserve(reserve);
    packed.push_back(flags);
    std::size_t offset = 1 + 2 * static_cast<std::size_t>(n);
    for (int f = 0; f < n; ++f) {
        packed.push_back(static_cast<char>(offset & 0xFF));
        packed.push_back(static_cast<char>((offset >> 8) & 0xFF));
        offset += value(f).size() + 1;
    }
    for (int f = 0; f < n; ++f) {
        packed.append(value(f));
        packed.push_back(0);
    }
}

} // namespace

bool AddressTable::UidTaken(std::string_view uid) const
{
    if (uidsAt_ != changes_) {
        uids_.clear();
        for (int k = 0; k < GetRecordCount(); ++k)
            if (!IsDeleted(k))
                if (const std::string_view held = Value(uidField_, k); !held.empty())
                    uids_.emplace(held);
        uidsAt_ = changes_;
    }
    return uids_.contains(std::string(uid));
}

RecordError AddressTable::PostRecord()
{
    if (current_ != -1 && (current_ >= GetRecordCount() || IsDeleted(current_)))
        return RecordError::kRecordGone;
    // A new record is a record of its own: an identifier copied from another one (a
    // file imported twice) is not kept.
    std::string uid;
    const bool identify = current_ == -1 && uidField_ >= 0;
    if (identify) {
        uid = buffer_.GetLine(uidField_);
        if (uid.empty() || UidTaken(uid))
            uid = NewRecordUid();
    }
    std::string& packed = packed_;
    PackRecord(packed, 0, GetFieldCount(), workBufferSize_,
        [&](int f) { return identify && f == uidField_ ? std::string_view(uid) : buffer_.GetLine(f); });
    const bool stored = current_ == -1 ? records_.AddLine(packed) : records_.SetLine(current_, packed);
    if (!stored)
        return RecordError::kNoMemory;
    // The index of identifiers follows a new record rather than being built again.
    const bool indexed = uidsAt_ == changes_;
    ++changes_;
    if (identify && indexed) {
        uids_.insert(std::move(uid));
        uidsAt_ = changes_;
    }
    return RecordError::kNone;
}

RecordError AddressTable::StoreValue(int k, int f, std::string_view text)
{
    if (k < 0 || k >= GetRecordCount() || IsDeleted(k))
        return RecordError::kNoRecord;
    if (f < 0 || (f >= GetFieldCount() && !IsPendingField(f)))
        return RecordError::kNoField;
    if (text.find('\0') != std::string_view::npos || text.size() > static_cast<std::size_t>(GetField(f).width))
        return RecordError::kTooLong;
    if (IsPendingField(f))
        if (const RecordError code = ExtendSchema(f + 1); code != RecordError::kNone)
            return code;
    if (GetField(f).type == kFieldNumber)
        for (char c : text)
            if (c < '0' || c > '9')
                return RecordError::kNotNumber;
    std::string packed;
    PackRecord(
        packed, GetRecord(k)[0], GetFieldCount(), workBufferSize_, [&](int g) { return g == f ? text : Value(g, k); });
    if (packed.size() > 0xFFFF || !records_.SetLine(k, packed))
        return RecordError::kNoMemory;
    if (k == current_)
        buffer_.SetLine(f, text);
    ++changes_;
    return RecordError::kNone;
}

bool AddressTable::ReserveRecords(int count, std::size_t valueBytes)
{
    if (count <= 0)
        return true;
    // A flag byte, an offset and a NUL per field, as PostRecord packs them.
    const std::size_t perRecord = 1 + 3 * fields_.size();
    return records_.Reserve(static_cast<std::size_t>(count), static_cast<std::size_t>(count) * perRecord + valueBytes);
}

std::string_view AddressTable::Value(int f, int k) const
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

const char* AddressTable::GetValue(int f, int k) const
{
    if (IsPendingField(f))
        return k >= 0 && k < GetRecordCount() ? "" : nullptr;
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

const char* AddressTable::GetValueByName(std::string_view name, int k) const
{
    return GetValue(FindField(name), k);
}

void AddressTable::ClearRecords()
{
    records_.Clear();
    ++changes_;
    current_ = -1;
}

bool AddressTable::RecordIsSound(std::string_view rec) const
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

TableError AddressTable::ParseTable(std::string_view bytes)
{
    return Parse(bytes, nullptr, 0);
}

bool AddressTable::RecordAt(std::string_view bytes, std::size_t pos) const
{
    if (bytes.size() - pos < 4)
        return false;
    const std::int32_t len = platform::GetLE32(bytes.data() + pos);
    const std::size_t at = pos + 4;
    if (len <= 0 || static_cast<std::size_t>(len) > workBufferSize_
        || bytes.size() - at < static_cast<std::size_t>(len))
        return false;
    const std::size_t recLen = static_cast<std::size_t>(len) - 1;
    return bytes[at + recLen] == '\0' && RecordIsSound(bytes.substr(at, recLen));
}

std::size_t AddressTable::OwnLength(std::string_view bytes, std::size_t at) const
{
    // A record as the program writes it: offsets rising from right after the offset
    // table, its last value ending with a NUL and the stored NUL after that.
    const std::size_t n = fields_.size();
    const std::size_t head = 1 + 2 * n;
    if (bytes.size() - at < head + n + 1 || (static_cast<unsigned char>(bytes[at]) & 0x7E) != 0)
        return 0;
    const char* p = bytes.data() + at;
    if (platform::GetLE16(p + 1) != head)
        return 0;
    const std::size_t last = platform::GetLE16(p + 1 + 2 * (n - 1));
    const std::size_t limit = std::min(bytes.size() - at, workBufferSize_);
    if (last < head || last >= limit)
        return 0;
    const void* nul = std::memchr(p + last, '\0', limit - last);
    if (!nul)
        return 0;
    const std::size_t recLen = static_cast<std::size_t>(static_cast<const char*>(nul) - p) + 1;
    if (recLen >= bytes.size() - at || p[recLen] != '\0' || !RecordIsSound(bytes.substr(at, recLen)))
        return 0;
    return recLen;
}

std::size_t AddressTable::Resynchronise(std::string_view bytes, std::size_t from) const
{
    // A record is taken for the start of the readable rest only when the one after it
    // (or the end marker closing the file) confirms it, so bytes inside a value that
    // happen to look like a record do not count.
    for (std::size_t q = from; q + 8 <= bytes.size(); ++q) {
        if (!RecordAt(bytes, q) || (static_cast<unsigned char>(bytes[q + 4]) & 0x7E) != 0)
            continue;
        const std::size_t next = q + 4 + static_cast<std::size_t>(platform::GetLE32(bytes.data() + q));
        const bool endsFile = bytes.size() - next == 4 && platform::GetLE32(bytes.data() + next) == 0;
        if (endsFile || RecordAt(bytes, next))
            return q;
    }
    return std::string_view::npos;
}

TableError AddressTable::Parse(std::string_view bytes, std::unique_ptr<char[]>* memory, std::size_t memorySize)
{
    damagedRecords_ = 0;
    repairedRecords_ = 0;
    fields_.clear();
    growable_ = false;
    uidField_ = -1;
    rawDefinitions_.clear();
    records_.Clear();
    buffer_.Clear();
    current_ = -1;
    workBufferSize_ = 0;
    savedChanges_ = ++changes_;

    if (bytes.size() < 4)
        return TableError::kShortDefinitions;
    const std::int32_t n = platform::GetLE32(bytes.data());
    std::size_t pos = 4;
    if (n <= 0)
        return TableError::kBadDefinitions;
    if ((bytes.size() - pos) / FieldDef::kRecordSize < static_cast<std::size_t>(n))
        return TableError::kShortDefinitions;
    FieldDefinition list;
    for (std::int32_t i = 0; i < n; ++i, pos += FieldDef::kRecordSize)
        if (list.AddField(bytes.data() + pos) != FieldError::kNone)
            return TableError::kBadDefinitions;
    if (DefineFields(list) != RecordError::kNone)
        return TableError::kBadDefinitions;
    pos += 8; // two reserved integers
    // Records read from a file stay where the file was read to; bytes that belong to
    // nobody else are copied into one block.
    const int adoptedBlock = memory ? records_.AdoptBlock(std::move(*memory), memorySize) : -1;
    if (adoptedBlock < 0)
        records_.Reserve(0, bytes.size() > pos ? bytes.size() - pos : 0);
    bool ended = false;
    std::size_t confirmed = std::string_view::npos; // a position already checked as a record
    const auto add = [&](std::size_t at, std::size_t recLen) {
        // The stored record ends with a NUL; an adopted buffer can keep it in place.
        return adoptedBlock >= 0 ? records_.AddLineAt(adoptedBlock, at, recLen)
                                 : records_.AddLine(bytes.substr(at, recLen));
    };
    // Whether a record or the end marker closing the file follows at `next`.
    const auto followed = [&](std::size_t next) {
        if (next == bytes.size() || (bytes.size() - next == 4 && platform::GetLE32(bytes.data() + next) == 0))
            return true;
        if (!RecordAt(bytes, next))
            return false;
        confirmed = next;
        return true;
    };
    while (pos < bytes.size()) {
        const std::size_t left = bytes.size() - pos;
        const std::int32_t len = left >= 4 ? platform::GetLE32(bytes.data() + pos) : -1;
        if (len == 0 && left == 4) {
            ended = true;
            break;
        }
        const bool sound = pos == confirmed || RecordAt(bytes, pos);
        const std::size_t next = sound ? pos + 4 + static_cast<std::size_t>(len) : 0;
        if (sound && followed(next)) {
            if (!add(pos + 4, static_cast<std::size_t>(len) - 1)) {
                ++damagedRecords_; // out of memory: what follows is not in the table
                break;
            }
            pos = next;
            continue;
        }
        // Where only the length field is damaged, the record itself tells its length.
        if (const std::size_t own = OwnLength(bytes, pos + 4);
            own != 0 && (!sound || own + 1 != static_cast<std::size_t>(len)) && followed(pos + 4 + own + 1)) {
            if (!add(pos + 4, own)) {
                ++damagedRecords_;
                break;
            }
            ++repairedRecords_;
            pos += 4 + own + 1;
            continue;
        }
        if (sound) {
            // Sound itself; what follows it is the damage.
            if (!add(pos + 4, static_cast<std::size_t>(len) - 1)) {
                ++damagedRecords_;
                break;
            }
            pos = next;
            continue;
        }
        ++damagedRecords_;
        // A bad record inside sound framing is stepped over; when the framing itself
        // is lost, the next record that can be trusted is searched for.
        if (len > 0 && left - 4 >= static_cast<std::size_t>(len) && followed(pos + 4 + static_cast<std::size_t>(len))) {
            pos += 4 + static_cast<std::size_t>(len);
            continue;
        }
        pos = Resynchronise(bytes, pos + 1);
        if (pos == std::string_view::npos)
            return TableError::kNone;
    }
    // Without its end marker the file was cut short: whatever followed is lost.
    if (!ended)
        ++damagedRecords_;
    return TableError::kNone;
}

TableError AddressTable::LoadTable(std::string_view path)
{
    platform::fs::FileStamp stamp;
    const bool exists = platform::fs::GetFileStamp(path, stamp);
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    if (!platform::fs::ReadFile(path, data, size)) {
        // The table stays as it was; a file that is there but cannot be read must not
        // be replaced by what the caller puts in its place.
        guardedPath_ = path;
        guard_ = exists ? Guard::Unreadable : Guard::None;
        damagedCopy_.clear();
        diskStamp_ = stamp;
        return TableError::kOpen;
    }
    const std::string_view bytes(data.get(), size);
    const TableError code = Parse(bytes, &data, size + 1);
    guardedPath_ = path;
    guard_ = code != TableError::kNone                ? Guard::Unreadable
        : damagedRecords_ > 0 || repairedRecords_ > 0 ? Guard::Damaged
                                                      : Guard::None;
    damagedCopy_.clear();
    diskStamp_ = stamp;
    return code;
}

bool AddressTable::ChangedOnDisk(std::string_view path) const
{
    if (path != guardedPath_)
        return false;
    platform::fs::FileStamp now;
    platform::fs::GetFileStamp(path, now);
    return !(now == diskStamp_);
}

bool AddressTable::KeepDamagedCopy() const
{
    // "folder/nrt.ndb" -> "folder/nrt_ndb.damaged-YYYYMMDDhhmmss"; "/" and "." are
    // never second bytes of a CP932 character, so a byte search is safe here.
    const std::size_t slash = guardedPath_.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    std::string name = guardedPath_.substr(nameAt);
    for (char& c : name)
        if (c == '.')
            c = '_';
    const platform::LocalTime t = platform::GetClock().Now();
    char stamp[32];
    std::snprintf(
        stamp, sizeof stamp, ".damaged-%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    const std::string base = guardedPath_.substr(0, nameAt) + name + stamp;
    for (int i = 1; i < 100; ++i) {
        const std::string copy = i == 1 ? base : base + "-" + std::to_string(i);
        if (platform::fs::Exists(copy))
            continue;
        // Kept copies hold every address: for the owner alone, whatever the table had.
        if (!platform::fs::CopyFile(guardedPath_, copy, true, kPrivateCopyMode))
            return false;
        damagedCopy_ = copy;
        return true;
    }
    return false;
}

bool AddressTable::KeepSchemaCopy(std::string_view path) const
{
    // The monthly copies' names beside the table: the older copy moves on to ".bk1",
    // then the file as it was becomes "nrt_ndb.bak".
    const std::size_t slash = path.rfind('/');
    const std::string folder(path.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
    const std::string bak = folder + "nrt_ndb.bak";
    if (platform::fs::Exists(bak))
        platform::fs::CopyFile(bak, folder + "nrt_ndb.bk1", false, kPrivateCopyMode);
    if (!platform::fs::CopyFile(path, bak, false, kPrivateCopyMode))
        return false;
    schemaCopy_ = bak;
    return true;
}

std::string AddressTable::FormatTable() const
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

TableError AddressTable::SaveTable(std::string_view path) const
{
    if (path == guardedPath_) {
        if (guard_ == Guard::Unreadable && platform::fs::Exists(path))
            return TableError::kKeptUnread;
        if (guard_ == Guard::Damaged && platform::fs::Exists(path) && !KeepDamagedCopy())
            return TableError::kKeptUnread;
    }
    if (schemaGrown_ && path == guardedPath_ && platform::fs::Exists(path) && !KeepSchemaCopy(path))
        return TableError::kKeptUnread;
    if (!platform::fs::AtomicWriteFile(path, FormatTable()))
        return TableError::kOpen;
    schemaGrown_ = false;
    // From now on the table stands for this file as just written.
    guardedPath_ = path;
    guard_ = Guard::None;
    platform::fs::GetFileStamp(path, diskStamp_);
    savedChanges_ = changes_;
    return TableError::kNone;
}

} // namespace nrt
