#include "db/Cmycsv.h"

#include "platform/fs.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nrt {
namespace {

constexpr char kEmptyText[1] = {};
constexpr std::uint64_t kAllBits = ~std::uint64_t(0);

// Whether a line is empty once its LF bytes are dropped.
bool IsBlank(std::string_view line)
{
    return line.find_first_not_of('\n') == std::string_view::npos;
}

// Bits of the double quotes, commas, CR and LF bytes among 64 bytes.
struct Marks {
    std::uint64_t quotes = 0;
    std::uint64_t commas = 0;
    std::uint64_t carriageReturns = 0;
    std::uint64_t lineFeeds = 0;
};

inline Marks Mark64(const char* p)
{
    Marks m;
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        const auto bits = [&v](__m128i c) {
            return static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c))));
        };
        m.quotes |= bits(quote) << (16 * i);
        m.commas |= bits(comma) << (16 * i);
        m.carriageReturns |= bits(cr) << (16 * i);
        m.lineFeeds |= bits(lf) << (16 * i);
    }
#else
    for (int i = 0; i < 64; ++i) {
        m.quotes |= static_cast<std::uint64_t>(p[i] == '"') << i;
        m.commas |= static_cast<std::uint64_t>(p[i] == ',') << i;
        m.carriageReturns |= static_cast<std::uint64_t>(p[i] == '\r') << i;
        m.lineFeeds |= static_cast<std::uint64_t>(p[i] == '\n') << i;
    }
#endif
    return m;
}

