// nortea-cli end to end: the program run on temporary data folders.
#include "db/AddressTable.h"
#include "db/CardHistory.h"
#include "db/RecordSet.h"
#include "platform/Clock.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include "CliRunner.h"
#include "CupsServer.h"
#include "ProgramRunning.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace nrt;
using nrt::test::S;

namespace {

using Result = nrt::test::CliResult;

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// What pdfinfo says of a PDF file.
std::string PdfInfo(const std::string& pdf)
{
    std::string info;
    FILE* p = ::popen(("pdfinfo " + Quote(pdf) + " 2>&1").c_str(), "r");
    if (p == nullptr)
        return info;
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        info.append(buf, n);
    ::pclose(p);
    return info;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folders.dataFolder = dir.Path();
        AppSettings g(folders);
        g.ReadSettings(true);
        userFolder = g.BookFile({});
        platform::fs::MakeDirs(userFolder);
    }

    Result Run(const std::vector<std::string>& args) { return cli.Run(args); }

    // name, kana, category, note 2 (UTF-8)
    void WriteTable(const std::vector<std::array<const char*, 4>>& rows)
    {
        AddressTable db;
        db.CreateDefaultTable();
        for (const auto& row : rows) {
            db.ClearCurrent();
            EXPECT_EQ(db.SetValue(field::kSender, "0"), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kPrintMark, "1"), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kName, S(row[0])), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kKana, S(row[1])), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kCategory, S(row[2])), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kNote2, S(row[3])), RecordError::kNone);
            EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        }
        ASSERT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);
    }

    static std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> out;
        std::size_t start = 0;
        for (std::size_t p; (p = text.find('\n', start)) != std::string::npos; start = p + 1)
            out.push_back(text.substr(start, p - start));
        return out;
    }

    nrt::test::TempDir dir;
    nrt::test::CliRunner cli { dir.Path(), dir.Path() };
    StartupFolders folders;
    std::string userFolder;
};

} // namespace

TEST_F(CliTest, KanaIndexRanges)
{
    WriteTable({ { "阿部", "ｱﾍﾞ", "", "" }, { "加藤", "ｶﾄｳ", "", "" }, { "和田", "ﾜﾀﾞ", "", "" }, { "ん", "ﾝ", "", "" },
        { "英字", "ABC", "", "" } });
    struct Case {
        const char* where;
        std::vector<std::string> names;
    } cases[] = {
        { "カナ>='ｱ' and カナ<'ｶ'", { "名前", "阿部" } },
        { "カナ>='ﾜ' and カナ<='ﾝ'", { "名前", "和田", "ん" } },
        { "カナ>='ｶ' and カナ<'ｻ'", { "名前", "加藤" } },
    };
    for (const auto& c : cases) {
        Result r = Run({ "list", "--fields", "名前", "--where", c.where });
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Lines(r.out), c.names) << c.where;
    }
}

TEST_F(CliTest, AllFieldsExtractionAndFormats)
{
    WriteTable({ { "山田", "ﾔﾏﾀﾞ", "", "" }, { "佐藤", "ｻﾄｳ", "", "山の上, \"別荘\"" }, { "田中", "ﾀﾅｶ", "", "" } });
    Result r = Run({ "list", "--fields", "名前,備考２", "--format", "csv", "--where",
        "(名前= '*山*' or カナ= '*山*' or 備考２= '*山*')" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), (std::vector<std::string> { "名前,備考２", "佐藤,\"山の上, \"\"別荘\"\"\"", "山田," }));
    // The default columns begin with the mark column.
    r = Run({ "list" });
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(Lines(r.out)[0], "印刷有無\t名前\tカナ\t電話番号\t郵便番号\t住所１\t住所２");
    EXPECT_EQ(Lines(r.out)[1].rfind("●\t佐藤\tｻﾄｳ", 0), 0u);
}

