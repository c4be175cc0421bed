#include "db/CsvReader.h"

#include "platform/ArrivingFile.h"
#include "platform/TextEncoding.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Where the compiler can build code for later instruction sets than the one it was told
// to aim at, the splitter is built for AVX2 and for AVX-512 too, and the processor's
// widest one is picked at run time.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define NRT_CSV_WIDE 1
#define NRT_AVX2_CODE __attribute__((target("avx2,bmi,bmi2,popcnt,pclmul")))
#define NRT_AVX512_CODE __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi2,avx2,bmi,bmi2,popcnt,pclmul")))
#include <immintrin.h>
#endif

namespace nrt {
namespace {

constexpr char kEmptyText[1] = {};
// How much of a file tells whether it is UTF-8.
constexpr std::size_t kEncodingProbe = 64 * 1024;
// Files from this size on are cut while they are being read.
constexpr std::size_t kArrivingFrom = 1 << 20;
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
[[gnu::always_inline]] inline std::uint64_t SpreadToSeparators(std::uint64_t seeds, std::uint64_t separators)
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
    // Set when a line break was met inside quotes.
    bool quotedBreak = false;

    std::size_t Size() const { return size_; }
    const std::uint32_t* Data() const { return data_.get(); }
    platform::LargeArray<std::uint32_t> Take() { return std::move(data_); }

    std::uint32_t* Begin() { return data_.get(); }
    std::uint32_t* End() { return data_.get() + size_; }
    std::uint32_t* Limit() { return data_.get() + capacity_; }
    void SetEnd(const std::uint32_t* end) { size_ = static_cast<std::size_t>(end - data_.get()); }
    void Grow(std::size_t atLeast = 0)
    {
        std::size_t capacity = 0;
        auto bigger
            = platform::AllocateLarge<std::uint32_t>(std::max(atLeast, capacity_ ? capacity_ * 2 : 4096), capacity);
        if (!bigger)
            throw std::bad_alloc();
        if (size_)
            std::memcpy(bigger.get(), data_.get(), size_ * sizeof(std::uint32_t));
        data_ = std::move(bigger);
        capacity_ = capacity;
    }

private:
    platform::LargeArray<std::uint32_t> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Turns the bytes among the 64 at p whose bits are set into NUL bytes.
inline void ClearBytes(char* p, std::uint64_t bits)
{
#if defined(__SSE2__)
    const __m128i select = _mm_set_epi8(-128, 64, 32, 16, 8, 4, 2, 1, -128, 64, 32, 16, 8, 4, 2, 1);
    for (int i = 0; i < 4; ++i) {
        // Each of the 16 bits spread over its own byte.
        __m128i m = _mm_cvtsi32_si128(static_cast<std::uint16_t>(bits >> (16 * i)));
        m = _mm_unpacklo_epi8(m, m);
        m = _mm_unpacklo_epi16(m, m);
        m = _mm_unpacklo_epi32(m, m);
        m = _mm_cmpeq_epi8(_mm_and_si128(m, select), select);
        auto* at = reinterpret_cast<__m128i*>(p + 16 * i);
        _mm_storeu_si128(at, _mm_andnot_si128(m, _mm_loadu_si128(at)));
    }
#else
    for (; bits; bits &= bits - 1)
        p[std::countr_zero(bits)] = '\0';
#endif
}

// Appends offset + the position of every set bit, in order. Writes in groups of eight
// whatever the count (so up to seven entries past the new end are overwritten), which
// spares a hard-to-predict branch per entry.
[[gnu::always_inline]] inline std::uint32_t* AppendPositions(
    std::uint32_t* out, std::uint64_t bits, std::uint32_t offset)
{
    const int count = std::popcount(bits);
    std::uint32_t* const end = out + count;
    for (std::uint32_t* group = out; group < end; group += 8) {
        for (int i = 0; i < 8; ++i) {
            group[i] = offset + static_cast<std::uint32_t>(std::countr_zero(bits));
            bits &= bits - 1;
        }
    }
    return end;
}

// The block operations the splitter is built on, with the instructions every x86-64 (or
// any) processor has.
struct PlainBlocks {
    static Marks Mark(const char* p) { return Mark64(p); }
    static std::uint64_t Parity(std::uint64_t x) { return PrefixXor(x); }
    static void Clear(char* p, std::uint64_t bits) { ClearBytes(p, bits); }
    static std::uint32_t* Append(std::uint32_t* out, std::uint64_t bits, std::uint32_t offset)
    {
        return AppendPositions(out, bits, offset);
    }
};

#if NRT_CSV_WIDE
NRT_AVX2_CODE inline std::uint64_t Equal64(__m256i low, __m256i high, char c)
{
    const __m256i v = _mm256_set1_epi8(c);
    const auto lowBits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, v)));
    const auto highBits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, v)));
    return lowBits | (static_cast<std::uint64_t>(highBits) << 32);
}

