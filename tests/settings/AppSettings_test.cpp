#include "SettingsTestSupport.h"

#include "platform/Clock.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace nrt;
using namespace nrt::test;
namespace fs = nrt::platform::fs;

namespace {

std::string Item(std::int32_t width, std::string_view name, std::size_t size = 36)
{
    std::string item;
    AppendLE32(item, width);
    item += name;
    item.resize(size, '\0');
    return item;
}

std::string ItemList(const std::vector<std::string>& items)
{
    std::string file = "LI";
    AppendLE32(file, 1);
    for (const std::string& item : items) {
        AppendLE32(file, static_cast<std::int32_t>(item.size()));
        file += item;
    }
    AppendLE32(file, -1);
    return file;
}

const std::vector<std::string> kFreshUserIni = {
    "[OPT]",
    "WAREKI=1",
    "FURIGANA=1",
    "FULL=0",
    "RITU=100",
    "",
    "[MAIL]",
    "HOST=",
    "PORTNO=25",
    "SMTP=0",
    "USER=",
    "PASSWORD=",
    "TURN=80",
    "TIMEOUT=60",
    "FG1=1",
    "FG2=1",
    "FG3=1",
    "FG4=1",
    "SSL=0",
    "RESTCOUNT=100",
    "RESTSEC=60",
    "CAFILE=",
    "CLEARAUTH=0",
    "RETRYWAIT=",
    "",
    "[BACK]",
    "YM=0",
    "",
    "[BACK2]",
    "YMD=0",
    "",
    "[HBACK]",
    "ON=0",
    "PATH=",
    "SU=3",
    "HINDO=7",
    "SU_CU=0",
    "YMD=0",
    "",
    "[FORM0]",
    "LEFT=0",
    "TOP=0",
    "WIDTH=0",
    "HEIGHT=0",
    "",
    "[FORM1]",
    "LEFT=0",
    "TOP=0",
    "WIDTH=0",
    "HEIGHT=0",
    "",
    "[FORM2]",
    "LEFT=0",
    "TOP=0",
    "WIDTH=0",
    "HEIGHT=0",
    "",
    "[KANA]",
    "CHECKED=0",
};

std::string CrLf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

unsigned Mode(const std::string& path)
{
    struct stat st { };
    EXPECT_EQ(::stat(fs::ToSystemPath(path).c_str(), &st), 0);
    return st.st_mode & 0777;
}

class Settings : public ::testing::Test, public SettingsFixture {
protected:
    std::string Data() const { return home + "/.local/share/pelora/nrt/"; }
    std::string Main() const { return Data() + S("メインユーザー"); }
};

} // namespace

