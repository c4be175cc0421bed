#include "postal/PostalDictionary.h"

#include "PostalTestData.h"
#include "platform/MessageHost.h"
#include "platform/TextEncoding.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalLookup.h"

#include <gtest/gtest.h>

#include <map>

using namespace nrt;
using namespace nrt::test;
namespace fs = nrt::platform::fs;

namespace {

struct FaultGuard {
    explicit FaultGuard(long long bytes) { fs::testing::FailWritesAfter(bytes); }
    ~FaultGuard() { fs::testing::FailWritesAfter(-1); }
};

std::string LE32(std::uint32_t v)
{
    std::string s;
    AppendLE32(s, static_cast<std::int32_t>(v));
    return s;
}

// Every file of a folder, by name.
std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::ListDir(folder))
        files[e.name] = ReadAll(folder + "/" + e.name);
    return files;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::ListDir(folder))
        names.push_back(e.name);
    return names;
}

} // namespace

TEST(PostalImport, HandMadeListGivesTheDictionaryByteForByte)
{
    TempDir dir;
    const std::string list = dir.File("KEN_ALL.CSV");
    const std::string bytes = SampleList();
    WriteAll(list, bytes);
    // The test data itself: 千代田区 starts in the first 512-byte block and ends in another.
    ASSERT_LT(bytes.find(S("霞が関")), 512u);
    ASSERT_GT(bytes.find(S("\"千代田\"")), 512u);

    const std::string postalFolder = dir.File("data/yubin");
    ASSERT_EQ(ImportPostalList(list, postalFolder), PostalImportResult::kOk);

    // YubinS.dat: L, a + 9, address, reading; offsets remembered for the index.
    const auto& sorted = SampleSorted();
    std::string dat;
    std::vector<std::uint32_t> offsets;
    // The lookup's texts leave out the town's remark and the placeholder of a city's code.
    const std::map<std::string, std::string> asLookedUp = { { "大通西（１～１９丁目）", "大通西" },
        { "ｵｵﾄﾞｵﾘﾆｼ(1-19ﾁｮｳﾒ)", "ｵｵﾄﾞｵﾘﾆｼ" }, { "以下に掲載がない場合", "" }, { "ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ", "" } };
    auto looked = [&](const char* text) {
        const auto it = asLookedUp.find(text);
        return it == asLookedUp.end() ? std::string(text) : it->second;
    };
    for (const auto& r : sorted) {
        const std::string address = S(std::string(r.pref) + " " + r.city + looked(r.town));
        const std::string reading = S(std::string(r.prefReading) + " " + r.cityReading + looked(r.townReading));
        offsets.push_back(static_cast<std::uint32_t>(dat.size()));
        dat += LE32(static_cast<std::uint32_t>(address.size() + reading.size() + 10));
        dat += LE32(static_cast<std::uint32_t>(address.size() + 9));
        dat += address + '\0' + reading + '\0';
    }
    EXPECT_EQ(ReadAll(postalFolder + "/YubinS.dat"), dat);

    // By code; the two towns of 540-0002 come out in reverse of their sorted order.
    std::string idx = LE32(11);
    for (int i : { 10, 9, 7, 6, 8, 5, 1, 0, 2, 3, 4 })
        idx += std::string(sorted[static_cast<std::size_t>(i)].code) + '\0'
            + LE32(offsets[static_cast<std::size_t>(i)]);
    EXPECT_EQ(ReadAll(postalFolder + "/YubinS.idx"), idx);

    EXPECT_EQ(ReadAll(postalFolder + "/todo.dat"),
        Fields({ "0", "0640941", "北海道", "ﾎｯｶｲﾄﾞｳ" }) + "\r\n" + Fields({ "12", "1500001", "東京都", "ﾄｳｷｮｳﾄ" })
            + "\r\n" + Fields({ "26", "5400002", "大阪府", "ｵｵｻｶﾌ" }) + "\r\n"
            + Fields({ "46", "9000015", "沖縄県", "ｵｷﾅﾜｹﾝ" }) + "\r\n");

    EXPECT_EQ(
        ReadAll(postalFolder + "/sityo0.dat"), Fields({ "1", "0640941", "札幌市中央区", "ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ" }) + "\r\n");
    const std::string asahi = Fields({ "0640941", "旭ケ丘", "ｱｻﾋｶﾞｵｶ" });
    const std::string odori = Fields({ "0600042", "大通西（１～１９丁目）", "ｵｵﾄﾞｵﾘﾆｼ(1-19ﾁｮｳﾒ)" });
    EXPECT_EQ(ReadAll(postalFolder + "/tyo0.dat"), asahi + odori);
    EXPECT_EQ(ReadAll(postalFolder + "/tyo0.idx"), LE32(0) + LE32(2));

    // 千代田区 is one city although the list interrupts it with 渋谷区.
    EXPECT_EQ(ReadAll(postalFolder + "/sityo12.dat"),
        Fields({ "1", "1500001", "渋谷区", "ｼﾌﾞﾔｸ" }) + "\r\n" + Fields({ "2", "1000013", "千代田区", "ﾁﾖﾀﾞｸ" })
            + "\r\n");
    const std::string jingumae = Fields({ "1500001", "神宮前", "ｼﾞﾝｸﾞｳﾏｴ" });
    EXPECT_EQ(ReadAll(postalFolder + "/tyo12.dat"),
        jingumae + Fields({ "1000013", "霞が関", "ｶｽﾐｶﾞｾｷ" }) + Fields({ "1000001", "千代田", "ﾁﾖﾀﾞ" })
            + Fields({ "1000014", "永田町", "ﾅｶﾞﾀﾁｮｳ" }));
    EXPECT_EQ(ReadAll(postalFolder + "/tyo12.idx"),
        LE32(0) + LE32(1) + LE32(static_cast<std::uint32_t>(jingumae.size())) + LE32(3));

    EXPECT_EQ(ReadAll(postalFolder + "/sityo26.dat"),
        Fields({ "1", "5400002", "大阪市中央区", "ｵｵｻｶｼﾁｭｳｵｳｸ" }) + "\r\n"
            + Fields({ "2", "5600000", "豊中市", "ﾄﾖﾅｶｼ" }) + "\r\n" + Fields({ "3", "5810003", "八尾市", "ﾔｵｼ" })
            + "\r\n");
    const std::string chuo
        = Fields({ "5400002", "大阪城", "ｵｵｻｶｼﾞｮｳ" }) + Fields({ "5400002", "京橋前之町", "ｷｮｳﾊﾞｼﾏｴﾉﾁｮｳ" });
    // The city's own code has no town: choosing it fills the prefecture and the city.
    const std::string toyonaka = Fields({ "5600000", "", "" });
    EXPECT_EQ(ReadAll(postalFolder + "/tyo26.dat"), chuo + toyonaka + Fields({ "5810003", "本町", "ﾎﾝﾏﾁ" }));
    EXPECT_EQ(ReadAll(postalFolder + "/tyo26.idx"),
        LE32(0) + LE32(2) + LE32(static_cast<std::uint32_t>(chuo.size())) + LE32(1)
            + LE32(static_cast<std::uint32_t>(chuo.size() + toyonaka.size())) + LE32(1));

    EXPECT_EQ(ReadAll(postalFolder + "/sityo46.dat"), Fields({ "1", "9000015", "那覇市", "ﾅﾊｼ" }) + "\r\n");
    EXPECT_EQ(ReadAll(postalFolder + "/tyo46.dat"), Fields({ "9000015", "久茂地", "ｸﾓｼﾞ" }));
    EXPECT_EQ(ReadAll(postalFolder + "/tyo46.idx"), LE32(0) + LE32(1));

    // Absent prefectures get no files; nothing else is left in or beside the folder.
    EXPECT_EQ(Names(postalFolder),
        (std::vector<std::string> { "YubinS.dat", "YubinS.idx", "sityo0.dat", "sityo12.dat", "sityo26.dat",
            "sityo46.dat", "todo.dat", "tyo0.dat", "tyo0.idx", "tyo12.dat", "tyo12.idx", "tyo26.dat", "tyo26.idx",
            "tyo46.dat", "tyo46.idx" }));
    EXPECT_EQ(Names(dir.File("data")), std::vector<std::string> { "yubin" });
}

