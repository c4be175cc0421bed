#pragma once
// A sectioned initialisation file ("[SECTION]" lines and "KEY=value" lines) held in
// memory in file order. Section and key names are compared without regard to the
// case of A-Z, as the platform's profile functions did. Texts are CP932 bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nrt {

class IniFile {
public:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    // Reads the file; false (and an empty object) when it cannot be read.
    bool Load(std::string_view path);
    // Writes the whole file atomically; `mode` as for platform::fs::AtomicWriter
    // (0 keeps the replaced file's permissions).
    bool Save(std::string_view path, unsigned mode = 0) const;

    // Lines end with CR or LF (so CR LF too). Spaces and tabs around names and values are dropped,
    // and one pair of matching quotes around a value. Lines starting with ";" and lines
    // without "=" are ignored; the first of two equal keys in a section wins. A value
    // ends at a NUL byte.
    void Parse(std::string_view bytes);
    // CR LF lines, a blank line between sections. A value that would not read back as
    // it is (spaces at its ends, or enclosed in quotes) is written inside double quotes;
    // a CR or LF ends a value.
    std::string Format() const;

    // The value, or nothing when the section or key is missing.
    std::optional<std::string_view> Get(std::string_view section, std::string_view key) const;
    // Decimal number with an optional sign after optional blanks; what follows the
    // digits is ignored. Nothing when the key is missing, holds no digits or does not
    // fit 32 bits.
    std::optional<std::int32_t> GetInt(std::string_view section, std::string_view key) const;

    // Replaces the value of an existing key, or adds the key at the end of its section
    // (the section at the end of the file when missing).
    void Set(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, std::int32_t value);

    const std::vector<Section>& Sections() const { return sections_; }
    void Clear() { sections_.clear(); }

private:
    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;

    std::vector<Section> sections_;
};

} // namespace nrt