TEST_F(CliTest, SortWithEqualKeysMatchesTheList)
{
    // Many equal categories: the order among them is the record set's own.
    std::vector<std::array<const char*, 4>> rows;
    const char* names[] = { "一", "二", "三", "四", "五", "六", "七", "八", "九", "十", "百", "千", "万" };
    for (int i = 0; i < 13; ++i)
        rows.push_back({ names[i], "ｱ", i % 3 == 0 ? "友人" : "会社", "" });
    WriteTable(rows);
    AddressTable db;
    ASSERT_EQ(db.LoadTable(userFolder + "/nrt.ndb"), TableError::kNone);
    RecordSet rec;
    rec.Attach(&db);
    ASSERT_EQ(rec.SetSort(S("大分類,カナ"), 0), SortError::kNone);
    ASSERT_EQ(rec.Select(S("宛名区分='0' ")), SelectResult::kSelected);
    std::vector<std::string> expected = { "名前" };
    for (int row = 0; row < rec.GetRowCount(); ++row)
        expected.push_back(nrt::test::U(db.Value(field::kName, rec.GetRowRecord(row))));
    Result r = Run({ "list", "--fields", "名前", "--sort", "大分類,カナ" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), expected);
}

TEST_F(CliTest, RefusalsAndUsage)
{
    WriteTable({ { "山田", "ﾔﾏﾀﾞ", "", "" } });
    Result r = Run({ "list", "--where", "名前='abc" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "注意: 条件作成に失敗しました(-13)\n");
    EXPECT_TRUE(r.out.empty());
    r = Run({ "list", "--where", "住所='x'" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("条件作成に失敗しました(-6)"), std::string::npos);
    r = Run({ "list", "--fields", "名前,なし" });
    EXPECT_EQ(r.status, 1);
    r = Run({ "list", "--format", "xml" });
    EXPECT_EQ(r.status, 2);
    r = Run({ "nothing" });
    EXPECT_EQ(r.status, 2);
    r = Run({ "list", "--tab", "存在しない" });
    EXPECT_EQ(r.status, 1);
}

// Run from cron or ssh (no XDG_RUNTIME_DIR), a command that writes says only its own
// words: no warning of Qt's lands in its output.
TEST_F(CliTest, WithoutARuntimeFolderOnlyTheProgramsOwnWordsAreWritten)
{
    WriteTable({ { "山田", "ﾔﾏﾀﾞ", "", "" } });
    nrt::test::CliRunner quiet { dir.Path() + "/cron", dir.Path() };
    quiet.WithoutRuntimeFolder();
    const Result r = quiet.Run({ "user", "create", "会社" });
    EXPECT_EQ(r.err.find("QStandardPaths"), std::string::npos) << r.err;
    // A window of another test may hold the single-copy lock of that shared folder.
    EXPECT_TRUE(r.status == 0 || r.err.find("起動されています") != std::string::npos) << r.status << r.err;
}

TEST_F(CliTest, HelpAndVersionAnswerOnStandardOutput)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* out; // the start of standard output
        const char* err; // the start of standard error
    };
    const Case cases[] = {
        { { "--help" }, 0, "usage: nortea-cli [--data DIR] [--user NAME] COMMAND ...\ncommands:\n  list ", "" },
        { { "-h" }, 0, "usage: nortea-cli [--data DIR] [--user NAME] COMMAND ...\n", "" },
        { { "--version" }, 0, "nortea-cli " NRT_VERSION "\n", "" },
        { { "--bogus", "list" }, 2, "", "usage: nortea-cli [--data DIR] [--user NAME] COMMAND ...\n" },
        { { "--user" }, 2, "", "usage: nortea-cli [--data DIR]" },
        // From the command name on, every argument is the command's own.
        { { "list", "--help" }, 2, "", "usage: nortea-cli list [--senders" },
        { { "user", "--version" }, 2, "", "usage: nortea-cli user list" },
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << c.args[0] << "\n" << r.out;
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args[0] << "\n" << r.err;
    }
    const Result help = Run({ "--help" });
    for (const char* command :
        { "import-csv FILE", "restore SET NAME", "postal-lookup CODE", "print FORM", "--version" })
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
}

