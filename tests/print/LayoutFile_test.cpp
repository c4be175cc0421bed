#include "ObjectBytes.h"

#include "print/LayoutFile.h"
#include "settings/LayoutDefaults.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace nrt;
using namespace nrt::test;

namespace {

struct Layout {
    LayoutHeader header;
    LayoutTable items;
    explicit Layout(int kind = kFormPostcard) { ApplyDefaultLayout(kind, header, items); }
};

// The header part of a layout file, field by field.
std::string HeaderBytes(std::int32_t version, const std::string& flags, std::int32_t paperWidth,
    std::int32_t paperHeight, const std::string& image, bool sheets, bool dash)
{
    std::string b;
    AppendLE32(b, version);
    AppendLE32(b, static_cast<std::int32_t>(flags.size()));
    b += flags;
    AppendLE32(b, paperWidth);
    AppendLE32(b, paperHeight);
    std::string name = image;
    name.resize(260, '\0');
    b += name;
    if (sheets) {
        b.push_back('\x05'); // reserved flag
        b.push_back('\x01'); // label sheets on
        for (std::int32_t v : { 21000, 29700, 2030, 2031, 380, 7, 2, 6 })
            AppendLE32(b, v);
    }
    if (dash) {
        AppendLE16(b, 0x815D);
        b.push_back('\x01');
    }
    return b;
}

std::string TextOf(int i)
{
    return std::string(1, 'T').append(std::to_string(i));
}

// 53 records of plain objects whose x is their index and whose text is "T<index>".
std::string Records(int count = kTextSlots)
{
    std::string b;
    for (int i = 0; i < count; ++i) {
        RawObject r;
        r.x = i;
        const std::string text = TextOf(i);
        r.length = static_cast<std::int32_t>(text.size());
        r.capacity = r.length + 2;
        b += r.Record(text);
    }
    return b;
}

std::string Flags(int count, char shown = '1')
{
    std::string f(static_cast<std::size_t>(count), '0');
    for (int i = 0; i < count; i += 2)
        f[static_cast<std::size_t>(i)] = shown;
    return f;
}

} // namespace

TEST(LayoutFile, WrittenByteForByte)
{
    Layout l;
    l.header.backgroundImage = S("背景.BMP");
    l.header.reservedFlag = 5;
    l.header.labelSheet = 1;
    l.header.sheetWidth = 21000, l.header.sheetHeight = 29700, l.header.marginLeft = 2030;
    l.header.marginTop = 2031, l.header.gapX = 380, l.header.gapY = 7, l.header.columns = 2, l.header.rows = 6;
    l.header.dashCode = 0x815D;
    l.header.kanjiNumerals = 1;
    l.header.printerSettings = 1; // never stored
    l.header.paperWidth = 8380;
    l.header.paperHeight = 4230;
    const std::string flags = Flags(kTextSlots);
    for (int i = 0; i < kTextSlots; ++i) {
        LayoutItem& item = l.items[static_cast<std::size_t>(i)];
        item.shown = flags[static_cast<std::size_t>(i)] == '1';
        item.object = TextItem();
        item.object.SetPosition(i, 0);
        item.object.SetText(TextOf(i));
    }
    EXPECT_EQ(
        FormatLayout(l.header, l.items), HeaderBytes(20104, flags, 8380, 4230, S("背景.BMP"), true, true) + Records());
}

TEST(LayoutFile, SavedAndLoadedAgainBitForBit)
{
    Layout l(kFormNewYearCard);
    l.header.kanjiNumerals = 1;
    l.header.backgroundImage = S("/home/u/絵.bmp");
    l.items[48].object.SetText(S("謹賀新年"));
    l.items[48].shown = true;
    l.items[2].shown = true;
    LogFontA bold = l.items[1].object.Font();
    bold.weight = 700;
    bold.italic = 1;
    l.items[1].object.SetFont(bold);
    l.items[1].object.SetScale(210, 297, 4961, 7016);
    l.items[5].object.SetText("");
    const std::string bytes = FormatLayout(l.header, l.items);

    Layout back(kFormLabelSheet); // loading always starts from some kind's defaults
    ASSERT_EQ(ParseLayout(bytes, back.header, back.items), LayoutLoad::Read);
    EXPECT_EQ(back.header, l.header);
    for (int i = 0; i < kTextSlots; ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        EXPECT_EQ(back.items[s].shown, l.items[s].shown) << i;
        EXPECT_EQ(back.items[s].object, l.items[s].object) << i;
    }
    EXPECT_EQ(FormatLayout(back.header, back.items), bytes);
}