TEST(PostalImport, RefusalsAndTheirMessages)
{
    const std::string good = SampleList();
    const std::string fiveDigits
        = S("13101,\"100  \",\"10000\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"\",\"東京都\",\"千代田区\",\"\",0\r\n");
    const std::string letters
        = S("13101,\"100  \",\"100001a\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"\",\"東京都\",\"千代田区\",\"\",0\r\n");
    struct Case {
        const char* what;
        std::string bytes;
        PostalImportResult code;
        const char* message;
    } cases[] = {
        { "empty file", "", PostalImportResult::kListEmpty, "データがありません。" },
        { "only empty lines", "\r\n\r\n", PostalImportResult::kListEmpty, "データがありません。" },
        { "only short lines", "1,2,3\r\n4,5,6\r\n", PostalImportResult::kListEmpty, "データがありません。" },
        { "five-digit first code", fiveDigits + good, PostalImportResult::kListInvalid, "郵便番号データが不正です。" },
        { "first code not digits", letters + good, PostalImportResult::kListInvalid, "郵便番号データが不正です。" },
    };
    for (const auto& c : cases) {
        TempDir dir;
        WriteAll(dir.File("list.csv"), c.bytes);
        const PostalImportResult code = ImportPostalList(dir.File("list.csv"), dir.File("yubin"));
        EXPECT_EQ(code, c.code) << c.what;
        EXPECT_EQ(U(PostalImportMessage(code)), c.message) << c.what;
        EXPECT_FALSE(fs::Exists(dir.File("yubin"))) << c.what;
    }

    TempDir dir;
    EXPECT_EQ(ImportPostalList(dir.File("none.csv"), dir.File("yubin")), PostalImportResult::kListMissing);
    EXPECT_EQ(U(PostalImportMessage(PostalImportResult::kListMissing)), "郵便番号データが見つかりません。");
    EXPECT_EQ(ImportPostalList(dir.Path(), dir.File("yubin")), PostalImportResult::kListMissing)
        << "a folder is no list";
}

