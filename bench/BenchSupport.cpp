#include "BenchSupport.h"

#include "platform/fs.h"
#include "platform/sjis.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <unistd.h>

namespace nrt::bench {

void Require(RecordError code)
{
    if (code == RecordError::kNone)
        return;
    std::fprintf(stderr, "bench: the table refused the data (%d)\n", static_cast<int>(code));
    std::exit(1);
}

namespace {

struct Name {
    const char* kanji;
    const char* kana;
};
constexpr Name kFamily[] = {
    { "佐藤", "ｻﾄｳ" },
    { "鈴木", "ｽｽﾞｷ" },
    { "高橋", "ﾀｶﾊｼ" },
    { "田中", "ﾀﾅｶ" },
    { "伊藤", "ｲﾄｳ" },
    { "渡辺", "ﾜﾀﾅﾍﾞ" },
    { "山本", "ﾔﾏﾓﾄ" },
    { "中村", "ﾅｶﾑﾗ" },
    { "小林", "ｺﾊﾞﾔｼ" },
    { "加藤", "ｶﾄｳ" },
    { "吉田", "ﾖｼﾀﾞ" },
    { "山田", "ﾔﾏﾀﾞ" },
    { "佐々木", "ｻｻｷ" },
    { "山口", "ﾔﾏｸﾞﾁ" },
    { "松本", "ﾏﾂﾓﾄ" },
    { "井上", "ｲﾉｳｴ" },
    { "木村", "ｷﾑﾗ" },
    { "長谷川", "ﾊｾｶﾞﾜ" },
};
constexpr Name kGiven[] = {
    { "太郎", "ﾀﾛｳ" },
    { "花子", "ﾊﾅｺ" },
    { "健一", "ｹﾝｲﾁ" },
    { "美咲", "ﾐｻｷ" },
    { "翔太", "ｼｮｳﾀ" },
    { "陽子", "ﾖｳｺ" },
    { "大輔", "ﾀﾞｲｽｹ" },
    { "恵美", "ｴﾐ" },
    { "誠", "ﾏｺﾄ" },
    { "由美子", "ﾕﾐｺ" },
    { "拓也", "ﾀｸﾔ" },
    { "さくら", "ｻｸﾗ" },
};
struct Place {
    const char* prefecture;
    const char* city;
    const char* postal;
};
constexpr Place kPlaces[] = {
    { "東京都", "千代田区千代田", "100-0001" },
    { "東京都", "世田谷区太子堂", "154-0004" },
    { "大阪府", "大阪市北区梅田", "530-0001" },
    { "北海道", "札幌市中央区大通西", "060-0042" },
    { "愛知県", "名古屋市中区栄", "460-0008" },
    { "福岡県", "福岡市博多区博多駅前", "812-0011" },
    { "神奈川県", "横浜市西区みなとみらい", "220-0012" },
    { "京都府", "京都市下京区四条通烏丸東入長刀鉾町", "600-8005" },
    { "宮城県", "仙台市青葉区一番町", "980-0811" },
    { "広島県", "広島市中区紙屋町", "730-0031" },
};
constexpr const char* kBuildings[]
    = { "", "", "", "グランドメゾン２０１号", "サンハイツ１０３", "コーポ青葉Ａ棟３０２" };
constexpr const char* kCategories[] = { "", "友人", "親戚", "会社", "取引先", "学校" };

std::string S(const char* utf8)
{
    return platform::Utf8ToSjis(utf8);
}

std::string g_scratch;

void RemoveScratch()
{
    if (!g_scratch.empty())
        platform::fs::RemoveTree(g_scratch);
}

} // namespace

double MedianMs(int runs, const std::function<void()>& job)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        job();
        auto t1 = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string ScratchDir()
{
    if (g_scratch.empty()) {
        char tmpl[] = "/tmp/nrt-bench-XXXXXX";
        if (char* made = ::mkdtemp(tmpl))
            g_scratch = made;
        std::atexit(RemoveScratch);
    }
    return g_scratch;
}

void FillTable(AddressTable& db, int count, unsigned seed)
{
    std::mt19937 engine(seed);
    auto rng = [&engine] { return static_cast<unsigned>(engine()); };
    auto pick = [&](auto& array) -> const auto&
    {
        return array[rng() % std::size(array)];
    };
    // Converted once; the loop only assembles CP932 pieces.
    std::vector<std::pair<std::string, std::string>> family, given;
    for (const auto& n : kFamily)
        family.emplace_back(S(n.kanji), S(n.kana));
    for (const auto& n : kGiven)
        given.emplace_back(S(n.kanji), S(n.kana));
    std::vector<std::array<std::string, 3>> places;
    for (const auto& p : kPlaces)
        places.push_back({ S(p.prefecture), S(p.city), p.postal });
    std::vector<std::string> buildings, categories;
    for (auto b : kBuildings)
        buildings.push_back(S(b));
    for (auto c : kCategories)
        categories.push_back(S(c));
    const std::string sama = S("様"), chome = S("丁目"), dash = S("－"), space = S("　");
    char buf[64];
    for (int i = 0; i < count; ++i) {
        const auto& f = pick(family);
        const auto& g = pick(given);
        const auto& p = pick(places);
        db.ClearCurrent();
        Require(db.SetValue(field::kSender, "0"));
        Require(db.SetValue(field::kPrintMark, rng() % 3 ? "1" : "0"));
        Require(db.SetValue(field::kName, f.first + space + g.first));
        Require(db.SetValue(field::kKana, f.second + " " + g.second));
        Require(db.SetValue(field::kHonorific, sama));
        Require(db.SetValue(field::kPostalCode, p[2]));
        Require(db.SetValue(field::kPrefecture, p[0]));
        std::snprintf(buf, sizeof buf, "%u", 1 + rng() % 9);
        std::string addr = p[1] + buf + chome;
        std::snprintf(buf, sizeof buf, "%u", 1 + rng() % 30);
        addr += buf + dash;
        std::snprintf(buf, sizeof buf, "%u", 1 + rng() % 20);
        addr += buf;
        Require(db.SetValue(field::kAddress1, addr));
        Require(db.SetValue(field::kAddress2, buildings[rng() % buildings.size()]));
        std::snprintf(buf, sizeof buf, "0%u-%04u-%04u", 3 + rng() % 6, rng() % 10000, rng() % 10000);
        Require(db.SetValue(field::kPhone, buf));
        if (rng() % 2) {
            std::snprintf(buf, sizeof buf, "090-%04u-%04u", rng() % 10000, rng() % 10000);
            Require(db.SetValue(field::kMobile, buf));
        }
        if (rng() % 3 == 0) {
            std::snprintf(buf, sizeof buf, "user%u@example.jp", rng() % 100000);
            Require(db.SetValue(field::kMail, buf));
        }
        if (rng() % 4 == 0) {
            std::snprintf(buf, sizeof buf, "%u/%02u/%02u", 1940 + rng() % 70, 1 + rng() % 12, 1 + rng() % 28);
            Require(db.SetValue(field::kBirthday, buf));
        }
        Require(db.SetValue(field::kCategory, categories[rng() % categories.size()]));
        Require(db.SetValue(field::kRegistered, "2026/12/09"));
        Require(db.SetValue(field::kUpdated, "2026/12/09"));
        Require(db.PostRecord());
    }
}

} // namespace nrt::bench
