#include "postal/CMyPostalList.h"

#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalSort.h"

#include <cstring>
#include <memory>

namespace nrt {
namespace {

constexpr int kFirstKeptColumn = 2;
constexpr int kLastKeptColumn = kFirstKeptColumn + kPostalColumns - 1;
constexpr std::size_t kReadChunk = 65536;

} // namespace

bool IsPostalCode7(std::string_view code)
{
    if (code.size() != 7)
        return false;
    for (char c : code)
        if (c < '0' || c > '9')
            return false;
    return true;
}

CMyPostalList::CMyPostalList(int maxRecords)
    : maxRecords_(maxRecords)
{
}

void CMyPostalList::Clear()
{
    text_.clear();
    keys_.clear();
    records_.clear();
    line_.clear();
    ended_ = false;
    refusal_ = PostalListRefusal::None;
    stats_ = {};
}

bool CMyPostalList::Feed(std::string_view bytes)
{
    std::size_t pos = 0;
    while (!ended_ && pos < bytes.size()) {
        const void* cr = std::memchr(bytes.data() + pos, '\r', bytes.size() - pos);
        const std::size_t stop
            = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - bytes.data()) : bytes.size();
        std::string_view piece = bytes.substr(pos, stop - pos);
        pos = cr ? stop + 1 : stop;
        if (!piece.empty() && piece.front() == '\n')
            piece.remove_prefix(1); // the LF of CR LF
        const bool hasLf = piece.find('\n') != std::string_view::npos;
        if (cr && line_.empty() && !hasLf && piece.size() <= kMaxLineBytes) {
            // The common case: a whole line within this piece of the file.
            if (piece.empty())
                EndList();
            else
                AddLine(piece);
            continue;
        }
        for (char c : piece)
            if (c != '\n')
                line_.push_back(c);
        if (line_.size() > kMaxLineBytes) {
            EndList();
            break;
        }
        if (cr)
            EndLine();
    }
    return !ended_;
}

void CMyPostalList::EndList()
{
    stats_.endedEarly = true;
    ended_ = true;
}

void CMyPostalList::EndLine()
{
    if (line_.empty()) {
        EndList();
        return;
    }
    AddLine(line_);
    line_.clear();
}

void CMyPostalList::AddLine(std::string_view line)
{
    // A zero byte ends the line's text, as it would in a C string.
    line = line.substr(0, line.find('\0'));

    Record rec;
    rec.start = static_cast<std::uint32_t>(text_.size());
    int column = 0;
    std::size_t columnStart = text_.size();
    auto closeColumn = [&] {
        if (column < kFirstKeptColumn || column > kLastKeptColumn)
            return;
        const std::string_view written(text_.data() + columnStart, text_.size() - columnStart);
        const std::string_view kept = platform::CutToBytes(written, kMaxColumnBytes);
        if (kept.size() < written.size()) {
            ++stats_.cutColumns;
            text_.resize(columnStart + kept.size());
        }
        rec.end[static_cast<std::size_t>(column - kFirstKeptColumn)]
            = static_cast<std::uint16_t>(text_.size() - rec.start);
    };
    // Runs of bytes between separators are copied whole; a double-byte character is
    // stepped over as one, so its second byte is never taken for a separator.
    std::size_t run = 0;
    auto keepRun = [&](std::size_t end) {
        if (column >= kFirstKeptColumn && column <= kLastKeptColumn)
            text_.append(line.data() + run, end - run);
    };
    std::size_t i = 0;
    while (i < line.size() && column <= kLastKeptColumn) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (platform::IsLeadByte(c) && i + 1 < line.size()) {
            i += 2;
        } else if (c == ',') {
            keepRun(i);
            closeColumn();
            ++column;
            columnStart = text_.size();
            run = ++i;
        } else if (c == '"') {
            keepRun(i);
            run = ++i;
        } else {
            ++i;
        }
    }
    keepRun(i);
    if (column < kLastKeptColumn) {
        // Fewer than nine columns: the line lacks some of what a record needs.
        ++stats_.shortLines;
        text_.resize(rec.start);
        return;
    }
    if (column == kLastKeptColumn)
        closeColumn();

    if (!IsPostalCode7(ColumnOf(rec, kPC_Code))) {
        text_.resize(rec.start);
        if (records_.empty()) {
            refusal_ = PostalListRefusal::BadFirstCode;
            ended_ = true;
        } else {
            ++stats_.badCodes;
        }
        return;
    }
    if (static_cast<int>(records_.size()) >= maxRecords_) {
        text_.resize(rec.start);
        refusal_ = PostalListRefusal::TooManyRecords;
        ended_ = true;
        return;
    }
    records_.push_back(rec);
}

