#include "postal/PostalListImport.h"

#include "platform/TextEncoding.h"
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
constexpr std::string_view kOpenParen = "\x81\x69"; // （
constexpr std::string_view kCloseParen = "\x81\x6A"; // ）

// How often the double-byte character `wide` occurs in the CP932 text.
int CountWide(std::string_view text, std::string_view wide)
{
    int n = 0;
    for (std::size_t i = 0; i < text.size(); i += platform::CharLength(text, i))
        if (text.substr(i, 2) == wide)
            ++n;
    return n;
}

// The text without the spans from each `open` to its `close` (or to the end).
std::string WithoutSpans(std::string_view text, std::string_view open, std::string_view close)
{
    std::string out;
    int depth = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = platform::CharLength(text, i);
        const std::string_view c = text.substr(i, n);
        if (c == open)
            ++depth;
        else if (c == close && depth > 0)
            --depth;
        else if (depth == 0)
            out.append(c);
        i += n;
    }
    return out;
}

} // namespace

std::string TownWithoutRemark(std::string_view town)
{
    return WithoutSpans(town, kOpenParen, kCloseParen);
}

std::string ReadingWithoutRemark(std::string_view reading)
{
    return WithoutSpans(reading, "(", ")");
}

bool IsPostalCode7(std::string_view code)
{
    if (code.size() != 7)
        return false;
    for (char c : code)
        if (c < '0' || c > '9')
            return false;
    return true;
}

PostalListImport::PostalListImport(int maxRecords)
    : maxRecords_(maxRecords)
{
}

void PostalListImport::Clear()
{
    text_.clear();
    keys_.clear();
    records_.clear();
    line_.clear();
    ended_ = false;
    started_ = false;
    utf8_ = false;
    lineEnd_ = '\r';
    lineNumber_ = 0;
    emptyLine_ = 0;
    openTown_ = false;
    joinedTown_.clear();
    joinedReading_.clear();
    refusal_ = PostalListRefusal::None;
    stats_ = {};
}

bool PostalListImport::Feed(std::string_view bytes)
{
    if (!started_ && !bytes.empty()) {
        started_ = true;
        utf8_ = platform::LooksLikeUtf8(bytes);
        stats_.utf8 = utf8_;
        // Lines ended by LF alone (as converters on other systems write them) when the
        // first piece of the file has LF and no CR at all.
        lineEnd_
            = bytes.find('\r') == std::string_view::npos && bytes.find('\n') != std::string_view::npos ? '\n' : '\r';
        if (bytes.starts_with(platform::kUtf8Bom))
            bytes.remove_prefix(platform::kUtf8Bom.size());
    }
    // A UTF-8 line is measured once it is CP932; until then it may be three times longer.
    const std::size_t limit = utf8_ ? 3 * kMaxLineBytes : kMaxLineBytes;
    std::size_t pos = 0;
    while (!ended_ && pos < bytes.size()) {
        const void* cr = std::memchr(bytes.data() + pos, lineEnd_, bytes.size() - pos);
        const std::size_t stop
            = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - bytes.data()) : bytes.size();
        std::string_view piece = bytes.substr(pos, stop - pos);
        pos = cr ? stop + 1 : stop;
        if (!piece.empty() && piece.front() == '\n')
            piece.remove_prefix(1); // the LF of CR LF
        const bool hasLf = piece.find('\n') != std::string_view::npos;
        if (cr && line_.empty() && !hasLf) {
            // The common case: a whole line within this piece of the file.
            TakeLine(piece);
            continue;
        }
        for (char c : piece)
            if (c != '\n')
                line_.push_back(c);
        if (line_.size() > limit) {
            Refuse(PostalListRefusal::CutShort, PostalLineFault::TooLong, lineNumber_ + 1);
            break;
        }
        if (cr) {
            TakeLine(line_);
            line_.clear();
        }
    }
    return !ended_;
}

void PostalListImport::Refuse(PostalListRefusal why, PostalLineFault fault, int line)
{
    refusal_ = why;
    stats_.lineFault = fault;
    stats_.refusedLine = line;
    ended_ = true;
}