TEST(PostalImport, ResultMessagesUseTheirCaptions)
{
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scoped(host);
    ShowPostalImportResult(PostalImportResult::kOk);
    ShowPostalImportResult(PostalImportResult::kWriteFailed);
    ASSERT_EQ(host.shown.size(), 2u);
    EXPECT_EQ(U(host.shown[0].text), "正常にインポートされました。");
    EXPECT_EQ(U(host.shown[0].caption), "住所録");
    EXPECT_EQ(host.shown[0].buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(U(host.shown[1].text), "郵便データ作成に失敗しました。");
    EXPECT_EQ(U(host.shown[1].caption), "注意");
}

TEST(PostalImport, LimitsOfLinesColumnsAndCodes)
{
    auto line = [](std::string code, std::string town, std::string townReading) {
        return S("1,\"2\",\"" + code + "\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"") + townReading + S("\",\"東京都\",\"千代田区\",\"")
            + town + "\",0,0,0,0,0,0\r\n";
    };
    // 253 single bytes, then a double-byte character that would end at byte 255.
    const std::string longTown = std::string(253, 'x') + S("町") + "tail";
    std::string list = line("1000001", S("千代田"), S("ﾁﾖﾀﾞ"));
    list += S("1,2,1000002,ﾄｳｷｮｳﾄ,ﾁﾖﾀﾞｸ,ｶ,東京都,千代田区\r\n"); // eight columns
    list += line("100-0003", S("丸の内"), S("ﾏﾙﾉｳﾁ")); // later code not of 7 digits
    list += line("1000004", longTown, S("ｵｵﾃﾏﾁ"));
    list += line("1000005", S("有楽町"), std::string(254 - 3, 'R') + "abc"); // exactly 254: kept whole
    // A line of exactly 511 bytes is still read (the filler lies in the last, unused column).
    std::string full = line("1000006", "", "");
    full.insert(full.size() - 2, std::string(511 - (full.size() - 2), 'z'));
    ASSERT_EQ(full.size(), 513u);
    list += full;

    TempDir dir;
    WriteAll(dir.File("list.csv"), list);
    PostalListStats stats;
    ASSERT_EQ(ImportPostalList(dir.File("list.csv"), dir.File("yubin"), {}, &stats), PostalImportResult::kOk);
    EXPECT_EQ(stats.shortLines, 1);
    EXPECT_EQ(stats.badCodes, 1);
    EXPECT_EQ(stats.cutColumns, 1);
    EXPECT_FALSE(stats.endedEarly);

    const std::string postalFolder = dir.File("yubin");
    std::string idx = ReadAll(postalFolder + "/YubinS.idx");
    ASSERT_GE(idx.size(), 4u);
    EXPECT_EQ(idx.substr(0, 4), LE32(4)) << "records 1, 4, 5 and the 511-byte line";
    for (const char* code : { "100-0002", "100-0003" })
        EXPECT_FALSE(FindPostalCode(postalFolder, code)) << code;

    PostalRecordText text;
    auto cut = FindPostalCode(postalFolder, "100-0004");
    ASSERT_TRUE(cut);
    ASSERT_TRUE(ReadPostalRecord(postalFolder, cut->offset, text));
    EXPECT_EQ(text.address, S("東京都 千代田区") + std::string(253, 'x'));
    auto whole = FindPostalCode(postalFolder, "100-0005");
    ASSERT_TRUE(whole);
    ASSERT_TRUE(ReadPostalRecord(postalFolder, whole->offset, text));
    EXPECT_EQ(text.reading, S("ﾄｳｷｮｳﾄ ﾁﾖﾀﾞｸ") + std::string(251, 'R') + "abc");
    EXPECT_TRUE(FindPostalCode(postalFolder, "100-0006"));
}

TEST(PostalImport, RecordLimitRefusesTheWholeList)
{
    auto line = [](int n) {
        char code[8];
        std::snprintf(code, sizeof code, "%07d", n);
        return S(std::string("1,2,") + code + ",ﾄｳｷｮｳﾄ,ﾁﾖﾀﾞｸ,ｱ,東京都,千代田区,町\r\n");
    };
    TempDir dir;
    const std::string postalFolder = dir.File("yubin");
    std::string three;
    for (int i = 0; i < 3; ++i)
        three += line(i);
    WriteAll(dir.File("three.csv"), three);
    ASSERT_EQ(ImportPostalList(dir.File("three.csv"), postalFolder, {}, nullptr, 3), PostalImportResult::kOk);
    const auto before = Snapshot(postalFolder);

    WriteAll(dir.File("four.csv"), three + line(3));
    const PostalImportResult code = ImportPostalList(dir.File("four.csv"), postalFolder, {}, nullptr, 3);
    EXPECT_EQ(code, PostalImportResult::kListTooLarge);
    EXPECT_EQ(U(PostalImportMessage(code)), "郵便番号データが不正です。");
    EXPECT_EQ(Snapshot(postalFolder), before);

    // The real limit: 150,000 records are held, the 150,001st refuses the list.
    std::string big;
    big.reserve(150001 * 60);
    for (int i = 0; i <= 150000; ++i)
        big += line(i);
    WriteAll(dir.File("big.csv"), big);
    EXPECT_EQ(ImportPostalList(dir.File("big.csv"), postalFolder), PostalImportResult::kListTooLarge);
    EXPECT_EQ(Snapshot(postalFolder), before);
}

TEST(PostalImport, FailedWriteLeavesThePreviousDictionaryWorking)
{
    TempDir dir;
    const std::string postalFolder = dir.File("yubin");
    WriteAll(dir.File("list.csv"), SampleList());
    ASSERT_EQ(ImportPostalList(dir.File("list.csv"), postalFolder), PostalImportResult::kOk);
    const auto before = Snapshot(postalFolder);

    // Another list whose dictionary differs in every file.
    std::string other;
    for (const auto& l : SampleSorted()) {
        ListLine changed = l;
        changed.town = "別町";
        other += ListLineBytes(changed);
    }
    WriteAll(dir.File("other.csv"), other);
    ASSERT_EQ(ImportPostalList(dir.File("other.csv"), dir.File("probe")), PostalImportResult::kOk);
    long long total = 0;
    for (const auto& [name, bytes] : Snapshot(dir.File("probe")))
        total += static_cast<long long>(bytes.size());
    ASSERT_TRUE(fs::RemoveTree(dir.File("probe")));
    for (long long budget : { 0LL, 100LL, total / 2, total - 1 }) {
        FaultGuard fault(budget);
        EXPECT_EQ(ImportPostalList(dir.File("other.csv"), postalFolder), PostalImportResult::kWriteFailed) << budget;
    }
    EXPECT_EQ(Snapshot(postalFolder), before);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string> { "list.csv", "other.csv", "yubin" }));
    PostalRecordText text;
    auto found = FindPostalCode(postalFolder, "100-0013");
    ASSERT_TRUE(found);
    ASSERT_TRUE(ReadPostalRecord(postalFolder, found->offset, text));
    EXPECT_EQ(U(text.address), "東京都 千代田区霞が関");

    ASSERT_EQ(ImportPostalList(dir.File("other.csv"), postalFolder), PostalImportResult::kOk);
    ASSERT_TRUE(ReadPostalRecord(postalFolder, FindPostalCode(postalFolder, "100-0013")->offset, text));
    EXPECT_EQ(U(text.address), "東京都 千代田区別町");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string> { "list.csv", "other.csv", "yubin" }));
}

