#include "db/AddressTable.h"
#include "platform/LittleEndian.h"
#include "platform/fs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt;
using nrt::test::AppendLE16;
using nrt::test::AppendLE32;
using nrt::test::S;
using nrt::test::TempDir;

namespace {

// One definition record built from the file layout, not through FieldDef.
std::string DefinitionBytes(const std::string& name, std::int32_t type, std::int32_t width, std::int32_t flag = 0)
{
    std::string r(116, '\0');
    r.replace(0, name.size(), name);
    std::string ints;
    AppendLE32(ints, type);
    AppendLE32(ints, width);
    AppendLE32(ints, flag);
    r.replace(80, 12, ints);
    return r;
}

std::string DefaultDefinitions()
{
    static const char* names[] = { "宛名区分", "印字区分", "名前", "カナ", "敬称", "性別", "生年月日", "郵便番号",
        "都道府県", "住所１", "住所２", "電話番号", "ＦＡＸ", "携帯番号", "メール", "ＨＰ", "大分類", "小分類",
        "小分類２", "備考１", "備考２", "顔写真", "更新日", "登録日" };
    static const int widths[]
        = { 1, 1, 30, 30, 4, 4, 10, 10, 15, 100, 80, 15, 15, 15, 100, 100, 30, 30, 30, 100, 100, 250, 20, 20 };
    std::string out;
    for (int i = 0; i < 24; ++i)
        out += DefinitionBytes(S(names[i]), 0, widths[i]);
    return out;
}

// A packed record of n fields with the given values (the rest empty).
std::string Packed(int n, const std::vector<std::string>& values, std::uint8_t flag = 0)
{
    std::string rec(1, static_cast<char>(flag));
    std::string body;
    for (int i = 0; i < n; ++i) {
        AppendLE16(rec, static_cast<std::uint16_t>(1 + 2 * n + body.size()));
        body += (i < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(i)] : "");
        body.push_back('\0');
    }
    return rec + body;
}

std::string TableFile(const std::string& defs, int n, const std::vector<std::string>& records, bool endMarker = true)
{
    std::string f;
    AppendLE32(f, n);
    f += defs;
    AppendLE32(f, 0);
    AppendLE32(f, 0);
    for (const auto& r : records) {
        AppendLE32(f, static_cast<std::int32_t>(r.size() + 1));
        f += r;
        f.push_back('\0');
    }
    if (endMarker)
        AppendLE32(f, 0);
    return f;
}

} // namespace

TEST(AddressTable, DefaultSchema)
{
    AddressTable db;
    db.CreateDefaultTable();
    ASSERT_EQ(db.GetFieldCount(), 24);
    EXPECT_EQ(db.GetFieldDefinitions(), DefaultDefinitions());
    EXPECT_EQ(db.WorkBufferSize(), 1207u);
    EXPECT_EQ(db.FindField(S("カナ")), 3);
    EXPECT_EQ(db.FindField(S("ｶﾅ")), -1);
    EXPECT_EQ(db.FindField(S("登録日")), 23);
    EXPECT_EQ(db.GetCurrentIndex(), -1);
}

TEST(AddressTable, SaveWritesTheFileFormatByteForByte)
{
    TempDir dir;
    AddressTable db;
    db.CreateDefaultTable();
    db.ClearCurrent();
    ASSERT_EQ(db.SetValueByName(S("名前"), S("山田太郎")), RecordError::kNone);
    ASSERT_EQ(db.SetValueByName(S("宛名区分"), "0"), RecordError::kNone);
    ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    db.ClearCurrent();
    ASSERT_EQ(db.PostRecord(), RecordError::kNone); // all values empty
    ASSERT_EQ(db.PostRecord(), RecordError::kNone); // posting again appends again
    ASSERT_EQ(db.GetRecordCount(), 3);
    EXPECT_EQ(db.GetRecord(1).size(), 73u);
    ASSERT_TRUE(db.MarkDeleted(2));
    ASSERT_EQ(db.SaveTable(dir.File("nrt.ndb")), TableError::kNone);

    std::vector<std::string> values(24);
    values[0] = "0";
    values[2] = S("山田太郎");
    const std::string expected = TableFile(DefaultDefinitions(), 24, { Packed(24, values), Packed(24, {}) });
    EXPECT_EQ(nrt::test::ReadAll(dir.File("nrt.ndb")), expected);
}

TEST(AddressTable, OnlyDeletedRecordsSaveAsDefinitionsAndEnd)
{
    TempDir dir;
    AddressTable db;
    db.CreateDefaultTable();
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    db.MarkDeleted(0);
    ASSERT_EQ(db.SaveTable(dir.File("nrt.ndb")), TableError::kNone);
    EXPECT_EQ(nrt::test::ReadAll(dir.File("nrt.ndb")), TableFile(DefaultDefinitions(), 24, {}));
}