void PostalListImport::Finish()
{
    // Bytes after the last CR: more of the list after an empty line, or a file that
    // stops inside a line, as a cut-off download does.
    if (ended_ || line_.empty())
        return;
    if (emptyLine_ != 0)
        Refuse(PostalListRefusal::CutShort, PostalLineFault::Empty, emptyLine_);
    else
        Refuse(PostalListRefusal::CutShort, PostalLineFault::Unended, lineNumber_ + 1);
}

void PostalListImport::TakeLine(std::string_view line)
{
    ++lineNumber_;
    if (line.empty()) {
        // The end of the list: only more empty lines may follow.
        if (emptyLine_ == 0)
            emptyLine_ = lineNumber_;
        stats_.endedEarly = true;
        return;
    }
    if (emptyLine_ != 0) {
        Refuse(PostalListRefusal::CutShort, PostalLineFault::Empty, emptyLine_);
        return;
    }
    std::string converted;
    if (utf8_) {
        bool ok = true;
        converted = platform::Utf8ToSjis(line, &ok);
        if (!ok) {
            Refuse(PostalListRefusal::NotConvertible, PostalLineFault::NotConvertible, lineNumber_);
            return;
        }
        line = converted;
    }
    if (line.size() > kMaxLineBytes) {
        Refuse(PostalListRefusal::CutShort, PostalLineFault::TooLong, lineNumber_);
        return;
    }
    AddLine(line);
}

void PostalListImport::AddLine(std::string_view line)
{
    // A zero byte ends the line's text, as it would in a C string.
    line = line.substr(0, line.find('\0'));

    // The kept columns one after another in scratch_; bounds[k] is where column k starts,
    // bounds[kPostalColumns] where the last one ends.
    std::string& kept = scratch_;
    kept.clear();
    std::array<std::size_t, kPostalColumns + 1> bounds {};
    int column = 0;
    // Runs of bytes between separators are copied whole; a double-byte character is
    // stepped over as one, so its second byte is never taken for a separator.
    std::size_t run = 0;
    auto keepRun = [&](std::size_t end) {
        if (column >= kFirstKeptColumn && column <= kLastKeptColumn)
            kept.append(line.data() + run, end - run);
    };
    std::size_t i = 0;
    while (i < line.size() && column <= kLastKeptColumn) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (platform::IsLeadByte(c) && i + 1 < line.size()) {
            i += 2;
        } else if (c == ',') {
            keepRun(i);
            ++column;
            if (column >= kFirstKeptColumn && column <= kLastKeptColumn + 1)
                bounds[static_cast<std::size_t>(column - kFirstKeptColumn)] = kept.size();
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
        return;
    }
    if (column == kLastKeptColumn)
        bounds[kPostalColumns] = kept.size();
    std::array<std::string_view, kPostalColumns> columns;
    for (std::size_t k = 0; k < columns.size(); ++k)
        columns[k] = std::string_view(kept).substr(bounds[k], bounds[k + 1] - bounds[k]);

    if (!IsPostalCode7(columns[kPC_Code])) {
        if (records_.empty()) {
            refusal_ = PostalListRefusal::BadFirstCode;
            ended_ = true;
        } else {
            ++stats_.badCodes;
        }
        return;
    }
    if (JoinsOpenTown(columns)) {
        // The rest of a long town name: the record before is written again, whole.
        ++stats_.joinedLines;
        joinedTown_.append(columns[kPC_TownName]);
        // Some continuation lines repeat the whole reading instead of going on with it.
        if (columns[kPC_TownReading] != joinedReading_)
            joinedReading_.append(columns[kPC_TownReading]);
        const Record last = records_.back();
        std::array<std::string, kPostalColumns> copy;
        for (int k = 0; k < kPostalColumns; ++k)
            copy[static_cast<std::size_t>(k)] = std::string(ColumnOf(last, k));
        copy[kPC_TownName] = joinedTown_;
        copy[kPC_TownReading] = joinedReading_;
        records_.pop_back();
        text_.resize(last.start);
        for (std::size_t k = 0; k < columns.size(); ++k)
            columns[k] = copy[k];
        AddRecord(columns);
        return;
    }
    if (static_cast<int>(records_.size()) >= maxRecords_) {
        refusal_ = PostalListRefusal::TooManyRecords;
        ended_ = true;
        return;
    }
    joinedTown_.assign(columns[kPC_TownName]);
    joinedReading_.assign(columns[kPC_TownReading]);
    AddRecord(columns);
}

