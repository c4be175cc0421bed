#include "postal/PostalLookup.h"

#include "PostalTestData.h"
#include "postal/PostalDictionary.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

class PostalLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteAll(dir.File("list.csv"), SampleList());
        ASSERT_EQ(ImportPostalList(dir.File("list.csv"), postalFolder), PostalImportResult::kOk);
    }
    TempDir dir;
    const std::string postalFolder = dir.File("yubin");
};

std::string LE32(std::uint32_t v)
{
    std::string s;
    AppendLE32(s, static_cast<std::int32_t>(v));
    return s;
}

std::string Entry(const char* code, std::uint32_t offset)
{
    std::string e(code);
    e.resize(8, '\0');
    return e + LE32(offset);
}

} // namespace

TEST_F(PostalLookup, CodesAreFoundOnlyInTheFormWithHyphen)
{
    struct Case {
        const char* text;
        const char* address; // nullptr: none
        const char* reading;
    } cases[] = {
        { "100-0013", "東京都 千代田区霞が関", "ﾄｳｷｮｳﾄ ﾁﾖﾀﾞｸｶｽﾐｶﾞｾｷ" },
        { "064-0941", "北海道 札幌市中央区旭ケ丘", "ﾎｯｶｲﾄﾞｳ ｻｯﾎﾟﾛｼﾁｭｳｵｳｸｱｻﾋｶﾞｵｶ" }, // first entry
        // The town's remark is the list's, not the address's.
        { "060-0042", "北海道 札幌市中央区大通西", "ﾎｯｶｲﾄﾞｳ ｻｯﾎﾟﾛｼﾁｭｳｵｳｸｵｵﾄﾞｵﾘﾆｼ" },
        { "900-0015", "沖縄県 那覇市久茂地", "ｵｷﾅﾜｹﾝ ﾅﾊｼｸﾓｼﾞ" }, // last entry
        // Two towns share the code: the first entry of the index, which the sort put first.
        { "540-0002", "大阪府 大阪市中央区京橋前之町", "ｵｵｻｶﾌ ｵｵｻｶｼﾁｭｳｵｳｸｷｮｳﾊﾞｼﾏｴﾉﾁｮｳ" },
        { "1000013", nullptr, nullptr }, // no hyphen
        { "100-00133", nullptr, nullptr }, // 9 bytes
        { "100 0013", nullptr, nullptr }, { "100-001", nullptr, nullptr }, { "100", nullptr, nullptr },
        { "", nullptr, nullptr }, { "000-0000", nullptr, nullptr }, // below every code
        { "999-9999", nullptr, nullptr }, // above every code
        { "150-0002", nullptr, nullptr }, // not in the list
    };
    for (const auto& c : cases) {
        auto found = FindPostalCode(postalFolder, c.text);
        if (!c.address) {
            EXPECT_FALSE(found) << c.text;
            continue;
        }
        ASSERT_TRUE(found) << c.text;
        std::string key(c.text);
        EXPECT_EQ(found->Code(), key.erase(3, 1));
        PostalRecordText text;
        ASSERT_TRUE(ReadPostalRecord(postalFolder, found->offset, text)) << c.text;
        EXPECT_EQ(U(text.address), c.address);
        EXPECT_EQ(U(text.reading), c.reading);
    }
}

TEST_F(PostalLookup, MissingDictionaryAnswersNothing)
{
    EXPECT_FALSE(FindPostalCode(dir.File("nowhere"), "100-0013"));
    PostalRecordText text { "x", "y" };
    EXPECT_FALSE(ReadPostalRecord(dir.File("nowhere"), 0, text));
    EXPECT_EQ(text.address, "");
    EXPECT_EQ(text.reading, "");
}

TEST(PostalLookupDamaged, DamagedIndexAnswersNothing)
{
    const std::string three = Entry("1000001", 0) + Entry("1000013", 40) + Entry("1000014", 80);
    struct Case {
        const char* what;
        std::string bytes;
        bool found;
    } cases[] = {
        { "intact", LE32(3) + three, true },
        { "count beyond the entries", LE32(1000) + three, false },
        { "count near 2^31", LE32(0x7FFFFFFF) + three, false },
        { "negative count", LE32(0xFFFFFFFF) + three, false },
        { "found entry cut short", LE32(3) + three.substr(0, 20), false },
        { "count cut short", std::string("\x03\x00", 2), false },
        { "empty", "", false },
        { "code without zero byte", LE32(1) + "10000133" + LE32(0), false },
    };
    for (const auto& c : cases) {
        auto found = FindPostalCodeIn(PostalMemorySource(c.bytes), "100-0013");
        EXPECT_EQ(found.has_value(), c.found) << c.what;
        if (found) {
            EXPECT_EQ(found->offset, 40u) << c.what;
        }
    }
}

TEST(PostalLookupDamaged, RecordsAreReadWithinTheirLimits)
{
    auto record = [](std::uint32_t length, std::string body) { return LE32(length) + LE32(9) + body; };
    const std::string normal = record(17, std::string("A B\0a b\0", 8)) + "more";
    struct Case {
        const char* what;
        std::string bytes;
        std::uint32_t offset;
        bool ok;
        std::string address, reading;
    } cases[] = {
        { "normal", normal, 0, true, "A B", "a b" },
        { "longest allowed: L = 519", record(519, std::string(511, 'x')), 0, true, std::string(511, 'x'), "" },
        { "L = 520 is too long", record(520, std::string(512, 'x')), 0, false, "", "" },
        { "huge L", record(0xFFFFFFF0u, std::string(600, 'x')), 0, false, "", "" },
        { "L below the header", record(3, "ab"), 0, false, "", "" },
        { "L beyond the file", record(100, "short"), 0, false, "", "" },
        { "offset beyond the file", normal, 1000, false, "", "" },
        { "offset at the last bytes", normal, static_cast<std::uint32_t>(normal.size() - 2), false, "", "" },
        { "offset 2^32 - 1", normal, 0xFFFFFFFFu, false, "", "" },
        { "no zero bytes", record(12, "abcd"), 0, true, "abcd", "" },
    };
    for (const auto& c : cases) {
        PostalRecordText text { "stale", "stale" };
        EXPECT_EQ(ReadPostalRecordIn(PostalMemorySource(c.bytes), c.offset, text), c.ok) << c.what;
        EXPECT_EQ(text.address, c.address) << c.what;
        EXPECT_EQ(text.reading, c.reading) << c.what;
    }
}
