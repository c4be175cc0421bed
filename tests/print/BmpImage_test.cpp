#include "print/BmpImage.h"
#include "support/TestSupport.h"

#include "platform/MessageHost.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

// A BMP file spelled out: file header, info header, colour table, rows as given.
std::string Bmp(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t used,
    const std::string& table, const std::string& rows)
{
    std::string info;
    AppendLE32(info, 40);
    AppendLE32(info, width);
    AppendLE32(info, height);
    AppendLE16(info, 1);
    AppendLE16(info, bits);
    AppendLE32(info, 0); // BI_RGB
    AppendLE32(info, static_cast<std::int32_t>(rows.size()));
    AppendLE32(info, 2835);
    AppendLE32(info, 2835);
    AppendLE32(info, static_cast<std::int32_t>(used));
    AppendLE32(info, 0);
    std::string file = "BM";
    AppendLE32(file, static_cast<std::int32_t>(14 + info.size() + table.size() + rows.size()));
    AppendLE32(file, 0);
    AppendLE32(file, static_cast<std::int32_t>(14 + info.size() + table.size()));
    return file + info + table + rows;
}

std::string Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return { static_cast<char>(b), static_cast<char>(g), static_cast<char>(r) };
}

struct Messages {
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scoped { host };
};

} // namespace

TEST(BmpImage, TwentyFourBitsHaveNoColourTable)
{
    Messages m;
    // 2 × 2, bottom-up, rows padded to 8 bytes.
    const std::string rows = Rgb(255, 0, 0) + Rgb(0, 255, 0) + std::string(2, '\0') + Rgb(0, 0, 255)
        + Rgb(255, 255, 255) + std::string(2, '\0');
    BmpImage b;
    ASSERT_EQ(b.LoadBytes(Bmp(2, 2, 24, 0, "", rows)), 1);
    EXPECT_EQ(b.ColorCount(), 0u);
    EXPECT_EQ(b.RowSize(), 8u);
    EXPECT_EQ(b.Data().size(), 40u + 16u);
    EXPECT_EQ(b.Pixel(0, 1), 0xFF0000u); // the first stored row is the bottom one
    EXPECT_EQ(b.Pixel(1, 1), 0x00FF00u);
    EXPECT_EQ(b.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(b.Pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(2, 0), 0xFFFFFFu); // outside
    EXPECT_TRUE(m.host.shown.empty());
}

TEST(BmpImage, EightBitsWithoutAColourCountReadAFullTable)
{
    Messages m;
    std::string table;
    for (int i = 0; i < 256; ++i)
        table += Rgb(static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i)) + '\0';
    const std::string rows = std::string("\x00\x80\xff\x00", 4); // one row of three pixels
    BmpImage b;
    ASSERT_EQ(b.LoadBytes(Bmp(3, 1, 8, 0, table, rows)), 1);
    EXPECT_EQ(b.ColorCount(), 256u);
    EXPECT_EQ(b.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(b.Pixel(1, 0), 0x80007Fu);
    EXPECT_EQ(b.Pixel(2, 0), 0xFF0000u);

    // One bit per pixel with two colours; a top-down picture (negative height).
    const std::string mono = Rgb(0, 0, 0) + '\0' + Rgb(255, 255, 255) + '\0';
    ASSERT_EQ(b.LoadBytes(Bmp(9, -2, 1, 0, mono, std::string("\x80\x80\0\0\x40\x00\0\0", 8))), 1);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(b.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(1, 0), 0x000000u);
    EXPECT_EQ(b.Pixel(8, 0), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(0, 1), 0x000000u);
    EXPECT_EQ(b.Pixel(1, 1), 0xFFFFFFu);
}

TEST(BmpImage, DamagedFilesAreReported)
{
    TempDir dir;
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        { "shorter than the file header", "BM\x10", "異なる形式のファイルオープンしました。" },
        { "not a bitmap", "GIF89a" + std::string(60, '\0'), "ビットマップ形式のファイルではありません。" },
        { "cut inside the info header", Bmp(2, 2, 24, 0, "", "").substr(0, 30),
            "異なる形式のファイルオープンしました。" },
        { "an impossible size", Bmp(1 << 30, 1 << 30, 32, 0, "", ""), "メモリ不足です。領域の確保に失敗しました。" },
        { "an impossible colour table", Bmp(1, 1, 8, 0xFFFFFFFF, "", ""),
            "メモリ不足です。領域の確保に失敗しました。" },
    };
    for (const Case& c : cases) {
        Messages m;
        WriteAll(dir.File("x.bmp"), c.bytes);
        BmpImage b;
        EXPECT_EQ(b.Load(dir.File("x.bmp")), 0) << c.what;
        ASSERT_EQ(m.host.shown.size(), 1u) << c.what;
        EXPECT_EQ(U(m.host.shown[0].text), c.message) << c.what;
        EXPECT_EQ(U(m.host.shown[0].caption), "エラー") << c.what;
        EXPECT_EQ(m.host.shown[0].icon, platform::MsgIcon::Warning) << c.what;
        EXPECT_TRUE(b.IsEmpty());
    }
    Messages m;
    BmpImage b;
    EXPECT_EQ(b.Load(dir.File("none.bmp")), 0);
    EXPECT_TRUE(m.host.shown.empty());
}

TEST(BmpImage, RowsTooShortForTheirPixelsReadWhite)
{
    Messages m;
    // A header that counts no planes sizes its rows at nothing.
    std::string bytes = Bmp(4, 2, 24, 0, "", std::string(24, '\0'));
    bytes[14 + 12] = 0;
    BmpImage b;
    ASSERT_EQ(b.LoadBytes(bytes), 1);
    EXPECT_EQ(b.RowSize(), 0u);
    EXPECT_EQ(b.Pixel(3, 1), 0xFFFFFFu);
}

TEST(BmpImage, AFileCutInsideThePixelsKeepsWhatItHas)
{
    Messages m;
    const std::string full = Bmp(1, 2, 24, 0, "", Rgb(1, 2, 3) + '\0' + Rgb(4, 5, 6) + '\0');
    BmpImage b;
    ASSERT_EQ(b.LoadBytes(full.substr(0, full.size() - 4)), 1);
    EXPECT_EQ(b.Pixel(0, 1), 0x010203u);
    EXPECT_EQ(b.Pixel(0, 0), 0x000000u); // zero-filled
    b.Clear();
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Width(), 0);
}
