// nortea-cli check on a realistic book of 200 records with 20 planted faults, against the
// dictionary shipped beside the program.
#include "check/AddressCheck.h"
#include "db/AddressTable.h"
#include "platform/fs.h"
#include "postal/Prefectures.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

using namespace nrt;
using nrt::test::S;
using nrt::test::U;

namespace {

struct Person {
    std::string name, honorific, code, prefecture, address1, company, joint, jointHonorific;
};

class CheckCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string shipped
            = (std::filesystem::path(test::CliRunner::Program()).parent_path() / "yubin").string();
        postal = check::PostalIndex::Load(shipped);
        if (postal.Size() < 100000)
            GTEST_SKIP() << "no shipped postal dictionary at " << shipped << " (scripts/setup fetches the list)";
        folders.dataFolder = dir.Path() + "/data";
        platform::fs::MakeDirs(folders.dataFolder);
        AppSettings g(folders);
        g.ReadSettings(true);
        userFolder = g.BookFile({});
        platform::fs::MakeDirs(userFolder);
    }

    // Places of the national list that an address with a house number reads to without
    // doubt, spread over the whole list.
    std::vector<const check::PostalPlace*> Places(std::size_t count) const
    {
        std::vector<const check::PostalPlace*> out;
        const auto& all = postal.Places();
        for (std::size_t i = 0; out.size() < count && i < all.size(); i += all.size() / (count * 3)) {
            const check::PostalPlace& p = all[i];
            const auto read = postal.Read(check::MatchKey(p.place + S("1-2-3")), p.prefecture);
            if (!p.code.ends_with("0000") && read.size() == 1 && read.front()->code == p.code)
                out.push_back(&p);
        }
        return out;
    }

    void Save(const std::vector<Person>& people) const
    {
        AddressTable table;
        table.CreateDefaultTable();
        for (const Person& p : people) {
            table.ClearCurrent();
            const std::pair<int, const std::string*> values[]
                = { { field::kName, &p.name }, { field::kHonorific, &p.honorific }, { field::kPostalCode, &p.code },
                      { field::kPrefecture, &p.prefecture }, { field::kAddress1, &p.address1 },
                      { field::kCompany, &p.company }, { field::kJointName1, &p.joint },
                      { field::kJointHonorific1, &p.jointHonorific } };
            ASSERT_EQ(table.SetValue(field::kSender, "0"), RecordError::kNone);
            ASSERT_EQ(table.SetValue(field::kPrintMark, "1"), RecordError::kNone);
            for (const auto& [f, v] : values) {
                if (!v->empty()) {
                    ASSERT_EQ(table.SetValue(f, *v), RecordError::kNone) << f << " " << U(*v);
                }
            }
            ASSERT_EQ(table.PostRecord(), RecordError::kNone);
        }
        ASSERT_EQ(table.SaveTable(userFolder + "/" + S("nrt.ndb")), TableError::kNone);
    }

    nrt::test::TempDir dir;
    nrt::test::CliRunner cli { dir.Path(), dir.Path() + "/data" };
    StartupFolders folders;
    std::string userFolder;
    check::PostalIndex postal;
};

// name -> the kinds printed for it
std::multimap<std::string, std::string> Findings(const std::string& tsv)
{
    std::multimap<std::string, std::string> out;
    std::istringstream lines(tsv);
    std::string line;
    std::getline(lines, line); // the header
    while (std::getline(lines, line)) {
        const std::size_t tab = line.find('\t');
        out.emplace(line.substr(0, tab), line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1));
    }
    return out;
}

std::string Written(const std::string& digits)
{
    return digits.substr(0, 3) + "-" + digits.substr(3);
}

} // namespace

