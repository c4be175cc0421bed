#include "exchange/VCardReader.h"

#include "platform/TextEncoding.h"
#include "platform/sjis.h"

#include <algorithm>

namespace nrt::vcard {
namespace {

std::string Upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

bool IEquals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && Upper(a) == Upper(b);
}

// Physical lines of the bytes, without their line ends (CR LF, LF or CR).
std::vector<std::string_view> Lines(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

// Whether a logical line's parameters (before the first ':' outside quotes) say
// quoted-printable.
bool IsQuotedPrintable(std::string_view line)
{
    bool quoted = false;
    std::size_t i = 0;
    for (; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            break;
    }
    return Upper(line.substr(0, i)).find("QUOTED-PRINTABLE") != std::string::npos;
}

// Logical lines: a line that begins with a space or a tab continues the one before
// (without that one character); a quoted-printable value that ends with '=' goes on
// in the next line.
std::vector<std::string> Unfold(std::string_view bytes)
{
    std::vector<std::string> logical;
    bool softBreak = false;
    for (std::string_view line : Lines(bytes)) {
        if (softBreak && !logical.empty()) {
            logical.back().pop_back(); // the '='
            logical.back().append(line);
        } else if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !logical.empty()) {
            logical.back().append(line.substr(1));
        } else if (line.empty()) {
            softBreak = false;
            continue;
        } else {
            logical.emplace_back(line);
        }
        const std::string& last = logical.back();
        softBreak = last.ends_with('=') && IsQuotedPrintable(last);
    }
    return logical;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Splits at every `sep` that no backslash escapes.
std::vector<std::string_view> SplitEscaped(std::string_view s, char sep)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == sep) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(s.substr(start));
    return parts;
}

std::string Unescape(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char c = s[++i];
            out += (c == 'n' || c == 'N') ? '\n' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The value as UTF-8, decoded whole before it is cut at its ';' or unescaped: a
// Shift-JIS character may end in the byte of '\\' (十 is 0x8F 0x5C), which is no
// escape. The parameters that said how it was written are dropped.
void DecodeValue(Property& p)
{
    if (IEquals(p.Param("ENCODING"), "QUOTED-PRINTABLE"))
        p.raw = DecodeQuotedPrintable(p.raw);
    const std::string charset = Upper(p.Param("CHARSET"));
    if (charset == "SHIFT_JIS" || charset == "SHIFT-JIS" || charset == "SJIS" || charset == "CP932"
        || charset == "WINDOWS-31J")
        p.raw = platform::SjisToUtf8(p.raw);
    std::erase_if(p.params, [](const auto& param) {
        return param.first == "CHARSET" || (param.first == "ENCODING" && IEquals(param.second, "QUOTED-PRINTABLE"));
    });
}

// NAME;PARAM=a,b;BARE:value, with the group before the name dropped.
bool ParseLine(std::string_view line, Property& p)
{
    std::size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':')
        ++i;
    if (i >= line.size())
        return false;
    std::string_view name = line.substr(0, i);
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    p.name = Upper(name);
    while (i < line.size() && line[i] == ';') {
        const std::size_t start = ++i;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ';' && line[i] != ':'))) {
            if (line[i] == '"')
                quoted = !quoted;
            ++i;
        }
        const std::string_view param = line.substr(start, i - start);
        const std::size_t eq = param.find('=');
        std::string key = Upper(eq == std::string_view::npos ? std::string_view() : param.substr(0, eq));
        std::string_view values = eq == std::string_view::npos ? param : param.substr(eq + 1);
        if (key.empty()) {
            const std::string bare = Upper(values);
            key = (bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "8BIT" || bare == "7BIT") ? "ENCODING"
                                                                                                       : "TYPE";
        }
        // A quoted value is one value, commas and all ("ヤマダ,タロウ"), except that TYPE
        // always lists kinds (TYPE="voice,home").
        if (values.size() >= 2 && values.front() == '"' && values.back() == '"') {
            values = values.substr(1, values.size() - 2);
            if (key != "TYPE") {
                p.params.emplace_back(key, std::string(values));
                continue;
            }
        }
        std::size_t from = 0;
        for (std::size_t comma; key == "TYPE" && (comma = values.find(',', from)) != std::string_view::npos;
             from = comma + 1)
            p.params.emplace_back(key, Lower(values.substr(from, comma - from)));
        const std::string_view last = values.substr(from);
        p.params.emplace_back(key, key == "TYPE" ? Lower(last) : std::string(last));
    }
    if (i >= line.size() || line[i] != ':')
        return false;
    p.raw = std::string(line.substr(i + 1));
    return true;
}

} // namespace

bool Property::HasType(std::string_view type) const
{
    for (const auto& [key, value] : params)
        if (key == "TYPE" && value == type)
            return true;
    return false;
}

std::string Property::Param(std::string_view key) const
{
    for (const auto& [k, value] : params)
        if (k == key)
            return value;
    return {};
}

std::string Property::Text() const
{
    return Unescape(raw);
}

std::vector<std::string> Property::Parts() const
{
    std::vector<std::string> parts;
    for (std::string_view part : SplitEscaped(raw, ';'))
        parts.push_back(Unescape(part));
    return parts;
}

std::vector<std::string> Property::Items() const
{
    std::vector<std::string> items;
    for (std::string_view item : SplitEscaped(raw, ','))
        items.push_back(Unescape(item));
    return items;
}

const Property* Card::Find(std::string_view name) const
{
    for (const Property& p : properties)
        if (p.name == name)
            return &p;
    return nullptr;
}

std::string DecodeQuotedPrintable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
            continue;
        }
        if (i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n')) {
            // A soft line break.
            ++i;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (i + 1 < text.size()) {
            out += text[i]; // not an escape: kept as written
        }
    }
    return out;
}

std::vector<Card> Parse(std::string_view bytes)
{
    std::string utf8;
    if (platform::Utf16ToUtf8(bytes, utf8))
        bytes = utf8;
    if (bytes.starts_with(platform::kUtf8Bom))
        bytes.remove_prefix(platform::kUtf8Bom.size());
    std::vector<Card> cards;
    // The cards still open, innermost last: a card inside another (2.1 agents) is a
    // card of its own, and the outer one goes on after it.
    std::vector<std::size_t> open;
    for (const std::string& line : Unfold(bytes)) {
        Property p;
        if (!ParseLine(line, p))
            continue;
        if (p.name == "BEGIN" && IEquals(p.raw, "VCARD")) {
            open.push_back(cards.size());
            cards.emplace_back();
        } else if (p.name == "END" && IEquals(p.raw, "VCARD")) {
            if (!open.empty())
                open.pop_back();
        } else if (!open.empty()) {
            DecodeValue(p);
            cards[open.back()].properties.push_back(std::move(p));
        }
    }
    return cards;
}

} // namespace nrt::vcard