TEST(AddressTable, LoadReadsHandMadeFiles)
{
    TempDir dir;
    std::vector<std::string> v1(24), v2(24);
    v1[2] = S("佐藤花子");
    v1[3] = S("ｻﾄｳﾊﾅｺ");
    v2[9] = S("東京都千代田区千代田１－１");
    const std::string file = TableFile(DefaultDefinitions(), 24, { Packed(24, v1), Packed(24, v2, 0x01) });
    nrt::test::WriteAll(dir.File("nrt.ndb"), file);
    AddressTable db;
    ASSERT_EQ(db.LoadTable(dir.File("nrt.ndb")), TableError::kNone);
    ASSERT_EQ(db.GetRecordCount(), 2);
    EXPECT_STREQ(db.GetValue(2, 0), v1[2].c_str());
    EXPECT_STREQ(db.GetValueByName(S("カナ"), 0), v1[3].c_str());
    EXPECT_STREQ(db.GetValue(9, 1), v2[9].c_str());
    EXPECT_EQ(db.GetFlags(1), 0x01);
    EXPECT_EQ(db.GetValue(field::kSchemaEnd, 0), nullptr);
    EXPECT_EQ(db.GetValue(0, 2), nullptr);
    EXPECT_EQ(db.DamagedRecordCount(), 0);
    // And it writes the same bytes back.
    ASSERT_EQ(db.SaveTable(dir.File("again.ndb")), TableError::kNone);
    EXPECT_EQ(nrt::test::ReadAll(dir.File("again.ndb")), file);
}

TEST(AddressTable, LoadCodesAndCutFiles)
{
    TempDir dir;
    const std::string full
        = TableFile(DefaultDefinitions(), 24, { Packed(24, { "0", "1", "a" }), Packed(24, { "0", "0", "b" }) });
    const std::size_t head = 4 + 24 * 116 + 8;
    struct Case {
        const char* what;
        std::string bytes;
        int code;
        int records;
    } cases[] = {
        { "empty file", "", 302, 0 },
        { "ends after 10 definitions", full.substr(0, 4 + 10 * 116), 302, 0 },
        { "no reserved words", full.substr(0, 4 + 24 * 116), 0, 0 },
        { "cut inside the first record", full.substr(0, head + 30), 0, 0 },
        { "cut inside the second record", full.substr(0, full.size() - 20), 0, 1 },
        { "no end marker", full.substr(0, full.size() - 4), 0, 2 },
        { "whole", full, 0, 2 },
    };
    for (const auto& c : cases) {
        nrt::test::WriteAll(dir.File("t.ndb"), c.bytes);
        AddressTable db;
        EXPECT_EQ(static_cast<int>(db.LoadTable(dir.File("t.ndb"))), c.code) << c.what;
        EXPECT_EQ(db.GetRecordCount(), c.records) << c.what;
        if (c.code == 302) {
            EXPECT_EQ(db.GetFieldCount(), 0) << c.what;
        }
    }
    AddressTable db;
    db.CreateDefaultTable();
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    EXPECT_EQ(db.LoadTable(dir.File("missing.ndb")), TableError::kOpen);
    EXPECT_EQ(db.GetRecordCount(), 1) << "a failed open leaves the table as it was";
}

