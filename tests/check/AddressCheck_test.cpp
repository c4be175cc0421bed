#include "check/AddressCheck.h"

#include "db/AddressTable.h"
#include "platform/fs.h"
#include "settings/LayoutDefaults.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace nrt;
using namespace nrt::check;
using nrt::test::S;
using nrt::test::U;

namespace {

struct Values {
    const char* name = "山田 太郎";
    const char* honorific = "様";
    const char* code = "";
    const char* prefecture = "";
    const char* address1 = "";
    const char* address2 = "";
    const char* company = "";
    const char* joint1 = "";
    const char* jointHonorific1 = "";
    const char* history = "";
};

void Add(AddressTable& table, const Values& v)
{
    table.ClearCurrent();
    const std::pair<int, const char*> fields[] = { { field::kSender, "0" }, { field::kPrintMark, "1" },
        { field::kName, v.name }, { field::kHonorific, v.honorific }, { field::kPostalCode, v.code },
        { field::kPrefecture, v.prefecture }, { field::kAddress1, v.address1 }, { field::kAddress2, v.address2 },
        { field::kCompany, v.company }, { field::kJointName1, v.joint1 },
        { field::kJointHonorific1, v.jointHonorific1 }, { field::kCardHistory, v.history } };
    for (const auto& [f, text] : fields) {
        if (*text) {
            ASSERT_EQ(table.SetValue(f, S(text)), RecordError::kNone) << f;
        }
    }
    ASSERT_EQ(table.PostRecord(), RecordError::kNone);
}

std::vector<int> All(const AddressTable& table)
{
    std::vector<int> out;
    for (int k = 0; k < table.GetRecordCount(); ++k)
        out.push_back(k);
    return out;
}

// The dictionary the release build ships: the national list, not a fixture of a few towns.
class ShippedDictionary : public testing::Test {
protected:
    static void SetUpTestSuite() { postal_ = std::make_unique<PostalIndex>(PostalIndex::Load(NRT_SHIPPED_POSTAL)); }
    static void TearDownTestSuite() { postal_.reset(); }
    void SetUp() override
    {
        if (postal_->Size() < 100000)
            GTEST_SKIP() << "no shipped postal dictionary at " NRT_SHIPPED_POSTAL " (scripts/setup fetches the list)";
    }
    static std::unique_ptr<PostalIndex> postal_;
};
std::unique_ptr<PostalIndex> ShippedDictionary::postal_;

enum class Expect { kNone, kUnknown, kMismatch, kMissing };

} // namespace

