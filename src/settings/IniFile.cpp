#include "settings/IniFile.h"

#include "platform/fs.h"
#include "platform/sjis.h"

#include <charconv>

namespace nrt {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

bool Quoted(std::string_view s)
{
    return s.size() >= 2 && IsQuote(s.front()) && s.front() == s.back();
}

bool SameName(std::string_view a, std::string_view b)
{
    return platform::lstrcmpiA(a, b) == 0;
}

} // namespace

bool IniFile::Load(std::string_view path)
{
    std::string bytes;
    if (!platform::fs::ReadFile(path, bytes)) {
        Clear();
        return false;
    }
    Parse(bytes);
    return true;
}

bool IniFile::Save(std::string_view path, unsigned mode) const
{
    const std::string bytes = Format();
    return mode ? platform::fs::AtomicWriteFile(path, bytes, mode) : platform::fs::AtomicWriteFile(path, bytes);
}

void IniFile::Parse(std::string_view bytes)
{
    Clear();
    Section* current = nullptr;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (const std::size_t nul = line.find('\0'); nul != std::string_view::npos)
            line = line.substr(0, nul);
        line = Trim(line);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            std::string_view name = line.substr(1);
            if (const std::size_t close = name.find(']'); close != std::string_view::npos)
                name = name.substr(0, close);
            name = Trim(name);
            current = FindSection(name);
            if (!current) {
                sections_.push_back({ std::string(name), {} });
                current = &sections_.back();
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !current)
            continue;
        const std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = Trim(line.substr(eq + 1));
        if (key.empty())
            continue;
        if (Quoted(value))
            value = value.substr(1, value.size() - 2);
        bool known = false;
        for (const Entry& e : current->entries)
            known = known || SameName(e.key, key);
        if (!known)
            current->entries.push_back({ std::string(key), std::string(value) });
    }
}

std::string IniFile::Format() const
{
    std::string out;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (i > 0)
            out += "\r\n";
        out += '[';
        out += sections_[i].name;
        out += "]\r\n";
        for (const Entry& e : sections_[i].entries) {
            std::string_view value = e.value;
            if (const std::size_t cut = value.find_first_of(std::string_view("\r\n\0", 3));
                cut != std::string_view::npos)
                value = value.substr(0, cut);
            out += e.key;
            out += '=';
            const bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || Quoted(value));
            if (quote)
                out += '"';
            out += value;
            if (quote)
                out += '"';
            out += "\r\n";
        }
    }
    return out;
}

IniFile::Section* IniFile::FindSection(std::string_view name)
{
    for (Section& s : sections_)
        if (SameName(s.name, name))
            return &s;
    return nullptr;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const
{
    for (const Section& s : sections_)
        if (SameName(s.name, name))
            return &s;
    return nullptr;
}

std::optional<std::string_view> IniFile::Get(std::string_view section, std::string_view key) const
{
    const Section* s = FindSection(section);
    if (!s)
        return std::nullopt;
    for (const Entry& e : s->entries)
        if (SameName(e.key, key))
            return std::string_view(e.value);
    return std::nullopt;
}

std::optional<std::int32_t> IniFile::GetInt(std::string_view section, std::string_view key) const
{
    const auto value = Get(section, key);
    if (!value)
        return std::nullopt;
    std::string_view s = Trim(*value);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::int64_t magnitude = 0;
    const char* first = s.data();
    const auto [last, ec] = std::from_chars(first, first + s.size(), magnitude);
    if (ec != std::errc() || last == first)
        return std::nullopt;
    const std::int64_t v = negative ? -magnitude : magnitude;
    if (v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value)
{
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back({ std::string(section), {} });
        s = &sections_.back();
    }
    for (Entry& e : s->entries) {
        if (SameName(e.key, key)) {
            e.value.assign(value);
            return;
        }
    }
    s->entries.push_back({ std::string(key), std::string(value) });
}

void IniFile::SetInt(std::string_view section, std::string_view key, std::int32_t value)
{
    Set(section, key, std::to_string(value));
}

} // namespace nrt
