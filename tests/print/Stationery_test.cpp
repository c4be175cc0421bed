// The stationery pictures shipped in data/ (drawn by tools/make_stationery.cpp).
#include "print/BmpImage.h"
#include "settings/LayoutDefaults.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace nrt;

namespace {

std::string Shipped(const std::string& name)
{
    return std::string(NRT_TEST_SOURCE_DIR) + "/../data/" + name;
}

bool IsRed(std::uint32_t rgb)
{
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r > 180 && g < 150 && b < 150;
}

} // namespace

TEST(Stationery, EveryKindsPictureFitsItsPreview)
{
    for (const FormKindInfo& kind : kFormKinds) {
        if (std::string(kind.backgroundImage).empty())
            continue;
        BmpImage picture;
        ASSERT_EQ(picture.Load(Shipped(kind.backgroundImage)), 1) << kind.backgroundImage;
        // The preview's card at the editor's scale: the picture is drawn 1:1 onto it.
        const auto width = static_cast<std::int32_t>(kind.paperWidth * 0.032);
        const auto height = static_cast<std::int32_t>(kind.paperHeight * 470.0 / 14800.0);
        EXPECT_EQ(picture.Width(), width) << kind.backgroundImage;
        // 長形40号 shares the front of 長形4号, 2 cm shorter.
        EXPECT_LE(picture.Height(), height) << kind.backgroundImage;
        EXPECT_GE(picture.Height(), height - 64) << kind.backgroundImage;
    }
    BmpImage sheet;
    ASSERT_EQ(sheet.Load(Shipped("repbk07.BMP")), 1);
    EXPECT_EQ(sheet.Width(), static_cast<std::int32_t>(21000 * 0.032));
    EXPECT_EQ(sheet.Height(), static_cast<std::int32_t>(29700 * 470.0 / 14800.0));
}

TEST(Stationery, PostalBoxesStandAroundTheDefaultDigits)
{
    for (int kind : { kFormNewYearCard, kFormPostcard, kFormEnvelope4Front, kFormEnvelope3Front }) {
        LayoutHeader header;
        LayoutTable items;
        ApplyDefaultLayout(kind, header, items);
        BmpImage picture;
        ASSERT_EQ(picture.Load(Shipped(header.backgroundImage)), 1);
        for (int slot = 4; slot <= 10; ++slot) {
            const TextItem& digit = items[static_cast<std::size_t>(slot)].object;
            // Red lines on both sides of the digit's cell, white where the digit goes.
            const int y = static_cast<int>((digit.Y() + digit.Height() / 2) * 470.0 / 14800.0);
            const int x = static_cast<int>((digit.X() + 150) * 0.032);
            EXPECT_FALSE(IsRed(picture.Pixel(x, y))) << "kind " << kind << " slot " << slot;
            int left = x, right = x;
            while (left > 0 && !IsRed(picture.Pixel(left, y)))
                --left;
            while (right < picture.Width() - 1 && !IsRed(picture.Pixel(right, y)))
                ++right;
            EXPECT_GT(x - left, 1) << "kind " << kind << " slot " << slot;
            EXPECT_LT(x - left, 12) << "kind " << kind << " slot " << slot;
            EXPECT_LT(right - x, 14) << "kind " << kind << " slot " << slot;
        }
    }
}
