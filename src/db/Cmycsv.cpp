#include "db/Cmycsv.h"

#include "platform/fs.h"

#include <algorithm>
#include <bit>
#include <cstdint>
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

// Bit p set when some bit q <= p of `seeds` is set and no separator lies in q..p-1:
// whether the cell running through p holds a seed so far. A prefix OR in six steps
// that stops at separators.
inline std::uint64_t SpreadToSeparators(std::uint64_t seeds, std::uint64_t separators)
{
    std::uint64_t spread = seeds;
    std::uint64_t open = ~(separators << 1); // p-1 is no separator (bit 0: checked apart)
    for (int step = 1; step < 64; step *= 2) {
        spread |= open & (spread << step);
        open &= open << step;
    }
    return spread;
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

// Offsets of cells, grown as needed. The splitter writes through a pointer of its own
// (so that its byte stores cannot be taken to alter the list) and hands it back.
class CellList {
public:
    std::size_t Size() const { return size_; }
    const std::uint32_t* Data() const { return data_.get(); }
    std::unique_ptr<std::uint32_t[]> Take() { return std::move(data_); }

    std::uint32_t* End() { return data_.get() + size_; }
    std::uint32_t* Limit() { return data_.get() + capacity_; }
    void SetEnd(const std::uint32_t* end) { size_ = static_cast<std::size_t>(end - data_.get()); }
    void Grow(std::size_t atLeast = 0)
    {
        const std::size_t capacity = std::max(atLeast, capacity_ ? capacity_ * 2 : 4096);
        auto bigger = std::unique_ptr<std::uint32_t[]>(new std::uint32_t[capacity]);
        if (size_)
            std::memcpy(bigger.get(), data_.get(), size_ * sizeof(std::uint32_t));
        data_ = std::move(bigger);
        capacity_ = capacity;
    }

private:
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
// the separating commas (those outside quotes) without a branch per byte. A cell without
// quotes stays where it is, one just between two quotes begins after the first and ends
// at the second; the masks also mark the few other cells (quotes elsewhere, LF bytes, a
// quote left open at the line end), which are rewritten byte by byte.
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
    std::size_t taken = 0;
    bool ignoring = false;
    std::uint32_t* out = cells.End();
    std::uint32_t* room = cells.Limit();
    // Room for a block's cells is made before the block, not before each cell.
    auto makeRoom = [&] {
        if (room - out < 65) {
            cells.SetEnd(out);
            cells.Grow(cells.Size() + 65);
            out = cells.End();
            room = cells.Limit();
        }
    };
    auto cut = [&](char* stop, bool mixed) {
        char* first;
        if (mixed) {
            first = CutMixedCell(cell, stop);
        } else {
            const bool quoted = *cell == '"' && cell < stop;
            stop[quoted ? -1 : 0] = '\0';
            first = cell + (quoted ? 1 : 0);
        }
        *out++ = static_cast<std::uint32_t>(first - base);
    };
    auto endRow = [&] {
        cells.SetEnd(out);
        rows.push_back(static_cast<std::uint32_t>(cells.Size()));
    };

    endRow();
    std::uint64_t carry = 0; // all ones when the previous block ended inside quotes
    std::uint64_t afterEnd = 0; // 1 when the previous block ended with a line end
    std::uint64_t startsNext = 1; // 1 when a cell begins at bit 0 of the next block
    bool mixedSoFar = false; // the cell running on into the next block is mixed
    const std::size_t length = static_cast<std::size_t>(end - begin);
    for (std::size_t block = 0; block < length; block += 64) {
        char* const at = begin + block;
        const std::size_t n = std::min<std::size_t>(64, length - block);
        Marks m;
        if (n == 64) {
            m = Mark64(at);
        } else {
            char padded[64] = {};
            std::memcpy(padded, at, n);
            m = Mark64(padded);
        }
        const std::uint64_t ends = crEnded ? m.carriageReturns : m.lineFeeds;
        // The LF of a CR LF pair is passed over where the next line begins.
        const std::uint64_t skipped = crEnded ? m.lineFeeds & ((ends << 1) | afterEnd) : 0;
        const std::uint64_t feeds = crEnded ? m.lineFeeds & ~skipped : 0;
        afterEnd = ends >> 63;
        // Quoting never outlasts its line; a line end inside quotes leaves its cell mixed.
        std::uint64_t inside = PrefixXor(m.quotes) ^ carry;
        std::uint64_t openAtEnd = 0;
        for (std::uint64_t open = ends & inside; open;) {
            const int bit = std::countr_zero(open);
            openAtEnd |= std::uint64_t(1) << bit;
            inside ^= kAllBits << bit;
            open = ends & inside & ((kAllBits << bit) << 1);
        }
        carry = (inside >> 63) ? kAllBits : 0;
        const std::uint64_t separators = (m.commas & ~inside) | ends;

        // Where cells begin and where their last byte is. The end of the data, and a
        // separator just after this block, end a cell too.
        std::uint64_t bounds = separators;
        if (n < 64)
            bounds |= std::uint64_t(1) << n;
        std::uint64_t lasts = bounds >> 1;
        if (n == 64) {
            const char next = at[64]; // the NUL at the end of the data ends a cell as well
            lasts |= static_cast<std::uint64_t>(
                         (next == lineEnd) | (next == '\0' && at + 64 == end) | (next == ',' && !carry))
                << 63;
        }
        std::uint64_t starts = (separators << 1) | startsNext;
        startsNext = (separators >> 63) | ((starts & skipped) >> 63);
        starts = (starts & ~skipped) | ((starts & skipped) << 1);

        const std::uint64_t stray = (m.quotes & ~(starts | lasts)) | feeds;
        const std::uint64_t spread = stray ? SpreadToSeparators(stray, separators) : 0;
        std::uint64_t mixed = (separators & (spread << 1)) | openAtEnd;
        if (mixedSoFar)
            mixed |= separators & (~separators + 1); // the first cell ending here
        const bool runsOn = (separators >> 63) == 0;
        if (separators == 0)
            mixedSoFar = mixedSoFar || spread != 0;
        else
            mixedSoFar = runsOn && ((spread >> 63) & 1);

        makeRoom();
        const std::uint64_t unusual = mixed | ends;
        for (std::uint64_t left = separators; left;) {
            const int bit = std::countr_zero(left);
            left &= left - 1;
            char* const stop = at + bit;
            if (!((unusual >> bit) & 1) && taken + 1 < columns) {
                // The common cell: clean, ended by a comma, not the line's last.
                const std::size_t quoted = *cell == '"' ? 1 : 0;
                stop[-static_cast<std::ptrdiff_t>(quoted)] = '\0';
                *out++ = static_cast<std::uint32_t>(cell + quoted - base);
                ++taken;
                cell = stop + 1;
                continue;
            }
            if (!ignoring) {
                cut(stop, (mixed >> bit) & 1);
                ignoring = ++taken == columns;
            }
            cell = stop + 1;
            if ((ends >> bit) & 1) {
                endRow();
                taken = 0;
                ignoring = false;
                if (crEnded && *cell == '\n')
                    ++cell;
            }
        }
    }
    if (lastIsLine) {
        // A quote left open at the end of the data leaves the last cell mixed too.
        makeRoom();
        if (!ignoring)
            cut(end, mixedSoFar || carry != 0);
        endRow();
    }
    cells.SetEnd(out);
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

        // Room for as many lines as the first one suggests, so that the list is seldom
        // copied into a bigger one.
        CellList cells;
        const std::size_t lines = (size - dataStart) / (line1.size() + 2) + 1;
        cells.Grow(std::min(lines + lines / 4, size + 1) * std::min(columns, line1.size() + 1));
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
