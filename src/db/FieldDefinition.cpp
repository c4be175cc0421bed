#include "db/FieldDefinition.h"

#include "platform/LittleEndian.h"
#include "platform/sjis.h"

#include <algorithm>
#include <cstring>

namespace nrt {
namespace {

std::string CString(const char* p, std::size_t max)
{
    std::size_t n = 0;
    while (n < max && p[n])
        ++n;
    return std::string(p, n);
}

} // namespace

std::array<char, FieldDef::kRecordSize> FieldDef::Encode() const
{
    std::array<char, kRecordSize> r {};
    std::memcpy(r.data(), name.data(), std::min(name.size(), kNameSize - 1));
    std::memcpy(r.data() + 31, secondName.data(), std::min(secondName.size(), kSecondNameSize - 1));
    platform::PutLE32(r.data() + 80, type);
    platform::PutLE32(r.data() + 84, width);
    platform::PutLE32(r.data() + 88, flag);
    return r;
}

FieldDef FieldDef::Decode(const char* record)
{
    FieldDef d;
    d.name = CString(record, kNameSize);
    d.secondName = CString(record + 31, kSecondNameSize);
    d.type = platform::GetLE32(record + 80);
    d.width = platform::GetLE32(record + 84);
    d.flag = platform::GetLE32(record + 88);
    return d;
}

FieldError FieldDefinition::AddField(const char* record)
{
    const FieldDef d = FieldDef::Decode(record);
    if (d.type != kFieldText && d.type != kFieldNumber)
        return FieldError::kBadType;
    // A negative width is as unusable as one too large.
    if (d.width < 0 || (d.type == kFieldText && d.width > 255) || (d.type == kFieldNumber && d.width > 9))
        return FieldError::kBadWidth;
    if (d.flag != 0 && d.flag != 1)
        return FieldError::kBadFlag;
    for (int i = 0; i < GetCount(); ++i)
        if (platform::lstrcmpiA(FieldDef::Decode(GetDefinition(i)).name, d.name) == 0)
            return FieldError::kDuplicateName;
    // The trailing reserved word is ignored on reading and written as zero.
    std::array<char, FieldDef::kRecordSize> copy {};
    std::memcpy(copy.data(), record, 112);
    copy[30] = 0; // keep the name NUL-terminated within its slot
    copy[79] = 0;
    list_.AddLine(std::string_view(copy.data(), copy.size()));
    return FieldError::kNone;
}

const char* FieldDefinition::GetDefinition(int i) const
{
    std::string_view v;
    if (!list_.GetEntry(i, v) || v.size() != FieldDef::kRecordSize)
        return nullptr;
    return v.data();
}

} // namespace nrt