// The same with AVX2, and a carry-less multiplication for the running parity.
struct Avx2Blocks {
    NRT_AVX2_CODE static Marks Mark(const char* p)
    {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        return { Equal64(low, high, '"'), Equal64(low, high, ','), Equal64(low, high, '\r'), Equal64(low, high, '\n') };
    }
    NRT_AVX2_CODE static std::uint64_t Parity(std::uint64_t x)
    {
        const __m128i product = _mm_clmulepi64_si128(
            _mm_set_epi64x(0, static_cast<long long>(x)), _mm_set1_epi8(static_cast<char>(0xFF)), 0);
        return static_cast<std::uint64_t>(_mm_cvtsi128_si64(product));
    }
    NRT_AVX2_CODE static void Clear(char* p, std::uint64_t bits)
    {
        // Byte i takes the mask byte i / 8 and keeps its bit i % 8.
        const __m256i spread = _mm256_setr_epi8(
            0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3);
        const __m256i select = _mm256_set1_epi64x(static_cast<long long>(0x8040201008040201));
        for (int i = 0; i < 2; ++i) {
            __m256i m = _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(bits >> (32 * i))), spread);
            m = _mm256_cmpeq_epi8(_mm256_and_si256(m, select), select);
            auto* at = reinterpret_cast<__m256i*>(p + 32 * i);
            _mm256_storeu_si256(at, _mm256_andnot_si256(m, _mm256_loadu_si256(at)));
        }
    }
    NRT_AVX2_CODE static std::uint32_t* Append(std::uint32_t* out, std::uint64_t bits, std::uint32_t offset)
    {
        return AppendPositions(out, bits, offset);
    }
};

constexpr std::uint8_t kBytePositions[64] = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
    21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49,
    50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63 };

// The same with AVX-512: masks straight from the compares, NUL bytes by a masked store,
// positions packed by a compress instead of one at a time.
struct Avx512Blocks {
    NRT_AVX512_CODE static Marks Mark(const char* p)
    {
        const __m512i v = _mm512_loadu_si512(p);
        return { _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('"')), _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(',')),
            _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\r')), _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\n')) };
    }
    NRT_AVX512_CODE static std::uint64_t Parity(std::uint64_t x) { return Avx2Blocks::Parity(x); }
    NRT_AVX512_CODE static void Clear(char* p, std::uint64_t bits)
    {
        _mm512_mask_storeu_epi8(p, bits, _mm512_setzero_si512());
    }
    // Writes entries in groups of 16 (up to 15 past the new end).
    NRT_AVX512_CODE static std::uint32_t* Append(std::uint32_t* out, std::uint64_t bits, std::uint32_t offset)
    {
        // (The zero-masked forms spare GCC's false alarm about unset vector lanes.)
        constexpr __mmask16 kAll16 = 0xFFFF;
        const int count = std::popcount(bits);
        const __m512i packed = _mm512_maskz_compress_epi8(bits, _mm512_loadu_si512(kBytePositions));
        const __m512i base = _mm512_set1_epi32(static_cast<int>(offset));
        _mm512_storeu_si512(out,
            _mm512_add_epi32(
                _mm512_maskz_cvtepu8_epi32(kAll16, _mm512_maskz_extracti32x4_epi32(0xF, packed, 0)), base));
        if (count > 16) {
            _mm512_storeu_si512(out + 16,
                _mm512_add_epi32(
                    _mm512_maskz_cvtepu8_epi32(kAll16, _mm512_maskz_extracti32x4_epi32(0xF, packed, 1)), base));
            if (count > 32) {
                _mm512_storeu_si512(out + 32,
                    _mm512_add_epi32(
                        _mm512_maskz_cvtepu8_epi32(kAll16, _mm512_maskz_extracti32x4_epi32(0xF, packed, 2)), base));
                _mm512_storeu_si512(out + 48,
                    _mm512_add_epi32(
                        _mm512_maskz_cvtepu8_epi32(kAll16, _mm512_maskz_extracti32x4_epi32(0xF, packed, 3)), base));
            }
        }
        return out + count;
    }
};
#endif

// One block's bytes as bit masks (bit i for byte i).
struct BlockMasks {
    Marks marks;
    std::uint64_t ends = 0; // line ends
    std::uint64_t feeds = 0; // LF bytes of a CR-ended file not paired with a CR
    std::uint64_t inside = 0; // bytes inside quotes
    std::uint64_t openAtEnd = 0; // line ends met with a quote still open
    std::uint64_t separators = 0; // commas outside quotes, and line ends
    std::uint64_t lasts = 0; // the last byte of each cell
    std::uint64_t starts = 0; // the first byte of each cell
    std::uint64_t stray = 0; // bytes that leave their cell to be rewritten byte by byte
};

