#include "db/FieldDefinition.h"
#include "db/LineList.h"
#include "platform/fs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace nrt;
using nrt::test::TempDir;

namespace {

std::vector<std::string> Lines(const LineList& l)
{
    std::vector<std::string> v;
    for (int i = 0; i < l.GetCount(); ++i)
        v.emplace_back(l.GetLine(i));
    return v;
}

} // namespace

TEST(LineList, SetLineBeyondTheEndAppendsEmptyLines)
{
    LineList l;
    ASSERT_TRUE(l.SetLine(5, "five"));
    EXPECT_EQ(Lines(l), (std::vector<std::string> { "", "", "", "", "", "five" }));
    std::string_view e;
    EXPECT_TRUE(l.GetEntry(0, e));
    EXPECT_TRUE(e.empty());
    EXPECT_FALSE(l.GetEntry(6, e));
    EXPECT_EQ(l.GetLine(99), "");
    EXPECT_EQ(l.GetLine(-1), "");
    EXPECT_NE(l.GetLine(99).data(), nullptr);
    EXPECT_EQ(l.GetText(5)[4], '\0');
}

TEST(LineList, RewriteInPlaceWithinTheReservedRoom)
{
    LineList l;
    l.AddLine("0123456789");
    const char* before = l.GetLine(0).data();
    l.SetLine(0, "0123456789abcdefg"); // 17 bytes: 17 + 2 < 20
    EXPECT_EQ(l.GetLine(0).data(), before);
    EXPECT_EQ(l.GetLine(0), "0123456789abcdefg");
    l.SetLine(0, "0123456789abcdefgh"); // 18 bytes moves
    EXPECT_NE(l.GetLine(0).data(), before);
    EXPECT_EQ(l.GetLine(0), "0123456789abcdefgh");
}

TEST(LineList, BlocksAreSharedAndFreedWhenEmpty)
{
    LineList l;
    for (int i = 0; i < 100; ++i)
        l.AddLine("short line");
    EXPECT_EQ(l.BlocksInUse(), 1); // 100 x 20 bytes fit in 2048
    l.AddLine(std::string(3000, 'x')); // a block of its own, now current
    l.AddLine(std::string(3000, 'y')); // another; the 'x' block is no longer current
    EXPECT_EQ(l.BlocksInUse(), 3);
    l.DeleteLine(100);
    EXPECT_EQ(l.BlocksInUse(), 2);
    EXPECT_EQ(l.GetLine(100), std::string(3000, 'y'));
    l.Clear();
    EXPECT_EQ(l.GetCount(), 0);
    EXPECT_EQ(l.BlocksInUse(), 1);
}

TEST(LineList, SetTextCutsAtControlBytes)
{
    LineList l;
    struct Case {
        std::string in, out;
    } cases[]
        = { { "ab\tc", "ab\tc" }, { "ab\rcd", "ab" }, { std::string("a\0b", 3), "a" }, { "\x82\xA0\x0A", "\x82\xA0" } };
    for (const auto& c : cases) {
        l.SetText(0, c.in);
        EXPECT_EQ(l.GetLine(0), c.out);
    }
}

TEST(LineList, LoadTextReadsLineListFiles)
{
    struct Case {
        std::string bytes;
        int result;
        std::vector<std::string> lines;
    } cases[] = {
        { "A\r\nB", 1, { "A", "B" } },
        { "A\n\nB\r\n", 1, { "AB" } },
        { "A\rBC\r", 2, { "A", "C" } },
        { "\r\n\r\n", 2, { "", "" } },
        { "", 0, {} },
        { std::string(2500, 'x'), 2, { std::string(1024, 'x'), std::string(1024, 'x'), std::string(452, 'x') } },
        { std::string(1024, 'y') + "\r\n", 2, { std::string(1024, 'y'), "" } },
        // A CR as the last byte of a 1024-byte chunk passes over nothing.
        { std::string(1023, 'z') + "\r" + "\nQ", 1, { std::string(1023, 'z'), "Q" } },
    };
    TempDir dir;
    for (const auto& c : cases) {
        nrt::test::WriteAll(dir.File("l.dat"), c.bytes);
        LineList l;
        l.AddLine("stale");
        const LineListResult read = l.LoadText(dir.File("l.dat"));
        EXPECT_EQ(read.error, LineListError::kNone);
        EXPECT_EQ(read.count, c.result);
        EXPECT_EQ(Lines(l), c.lines) << c.bytes.substr(0, 20);
    }
    // A file that cannot be read leaves the list as it was.
    LineList l;
    l.AddLine("kept");
    EXPECT_EQ(l.LoadText(dir.File("missing.dat")).error, LineListError::kFile);
    EXPECT_EQ(Lines(l), std::vector<std::string> { "kept" });
}

