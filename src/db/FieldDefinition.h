#pragma once
// Field definitions: the 116-byte records of a table schema, as they are stored in
// the table file, and the list that assembles a schema.

#include "db/LineList.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

enum FieldType : std::int32_t { kFieldText = 0, kFieldNumber = 1 };

// Decoded form of one definition record.
struct FieldDef {
    static constexpr std::size_t kRecordSize = 116;
    static constexpr std::size_t kNameSize = 31;
    static constexpr std::size_t kSecondNameSize = 49;

    std::string name; // up to 30 bytes
    std::string secondName; // up to 48 bytes
    std::int32_t type = kFieldText;
    std::int32_t width = 0;
    std::int32_t flag = 0;

    std::array<char, kRecordSize> Encode() const;
    // Reads a record; names stop at their NUL or at the end of their slot.
    static FieldDef Decode(const char* record);
};

// Codes of adding a field definition, checked in this order but the name last.
enum class FieldError : int {
    kNone = 0,
    kDuplicateName = 200,
    kBadType = 400,
    kBadWidth = 401, // negative, or too large for its type
    kBadFlag = 402,
};

class FieldDefinition {
public:
    FieldDefinition() = default;
    ~FieldDefinition() = default;
    FieldDefinition(const FieldDefinition&) = delete;
    FieldDefinition& operator=(const FieldDefinition&) = delete;

    [[nodiscard]] FieldError AddField(const char* record);
    [[nodiscard]] FieldError AddField(const FieldDef& def) { return AddField(def.Encode().data()); }
    void Clear() { list_.Clear(); }
    int GetCount() const { return list_.GetCount(); }
    // The 116-byte record of definition i, or nullptr.
    const char* GetDefinition(int i) const;

private:
    LineList list_;
};

} // namespace nrt