bool PostalListImport::JoinsOpenTown(const std::array<std::string_view, kPostalColumns>& columns) const
{
    if (!openTown_ || records_.empty())
        return false;
    const Record& last = records_.back();
    return ColumnOf(last, kPC_Code) == columns[kPC_Code] && ColumnOf(last, kPC_CityName) == columns[kPC_CityName];
}

void PostalListImport::AddRecord(const std::array<std::string_view, kPostalColumns>& columns)
{
    openTown_ = CountWide(joinedTown_, kOpenParen) > CountWide(joinedTown_, kCloseParen);
    // "Not listed below": the code of the city as a whole, which has no town.
    const std::string_view town = columns[kPC_TownName];
    const bool noTown = town == SJ("以下に掲載がない場合") || town.ends_with(SJ("の次に番地がくる場合"));
    Record rec;
    rec.start = static_cast<std::uint32_t>(text_.size());
    for (int k = 0; k < kPostalColumns; ++k) {
        std::string_view value = columns[static_cast<std::size_t>(k)];
        if (noTown && (k == kPC_TownName || k == kPC_TownReading))
            value = {};
        const std::string_view cut = platform::CutToBytes(value, kMaxColumnBytes);
        if (cut.size() < value.size())
            ++stats_.cutColumns;
        text_.append(cut);
        rec.end[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(text_.size() - rec.start);
    }
    records_.push_back(rec);
}

void PostalListImport::Parse(std::string_view bytes)
{
    Clear();
    Feed(bytes);
    Finish();
}

bool PostalListImport::Read(std::string_view path, const std::function<void(std::uint64_t, std::uint64_t)>& progress)
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
    Finish();
    return true;
}

std::string_view PostalListImport::ColumnOf(const Record& r, int column) const
{
    const std::size_t from = column == 0 ? 0 : r.end[static_cast<std::size_t>(column - 1)];
    const std::size_t to = r.end[static_cast<std::size_t>(column)];
    return std::string_view(text_.data() + r.start + from, to - from);
}

std::string_view PostalListImport::Column(int i, int column) const
{
    return ColumnOf(records_[static_cast<std::size_t>(i)], column);
}

int PostalListImport::Compare(const Record& a, const Record& b) const
{
    for (int column : { kPC_PrefReading, kPC_CityReading, kPC_TownReading }) {
        const int r = platform::lstrcmpiA(ColumnOf(a, column), ColumnOf(b, column));
        if (r != 0)
            return r;
    }
    return 0;
}

int PostalListImport::CompareReadings(int i, int j) const
{
    return Compare(records_[static_cast<std::size_t>(i)], records_[static_cast<std::size_t>(j)]);
}

// Each record's three readings as one byte string whose plain byte order is the order
// of Compare: A-Z folded to a-z outside double-byte characters (just as lstrcmpiA folds
// them), a zero byte after each reading so that a shorter reading sorts first. Readings
// hold no zero bytes (a line ends at one).
void PostalListImport::BuildKeys()
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

void PostalListImport::Sort()
{
    BuildKeys();
    postal::SortLikeDictionary(
        records_, [this](const Record& a, const Record& b) { return KeyOf(a).compare(KeyOf(b)); });
}

void PostalListImport::SortLiterally()
{
    auto cmp = [this](const Record& a, const Record& b) { return Compare(a, b); };
    postal::QuickSortPhase(records_, cmp);
    postal::InsertionPass(records_, cmp);
}

} // namespace nrt