TEST(PostalImport, SwapCutShortIsRepairedByTheNextImport)
{
    TempDir dir;
    const std::string postalFolder = dir.File("yubin");
    WriteAll(dir.File("list.csv"), SampleList());
    ASSERT_EQ(ImportPostalList(dir.File("list.csv"), postalFolder), PostalImportResult::kOk);
    const auto before = Snapshot(postalFolder);
    // As if the program stopped between moving the old folder aside and moving the new one in.
    ASSERT_TRUE(fs::Rename(postalFolder, postalFolder + ".old"));
    ASSERT_TRUE(fs::MakeDir(postalFolder + ".new"));
    {
        FaultGuard fault(0);
        EXPECT_EQ(ImportPostalList(dir.File("list.csv"), postalFolder), PostalImportResult::kWriteFailed);
    }
    EXPECT_EQ(Snapshot(postalFolder), before);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string> { "list.csv", "yubin" }));
}

TEST(PostalImport, ProgressRunsFromZeroToHundred)
{
    TempDir dir;
    WriteAll(dir.File("list.csv"), SampleList());
    std::vector<int> seen;
    ASSERT_EQ(ImportPostalList(dir.File("list.csv"), dir.File("yubin"), [&](int p) { seen.push_back(p); }),
        PostalImportResult::kOk);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "each value once";
}