TEST(AddressTable, DamagedInputIsRefusedOrSkipped)
{
    TempDir dir;
    const std::string good = Packed(3, { "a", "b", "c" });
    std::string badOffset = good;
    badOffset[3] = static_cast<char>(0x70); // second offset points past the record
    std::string lowOffset = good;
    lowOffset[1] = 2; // first offset inside the offset table
    std::string tooLong = Packed(3, { "abcdef", "b", "c" }); // field 0 is 5 wide
    std::string noNul = good.substr(0, good.size() - 1) + "x";
    const std::string defs = DefinitionBytes("a", 0, 5) + DefinitionBytes("b", 0, 5) + DefinitionBytes("c", 1, 5);

    auto withLength = [&](std::int32_t len) {
        std::string f;
        AppendLE32(f, 3);
        f += defs;
        AppendLE32(f, 0);
        AppendLE32(f, 0);
        AppendLE32(f, static_cast<std::int32_t>(good.size() + 1));
        f += good + '\0';
        AppendLE32(f, len);
        f += std::string(64, 'Z');
        return f;
    };
    auto withCount = [&](std::int32_t n) {
        std::string f;
        AppendLE32(f, n);
        return f + defs;
    };
    struct Case {
        const char* what;
        std::string bytes;
        int code;
        int records;
        int damaged;
    } cases[] = {
        { "offset past the record", TableFile(defs, 3, { good, badOffset, good }), 0, 2, 1 },
        { "offset inside the table", TableFile(defs, 3, { lowOffset, good }), 0, 1, 1 },
        { "value wider than its field", TableFile(defs, 3, { tooLong, good }), 0, 1, 1 },
        { "last value without NUL", TableFile(defs, 3, { noNul }), 0, 0, 1 },
        { "empty record", TableFile(defs, 3, { "", good }), 0, 1, 1 },
        { "length beyond the work buffer", withLength(60), 0, 1, 1 },
        { "negative length", withLength(-5), 0, 1, 1 },
        { "huge length", withLength(0x7FFFFFFF), 0, 1, 1 },
        { "negative field count", withCount(-1), 303, 0, 0 },
        { "zero field count", withCount(0), 303, 0, 0 },
        { "huge field count", withCount(0x7FFFFFFF), 302, 0, 0 },
        { "duplicate field name", TableFile(defs + DefinitionBytes("A", 0, 1), 4, {}), 303, 0, 0 },
        { "bad field type", TableFile(DefinitionBytes("a", 5, 1), 1, {}), 303, 0, 0 },
        { "number field too wide", TableFile(DefinitionBytes("a", 1, 10), 1, {}), 303, 0, 0 },
    };
    for (const auto& c : cases) {
        nrt::test::WriteAll(dir.File("t.ndb"), c.bytes);
        AddressTable db;
        EXPECT_EQ(static_cast<int>(db.LoadTable(dir.File("t.ndb"))), c.code) << c.what;
        EXPECT_EQ(db.GetRecordCount(), c.records) << c.what;
        EXPECT_EQ(db.DamagedRecordCount(), c.damaged) << c.what;
        for (int k = 0; k < db.GetRecordCount(); ++k)
            for (int f = 0; f < db.GetFieldCount(); ++f)
                EXPECT_LE(std::string_view(db.GetValue(f, k)).size(), 5u) << c.what;
    }
}

TEST(AddressTable, SetValueChecks)
{
    AddressTable db;
    FieldDef num;
    num.name = "no";
    num.type = kFieldNumber;
    num.width = 3;
    FieldDef text;
    text.name = S("名前");
    text.width = 30;
    FieldDefinition list;
    ASSERT_EQ(list.AddField(text), FieldError::kNone);
    ASSERT_EQ(list.AddField(num), FieldError::kNone);
    ASSERT_EQ(db.DefineFields(list), RecordError::kNone);
    struct Case {
        int field;
        std::string value;
        RecordError code;
    } cases[] = {
        { 0, std::string(30, 'a'), RecordError::kNone },
        { 0, std::string(31, 'a'), RecordError::kTooLong },
        { 0, S("あ") + std::string(28, 'a'), RecordError::kNone },
        { 0, S("あ") + std::string(29, 'a'), RecordError::kTooLong },
        { 1, "123", RecordError::kNone },
        { 1, "1234", RecordError::kTooLong },
        { 1, "12a", RecordError::kNotNumber },
        { 1, "-1", RecordError::kNotNumber },
        { 1, "", RecordError::kNone },
        { -1, "x", RecordError::kNothingSelected },
        { 2, "x", RecordError::kNoField },
        { 0, "", RecordError::kNone },
    };
    for (const auto& c : cases)
        EXPECT_EQ(db.SetValue(c.field, c.value), c.code) << c.field << " " << c.value;
    EXPECT_EQ(db.SetValueByName("NO", "7"), RecordError::kNone);
    EXPECT_EQ(db.SetValueByName("none", "7"), RecordError::kNoField);
    EXPECT_EQ(db.DefineFields(FieldDefinition()), RecordError::kNoField);
}

TEST(AddressTable, CurrentRecordCycle)
{
    AddressTable db;
    db.CreateDefaultTable();
    EXPECT_EQ(db.SetValue(2, "first"), RecordError::kNone);
    ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    EXPECT_EQ(db.GetCurrentIndex(), -1);
    ASSERT_EQ(db.ReadRecord(0), RecordError::kNone);
    EXPECT_EQ(db.GetCurrentValue(2), "first");
    EXPECT_EQ(db.SetValue(2, "changed"), RecordError::kNone);
    EXPECT_EQ(db.SetValue(3, "kana"), RecordError::kNone);
    ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    EXPECT_EQ(db.GetRecordCount(), 1);
    EXPECT_STREQ(db.GetValue(2, 0), "changed");
    EXPECT_STREQ(db.GetValue(3, 0), "kana");
    db.SetFlags(0, 0x01);
    ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    EXPECT_EQ(db.GetFlags(0), 0) << "a replaced record gets a flag byte of 0";

    EXPECT_EQ(db.ReadRecord(-1), RecordError::kNoRecord);
    EXPECT_EQ(db.GetCurrentValue(2), "");
    EXPECT_EQ(db.ReadRecord(1), RecordError::kNoRecord);
    ASSERT_EQ(db.ReadRecord(0), RecordError::kNone);
    ASSERT_TRUE(db.MarkDeleted(0));
    EXPECT_TRUE(db.IsDeleted(0));
    EXPECT_EQ(db.PostRecord(), RecordError::kRecordGone);
    EXPECT_STREQ(db.GetValue(2, 0), "changed") << "deleted records can still be read";
    EXPECT_FALSE(db.MarkDeleted(-1));
    EXPECT_FALSE(db.MarkDeleted(5));
    db.ClearRecords();
    EXPECT_EQ(db.GetRecordCount(), 0);
    EXPECT_EQ(db.GetFieldCount(), 24);
}