// The options before the command reach it byte for byte, the last one counting.
TEST_F(CliTest, DataFolderAndUserNamesKeepTheirJapanese)
{
    const std::string japanese = dir.Path() + "/" + S("データ");
    StartupFolders other;
    other.dataFolder = japanese;
    AppSettings g(other);
    g.ReadSettings(true);
    userFolder = g.BookFile({});
    platform::fs::MakeDirs(userFolder);
    WriteTable({ { "山田", "ﾔﾏﾀﾞ", "", "" } });
    Result r = Run({ "--data", nrt::test::U(japanese), "list", "--fields", "名前" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "名前\n山田\n");
    r = Run({ "--data", nrt::test::U(japanese), "--user", "花子", "list" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "注意: ユーザー「花子」は登録されていません。\n");
}

TEST_F(CliTest, TabsAndSenders)
{
    WriteTable({ { "山田", "ﾔﾏﾀﾞ", "友人", "" }, { "佐藤", "ｻﾄｳ", "会社", "" } });
    nrt::test::WriteAll(userFolder + "/" + S("nrt_ms01.nms"), S("友人\r\n会社\r\n"));
    Result r = Run({ "list", "--fields", "名前", "--tab", "会社" });
    EXPECT_EQ(Lines(r.out), (std::vector<std::string> { "名前", "佐藤" }));
    r = Run({ "list", "--fields", "名前", "--senders" });
    EXPECT_EQ(Lines(r.out), (std::vector<std::string> { "名前" }));
}

TEST_F(CliTest, PrintsMarkedAddresseesToPdf)
{
    WriteTable({ { "山田", "ﾔﾏﾀﾞ", "", "" }, { "佐藤", "ｻﾄｳ", "", "" }, { "田中", "ﾀﾅｶ", "", "" } });
    const std::string pdf = nrt::test::U(dir.Path()) + "/cards.pdf";
    Result r = Run({ "print", "年賀状", "--pdf", pdf });
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string info = PdfInfo(pdf);
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    EXPECT_NE(info.find("283.46 x 419.53 pts"), std::string::npos) << "exactly 100 x 148 mm: " << info;

    r = Run({ "print", "年賀状", "--pdf", pdf, "--pages", "2-3", "--where", "カナ>='ｻ'" });
    EXPECT_EQ(r.status, 0) << r.err;
    r = Run({ "print", "ない様式", "--pdf", pdf });
    EXPECT_EQ(r.status, 1);
    r = Run({ "print", "年賀状" });
    EXPECT_EQ(r.status, 2);
    r = Run({ "print", "年賀状", "--pdf", pdf, "--printer", "Q" });
    EXPECT_EQ(r.status, 2) << "a PDF file or a printer, not both";
}

// The command line's jobs go to the test's own CUPS server while this lives.
struct UsingCups {
    explicit UsingCups(const nrt::test::CupsServer& cups)
    {
        ::setenv("CUPS_SERVER", cups.Socket().c_str(), 1);
        ::setenv("CUPS_USER", cups.JobUser().c_str(), 1);
    }
    ~UsingCups()
    {
        ::unsetenv("CUPS_SERVER");
        ::unsetenv("CUPS_USER");
    }
    UsingCups(const UsingCups&) = delete;
    UsingCups& operator=(const UsingCups&) = delete;
};

TEST_F(CliTest, PrintsThroughACupsQueueOnThePostcardsPaper)
{
    nrt::test::CupsServer cups;
    if (!cups.Failure().empty())
        GTEST_SKIP() << "no CUPS server for the test: " << cups.Failure();
    const UsingCups jobsToTheServer(cups);
    WriteTable({ { "山田", "ﾔﾏﾀﾞ", "", "" }, { "佐藤", "ｻﾄｳ", "", "" } });

    Result r = Run({ "print", "年賀状", "--printer", "no_such_queue" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("そのプリンタはありません。"), std::string::npos) << r.err;

    r = Run({ "print", "年賀状", "--printer", cups.Queue() });
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string out = cups.WaitForOutput(std::chrono::seconds(90));
    ASSERT_FALSE(out.empty()) << cups.Log();
    const std::string info = PdfInfo(out);
    EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
    // 100 x 148 mm: the queue lists no postcard, so the job asks for that size itself.
    EXPECT_NE(info.find("283.46 x 419.53 pts"), std::string::npos) << info << cups.JobOptions();

    // A job the queue took records its cards as sent as a PDF job does.
    r = Run({ "print", "年賀状", "--printer", cups.Queue(), "--mark-sent" });
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string y = std::to_string(cardhistory::CardYear(platform::GetClock().Now()));
    EXPECT_NE(r.err.find("注意: 2件を" + y + "年の年賀状を出した宛先として記録しました。"), std::string::npos) << r.err;
    AddressTable saved;
    ASSERT_EQ(saved.LoadTable(userFolder + "/nrt.ndb"), TableError::kNone);
    for (int k = 0; k < 2; ++k)
        EXPECT_EQ(nrt::test::U(saved.GetValue(field::kCardHistory, k)), y + "出") << k;
}

TEST_F(CliTest, FormsAreListedAndMadeByKind)
{
    Result r = Run({ "forms", "kinds" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out),
        (std::vector<std::string> { "年賀状", "普通はがき", "封筒４号（表）", "封筒４号（裏）", "封筒４０号（表）",
            "封筒４０号（裏）", "封筒３号（表）", "封筒３号（裏）", "ラベル(A4 2 x 6)(HISAGO GB861)" }));

    r = Run({ "forms", "create", "ENV3F", "--kind", "封筒３号（表）" });
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({ "forms", "create", "宛名", "--kind", "ラベル(A4 2 x 6)(HISAGO GB861)" });
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({ "forms", "create", "ENV3F", "--kind", "普通はがき" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("既に存在する印刷名です。"), std::string::npos) << r.err;
    EXPECT_EQ(Run({ "forms", "create", "X", "--kind", "葉書" }).status, 2);
    EXPECT_EQ(Run({ "forms", "create", "X" }).status, 2);

    r = Run({ "forms" });
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "年賀状\t年賀状\t100.00x148.00mm");
    EXPECT_EQ(lines[lines.size() - 2], "ENV3F\t封筒３号（表）\t120.00x235.00mm");
    EXPECT_EQ(lines.back(), "宛名\tラベル(A4 2 x 6)(HISAGO GB861)\t83.80x42.30mm 2x6 210.00x297.00mm");
}

TEST_F(CliTest, AnInkjetQueueListingPostcardAndHagakiPrintsCardsOnHagaki)
{
    // Postcard is 0.7 mm short at top and bottom; Hagaki is the card, listed after it.
    nrt::test::CupsServer cups({ { "Postcard", 283, 416 }, { "Hagaki", 283, 420 } });
    if (!cups.Failure().empty())
        GTEST_SKIP() << "no CUPS server for the test: " << cups.Failure();
    const UsingCups jobsToTheServer(cups);
    WriteTable({ { "山田", "ﾔﾏﾀﾞ", "", "" } });
    const Result r = Run({ "print", "年賀状", "--printer", cups.Queue() });
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string out = cups.WaitForOutput(std::chrono::seconds(90));
    ASSERT_FALSE(out.empty()) << cups.Log();
    const std::string options = cups.JobOptions();
    EXPECT_NE(options.find("PageSize=Hagaki"), std::string::npos) << options;
    EXPECT_EQ(options.find("Postcard"), std::string::npos) << options;
    const std::string info = PdfInfo(out);
    EXPECT_NE(info.find("283 x 420 pts"), std::string::npos) << info << options;
}

TEST_F(CliTest, ConditionsAndFailuresSayWhatHappened)
{
    // m1 and m2 marked addressees, u1 an addressee not marked, s1 a sender.
    AddressTable db;
    db.CreateDefaultTable();
    const struct {
        const char* name;
        const char* kana;
        const char* sender;
        const char* marked;
    } rows[] = { { "m1", "ｱ", "0", "1" }, { "m2", "ｲ", "0", "1" }, { "u1", "ｳ", "0", "0" }, { "s1", "ｴ", "1", "1" } };
    for (const auto& row : rows) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kSender, row.sender), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kPrintMark, row.marked), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kName, row.name), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kKana, S(row.kana)), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    }
    ASSERT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);
    const std::string pdf = nrt::test::U(dir.Path()) + "/cards.pdf";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> out;
        std::string err;
    } cases[] = {
        // The user's OR stays inside the user's condition.
        { { "list", "--fields", "名前", "--where", "(名前='m1') or 宛名区分='1'" }, 0, { "名前", "m1" }, "" },
        { { "list", "--fields", "名前", "--where", "名前='u1' or 名前='s1'" }, 0, { "名前", "u1" }, "" },
        { { "list", "--fields", "名前", "--senders", "--where", "名前='m1' or 名前='s1'" }, 0, { "名前", "s1" }, "" },
        // A condition that ends in a group, or is one.
        { { "list", "--fields", "名前", "--where", "名前='m1' and (カナ='ｱ' or カナ='ｲ')" }, 0, { "名前", "m1" }, "" },
        { { "list", "--fields", "名前", "--where", "(名前='m1' or 名前='m2')" }, 0, { "名前", "m1", "m2" }, "" },
        { { "list", "--fields", "名前", "--where", "(名前='m1' OR 名前='u1') and カナ='ｳ' or 名前='m2'" }, 0,
            { "名前", "m2", "u1" }, "" },
        { { "list", "--fields", "名前", "--where", "名前='a or b' or 名前='m2'" }, 0, { "名前", "m2" }, "" },
        // Every failure says why.
        { { "list", "--sort", "氏名" }, 1, {}, "注意: 並べ替えの指定が正しくありません：氏名\n" },
        { { "list", "--where", "名前='m1' and" }, 1, {}, "注意: 条件作成に失敗しました(-1)\n" },
        { { "print", "年賀状", "--pdf", pdf, "--pages", "50-60" }, 1, {},
            "注意: そのページはありません（全2ページ）。\n" },
        { { "user", "create", "a\nb" }, 1, {}, "注意: 不正なユーザー名です。\n" },
        { { "user", "create", "a\tb" }, 1, {}, "注意: 不正なユーザー名です。\n" },
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        std::string what;
        for (const auto& a : c.args)
            what += a + " ";
        EXPECT_EQ(r.status, c.status) << what << r.err;
        EXPECT_EQ(Lines(r.out), c.out) << what;
        EXPECT_EQ(r.err, c.err) << what;
    }

    // The print condition with the user's OR: only marked addressees print.
    const Result r = Run({ "print", "年賀状", "--pdf", pdf, "--where", "(名前='m1') or 名前='u1'" });
    ASSERT_EQ(r.status, 0) << r.err;
    std::string info;
    FILE* p = ::popen(("pdfinfo " + Quote(pdf)).c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[512];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        info.append(buf, n);
    ::pclose(p);
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
}

