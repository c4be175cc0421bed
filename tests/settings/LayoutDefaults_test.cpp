#include "settings/LayoutDefaults.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

using namespace nrt;
using namespace nrt::test;

namespace {

struct Geometry {
    int x, y, width, height, font;
    bool vertical;
    bool operator==(const Geometry&) const = default;
};

// "1 (5900, 3000, 500, 9000, 843, v); 4 (…)": the shown slots as the layout tables list them.
std::map<int, Geometry> ParseShown(const std::string& text)
{
    std::map<int, Geometry> out;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ';')) {
        int slot = 0;
        Geometry g {};
        char dir = 0;
        if (std::sscanf(
                part.c_str(), " %d (%d, %d, %d, %d, %d, %c)", &slot, &g.x, &g.y, &g.width, &g.height, &g.font, &dir)
            == 7) {
            g.vertical = dir == 'v';
            out[slot] = g;
        } else {
            ADD_FAILURE() << "bad test data: " << part;
        }
    }
    return out;
}

const std::map<int, std::string> kShownSlots = {
    { 1,
        "1 (5421, 3000, 500, 9000, 843, v); 4 (4600, 1300, 400, 566, 593, h); 5 (5300, 1300, 400, 566, 593, h); "
        "6 (6000, 1300, 400, 566, 593, h); 7 (6700, 1300, 400, 566, 593, h); 8 (7380, 1300, 400, 566, 593, h); "
        "9 (8060, 1300, 400, 566, 593, h); 10 (8740, 1300, 400, 566, 593, h); 13 (9200, 2500, 350, 10000, 370, v); "
        "14 (8500, 2500, 350, 10000, 370, v); 28 (1200, 8100, 350, 4000, 512, v); "
        "30 (650, 12350, 400, 500, 406, h); 31 (1050, 12350, 400, 500, 406, h); 32 (1450, 12350, 400, 500, 406, h); "
        "33 (1950, 12350, 400, 500, 406, h); 34 (2350, 12350, 400, 500, 406, h); 35 (2750, 12350, 400, 500, 406, h); "
        "36 (3150, 12350, 400, 500, 406, h); 39 (2600, 5900, 350, 6200, 370, v); 40 (1900, 5900, 350, 6200, 370, v)" },
    { 2,
        "1 (5421, 3000, 500, 9000, 843, v); 4 (4500, 1300, 400, 566, 593, h); 5 (5200, 1300, 400, 566, 593, h); "
        "6 (5900, 1300, 400, 566, 593, h); 7 (6700, 1300, 400, 566, 593, h); 8 (7380, 1300, 400, 566, 593, h); "
        "9 (8060, 1300, 400, 566, 593, h); 10 (8740, 1300, 400, 566, 593, h); 13 (9200, 2500, 350, 12000, 468, v); "
        "14 (8500, 2500, 350, 12000, 468, v); 28 (1300, 9400, 350, 4000, 520, v); "
        "30 (700, 13800, 350, 400, 406, h); 31 (1100, 13800, 350, 400, 406, h); 32 (1500, 13800, 350, 400, 406, h); "
        "33 (2000, 13800, 350, 400, 406, h); 34 (2400, 13800, 350, 400, 406, h); 35 (2800, 13800, 350, 400, 406, h); "
        "36 (3200, 13800, 350, 400, 406, h); 39 (2700, 5400, 350, 8000, 468, v); 40 (2000, 7400, 350, 6000, 468, v)" },
    { 3,
        "1 (5000, 4100, 500, 9000, 900, v); 4 (3500, 1220, 400, 700, 700, h); 5 (4200, 1220, 400, 700, 700, h); "
        "6 (4900, 1220, 400, 700, 700, h); 7 (5650, 1220, 400, 700, 700, h); 8 (6350, 1220, 400, 700, 700, h); "
        "9 (7000, 1220, 400, 700, 700, h); 10 (7700, 1220, 400, 700, 700, h); 13 (8000, 3100, 350, 16000, 512, v); "
        "14 (7200, 3100, 350, 16000, 512, v)" },
    { 13,
        "1 (5000, 4100, 500, 9000, 900, v); 4 (3500, 1220, 400, 700, 700, h); 5 (4200, 1220, 400, 700, 700, h); "
        "6 (4900, 1220, 400, 700, 700, h); 7 (5650, 1220, 400, 700, 700, h); 8 (6350, 1220, 400, 700, 700, h); "
        "9 (7000, 1220, 400, 700, 700, h); 10 (7700, 1220, 400, 700, 700, h); 13 (8000, 3100, 350, 16000, 512, v); "
        "14 (7200, 3100, 350, 16000, 512, v)" },
    { 4,
        "28 (1200, 15000, 350, 3600, 512, v); 29 (500, 18600, 2300, 500, 468, h); "
        "39 (2400, 12300, 300, 6300, 370, v); 40 (1800, 12300, 300, 6300, 370, v)" },
    { 14,
        "28 (1200, 17000, 350, 3600, 512, v); 29 (500, 20600, 2300, 500, 468, h); "
        "39 (2400, 14300, 300, 6300, 370, v); 40 (1800, 14300, 300, 6300, 370, v)" },
    { 5,
        "1 (6700, 5000, 600, 10000, 1000, v); 4 (6560, 1275, 400, 700, 700, h); 5 (7260, 1275, 400, 700, 700, h); "
        "6 (7960, 1275, 400, 700, 700, h); 7 (8720, 1275, 400, 700, 700, h); 8 (9400, 1275, 400, 700, 700, h); "
        "9 (10080, 1275, 400, 700, 700, h); 10 (10760, 1275, 400, 700, 700, h); "
        "13 (11000, 3100, 350, 16000, 700, v); 14 (10100, 3100, 350, 16000, 700, v)" },
    { 6,
        "28 (1400, 16900, 350, 4000, 600, v); 29 (700, 21100, 2600, 600, 600, h); "
        "39 (2800, 13900, 300, 7000, 468, v); 40 (2200, 13900, 300, 7000, 468, v)" },
    { 7,
        "1 (800, 2900, 7000, 900, 768, h); 3 (1200, 500, 3000, 600, 468, h); 13 (600, 1300, 7500, 600, 468, h); "
        "14 (600, 2000, 7500, 600, 468, h); 48 (500, 500, 600, 600, 468, h)" },
};

