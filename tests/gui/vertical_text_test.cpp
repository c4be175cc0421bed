#include "print/render/FontCatalog.h"
#include "print/render/VerticalText.h"

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

QImage Draw(const QString& text, double em, QPointF rightTop, double squeeze = 1.0, QSize size = { 200, 400 })
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
        { "ＭＳ ゴシック", false, false },
        { "@ＭＳ ゴシック", false, true },
        { "@ＭＳ 明朝", true, true },
        { "ＭＳ Ｐ明朝", true, false },
        { "Arial", false, false },
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
    for (const QString& s : { QStringLiteral("ー"), QStringLiteral("「"), QStringLiteral("。"), QStringLiteral("ゃ"),
             QStringLiteral("（") }) {
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

TEST(VerticalText, HalfWidthCharactersTakeTheirVerticalForms)
{
    struct Case {
        const char* text;
        const char* forms;
    } cases[] = {
        { "3-1-3", "３－１－３" },
        { "15F", "15Ｆ" }, // two digits stay a pair, set side by side
        { "B-1205", "Ｂ－１２０５" },
        { "ｻﾝｼｬｲﾝﾏﾝｼｮﾝ", "サンシャインマンション" },
        { "ｶﾞｰﾃﾞﾝ ﾊﾟﾚｽ", "ガーデン　パレス" },
        { "7丁目", "７丁目" },
        { "山田", "山田" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(VerticalForms(QString::fromUtf8(c.text)).toStdString(), c.forms) << c.text;
}

TEST(VerticalText, HalfWidthTextStandsUprightLikeFullWidth)
{
    // Set in a column, a half-width address looks exactly like its full-width form.
    struct Case {
        const char* halfWidth;
        const char* fullWidth;
    } cases[] = { { "3-1-3", "３－１－３" }, { "B-1205", "Ｂ－１２０５" }, { "ｻﾝｼｬｲﾝ", "サンシャイン" } };
    for (const Case& c : cases) {
        const QImage half = Draw(QString::fromUtf8(c.halfWidth), 40, QPointF(150, 10));
        const QImage full = Draw(QString::fromUtf8(c.fullWidth), 40, QPointF(150, 10));
        EXPECT_EQ(Ink(half), Ink(full)) << c.halfWidth;
        EXPECT_TRUE(half == full) << c.halfWidth;
    }
    // "1" upright is tall and narrow.
    const QRect one = Ink(Draw(QStringLiteral("1"), 60, QPointF(150, 20)));
    ASSERT_TRUE(one.isValid());
    EXPECT_GT(one.height(), 2 * one.width());
}

TEST(VerticalText, TwoDigitNumbersSitSideBySideInOneEm)
{
    const QString file = FontCatalog::GothicFile();
    const QRawFont font = FontCatalog::Load(file, 60);
    EXPECT_NEAR(VerticalTextLayout(file, font, QStringLiteral("12")).length(), 60.0, 0.5);
    EXPECT_NEAR(VerticalTextLayout(file, font, QStringLiteral("12番地")).length(), 180.0, 3.0);
    EXPECT_NEAR(VerticalTextLayout(file, font, QStringLiteral("123")).length(), 180.0, 3.0) << "one under another";
    const QRect pair = Ink(Draw(QStringLiteral("12"), 60, QPointF(150, 20)));
    ASSERT_TRUE(pair.isValid());
    EXPECT_GT(pair.width(), pair.height()) << "side by side";
    EXPECT_LE(pair.right(), 150);
    EXPECT_GE(pair.left(), 150 - 62);
    EXPECT_LE(pair.bottom(), 20 + 62);
}

TEST(VerticalText, LongLinesBreakAtNaturalPoints)
{
    const QString file = FontCatalog::GothicFile();
    const QRawFont font = FontCatalog::Load(file, 20);
    struct Case {
        const char* text;
        double room; // em
        int maxColumns;
        std::vector<const char*> columns;
    } cases[] = {
        { "東京都千代田区丸の内", 12, 2, { "東京都千代田区丸の内" } },
        // Condensed to 10/11 rather than broken.
        { "東京都千代田区丸の内一", 10, 2, { "東京都千代田区丸の内一" } },
        { "神奈川県横浜市中区山下町一丁目二番地三号　山下町マンション五〇五", 16, 2,
            { "神奈川県横浜市中区山下町一丁目", "二番地三号　山下町マンション五〇五" } },
        { "大阪府大阪市北区梅田三丁目一番三号　ノースゲートビル", 18, 2,
            { "大阪府大阪市北区梅田三丁目一番三号", "ノースゲートビル" } },
        // No natural point: between characters, never inside a number.
        { "あいうえおかき1234", 8.5, 2, { "あいうえおかき", "1234" } },
        { "あいうえおかきくけこさしすせそ", 5, 2, { "あいうえお", "かきくけこさしすせそ" } },
        { "あいうえおかきくけこさしすせそ", 5, 3, { "あいうえお", "かきくけこ", "さしすせそ" } },
        { "", 5, 2, {} },
    };
    for (const Case& c : cases) {
        const QStringList got
            = BreakIntoColumns(file, font, QString::fromUtf8(c.text), { c.room * 20 }, c.maxColumns, 0.8);
        QStringList expected;
        for (const char* column : c.columns)
            expected << QString::fromUtf8(column);
        EXPECT_EQ(got, expected) << c.text;
    }
}

// Full-width digits and letters are set as half-width ones: 「１０Ｆ」 as 「10F」, the
// number side by side and the letter upright.
TEST(VerticalText, FullWidthDigitsAndLettersFollowTheHalfWidthRules)
{
    EXPECT_EQ(VerticalForms(QStringLiteral("１０Ｆ")), VerticalForms(QStringLiteral("10F")));
    EXPECT_EQ(VerticalForms(QStringLiteral("ｂ１２３")), VerticalForms(QStringLiteral("b123")));
    const QImage full = Draw(QStringLiteral("１０Ｆ"), 60, QPointF(150, 20));
    EXPECT_EQ(full, Draw(QStringLiteral("10F"), 60, QPointF(150, 20)));
    const QRect ink = Ink(full);
    ASSERT_TRUE(ink.isValid());
    EXPECT_LE(ink.bottom(), 20 + 2 * 62) << "two ems: the number in one";
}

// 々 and the kana iteration marks stay with the character they repeat: in thirty
// addresses wrapped at every room from 4 to 9 em none begins a column.
TEST(VerticalText, IterationMarksNeverBeginAColumn)
{
    const QString file = FontCatalog::GothicFile();
    const QRawFont font = FontCatalog::Load(file, 20);
    const QString marks = QStringLiteral("々ゝゞヽヾ");
    QStringList addresses;
    const char* const places[] = { "佐々木町", "代々木", "野々市", "々", "みすゞ台", "いすゞ町", "ハヽヾ坂",
        "奈々子ヶ丘", "久々知", "日々谷" };
    for (int k = 0; k < 30; ++k)
        addresses << QString::fromUtf8("東京都渋谷区") + QString::fromUtf8(places[k % 10]) + QString::number(k + 1)
                + QStringLiteral("丁目");
    for (const QString& address : addresses)
        for (double room = 4; room <= 9; room += 0.5)
            for (const QString& column : BreakIntoColumns(file, font, address, { room * 20 }, 3, 0.85))
                EXPECT_FALSE(!column.isEmpty() && marks.contains(column.front()))
                    << address.toStdString() << " at " << room << " em: " << column.toStdString();
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