// Waits until the block at `at` and the byte after it have arrived; false when reading
// failed. Once the whole file is there, `arrived` stops any further waiting.
[[gnu::always_inline]] inline bool AwaitBlock(
    const char* at, const char* end, const char* base, platform::ArrivingFile* feed, std::size_t& arrived)
{
    const std::size_t needed = static_cast<std::size_t>(at - base) + 65;
    if (needed <= arrived)
        return true;
    arrived = feed->WaitFor(needed);
    if (arrived == platform::ArrivingFile::kFailed)
        return false;
    // All of it there, the NUL after it included: no more waiting.
    if (arrived >= static_cast<std::size_t>(end - base))
        arrived = std::numeric_limits<std::size_t>::max();
    return true;
}

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
//
// A block holding only such plain cells is done from its masks alone: its separators
// and closing quotes become NUL bytes at once, and every cell beginning in it is listed
// where it begins, a line's surplus cells being dropped again at the line's end. Other
// blocks go cell by cell, listing a cell where it ends.
//
// Every step is inlined into the one splitter built for each instruction set.
template <class Blocks> class LineSplitter {
public:
    [[gnu::always_inline]] LineSplitter(
        bool crEnd, std::size_t columns, const char* start, CellList& cellList, std::vector<std::uint32_t>& rowList)
        : crEnded(crEnd)
        , lineEnd(crEnd ? '\r' : '\n')
        , maxCells(
              static_cast<std::ptrdiff_t>(std::min<std::size_t>(columns, std::numeric_limits<std::ptrdiff_t>::max())))
        , base(start)
        , cells(cellList)
        , rows(rowList)
        , out(cellList.End())
        , room(cellList.Limit())
        , rowFirst(out)
    {
    }

    [[gnu::always_inline]] bool Run(char* begin, char* end, platform::ArrivingFile* feed)
    {
        cell = begin;
        tail = begin;
        rows.push_back(static_cast<std::uint32_t>(out - cells.Begin()));
        const std::size_t length = static_cast<std::size_t>(end - begin);
        std::size_t arrived = feed ? 0 : std::numeric_limits<std::size_t>::max();
        for (std::size_t block = 0; block < length; block += 64) {
            char* const at = begin + block;
            // A block is looked at with the byte after it.
            if (!AwaitBlock(at, end, base, feed, arrived)) {
                cells.SetEnd(out);
                return false;
            }
            const std::size_t n = std::min<std::size_t>(64, length - block);
            const BlockMasks b = Scan(at, n, end);
            MakeRoom();
            if (n == 64 && (b.stray | b.openAtEnd) == 0 && !mixedSoFar)
                TakePlainBlock(at, b);
            else
                TakeMixedBlock(at, b);
        }
        TakeLastLine(end);
        cells.SetEnd(out);
        cells.quotedBreak = quotedBreak;
        return true;
    }

private:
    // The masks of the `n` bytes at `at`, carrying quoting and line ends on from the
    // block before.
    [[gnu::always_inline]] BlockMasks Scan(char* at, std::size_t n, const char* end)
    {
        BlockMasks b;
        Marks& m = b.marks;
        if (n == 64) {
            m = Blocks::Mark(at);
        } else {
            char padded[64] = {};
            std::memcpy(padded, at, n);
            m = Blocks::Mark(padded);
        }
        const std::uint64_t ends = crEnded ? m.carriageReturns : m.lineFeeds;
        b.ends = ends;
        if (ends)
            tail = at + 64 - std::countl_zero(ends);
        // The LF of a CR LF pair is passed over where the next line begins.
        const std::uint64_t skipped = crEnded ? m.lineFeeds & ((ends << 1) | afterEnd) : 0;
        b.feeds = crEnded ? m.lineFeeds & ~skipped : 0;
        afterEnd = ends >> 63;
        // Quoting never outlasts its line; a line end inside quotes leaves its cell mixed.
        std::uint64_t inside = Blocks::Parity(m.quotes) ^ carry;
        quotedBreak |= ((ends | b.feeds) & inside) != 0;
        for (std::uint64_t open = ends & inside; open;) {
            const int bit = std::countr_zero(open);
            b.openAtEnd |= std::uint64_t(1) << bit;
            inside ^= kAllBits << bit;
            open = ends & inside & ((kAllBits << bit) << 1);
        }
        b.inside = inside;
        carry = (inside >> 63) ? kAllBits : 0;
        b.separators = (m.commas & ~inside) | ends;

        // Where cells begin and where their last byte is. The end of the data, and a
        // separator just after this block, end a cell too.
        std::uint64_t bounds = b.separators;
        if (n < 64)
            bounds |= std::uint64_t(1) << n;
        b.lasts = bounds >> 1;
        if (n == 64) {
            const char next = at[64];
            b.lasts |= static_cast<std::uint64_t>((next == lineEnd) | ((next == ',') & !carry) | (at + 64 == end))
                << 63;
        }
        std::uint64_t starts = (b.separators << 1) | startsNext;
        startsNext = (b.separators >> 63) | ((starts & skipped) >> 63);
        b.starts = (starts & ~skipped) | ((starts & skipped) << 1);

        b.stray = (m.quotes & ~(b.starts | b.lasts)) | b.feeds;
        return b;
    }

    // Room for a block's cells (and the spare entries that Append may write) is made
    // before the block, not before each cell.
    [[gnu::always_inline]] void MakeRoom()
    {
        constexpr std::ptrdiff_t kBlockRoom = 80;
        if (room - out < kBlockRoom) {
            const std::size_t first = static_cast<std::size_t>(rowFirst - cells.Begin());
            cells.SetEnd(out);
            cells.Grow(cells.Size() + kBlockRoom);
            out = cells.End();
            room = cells.Limit();
            rowFirst = cells.Begin() + first;
        }
    }

    // A block of plain cells, done from its masks alone.
    [[gnu::always_inline]] void TakePlainBlock(char* at, const BlockMasks& b)
    {
        const Marks& m = b.marks;
        // Quotes here lie only around cells; one whose quote closes this block's
        // last byte has its separator in the next block.
        Blocks::Clear(at, b.separators | (m.quotes & b.lasts & ~b.inside));
        const std::uint32_t offset = static_cast<std::uint32_t>(at - base);
        const std::uint64_t quotedStarts = b.starts & m.quotes;
        const std::uint64_t firsts = (b.starts & ~m.quotes) | (quotedStarts << 1);
        if (cell < at && !listed) {
            // A cell begun in a block gone cell by cell.
            const bool quoted = *cell == '"';
            *out++ = static_cast<std::uint32_t>(cell + (quoted ? 1 : 0) - base);
            if (quoted && (b.separators & 1))
                at[-1] = '\0';
        }
        std::uint32_t* const blockFirst = out;
        out = Blocks::Append(out, firsts, offset);
        if (quotedStarts >> 63)
            *out++ = offset + 64;
        EndPlainRows(blockFirst, firsts, b.ends);
        if (b.separators) {
            const int bit = 63 - std::countl_zero(b.separators);
            cell = at + bit + 1;
            if (((b.ends >> bit) & 1) && crEnded && *cell == '\n')
                ++cell;
        }
        // The running cell is the last listed, unless the line has too many.
        const bool tooMany = out - rowFirst > maxCells;
        if (tooMany)
            out = rowFirst + maxCells;
        listed = cell < at + 64 && !tooMany;
    }

    // Ends each line of a plain block whose cells are listed from `blockFirst` on.
    [[gnu::always_inline]] void EndPlainRows(std::uint32_t* blockFirst, std::uint64_t firsts, std::uint64_t ends)
    {
        std::ptrdiff_t dropped = 0; // entries of this block dropped so far
        for (std::uint64_t left = ends; left; left &= left - 1) {
            const std::uint64_t upTo = (std::uint64_t(2) << std::countr_zero(left)) - 1;
            std::uint32_t* rowEnd = blockFirst + (std::popcount(firsts & upTo) - dropped);
            if (rowEnd - rowFirst > maxCells) {
                // The line's surplus cells go; those of the lines after it move down.
                std::uint32_t* const keep = rowFirst + maxCells;
                std::memmove(keep, rowEnd, static_cast<std::size_t>(out - rowEnd) * sizeof(std::uint32_t));
                dropped += rowEnd - keep;
                out -= rowEnd - keep;
                rowEnd = keep;
            }
            rows.push_back(static_cast<std::uint32_t>(rowEnd - cells.Begin()));
            rowFirst = rowEnd;
        }
    }

    // A block with mixed cells, or the short last block, done cell by cell.
    [[gnu::always_inline]] void TakeMixedBlock(char* at, const BlockMasks& b)
    {
        const std::uint64_t separators = b.separators;
        const std::uint64_t spread = b.stray ? SpreadToSeparators(b.stray, separators) : 0;
        std::uint64_t mixed = (separators & (spread << 1)) | b.openAtEnd;
        if (mixedSoFar)
            mixed |= separators & (~separators + 1); // the first cell ending here
        if (separators == 0)
            mixedSoFar = mixedSoFar || spread != 0;
        else
            mixedSoFar = (separators >> 63) == 0 && ((spread >> 63) & 1);
        for (std::uint64_t left = separators; left; left &= left - 1) {
            const int bit = std::countr_zero(left);
            char* const stop = at + bit;
            Cut(stop, (mixed >> bit) & 1);
            cell = stop + 1;
            if ((b.ends >> bit) & 1) {
                EndRow();
                if (crEnded && *cell == '\n')
                    ++cell;
            }
        }
    }

    // A last line without its end counts when it is not empty.
    [[gnu::always_inline]] void TakeLastLine(char* end)
    {
        const std::string_view last(tail, static_cast<std::size_t>(end - tail));
        if (crEnded ? !IsBlank(last) : !last.empty()) {
            // A quote left open at the end of the data leaves the last cell mixed too.
            MakeRoom();
            Cut(end, mixedSoFar || carry != 0);
            EndRow();
        }
    }

    // Ends the cell running up to `stop`, listing it unless it is one too many.
    [[gnu::always_inline]] void Cut(char* stop, bool mixed)
    {
        if (!listed && out - rowFirst >= maxCells)
            return;
        char* first;
        if (mixed) {
            first = CutMixedCell(cell, stop);
        } else {
            const bool quoted = *cell == '"' && cell < stop;
            stop[quoted ? -1 : 0] = '\0';
            first = cell + (quoted ? 1 : 0);
        }
        // A listed cell keeps its place; only a mixed one has moved its first byte.
        if (listed)
            out[-1] = static_cast<std::uint32_t>(first - base);
        else
            *out++ = static_cast<std::uint32_t>(first - base);
        listed = false;
    }

    [[gnu::always_inline]] void EndRow()
    {
        if (out - rowFirst > maxCells)
            out = rowFirst + maxCells;
        rows.push_back(static_cast<std::uint32_t>(out - cells.Begin()));
        rowFirst = out;
    }

    const bool crEnded;
    const char lineEnd;
    const std::ptrdiff_t maxCells;
    const char* const base;
    CellList& cells;
    std::vector<std::uint32_t>& rows;

    std::uint32_t* out;
    std::uint32_t* room;
    std::uint32_t* rowFirst;
    char* cell = nullptr; // where the cell running on into the next block begins
    bool listed = false; // whether that cell is listed already
    const char* tail = nullptr; // just after the last line end
    std::uint64_t carry = 0; // all ones when the previous block ended inside quotes
    std::uint64_t afterEnd = 0; // 1 when the previous block ended with a line end
    std::uint64_t startsNext = 1; // 1 when a cell begins at bit 0 of the next block
    bool mixedSoFar = false; // the cell running on into the next block is mixed
    bool quotedBreak = false; // a line break inside quotes was met
};

