// Cards drawn into images and checked on their pixels.
#include "PrintGuiSupport.h"

#include "platform/fs.h"
#include "print/CustomerBarcode.h"
#include "print/LabelSheets.h"
#include "print/LayoutEditing.h"
#include "print/LayoutFile.h"
#include "print/PrintForms.h"
#include "print/TextItem.h"
#include "print/render/CardRenderer.h"
#include "print/render/PrintDevice.h"
#include "settings/LayoutDefaults.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

using namespace nrt;
using namespace nrt::test;

namespace {

constexpr int kDpi = 300;

double Px(std::int32_t hundredths)
{
    return hundredths * kDpi / 2540.0;
}

QImage Blank(std::int32_t width, std::int32_t height)
{
    QImage image(static_cast<int>(Px(width)), static_cast<int>(Px(height)), QImage::Format_RGB32);
    const int dpm = static_cast<int>(std::lround(kDpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(Qt::white);
    return image;
}

void AtDeviceScale(LayoutTable& items, const QImage& image)
{
    const print::DeviceScale s = print::ScaleOf(image);
    for (LayoutItem& item : items) {
        item.object.SetScaleX(s.x);
        item.object.SetScaleY(s.y);
    }
}

// The frame of an object in the image's pixels.
QRect FramePx(const TextItem& o)
{
    const double left = o.IsVertical() ? o.X() - 2.0 * o.Width() : o.X();
    const double right = o.IsVertical() ? o.X() : o.X() + o.Width();
    return QRect(QPoint(static_cast<int>(Px(static_cast<std::int32_t>(left))), static_cast<int>(Px(o.Y()))),
        QPoint(static_cast<int>(Px(static_cast<std::int32_t>(right))), static_cast<int>(Px(o.Y() + o.Height()))));
}

// One object drawn alone on a card-sized image.
QImage DrawAlone(TextItem o)
{
    QImage image = Blank(10000, 14800);
    const print::DeviceScale s = print::ScaleOf(image);
    o.SetScaleX(s.x);
    o.SetScaleY(s.y);
    QPainter p(&image);
    o.Draw(p, 0, 0, false);
    return image;
}

TextItem TextObject(bool vertical, const char* utf8, std::int32_t x, std::int32_t y, std::int32_t width,
    std::int32_t height, std::int32_t fontHeight, int drawMode = 1)
{
    TextItem o;
    o.SetFaceName(S(vertical ? "@ＭＳ ゴシック" : "ＭＳ ゴシック"));
    o.SetVertical(vertical);
    o.SetPosition(x, y);
    o.SetWidth(width);
    o.SetHeight(height);
    o.SetFontHeight(fontHeight);
    o.SetText(S(utf8));
    o.SetDrawMode(drawMode);
    return o;
}

// Gives record `k` these values (UTF-8), failing the test where the table refuses one.
void Edit(AddressTable& db, int k, std::initializer_list<std::pair<int, const char*>> values)
{
    ASSERT_EQ(db.ReadRecord(k), RecordError::kNone);
    for (const auto& [index, utf8] : values)
        ASSERT_EQ(db.SetValue(index, S(utf8)), RecordError::kNone) << index;
    ASSERT_EQ(db.PostRecord(), RecordError::kNone);
}

class NewYearCard : public ::testing::Test {
protected:
    NewYearCard()
    {
        f.AddAddressees({ { "山田 太郎", "123-4567", "東京都千代田区丸の内１－２－３", "丸の内ビル５階" } });
        // The kind's defaults where the form has no file.
        static_cast<void>(prn.LoadLayout(S("年賀状"), kFormNewYearCard));
        prn.SetRows(std::make_unique<TableRows>(f.db, std::vector<int> { 0 }));
    }

    // The card with only the given slots shown.
    QImage Render(std::initializer_list<int> shownSlots)
    {
        LayoutTable& items = prn.Form().items;
        for (int i = 0; i < kLayoutSlots; ++i)
            items[static_cast<std::size_t>(i)].shown = false;
        for (int s : shownSlots)
            items[static_cast<std::size_t>(s)].shown = true;
        QImage image = Blank(10000, 14800);
        AtDeviceScale(items, image);
        QPainter p(&image);
        prn.DrawRecord(false, p, 0, 0);
        return image;
    }

    PrintGuiFixture f;
    print::CardRenderer prn { *f.settings, f.db, f.printer };
};

} // namespace

TEST_F(NewYearCard, TheNameStandsInItsColumnTopToBottom)
{
    const TextItem& name = prn.Form().items[1].object;
    ASSERT_TRUE(name.IsVertical());
    const QRect column = FramePx(name); // 49.00 .. 59.00 mm across, from 30.00 mm down
    const QRect ink = Ink(Render({ 1 }));
    ASSERT_TRUE(ink.isValid());
    EXPECT_TRUE(column.contains(ink)) << "ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
                                      << ink.height();
    EXPECT_GT(ink.height(), 5 * ink.width()) << "a column, not a line";
    // Centred across the column within a millimetre.
    EXPECT_NEAR(ink.center().x(), column.center().x(), Px(100));
    // Set from the top of the frame: the first character begins within 1.5 mm of it.
    EXPECT_LT(ink.top() - column.top(), Px(150));
    // Six full-width characters of 8.43 mm (名, 前, the half-width space, 様 and the
    // full-width one between) run about 50 mm down the card.
    EXPECT_GT(ink.height(), Px(4500));

    // Top to bottom: the family name alone inks the top of the same column.
    EXPECT_EQ(f.db.ReadRecord(0), RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(field::kName, S("山")), RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(field::kHonorific, ""), RecordError::kNone);
    EXPECT_EQ(f.db.PostRecord(), RecordError::kNone);
    const QRect first = Ink(Render({ 1 }));
    EXPECT_EQ(first.top(), ink.top());
    EXPECT_LT(first.bottom(), ink.top() + Px(900));
}

TEST_F(NewYearCard, EachPostalDigitLiesInItsBox)
{
    for (int slot = 4; slot <= 10; ++slot) {
        const QRect box = FramePx(prn.Form().items[static_cast<std::size_t>(slot)].object);
        const QRect ink = Ink(Render({ slot }));
        ASSERT_TRUE(ink.isValid()) << slot;
        EXPECT_TRUE(box.contains(ink)) << "slot " << slot;
        EXPECT_GT(ink.height(), Px(300)) << "slot " << slot << ": a digit of about 4 mm";
    }
}

TEST_F(NewYearCard, TheAddressIsConvertedAndKeptInItsColumn)
{
    prn.Form().header.kanjiNumerals = 1;
    const QRect column = FramePx(prn.Form().items[13].object);
    const QRect ink = Ink(Render({ 13 }));
    EXPECT_TRUE(column.contains(ink));
    EXPECT_EQ(U(prn.Form().items[13].object.Text()), "東京都千代田区丸の内一―二―三");
}

TEST_F(NewYearCard, ALongAddressGoesOnInTheNextColumn)
{
    // 36 characters of 3.70 mm in a column of 100 mm: condensed they would stand at
    // 75 %; the line breaks after 号 instead and the second line moves along.
    EXPECT_EQ(f.db.ReadRecord(0), RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(
                  field::kAddress1, S("横浜市中区山下町一丁目二番地三号　山下町グランドパークマンション五〇五号室")),
        RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(field::kAddress2, S("サンライズビル三階")), RecordError::kNone);
    EXPECT_EQ(f.db.PostRecord(), RecordError::kNone);
    const TextItem& first = prn.Form().items[13].object;
    const TextItem& second = prn.Form().items[14].object;
    const QRect column = FramePx(first);
    const QRect next = column.translated(-column.width(), 0);
    const QRect third = next.translated(-column.width(), 0);
    const QImage card = Render({ 13, 14 });
    const QRect inFirst = Ink(card, column.adjusted(0, 0, -1, 0));
    const QRect inNext = Ink(card, next.adjusted(1, 0, -1, 0));
    ASSERT_TRUE(inFirst.isValid() && inNext.isValid());
    const double em = Px(first.EmHeight());
    // The first column holds "横浜市中区山下町一丁目二番地三号" at full height:
    // sixteen characters.
    EXPECT_NEAR(inFirst.height(), 16 * em, em);
    // The rest starts two characters lower, no more condensed than the threshold.
    EXPECT_NEAR(inNext.top() - inFirst.top(), 2 * em, em / 2);
    EXPECT_GE(inNext.height(), 0.8 * 19 * em - em);
    EXPECT_LE(inNext.bottom(), column.bottom());
    // The second line is in the third column, also two characters lower.
    ASSERT_TRUE(second.IsVertical());
    const QRect inThird = Ink(card, third.adjusted(1, 0, -1, 0));
    ASSERT_TRUE(inThird.isValid());
    EXPECT_NEAR(inThird.top() - inFirst.top(), 2 * Px(second.EmHeight()), em / 2);
    EXPECT_NEAR(inThird.height(), 9 * Px(second.EmHeight()), em);
}

TEST_F(NewYearCard, HalfWidthAddressesStandUpright)
{
    // "3-1-3" in half-width characters is set as "３―１―３" would be: the same glyphs
    // upright in the column, the dash of the layout between the numbers.
    auto render = [&](const char* address) {
        EXPECT_EQ(f.db.ReadRecord(0), RecordError::kNone);
        EXPECT_EQ(f.db.SetValue(field::kAddress1, S(address)), RecordError::kNone);
        EXPECT_EQ(f.db.PostRecord(), RecordError::kNone);
        return Render({ 13 });
    };
    const QImage half = render("渋谷区渋谷3-1-3");
    const QImage full = render("渋谷区渋谷３－１－３");
    EXPECT_EQ(Ink(half), Ink(full));
    EXPECT_TRUE(half == full);
}

TEST(CardRendering, LongVowelMarkTakesItsVerticalForm)
{
    const QRect across = Ink(DrawAlone(TextObject(false, "ー", 1000, 1000, 3000, 1000, -800)));
    const QRect down = Ink(DrawAlone(TextObject(true, "ー", 5000, 1000, 500, 3000, -800)));
    ASSERT_TRUE(across.isValid() && down.isValid());
    EXPECT_GT(across.width(), 3 * across.height());
    EXPECT_GT(down.height(), 3 * down.width());
}

TEST(CardRendering, VerticalFrameRule)
{
    // x = 5900, width 500: the column spans 49.00 to 59.00 mm; its text starts at
    // the 59.00 mm line and extends left of it.
    const TextItem o = TextObject(true, "山田", 5900, 2000, 500, 4000, -843);
    const QRect ink = Ink(DrawAlone(o));
    EXPECT_LE(ink.right(), Px(5900));
    EXPECT_GT(ink.right(), Px(5900 - 250));
    EXPECT_GE(ink.left(), Px(4900));
    EXPECT_EQ(o.FrameRect(),
        (TextItem::Rect { 4900 * 320 / 10000, static_cast<std::int32_t>(2000 * 470 / 14800.0), 5900 * 320 / 10000,
            static_cast<std::int32_t>(6000 * 470 / 14800.0) }));
}

TEST(CardRendering, LinesTooLongForTheirFrameAreCondensed)
{
    struct Case {
        const char* what;
        bool vertical;
        std::int32_t width, height;
    } cases[] = {
        { "vertical", true, 350, 3000 },
        { "horizontal", false, 3000, 600 },
    };
    const char* longText = "東京都千代田区丸の内一丁目二番三号";
    for (const Case& c : cases) {
        const TextItem clipped = TextObject(c.vertical, longText, 5000, 2000, c.width, c.height, -468, 1);
        const TextItem free = TextObject(c.vertical, longText, 5000, 2000, c.width, c.height, -468, 0);
        const QRect frame = FramePx(clipped);
        const QRect inFrame = Ink(DrawAlone(clipped));
        const QRect unbounded = Ink(DrawAlone(free));
        ASSERT_TRUE(inFrame.isValid() && unbounded.isValid()) << c.what;
        EXPECT_TRUE(frame.contains(inFrame)) << c.what;
        // The whole line is there, squeezed to the frame's length rather than cut.
        const int along = c.vertical ? inFrame.height() : inFrame.width();
        const int room = c.vertical ? frame.height() : frame.width();
        EXPECT_GT(along, room * 9 / 10) << c.what;
        EXPECT_GT(c.vertical ? unbounded.height() : unbounded.width(), room * 3 / 2) << c.what;
        // Across the line nothing changes.
        if (c.vertical)
            EXPECT_NEAR(inFrame.width(), unbounded.width(), 2) << c.what;
        else
            EXPECT_NEAR(inFrame.height(), unbounded.height(), 2) << c.what;
    }
    // A text that fits is drawn exactly as it would be without a frame.
    for (bool vertical : { true, false }) {
        const QImage a = DrawAlone(
            TextObject(vertical, "丸の内", 5000, 2000, vertical ? 350 : 3000, vertical ? 3000 : 600, -468, 1));
        const QImage b = DrawAlone(
            TextObject(vertical, "丸の内", 5000, 2000, vertical ? 350 : 3000, vertical ? 3000 : 600, -468, 0));
        EXPECT_EQ(a, b) << (vertical ? "vertical" : "horizontal");
    }
}

TEST(CardRendering, FontHeightSignConvention)
{
    // A positive height is the character cell, a negative one the em: the cell of
    // the same number is the smaller character.
    const QRect em = Ink(DrawAlone(TextObject(false, "田", 1000, 1000, 5000, 2000, -1000)));
    const QRect cell = Ink(DrawAlone(TextObject(false, "田", 1000, 1000, 5000, 2000, 1000)));
    ASSERT_TRUE(em.isValid() && cell.isValid());
    EXPECT_LT(cell.height(), em.height());
    EXPECT_GT(cell.height(), em.height() * 8 / 10);
}

TEST(CardRendering, FittingTheThickness)
{
    // At the editor's scale: a horizontal object takes the height of the character
    // cell, a vertical one half the column (one half-width "W") and a pixel.
    TextItem h = TextObject(false, "住所", 1000, 1000, 5000, 1, -562);
    h.FitThickness();
    EXPECT_NEAR(h.Height(), 562 * 1.0757, 40);
    TextItem v = TextObject(true, "住所", 1000, 1000, 1, 5000, -562);
    v.FitThickness();
    EXPECT_NEAR(v.Width(), 562 / 2 + 31, 40);
    EXPECT_EQ(v.Height(), 5000);
    TextItem empty;
    empty.SetVertical(true);
    empty.SetWidth(900);
    empty.FitThickness();
    EXPECT_EQ(empty.Width(), TextItem::Trunc(1 / empty.ScaleX())); // no text measures 0 x 0
}

namespace {

// The top row of each run of inked rows in `within`, a run ending at a blank stretch
// of at least `gap` pixels: the starts of the words of a column.
std::vector<int> InkRunStarts(const QImage& image, const QRect& within, int gap)
{
    std::vector<int> starts;
    int blank = gap;
    for (int y = within.top(); y <= within.bottom(); ++y) {
        bool inked = false;
        for (int x = within.left(); x <= within.right() && !inked; ++x)
            inked = qGray(image.pixel(x, y)) < 128;
        if (inked && blank >= gap)
            starts.push_back(y);
        blank = inked ? 0 : blank + 1;
    }
    return starts;
}

// A 長形3号 envelope at 300 dpi with only the barcode shown, 8 pt at (20.00, 200.00) mm.
QImage BarcodeEnvelope(const Addressee& who)
{
    PrintGuiFixture f;
    f.AddAddressees({ who });
    print::CardRenderer prn { *f.settings, f.db, f.printer };
    // The kind's defaults where the form has no file.
    static_cast<void>(prn.LoadLayout(S("封筒３号（表）"), kFormEnvelope3Front));
    prn.SetRows(std::make_unique<TableRows>(f.db, std::vector<int> { 0 }));
    LayoutTable& items = prn.Form().items;
    for (LayoutItem& item : items)
        item.shown = false;
    TextItem& bars = items[kBarcodeSlot].object;
    items[kBarcodeSlot].shown = true;
    bars.SetPosition(2000, 20000);
    KeepBarcodeShape(bars, false); // 8 pt: pitch 0.96 mm, bar 0.48 mm, timing bar 0.96 mm
    QImage image = Blank(12000, 23500);
    AtDeviceScale(items, image);
    {
        QPainter p(&image);
        prn.DrawRecord(false, p, 0, 0);
    }
    return image;
}

} // namespace

// Joint names stand one column each to the left of the name; a given name alone starts
// level with the main given name, a full name level with the family name, and each
// has its own honorific after it.
TEST_F(NewYearCard, JointNamesStandAlignedUnderTheGivenName)
{
    EXPECT_EQ(f.db.ReadRecord(0), RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(field::kName, S("高橋　健一")), RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(field::kHonorific, S("様")), RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(field::kJointName1, S("由美")), RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(field::kJointName2, S("田中　花子")), RecordError::kNone);
    EXPECT_EQ(f.db.SetValue(field::kJointHonorific2, S("さま")), RecordError::kNone);
    ASSERT_EQ(f.db.PostRecord(), RecordError::kNone);
    const TextItem& name = prn.Form().items[1].object;
    const QImage card = Render({ 1 });
    const QRect main = FramePx(name);
    const int pitch = static_cast<int>(Px(2 * name.Width()));
    const int gap = static_cast<int>(Px(name.EmHeight() / 2));
    // 高橋 | 健一 | 様: the blank of the full-width space between the words.
    const std::vector<int> mainWords = InkRunStarts(card, main, gap);
    ASSERT_EQ(mainWords.size(), 3u);
    const std::vector<int> given = InkRunStarts(card, main.translated(-pitch, 0), gap);
    ASSERT_EQ(given.size(), 2u) << "由美 and its 様";
    // Within a millimetre (the ink of one character starts lower than another's); the
    // family name before it is 17 mm long.
    EXPECT_NEAR(given[0], mainWords[1], Px(100));
    const std::vector<int> full = InkRunStarts(card, main.translated(-2 * pitch, 0), gap);
    ASSERT_EQ(full.size(), 3u) << "田中, 花子 and さま";
    EXPECT_NEAR(full[0], mainWords[0], Px(100));
    EXPECT_NEAR(full[1], mainWords[1], Px(100));
    // Nothing beyond the three columns.
    EXPECT_FALSE(Ink(card, main.translated(-3 * pitch, 0)).isValid());
}

// A layout that sets the honorific in a slot of its own: the joint names stand beside
// the name without theirs, and each honorific stands in the honorific's column, one
// column further on per joint name.
TEST_F(NewYearCard, JointHonorificsStandInTheHonorificsColumn)
{
    Edit(f.db, 0,
        { { field::kName, "高橋　健一" }, { field::kHonorific, "様" }, { field::kJointName1, "由美" },
            { field::kJointName2, "田中　花子" }, { field::kJointHonorific2, "さま" } });
    const TextItem& name = prn.Form().items[0].object;
    const TextItem& honorific = prn.Form().items[2].object;
    const QImage card = Render({ 0, 2 });
    const int pitch = static_cast<int>(Px(2 * name.Width()));
    const int gap = static_cast<int>(Px(name.EmHeight() / 2));
    const QRect names = FramePx(name), honorifics = FramePx(honorific);
    ASSERT_EQ(InkRunStarts(card, names, gap).size(), 2u) << "高橋 | 健一, no 様 inside the name's frame";
    EXPECT_EQ(InkRunStarts(card, names.translated(-pitch, 0), gap).size(), 1u) << "由美 alone";
    EXPECT_EQ(InkRunStarts(card, names.translated(-2 * pitch, 0), gap).size(), 2u) << "田中 | 花子";
    for (int column = 0; column < 3; ++column)
        EXPECT_TRUE(Ink(card, honorifics.translated(-column * pitch, 0)).isValid()) << column;
    EXPECT_FALSE(Ink(card, honorifics.translated(-3 * pitch, 0)).isValid());
}

// On a label the block runs down from the name's line, company first, and a block too
// long for the cell is set smaller as a whole rather than run into the next label.
TEST(LabelNameBlock, StaysInsideItsCell)
{
    PrintGuiFixture f;
    f.AddAddressees({ { "高橋 健一", "123-4567", "東京都千代田区丸の内１－２－３", "丸の内ビル５階" } });
    Edit(f.db, 0,
        { { field::kCompany, "株式会社ノルテア" }, { field::kJointName1, "由美" }, { field::kJointName2, "花子" },
            { field::kJointName3, "次郎" } });
    print::CardRenderer prn { *f.settings, f.db, f.printer };
    // The kind's defaults where the form has no file.
    static_cast<void>(prn.LoadLayout(S("ラベル"), kFormLabelSheet));
    prn.SetRows(std::make_unique<TableRows>(f.db, std::vector<int> { 0 }));
    LayoutTable& items = prn.Form().items;
    for (LayoutItem& item : items)
        item.shown = false;
    items[1].shown = true;
    const TextItem& name = items[1].object;
    ASSERT_FALSE(name.IsVertical());
    const LayoutHeader& cell = prn.Form().header;
    QImage image = Blank(cell.paperWidth, cell.paperHeight + 2000); // room to see a spill
    AtDeviceScale(items, image);
    {
        QPainter p(&image);
        prn.DrawRecord(false, p, 0, 0);
    }
    const QRect ink = Ink(image);
    ASSERT_TRUE(ink.isValid());
    EXPECT_GE(ink.top(), static_cast<int>(Px(name.Y())));
    EXPECT_LT(ink.bottom(), static_cast<int>(Px(cell.paperHeight)));
    const QRect across(ink.left(), 0, ink.width(), image.height());
    EXPECT_EQ(InkRunStarts(image, across, static_cast<int>(Px(40))).size(), 5u) << "company, name, three joint names";
}

// Ticked at their defaults on a card the joint name and company slots print as the
// lines did beside the name; moved, the lines print there and nothing stays beside the name, a
// given name alone still level with the main given name.
TEST_F(NewYearCard, JointNamesAndCompanyLinesPrintInTheirOwnSlots)
{
    Edit(f.db, 0,
        { { field::kName, "高橋　健一" }, { field::kJointName1, "由美" }, { field::kJointName2, "田中　花子" },
            { field::kCompany, "北斗商事" }, { field::kDepartment, "営業部" } });
    // (On a label the block beside the name is fitted into the cell as a whole, which
    // items of their own are not.)
    const QImage beside = Render({ 1 });
    EXPECT_EQ(Render({ 1, kJointNameSlot }), beside);
    Edit(f.db, 0, { { field::kTitle, "部長" } });
    EXPECT_EQ(Render({ 1, kJointNameSlot }), Render({ 1 })) << "after the title as beside the name";
    Edit(f.db, 0, { { field::kTitle, "" } });
    // The company column's place comes from the type's nominal size, not the em.
    const QRect a = Ink(beside), b = Ink(Render({ 1, kCompanySlot }));
    EXPECT_LT(
        (a.topLeft() - b.topLeft()).manhattanLength() + (a.bottomRight() - b.bottomRight()).manhattanLength(), Px(30));

    LayoutTable& items = prn.Form().items;
    const TextItem& name = items[1].object;
    TextItem& joint = items[kJointNameSlot].object;
    joint.SetPosition(2000, name.Y());
    TextItem& company = items[kCompanySlot].object;
    company.SetVertical(false); // a line of 5 mm type, 50 mm long, at (10, 130) mm
    company.SetPosition(1000, 13000);
    company.SetWidth(5000);
    company.SetHeight(600);
    company.SetFontHeight(500);
    const QImage card = Render({ 1, kJointNameSlot, kCompanySlot });
    const QRect main = FramePx(name);
    const int pitch = static_cast<int>(Px(2 * name.Width()));
    const int gap = static_cast<int>(Px(name.EmHeight() / 2));
    const std::vector<int> mainWords = InkRunStarts(card, main, gap);
    ASSERT_EQ(mainWords.size(), 3u) << "高橋, 健一 and 様";
    EXPECT_FALSE(Ink(card, QRect(main.left() - 2 * pitch, main.top(), 2 * pitch, main.height())).isValid());
    EXPECT_FALSE(Ink(card, QRect(main.right() + 1, main.top(), 2 * pitch, main.height())).isValid());
    const std::vector<int> given = InkRunStarts(card, FramePx(joint), gap);
    ASSERT_EQ(given.size(), 2u) << "由美 and 様";
    EXPECT_NEAR(given[0], mainWords[1], Px(100));
    const std::vector<int> full = InkRunStarts(card, FramePx(joint).translated(-pitch, 0), gap);
    ASSERT_EQ(full.size(), 3u) << "田中, 花子 and 様";
    EXPECT_NEAR(full[0], mainWords[0], Px(100));
    // Company and department on the slot's first two lines.
    const QRect line = FramePx(company);
    for (int n : { 0, 1, 2 })
        EXPECT_EQ(Ink(card, line.translated(0, n * static_cast<int>(Px(600)))).isValid(), n < 2) << n;
}

// The customer barcode of the manual's first example: each of the 67 bars where the
// pitch puts it, with the shape its character gives.
TEST(CustomerBarcodeImage, BarsStandAtTheirPitchWithTheirShapes)
{
    const QImage image
        = BarcodeEnvelope({ "日本 郵便", "100-0013", "東京都千代田区霞が関1丁目3番2号", "郵便プラザ503室" });
    const std::string expected = EncodeCustomerBarcode("1000013", "1-3-2-503")->Bars();
    ASSERT_EQ(expected.size(), 67u);
    auto dark = [&image](double x, double y) { return qGray(image.pixel(int(x), int(y))) < 128; };
    const double top = Px(20000), pitch = Px(96), width = Px(48), timing = Px(96);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const double x = Px(2000) + double(i) * pitch + width / 2;
        const char shape = expected[i];
        EXPECT_EQ(dark(x, top + timing / 2), shape == kBarLong || shape == kBarAscender);
        EXPECT_TRUE(dark(x, top + 1.5 * timing));
        EXPECT_EQ(dark(x, top + 2.5 * timing), shape == kBarLong || shape == kBarDescender);
        // The space after each bar is white.
        EXPECT_FALSE(dark(x + pitch / 2, top + 1.5 * timing));
    }
    // Nothing beyond the 67 bars and the long bar's height.
    const QRect ink = Ink(image);
    EXPECT_NEAR(ink.left(), Px(2000), 1.5);
    EXPECT_NEAR(ink.right(), Px(2000) + 66 * pitch + width, 1.5);
    EXPECT_NEAR(ink.top(), top, 1.5);
    EXPECT_NEAR(ink.bottom(), top + Px(288), 1.5);
}

TEST(CustomerBarcodeImage, NoBarsWithoutASevenDigitCode)
{
    EXPECT_FALSE(Ink(BarcodeEnvelope({ "日本 郵便", "100-001", "東京都千代田区霞が関1丁目3番2号", "" })).isValid());
}

namespace {

// The runs of inked pixels along row `y` from `left` to `right`: [start, end] pairs.
std::vector<std::pair<int, int>> InkRunsAlong(const QImage& image, int y, int left, int right)
{
    std::vector<std::pair<int, int>> runs;
    for (int x = std::max(left, 0); x <= std::min(right, image.width() - 1); ++x) {
        if (qGray(image.pixel(x, y)) >= 128)
            continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.push_back({ x, x });
    }
    return runs;
}

} // namespace

// A label layout whose barcode was placed where a postcard's goes (18.08, 135.12 mm)
// has it moved into the cell when loaded; printed on a 12- and a 24-label sheet, every
// label carries its own 67 bars inside its own cell and nothing lands on the next one.
TEST(LabelSheetImage, EveryLabelsBarcodeLiesInItsOwnCell)
{
    for (const char* product : { "A4 12面 83.8×42.3mm (HISAGO GB861)", "A4 24面 66.0×33.9mm" }) {
        SCOPED_TRACE(product);
        PrintGuiFixture f;
        std::vector<Addressee> people;
        for (int k = 0; k < 24; ++k)
            people.push_back({ "山田 太郎", k % 2 ? "100-0013" : "530-0001", "千代田区霞が関1丁目3番2号",
                k % 3 ? "郵便プラザ503室" : "B-1205" });
        f.AddAddressees(people);
        AppSettings& g = *f.settings;
        PrintForm form = PrintForm::Defaults(kFormLabelSheet);
        const std::vector<LabelSheet>& sheets = ProductLabelSheets();
        const auto sheet
            = std::find_if(sheets.begin(), sheets.end(), [&](const LabelSheet& s) { return s.name == S(product); });
        ASSERT_NE(sheet, sheets.end());
        sheet->ApplyTo(form.header);
        for (int slot = 0; slot < kLayoutSlots; ++slot)
            form.items[static_cast<std::size_t>(slot)].shown = slot == 13 || slot == 14 || slot == kBarcodeSlot;
        form.items[kBarcodeSlot].object.SetPosition(1808, 13512);
        ASSERT_TRUE(
            platform::fs::AtomicWriteFile(LayoutFilePath(g, S("宛名ラベル")), FormatLayout(form.header, form.items)));

        print::CardRenderer prn { g, f.db, f.printer };
        ASSERT_EQ(prn.LoadLayout(S("宛名ラベル"), AppSettings::FormKindOfName(S("宛名ラベル"))), LayoutLoad::Read);
        EXPECT_TRUE(prn.Form().header.barcodeMoved);
        LayoutTable& items = prn.Form().items;
        std::vector<int> rows(people.size());
        for (int k = 0; k < static_cast<int>(rows.size()); ++k)
            rows[static_cast<std::size_t>(k)] = k;
        prn.SetRows(std::make_unique<TableRows>(f.db, rows));
        const LayoutHeader& h = prn.Form().header;
        QImage image = Blank(h.sheetWidth, h.sheetHeight);
        AtDeviceScale(items, image);
        {
            QPainter p(&image);
            prn.DrawSheet(p);
        }
        const TextItem& bars = items[kBarcodeSlot].object;
        const BarcodeGeometry g8 = BarcodeGeometry::ForHeight(bars.Height());
        for (int r = 0; r < h.rows; ++r)
            for (int c = 0; c < h.columns; ++c) {
                const CellOffset at = LabelCellOffset(h, r, c);
                const int left = static_cast<int>(std::ceil(Px(at.x))),
                          right = static_cast<int>(Px(at.x + h.paperWidth)) - 1;
                const int top = static_cast<int>(std::ceil(Px(at.y))),
                          bottom = static_cast<int>(Px(at.y + h.paperHeight)) - 1;
                // Every bar crosses the timing band in the middle of the long bar.
                const int middle = static_cast<int>(Px(at.y + bars.Y() + g8.longBar / 2));
                const auto runs = InkRunsAlong(image, middle, left, right);
                ASSERT_EQ(runs.size(), CustomerBarcode::kBarCount) << "row " << r << " column " << c;
                EXPECT_GT(runs.front().first, left);
                EXPECT_LT(runs.back().second, right);
                // The start bar (a long one) from top to bottom inside the cell.
                const int x = (runs.front().first + runs.front().second) / 2;
                int barTop = middle, barBottom = middle;
                while (barTop > 0 && qGray(image.pixel(x, barTop - 1)) < 128)
                    --barTop;
                while (barBottom + 1 < image.height() && qGray(image.pixel(x, barBottom + 1)) < 128)
                    ++barBottom;
                EXPECT_GT(barTop, top);
                EXPECT_LT(barBottom, bottom);
                EXPECT_NEAR(barBottom - barTop + 1, Px(g8.longBar), 2.0);
            }
    }
}

// The 長形3号 front: each digit of the postal code within 0.5 mm of the centre of Japan
// Post's box (boxes 5.7 x 8 mm, 12 mm below the top edge, the last 8 mm from the
// right edge, 1.3 / 1.9 / 1.1 mm apart); its barcode centred where the address ends.
TEST(EnvelopeImage, ChougataSanDigitsStandInTheMiddleOfTheirBoxes)
{
    PrintGuiFixture f;
    f.AddAddressees({ { "山田 太郎", "123-4567", "千代田区霞が関1丁目3番2号", "" } });
    print::CardRenderer prn { *f.settings, f.db, f.printer };
    // The kind's defaults where the form has no file.
    static_cast<void>(prn.LoadLayout(S("長3"), kFormEnvelope3Front));
    prn.SetRows(std::make_unique<TableRows>(f.db, std::vector<int> { 0 }));
    LayoutTable& items = prn.Form().items;
    for (int slot = 0; slot < kLayoutSlots; ++slot)
        items[static_cast<std::size_t>(slot)].shown = (slot >= 4 && slot <= 10) || slot == kBarcodeSlot;
    QImage image = Blank(12000, 23500);
    AtDeviceScale(items, image);
    {
        QPainter p(&image);
        prn.DrawRecord(false, p, 0, 0);
    }
    const double firstBox = 120.0 - 8.0 - 47.7;
    const double centres[7] = { 2.85, 9.85, 16.85, 24.45, 31.25, 38.05, 44.85 };
    const auto mm = [](double px) { return px * 25.4 / kDpi; };
    const int top = static_cast<int>(Px(1000)), bottom = static_cast<int>(Px(2200));
    const int middle = static_cast<int>(Px(1600));
    // The strokes of one digit lie less than 1.5 mm apart, the digits further.
    std::vector<std::pair<int, int>> runs;
    for (const auto& run : InkRunsAlong(image, middle, static_cast<int>(Px(6000)), image.width() - 1))
        if (!runs.empty() && run.first - runs.back().second < Px(150))
            runs.back().second = run.second;
        else
            runs.push_back(run);
    ASSERT_EQ(runs.size(), 7u) << "one digit in each box across the boxes' middle";
    for (int k = 0; k < 7; ++k) {
        const QRect ink = Ink(image,
            QRect(QPoint(runs[static_cast<std::size_t>(k)].first - 20, top),
                QPoint(runs[static_cast<std::size_t>(k)].second + 20, bottom)));
        ASSERT_TRUE(ink.isValid());
        EXPECT_NEAR(mm(ink.left() + ink.width() / 2.0), firstBox + centres[k], 0.5) << "digit " << k + 1;
        EXPECT_NEAR(mm(ink.top() + ink.height() / 2.0), 16.0, 0.5) << "digit " << k + 1;
    }
    const QRect bars = Ink(
        image, QRect(0, static_cast<int>(Px(18000)), image.width(), image.height() - static_cast<int>(Px(18000))));
    ASSERT_TRUE(bars.isValid());
    EXPECT_NEAR(mm(bars.left() + bars.width() / 2.0), 60.0, 0.3) << "centred on the envelope";
    const TextItem& address = items[13].object;
    EXPECT_NEAR(mm(bars.top()), (address.Y() + address.Height()) / 100.0 + 2.0, 0.3) << "2 mm below the address";
}
