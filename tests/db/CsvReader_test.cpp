// The CSV reader: codes, header rules, the cell splitter with quotes anywhere, and a
// byte-by-byte model of the reading rules to hold the reader to on random input.
#include "db/CsvReader.h"

#include "CsvModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace nrt;
using nrt::test::S;
using nrt::test::TempDir;
using nrt::test::U;

namespace {

using Row = std::vector<std::string>;

struct Result {
    CsvReader::Result code = CsvReader::Result::kOk;
    Row header;
    std::vector<Row> rows;

    bool operator==(const Result&) const = default;
};

std::string Describe(const std::string& bytes);

void PrintTo(const Result& r, std::ostream* os)
{
    *os << "code " << static_cast<int>(r.code) << " header [";
    for (const auto& h : r.header)
        *os << Describe(h) << "|";
    *os << "]";
    for (const auto& row : r.rows) {
        *os << " [";
        for (const auto& c : row)
            *os << Describe(c) << "|";
        *os << "]";
    }
}

// What the reader holds, each cell read as the C text it is.
Result Read(const CsvReader& csv, CsvReader::Result code)
{
    Result r;
    r.code = code;
    for (int c = 0; c < csv.GetColumnCount(); ++c)
        r.header.emplace_back(csv.GetHeader(c));
    for (int row = 0; row < csv.GetRowCount(); ++row) {
        r.rows.emplace_back();
        for (int c = 0; c < csv.GetColumnCount(); ++c)
            r.rows.back().emplace_back(csv.GetCell(row, c));
    }
    return r;
}

Result Parse(const std::string& bytes, int header = 1)
{
    CsvReader csv;
    const CsvReader::Result code = csv.ParseCsv(bytes, header);
    return Read(csv, code);
}

Result Model(const std::string& bytes, int header)
{
    Result r;
    auto rows = nrt::test::CsvModelRows(bytes, header);
    if (rows.empty()) {
        r.code = CsvReader::Result::kErrNoData;
        return r;
    }
    r.header = std::move(rows.front());
    r.rows.assign(std::make_move_iterator(rows.begin() + 1), std::make_move_iterator(rows.end()));
    return r;
}

std::string Describe(const std::string& bytes)
{
    std::string out;
    for (char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\0')
            out += "\\0";
        else if (static_cast<unsigned char>(c) >= 0x80)
            out += "\\x" + std::to_string(static_cast<unsigned char>(c));
        else
            out += c;
    }
    return out;
}

} // namespace

// The reader goes through the bytes in one of several ways, by the instructions the
// processor has (plain 64-bit code, wider vector instructions); the tests on long and
// random files run for each way this processor allows.
class CsvReaderWays : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { csv_testing::UseSplitter(GetParam()); }
    void TearDown() override { csv_testing::UseSplitter(-1); }
};

INSTANTIATE_TEST_SUITE_P(Splitters, CsvReaderWays, ::testing::Range(0, csv_testing::SplitterCount()));