TEST(PostalImport, ListEndingBeforeTheEndOfTheFileIsRefusedAndTheOldDictionaryStays)
{
    const std::string good = SampleList().substr(0, SampleList().size() - 4); // eleven lines, no empty ones
    const std::string more
        = ListLineBytes({ "13113", "1500002", "ﾄｳｷｮｳﾄ", "ｼﾌﾞﾔｸ", "ｼﾌﾞﾔ", "東京都", "渋谷区", "渋谷" });
    std::string tooLong = more;
    tooLong.insert(tooLong.size() - 2, std::string(512 - (tooLong.size() - 2), 'z'));
    const std::string kept = "\n郵便番号データは変更されていません。";
    struct Case {
        const char* what;
        std::string bytes;
        PostalImportResult code;
        std::string message;
    } cases[] = {
        { "empty line inside", good + "\r\n" + more, PostalImportResult::kListCutShort,
            "郵便番号データが途中で終わっています。 12行目：空の行のあとにデータがあります。" + kept },
        { "empty first line", "\r\n" + good, PostalImportResult::kListCutShort,
            "郵便番号データが途中で終わっています。 1行目：空の行のあとにデータがあります。" + kept },
        { "line over 511 bytes", good + tooLong + more, PostalImportResult::kListCutShort,
            "郵便番号データが途中で終わっています。 12行目：５１１バイトを超える行です。" + kept },
        { "an unended line after an empty one", good + "\r\n" + more.substr(0, 20), PostalImportResult::kListCutShort,
            "郵便番号データが途中で終わっています。 12行目：空の行のあとにデータがあります。" + kept },
        { "file cut inside a line", good + more.substr(0, 20), PostalImportResult::kListCutShort,
            "郵便番号データが途中で終わっています。 12行目：行の終わりがありません（ファイルが欠けています）。"
                + kept },
        { "UTF-8 character CP932 lacks",
            platform::SjisToUtf8(good) + "1,2,1500003,ｱ,ｲ,ｳ,東京都,渋谷区,\xF0\x9F\x98\x80\r\n",
            PostalImportResult::kListNotConvertible,
            "郵便番号データに変換できない文字があります。 12行目：Shift-JISにない文字が含まれています。" + kept },
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string postalFolder = dir.File("yubin");
        WriteAll(dir.File("good.csv"), SampleList());
        ASSERT_EQ(ImportPostalList(dir.File("good.csv"), postalFolder), PostalImportResult::kOk);
        const auto before = Snapshot(postalFolder);
        WriteAll(dir.File("list.csv"), c.bytes);
        PostalListStats stats;
        const PostalImportResult code = ImportPostalList(dir.File("list.csv"), postalFolder, {}, &stats);
        EXPECT_EQ(code, c.code) << c.what;
        EXPECT_EQ(U(PostalImportMessage(code, stats)), c.message) << c.what;
        EXPECT_EQ(Snapshot(postalFolder), before) << c.what;

        platform::RecordingMessageHost host;
        platform::ScopedMessageHost scoped(host);
        ShowPostalImportResult(code, stats);
        ASSERT_EQ(host.shown.size(), 1u);
        EXPECT_EQ(U(host.shown[0].caption), "注意") << c.what;
    }
}