// The kind a form was made as and its prefecture setting follow the objects, after the
// last optional slot shown, where a reader that knows nothing of them stops; a layout
// with neither is written as before.
TEST(LayoutFile, TheFormsKindAndPrefectureSettingFollowTheObjects)
{
    for (bool barcode : { false, true }) {
        Layout l(kFormEnvelope3Front);
        l.items[kBarcodeSlot].shown = barcode;
        const std::string plain = FormatLayout(l.header, l.items);
        l.header.formKind = kFormEnvelope3Front;
        l.header.printPrefecture = 1;
        const std::string kept = FormatLayout(l.header, l.items);
        ASSERT_EQ(kept.substr(0, plain.size()), plain) << barcode;
        EXPECT_EQ(kept.substr(plain.size()), std::string("NRTX\x08\0\0\0\x05\0\0\0\x01\0\0\0", 16)) << barcode;

        Layout back(kFormPostcard);
        ASSERT_EQ(ParseLayout(kept, back.header, back.items), LayoutLoad::Read);
        EXPECT_EQ(back.header, l.header) << barcode;
        EXPECT_EQ(back.items[kBarcodeSlot].shown, barcode);
        EXPECT_EQ(FormatLayout(back.header, back.items), kept);
        // Only the kind: the flag stays off.
        l.header.printPrefecture = 0;
        Layout kindOnly(kFormPostcard);
        ASSERT_EQ(ParseLayout(FormatLayout(l.header, l.items), kindOnly.header, kindOnly.items), LayoutLoad::Read);
        EXPECT_EQ(kindOnly.header.formKind, kFormEnvelope3Front);
        EXPECT_EQ(kindOnly.header.printPrefecture, 0);
        // A file cut inside the block keeps neither.
        Layout cut(kFormPostcard);
        ASSERT_EQ(ParseLayout(kept.substr(0, kept.size() - 3), cut.header, cut.items), LayoutLoad::Read);
        EXPECT_EQ(cut.header.formKind, 0);
    }
}

TEST(LayoutFile, OlderVersionsKeepTheKindsDefaultsForWhatTheyLack)
{
    const Layout defaults(kFormLabelSheet);
    struct Case {
        std::int32_t version;
        bool sheets, dash;
    } cases[] = { { 20102, false, false }, { 20103, true, false }, { 20104, true, true }, { 20105, true, true } };
    for (const Case& c : cases) {
        Layout l(kFormLabelSheet);
        const std::string file
            = HeaderBytes(c.version, Flags(kTextSlots), 9000, 9100, "pic.bmp", c.sheets, c.dash) + Records();
        ASSERT_EQ(ParseLayout(file, l.header, l.items), LayoutLoad::Read) << c.version;
        EXPECT_EQ(l.header.paperWidth, 9000);
        EXPECT_EQ(l.header.paperHeight, 9100);
        EXPECT_EQ(l.header.backgroundImage, "pic.bmp");
        EXPECT_EQ(l.header.reservedFlag, c.sheets ? 5 : 0) << c.version;
        EXPECT_EQ(l.header.marginTop, c.sheets ? 2031 : 2030) << c.version;
        EXPECT_EQ(l.header.gapY, c.sheets ? 7 : 0) << c.version;
        EXPECT_EQ(l.header.dashCode, c.dash ? 0x815D : 0x815C) << c.version;
        EXPECT_EQ(l.header.kanjiNumerals, c.dash ? 1 : 0) << c.version;
        for (int i = 0; i < kTextSlots; ++i) {
            const LayoutItem& item = l.items[static_cast<std::size_t>(i)];
            EXPECT_EQ(item.shown, i % 2 == 0) << i;
            EXPECT_EQ(item.object.Text(), TextOf(i)) << i;
            EXPECT_EQ(item.object.X(), i);
            EXPECT_EQ(item.fieldName, defaults.items[static_cast<std::size_t>(i)].fieldName);
        }
    }

    for (std::int32_t version : { 20101, 0, -1 }) {
        Layout l(kFormLabelSheet);
        const std::string file = HeaderBytes(version, Flags(kTextSlots), 9000, 9100, "x", true, true) + Records();
        EXPECT_EQ(ParseLayout(file, l.header, l.items), LayoutLoad::TooOld);
        EXPECT_EQ(l.header, defaults.header);
        EXPECT_EQ(l.items, defaults.items);
    }
    Layout l(kFormLabelSheet);
    EXPECT_EQ(ParseLayout("\x88\x4E", l.header, l.items), LayoutLoad::TooOld);
    EXPECT_EQ(l.items, defaults.items);
}