TEST(CsvReader, CellsHeadersAndCodes)
{
    struct Case {
        std::string bytes;
        int header;
        Result expected;
    } cases[] = {
        { S("名前,カナ\r\n\"Y,Z\",X\r\n"), 1,
            { CsvReader::Result::kOk, { S("名前"), S("カナ") }, { { "Y,Z", "X" } } } },
        { "a,b,c\r\na,b\r\n", 1, { CsvReader::Result::kOk, { "a", "b", "c" }, { { "a", "b", "" } } } },
        { "h\r\n\"x\"\"y\"\"z\"\r\n", 1, { CsvReader::Result::kOk, { "h" }, { { "x\"y\"z" } } } },
        { "h\r\nA\"B,C\"D\r\n", 1, { CsvReader::Result::kOk, { "h" }, { { "AB,CD" } } } },
        { "h\r\n\"\"\r\n\"\"\"\"\r\n\"ab\r\n", 1, { CsvReader::Result::kOk, { "h" }, { { "" }, { "\"" }, { "ab" } } } },
        { "a,b\r\n1,2,3,4\r\n", 1, { CsvReader::Result::kOk, { "a", "b" }, { { "1", "2" } } } },
        { "a,b\r\n1,2,\r\n", 1, { CsvReader::Result::kOk, { "a", "b" }, { { "1", "2" } } } },
        { "a,b\r\n1,\r\n", 1, { CsvReader::Result::kOk, { "a", "b" }, { { "1", "" } } } },
        // A quoted comma in the header counts: one column too many.
        { "\"a,b\",c\r\n1,2\r\n1,2,3,4\r\n", 1,
            { CsvReader::Result::kOk, { "a,b", "c", "" }, { { "1", "2", "" }, { "1", "2", "3" } } } },
        { "a,b,c\r\n", 0, { CsvReader::Result::kOk, { "FIELD1", "FIELD2", "FIELD3" }, { { "a", "b", "c" } } } },
        { "\r\n1,2\r\n", 1, { CsvReader::Result::kOk, { "FIELD1", "FIELD2" }, { { "1", "2" } } } },
        { "a,b\r\n1,2\r\n\r\n3,4\r\n", 1,
            { CsvReader::Result::kOk, { "a", "b" }, { { "1", "2" }, { "", "" }, { "3", "4" } } } },
        { "a,b\r\n1,2", 1, { CsvReader::Result::kOk, { "a", "b" }, { { "1", "2" } } } },
        { "a,b\r\n", 1, { CsvReader::Result::kErrNoData, {}, {} } },
        { "a,b\r\n\n\n", 1, { CsvReader::Result::kErrNoData, {}, {} } },
        { "a,b", 1, { CsvReader::Result::kErrNoData, {}, {} } },
        { "", 1, { CsvReader::Result::kErrNoData, {}, {} } },
        { "", 0, { CsvReader::Result::kErrNoData, {}, {} } },
        // LF bytes are dropped, a doubled quote across one included; CR ends a line
        // inside quotes too.
        { "a,b\r\n1\n2,3\r\n", 1, { CsvReader::Result::kOk, { "a", "b" }, { { "12", "3" } } } },
        { "a\r\n\"x\"\n\"y\"\r\n", 1, { CsvReader::Result::kOk, { "a" }, { { "x\"y" } } } },
        { "a,b\r\n\"x,y\r\n1,2\r\n", 1, { CsvReader::Result::kOk, { "a", "b" }, { { "x,y", "" }, { "1", "2" } } } },
        // A file without any CR is read by its LF line ends.
        { "a,b\n1,2\n\n3,4", 1, { CsvReader::Result::kOk, { "a", "b" }, { { "1", "2" }, { "", "" }, { "3", "4" } } } },
        { "a,b\n", 1, { CsvReader::Result::kErrNoData, {}, {} } },
        // A cell is a C text: a NUL inside it ends it there; the next cell is whole.
        { std::string("a,b\r\nx\0y,z\r\n", 12), 1, { CsvReader::Result::kOk, { "a", "b" }, { { "x", "z" } } } },
        { S("名前") + "\r\n\"\x82\"\r\n", 1, { CsvReader::Result::kOk, { S("名前") }, { { "\x82" } } } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.bytes, c.header), c.expected) << Describe(c.bytes);
}

