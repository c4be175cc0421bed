#include "ObjectBytes.h"

#include "print/TextItem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace nrt;
using namespace nrt::test;

TEST(TextItem, NewObjectStoresAsTheFormatSays)
{
    TextItem o;
    EXPECT_FALSE(o.HasText());
    EXPECT_EQ(o.DrawMode(), 0);
    const auto raw = o.EncodeRaw();
    EXPECT_EQ(std::string(raw.data(), raw.size()), RawObject {}.Raw());

    RawObject r;
    r.x = 5900, r.y = -3, r.width = 500, r.height = 9000, r.vertical = 1, r.fontHeight = 843, r.lfHeight = 26;
    r.length = 6, r.capacity = 8;
    TextItem v;
    v.SetVertical(true);
    v.SetPosition(5900, -3);
    v.SetWidth(500);
    v.SetHeight(9000);
    v.SetFontHeight(843);
    v.SetText(S("氏名様"));
    const auto vraw = v.EncodeRaw();
    EXPECT_EQ(std::string(vraw.data(), vraw.size()), r.Raw());
    std::string record;
    v.Write(record);
    EXPECT_EQ(record, r.Record(S("氏名様")));
}

TEST(TextItem, DirectionChangeSwapsWidthAndHeight)
{
    TextItem o;
    o.SetWidth(400);
    o.SetHeight(600);
    o.SetVertical(false); // no change
    EXPECT_EQ(o.Width(), 400);
    o.SetVertical(true);
    EXPECT_EQ(o.Width(), 600);
    EXPECT_EQ(o.Height(), 400);
    o.SetVertical(true);
    EXPECT_EQ(o.Width(), 600);
    o.SetVertical(false);
    EXPECT_EQ(o.Width(), 400);
}

TEST(TextItem, FontHeightFollowsTheScale)
{
    TextItem o;
    o.SetScale(200, 300, 4724, 7087); // a 600 dpi printer
    EXPECT_DOUBLE_EQ(o.ScaleX(), 4724 / 20000.0);
    EXPECT_DOUBLE_EQ(o.ScaleY(), 7087 / 30000.0);
    o.SetFontHeight(-562);
    EXPECT_EQ(o.Font().height, -132); // trunc(-132.76…) toward zero
    LogFontA f = o.Font();
    f.height = 100;
    o.SetFont(f);
    EXPECT_EQ(o.FontHeight(), 423); // trunc(100 / 0.23623…)
    o.SetScale(0, 0, 50, 70); // a size of 0 mm divides by 1
    EXPECT_DOUBLE_EQ(o.ScaleX(), 50);
    EXPECT_DOUBLE_EQ(o.ScaleY(), 70);
    o.SetFaceName(std::string(40, 'F'));
    EXPECT_EQ(o.Font().FaceName(), std::string(31, 'F'));
}

TEST(TextItem, TextCapacityGrowsOnlyWhenTheLengthReachesIt)
{
    TextItem o;
    struct Step {
        const char* text;
        int length, capacity;
    } steps[] = { { "abc", 3, 5 }, { "abcd", 4, 5 }, { "", 0, 5 }, { "abcde", 5, 7 }, { "x", 1, 7 } };
    for (const Step& s : steps) {
        o.SetText(s.text);
        EXPECT_TRUE(o.HasText());
        EXPECT_EQ(o.Text(), s.text);
        EXPECT_EQ(o.TextLength(), s.length) << s.text;
        EXPECT_EQ(o.TextCapacity(), s.capacity) << s.text;
    }
    o.SetText(std::string_view("ab\0cd", 5));
    EXPECT_EQ(o.Text(), "ab");
    o.ClearText();
    EXPECT_FALSE(o.HasText());
    EXPECT_EQ(o.TextCapacity(), 0);
}