template <class Blocks>
[[gnu::always_inline]] inline bool SplitLinesWith(char* begin, char* end, bool crEnded, std::size_t columns,
    const char* base, CellList& cells, std::vector<std::uint32_t>& rows, platform::ArrivingFile* feed)
{
    return LineSplitter<Blocks>(crEnded, columns, base, cells, rows).Run(begin, end, feed);
}

using Splitter = bool (*)(
    char*, char*, bool, std::size_t, const char*, CellList&, std::vector<std::uint32_t>&, platform::ArrivingFile*);

bool SplitLinesPlain(char* begin, char* end, bool crEnded, std::size_t columns, const char* base, CellList& cells,
    std::vector<std::uint32_t>& rows, platform::ArrivingFile* feed)
{
    return SplitLinesWith<PlainBlocks>(begin, end, crEnded, columns, base, cells, rows, feed);
}

#if NRT_CSV_WIDE
NRT_AVX2_CODE bool SplitLinesAvx2(char* begin, char* end, bool crEnded, std::size_t columns, const char* base,
    CellList& cells, std::vector<std::uint32_t>& rows, platform::ArrivingFile* feed)
{
    return SplitLinesWith<Avx2Blocks>(begin, end, crEnded, columns, base, cells, rows, feed);
}

NRT_AVX512_CODE bool SplitLinesAvx512(char* begin, char* end, bool crEnded, std::size_t columns, const char* base,
    CellList& cells, std::vector<std::uint32_t>& rows, platform::ArrivingFile* feed)
{
    return SplitLinesWith<Avx512Blocks>(begin, end, crEnded, columns, base, cells, rows, feed);
}
#endif