// Addresses that must match their code, must not, and must be given one.
TEST_F(ShippedDictionary, AddressesAgainstTheNationalList)
{
    struct Row {
        const char* prefecture;
        const char* address;
        const char* code;
        Expect expect;
        const char* mend; // the code put in; "" none
        const char* suggestion; // a part of the suggestion; "" any
    };
    const Row rows[] = {
        // Must match.
        { "東京都", "千代田区霞が関1-3-1", "100-0013", Expect::kNone, "", "" },
        { "東京都", "千代田区霞ヶ関2-1-2", "100-0013", Expect::kNone, "", "" },
        { "東京都", "千代田区霞ケ関三丁目2番1号", "1000013", Expect::kNone, "", "" },
        { "東京都", "千代田区 霞が関　1-3-1", "100-0013", Expect::kNone, "", "" },
        { "", "東京都千代田区永田町1-7-1", "100-0014", Expect::kNone, "", "" },
        { "北海道", "札幌市中央区北1条西2丁目", "060-0001", Expect::kNone, "", "" },
        { "北海道", "札幌市中央区北一条西2丁目", "064-0821", Expect::kNone, "", "" },
        { "岩手県", "花巻市12丁目100", "025-0022", Expect::kNone, "", "" },
        { "神奈川県", "鎌倉市雪の下3-5-1", "248-0005", Expect::kNone, "", "" },
        { "神奈川県", "茅ケ崎市茅ケ崎1-1-1", "253-0041", Expect::kNone, "", "" },
        { "埼玉県", "上尾市大字上123", "362-0001", Expect::kNone, "", "" },
        { "茨城県", "つくば市大字北条5", "300-4231", Expect::kNone, "", "" },
        { "東京都", "千代田区一ッ橋1-1-1", "100-0003", Expect::kNone, "", "" },
        { "大阪府", "大阪市北区梅田３－１－１", "5300001", Expect::kNone, "", "" },
        { "静岡県", "浜松市中央区鍛冶町100", "430-0933", Expect::kNone, "", "" },
        { "愛知県", "名古屋市中村区名駅4-7-1", "453-0002", Expect::kNone, "", "" },
        { "長野県", "駒ヶ根市赤須東1-1", "399-4105", Expect::kNone, "", "" },
        { "沖縄県", "那覇市泉崎1-2-2", "900-0021", Expect::kNone, "", "" },
        { "東京都", "千代田区丸の内2-7-2 東京中央郵便局私書箱100号", "100-8691", Expect::kNone, "", "" },
        { "愛媛県", "松山市一番町4-4-2", "790-0001", Expect::kNone, "", "" },
        // Must not match.
        { "東京都", "千代田区霞が関1-3-1", "100-0014", Expect::kMismatch, "100-0013", "霞が関" },
        { "東京都", "千代田区霞が関1-3-1", "100-0099", Expect::kUnknown, "100-0013", "霞が関" },
        { "東京都", "千代田区霞が関1-3-1", "12345", Expect::kUnknown, "100-0013", "" },
        { "東京都", "千代田区霞が関1-3-1", "100-0000", Expect::kMismatch, "100-0013", "" },
        { "静岡県", "清水市辻1-2", "424-0806", Expect::kMismatch, "", "静岡県静岡市清水区辻" },
        { "静岡県", "浜松市中区鍛冶町100", "430-0933", Expect::kMismatch, "", "浜松市中央区鍛冶町" },
        { "北海道", "札幌市中央区北1条西2丁目", "060-0061", Expect::kMismatch, "", "064-0821" },
        { "大阪府", "大阪市北区梅田3-1-1", "1000013", Expect::kMismatch, "530-0001", "" },
        { "東京都", "横浜市中区山下町1", "231-0023", Expect::kMismatch, "", "神奈川県横浜市中区山下町" },
        { "東京都", "港区六本木6-10-1", "106-0031", Expect::kMismatch, "106-0032", "" },
        { "愛媛県", "松山市一番町4-4-2", "790-0002", Expect::kMismatch, "790-0001", "" },
        { "東京都", "千代田区霞が関1-3-1", "100-8905", Expect::kUnknown, "100-0013", "" },
        // Must be given one, or must not.
        { "東京都", "千代田区霞が関1-3-1", "", Expect::kMissing, "100-0013", "" },
        { "埼玉県", "上尾市大字上123", "", Expect::kMissing, "362-0001", "" },
        { "", "岩手県盛岡市内丸10-1", "", Expect::kMissing, "020-0023", "" },
        { "北海道", "札幌市中央区南一条西5丁目", "", Expect::kMissing, "", "064-0801" },
        { "愛知県", "名古屋市中村区名駅4-7-1", "", Expect::kMissing, "", "450-0002" },
        { "東京都", "千代田区一ツ橋2-1", "", Expect::kMissing, "", "101-0003" },
        { "静岡県", "清水市辻1-2", "", Expect::kNone, "", "" },
        { "東京都", "千代田区1-1", "", Expect::kNone, "", "" },
        { "", "ロンドン 221B Baker Street", "", Expect::kNone, "", "" },
    };
    AddressTable table;
    table.CreateDefaultTable();
    for (const Row& r : rows) {
        Values v;
        v.prefecture = r.prefecture;
        v.address1 = r.address;
        v.code = r.code;
        Add(table, v);
    }
    const std::vector<Finding> findings = CheckRecords(table, All(table), *postal_);
    for (int k = 0; k < table.GetRecordCount(); ++k) {
        const Row& r = rows[k];
        std::vector<const Finding*> of;
        for (const Finding& f : findings)
            if (f.record == k)
                of.push_back(&f);
        const std::string what = std::string(r.address) + " " + r.code;
        if (r.expect == Expect::kNone) {
            EXPECT_TRUE(of.empty()) << what << ": " << U(of.front()->problem);
            continue;
        }
        ASSERT_EQ(of.size(), 1U) << what;
        const Finding& f = *of.front();
        const FindingKind kind = r.expect == Expect::kUnknown ? FindingKind::kPostalUnknown
            : r.expect == Expect::kMismatch                   ? FindingKind::kPostalMismatch
                                                              : FindingKind::kPostalMissing;
        EXPECT_EQ(f.kind, kind) << what << ": " << U(f.problem);
        EXPECT_EQ(f.Mendable() ? U(f.value) : "", r.mend) << what << ": " << U(f.suggestion);
        EXPECT_NE(U(f.suggestion).find(r.suggestion), std::string::npos) << what << ": " << U(f.suggestion);
    }
}