TEST(LayoutFile, FlagCountsOtherThan53)
{
    const Layout defaults;
    {
        Layout l;
        const std::string file = HeaderBytes(20104, Flags(60, '1'), 1, 2, "", true, true) + Records();
        ASSERT_EQ(ParseLayout(file, l.header, l.items), LayoutLoad::Read);
        EXPECT_EQ(l.header.paperWidth, 1);
        EXPECT_FALSE(l.items[1].shown);
        EXPECT_TRUE(l.items[52].shown);
        EXPECT_EQ(l.items[52].object.Text(), "T52");
    }
    {
        Layout l;
        std::string flags(10, 'x'); // anything but '0' means shown
        flags[3] = '0';
        const std::string file = HeaderBytes(20104, flags, 1, 2, "", true, true) + Records();
        ASSERT_EQ(ParseLayout(file, l.header, l.items), LayoutLoad::Read);
        for (int i = 0; i < kTextSlots; ++i) {
            const bool expected = i < 10 ? i != 3 : defaults.items[static_cast<std::size_t>(i)].shown;
            EXPECT_EQ(l.items[static_cast<std::size_t>(i)].shown, expected) << i;
        }
    }
    {
        Layout l;
        std::string file;
        AppendLE32(file, 20104);
        AppendLE32(file, -5);
        file += Records();
        ASSERT_EQ(ParseLayout(file, l.header, l.items), LayoutLoad::Read);
        EXPECT_EQ(l.header, defaults.header);
        EXPECT_EQ(l.items, defaults.items);
    }
}

TEST(LayoutFile, CutShortAnywhere)
{
    const Layout defaults;
    const std::string head = HeaderBytes(20104, Flags(kTextSlots), 9000, 9100, "pic.bmp", true, true);
    const std::string file = head + Records() + "trailing bytes are ignored";
    std::vector<std::size_t> recordEnds;
    for (int i = 1; i <= kTextSlots; ++i)
        recordEnds.push_back(head.size() + Records(i).size());

    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
        Layout l;
        const LayoutLoad r = ParseLayout(std::string_view(file).substr(0, cut), l.header, l.items);
        ASSERT_EQ(r, cut < 4 ? LayoutLoad::TooOld : LayoutLoad::Read) << cut;
        if (cut < head.size()) {
            for (const LayoutItem& item : l.items)
                ASSERT_EQ(item.object, defaults.items[static_cast<std::size_t>(&item - l.items.data())].object) << cut;
            continue;
        }
        EXPECT_EQ(l.header.kanjiNumerals, 1) << cut;
        for (int i = 0; i < kTextSlots; ++i) {
            const bool whole = recordEnds[static_cast<std::size_t>(i)] <= cut;
            ASSERT_EQ(l.items[static_cast<std::size_t>(i)].object.HasText(), whole) << cut << " slot " << i;
        }
    }
}

TEST(LayoutFile, ARecordOfAnotherSizeIsSkippedAndTheRestRead)
{
    std::string records;
    for (int i = 0; i < kTextSlots; ++i) {
        if (i == 3) {
            AppendLE32(records, 100); // a record header announcing another size, nothing else
            AppendLE32(records, 4);
            continue;
        }
        RawObject r;
        r.x = i;
        records += r.Record(TextOf(i));
    }
    Layout l;
    ASSERT_EQ(ParseLayout(HeaderBytes(20104, Flags(kTextSlots), 1, 2, "", true, true) + records, l.header, l.items),
        LayoutLoad::Read);
    EXPECT_FALSE(l.items[3].object.HasText());
    EXPECT_EQ(l.items[2].object.Text(), "T2");
    EXPECT_EQ(l.items[4].object.Text(), "T4");
    EXPECT_EQ(l.items[52].object.X(), 52);
}