TEST(AddressTable, FailedSaveKeepsThePreviousFile)
{
    TempDir dir;
    const std::string path = dir.File("nrt.ndb");
    AddressTable db;
    db.CreateDefaultTable();
    EXPECT_EQ(db.SetValue(2, "kept"), RecordError::kNone);
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    ASSERT_EQ(db.SaveTable(path), TableError::kNone);
    const std::string before = nrt::test::ReadAll(path);
    for (int i = 0; i < 500; ++i) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(2, "new"), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
    nrt::platform::fs::testing::FailWritesAfter(100);
    EXPECT_EQ(db.SaveTable(path), TableError::kOpen);
    nrt::platform::fs::testing::FailWritesAfter(-1);
    EXPECT_EQ(nrt::test::ReadAll(path), before);
    EXPECT_EQ(db.SaveTable(dir.File("no/folder/nrt.ndb")), TableError::kOpen);
}

TEST(AddressTable, LoadedRecordsCanBeRewrittenDeletedAndSavedAgain)
{
    TempDir dir;
    AddressTable db;
    db.CreateDefaultTable();
    for (const char* name : { "a", "b", "c" }) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kName, name), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
    ASSERT_EQ(db.SaveTable(dir.File("nrt.ndb")), TableError::kNone);
    AddressTable loaded;
    ASSERT_EQ(loaded.LoadTable(dir.File("nrt.ndb")), TableError::kNone);
    ASSERT_EQ(loaded.ReadRecord(0), RecordError::kNone);
    // Far longer than the stored record.
    EXPECT_EQ(loaded.SetValue(field::kAddress1, std::string(100, 'x')), RecordError::kNone);
    ASSERT_EQ(loaded.PostRecord(), RecordError::kNone);
    ASSERT_EQ(loaded.ReadRecord(1), RecordError::kNone);
    EXPECT_EQ(loaded.SetValue(field::kName, ""), RecordError::kNone); // shorter: may stay in place
    ASSERT_EQ(loaded.PostRecord(), RecordError::kNone);
    ASSERT_TRUE(loaded.MarkDeleted(2));
    ASSERT_EQ(loaded.SaveTable(dir.File("nrt.ndb")), TableError::kNone);

    AddressTable again;
    ASSERT_EQ(again.LoadTable(dir.File("nrt.ndb")), TableError::kNone);
    ASSERT_EQ(again.GetRecordCount(), 2);
    EXPECT_STREQ(again.GetValue(field::kName, 0), "a");
    EXPECT_EQ(again.Value(field::kAddress1, 0), std::string(100, 'x'));
    EXPECT_STREQ(again.GetValue(field::kName, 1), "");
}

TEST(AddressTable, OffsetBeyondTheRecordInTheUsualLayout)
{
    // Offsets rising as usual, but the second points past the record's end.
    TempDir dir;
    std::string defs = DefinitionBytes("a", 0, 5) + DefinitionBytes("b", 0, 200);
    std::string rec = Packed(2, { "ab", "c" });
    rec[3] = static_cast<char>(0xF0); // second offset: 240, record is 10 bytes
    nrt::test::WriteAll(dir.File("t.ndb"), TableFile(defs, 2, { rec }));
    AddressTable db;
    EXPECT_EQ(db.LoadTable(dir.File("t.ndb")), TableError::kNone);
    EXPECT_EQ(db.GetRecordCount(), 0);
    EXPECT_EQ(db.DamagedRecordCount(), 1);
}

namespace {

// A saved table of `count` records named "n0", "n1", … and where each record's length
// field lies in the file.
struct SavedTable {
    std::string bytes;
    std::vector<std::size_t> lengthAt;
};

SavedTable TwentyRecords()
{
    AddressTable db;
    db.CreateDefaultTable();
    for (int i = 0; i < 20; ++i) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kName, std::string(1, 'n').append(std::to_string(i))), RecordError::kNone);
        EXPECT_EQ(
            db.SetValue(field::kAddress1, std::string(static_cast<std::size_t>(10 + i), 'x')), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
    SavedTable t { db.FormatTable(), {} };
    std::size_t pos = 4 + 24 * 116 + 8;
    for (int i = 0; i < 20; ++i) {
        t.lengthAt.push_back(pos);
        pos += 4 + static_cast<std::size_t>(nrt::platform::GetLE32(t.bytes.data() + pos));
    }
    return t;
}