// The hidden slots of the postcard, which unlike the other kinds has them all listed.
const char* const kPostcardHidden
    = "0 (5421, 3000, 500, 8000, 843, v); 2 (5421, 11000, 500, 1000, 843, v); 3 (4500, 1300, 4200, 566, 593, h); "
      "11 (9200, 2500, 350, 1500, 468, v); 12 (9200, 2500, 350, 12000, 468, v); 15 (7800, 2500, 350, 3500, 468, v); "
      "16 (7800, 2500, 350, 3500, 468, v); 17 (7800, 2500, 350, 3500, 468, v); 18 (7800, 2500, 350, 3500, 468, v); "
      "19 (7800, 2500, 350, 2000, 468, v); 20 (7800, 2500, 350, 10000, 468, v); 21 (7800, 2500, 350, 10000, 468, v); "
      "22 (7800, 2500, 350, 10000, 468, v); 23 (7800, 2500, 350, 10000, 468, v); 24 (7800, 2500, 350, 10000, 468, v); "
      "25 (7800, 2500, 350, 10000, 468, v); 26 (7800, 2500, 350, 3500, 468, v); 27 (7800, 2500, 350, 3500, 468, v); "
      "29 (700, 13800, 2300, 400, 406, h); 37 (2700, 3400, 350, 2000, 468, v); 38 (2700, 5400, 350, 8000, 468, v); "
      "41 (3400, 9900, 350, 3500, 468, v); 42 (3400, 9900, 350, 3500, 468, v); 43 (3400, 9900, 350, 3500, 468, v); "
      "44 (4100, 6700, 350, 6700, 468, v); 45 (4100, 6700, 350, 6700, 468, v); 46 (3400, 3400, 350, 6500, 468, v); "
      "47 (3400, 3400, 350, 6500, 468, v); 48 (600, 1000, 350, 5000, 468, v); 49 (1200, 1000, 350, 5000, 468, v); "
      "50 (1800, 1000, 350, 5000, 468, v); 51 (2100, 1000, 350, 5000, 468, v); 52 (2400, 1000, 350, 5000, 468, v)";

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

TEST(LayoutDefaults, ShownSlotsOfEveryKind)
{
    for (const auto& [kind, text] : kShownSlots) {
        const std::map<int, Geometry> shown = ParseShown(text);
        Layout l(kind);
        for (int slot = 0; slot < kLayoutSlots; ++slot) {
            const LayoutItem& item = l.items[static_cast<std::size_t>(slot)];
            const auto it = shown.find(slot);
            EXPECT_EQ(item.shown, it != shown.end()) << "kind " << kind << " slot " << slot;
            if (it != shown.end()) {
                EXPECT_EQ(Of(item), it->second) << "kind " << kind << " slot " << slot;
            }
        }
    }
}