TEST_F(Settings, FreshStartCreatesTheMainUserWithEveryDefault)
{
    auto g = Make();
    g->ReadSettings(true);

    EXPECT_EQ(Tree(dir.Path()),
        (std::vector<std::string> { "home/", "home/.local/", "home/.local/share/", "home/.local/share/pelora/",
            "home/.local/share/pelora/nrt/", "home/.local/share/pelora/nrt/メインユーザー/", "prog/" }));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(g->DataFolder(), Data());
    EXPECT_EQ(g->BookName(), S("メインユーザー"));
    EXPECT_EQ(g->BookFolder(), Main());
    EXPECT_EQ(g->DocumentsFolder(), home + "/Documents");
    EXPECT_EQ(g->DataVersion(), 170);
    EXPECT_EQ(g->PostalLocation(), 0);

    EXPECT_TRUE(g->GetEraDates());
    EXPECT_TRUE(g->GetFurigana());
    EXPECT_FALSE(g->GetFull());
    EXPECT_EQ(g->GetScalePercent(), 100);
    EXPECT_EQ(g->GetMailHost(), "");
    EXPECT_EQ(g->GetMailPort(), 25);
    EXPECT_EQ(g->GetMailAuth(), 0);
    EXPECT_EQ(g->GetMailUser(), "");
    EXPECT_EQ(g->GetMailPassword(), "");
    EXPECT_EQ(g->GetMailWrap(), 80);
    EXPECT_EQ(g->GetMailTimeout(), 60);
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(g->GetMailFlag(n)) << n;
    EXPECT_EQ(g->GetMonthlyBackupMonth(), 0);
    EXPECT_EQ(g->GetKeptBack2Date(), 0);
    EXPECT_EQ(g->GetFolderBackupOn(), 0);
    EXPECT_EQ(g->GetFolderBackupPath(), "");
    EXPECT_EQ(g->GetFolderBackupSets(), 3);
    EXPECT_EQ(g->GetFolderBackupInterval(), 7);
    EXPECT_EQ(g->GetFolderBackupGeneration(), 0);
    EXPECT_EQ(g->GetFolderBackupDate(), 0);
    for (int f = 0; f < AppSettings::kFormCount; ++f) {
        EXPECT_EQ(g->GetFormRect(f), FormRect {}) << f;
        EXPECT_FALSE(g->HasFormRect(f)) << f;
    }

    const std::vector<DisplayColumn> columns = { { 105, S("名前") }, { 105, S("カナ") }, { 105, S("電話番号") },
        { 65, S("郵便番号") }, { 250, S("住所１") }, { 250, S("住所２") } };
    ASSERT_EQ(g->DisplayColumnCount(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(g->GetDisplayColumn(i), columns[static_cast<std::size_t>(i)]) << i;
    const std::vector<std::string> forms
        = { S("年賀状"), S("普通はがき(１)"), S("普通はがき(２)"), S("封筒(４号)(表)"), S("封筒(４号)(裏)") };
    ASSERT_EQ(g->FormList().GetCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(g->FormList().GetLine(i), forms[static_cast<std::size_t>(i)]) << i;

    ASSERT_TRUE(g->WriteSettings().Ok());
    EXPECT_EQ(ReadAll(Data() + "nrt.ini"), S("[USER]\r\nNAME=メインユーザー\r\nVER=170\r\n"));
    EXPECT_EQ(ReadAll(Main() + "/NrtUser.ini"), CrLf(kFreshUserIni));
    EXPECT_EQ(Mode(Main() + "/NrtUser.ini"), 0600u);
    EXPECT_EQ(ReadAll(Main() + "/HyoList.dat"),
        ItemList({ Item(105, S("名前")), Item(105, S("カナ")), Item(105, S("電話番号")), Item(65, S("郵便番号")),
            Item(250, S("住所１")), Item(250, S("住所２")) }));
    EXPECT_EQ(Tree(Data()),
        (std::vector<std::string> {
            "nrt.ini", "メインユーザー/", "メインユーザー/HyoList.dat", "メインユーザー/NrtUser.ini" }));
}

TEST_F(Settings, ChangedSettingsAreWrittenInTableOrderAndReadBack)
{
    auto g = Make();
    g->ReadSettings(true);
    g->SetEraDates(false);
    g->SetFull(true);
    g->SetScalePercent(150);
    g->SetMailHost("smtp.example.jp");
    g->SetMailPort(-1);
    g->SetMailAuth(2);
    g->SetMailUser(S("山田"));
    g->SetMailPassword(" secret ");
    g->SetMailWrap(300);
    g->SetMailFlag(3, false);
    g->SetMailRestEvery(0);
    g->SetMailRestSeconds(100000); // kept within 0-9999
    g->SetMailCaFile(S("/home/山田/社内CA.pem"));
    g->SetFolderBackupOn(1);
    g->SetFolderBackupPath(S("/media/バックアップ"));
    g->SaveFormRect(AppSettings::kFormPreview, -5, 10, 640, 480);
    g->SaveFormRect(3, 1, 2, 3, 4); // no such window
    ASSERT_TRUE(g->WriteSettings().Ok());

    std::vector<std::string> expected = kFreshUserIni;
    auto set = [&](std::size_t line, const std::string& text) { expected.at(line) = text; };
    set(1, "WAREKI=0");
    set(3, "FULL=1");
    set(4, "RITU=150");
    set(7, "HOST=smtp.example.jp");
    set(8, "PORTNO=-1");
    set(9, "SMTP=2");
    set(10, S("USER=山田"));
    set(11, "PASSWORD=\" secret \"");
    set(12, "TURN=255");
    set(16, "FG3=0");
    set(19, "RESTCOUNT=0");
    set(20, "RESTSEC=9999");
    set(21, S("CAFILE=/home/山田/社内CA.pem"));
    set(32, "ON=1");
    set(33, S("PATH=/media/バックアップ"));
    set(52, "LEFT=-5");
    set(53, "TOP=10");
    set(54, "WIDTH=640");
    set(55, "HEIGHT=480");
    EXPECT_EQ(ReadAll(Main() + "/NrtUser.ini"), CrLf(expected));

    auto again = Make();
    again->ReadSettings(true);
    EXPECT_EQ(again->Book(), g->Book());
    EXPECT_EQ(again->GetMailPassword(), " secret ");
    EXPECT_EQ(again->GetFormRect(AppSettings::kFormPreview), (FormRect { -5, 10, 640, 480 }));
    EXPECT_TRUE(again->HasFormRect(AppSettings::kFormPreview));
}

TEST_F(Settings, DamagedUserIniGivesDefaultsAndCutsLongTexts)
{
    fs::MakeDirs(Main());
    const std::string host60(60, 'h');
    // 50 single bytes, then 田: the character that would cross byte 51 goes whole.
    const std::string password = std::string(50, 'p') + S("田中");
    WriteAll(Main() + "/NrtUser.ini",
        "[opt]\nwareki=0\nFULL=7\nRITU=abc\n"
        "[MAIL]\nHOST="
            + host60
            + "\nPORTNO=\nTURN=5\nTIMEOUT=99999999999\n"
              "PASSWORD="
            + password + "\nUSER=" + std::string(70, 'u')
            + "\n"
              "[HBACK]\nPATH="
            + std::string(300, 'x') + "\nSU=x\n");
    auto g = Make();
    g->ReadSettings(true);
    EXPECT_FALSE(g->GetEraDates());
    EXPECT_TRUE(g->GetFull());
    EXPECT_EQ(g->Book().Int(kS_Full), 1);
    EXPECT_EQ(g->GetScalePercent(), 100);
    EXPECT_EQ(g->GetMailHost(), std::string(52, 'h'));
    EXPECT_EQ(g->GetMailPort(), 25);
    EXPECT_EQ(g->GetMailWrap(), 10);
    EXPECT_EQ(g->GetMailTimeout(), 60);
    EXPECT_EQ(g->GetMailPassword(), std::string(50, 'p'));
    EXPECT_EQ(g->GetMailUser(), std::string(63, 'u'));
    EXPECT_EQ(g->GetFolderBackupPath(), std::string(263, 'x'));
    EXPECT_EQ(g->GetFolderBackupSets(), 3);
    EXPECT_EQ(g->GetFolderBackupInterval(), 7); // the section was there, the key was not
    EXPECT_TRUE(g->GetFurigana());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Settings, MailWrapIsClamped)
{
    auto g = Make();
    struct Case {
        std::int32_t in, out;
    } cases[] = { { 9, 10 }, { 10, 10 }, { 80, 80 }, { 255, 255 }, { 256, 255 }, { 300, 255 }, { -4, 10 } };
    for (const Case& c : cases) {
        g->SetMailWrap(c.in);
        EXPECT_EQ(g->GetMailWrap(), c.out) << c.in;
    }
}

TEST_F(Settings, VersionCheck)
{
    struct Case {
        const char* ini;
        std::int32_t version;
        bool warned;
    } cases[] = {
        { "", 170, false },
        { "[USER]\r\nVER=0\r\n", 170, false },
        { "[USER]\r\nVER=150\r\n", 170, false },
        { "[USER]\r\nVER=170\r\n", 170, false },
        { "[USER]\r\nVER=171\r\n", 171, true },
        { "[USER]\r\nVER=x\r\n", 170, false },
    };
    fs::MakeDirs(Data());
    for (const Case& c : cases) {
        messages.shown.clear();
        WriteAll(Data() + "nrt.ini", c.ini);
        auto g = Make();
        g->ReadSettings(true);
        EXPECT_EQ(g->DataVersion(), c.version) << c.ini;
        ASSERT_EQ(messages.shown.size(), c.warned ? 1u : 0u) << c.ini;
        if (c.warned) {
            EXPECT_EQ(messages.shown[0].text,
                S("古いバージョンのアプリケーションによる起動がされました。\n"
                  "上位データとの互換がない可能性があります。\n"
                  "最新バージョンのもので起動し直して下さい。"));
            EXPECT_EQ(messages.shown[0].caption, S("注意"));
        }
        g->ReadSettings(false); // not again after a user switch
        EXPECT_EQ(messages.shown.size(), c.warned ? 1u : 0u);
        ASSERT_TRUE(g->WriteSettings().Ok());
        EXPECT_EQ(ReadAll(Data() + "nrt.ini"),
            S("[USER]\r\nNAME=メインユーザー\r\nVER=") + std::to_string(c.version) + "\r\n");
    }
}

TEST_F(Settings, UserNameFromNrtIni)
{
    struct Case {
        std::string name;
        std::string user;
    } cases[] = {
        { S("田中"), S("田中") },
        { "", "" },
        { "../../escape", S("メインユーザー") },
        { "a/b", S("メインユーザー") },
        { S("田中") + "\x82", S("メインユーザー") },
        { std::string(31, 'n'), S("メインユーザー") },
    };
    fs::MakeDirs(Data());
    for (const Case& c : cases) {
        WriteAll(Data() + "nrt.ini", "[USER]\r\nNAME=" + c.name + "\r\n");
        auto g = Make();
        g->ReadSettings(true);
        EXPECT_EQ(g->BookName(), c.user) << U(c.name);
        EXPECT_EQ(g->BookFolder(), Data() + c.user) << U(c.name);
        EXPECT_TRUE(fs::IsDirectory(g->BookFolder()));
    }
    EXPECT_FALSE(fs::Exists(home + "/.local/share/escape"));
    EXPECT_FALSE(fs::Exists(Data() + "a"));
}

TEST_F(Settings, OtherKeysOfTheFilesSurvive)
{
    fs::MakeDirs(Main());
    WriteAll(Data() + "nrt.ini", "[USER]\r\nVER=170\r\nNEWKEY=1\r\nNAME=\r\n");
    WriteAll(Data() + "NrtUser.ini", "[FORM0]\r\nLEFT=3\r\n[OPT]\r\nRITU=125\r\nZOOM=2\r\n[LATER]\r\nX=y\r\n");
    ::chmod(fs::ToSystemPath(Data() + "NrtUser.ini").c_str(), 0644);
    auto g = Make();
    g->ReadSettings(true);
    EXPECT_EQ(g->BookFolder(), Data());
    EXPECT_EQ(g->GetScalePercent(), 125);
    ASSERT_TRUE(g->WriteSettings().Ok());
    EXPECT_EQ(ReadAll(Data() + "nrt.ini"), "[USER]\r\nNAME=\r\nVER=170\r\nNEWKEY=1\r\n");
    std::vector<std::string> expected = kFreshUserIni;
    expected[40] = "LEFT=3"; // FORM0
    expected[4] = "RITU=125";
    expected.insert(expected.begin() + 5, "ZOOM=2"); // kept at the end of its section
    expected.push_back("");
    expected.push_back("[LATER]");
    expected.push_back("X=y");
    EXPECT_EQ(ReadAll(Data() + "NrtUser.ini"), CrLf(expected));
    EXPECT_EQ(Mode(Data() + "NrtUser.ini"), 0600u) << "the mail password must not stay readable by others";
}

TEST_F(Settings, AFileThatCannotBeWrittenDoesNotStopTheOthers)
{
    auto g = Make();
    g->ReadSettings(true);
    ASSERT_TRUE(fs::MakeDir(Data() + "nrt.ini")); // a folder where the file should be
    g->SetScalePercent(200);
    EXPECT_FALSE(g->WriteSettings().Ok());
    EXPECT_TRUE(fs::IsDirectory(Data() + "nrt.ini"));
    EXPECT_NE(ReadAll(Main() + "/NrtUser.ini").find("RITU=200"), std::string::npos);
    EXPECT_TRUE(fs::IsFile(Main() + "/HyoList.dat"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Settings, DisplayColumnsFile)
{
    fs::MakeDirs(Main());
    const std::string custom = ItemList({ Item(80, S("メール")), Item(40, S("性別")) });
    struct Case {
        const char* what;
        std::string file;
        int count;
    } cases[] = {
        { "missing", "", 6 },
        { "valid", custom, 2 },
        { "not an item list", "XX", 6 },
        { "item of 35 bytes", ItemList({ Item(80, "a"), Item(40, "b", 35) }), 6 },
        { "item of 40 bytes", ItemList({ Item(80, "a", 40) }), 6 },
        { "name without its NUL", ItemList({ std::string(4, '\0') + std::string(32, 'n') }), 6 },
        { "cut short", custom.substr(0, 50), 1 },
        { "no items", ItemList({}), 0 },
    };
    for (const Case& c : cases) {
        fs::RemoveFile(Main() + "/HyoList.dat");
        if (!c.file.empty())
            WriteAll(Main() + "/HyoList.dat", c.file);
        auto g = Make();
        g->ReadSettings(true);
        EXPECT_EQ(g->DisplayColumnCount(), c.count) << c.what;
        if (c.count == 6) {
            EXPECT_EQ(g->GetDisplayColumn(5), (DisplayColumn { 250, S("住所２") })) << c.what;
        }
        if (c.count == 2) {
            EXPECT_EQ(g->GetDisplayColumn(1), (DisplayColumn { 40, S("性別") })) << c.what;
        }
    }
    auto g = Make();
    g->ReadSettings(true);
    g->ClearDisplayColumns();
    EXPECT_TRUE(g->AddDisplayColumn(std::string(40, 'L'), 77)); // the name is cut to its field
    EXPECT_TRUE(g->SetDisplayColumnWidth(0, 90));
    EXPECT_FALSE(g->SetDisplayColumnWidth(1, 90));
    EXPECT_EQ(g->GetDisplayColumn(0), (DisplayColumn { 90, std::string(31, 'L') }));
    EXPECT_EQ(g->GetDisplayColumn(3), DisplayColumn {});
    ASSERT_TRUE(g->WriteSettings().Ok());
    EXPECT_EQ(ReadAll(Main() + "/HyoList.dat"), ItemList({ Item(90, std::string(31, 'L')) }));
}

TEST_F(Settings, PrintFormList)
{
    fs::MakeDirs(Main());
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::string> names;
    } cases[] = {
        { "two forms", S("年賀状\r\nラベル\r\n"), { S("年賀状"), S("ラベル") } },
        { "blank lines only", "\r\n\r\n", { "", "" } },
        { "no line ended", "abc",
            { S("年賀状"), S("普通はがき(１)"), S("普通はがき(２)"), S("封筒(４号)(表)"), S("封筒(４号)(裏)") } },
    };
    for (const Case& c : cases) {
        WriteAll(Main() + "/NrtRepList.dat", c.file);
        auto g = Make();
        g->ReadSettings(true);
        std::vector<std::string> names;
        for (int i = 0; i < g->FormList().GetCount(); ++i)
            names.emplace_back(g->FormList().GetLine(i));
        EXPECT_EQ(names, c.names) << c.what;
    }

    // A user without a list gets the five defaults, not what the last user had.
    WriteAll(Main() + "/NrtRepList.dat", "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\n");
    auto g = Make();
    g->ReadSettings(true);
    ASSERT_EQ(g->FormList().GetCount(), 7);
    ASSERT_TRUE(g->SetBookFolder(S("別")));
    g->ReadSettings(false);
    EXPECT_EQ(g->FormList().GetCount(), 5);
    EXPECT_EQ(g->FormList().GetLine(4), S("封筒(４号)(裏)"));
    EXPECT_FALSE(fs::Exists(g->BookFile("NrtRepList.dat"))) << "written only by the print form windows";
    EXPECT_TRUE(g->SaveFormList().Ok());
    EXPECT_EQ(ReadAll(g->BookFile("NrtRepList.dat")),
        S("年賀状\r\n普通はがき(１)\r\n普通はがき(２)\r\n封筒(４号)(表)\r\n封筒(４号)(裏)\r\n"));
}

TEST_F(Settings, SwitchingUsersReadsTheOtherUsersSettings)
{
    auto g = Make();
    g->ReadSettings(true);
    g->SetScalePercent(175);
    g->SetMailHost("a.example");
    ASSERT_TRUE(g->WriteSettings().Ok());
    ASSERT_TRUE(g->SetBookFolder(S("二人目")));
    g->ReadSettings(false);
    EXPECT_EQ(g->GetScalePercent(), 100);
    EXPECT_EQ(g->GetMailHost(), "");
    ASSERT_TRUE(g->WriteSettings().Ok());
    EXPECT_EQ(ReadAll(Data() + "nrt.ini"), S("[USER]\r\nNAME=二人目\r\nVER=170\r\n"));
    auto next = Make();
    next->ReadSettings(true);
    EXPECT_EQ(next->BookName(), S("二人目"));
}

TEST_F(Settings, MonthlyAndIntervalBackups)
{
    platform::FakeClock clock;
    platform::ScopedClock scoped(clock);
    auto g = Make();
    g->ReadSettings(true);

    clock.now = { 2025, 3, 15 };
    EXPECT_TRUE(g->MonthlyBackupDue());
    EXPECT_EQ(g->GetMonthlyBackupMonth(), 202503);
    EXPECT_FALSE(g->MonthlyBackupDue());
    clock.now = { 2025, 4, 1 };
    EXPECT_TRUE(g->MonthlyBackupDue());
    g->SetMonthlyBackupMonth(209912);
    EXPECT_FALSE(g->MonthlyBackupDue());
    EXPECT_EQ(g->GetMonthlyBackupMonth(), 209912);

    struct Case {
        std::int32_t interval, ymd;
        platform::LocalTime today;
        bool due;
    } cases[] = {
        { 7, 20250101, { 2025, 1, 7 }, false },
        { 7, 20250101, { 2025, 1, 8 }, true },
        { 0, 20000101, { 2025, 1, 8 }, false },
        { 14, 20250107, { 2025, 1, 7 }, false },
        { 14, 20250107, { 2025, 1, 8 }, true },
        { 1, 20250228, { 2025, 3, 1 }, true },
        { 31, 20250201, { 2025, 3, 3 }, false },
        { 31, 20250201, { 2025, 3, 4 }, true },
        { 7, 20241228, { 2025, 1, 4 }, true },
    };
    for (const Case& c : cases) {
        g->SetFolderBackupInterval(c.interval);
        g->SetFolderBackupDate(c.ymd);
        clock.now = c.today;
        EXPECT_EQ(g->IntervalBackupDue(), c.due) << c.interval << " " << c.ymd << " " << c.today.day;
        EXPECT_EQ(g->GetFolderBackupDate(), c.ymd);
    }
    g->SetFolderBackupInterval(7);
    g->SetFolderBackupDate(0);
    clock.now = { 2025, 6, 9 };
    EXPECT_FALSE(g->IntervalBackupDue()) << "the first start only records the day";
    EXPECT_EQ(g->GetFolderBackupDate(), 20250609);
    clock.now = { 2025, 7, 1 };
    g->StampIntervalBackup();
    EXPECT_EQ(g->GetFolderBackupDate(), 20250701);
}

TEST_F(Settings, BackupGenerationsRotate)
{
    auto g = Make();
    g->SetFolderBackupSets(3);
    g->SetFolderBackupGeneration(0);
    std::vector<int> sets;
    for (int i = 0; i < 4; ++i) {
        const int next = g->NextGeneration();
        EXPECT_EQ(g->AdvanceGeneration(), next) << i;
        sets.push_back(g->GetFolderBackupGeneration());
    }
    EXPECT_EQ(sets, (std::vector<int> { 1, 2, 0, 1 }));
    g->SetFolderBackupGeneration(0);
    std::vector<int> numbers;
    for (int i = 0; i < 4; ++i)
        numbers.push_back(g->AdvanceGeneration());
    EXPECT_EQ(numbers, (std::vector<int> { 1, 2, 3, 1 }));

    g->SetFolderBackupGeneration(7); // beyond SU, from a damaged file
    EXPECT_EQ(g->AdvanceGeneration(), 1);
    EXPECT_EQ(g->GetFolderBackupGeneration(), 0);
    g->SetFolderBackupSets(0);
    EXPECT_EQ(g->AdvanceGeneration(), 1);
    EXPECT_EQ(g->GetFolderBackupGeneration(), 0);
}

TEST_F(Settings, TableCopy)
{
    auto g = Make();
    g->ReadSettings(true);
    EXPECT_FALSE(g->SaveTableCopy());
    WriteAll(g->BookFile("nrt.ndb"), "table");
    WriteAll(g->BookFile("nrt_ndb.bk2"), "older copy");
    EXPECT_TRUE(g->SaveTableCopy());
    EXPECT_EQ(ReadAll(g->BookFile("nrt_ndb.bk2")), "table");
}
