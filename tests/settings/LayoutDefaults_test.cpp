#include "settings/LayoutDefaults.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

struct Geometry {
    int x, y, width, height, font;
    bool vertical;
    bool operator==(const Geometry&) const = default;
};

Geometry Of(const LayoutItem& item)
{
    const TextItem& o = item.object;
    return { o.X(), o.Y(), o.Width(), o.Height(), o.FontHeight(), o.IsVertical() };
}

struct Layout {
    LayoutHeader header;
    LayoutTable items;
    explicit Layout(int kind) { ApplyDefaultLayout(kind, header, items); }
};

} // namespace

TEST(LayoutDefaults, HiddenSlotsStayOnTheCardAndKeepTheirDirection)
{
    const Layout postcard(kFormPostcard);
    for (const FormKindInfo& info : kFormKinds) {
        Layout l(info.kind);
        for (int slot = 0; slot < 48; ++slot) {
            const TextItem& o = l.items[static_cast<std::size_t>(slot)].object;
            const int left = o.IsVertical() ? o.X() - 2 * o.Width() : o.X();
            const int right = o.IsVertical() ? o.X() : o.X() + o.Width();
            EXPECT_TRUE(left >= 0 && right <= info.paperWidth && o.Y() >= 0 && o.Y() + o.Height() <= info.paperHeight)
                << "kind " << info.kind << " slot " << slot;
            const bool vertical
                = info.kind != kFormLabelSheet && postcard.items[static_cast<std::size_t>(slot)].object.IsVertical();
            EXPECT_EQ(o.IsVertical(), vertical) << "kind " << info.kind << " slot " << slot;
            EXPECT_GT(o.Width(), 0);
            EXPECT_GT(o.Height(), 0);
        }
    }
}

TEST(LayoutDefaults, LongEnvelopesAreTheShortOnesWithTheSenderLower)
{
    for (auto [shortKind, longKind] : { std::pair { 3, 13 }, std::pair { 4, 14 } }) {
        const Layout a(shortKind), b(longKind);
        for (int slot = 0; slot < kTextSlots; ++slot) {
            const std::size_t i = static_cast<std::size_t>(slot);
            const bool lower = slot == 28 || slot == 29 || (slot >= 37 && slot <= 47);
            Geometry expected = Of(a.items[i]);
            expected.y += lower ? 2000 : 0;
            EXPECT_EQ(Of(b.items[i]), expected) << longKind << " slot " << slot;
            EXPECT_EQ(b.items[i].shown, a.items[i].shown) << longKind << " slot " << slot;
        }
    }
}

TEST(LayoutDefaults, KanjiNumeralFlagIsClearedOnlyByTheNewYearCard)
{
    for (int kind : { 2, 3, 7, 1 }) {
        LayoutHeader h;
        LayoutTable items;
        h.kanjiNumerals = 1;
        ApplyDefaultLayout(kind, h, items);
        EXPECT_EQ(h.kanjiNumerals, kind == 1 ? 0 : 1) << kind;
    }
}

TEST(LayoutDefaults, SlotsGetFieldFaceScaleAndText)
{
    Layout l(kFormPostcard);
    const LayoutItem& name = l.items[1];
    EXPECT_EQ(name.fieldName, S("名前"));
    EXPECT_EQ(name.object.Text(), S("氏名様"));
    EXPECT_EQ(name.object.Font().FaceName(), S("@ＭＳ ゴシック"));
    EXPECT_DOUBLE_EQ(name.object.ScaleX(), 0.032);
    EXPECT_DOUBLE_EQ(name.object.ScaleY(), 470.0 / 14800.0);
    EXPECT_EQ(name.object.Font().height, 26); // trunc(843 x 470 / 14800)
    const LayoutItem& digit = l.items[4];
    EXPECT_EQ(digit.fieldName, S("郵便番号"));
    EXPECT_EQ(digit.object.Font().FaceName(), S("ＭＳ ゴシック"));
    EXPECT_EQ(digit.object.Text(), "1");
    EXPECT_EQ(l.items[12].fieldName, "");
    EXPECT_EQ(l.items[28].fieldName, "");
    EXPECT_EQ(l.items[28].object.Text(), S("差出人"));
    EXPECT_EQ(l.items[52].object.Text(), S("自由05"));

    Layout label(kFormLabelSheet);
    struct Free {
        int slot;
        bool shown;
        Geometry g;
        const char* text;
    } free[] = {
        { 48, true, { 500, 500, 600, 600, 468, false }, "〒" },
        { 49, false, { 2100, 500, 300, 600, 468, false }, "-" },
        { 50, false, { 500, 1000, 7500, 600, 468, false }, "自由03" },
        { 52, false, { 500, 1000, 7500, 600, 468, false }, "自由05" },
    };
    for (const Free& f : free) {
        const LayoutItem& item = label.items[static_cast<std::size_t>(f.slot)];
        EXPECT_EQ(item.shown, f.shown) << f.slot;
        EXPECT_EQ(Of(item), f.g) << f.slot;
        EXPECT_EQ(item.object.Text(), S(f.text)) << f.slot;
        EXPECT_EQ(item.object.Font().FaceName(), S("ＭＳ ゴシック")) << f.slot;
    }

    // What the defaults do not name stays: colours, weight, draw mode.
    LogFontA bold = l.items[0].object.Font();
    bold.weight = 700;
    l.items[0].object.SetFont(bold);
    l.items[0].object.SetDrawMode(1);
    ApplyDefaultLayout(kFormNewYearCard, l.header, l.items);
    EXPECT_EQ(l.items[0].object.Font().weight, 700);
    EXPECT_EQ(l.items[0].object.DrawMode(), 1);
    EXPECT_EQ(l.items[0].object.FontHeight(), 843);
}