// A business's own code is the firm's address when a list of them knows it; without
// one it is a code the dictionary lacks.
TEST_F(ShippedDictionary, BusinessCodesWhenGiven)
{
    AddressTable table;
    table.CreateDefaultTable();
    Add(table, { "経済産業省", "御中", "100-8901", "東京都", "千代田区霞が関1-3-1" });
    Add(table, { "経済産業省", "御中", "100-8901", "東京都", "港区芝公園4-2-8" });
    CheckOptions options;
    options.business = [](std::string_view digits) -> std::optional<BusinessPlace> {
        if (digits != "1008901")
            return std::nullopt;
        return BusinessPlace { S("経済産業省"), 12, S("千代田区霞が関１丁目３－１") };
    };
    std::vector<Finding> found = CheckRecords(table, All(table), *postal_, options);
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0].record, 1);
    EXPECT_EQ(found[0].kind, FindingKind::kPostalMismatch);
    EXPECT_NE(U(found[0].problem).find("経済産業省"), std::string::npos);
    EXPECT_EQ(U(found[0].value), "105-0011") << U(found[0].suggestion);

    found = CheckRecords(table, All(table), *postal_);
    ASSERT_EQ(found.size(), 2U);
    EXPECT_EQ(found[0].kind, FindingKind::kPostalUnknown);
}

// Names, honorifics, mourning, the barcode's number and the sender, with their mends.
TEST_F(ShippedDictionary, RecordAndJobFindings)
{
    AddressTable table;
    table.CreateDefaultTable();
    const char* here = "千代田区霞が関1-3-1";
    Add(table, { "佐藤 一郎", "御中", "100-0013", "東京都", here });
    Add(table, { "株式会社ノルテア", "様", "100-0013", "東京都", here });
    Add(table, { "", "様", "100-0013", "東京都", here, "", "有限会社みどり" });
    Add(table, { "", "様", "100-0013", "東京都", here });
    Add(table, { "鈴木 花子", "様", "", "", "" });
    Add(table, { "田中 次郎", "様", "100-0013", "東京都", here, "", "", "田中 三郎", "" });
    Add(table, { "高橋 五郎", "様", "100-0013", "東京都", "千代田区霞が関" });
    Add(table, { "伊藤 六郎", "様", "100-0013", "東京都", here, "", "", "", "", "2027喪" });
    Add(table, { "総務部", "御中", "100-0013", "東京都", here, "", "株式会社ノルテア" });
    Add(table, { "渡辺 七子", "様", "100-0013", "東京都", "千代田区霞が関", "1丁目3番1号" });

    const CheckOptions label = OptionsForFormKind(kFormLabelSheet, true, 2027);
    const CheckOptions card = OptionsForFormKind(kFormNewYearCard, false, 2027);
    struct Expected {
        int record;
        FindingKind kind;
        const char* field; // the mend's value; nullptr: none
    };
    auto check = [&](const CheckOptions& options, const std::vector<Expected>& expected, const char* what) {
        const std::vector<Finding> found = CheckRecords(table, All(table), *postal_, options);
        ASSERT_EQ(found.size(), expected.size()) << what;
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].record, expected[i].record) << what << " " << i << ": " << U(found[i].problem);
            EXPECT_EQ(found[i].kind, expected[i].kind) << what << " " << i << ": " << U(found[i].problem);
            EXPECT_EQ(
                found[i].Mendable() ? U(found[i].value) : "(none)", expected[i].field ? expected[i].field : "(none)")
                << what << " " << i;
        }
    };
    check(label,
        { { 0, FindingKind::kHonorific, "様" }, { 1, FindingKind::kHonorific, "御中" },
            { 2, FindingKind::kHonorific, "御中" }, { 3, FindingKind::kEmptyName, nullptr },
            { 4, FindingKind::kEmptyAddress, nullptr }, { 5, FindingKind::kHonorific, "様" },
            { 6, FindingKind::kNoAddressNumber, nullptr } },
        "label");
    check(card,
        { { -1, FindingKind::kNoSender, nullptr }, { 0, FindingKind::kHonorific, "様" },
            { 1, FindingKind::kHonorific, "御中" }, { 2, FindingKind::kHonorific, "御中" },
            { 3, FindingKind::kEmptyName, nullptr }, { 4, FindingKind::kEmptyAddress, nullptr },
            { 5, FindingKind::kHonorific, "様" }, { 7, FindingKind::kMourning, "0" } },
        "card");

    const std::vector<Finding> mends = CheckRecords(table, All(table), *postal_, card);
    EXPECT_EQ(ApplyMends(table, mends), 5);
    EXPECT_EQ(U(table.Value(field::kHonorific, 0)), "様");
    EXPECT_EQ(U(table.Value(field::kJointHonorific1, 5)), "様");
    EXPECT_EQ(table.Value(field::kPrintMark, 7), "0");
    EXPECT_EQ(CheckRecords(table, All(table), *postal_, card).size(), 3U)
        << "the sender, the name and the address remain";
}