std::vector<std::string> Names(const AddressTable& db)
{
    std::vector<std::string> names;
    for (int k = 0; k < db.GetRecordCount(); ++k)
        names.emplace_back(db.Value(field::kName, k));
    return names;
}

} // namespace

// Damage as a disk or a careless tool leaves it: every record that can be read comes
// back, the loss is counted, and the first save keeps the original bytes aside (or,
// for a table that could not be read at all, refuses to replace it).
TEST(AddressTable, DamagedTablesLoadWhatCanBeReadAndAreNeverLostBySaving)
{
    const SavedTable t = TwentyRecords();
    auto flipped = [&](std::size_t at, int bit) {
        std::string b = t.bytes;
        b[at] = static_cast<char>(b[at] ^ (1 << bit));
        return b;
    };
    // Record 6's 宛名区分 (1 byte wide) made to point at its two-byte name.
    std::string overLong = t.bytes;
    const std::size_t offsets5 = t.lengthAt[5] + 4 + 1;
    overLong.replace(offsets5, 2, t.bytes.substr(offsets5 + 2 * field::kName, 2));
    const auto lowByte = static_cast<unsigned char>(t.bytes[t.lengthAt[10]]);
    int lowSetBit = 2, lowClearBit = 2;
    while (!(lowByte & (1 << lowSetBit)))
        ++lowSetBit;
    while (lowByte & (1 << lowClearBit))
        ++lowClearBit;
    std::vector<std::string> all, allBut10, allBut5, first15;
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::string(1, 'n').append(std::to_string(i));
        all.push_back(n);
        if (i != 10)
            allBut10.push_back(n);
        if (i != 5)
            allBut5.push_back(n);
        if (i < 15)
            first15.push_back(n);
    }
    struct Case {
        const char* what;
        std::string bytes;
        TableError code;
        std::vector<std::string> names;
        int damaged;
        int repaired; // length fields given back by their records' own offsets
    } cases[] = {
        { "whole", t.bytes, TableError::kNone, all, 0, 0 },
        { "record 11's length, high bit flipped", flipped(t.lengthAt[10] + 2, 3), TableError::kNone, all, 0, 1 },
        { "record 11's length, a set low bit cleared", flipped(t.lengthAt[10], lowSetBit), TableError::kNone, all, 0,
            1 },
        { "record 11's length, a clear low bit set", flipped(t.lengthAt[10], lowClearBit), TableError::kNone, all, 0,
            1 },
        { "record 11's length made zero",
            [&] {
                std::string b = t.bytes;
                b.replace(t.lengthAt[10], 4, 4, '\0');
                return b;
            }(),
            TableError::kNone, all, 0, 1 },
        { "record 11's length and first offset damaged",
            [&] {
                std::string b = flipped(t.lengthAt[10] + 2, 3);
                b[t.lengthAt[10] + 5] = static_cast<char>(b[t.lengthAt[10] + 5] ^ 0x40);
                return b;
            }(),
            TableError::kNone, allBut10, 1, 0 },
        { "a value longer than its field", overLong, TableError::kNone, allBut5, 1, 0 },
        { "cut inside record 16", t.bytes.substr(0, t.lengthAt[15] + 20), TableError::kNone, first15, 1, 0 },
        { "field count, low bit flipped", flipped(0, 1), TableError::kBadDefinitions, {}, 0, 0 },
        { "field count, high bit flipped", flipped(2, 4), TableError::kShortDefinitions, {}, 0, 0 },
        { "a definition's type flipped", flipped(4 + 3 * 116 + 80, 2), TableError::kBadDefinitions, {}, 0, 0 },
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = dir.File("nrt.ndb");
        nrt::test::WriteAll(path, c.bytes);
        AddressTable db;
        ASSERT_EQ(db.LoadTable(path), c.code) << c.what;
        EXPECT_EQ(Names(db), c.names) << c.what;
        EXPECT_EQ(db.DamagedRecordCount(), c.damaged) << c.what;
        EXPECT_EQ(db.RepairedRecordCount(), c.repaired) << c.what;
        if (c.code != TableError::kNone)
            db.CreateDefaultTable();
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kName, "new"), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        const TableError saved = db.SaveTable(path);
        if (c.code != TableError::kNone) {
            EXPECT_EQ(saved, TableError::kKeptUnread) << c.what;
            EXPECT_TRUE(db.LoadFailedOnExistingFile()) << c.what;
            EXPECT_EQ(nrt::test::ReadAll(path), c.bytes) << c.what;
            continue;
        }
        ASSERT_EQ(saved, TableError::kNone) << c.what;
        if (c.damaged + c.repaired == 0) {
            EXPECT_TRUE(db.DamagedCopy().empty()) << c.what;
            EXPECT_EQ(nrt::platform::fs::ListDir(dir.Path()).size(), 1u) << c.what;
            continue;
        }
        ASSERT_FALSE(db.DamagedCopy().empty()) << c.what;
        EXPECT_NE(db.DamagedCopy().find("nrt_ndb.damaged-2"), std::string::npos) << c.what;
        EXPECT_EQ(nrt::test::ReadAll(db.DamagedCopy()), c.bytes) << c.what;
        // The second save writes over the table, not over the copy.
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        ASSERT_EQ(db.SaveTable(path), TableError::kNone);
        EXPECT_EQ(nrt::platform::fs::ListDir(dir.Path()).size(), 2u) << c.what;
        AddressTable again;
        ASSERT_EQ(again.LoadTable(path), TableError::kNone) << c.what;
        EXPECT_EQ(again.DamagedRecordCount(), 0) << c.what;
        EXPECT_EQ(again.GetRecordCount(), static_cast<int>(c.names.size()) + 2) << c.what;
    }
}