TEST(LayoutFile, BackgroundNameWithoutItsNul)
{
    Layout l;
    std::string name(258, 'a');
    name += S("絵"); // 260 bytes, no NUL: the last whole character that fits in 259 bytes ends it
    const std::string file = HeaderBytes(20104, Flags(kTextSlots), 1, 2, name, true, true) + Records();
    ASSERT_EQ(ParseLayout(file, l.header, l.items), LayoutLoad::Read);
    EXPECT_EQ(l.header.backgroundImage, std::string(258, 'a'));
    EXPECT_EQ(l.items[0].object.Text(), "T0");
}

TEST(LayoutFile, BarcodeIsStoredOnlyWhenShownAndAfterTheOtherRecords)
{
    Layout without(kFormEnvelope3Front);
    const std::string plain = FormatLayout(without.header, without.items);

    Layout with(kFormEnvelope3Front);
    with.items[kBarcodeSlot].shown = true;
    with.items[kBarcodeSlot].object.SetPosition(1234, 20000);
    with.items[kBarcodeSlot].object.SetHeight(360);
    const std::string extended = FormatLayout(with.header, with.items);

    // What a reader that knows 53 slots sees: the count, 53 of the 54 flags, then
    // everything up to its 53rd record exactly as in a file without the barcode.
    std::int32_t count = 0;
    std::memcpy(&count, extended.data() + 4, 4);
    EXPECT_EQ(count, 54);
    std::string older = extended;
    older.erase(8 + 53, 1);
    const std::int32_t fiftyThree = 53;
    std::memcpy(older.data() + 4, &fiftyThree, 4);
    ASSERT_GT(older.size(), plain.size());
    EXPECT_EQ(older.substr(0, plain.size()), plain);

    Layout back(kFormEnvelope3Front);
    ASSERT_EQ(ParseLayout(extended, back.header, back.items), LayoutLoad::Read);
    EXPECT_TRUE(back.items[kBarcodeSlot].shown);
    EXPECT_EQ(back.items[kBarcodeSlot].object, with.items[kBarcodeSlot].object);

    // A file without it leaves the barcode as the caller prepared it (the kind's defaults).
    Layout old(kFormEnvelope3Front);
    old.items[kBarcodeSlot].shown = true;
    old.items[kBarcodeSlot].object.SetPosition(1, 2);
    const TextItem before = old.items[kBarcodeSlot].object;
    ASSERT_EQ(ParseLayout(plain, old.header, old.items), LayoutLoad::Read);
    EXPECT_TRUE(old.items[kBarcodeSlot].shown);
    EXPECT_EQ(old.items[kBarcodeSlot].object, before);
}

TEST(LayoutFile, AFlagForTheBarcodeWithoutItsRecordShowsNoBarcode)
{
    Layout l(kFormEnvelope3Front);
    l.items[kBarcodeSlot].shown = true;
    std::string bytes = FormatLayout(l.header, l.items);
    std::string cut = bytes;
    cut.resize(bytes.size() - 150); // into the barcode's record
    Layout back(kFormEnvelope3Front);
    ASSERT_EQ(ParseLayout(cut, back.header, back.items), LayoutLoad::Read);
    EXPECT_FALSE(back.items[kBarcodeSlot].shown);
    EXPECT_FALSE(back.items[kBarcodeSlot].object.HasText());
    EXPECT_EQ(back.items[52].object, l.items[52].object) << "the records before it are whole";
}

