// Duplicate records: which pairs are the same person or firm, and the merge of a pair.
#include "db/Duplicates.h"

#include "db/CardHistory.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace nrt;
using namespace nrt::dedupe;
using nrt::test::S;
using nrt::test::U;

namespace {

using Values = std::map<int, std::string>; // field index → UTF-8 value

int Add(AddressTable& db, const Values& values)
{
    db.ClearCurrent();
    EXPECT_EQ(db.SetValue(field::kSender, "0"), RecordError::kNone);
    for (const auto& [f, v] : values)
        EXPECT_EQ(db.SetValue(f, S(v)), RecordError::kNone) << f << " " << v;
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    return db.GetRecordCount() - 1;
}

} // namespace

TEST(Duplicates, PairsTheSamePersonOrFirmOnly)
{
    using F = field::Index;
    const Values base { { F::kName, "山田 太郎" }, { F::kKana, "ﾔﾏﾀﾞ ﾀﾛｳ" }, { F::kPrefecture, "東京都" },
        { F::kAddress1, "千代田区丸の内1-2-3" }, { F::kPhone, "03-1234-5678" }, { F::kMail, "taro@example.jp" } };
    auto with = [&](Values changes) {
        Values v = base;
        for (auto& [f, text] : changes)
            v[f] = text;
        return v;
    };
    struct Case {
        const char* what;
        Values other;
        bool pairs;
        unsigned shared;
    };
    const std::vector<Case> cases {
        { "the same record twice", base, true, kSharedAddress | kSharedPhone | kSharedMail },
        { "full-width blank and letters, only the address shared",
            { { F::kName, "山田　太郎" }, { F::kAddress1, "千代田区丸の内１丁目２番３号" } }, true, kSharedAddress },
        { "no blank, the prefecture left out, only the phone shared",
            { { F::kName, "山田太郎" }, { F::kPhone, "0312345678" } }, true, kSharedPhone },
        { "the mobile of one the phone of the other", { { F::kName, "山田太郎" }, { F::kMobile, "03(1234)5678" } },
            true, kSharedPhone },
        { "mail in capitals, nothing else", { { F::kName, "山田太郎" }, { F::kMail, "TARO@EXAMPLE.JP" } }, true,
            kSharedMail },
        { "a different person at the same address", with({ { F::kName, "山田 花子" }, { F::kKana, "ﾔﾏﾀﾞ ﾊﾅｺ" } }),
            false, 0 },
        { "the same name, nothing else shared",
            { { F::kName, "山田太郎" }, { F::kAddress1, "大阪市北区梅田1-1" }, { F::kPhone, "06-1111-2222" } }, false,
            0 },
        { "same name, another prefecture's same street",
            with({ { F::kPrefecture, "大阪府" }, { F::kPhone, "" }, { F::kMail, "" } }), false, 0 },
        { "a short number is not a telephone", { { F::kName, "山田太郎" }, { F::kPhone, "1234" } }, false, 0 },
        { "a sender and an addressee", with({ { F::kSender, "1" } }), false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AddressTable db;
        db.CreateDefaultTable();
        Add(db, base);
        Add(db, c.other);
        const std::vector<DuplicatePair> pairs = FindDuplicates(db);
        ASSERT_EQ(pairs.size(), c.pairs ? 1u : 0u);
        if (c.pairs) {
            EXPECT_EQ(pairs[0], (DuplicatePair { 0, 1, c.shared }));
        }
    }
}

TEST(Duplicates, VariantKanjiPairOnlyWithTheSameReading)
{
    using F = field::Index;
    struct Case {
        const char* name1;
        const char* kana1;
        const char* name2;
        const char* kana2;
        bool pairs;
    };
    for (const Case& c : std::initializer_list<Case> {
             { "髙橋 一郎", "ﾀｶﾊｼ ｲﾁﾛｳ", "高橋 一郎", "ﾀｶﾊｼ ｲﾁﾛｳ", true },
             { "髙橋 一郎", "ﾀｶﾊｼ ｲﾁﾛｳ", "高橋 一郎", "たかはし いちろう", true }, // the reading in either form
             { "髙橋 一郎", "ﾀｶﾊｼ ｲﾁﾛｳ", "高橋 一郎", "ﾀｶﾊｼ ｶｽﾞｵ", false },
             { "髙橋 一郎", "", "高橋 一郎", "", false },
             { "山﨑 花子", "ﾔﾏｻﾞｷ ﾊﾅｺ", "山崎 花子", "ﾔﾏｻｷ ﾊﾅｺ", false }, // ﾔﾏｻﾞｷ and ﾔﾏｻｷ are two families
             { "齋藤 実", "ｻｲﾄｳ ﾐﾉﾙ", "斉藤 実", "ｻｲﾄｳ ﾐﾉﾙ", true },
             { "渡邉 健", "ﾜﾀﾅﾍﾞ ｹﾝ", "渡辺 健", "ﾜﾀﾅﾍﾞ ｹﾝ", true },
             { "高橋 一郎", "", "高橋 一郎", "ﾀｶﾊｼ", true }, // the same name needs no reading
             { "ｱｵｿﾞﾗ商事", "", "アオゾラ商事", "", true },
         }) {
        SCOPED_TRACE(std::string(c.name1) + " / " + c.name2);
        AddressTable db;
        db.CreateDefaultTable();
        Add(db, { { F::kName, c.name1 }, { F::kKana, c.kana1 }, { F::kMail, "a@example.jp" } });
        Add(db, { { F::kName, c.name2 }, { F::kKana, c.kana2 }, { F::kMail, "a@example.jp" } });
        EXPECT_EQ(FindDuplicates(db).size(), c.pairs ? 1u : 0u);
    }
}

TEST(Duplicates, ThreeOfOnePersonGiveThreePairsAndDeletedRecordsNone)
{
    AddressTable db;
    db.CreateDefaultTable();
    for (int i = 0; i < 3; ++i)
        Add(db, { { field::kName, "佐藤 次郎" }, { field::kMail, "jiro@example.jp" } });
    Add(db, { { field::kName, "" }, { field::kMail, "jiro@example.jp" } });
    EXPECT_EQ(FindDuplicates(db),
        (std::vector<DuplicatePair> { { 0, 1, kSharedMail }, { 0, 2, kSharedMail }, { 1, 2, kSharedMail } }));
    ASSERT_TRUE(db.MarkDeleted(1));
    EXPECT_EQ(FindDuplicates(db), (std::vector<DuplicatePair> { { 0, 2, kSharedMail } }));
}

TEST(Duplicates, MergeFillsKeepsNotesAndJoinsHistories)
{
    using F = field::Index;
    AddressTable db;
    db.CreateDefaultTable();
    const int kept = Add(db,
        { { F::kName, "山田 太郎" }, { F::kPhone, "03-1234-5678" }, { F::kCategory, "友人" },
            { F::kMail, "taro@example.jp" }, { F::kRegistered, "2020/04/01" }, { F::kUpdated, "2024/01/05" },
            { F::kCardHistory, "2026出受 2025出" }, { F::kCardNotes, "2026:転居" } });
    const int other = Add(db,
        { { F::kName, "山田　太郎" }, { F::kPrintMark, "1" }, { F::kPhone, "0312345678" }, { F::kCategory, "仕事" },
            { F::kSubcategory, "取引先" }, { F::kMail, "t.yamada@example.com" },
            { F::kAddress1, "千代田区丸の内1-2-3" }, { F::kRegistered, "2018/12/24" }, { F::kUpdated, "2025/11/30" },
            { F::kCardHistory, "2027出 2025受 2024喪" }, { F::kCardNotes, "2024:祖母逝去" } });
    const MergedRecord merged = MergeValues(db, kept, other);
    ASSERT_TRUE(merged.fits);
    auto value = [&](int f) { return U(merged.values[static_cast<std::size_t>(f)]); };
    EXPECT_EQ(value(F::kName), "山田 太郎");
    EXPECT_EQ(value(F::kPrintMark), "1");
    EXPECT_EQ(value(F::kPhone), "03-1234-5678"); // the same number written otherwise: no note
    EXPECT_EQ(value(F::kAddress1), "千代田区丸の内1-2-3"); // filled
    EXPECT_EQ(value(F::kCategory), "友人");
    EXPECT_EQ(value(F::kSubcategory), "取引先");
    EXPECT_EQ(value(F::kRegistered), "2018/12/24");
    EXPECT_EQ(value(F::kUpdated), "2025/11/30");
    EXPECT_EQ(value(F::kNote2), "（統合）メール：t.yamada@example.com　大分類：仕事");
    EXPECT_EQ(merged.notedFields, (std::vector<int> { F::kMail, F::kCategory }));
    EXPECT_EQ(value(F::kCardHistory), "2027出 2026出受 2025出受 2024喪");
    EXPECT_EQ(value(F::kCardNotes), "2026:転居\t2024:祖母逝去");

    ASSERT_EQ(StoreMerged(db, kept, merged), RecordError::kNone);
    EXPECT_EQ(U(db.Value(F::kNote2, kept)), value(F::kNote2));
    EXPECT_EQ(db.GetRecordCount(), 2); // the other one is the caller's to remove, after saving

    // Notes that 備考２ cannot hold stop the merge before anything changes.
    const int long1 = Add(db, { { F::kName, "長谷川 誠" }, { F::kNote2, std::string(45, 'a') } });
    const int long2 = Add(db, { { F::kName, "長谷川 誠" }, { F::kNote2, std::string(45, 'b') } });
    const MergedRecord tooLong = MergeValues(db, long1, long2);
    EXPECT_FALSE(tooLong.fits);
    const std::uint64_t before = db.ChangeCount();
    EXPECT_EQ(StoreMerged(db, long1, tooLong), RecordError::kTooLong);
    EXPECT_EQ(db.ChangeCount(), before);
}