TEST(AddressTable, AFileThatCannotBeOpenedIsNotReplacedButAMissingOneIsCreated)
{
    TempDir dir;
    // A folder in the table's place cannot be read, even by root.
    const std::string blocked = dir.File("blocked.ndb");
    ASSERT_TRUE(nrt::platform::fs::MakeDir(blocked));
    const std::string missing = dir.File("missing.ndb");
    for (const std::string& path : { blocked, missing }) {
        AddressTable db;
        EXPECT_EQ(db.LoadTable(path), TableError::kOpen);
        db.CreateDefaultTable();
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        const bool exists = path == blocked;
        EXPECT_EQ(db.LoadFailedOnExistingFile(), exists);
        EXPECT_EQ(db.SaveTable(path), exists ? TableError::kKeptUnread : TableError::kNone);
    }
    EXPECT_TRUE(nrt::platform::fs::IsDirectory(blocked));
}

TEST(AddressTable, ChangesAndTheFileOnDiskAreTracked)
{
    TempDir dir;
    const std::string path = dir.File("nrt.ndb");
    AddressTable db;
    EXPECT_EQ(db.LoadTable(path), TableError::kOpen);
    db.CreateDefaultTable();
    EXPECT_FALSE(db.IsModified());
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    EXPECT_TRUE(db.IsModified());
    ASSERT_EQ(db.SaveTable(path), TableError::kNone);
    EXPECT_FALSE(db.IsModified());
    EXPECT_FALSE(db.ChangedOnDisk(path));
    // Another writer replaces the file by rename, as every save here does.
    AddressTable other;
    ASSERT_EQ(other.LoadTable(path), TableError::kNone);
    EXPECT_EQ(other.PostRecord(), RecordError::kNone);
    ASSERT_EQ(other.SaveTable(path), TableError::kNone);
    EXPECT_TRUE(db.ChangedOnDisk(path));
    EXPECT_FALSE(other.ChangedOnDisk(path));
    db.MarkDeleted(0);
    EXPECT_TRUE(db.IsModified());
    ASSERT_EQ(db.LoadTable(path), TableError::kNone);
    EXPECT_FALSE(db.IsModified());
    EXPECT_FALSE(db.ChangedOnDisk(path));
}