TEST(TextItem, FrameRectangle)
{
    TextItem o;
    o.SetScaleX(1);
    o.SetScaleY(1);
    o.SetVertical(true);
    o.SetPosition(5900, 3000);
    o.SetWidth(500);
    o.SetHeight(9000);
    EXPECT_EQ(o.FrameRect(), TextItem::Rect {}) << "no text, no frame";
    o.SetText("x");
    EXPECT_EQ(o.FrameRect(), (TextItem::Rect { 4900, 3000, 5900, 12000 })); // 49.00 to 59.00 mm
    o.SetVertical(false);
    o.SetWidth(400);
    o.SetHeight(566);
    EXPECT_EQ(o.FrameRect(), (TextItem::Rect { 5900, 3000, 6300, 3566 }));
    o.SetScaleX(0.032);
    o.SetScaleY(470.0 / 14800.0);
    EXPECT_EQ(o.FrameRect(), (TextItem::Rect { 188, 95, 201, 113 }));
}

TEST(TextItem, TruncationStaysInRange)
{
    struct Case {
        double in;
        std::int32_t out;
    } cases[] = {
        { 1.9, 1 },
        { -1.9, -1 },
        { 0.0, 0 },
        { std::nan(""), 0 },
        { 1e300, INT32_MAX },
        { -1e300, INT32_MIN },
        { std::numeric_limits<double>::infinity(), INT32_MAX },
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextItem::Trunc(c.in), c.out) << c.in;
}

TEST(TextItem, ReadingRecords)
{
    RawObject r;
    r.x = 123, r.length = 2, r.capacity = 9, r.pointer = 0x12345678;
    const std::string good = r.Record("ab");

    std::string badSize;
    AppendLE32(badSize, 100);
    AppendLE32(badSize, 3);
    badSize += "rest";

    RawObject shortCap = r;
    shortCap.capacity = 0; // less than the text found
    std::string noNul;
    AppendLE32(noNul, 136);
    AppendLE32(noNul, 3);
    noNul += r.Raw() + "xyz";
    std::string negativeT;
    AppendLE32(negativeT, 136);
    AppendLE32(negativeT, -1);
    negativeT += r.Raw();
    std::string zeroT;
    AppendLE32(zeroT, 136);
    AppendLE32(zeroT, 0);
    zeroT += r.Raw();

    struct Case {
        const char* what;
        std::string bytes;
        int result;
        std::size_t pos;
        bool hasText;
        std::string text;
        int capacity;
    } cases[] = {
        { "whole record", good, 0, good.size(), true, "ab", 9 },
        { "record and more", good + "next", 0, good.size(), true, "ab", 9 },
        { "empty", "", 1, 0, false, "", 0 },
        { "header cut", good.substr(0, 6), 1, 6, false, "", 0 },
        { "raw block cut", good.substr(0, 100), 1, 100, false, "", 0 },
        { "text cut", good.substr(0, good.size() - 1), 1, good.size() - 1, false, "", 0 },
        { "bad size", badSize, 2, 8, false, "", 0 },
        { "negative text size", negativeT, 2, 8, false, "", 0 },
        { "no text bytes", zeroT, 0, zeroT.size(), true, "", 9 },
        { "text without NUL", noNul, 0, noNul.size(), true, "xyz", 9 },
        { "capacity below the text", shortCap.Record("abcd"), 0, shortCap.Record("abcd").size(), true, "abcd", 6 },
    };
    for (const Case& c : cases) {
        TextItem o;
        o.SetText("old");
        std::size_t pos = 0;
        EXPECT_EQ(o.Read(c.bytes, pos), c.result) << c.what;
        EXPECT_EQ(pos, c.pos) << c.what;
        EXPECT_EQ(o.HasText(), c.hasText) << c.what;
        EXPECT_EQ(o.Text(), c.text) << c.what;
        EXPECT_EQ(o.TextLength(), static_cast<int>(c.text.size())) << c.what;
        EXPECT_EQ(o.TextCapacity(), c.capacity) << c.what;
    }

    TextItem o;
    std::size_t pos = 0;
    ASSERT_EQ(o.Read(good, pos), 0);
    EXPECT_EQ(o.X(), 123);
    std::string again;
    o.Write(again);
    r.pointer = 0; // the pointer is never kept
    EXPECT_EQ(again, r.Record("ab"));
}