TEST(LineList, SaveTextWritesCrLf)
{
    TempDir dir;
    LineList l;
    l.AddLine(nrt::test::S("友人"));
    l.SetLine(2, "x");
    EXPECT_EQ(l.SaveText(dir.File("m.nms")).count, 3);
    EXPECT_EQ(nrt::test::ReadAll(dir.File("m.nms")), nrt::test::S("友人") + "\r\n\r\nx\r\n");
    EXPECT_EQ(l.SaveText(dir.File("no/such/folder/m.nms")).error, LineListError::kFile);
}

TEST(LineList, ItemListFileBytes)
{
    TempDir dir;
    LineList l;
    l.AddLine("ab");
    l.AddLine("");
    l.AddLine(std::string("\0z", 2));
    EXPECT_EQ(l.SaveItems(dir.File("i.dat")).count, 3);
    std::string expected = "LI";
    nrt::test::AppendLE32(expected, 1);
    nrt::test::AppendLE32(expected, 2);
    expected += "ab";
    nrt::test::AppendLE32(expected, 0);
    nrt::test::AppendLE32(expected, 2);
    expected += std::string("\0z", 2);
    nrt::test::AppendLE32(expected, -1);
    EXPECT_EQ(nrt::test::ReadAll(dir.File("i.dat")), expected);

    LineList back;
    EXPECT_EQ(back.LoadItems(dir.File("i.dat")).count, 3);
    EXPECT_EQ(Lines(back), Lines(l));
}

TEST(LineList, LoadItemsRefusesDamage)
{
    auto items = [](std::initializer_list<std::int32_t> lengths, std::string tail = {}) {
        std::string b = "LI";
        nrt::test::AppendLE32(b, 7); // version is not checked
        for (auto n : lengths) {
            nrt::test::AppendLE32(b, n);
            if (n > 0 && n <= 2000)
                b += std::string(static_cast<std::size_t>(n), 'q');
        }
        return b + tail;
    };
    struct Case {
        std::string bytes;
        LineListError result;
        int count;
    } cases[] = {
        { "LX" + std::string(10, '\0'), LineListError::kNotItems, 0 },
        { "L", LineListError::kNotItems, 0 },
        { items({ 3, 0, -1 }), LineListError::kNone, 2 },
        { items({ 3 }), LineListError::kNone, 1 }, // no end marker: stops at the short read
        { items({ 3 }, std::string("\x05\0\0\0ab", 6)), LineListError::kNone, 1 }, // item cut short
        { items({ 3, 1028 }), LineListError::kNone, 2 },
        { items({ 3, 1029 }), LineListError::kNone, 1 }, // beyond the read buffer: stop there
        { items({ 3, -7 }), LineListError::kNone, 1 },
        { items({ 3, 0x7FFFFFFF }), LineListError::kNone, 1 },
    };
    TempDir dir;
    for (const auto& c : cases) {
        nrt::test::WriteAll(dir.File("i.dat"), c.bytes);
        LineList l;
        l.AddLine("stale");
        const LineListResult read = l.LoadItems(dir.File("i.dat"));
        EXPECT_EQ(read.error, c.result);
        EXPECT_EQ(read.count, c.count);
        EXPECT_EQ(l.GetCount(), c.count);
    }
}

TEST(FieldDefinition, AddFieldChecksInOrder)
{
    auto def = [](const char* name, int type, int width, int flag) {
        FieldDef d;
        d.name = name;
        d.type = type;
        d.width = width;
        d.flag = flag;
        return d;
    };
    FieldDefinition f;
    struct Case {
        FieldDef d;
        int code;
    } cases[] = {
        { def("Name", 0, 30, 0), 0 },
        { def("n", 2, 30, 0), 400 },
        { def("n", 0, 256, 0), 401 },
        { def("n", 1, 10, 0), 401 },
        { def("n", 1, 9, 0), 0 },
        { def("m", 0, 10, 2), 402 },
        { def("NAME", 0, 10, 0), 200 },
        { def("x", 7, 999, 9), 400 },
        { def("y", 0, -1, 0), 401 },
        { def("m", 0, 255, 1), 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<int>(f.AddField(c.d)), c.code) << c.d.name;
    EXPECT_EQ(f.GetCount(), 3);
    EXPECT_EQ(FieldDef::Decode(f.GetDefinition(1)).width, 9);
    EXPECT_EQ(f.GetDefinition(3), nullptr);
}