// A book that never uses the fields after the 24 keeps its file as it was; the first
// value in one of them adds their definitions, keeps the old file as "nrt_ndb.bak"
// and writes every record with the new empty values at its end.
TEST(AddressTable, ExtendedFieldsAreAddedOnFirstUseOnly)
{
    TempDir dir;
    const std::string path = dir.File("nrt.ndb");
    const std::string original = TableFile(DefaultDefinitions(), 24,
        { Packed(24, { "0", "1", S("高橋　健一"), S("ﾀｶﾊｼ"), S("様") }), Packed(24, { "1", "1", S("山田") }, 0x01) });
    ASSERT_TRUE(nrt::platform::fs::AtomicWriteFile(path, original));

    AddressTable db;
    ASSERT_EQ(db.LoadTable(path), TableError::kNone);
    EXPECT_EQ(db.FindField(S("連名１")), field::kJointName1);
    EXPECT_EQ(db.FindField(S("年賀状履歴")), field::kCardHistory);
    ASSERT_NE(db.GetValue(field::kJointName1, 0), nullptr);
    EXPECT_STREQ(db.GetValue(field::kJointName1, 0), "");
    EXPECT_EQ(db.GetValue(field::kJointName1, 2), nullptr);
    EXPECT_EQ(db.GetField(field::kCompany).width, 60);
    // Empty values and failed ones do not change the schema.
    ASSERT_EQ(db.ReadRecord(0), RecordError::kNone);
    EXPECT_EQ(db.SetValue(field::kJointName1, ""), RecordError::kNone);
    EXPECT_EQ(db.SetValue(field::kJointName1, std::string(31, 'x')), RecordError::kTooLong);
    EXPECT_EQ(db.SetValue(field::kSchemaEnd, "x"), RecordError::kNoField);
    ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    EXPECT_EQ(db.GetFieldCount(), 24);
    ASSERT_EQ(db.SaveTable(path), TableError::kNone);
    EXPECT_EQ(nrt::test::ReadAll(path), original);
    EXPECT_FALSE(nrt::platform::fs::Exists(dir.File("nrt_ndb.bak")));

    ASSERT_EQ(db.ReadRecord(0), RecordError::kNone);
    ASSERT_EQ(db.SetValueByName(S("連名１"), S("由美")), RecordError::kNone);
    ASSERT_EQ(db.SetValue(field::kJointHonorific1, S("様")), RecordError::kNone);
    ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    EXPECT_EQ(db.GetFieldCount(), 35);
    ASSERT_EQ(db.SaveTable(path), TableError::kNone);
    EXPECT_EQ(nrt::test::ReadAll(dir.File("nrt_ndb.bak")), original);
    EXPECT_EQ(db.SchemaCopy(), dir.File("nrt_ndb.bak"));

    static const char* added[] = { "連名１", "連名１敬称", "連名２", "連名２敬称", "連名３", "連名３敬称", "会社名",
        "部署", "役職", "年賀状履歴", "年賀状メモ" };
    static const int widths[] = { 30, 4, 30, 4, 30, 4, 60, 60, 30, 250, 250 };
    std::string defs = DefaultDefinitions();
    for (int i = 0; i < 11; ++i)
        defs += DefinitionBytes(S(added[i]), 0, widths[i]);
    std::vector<std::string> first { "0", "1", S("高橋　健一"), S("ﾀｶﾊｼ"), S("様") };
    first.resize(24);
    first.push_back(S("由美"));
    first.push_back(S("様"));
    // The selection bit of the second record stays; the first was rewritten.
    EXPECT_EQ(nrt::test::ReadAll(path),
        TableFile(defs, 35, { Packed(35, first), Packed(35, { "1", "1", S("山田") }, 0x01) }));

    // A later save keeps the copy of the 24-field file.
    ASSERT_EQ(db.ReadRecord(1), RecordError::kNone);
    ASSERT_EQ(db.SetValue(field::kCompany, S("ノルテア商会")), RecordError::kNone);
    ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    ASSERT_EQ(db.SaveTable(path), TableError::kNone);
    EXPECT_EQ(nrt::test::ReadAll(dir.File("nrt_ndb.bak")), original);

    AddressTable again;
    ASSERT_EQ(again.LoadTable(path), TableError::kNone);
    EXPECT_TRUE(again.LoadedWhole());
    EXPECT_STREQ(again.GetValue(field::kJointName1, 0), S("由美").c_str());
    EXPECT_STREQ(again.GetValue(field::kCompany, 1), S("ノルテア商会").c_str());
    EXPECT_STREQ(again.GetValue(field::kCompany, 0), "");
}

// Only the default 24 gain the fields: a table of other fields is left as it is.
TEST(AddressTable, OtherSchemasDoNotGainTheExtendedFields)
{
    AddressTable db;
    ASSERT_EQ(db.ParseTable(TableFile(DefinitionBytes("a", 0, 10), 1, { Packed(1, { "x" }) })), TableError::kNone);
    EXPECT_EQ(db.FindField(S("連名１")), -1);
    EXPECT_EQ(db.SetValue(field::kJointName1, "x"), RecordError::kNoField);
    EXPECT_EQ(db.ExtendSchema(), RecordError::kNotDefaultSchema);
    EXPECT_EQ(db.GetFieldCount(), 1);
}

