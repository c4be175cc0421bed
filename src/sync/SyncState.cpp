#include "sync/SyncState.h"

#include "platform/fs.h"
#include "platform/sjis.h"

namespace nrt::sync {
namespace {

constexpr std::string_view kHeader = "nortea-sync 1";

// A value on one line: backslash, tab and line breaks escaped.
std::string Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::vector<std::string> Columns(std::string_view line)
{
    std::vector<std::string> columns;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        columns.push_back(Unescape(line.substr(start, tab == std::string_view::npos ? tab : tab - start)));
        if (tab == std::string_view::npos)
            return columns;
        start = tab + 1;
    }
}

// The file's lines after its header; false when it is missing or not such a file.
bool ReadLines(std::string_view path, std::vector<std::string>* lines)
{
    std::string bytes;
    if (!platform::fs::ReadFile(path, bytes))
        return false;
    std::size_t start = 0;
    bool header = true;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (header) {
            if (line != kHeader)
                return false;
            header = false;
            continue;
        }
        if (!line.empty())
            lines->push_back(std::move(line));
    }
    return !header;
}

bool WriteWhole(std::string_view path, const std::string& bytes)
{
    platform::fs::AtomicWriter file(path);
    return file.isOpen() && file.write(bytes) && file.commit();
}

void PutLine(std::string& out, std::initializer_list<std::string_view> columns)
{
    bool first = true;
    for (std::string_view c : columns) {
        if (!first)
            out += '\t';
        first = false;
        out += Escape(c);
    }
    out += '\n';
}

} // namespace

bool SyncState::Load(std::string_view path, std::string* error)
{
    std::vector<std::string> lines;
    if (!ReadLines(path, &lines)) {
        if (error)
            *error = platform::fs::IsFile(path) ? SJ("同期の記録が読めません。") : SJ("同期が設定されていません。");
        return false;
    }
    *this = {};
    for (const std::string& line : lines) {
        const std::vector<std::string> c = Columns(line);
        if (c[0] == "url" && c.size() == 2)
            url = c[1];
        else if (c[0] == "user" && c.size() == 2)
            user = c[1];
        else if (c[0] == "token" && c.size() == 2)
            token = c[1];
        else if (c[0] == "sync-collection" && c.size() == 2)
            syncCollection = c[1] == "1";
        else if (c[0] == "card" && (c.size() == 5 || c.size() == 6))
            cards[c[1]] = SyncedCard { c[2], c[3], c[4], c.size() == 6 ? c[5] : std::string() };
    }
    if (url.empty() && error)
        *error = SJ("同期の記録が読めません。");
    return !url.empty();
}

bool SyncState::Save(std::string_view path) const
{
    std::string out(kHeader);
    out += '\n';
    PutLine(out, { "url", url });
    PutLine(out, { "user", user });
    PutLine(out, { "token", token });
    PutLine(out, { "sync-collection", syncCollection ? "1" : "0" });
    for (const auto& [uid, card] : cards)
        if (card.pending.empty())
            PutLine(out, { "card", uid, card.href, card.etag, card.vcard });
        else
            PutLine(out, { "card", uid, card.href, card.etag, card.vcard, card.pending });
    return WriteWhole(path, out);
}

bool ConflictList::Load(std::string_view path)
{
    items.clear();
    if (!platform::fs::IsFile(path))
        return true;
    std::vector<std::string> lines;
    if (!ReadLines(path, &lines))
        return false;
    for (const std::string& line : lines)
        if (const std::vector<std::string> c = Columns(line); c.size() == 5)
            items.push_back(Conflict { c[0], c[1], c[2], c[3], c[4] });
    return true;
}

bool ConflictList::Save(std::string_view path) const
{
    if (items.empty())
        return !platform::fs::IsFile(path) || platform::fs::RemoveFile(path);
    std::string out(kHeader);
    out += '\n';
    for (const Conflict& c : items)
        PutLine(out, { c.uid, c.name, c.field, c.local, c.server });
    return WriteWhole(path, out);
}

} // namespace nrt::sync