void CMyPostalList::Parse(std::string_view bytes)
{
    Clear();
    Feed(bytes);
}

bool CMyPostalList::Read(std::string_view path, const std::function<void(std::uint64_t, std::uint64_t)>& progress)
{
    Clear();
    platform::fs::FileReader file(path);
    if (!file.isOpen())
        return false;
    std::uint64_t size = 0;
    platform::fs::FileSize(path, size);
    auto buffer = std::make_unique<char[]>(kReadChunk);
    std::uint64_t offset = 0;
    for (;;) {
        const long long n = file.readAt(offset, buffer.get(), kReadChunk);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        offset += static_cast<std::uint64_t>(n);
        const bool more = Feed(std::string_view(buffer.get(), static_cast<std::size_t>(n)));
        if (progress)
            progress(offset, size > offset ? size : offset);
        if (!more)
            break;
    }
    return true;
}

std::string_view CMyPostalList::ColumnOf(const Record& r, int column) const
{
    const std::size_t from = column == 0 ? 0 : r.end[static_cast<std::size_t>(column - 1)];
    const std::size_t to = r.end[static_cast<std::size_t>(column)];
    return std::string_view(text_.data() + r.start + from, to - from);
}

std::string_view CMyPostalList::Column(int i, int column) const
{
    return ColumnOf(records_[static_cast<std::size_t>(i)], column);
}

int CMyPostalList::Compare(const Record& a, const Record& b) const
{
    for (int column : { kPC_PrefReading, kPC_CityReading, kPC_TownReading }) {
        const int r = platform::lstrcmpiA(ColumnOf(a, column), ColumnOf(b, column));
        if (r != 0)
            return r;
    }
    return 0;
}

int CMyPostalList::CompareReadings(int i, int j) const
{
    return Compare(records_[static_cast<std::size_t>(i)], records_[static_cast<std::size_t>(j)]);
}

// Each record's three readings as one byte string whose plain byte order is the order
// of Compare: A-Z folded to a-z outside double-byte characters (just as lstrcmpiA folds
// them), a zero byte after each reading so that a shorter reading sorts first. Readings
// hold no zero bytes (a line ends at one).
void CMyPostalList::BuildKeys()
{
    keys_.clear();
    keys_.reserve(text_.size() / 2);
    for (Record& r : records_) {
        r.keyStart = static_cast<std::uint32_t>(keys_.size());
        for (int column : { kPC_PrefReading, kPC_CityReading, kPC_TownReading }) {
            const std::string_view s = ColumnOf(r, column);
            for (std::size_t i = 0; i < s.size(); ++i) {
                const auto c = static_cast<unsigned char>(s[i]);
                if (platform::IsLeadByte(c) && i + 1 < s.size()) {
                    keys_.append(s.data() + i, 2);
                    ++i;
                } else {
                    keys_.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
                }
            }
            keys_.push_back('\0');
        }
        r.keyLength = static_cast<std::uint16_t>(keys_.size() - r.keyStart);
    }
}

void CMyPostalList::Sort()
{
    BuildKeys();
    postal::SortLikeDictionary(
        records_, [this](const Record& a, const Record& b) { return KeyOf(a).compare(KeyOf(b)); });
}

void CMyPostalList::SortLiterally()
{
    auto cmp = [this](const Record& a, const Record& b) { return Compare(a, b); };
    postal::QuickSortPhase(records_, cmp);
    postal::InsertionPass(records_, cmp);
}

} // namespace nrt