// The identifier comes after the 24 or the 35 fields only when a record is given one:
// until then a book's file stays byte for byte; a 24-field book gains the extended
// fields with it. Records keep their identifiers through deletes of others, and new
// records get their own.
TEST(AddressTable, TheIdentifierFieldIsGainedOnFirstUse)
{
    static const char* extended[] = { "連名１", "連名１敬称", "連名２", "連名２敬称", "連名３", "連名３敬称", "会社名",
        "部署", "役職", "年賀状履歴", "年賀状メモ" };
    static const int widths[] = { 30, 4, 30, 4, 30, 4, 60, 60, 30, 250, 250 };
    std::string defs35 = DefaultDefinitions();
    for (int i = 0; i < 11; ++i)
        defs35 += DefinitionBytes(S(extended[i]), 0, widths[i]);
    const std::string defs36 = defs35 + DefinitionBytes("UID", 0, 255);
    const std::vector<std::string> first { "0", "1", S("高橋　健一"), S("ﾀｶﾊｼ"), S("様") };
    std::vector<std::string> second { "1", "1", S("山田") };
    second.resize(22);
    second.push_back("2025/01/02"); // 更新日
    struct Case {
        int fields;
        std::string defs;
    } cases[] = { { 24, DefaultDefinitions() }, { 35, defs35 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        TempDir dir;
        const std::string path = dir.File("nrt.ndb");
        const std::string original = TableFile(c.defs, c.fields,
            { Packed(c.fields, first), Packed(c.fields, second, 0x01), Packed(c.fields, { "0", "1", S("佐藤") }) });
        ASSERT_TRUE(nrt::platform::fs::AtomicWriteFile(path, original));
        AddressTable db;
        ASSERT_EQ(db.LoadTable(path), TableError::kNone);
        EXPECT_EQ(db.UidField(), -1);
        EXPECT_EQ(db.FindField("UID"), field::kUid);
        EXPECT_EQ(db.GetField(field::kUid).width, 255);
        EXPECT_STREQ(db.GetValue(field::kUid, 0), "");
        // Read, rewritten and posted without one: the file stays as it was.
        ASSERT_EQ(db.ReadRecord(0), RecordError::kNone);
        ASSERT_EQ(db.SetValue(field::kUid, ""), RecordError::kNone);
        ASSERT_EQ(db.PostRecord(), RecordError::kNone);
        ASSERT_EQ(db.SaveTable(path), TableError::kNone);
        EXPECT_EQ(nrt::test::ReadAll(path), original);

        // The first identifier adds what the table lacks; nothing else of the record
        // changes (its flags and 更新日 stay).
        ASSERT_EQ(db.ReadRecord(1), RecordError::kNone);
        ASSERT_EQ(db.StoreValue(1, field::kUid, "urn:uuid:1"), RecordError::kNone);
        EXPECT_EQ(db.GetCurrentValue(field::kUid), "urn:uuid:1") << "the buffer holding the record follows";
        EXPECT_EQ(db.GetFieldCount(), 36);
        EXPECT_EQ(db.UidField(), field::kUid);
        ASSERT_EQ(db.StoreValue(0, field::kUid, std::string(256, 'x')), RecordError::kTooLong);
        ASSERT_EQ(db.StoreValue(0, field::kUid, "urn:uuid:0"), RecordError::kNone);
        ASSERT_TRUE(db.MarkDeleted(2));
        ASSERT_EQ(db.SaveTable(path), TableError::kNone);
        std::vector<std::string> first36 = first, second36 = second;
        first36.resize(35);
        first36.push_back("urn:uuid:0");
        second36.resize(35);
        second36.push_back("urn:uuid:1");
        const std::string grown = TableFile(defs36, 36, { Packed(36, first36), Packed(36, second36, 0x01) });
        EXPECT_EQ(nrt::test::ReadAll(path), grown);
        EXPECT_EQ(nrt::test::ReadAll(dir.File("nrt_ndb.bak")), original);

        // A 36-field file loads whole and saves as it was; a new record gets its own
        // identifier, also when the buffer holds one another record has.
        AddressTable again;
        ASSERT_EQ(again.LoadTable(path), TableError::kNone);
        EXPECT_TRUE(again.LoadedWhole());
        EXPECT_EQ(again.UidField(), field::kUid);
        EXPECT_EQ(again.Value(field::kUid, 1), "urn:uuid:1");
        ASSERT_EQ(again.SaveTable(dir.File("copy.ndb")), TableError::kNone);
        EXPECT_EQ(nrt::test::ReadAll(dir.File("copy.ndb")), grown);
        again.ClearCurrent();
        ASSERT_EQ(again.SetValue(field::kName, S("新人")), RecordError::kNone);
        ASSERT_EQ(again.PostRecord(), RecordError::kNone);
        again.ClearCurrent();
        ASSERT_EQ(again.SetValue(field::kUid, "urn:uuid:0"), RecordError::kNone);
        ASSERT_EQ(again.PostRecord(), RecordError::kNone);
        ASSERT_EQ(again.PostRecord(), RecordError::kNone);
        ASSERT_EQ(again.GetRecordCount(), 5);
        const std::string_view fresh = again.Value(field::kUid, 2);
        EXPECT_TRUE(fresh.starts_with("urn:uuid:")) << fresh;
        EXPECT_EQ(fresh.size(), 45U);
        for (int k = 0; k < 5; ++k)
            for (int j = k + 1; j < 5; ++j)
                EXPECT_NE(again.Value(field::kUid, k), again.Value(field::kUid, j)) << k << " " << j;
        EXPECT_EQ(again.Value(field::kUid, 0), "urn:uuid:0");
        EXPECT_EQ(again.GetCurrentValue(field::kUid), "urn:uuid:0") << "the buffer is not changed by posting";
    }
}
