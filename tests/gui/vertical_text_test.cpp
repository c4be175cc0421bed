#include "print/qt/FontCatalog.h"
#include "print/qt/VerticalText.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace nrt::print;

namespace {

// Bounding box of the dark pixels of an image.
QRect Ink(const QImage& img)
{
    int left = img.width(), top = img.height(), right = -1, bottom = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage Draw(const QString& text, double em, QPointF rightTop, double squeeze = 1.0, QSize size = {200, 400})
{
    const FaceChoice face = FontCatalog::Resolve(QStringLiteral("@ＭＳ ゴシック"));
    QRawFont font = FontCatalog::Load(face.file, em);
    VerticalTextLayout layout(face.file, font, text);
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(Qt::black);
    layout.draw(p, rightTop, squeeze);
    return img;
}

} // namespace

TEST(FontCatalog, FacesMapToInstalledJapaneseFonts)
{
    struct Case {
        const char* face;
        bool mincho;
        bool vertical;
    } cases[] = {
        {"ＭＳ ゴシック", false, false}, {"@ＭＳ ゴシック", false, true}, {"@ＭＳ 明朝", true, true},
        {"ＭＳ Ｐ明朝", true, false},    {"Arial", false, false},
    };
    for (const auto& c : cases) {
        FaceChoice f = FontCatalog::Resolve(QString::fromUtf8(c.face));
        EXPECT_EQ(f.vertical, c.vertical) << c.face;
        EXPECT_EQ(f.file, c.mincho ? FontCatalog::MinchoFile() : FontCatalog::GothicFile()) << c.face;
        EXPECT_FALSE(f.file.isEmpty());
    }
}

TEST(VerticalText, UsesTheFontsVerticalForms)
{
    const QString file = FontCatalog::GothicFile();
    QRawFont font = FontCatalog::Load(file, 40);
    for (const QString& s : {QStringLiteral("ー"), QStringLiteral("「"), QStringLiteral("。"), QStringLiteral("ゃ"),
                             QStringLiteral("（")}) {
        VerticalTextLayout v(file, font, s);
        EXPECT_NE(v.uprightGlyphs(), HorizontalGlyphs(file, font, s)) << s.toStdString();
    }
    // Kanji have no vertical form of their own.
    VerticalTextLayout kanji(file, font, QStringLiteral("山"));
    EXPECT_EQ(kanji.uprightGlyphs(), HorizontalGlyphs(file, font, QStringLiteral("山")));
}

TEST(VerticalText, ColumnRunsDownLeftOfTheReferencePoint)
{
    // Four full-width characters of 40 px: a column about 40 px wide and 160 px long,
    // its right edge at x = 150, its top at y = 20.
    const QImage img = Draw(QStringLiteral("山田太郎"), 40, QPointF(150, 20));
    const QRect ink = Ink(img);
    ASSERT_TRUE(ink.isValid());
    EXPECT_LE(ink.right(), 150);
    EXPECT_GE(ink.left(), 150 - 44); // the cell is ascent + descent, 43 px here
    EXPECT_GE(ink.top(), 20);
    EXPECT_GT(ink.height(), 3 * ink.width());
    EXPECT_LE(ink.bottom(), 20 + 160 + 2);
    EXPECT_GT(ink.bottom(), 20 + 120);
}

TEST(VerticalText, LongVowelMarkStandsUpright)
{
    const QRect ink = Ink(Draw(QStringLiteral("ー"), 60, QPointF(150, 20)));
    ASSERT_TRUE(ink.isValid());
    EXPECT_GT(ink.height(), 3 * ink.width()) << "the vertical form of ー is a vertical stroke";
}

TEST(VerticalText, HalfWidthDigitsLieOnTheirSide)
{
    // "1" set upright is tall and narrow; on its side it is wide and low.
    const QRect ink = Ink(Draw(QStringLiteral("1"), 60, QPointF(150, 20)));
    ASSERT_TRUE(ink.isValid());
    EXPECT_GT(ink.width(), 2 * ink.height());
    EXPECT_LE(ink.right(), 150);
    EXPECT_GE(ink.left(), 150 - 65);
    const QString file = FontCatalog::GothicFile();
    VerticalTextLayout mixed(file, FontCatalog::Load(file, 60), QStringLiteral("12番地"));
    VerticalTextLayout digits(file, FontCatalog::Load(file, 60), QStringLiteral("12"));
    EXPECT_NEAR(digits.length(), 60.0, 2.0) << "two half-width digits advance one em";
    EXPECT_NEAR(mixed.length(), 180.0, 3.0);
}

TEST(VerticalText, SqueezeCondensesAlongTheColumnOnly)
{
    const QRect full = Ink(Draw(QStringLiteral("東京都千代田区"), 30, QPointF(150, 10)));
    const QRect half = Ink(Draw(QStringLiteral("東京都千代田区"), 30, QPointF(150, 10), 0.5));
    ASSERT_TRUE(full.isValid() && half.isValid());
    EXPECT_NEAR(half.height(), full.height() / 2.0, 4.0);
    EXPECT_NEAR(half.width(), full.width(), 2.0);
    EXPECT_NEAR(half.top(), full.top(), 2);
}