// The splitters this processor can run, plainest first.
const std::vector<Splitter>& Splitters()
{
    static const std::vector<Splitter> splitters = [] {
        std::vector<Splitter> list { SplitLinesPlain };
#if NRT_CSV_WIDE
        __builtin_cpu_init();
        const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi")
            && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("pclmul");
        if (avx2)
            list.push_back(SplitLinesAvx2);
        if (avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")
            && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi2"))
            list.push_back(SplitLinesAvx512);
#endif
        return list;
    }();
    return splitters;
}

int g_splitter = -1; // the one tests asked for; -1: the last

// False only when the feed failed.
bool SplitLines(char* begin, char* end, bool crEnded, std::size_t columns, const char* base, CellList& cells,
    std::vector<std::uint32_t>& rows, platform::ArrivingFile* feed = nullptr)
{
    const auto& splitters = Splitters();
    const int last = static_cast<int>(splitters.size()) - 1;
    return splitters[static_cast<std::size_t>(g_splitter < 0 || g_splitter > last ? last : g_splitter)](
        begin, end, crEnded, columns, base, cells, rows, feed);
}

// The first `c` in bytes[from, size), waiting for the bytes of a feed as they arrive;
// nullptr when there is none (or the feed failed: `failed` is set).
const char* FindArriving(
    const char* bytes, std::size_t from, std::size_t size, char c, platform::ArrivingFile* feed, bool& failed)
{
    std::size_t arrived = feed ? feed->WaitFor(from + 1) : size;
    while (arrived != platform::ArrivingFile::kFailed) {
        if (from < arrived) {
            if (const void* hit = std::memchr(bytes + from, c, arrived - from))
                return static_cast<const char*>(hit);
            from = arrived;
        }
        if (arrived >= size)
            return nullptr;
        arrived = feed->WaitFor(arrived + 1);
    }
    failed = true;
    return nullptr;
}

// A copy of the file in which every line break inside a quoted cell (one whose first
// byte is a double quote) is one full-width space, so that the cell stays one line of
// the table. `changed` counts the cells, `lineOf` receives the file line (from 1) each
// line of the copy begins on. Empty when a quote opened at the start of a cell is never
// closed: the quoting of such a file is broken, and it is read line by line as it is.
// (Neither quotes, commas nor line-end bytes occur inside a double-byte character.)
std::string JoinQuotedBreaks(std::string_view bytes, bool crEnded, int& changed, std::vector<std::uint32_t>& lineOf)
{
    const char lineEnd = crEnded ? '\r' : '\n';
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    changed = 0;
    lineOf.assign(1, 1);
    std::uint32_t line = 1;
    bool cellStart = true, quoted = false, cellQuoted = false, counted = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"') {
            cellQuoted = cellQuoted || cellStart;
            quoted = !quoted;
            cellStart = false;
        } else if ((c == '\r' || c == '\n') && quoted && cellQuoted) {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            ++line; // a line of the file, though not of the copy
            out += "\x81\x40"; // 　
            changed += counted ? 0 : 1;
            counted = true;
            continue;
        } else if (c == lineEnd) {
            ++line;
            lineOf.push_back(line);
            quoted = cellQuoted = counted = false;
            cellStart = true;
        } else if (c == ',' && !quoted) {
            cellQuoted = counted = false;
            cellStart = true;
        } else if (c == '\n') {
            // Dropped where CR ends lines; left in, it would end them in a copy that
            // has no CR left.
            continue;
        } else {
            cellStart = false;
        }
        out += c;
    }
    if (quoted && cellQuoted)
        out.clear();
    return out;
}

} // namespace