TEST_P(CsvReaderWays, LongLinesAndCellsAcrossBlocks)
{
    // A 100 kB line, quoted, with commas and doubled quotes inside.
    std::string big;
    for (int i = 0; i < 20000; ++i)
        big += i % 3 ? "ab,c" : "x\"\"y";
    Result r = Parse("h,i\r\n\"" + big + "\",tail\r\n");
    ASSERT_EQ(r.code, CsvReader::Result::kOk);
    std::string unquoted = big;
    for (std::size_t p; (p = unquoted.find("\"\"")) != std::string::npos;)
        unquoted.replace(p, 2, "\"");
    EXPECT_EQ(r.rows, (std::vector<Row> { { unquoted, "tail" } }));

    // 100,000 commas in a line of a two-column file: the rest of the line is ignored.
    r = Parse("h,i\r\n" + std::string(100000, ',') + "\r\nlast,one\r\n");
    EXPECT_EQ(r.rows, (std::vector<Row> { { "", "" }, { "last", "one" } }));

    // Quoted cells of every length around the 64-byte blocks.
    std::string file = "a,b,c\r\n";
    std::vector<Row> rows;
    for (int n = 0; n < 200; ++n) {
        const std::string cell(static_cast<std::size_t>(n), static_cast<char>('a' + n % 26));
        file += "\"" + cell + "\",\"" + cell + ",\"\"" + "\"," + cell + "\r\n";
        rows.push_back({ cell, cell + ",\"", cell });
    }
    r = Parse(file);
    EXPECT_EQ(r.rows, rows);
}

TEST_P(CsvReaderWays, MatchesTheByteByByteModelOnRandomInput)
{
    const char alphabet[] = { 'a', 'b', ',', ',', '"', '"', '\r', '\n', '\0', '\x82', ' ' };
    std::mt19937 rng(4711);
    for (int round = 0; round < 4000; ++round) {
        const std::size_t length = round % 10 == 0 ? rng() % 2000 : rng() % 120;
        std::string bytes;
        for (std::size_t i = 0; i < length; ++i)
            bytes += alphabet[rng() % sizeof alphabet];
        const int header = static_cast<int>(rng() % 2);
        ASSERT_EQ(Parse(bytes, header), Model(bytes, header)) << Describe(bytes) << " header " << header;
    }
}

namespace {

// Mostly cells as writers make them, plain or just between two quotes, of every length
// so that cells and line ends fall on every byte of the 64-byte blocks; now and then a
// stray quote, a doubled one, an LF or a quote left open.
std::string WriterLikeFile(std::mt19937& rng, int lines, bool lf)
{
    auto content = [&](std::size_t most, bool commas) {
        std::string s;
        for (std::size_t n = rng() % (most + 1); n > 0; --n) {
            const unsigned r = rng() % 20;
            s += r == 0 && commas ? ',' : r == 1 ? '\x82' : static_cast<char>('a' + r);
        }
        return s;
    };
    std::string file;
    for (int l = 0; l < lines; ++l) {
        const int cellCount = 1 + static_cast<int>(rng() % 8);
        for (int c = 0; c < cellCount; ++c) {
            if (c)
                file += ',';
            switch (rng() % 24) {
            case 0:
                file += "\"" + content(10, true) + "\"\"" + content(5, true) + "\"";
                break;
            case 1:
                file += content(5, false) + "\"" + content(5, true) + "\"" + content(3, false);
                break;
            case 2:
                file += "\"" + content(8, true) + (lf ? "" : "\n") + content(3, true) + "\"";
                break;
            case 3:
                file += "\"" + content(8, true);
                break;
            default:
                file += rng() % 2 ? content(rng() % 3 ? 12 : 150, false) : "\"" + content(40, true) + "\"";
            }
        }
        file += lf ? "\n" : rng() % 8 ? "\r\n" : "\r";
    }
    return file;
}

} // namespace

TEST_P(CsvReaderWays, MatchesTheModelOnFilesOfWellFormedAndStrayCells)
{
    std::mt19937 rng(2024);
    for (int round = 0; round < 400; ++round) {
        std::string file = WriterLikeFile(rng, 1 + static_cast<int>(rng() % 40), round % 5 == 0);
        if (rng() % 3 == 0)
            file.pop_back();
        const int header = static_cast<int>(rng() % 2);
        ASSERT_EQ(Parse(file, header), Model(file, header)) << Describe(file) << " header " << header;
    }
}