// (Lines ended by LF alone, as some converters write them, are read too.)
TEST(PostalImport, Utf8ListGivesTheSameDictionaryAsShiftJis)
{
    TempDir dir;
    WriteAll(dir.File("sjis.csv"), SampleList());
    ASSERT_EQ(ImportPostalList(dir.File("sjis.csv"), dir.File("sjis")), PostalImportResult::kOk);
    const auto expected = Snapshot(dir.File("sjis"));
    const std::string utf8 = platform::SjisToUtf8(SampleList());
    ASSERT_NE(utf8, SampleList());
    std::string lfOnly = utf8;
    std::erase(lfOnly, '\r');
    for (const std::string& bytes : { utf8, "\xEF\xBB\xBF" + utf8, lfOnly }) {
        WriteAll(dir.File("utf8.csv"), bytes);
        PostalListStats stats;
        ASSERT_EQ(ImportPostalList(dir.File("utf8.csv"), dir.File("utf8"), {}, &stats), PostalImportResult::kOk);
        EXPECT_TRUE(stats.utf8);
        EXPECT_EQ(Snapshot(dir.File("utf8")), expected)
            << (bytes[0] == '\xEF' ? "with BOM" : "without BOM") << bytes.size();
    }
}

TEST(PostalImport, TownsSplitOverLinesAreJoinedAndRemarksStayOutOfTheAddress)
{
    // As the national list writes a long town: the name (and its reading) goes on over
    // lines of the same code until the parenthesis closes.
    const std::vector<ListLine> lines = {
        { "01224", "0660005", "ﾎｯｶｲﾄﾞｳ", "ﾁﾄｾｼ", "ｷｮｳﾜ(88-2､271-10､", "北海道", "千歳市",
            "協和（８８－２、２７１－１０、" },
        { "01224", "0660005", "ﾎｯｶｲﾄﾞｳ", "ﾁﾄｾｼ", "343-2､404-1､427-", "北海道", "千歳市",
            "３４３－２、４０４－１、４２７－" },
        { "01224", "0660005", "ﾎｯｶｲﾄﾞｳ", "ﾁﾄｾｼ", "3)", "北海道", "千歳市", "３）" },
        { "01224", "0660001", "ﾎｯｶｲﾄﾞｳ", "ﾁﾄｾｼ", "ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ", "北海道", "千歳市", "以下に掲載がない場合" },
        { "01224", "0660012", "ﾎｯｶｲﾄﾞｳ", "ﾁﾄｾｼ", "ﾏﾏﾁ(ｿﾉﾀ)", "北海道", "千歳市", "真々地（その他）" },
        // An open remark whose next line has another code is not joined to it.
        { "01224", "0660013", "ﾎｯｶｲﾄﾞｳ", "ﾁﾄｾｼ", "ｱ(1", "北海道", "千歳市", "旭（１" },
        { "01224", "0660014", "ﾎｯｶｲﾄﾞｳ", "ﾁﾄｾｼ", "ｲ", "北海道", "千歳市", "泉" },
    };
    TempDir dir;
    WriteAll(dir.File("list.csv"), ListBytes(lines));
    const std::string postalFolder = dir.File("yubin");
    PostalListStats stats;
    ASSERT_EQ(ImportPostalList(dir.File("list.csv"), postalFolder, {}, &stats), PostalImportResult::kOk);
    EXPECT_EQ(stats.joinedLines, 2);

    struct Lookup {
        const char* code;
        const char* address;
        const char* reading;
    } lookups[] = {
        { "066-0005", "北海道 千歳市協和", "ﾎｯｶｲﾄﾞｳ ﾁﾄｾｼｷｮｳﾜ" },
        { "066-0001", "北海道 千歳市", "ﾎｯｶｲﾄﾞｳ ﾁﾄｾｼ" },
        { "066-0012", "北海道 千歳市真々地", "ﾎｯｶｲﾄﾞｳ ﾁﾄｾｼﾏﾏﾁ" },
        { "066-0013", "北海道 千歳市旭", "ﾎｯｶｲﾄﾞｳ ﾁﾄｾｼｱ" },
        { "066-0014", "北海道 千歳市泉", "ﾎｯｶｲﾄﾞｳ ﾁﾄｾｼｲ" },
    };
    for (const auto& l : lookups) {
        const auto found = FindPostalCode(postalFolder, l.code);
        ASSERT_TRUE(found) << l.code;
        PostalRecordText text;
        ASSERT_TRUE(ReadPostalRecord(postalFolder, found->offset, text));
        EXPECT_EQ(U(text.address), l.address) << l.code;
        EXPECT_EQ(U(text.reading), l.reading) << l.code;
    }
    // The browser shows the whole town with its remark, as one row.
    const std::string towns = ReadAll(postalFolder + "/tyo0.dat");
    EXPECT_NE(towns.find(Fields({ "0660005", "協和（８８－２、２７１－１０、３４３－２、４０４－１、４２７－３）",
                  "ｷｮｳﾜ(88-2､271-10､343-2､404-1､427-3)" })),
        std::string::npos);
    EXPECT_NE(towns.find(Fields({ "0660001", "", "" })), std::string::npos);
    EXPECT_EQ(ReadAll(postalFolder + "/tyo0.idx"), LE32(0) + LE32(5)) << "five towns of one city";
}