void CsvReader::Clear()
{
    buffer_.reset();
    header_.clear();
    headerCells_ = {};
    cells_.reset();
    rowStart_ = {};
    lineOf_ = {};
    lineBreakCells_ = 0;
    badRow_ = badColumn_ = -1;
    badLine_ = 0;
    badHeader_.clear();
    hasHeader_ = true;
    utf8_ = false;
}

CsvReader::Encodings CsvReader::DetectEncodings(std::string_view probe, int header)
{
    Encodings e;
    if (!header) {
        e.header = e.data = platform::LooksLikeUtf8(probe);
        return e;
    }
    const std::size_t end = std::min(probe.find_first_of("\r\n"), probe.size());
    e.header = platform::LooksLikeUtf8(probe.substr(0, end));
    e.data = platform::LooksLikeUtf8(probe.substr(end));
    return e;
}

CsvReader::Result CsvReader::LoadUtf8(std::string_view path, int header, Encodings encodings)
{
    std::string raw;
    if (!platform::fs::ReadFile(path, raw))
        return Result::kErrOpen;
    if (std::string utf8; platform::Utf16ToUtf8(raw, utf8))
        raw = std::move(utf8);
    if (raw.starts_with(platform::kUtf8Bom))
        raw.erase(0, platform::kUtf8Bom.size());
    const std::size_t headerEnd = header ? std::min(raw.find_first_of("\r\n"), raw.size()) : 0;
    const std::string_view head = std::string_view(raw).substr(0, headerEnd);
    const std::string_view rest = std::string_view(raw).substr(headerEnd);
    bool headOk = true, restOk = true;
    std::string converted = encodings.header ? platform::Utf8ToSjis(head, &headOk) : std::string(head);
    converted += encodings.data ? platform::Utf8ToSjis(rest, &restOk) : std::string(rest);
    if (headOk && restOk) {
        const Result result = ParseCsv(converted, header);
        utf8_ = true;
        return result;
    }
    // Name the first cell that cannot be had: read the file as it is, cell by cell.
    converted.clear();
    const Result result = ParseCsv(raw, header);
    if (result != Result::kOk)
        return result;
    // The full-width spaces that line breaks became are CP932 bytes amid the UTF-8.
    const auto convertible = [](std::string cell) {
        for (std::size_t at; (at = cell.find("\x81\x40")) != std::string::npos;)
            cell.replace(at, 2, "\xE3\x80\x80");
        bool ok = true;
        platform::Utf8ToSjis(cell, &ok);
        return ok;
    };
    int badRow = -2, badColumn = -1;
    for (int c = 0; encodings.header && badRow == -2 && c < GetColumnCount(); ++c)
        if (!convertible(GetHeader(c)))
            badRow = -1, badColumn = c;
    for (int r = 0; encodings.data && badRow == -2 && r < GetRowCount(); ++r)
        for (int c = 0; badRow == -2 && c < GetColumnCount(); ++c)
            if (!convertible(GetCell(r, c)))
                badRow = r, badColumn = c;
    if (badRow == -2)
        badRow = -1, badColumn = 0; // a character broken across cells: the file as a whole
    const int line = badRow < 0 ? 1 : FileLine(badRow);
    std::string name = badColumn < GetColumnCount() ? GetHeader(badColumn) : std::string();
    Clear();
    badRow_ = badRow;
    badColumn_ = badColumn;
    badLine_ = line;
    badHeader_ = encodings.header ? platform::Utf8ToSjis(name) : name;
    return Result::kErrEncoding;
}