TEST(LayoutDefaults, PostcardHiddenSlotsAsListed)
{
    Layout l(kReportPostcard);
    for (const auto& [slot, g] : ParseShown(kPostcardHidden))
        EXPECT_EQ(Of(l.items[static_cast<std::size_t>(slot)]), g) << "slot " << slot;
}

TEST(LayoutDefaults, HiddenSlotsStayOnTheCardAndKeepTheirDirection)
{
    const Layout postcard(kReportPostcard);
    for (const ReportKindInfo& info : kReportKinds) {
        Layout l(info.kind);
        for (int slot = 0; slot < 48; ++slot) {
            const TextItem& o = l.items[static_cast<std::size_t>(slot)].object;
            const int left = o.IsVertical() ? o.X() - 2 * o.Width() : o.X();
            const int right = o.IsVertical() ? o.X() : o.X() + o.Width();
            EXPECT_TRUE(left >= 0 && right <= info.paperWidth && o.Y() >= 0 && o.Y() + o.Height() <= info.paperHeight)
                << "kind " << info.kind << " slot " << slot;
            const bool vertical
                = info.kind != kReportLabelSheet && postcard.items[static_cast<std::size_t>(slot)].object.IsVertical();
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

TEST(LayoutDefaults, HeadersOfTheKinds)
{
    struct Case {
        int kind;
        int paperWidth, paperHeight;
        const char* image;
        int labelSheet, sheetWidth, sheetHeight, marginLeft, marginTop, gapX, gapY, columns, rows;
    } cases[] = {
        { 1, 10000, 14800, "repbk01.BMP", 0, 10000, 14800, 0, 0, 0, 0, 1, 1 },
        { 2, 10000, 14800, "repbk02.BMP", 0, 10000, 14800, 0, 0, 0, 0, 1, 1 },
        { 3, 9000, 20500, "repbk03F.BMP", 0, 9000, 20500, 0, 0, 0, 0, 1, 1 },
        { 4, 9000, 20500, "repbk03B.BMP", 0, 9000, 20500, 0, 0, 0, 0, 1, 1 },
        { 13, 9000, 22500, "repbk03F.BMP", 0, 9000, 22500, 0, 0, 0, 0, 1, 1 },
        { 14, 9000, 22500, "repbk03B2.BMP", 0, 9000, 22500, 0, 0, 0, 0, 1, 1 },
        { 5, 12000, 23500, "repbk04F.BMP", 0, 12000, 23500, 0, 0, 0, 0, 1, 1 },
        { 6, 12000, 23500, "repbk04B.BMP", 0, 12000, 23500, 0, 0, 0, 0, 1, 1 },
        { 7, 8380, 4230, "", 1, 21000, 29700, 2030, 2030, 380, 0, 2, 6 },
        { 99, 10000, 14800, "repbk02.BMP", 0, 10000, 14800, 0, 0, 0, 0, 1, 1 },
    };
    for (const Case& c : cases) {
        LayoutHeader h;
        h.reservedFlag = 1;
        h.labelSheet = 1;
        h.printerSettings = 1;
        h.dashCode = 0;
        LayoutTable items;
        ApplyDefaultLayout(c.kind, h, items);
        const LayoutHeader expected { c.paperWidth, c.paperHeight, c.image, 0, static_cast<std::uint8_t>(c.labelSheet),
            c.sheetWidth, c.sheetHeight, c.marginLeft, c.marginTop, c.gapX, c.gapY, c.columns, c.rows, 0x815C, 0, 0 };
        EXPECT_EQ(h, expected) << c.kind;
    }
    EXPECT_EQ(ReportTypeName(13), S("封筒４０号（表）"));
    EXPECT_EQ(ReportTypeName(99), S("普通はがき"));
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
    Layout l(kReportPostcard);
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

    Layout label(kReportLabelSheet);
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
    ApplyDefaultLayout(kReportNewYearCard, l.header, l.items);
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
        EXPECT_EQ(ReportKindOfName(c.name), c.kind) << U(c.name);
}

TEST(LayoutDefaults, CatalogueTexts)
{
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
    for (const ReportKindInfo& info : kReportKinds) {
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
            info.labelSheet || info.kind == kReportEnvelope3Front || info.kind == kReportEnvelope4Front
                || info.kind == kReportEnvelope40Front);
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
        Layout l(kReportLabelSheet);
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
    Layout card(kReportPostcard);
    card.items[kBarcodeSlot].shown = true;
    card.items[kBarcodeSlot].object.SetPosition(20000, 20000);
    EXPECT_FALSE(KeepLabelBarcodeInCell(card.header, card.items));
    EXPECT_EQ(card.items[kBarcodeSlot].object.X(), 20000);
}