// The optional slots after the 53 text slots: a file holds them up to the last one
// shown, which readers of 53 or 54 slots read as a file of their own; a slot whose
// record is cut off or damaged, and any after it, stays hidden.
TEST(LayoutFile, OptionalSlotsAreStoredUpToTheLastShown)
{
    struct Case {
        bool barcode, joint, company;
        std::int32_t count;
    } cases[] = { { false, false, false, 53 }, { true, false, false, 54 }, { false, true, false, 55 },
        { false, false, true, 56 }, { true, false, true, 56 } };
    const Layout plain(kFormNewYearCard);
    const std::string plainBytes = FormatLayout(plain.header, plain.items);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        Layout l(kFormNewYearCard);
        l.items[kBarcodeSlot].shown = c.barcode;
        l.items[kJointNameSlot].shown = c.joint;
        l.items[kCompanySlot].shown = c.company;
        l.items[kJointNameSlot].object.SetPosition(2500, 4000);
        const std::string bytes = FormatLayout(l.header, l.items);
        std::int32_t count = 0;
        std::memcpy(&count, bytes.data() + 4, 4);
        ASSERT_EQ(count, c.count);
        Layout back(kFormNewYearCard);
        ASSERT_EQ(ParseLayout(bytes, back.header, back.items), LayoutLoad::Read);
        EXPECT_EQ(FormatLayout(back.header, back.items), bytes);

        // An older reader takes its 53 (54) flags of the count and its records, and stops.
        for (const int known : { 53, 54 }) {
            if (count < known)
                continue;
            std::string older = bytes;
            older.erase(8 + static_cast<std::size_t>(known), static_cast<std::size_t>(count - known));
            std::memcpy(older.data() + 4, &known, 4);
            Layout own = l;
            for (int slot = kBarcodeSlot; slot < kLayoutSlots; ++slot)
                own.items[static_cast<std::size_t>(slot)].shown = slot < known;
            std::string expected = FormatLayout(own.header, own.items);
            if (known == 54)
                expected[8 + kBarcodeSlot] = c.barcode ? '1' : '0';
            EXPECT_EQ(older.substr(0, expected.size()), expected) << known;
        }

        const std::size_t firstOptional = plainBytes.size() + static_cast<std::size_t>(count - kTextSlots);
        std::string damaged = bytes;
        if (count > kTextSlots)
            damaged[firstOptional] = 100; // a record of another size
        for (const bool cut : { true, false }) {
            Layout read(kFormNewYearCard);
            ASSERT_EQ(ParseLayout(cut ? bytes.substr(0, bytes.size() - 20) : damaged, read.header, read.items),
                LayoutLoad::Read);
            for (int slot = kBarcodeSlot; slot < kLayoutSlots; ++slot) {
                const std::size_t s = static_cast<std::size_t>(slot);
                EXPECT_EQ(read.items[s].shown, cut && slot < count - 1 && l.items[s].shown) << cut << slot;
            }
        }
        if (count == kTextSlots) {
            EXPECT_EQ(bytes, plainBytes);
        }
    }
}

// Lengths from a file beyond any paper (a damaged or hostile layout) are cut when it is
// read, so that setting a name block with its joint names never overflows; ordinary
// values stay as they were.
TEST(LayoutFile, ExtremeLengthsAreClampedWhenRead)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kLimit = TextItem::kGeometryLimit;
    std::string bytes = HeaderBytes(kLayoutVersion, Flags(kLayoutSlots), kMax, kMin, "", true, true);
    std::string records = Records();
    for (const std::int32_t v : { kMax, kMin, kLimit + 1, 14800 }) {
        RawObject r;
        r.x = v;
        r.y = v == kMin ? kMax : -v;
        r.width = v;
        r.height = v;
        r.fontHeight = v;
        r.lfHeight = v;
        records += r.Record("");
    }
    bytes += records;
    Layout l;
    ASSERT_EQ(ParseLayout(bytes, l.header, l.items), LayoutLoad::Read);
    EXPECT_EQ(l.header.paperWidth, kLimit);
    EXPECT_EQ(l.header.paperHeight, -kLimit);
    struct Case {
        int slot;
        std::int32_t x, y, width, fontHeight;
    } cases[] = {
        { kBarcodeSlot, kLimit, -kLimit, kLimit, kLimit },
        { kJointNameSlot, -kLimit, kLimit, -kLimit, -kLimit },
        { kCompanySlot, kLimit, -kLimit, kLimit, kLimit },
    };
    for (const Case& c : cases) {
        const TextItem& o = l.items[static_cast<std::size_t>(c.slot)].object;
        EXPECT_EQ(o.X(), c.x) << c.slot;
        EXPECT_EQ(o.Y(), c.y) << c.slot;
        EXPECT_EQ(o.Width(), c.width) << c.slot;
        EXPECT_EQ(o.Height(), c.width) << c.slot;
        EXPECT_EQ(o.FontHeight(), c.fontHeight) << c.slot;
    }
    // Slot 56 does not exist: the fourth record is not read. The ordinary first 53 are.
    EXPECT_EQ(l.items[5].object.X(), 5);
    // What was read is written and read back the same.
    const std::string once = FormatLayout(l.header, l.items);
    Layout again;
    ASSERT_EQ(ParseLayout(once, again.header, again.items), LayoutLoad::Read);
    EXPECT_EQ(FormatLayout(again.header, again.items), once);
}