int CsvReader::FileLine(int r) const
{
    const std::size_t line = static_cast<std::size_t>(r) + (hasHeader_ ? 1 : 0);
    if (line < lineOf_.size())
        return static_cast<int>(lineOf_[line]);
    return static_cast<int>(line) + 1;
}

const char* CsvReader::GetHeader(int c) const
{
    if (c < 0 || c >= GetColumnCount())
        return nullptr;
    return header_.c_str() + headerCells_[static_cast<std::size_t>(c)];
}

const char* CsvReader::GetCell(int r, int c) const
{
    if (r < 0 || r >= GetRowCount() || c < 0 || c >= GetColumnCount())
        return nullptr;
    const std::size_t at = rowStart_[static_cast<std::size_t>(r)] + static_cast<std::size_t>(c);
    if (at >= rowStart_[static_cast<std::size_t>(r) + 1])
        return kEmptyText;
    return buffer_.get() + cells_[at];
}

CsvReader::Result CsvReader::LoadCsv(std::string_view path, int header)
{
    Clear();
    {
        // UTF-8 is read whole and converted before it is cut.
        platform::fs::FileReader probe(path);
        std::string first(kEncodingProbe, '\0');
        const long long got = probe.isOpen() ? probe.readAt(0, first.data(), first.size()) : -1;
        if (got > 0) {
            first.resize(static_cast<std::size_t>(got));
            // UTF-16 (with its mark, as some address books export) is read as UTF-8.
            if (first.starts_with("\xFF\xFE") || first.starts_with("\xFE\xFF"))
                return LoadUtf8(path, header, { true, true });
            const Encodings encodings = DetectEncodings(first, header);
            if (encodings.header || encodings.data)
                return LoadUtf8(path, header, encodings);
        }
    }
    // A large file is cut while the rest of it is still being read.
    platform::ArrivingFile arriving;
    if (arriving.Start(path, kArrivingFrom)) {
        const Result result = Parse(arriving.Data(), arriving.Size(), header, &arriving);
        // A failure of the reading (or a file that changed under it) is left to the
        // plain read below, which reads whatever the file is now.
        if (arriving.Finish() && result != kReadFailed && result != kNeedsJoin) {
            if (result == Result::kOk)
                buffer_ = arriving.Take();
            else
                Clear();
            return result;
        }
        Clear();
    }
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    if (!platform::fs::ReadFile(path, data, size))
        return Result::kErrOpen;
    const Result result = Parse(data.get(), size, header, nullptr);
    if (result == kNeedsJoin) {
        // Cutting changed the bytes in place: the file is read again for its cells with
        // line breaks.
        std::string whole;
        Clear();
        if (!platform::fs::ReadFile(path, whole))
            return Result::kErrOpen;
        return ParseJoined(whole, header);
    }
    if (result == Result::kOk)
        buffer_ = std::move(data);
    return result;
}