TEST_P(CsvReaderWays, LargeFilesAreCutWhileTheyAreRead)
{
    // Files of a megabyte and more are cut as their bytes arrive: the result must not
    // depend on where the reading stands.
    TempDir dir;
    std::mt19937 rng(77);
    struct Case {
        const char* what;
        bool lf;
        int header;
        std::string prefix; // before the random lines
        bool cutLast;
    };
    const std::string longLine = std::string(300000, 'x') + ",y\r\n";
    const Case cases[] = {
        { "CR LF with a header", false, 1, "", false },
        { "LF only, no header", true, 0, "", true },
        { "a first line longer than a piece read", false, 1, longLine, false },
        { "LF only: the search for a CR waits for the whole file", true, 1, std::string(1200000, 'a') + ",b\n", true },
    };
    for (const Case& c : cases) {
        std::string file = c.prefix;
        while (file.size() < 1500000)
            file += WriterLikeFile(rng, 200, c.lf);
        if (c.cutLast)
            file.pop_back();
        const std::string path = dir.File("large.csv");
        nrt::test::WriteAll(path, file);
        CsvReader csv;
        const CsvReader::Result code = csv.LoadCsv(path, c.header);
        ASSERT_EQ(Read(csv, code), Model(file, c.header)) << c.what;
        EXPECT_GT(csv.GetRowCount(), 1000) << c.what;
    }
    // A header line of more than a megabyte and nothing after it.
    nrt::test::WriteAll(dir.File("header.csv"), std::string(1100000, 'h') + ",i\r\n\n");
    CsvReader csv;
    EXPECT_EQ(csv.LoadCsv(dir.File("header.csv"), 1), CsvReader::Result::kErrNoData);
    EXPECT_EQ(csv.GetColumnCount(), 0);
}

TEST(CsvReader, LoadsFilesAndAnswersOutOfRange)
{
    TempDir dir;
    nrt::test::WriteAll(dir.File("a.csv"), S("名前,メール\r\n山田,a@example.jp\r\n"));
    CsvReader csv;
    EXPECT_EQ(csv.LoadCsv(dir.File("a.csv"), 1), CsvReader::Result::kOk);
    EXPECT_EQ(csv.GetColumnCount(), 2);
    EXPECT_EQ(csv.GetRowCount(), 1);
    EXPECT_EQ(U(csv.GetHeader(1)), "メール");
    EXPECT_EQ(U(csv.GetCell(0, 0)), "山田");
    EXPECT_EQ(csv.GetHeader(2), nullptr);
    EXPECT_EQ(csv.GetHeader(-1), nullptr);
    EXPECT_EQ(csv.GetCell(1, 0), nullptr);
    EXPECT_EQ(csv.GetCell(0, 2), nullptr);
    EXPECT_EQ(csv.GetCell(-1, 0), nullptr);

    // A failed load leaves nothing of the previous one.
    EXPECT_EQ(csv.LoadCsv(dir.File("missing.csv"), 1), CsvReader::Result::kErrOpen);
    EXPECT_EQ(csv.GetColumnCount(), 0);
    EXPECT_EQ(csv.GetRowCount(), 0);
    EXPECT_EQ(csv.LoadCsv(dir.Path(), 1), CsvReader::Result::kErrOpen);
    nrt::test::WriteAll(dir.File("h.csv"), "only,a,header\r\n");
    EXPECT_EQ(csv.LoadCsv(dir.File("h.csv"), 1), CsvReader::Result::kErrNoData);
    EXPECT_EQ(csv.GetCell(0, 0), nullptr);
}