TEST(LayoutDefaults, KindOfAPrintFormName)
{
    struct Case {
        std::string name;
        int kind;
    } cases[] = {
        { S("封筒(４号)(裏)"), 4 },
        { S("封筒(４号)(表)"), 3 },
        { S("年賀状"), 1 },
        { S("普通はがき(１)"), 2 },
        { S("年"), 2 },
        { S("年賀"), 1 },
        { S("封筒"), 3 },
        { S("封筒裏"), 4 },
        { "abc", 2 },
        { "abcd", 2 },
        { S("ラベル"), 2 },
        { S("封筒の裏面"), 4 },
        // 於 is 0x89 0x97: followed by the single byte 0xA0 the bytes 0x97 0xA0 of 裏
        // appear, but not as a character.
        { S("封筒於") + "\xA0", 3 },
        { S("封筒x") + "\x97\xA0", 4 },
        { "", 2 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormKindOfName(c.name), c.kind) << U(c.name);
}

TEST(LayoutDefaults, CatalogueTexts)
{
    EXPECT_EQ(FormTypeName(13), S("封筒４０号（表）"));
    EXPECT_EQ(FormTypeName(99), S("普通はがき"));
    EXPECT_EQ(SlotEditorName(1), S("宛名_氏名＋敬称"));
    EXPECT_EQ(SlotEditorSample(1), S("宛名_氏名　様"));
    EXPECT_EQ(SlotEditorName(52), S("ラベル05"));
    EXPECT_EQ(SlotEditorSample(52), "");
    EXPECT_EQ(SlotFieldName(21), S("ＨＰ"));
    EXPECT_EQ(SlotFieldName(53), "");
    EXPECT_EQ(SlotFieldName(-1), "");
    for (int slot = 0; slot < kLayoutSlots; ++slot)
        EXPECT_LE(SlotFieldName(slot).size(), LayoutItem::kFieldNameBytes) << slot;
}

TEST(LayoutDefaults, TheBarcodeStartsHiddenAt8PointInsideThePostalBorder)
{
    for (const FormKindInfo& info : kFormKinds) {
        SCOPED_TRACE(info.kind);
        Layout l(info.kind);
        const LayoutItem& item = l.items[kBarcodeSlot];
        const TextItem& o = item.object;
        EXPECT_FALSE(item.shown);
        EXPECT_FALSE(o.IsVertical());
        EXPECT_EQ(o.Height(), 288);
        EXPECT_EQ(o.Width(), 6384);
        EXPECT_EQ(o.Text(), BarcodeSample());
        // Japan Post keeps 10 mm along every edge of a piece of mail free of it.
        const std::int32_t border = info.labelSheet ? 0 : 1000;
        EXPECT_GE(o.X(), border);
        EXPECT_GE(o.Y(), border);
        EXPECT_LE(o.X() + o.Width(), info.paperWidth - border);
        EXPECT_LE(o.Y() + o.Height(), info.paperHeight - border);
        EXPECT_EQ(OffersCustomerBarcode(info.kind, l.header),
            info.labelSheet || info.kind == kFormEnvelope3Front || info.kind == kFormEnvelope4Front
                || info.kind == kFormEnvelope40Front);
    }
}

// A label layout's barcode outside its cell (where a postcard puts it, or past the
// edge of a smaller sheet's cell) is placed inside, under the shown texts; one inside
// stays where it is.
TEST(LayoutDefaults, ALabelsBarcodeIsKeptInsideItsCell)
{
    struct Case {
        const char* what;
        std::int32_t cellWidth, cellHeight, x, y;
        bool shown, moved;
    } cases[] = {
        { "a postcard's place", 8380, 4230, 1808, 13512, true, true },
        { "hidden, moved quietly", 8380, 4230, 1808, 13512, false, false },
        { "past the right edge of a 66 mm cell", 6600, 3390, 800, 2800, true, true },
        { "above the top", 8380, 4230, 800, -10, true, true },
        { "inside", 8380, 4230, 500, 3000, true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Layout l(kFormLabelSheet);
        l.header.paperWidth = c.cellWidth;
        l.header.paperHeight = c.cellHeight;
        for (int slot = 0; slot < kLayoutSlots; ++slot)
            l.items[static_cast<std::size_t>(slot)].shown = slot == 13 || slot == 14;
        l.items[kBarcodeSlot].shown = c.shown;
        TextItem& bars = l.items[kBarcodeSlot].object;
        bars.SetPosition(c.x, c.y);
        const bool inside = BarcodeInsideCell(l.header, l.items[kBarcodeSlot]);
        EXPECT_EQ(KeepLabelBarcodeInCell(l.header, l.items), c.moved);
        EXPECT_TRUE(BarcodeInsideCell(l.header, l.items[kBarcodeSlot]));
        if (inside) {
            EXPECT_EQ(bars.X(), c.x);
            EXPECT_EQ(bars.Y(), c.y);
        } else {
            const TextItem& lowest = l.items[14].object;
            EXPECT_GE(bars.Y(), lowest.Y() + lowest.Height()) << "under the address";
        }
    }
    // On cards and envelopes nothing is moved.
    Layout card(kFormPostcard);
    card.items[kBarcodeSlot].shown = true;
    card.items[kBarcodeSlot].object.SetPosition(20000, 20000);
    EXPECT_FALSE(KeepLabelBarcodeInCell(card.header, card.items));
    EXPECT_EQ(card.items[kBarcodeSlot].object.X(), 20000);
}