CsvReader::Result CsvReader::ParseJoined(std::string_view bytes, int header)
{
    Clear();
    int changed = 0;
    std::vector<std::uint32_t> lineOf;
    const bool crEnded = bytes.find('\r') != std::string_view::npos;
    std::string joined = JoinQuotedBreaks(bytes, crEnded, changed, lineOf);
    // Quoting that never closes: the file is read line by line, as it is.
    if (joined.empty()) {
        joined.assign(bytes);
        lineOf.clear();
        changed = 0;
    }
    std::size_t room = 0;
    auto data = platform::AllocateLarge<char>(joined.size() + 1, room);
    if (!data)
        return Result::kErrMemory;
    std::memcpy(data.get(), joined.data(), joined.size());
    data[joined.size()] = '\0';
    const Result result = Parse(data.get(), joined.size(), header, nullptr, false);
    if (result != Result::kOk)
        return result;
    buffer_ = std::move(data);
    lineOf_ = std::move(lineOf);
    lineBreakCells_ = changed;
    return Result::kOk;
}

CsvReader::Result CsvReader::ParseCsv(std::string_view bytes, int header)
{
    Clear();
    std::size_t room = 0;
    auto data = platform::AllocateLarge<char>(bytes.size() + 1, room);
    if (!data)
        return Result::kErrMemory;
    std::memcpy(data.get(), bytes.data(), bytes.size());
    data[bytes.size()] = '\0';
    const Result result = Parse(data.get(), bytes.size(), header, nullptr);
    if (result == kNeedsJoin)
        return ParseJoined(bytes, header);
    if (result == Result::kOk)
        buffer_ = std::move(data);
    return result;
}

CsvReader::Result CsvReader::Parse(
    char* bytes, std::size_t size, int header, platform::ArrivingFile* feed, bool mayJoin)
{
    hasHeader_ = header != 0;
    // Cells are kept as 32-bit offsets into the file's bytes.
    if (size >= std::numeric_limits<std::uint32_t>::max())
        return Result::kErrMemory;
    try {
        bool failed = false;
        // A file without any CR is taken as LF-ended, so that files written with LF line
        // ends are not read as one long line.
        const bool crEnded = FindArriving(bytes, 0, size, '\r', feed, failed) != nullptr;
        const char lineEnd = crEnded ? '\r' : '\n';

        // Line 0 names the columns; without a header an empty line stands in for it.
        std::size_t dataStart = 0;
        std::string headerText;
        bool headerBreak = false;
        if (header) {
            const char* h = FindArriving(bytes, 0, size, lineEnd, feed, failed);
            if (!h)
                return failed ? kReadFailed : Result::kErrNoData;
            headerText.assign(bytes, static_cast<std::size_t>(h - bytes));
            // A line break inside the header's quotes (an LF, or the line end itself).
            bool quoted = false;
            for (char c : headerText) {
                quoted = c == '"' ? !quoted : quoted;
                headerBreak = headerBreak || (c == '\n' && quoted);
            }
            headerBreak = headerBreak || quoted;
            if (crEnded)
                std::erase(headerText, '\n');
            dataStart = static_cast<std::size_t>(h - bytes) + 1;
            if (crEnded && feed && feed->WaitFor(dataStart + 1) == platform::ArrivingFile::kFailed)
                return kReadFailed;
            if (crEnded && bytes[dataStart] == '\n')
                ++dataStart;
        }
        const char* e1 = FindArriving(bytes, dataStart, size, lineEnd, feed, failed);
        if (failed)
            return kReadFailed;
        const std::string_view line1(
            bytes + dataStart, static_cast<std::size_t>((e1 ? e1 : bytes + size) - (bytes + dataStart)));
        if (!e1 && (crEnded ? IsBlank(line1) : line1.empty()))
            return Result::kErrNoData;

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
        rowStart_.reserve(std::min(lines + lines / 4, size + 1) + 1);
        if (!SplitLines(bytes + dataStart, bytes + size, crEnded, columns, bytes, cells, rowStart_, feed))
            return kReadFailed;
        // Cells with line breaks: to be read again from the bytes as they were, with the
        // breaks made spaces.
        if ((cells.quotedBreak || headerBreak) && mayJoin)
            return kNeedsJoin;
        cells_ = cells.Take();
        return Result::kOk;
    } catch (const std::bad_alloc&) {
        Clear();
        return Result::kErrMemory;
    }
}

namespace csv_testing {

int SplitterCount()
{
    return static_cast<int>(Splitters().size());
}

void UseSplitter(int which)
{
    g_splitter = which;
}

} // namespace csv_testing

} // namespace nrt