TEST_P(CsvReaderWays, LineBreaksInsideQuotedCellsStayInTheirCell)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<Row> rows;
        int changedCells;
        std::vector<int> fileLines;
    } cases[] = {
        { "CR LF inside quotes", S("名前,住所\r\n\"a\",\"霞が関\r\n２行目\"\r\nb,c\r\n"),
            { { "a", S("霞が関　２行目") }, { "b", "c" } }, 1, { 2, 4 } },
        { "LF file, two breaks in one cell", "n,a\n\"x\ny\nz\",q\nb,c\n", { { S("x　y　z"), "q" }, { "b", "c" } }, 1,
            { 2, 5 } },
        { "LF in a cell of a CR LF file", "n,a\r\n\"x\ny\",\"p\rq\"\r\n", { { S("x　y"), S("p　q") } }, 2, { 2 } },
        { "a doubled quote does not close the cell", "n,a\r\n\"say \"\"hi\r\n\"\"\",z\r\n",
            { { S("say \"hi　\""), "z" } }, 1, { 2 } },
        // Quotes opened inside a cell, or never closed, keep the line-by-line reading.
        { "quote inside a cell", "n,a\r\nA\"B\r\nC\",d\r\n", { { "AB", "" }, { "C,d", "" } }, 0, { 2, 3 } },
        { "quote never closed", "n,a\r\n\"open\r\nb,c\r\n", { { "open", "" }, { "b", "c" } }, 0, { 2, 3 } },
    };
    for (const Case& c : cases) {
        CsvReader csv;
        ASSERT_EQ(csv.ParseCsv(c.bytes, 1), CsvReader::Result::kOk) << c.what;
        Result expected;
        expected.header = { "n", "a" };
        if (c.bytes.starts_with(S("名前")))
            expected.header = { S("名前"), S("住所") };
        expected.rows = c.rows;
        EXPECT_EQ(Read(csv, CsvReader::Result::kOk), expected) << c.what;
        EXPECT_EQ(Read(csv, CsvReader::Result::kOk), Model(c.bytes, 1)) << c.what;
        EXPECT_EQ(csv.LineBreakCells(), c.changedCells) << c.what;
        for (std::size_t r = 0; r < c.fileLines.size(); ++r)
            EXPECT_EQ(csv.FileLine(static_cast<int>(r)), c.fileLines[r]) << c.what << " row " << r;
    }
}

TEST(CsvReader, Utf8FilesAreReadAsShiftJis)
{
    const std::string sjis = S("名前,住所\r\n山田,霞が関\r\nｱｲ,〜\r\n");
    const std::string utf8 = "名前,住所\r\n山田,霞が関\r\nｱｲ,〜\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        CsvReader::Result code;
        bool utf8;
        int badRow, badColumn, badLine;
        const char* badHeader;
    } cases[] = {
        { "Shift-JIS", sjis, CsvReader::Result::kOk, false, -1, -1, 0, "" },
        { "UTF-8 with BOM", "\xEF\xBB\xBF" + utf8, CsvReader::Result::kOk, true, -1, -1, 0, "" },
        { "UTF-8 without BOM", utf8, CsvReader::Result::kOk, true, -1, -1, 0, "" },
        { "Shift-JIS header, UTF-8 rows", S("名前,住所\r\n") + utf8.substr(utf8.find('\n') + 1), CsvReader::Result::kOk,
            true, -1, -1, 0, "" },
        { "a character CP932 lacks", "\xEF\xBB\xBF名前,住所\r\n山田,霞が関\r\n佐藤,\"東京\r\n😀\"\r\n",
            CsvReader::Result::kErrEncoding, false, 1, 1, 3, "住所" },
    };
    TempDir dir;
    for (const Case& c : cases) {
        nrt::test::WriteAll(dir.File("in.csv"), c.bytes);
        CsvReader csv;
        ASSERT_EQ(csv.LoadCsv(dir.File("in.csv"), 1), c.code) << c.what;
        EXPECT_EQ(csv.WasUtf8(), c.utf8) << c.what;
        EXPECT_EQ(csv.BadRow(), c.badRow) << c.what;
        EXPECT_EQ(csv.BadColumn(), c.badColumn) << c.what;
        if (c.code != CsvReader::Result::kOk) {
            EXPECT_EQ(csv.BadLine(), c.badLine) << c.what;
            EXPECT_EQ(U(csv.BadHeader()), c.badHeader) << c.what;
            EXPECT_EQ(csv.GetRowCount(), 0) << c.what;
            continue;
        }
        CsvReader expected;
        ASSERT_EQ(expected.ParseCsv(sjis, 1), CsvReader::Result::kOk);
        EXPECT_EQ(Read(csv, CsvReader::Result::kOk), Read(expected, CsvReader::Result::kOk)) << c.what;
    }
}