TEST_F(CheckCliTest, FindsThePlantedFaultsAndMendsTheCodes)
{
    const std::vector<const check::PostalPlace*> places = Places(200);
    ASSERT_EQ(places.size(), 200U);
    static const char* const kFamily[]
        = { "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤" };
    static const char* const kGiven[]
        = { "太郎", "花子", "一郎", "美咲", "健太", "陽子", "翔", "由美", "大輔", "真理子" };
    std::vector<Person> people;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const check::PostalPlace& p = *places[i];
        Person person;
        person.name = S(kFamily[i % 10]) + S(" ") + S(kGiven[i / 10 % 10]) + std::to_string(i);
        person.honorific = S("様");
        person.code = Written(p.code);
        person.prefecture = PrefectureName(p.prefecture);
        // Written the ways people write: kanji 丁目, full-width digits, plain hyphens.
        person.address1 = p.place
            + (i % 3 == 0        ? S("二丁目3番4号")
                    : i % 3 == 1 ? S("１－２－３")
                                 : std::string("5-6-7"));
        if (i % 7 == 0) { // firms with a person to address
            person.company = S("株式会社ノルテア");
            person.name = S("営業部 ") + person.name;
        }
        if (i % 11 == 0) {
            person.joint = S("連名 ") + S(kGiven[(i + 3) % 10]);
            person.jointHonorific = S("様");
        }
        people.push_back(person);
    }
    // The faults: record, the kind the check must name, the code --fix postal must leave.
    std::map<std::size_t, std::pair<std::string, std::string>> planted;
    auto plant = [&](std::size_t i, const char* kind, std::string fixed) { planted[i] = { kind, std::move(fixed) }; };
    for (std::size_t i : { 3U, 17U, 45U, 88U, 120U }) { // a code of another place
        plant(i, "郵便番号不一致", people[i].code);
        people[i].code = people[i + 1].code;
    }
    for (std::size_t i : { 9U, 60U, 140U }) { // a code the dictionary lacks
        plant(i, "郵便番号不明", people[i].code);
        people[i].code = "999-9" + std::to_string(900 + i).substr(0, 3);
    }
    plant(151, "郵便番号不明", people[151].code); // digits missing
    people[151].code = people[151].code.substr(0, 6);
    for (std::size_t i : { 25U, 99U, 177U }) { // no code
        plant(i, "郵便番号なし", people[i].code);
        people[i].code.clear();
    }
    // Merged cities: the old ward's name with the new ward's code, which no code reads to.
    people[33].prefecture = S("静岡県");
    people[33].address1 = S("浜松市中区鍛冶町100");
    people[33].code = "430-0933";
    plant(33, "郵便番号不一致", "430-0933");
    people[34].prefecture = S("静岡県");
    people[34].address1 = S("清水市辻1-2-3");
    people[34].code = "424-0806";
    plant(34, "郵便番号不一致", "424-0806");
    people[50].honorific = S("御中");
    plant(50, "敬称", people[50].code);
    people[51].honorific = S("御中");
    plant(51, "敬称", people[51].code);
    people[70].name = S("有限会社みどり商会");
    people[70].company.clear();
    plant(70, "敬称", people[70].code);
    people[110].jointHonorific.clear();
    plant(110, "敬称", people[110].code);
    people[130].name.clear();
    people[130].company.clear();
    plant(130, "名前なし", people[130].code);
    people[160].address1.clear();
    people[160].code.clear();
    plant(160, "住所なし", "");
    ASSERT_EQ(planted.size(), 20U);
    Save(people);

    auto nameOf
        = [&](std::size_t i) { return people[i].name.empty() ? std::string("（名前なし）") : U(people[i].name); };
    const nrt::test::CliResult r = cli.Run({ "check", "--format", "tsv" });
    EXPECT_EQ(r.status, 1) << r.err;
    ASSERT_EQ(r.out.rfind("名前\t種類\t内容\t修正案\n", 0), 0U) << r.out;
    std::multimap<std::string, std::string> found = Findings(r.out);
    int missed = 0;
    for (const auto& [i, fault] : planted) {
        const std::string name = people[i].name.empty() ? "" : U(people[i].name);
        auto range = found.equal_range(name);
        auto it = std::find_if(range.first, range.second, [&](const auto& e) { return e.second == fault.first; });
        if (it == range.second) {
            ++missed;
            ADD_FAILURE() << "not found: " << nameOf(i) << " " << fault.first;
        } else {
            found.erase(it);
        }
    }
    EXPECT_EQ(missed, 0);
    for (const auto& [name, kind] : found)
        std::printf("false finding: %s %s\n", name.c_str(), kind.c_str());
    EXPECT_LE(found.size(), 2U) << r.out;

    // The unique codes go in; nothing else changes.
    const nrt::test::CliResult fixed = cli.Run({ "check", "--fix", "postal" });
    EXPECT_EQ(fixed.status, 1) << "findings without a code to put in remain\n" << fixed.err;
    EXPECT_NE(fixed.err.find("12件の郵便番号を修正しました。"), std::string::npos) << fixed.out << fixed.err;
    AddressTable book;
    ASSERT_EQ(book.LoadTable(userFolder + "/" + S("nrt.ndb")), TableError::kNone);
    ASSERT_EQ(book.GetRecordCount(), 200);
    for (int k = 0; k < 200; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const auto at = planted.find(i);
        const std::string expected = at == planted.end() ? people[i].code : at->second.second;
        EXPECT_EQ(book.Value(field::kPostalCode, k), expected) << nameOf(i);
        EXPECT_EQ(book.Value(field::kAddress1, k), people[i].address1) << nameOf(i);
        EXPECT_EQ(book.Value(field::kHonorific, k), people[i].honorific) << nameOf(i);
    }
    const nrt::test::CliResult after = cli.Run({ "check", "--format", "tsv" });
    EXPECT_EQ(Findings(after.out).size(), 8U + found.size()) << after.out;
}