// Bit i set when an odd number of the bits 0..i are set: whether byte i lies inside
// quotes. Quoting toggles at every double quote, a doubled one inside included, so the
// parity tells which commas separate cells.
inline std::uint64_t PrefixXor(std::uint64_t x)
{
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

// The number of set bits, counted up to 3: a cell needs to know only whether it holds
// no quote, the two around it, or something else.
inline int CountTo3(std::uint64_t x)
{
    const std::uint64_t x1 = x & (x - 1);
    const std::uint64_t x2 = x1 & (x1 - 1);
    return int { x != 0 } + int { x1 != 0 } + int { x2 != 0 };
}

// A cell with quotes other than the two around it, or with LF bytes: quotes open and
// close anywhere, inside quotes a doubled one stands for one, LF bytes are dropped.
[[gnu::noinline]] char* CutMixedCell(char* s, char* e)
{
    char* w = s;
    bool quoted = false;
    for (char* r = s; r < e;) {
        const char c = *r++;
        if (c == '\n')
            continue;
        if (c != '"') {
            *w++ = c;
            continue;
        }
        if (quoted) {
            char* next = r;
            while (next < e && *next == '\n')
                ++next;
            if (next < e && *next == '"') {
                *w++ = '"';
                r = next + 1;
                continue;
            }
        }
        quoted = !quoted;
    }
    *w = '\0';
    return s;
}

// Offsets of cells, grown as needed.
class CellList {
public:
    std::size_t Size() const { return size_; }
    const std::uint32_t* Data() const { return data_.get(); }
    std::unique_ptr<std::uint32_t[]> Take() { return std::move(data_); }
    void Push(std::uint32_t offset)
    {
        if (size_ == capacity_)
            Grow();
        data_[size_++] = offset;
    }

private:
    void Grow()
    {
        const std::size_t capacity = capacity_ ? capacity_ * 2 : 4096;
        auto bigger = std::unique_ptr<std::uint32_t[]>(new std::uint32_t[capacity]);
        if (size_)
            std::memcpy(bigger.get(), data_.get(), size_ * sizeof(std::uint32_t));
        data_ = std::move(bigger);
        capacity_ = capacity;
    }

    std::unique_ptr<std::uint32_t[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Cuts the lines of [begin, end) into cells in place. A line ends at CR (LF bytes are
// dropped), or at LF in a file without any CR. At most `columns` cells are taken from a
// line: when the last of them is ended by a comma the rest of the line is ignored. Each
// cell's offset from `base` goes to `cells`, and each line's first cell to `rows`, with
// one more entry after the last line. A last line without its end counts when it is
// not empty. The byte at `end` must be a NUL.
//
// The bytes are looked at 64 at a time: bit masks of quotes, commas and line ends give
// the separating commas (those outside quotes) without a branch per byte, and cells
// without quotes, or just between two, stay where they are.
void SplitLines(char* begin, char* end, bool crEnded, std::size_t columns, const char* base, CellList& cells,
    std::vector<std::uint32_t>& rows)
{
    const char lineEnd = crEnded ? '\r' : '\n';
    const char* tail = end;
    while (tail > begin && tail[-1] != lineEnd)
        --tail;
    const std::string_view last(tail, static_cast<std::size_t>(end - tail));
    const bool lastIsLine = crEnded ? !IsBlank(last) : !last.empty();

    char* cell = begin;
    int quotes = 0;
    bool lineFeeds = false;
    std::size_t taken = 0;
    bool ignoring = false;
    auto cut = [&](char* stop) {
        char* first;
        if (lineFeeds) {
            first = CutMixedCell(cell, stop);
        } else if (quotes == 0) {
            *stop = '\0';
            first = cell;
        } else if (quotes == 2 && stop - cell >= 2 && *cell == '"' && stop[-1] == '"') {
            stop[-1] = '\0';
            first = cell + 1;
        } else {
            first = CutMixedCell(cell, stop);
        }
        cells.Push(static_cast<std::uint32_t>(first - base));
    };

    rows.push_back(static_cast<std::uint32_t>(cells.Size()));
    std::uint64_t carry = 0; // all ones when the previous block ended inside quotes
    std::uint64_t afterEnd = 0; // 1 when the previous block ended with a line end
    const std::size_t length = static_cast<std::size_t>(end - begin);
    for (std::size_t block = 0; block < length; block += 64) {
        char* const at = begin + block;
        Marks m;
        if (length - block >= 64) {
            m = Mark64(at);
        } else {
            char padded[64] = {};
            std::memcpy(padded, at, length - block);
            m = Mark64(padded);
        }
        const std::uint64_t ends = crEnded ? m.carriageReturns : m.lineFeeds;
        // The LF of a CR LF pair is passed over where the next line begins.
        const std::uint64_t feeds = crEnded ? m.lineFeeds & ~((ends << 1) | afterEnd) : 0;
        afterEnd = ends >> 63;
        // Quoting never outlasts its line.
        std::uint64_t inside = PrefixXor(m.quotes) ^ carry;
        for (std::uint64_t open = ends & inside; open;) {
            const int bit = std::countr_zero(open);
            inside ^= kAllBits << bit;
            open = ends & inside & ((kAllBits << bit) << 1);
        }
        carry = (inside >> 63) ? kAllBits : 0;

        std::uint64_t separators = (m.commas & ~inside) | ends;
        std::uint64_t quotesLeft = m.quotes;
        std::uint64_t feedsLeft = feeds;
        while (separators) {
            const int bit = std::countr_zero(separators);
            separators &= separators - 1;
            const std::uint64_t before = (std::uint64_t(1) << bit) - 1;
            quotes = std::min(3, quotes + CountTo3(quotesLeft & before));
            lineFeeds = lineFeeds || (feedsLeft & before) != 0;
            quotesLeft &= ~before;
            feedsLeft &= ~before;
            char* const stop = at + bit;
            if (!ignoring) {
                cut(stop);
                ignoring = ++taken == columns;
            }
            cell = stop + 1;
            if ((ends >> bit) & 1) {
                rows.push_back(static_cast<std::uint32_t>(cells.Size()));
                taken = 0;
                ignoring = false;
                if (crEnded && *cell == '\n')
                    ++cell;
            }
            quotes = 0;
            lineFeeds = false;
        }
        quotes = std::min(3, quotes + CountTo3(quotesLeft));
        lineFeeds = lineFeeds || feedsLeft != 0;
    }
    if (lastIsLine) {
        if (!ignoring)
            cut(end);
        rows.push_back(static_cast<std::uint32_t>(cells.Size()));
    }
}

} // namespace

void CMyCSV::Clear()
{
    buffer_.reset();
    header_.clear();
    headerCells_ = {};
    cells_.reset();
    rowStart_ = {};
}

const char* CMyCSV::GetHeader(int c) const
{
    if (c < 0 || c >= GetColumnCount())
        return nullptr;
    return header_.c_str() + headerCells_[static_cast<std::size_t>(c)];
}

const char* CMyCSV::GetCell(int r, int c) const
{
    if (r < 0 || r >= GetRowCount() || c < 0 || c >= GetColumnCount())
        return nullptr;
    const std::size_t at = rowStart_[static_cast<std::size_t>(r)] + static_cast<std::size_t>(c);
    if (at >= rowStart_[static_cast<std::size_t>(r) + 1])
        return kEmptyText;
    return buffer_.get() + cells_[at];
}

int CMyCSV::LoadCsv(std::string_view path, int header)
{
    Clear();
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    if (!platform::fs::ReadFile(path, data, size))
        return kErrOpen;
    return Parse(std::move(data), size, header);
}

int CMyCSV::ParseCsv(std::string_view bytes, int header)
{
    Clear();
    auto data = std::unique_ptr<char[]>(new (std::nothrow) char[bytes.size() + 1]);
    if (!data)
        return kErrMemory;
    std::memcpy(data.get(), bytes.data(), bytes.size());
    data[bytes.size()] = '\0';
    return Parse(std::move(data), bytes.size(), header);
}

int CMyCSV::Parse(std::unique_ptr<char[]> data, std::size_t size, int header)
{
    // Cells are kept as 32-bit offsets into the file's bytes.
    if (size >= std::numeric_limits<std::uint32_t>::max())
        return kErrMemory;
    try {
        char* const bytes = data.get();
        // A file without any CR is taken as LF-ended, so that files written with LF line
        // ends are not read as one long line.
        const bool crEnded = std::memchr(bytes, '\r', size) != nullptr;
        const char lineEnd = crEnded ? '\r' : '\n';

        // Line 0 names the columns; without a header an empty line stands in for it.
        std::size_t dataStart = 0;
        std::string headerText;
        if (header) {
            const auto* h = static_cast<const char*>(std::memchr(bytes, lineEnd, size));
            if (!h)
                return kErrNoData;
            headerText.assign(bytes, static_cast<std::size_t>(h - bytes));
            if (crEnded)
                std::erase(headerText, '\n');
            dataStart = static_cast<std::size_t>(h - bytes) + 1;
            if (crEnded && bytes[dataStart] == '\n')
                ++dataStart;
        }
        const auto* e1 = static_cast<const char*>(std::memchr(bytes + dataStart, lineEnd, size - dataStart));
        const std::string_view line1(
            bytes + dataStart, static_cast<std::size_t>((e1 ? e1 : bytes + size) - (bytes + dataStart)));
        if (!e1 && (crEnded ? IsBlank(line1) : line1.empty()))
            return kErrNoData;

        // Every comma counts, quoted or not.
        const std::string_view counted = headerText.empty() ? line1 : std::string_view(headerText);
        const std::size_t columns = 1 + static_cast<std::size_t>(std::count(counted.begin(), counted.end(), ','));
        if (headerText.empty()) {
            headerText = "FIELD1";
            for (std::size_t c = 2; c <= columns; ++c)
                headerText += ",FIELD" + std::to_string(c);
        }

        header_ = std::move(headerText);
        CellList headerCells;
        std::vector<std::uint32_t> headerRows;
        SplitLines(
            header_.data(), header_.data() + header_.size(), crEnded, columns, header_.data(), headerCells, headerRows);
        headerCells_.assign(headerCells.Data(), headerCells.Data() + headerCells.Size());
        headerCells_.resize(columns, static_cast<std::uint32_t>(header_.size()));

        CellList cells;
        SplitLines(bytes + dataStart, bytes + size, crEnded, columns, bytes, cells, rowStart_);
        cells_ = cells.Take();
        buffer_ = std::move(data);
        return kOk;
    } catch (const std::bad_alloc&) {
        Clear();
        return kErrMemory;
    }
}

} // namespace nrt