namespace {

// The text of each page of a PDF, blanks and line ends taken out.
std::vector<std::string> PdfPages(const std::string& pdf)
{
    std::string text;
    FILE* p = ::popen(("pdftotext " + Quote(pdf) + " -").c_str(), "r");
    if (!p)
        return {};
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        text.append(buf, n);
    ::pclose(p);
    std::vector<std::string> pages(1);
    for (char c : text) {
        if (c == '\f')
            pages.emplace_back();
        else if (c != ' ' && c != '\n')
            pages.back().push_back(c);
    }
    if (pages.back().empty())
        pages.pop_back();
    return pages;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

} // namespace

// New Year's cards: an addressee in mourning for the card year is left out and the job
// says so; joint names print each with its honorific; --sender chooses among several
// sender records (the marked one by default).
TEST_F(CliTest, NewYearCardsLeaveOutMourningAndPrintTheChosenSender)
{
    const int year = cardhistory::CardYear(platform::GetClock().Now());
    const std::string mourning = std::to_string(year) + S("喪");
    const std::string lastYear = std::to_string(year - 1) + S("喪");
    struct Row {
        const char* sender;
        const char* mark;
        const char* name;
        const char* kana;
        std::string history;
        const char* joint1;
        const char* joint2;
    };
    const std::vector<Row> rows { { "0", "1", "山田　一郎", "ﾔﾏﾀﾞ", mourning, "", "" },
        { "0", "1", "高橋　健一", "ﾀｶﾊｼ", lastYear, "由美", "健太" }, { "0", "1", "佐藤　次郎", "ｻﾄｳ", "", "", "" },
        { "1", "1", "鈴木　花子", "ｽｽﾞｷ", "", "", "" }, { "1", "0", "ノルテア商会", "ﾉﾙﾃｱ", "", "", "" } };
    AddressTable db;
    db.CreateDefaultTable();
    for (const Row& r : rows) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValueByName(S("宛名区分"), r.sender), RecordError::kNone);
        EXPECT_EQ(db.SetValueByName(S("印字区分"), r.mark), RecordError::kNone);
        EXPECT_EQ(db.SetValueByName(S("名前"), S(r.name)), RecordError::kNone);
        EXPECT_EQ(db.SetValueByName(S("カナ"), S(r.kana)), RecordError::kNone);
        EXPECT_EQ(db.SetValueByName(S("敬称"), S("様")), RecordError::kNone);
        ASSERT_EQ(db.SetValue(field::kCardHistory, r.history), RecordError::kNone);
        ASSERT_EQ(db.SetValue(field::kJointName1, S(r.joint1)), RecordError::kNone);
        ASSERT_EQ(db.SetValue(field::kJointName2, S(r.joint2)), RecordError::kNone);
        ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    }
    ASSERT_EQ(db.SaveTable(userFolder + "/nrt.ndb"), TableError::kNone);

    const std::string pdf = nrt::test::U(dir.Path()) + "/cards.pdf";
    Result r = Run({ "print", "年賀状", "--pdf", pdf });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "注意: 喪中の宛先1件は" + std::to_string(year) + "年の年賀状を印刷しません。\n");
    std::vector<std::string> pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), 2u);
    // By kana: 佐藤, then 高橋 with his two joint names.
    EXPECT_EQ(Count(pages[0], "様"), 1u) << pages[0];
    EXPECT_EQ(Count(pages[1], "様"), 3u) << pages[1];
    for (const char* c : { "高", "橋", "健", "一", "由", "美", "太" })
        EXPECT_NE(pages[1].find(c), std::string::npos) << c;
    for (const std::string& page : pages) {
        EXPECT_NE(page.find("鈴木花子"), std::string::npos) << page;
        EXPECT_EQ(page.find("山田"), std::string::npos) << page;
    }

    r = Run({ "print", "年賀状", "--pdf", pdf, "--sender", "ノルテア商会", "--where", "カナ='ｻﾄｳ'" });
    ASSERT_EQ(r.status, 0) << r.err;
    pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("ノルテア商会"), std::string::npos) << pages[0];
    EXPECT_EQ(pages[0].find("鈴木"), std::string::npos) << pages[0];

    // Another kind of card prints every addressee.
    r = Run({ "print", "普通はがき(１)", "--pdf", pdf, "--sender", "鈴木　花子" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(PdfPages(pdf).size(), 3u);

    r = Run({ "print", "年賀状", "--pdf", pdf, "--sender", "いない人" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("注意: 差出人「いない人」が見つかりません。"), std::string::npos) << r.err;
    r = Run({ "print", "年賀状", "--pdf", pdf, "--sender" });
    EXPECT_EQ(r.status, 2);
}

// print --mark-sent: the records on the pages put out are recorded as sent for the card
// year (those in mourning were never printed) and the book is saved; without it the
// command only reads, so it runs beside the open program and leaves the book's bytes.
TEST_F(CliTest, MarkSentRecordsThePrintedCardsAndSavesTheBook)
{
    const std::string y = std::to_string(cardhistory::CardYear(platform::GetClock().Now()));
    AddressTable db;
    db.CreateDefaultTable();
    // By kana: ｱ in mourning (left out), then the pages ｲ, ｳ, ｴ.
    const struct {
        const char* name;
        const char* kana;
        std::string history;
    } rows[] = { { "喪中", "ｱ", y + S("喪") }, { "一頁", "ｲ", "" }, { "二頁", "ｳ", "" }, { "三頁", "ｴ", y + S("受") } };
    for (const auto& row : rows) {
        db.ClearCurrent();
        for (const auto& [index, value] :
            { std::pair<int, std::string> { field::kSender, "0" }, { field::kPrintMark, "1" },
                { field::kName, S(row.name) }, { field::kKana, S(row.kana) }, { field::kCardHistory, row.history } })
            ASSERT_EQ(db.SetValue(index, value), RecordError::kNone);
        ASSERT_EQ(db.PostRecord(), RecordError::kNone);
    }
    const std::string book = userFolder + "/nrt.ndb";
    ASSERT_EQ(db.SaveTable(book), TableError::kNone);
    const std::string before = nrt::test::ReadAll(book);
    const std::string pdf = nrt::test::U(dir.Path()) + "/cards.pdf";
    const std::string mourning = "注意: 喪中の宛先1件は" + y + "年の年賀状を印刷しません。\n";

    {
        // The program open: printing alone still runs, recording is refused.
        const nrt::test::ProgramRunning program(cli);
        ASSERT_TRUE(program.Held());
        Result r = Run({ "print", "年賀状", "--pdf", pdf });
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, mourning);
        EXPECT_EQ(nrt::test::ReadAll(book), before);
        r = Run({ "print", "年賀状", "--pdf", pdf, "--mark-sent" });
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "注意: 「ノルテア」が起動されています。終了してから実行して下さい。\n");
        EXPECT_EQ(nrt::test::ReadAll(book), before);
    }

    platform::fs::RemoveFile(platform::Utf8ToSjis(pdf));
    Result r = Run({ "print", "普通はがき(１)", "--pdf", pdf, "--mark-sent" });
    EXPECT_EQ(r.status, 2) << "no year to record other cards in";
    EXPECT_NE(r.err.find("注意: --mark-sent は年賀状の印刷フォームにだけ使えます。\n"), std::string::npos) << r.err;
    EXPECT_FALSE(platform::fs::Exists(platform::Utf8ToSjis(pdf)));
    EXPECT_EQ(nrt::test::ReadAll(book), before);

    r = Run({ "print", "年賀状", "--pdf", pdf, "--pages", "2-3", "--mark-sent" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
        mourning + "確認: 印刷した2件を" + y + "年の年賀状を出した宛先として記録しますか？ → はい\n注意: 2件を" + y
            + "年の年賀状を出した宛先として記録しました。\n");
    EXPECT_EQ(PdfPages(pdf).size(), 2u);
    AddressTable saved;
    ASSERT_EQ(saved.LoadTable(book), TableError::kNone);
    const std::vector<std::string> expected { y + "喪", "", y + "出", y + "出受" };
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(nrt::test::U(saved.GetValue(field::kCardHistory, k)), expected[static_cast<std::size_t>(k)])
            << rows[k].name;
}
