#include "SettingsTestSupport.h"

#include "platform/fs.h"
#include "settings/AppSettings.h"
#include "settings/DataPaths.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace nrt;
using namespace nrt::test;
namespace fs = nrt::platform::fs;

namespace {

void SetMTime(const std::string& path, std::int64_t seconds)
{
    struct timespec times[2] = { { static_cast<time_t>(seconds), 0 }, { static_cast<time_t>(seconds), 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, fs::ToSystemPath(path).c_str(), times, 0), 0);
}

} // namespace

TEST(DataPaths, SetExtension)
{
    struct Case {
        const char* path;
        bool replace;
        const char* out;
    } cases[] = {
        { "/home/a/list", false, "/home/a/list.CSV" },
        { "/home/a/list.txt", false, "/home/a/list.txt" },
        { "/home/a/list.txt", true, "/home/a/list.CSV" },
        { "/home/a.d/list", false, "/home/a.d/list.CSV" }, // the dot of a folder is not the extension
        { "/home/a.d/list", true, "/home/a.d/list.CSV" },
        { "x.tar.gz", true, "x.tar.CSV" },
        { "", false, ".CSV" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DataPaths::SetExtension(c.path, ".CSV", c.replace), c.out) << c.path << " " << c.replace;
}

TEST(DataPaths, BadNameCharStepsOverDoubleByteCharacters)
{
    struct Case {
        std::string name;
        char bad;
    } cases[] = {
        { S("山田(太郎)"), 0 },
        { "a/b", '/' },
        { S("ソニー"), 0 }, // ソ is 0x83 0x5C: its second byte is not a backslash
        { "\\", '\\' },
        { "a-b", '-' },
        { "A b_c@d`e", 0 },
        { "x.y", '.' },
        { "\x7F\x01", 0 },
        { S("ｱｲｳ"), 0 },
        { "\x82", 0 }, // a lead byte at the end stands alone and is allowed here
        { "!", '!' },
        { "'", '\'' },
        { "*", '*' },
        { ":", ':' },
        { "?", '?' },
        { "[", '[' },
        { "^", '^' },
        { "{", '{' },
        { "~", '~' },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DataPaths::BadNameChar(c.name), c.bad) << U(c.name);
}

TEST(DataPaths, UsableUserNames)
{
    struct Case {
        std::string name;
        bool usable;
    } cases[] = {
        { S("メインユーザー"), true },
        { "", true },
        { S("田中(仕事)"), true },
        { "a/b", false },
        { "..", false },
        { S("田中") + "\x82", false },
        { std::string(30, 'a'), true },
        { std::string(31, 'a'), false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DataPaths::IsUsableBookName(c.name), c.usable) << U(c.name);
}

TEST(DataPaths, WritableFolder)
{
    TempDir dir;
    EXPECT_TRUE(DataPaths::IsWritableFolder(dir.Path()));
    EXPECT_TRUE(DataPaths::IsWritableFolder(dir.Path() + "/"));
    EXPECT_TRUE(fs::ListDir(dir.Path()).empty()) << "make.chk left behind";
    EXPECT_FALSE(DataPaths::IsWritableFolder(""));
    EXPECT_FALSE(DataPaths::IsWritableFolder(dir.File("missing")));
    WriteAll(dir.File("file"), "x");
    EXPECT_FALSE(DataPaths::IsWritableFolder(dir.File("file")));
    const std::string at249 = dir.Path() + "/" + std::string(249 - dir.Path().size() - 1, 'd');
    const std::string at250 = dir.Path() + "/" + std::string(250 - dir.Path().size() - 1, 'e');
    ASSERT_TRUE(fs::MakeDir(at249));
    ASSERT_TRUE(fs::MakeDir(at250));
    EXPECT_TRUE(DataPaths::IsWritableFolder(at249));
    EXPECT_FALSE(DataPaths::IsWritableFolder(at250));
}

TEST(DataPaths, SpecialFolders)
{
    ScopedEnv home("HOME", "/home/nrt");
    ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(DataPaths::SpecialFolder(DataPaths::kDocuments), "/home/nrt/Documents");
    EXPECT_EQ(DataPaths::SpecialFolder(DataPaths::kDocuments, "a.csv"), "/home/nrt/Documents/a.csv");
    EXPECT_EQ(DataPaths::SpecialFolder(DataPaths::kDesktop), "/home/nrt/Desktop");
    EXPECT_EQ(DataPaths::SpecialFolder(DataPaths::kPrograms), "/home/nrt/.local/share/applications");
    EXPECT_EQ(DataPaths::SpecialFolder(DataPaths::kSendTo), "");
    EXPECT_EQ(DataPaths::SpecialFolder(DataPaths::kProgramFiles), "");
    EXPECT_EQ(DataPaths::SpecialFolder(9), "");
    ScopedEnv noHome("HOME", std::nullopt);
    EXPECT_EQ(DataPaths::SpecialFolder(DataPaths::kDocuments), "");
}

class Paths : public ::testing::Test, public SettingsFixture { };

TEST_F(Paths, DataFolderBesideTheProgramWhenNrtIniIsThere)
{
    WriteAll(program + "nrt.ini", "");
    auto g = Make();
    EXPECT_EQ(g->DataFolder(), program);
    EXPECT_EQ(g->BookFolder(), program);
    EXPECT_EQ(Tree(home), std::vector<std::string> {});
}

TEST_F(Paths, DataFolderUnderXdgDataHome)
{
    {
        ScopedEnv xdg("XDG_DATA_HOME", fs::ToSystemPath(dir.File("xdg")));
        EXPECT_EQ(Make()->DataFolder(), dir.File("xdg") + "/pelora/nrt/");
    }
    {
        ScopedEnv relative("XDG_DATA_HOME", "relative/path"); // ignored, as XDG says
        EXPECT_EQ(Make()->DataFolder(), home + "/.local/share/pelora/nrt/");
    }
    EXPECT_TRUE(fs::IsDirectory(dir.File("xdg") + "/pelora/nrt"));
}

TEST_F(Paths, UnwritableDataFolderFallsBackToTheProgramFolder)
{
    WriteAll(dir.File("blocker"), "a file where a folder should be");
    ScopedEnv xdg("XDG_DATA_HOME", fs::ToSystemPath(dir.File("blocker") + "/share"));
    auto g = Make();
    EXPECT_EQ(g->DataFolder(), program);
    EXPECT_TRUE(messages.shown.empty());
    ScopedEnv noHome("HOME", std::nullopt);
    ScopedEnv noXdg("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(Make()->DataFolder(), program);
}

TEST_F(Paths, FileOperations)
{
    auto g = Make({ "", dir.File("data"), dir.File("docs") + "/" });
    EXPECT_EQ(g->DataFolder(), dir.File("data") + "/");
    EXPECT_EQ(g->DocumentsFolder(), dir.File("docs"));
    ASSERT_TRUE(g->SetBookFolder(S("田中")));
    const std::string user = dir.File("data/田中");
    EXPECT_TRUE(fs::IsDirectory(user));
    EXPECT_EQ(g->BookFolder(), user);
    EXPECT_EQ(g->BookFile(""), user);
    EXPECT_EQ(g->BookFile("nrt.ndb"), user + "/nrt.ndb");
    EXPECT_EQ(g->DataFile("nrt.ini"), dir.File("data/nrt.ini"));
    EXPECT_EQ(g->ProgramFile("repbk01.BMP"), program + "repbk01.BMP");
    EXPECT_EQ(g->DocumentsFile(""), dir.File("docs"));
    EXPECT_EQ(g->DocumentsFile("a.csv"), dir.File("docs/a.csv"));
    EXPECT_EQ(g->PostalFile(""), program + "yubin");
    g->SetPostalLocation(1);
    EXPECT_EQ(g->PostalFile("YubinS.dat"), dir.File("data/yubin/YubinS.dat"));
    ASSERT_TRUE(g->SetBookFolder(""));
    EXPECT_EQ(g->BookFolder(), dir.File("data") + "/");
    EXPECT_EQ(g->BookFile(""), dir.File("data")); // never a trailing "/"
    EXPECT_FALSE(g->SetBookFolder("../x"));
    EXPECT_EQ(g->BookFolder(), dir.File("data") + "/");

    struct Case {
        std::string path, folder;
    } cases[] = {
        { S("/a/ソ/b.csv"), S("/a/ソ") },
        { "/a/b/", "/a/b" },
        { "/top.csv", "/" },
        { "no-folder.csv", dir.File("docs") },
        { "", dir.File("docs") },
        { std::string("/").append(259, 'a'), dir.File("docs") },
        { std::string("/").append(258, 'a'), "/" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(g->FolderOfFile(c.path), c.folder) << U(c.path).substr(0, 40);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Paths, ResultsOf260BytesOrMoreAreRefused)
{
    const std::string data = dir.File("data") + "/";
    auto g = Make({ "", data, "" });
    struct Case {
        std::size_t total;
        bool refused;
    } cases[] = { { 258, false }, { 259, false }, { 260, true }, { 261, true } };
    for (const Case& c : cases) {
        messages.shown.clear();
        const std::string name(c.total - data.size(), 'n');
        const std::string result = g->DataFile(name);
        // Never the bare name, which would reach into the working folder.
        EXPECT_EQ(result, c.refused ? std::string() : data + name) << c.total;
        ASSERT_EQ(messages.shown.size(), c.refused ? 1u : 0u) << c.total;
        if (c.refused) {
            EXPECT_EQ(messages.shown[0].text, S("ファイル名が長すぎます。"));
            EXPECT_EQ(messages.shown[0].caption, S("注意"));
        }
    }
    messages.shown.clear();
    EXPECT_EQ(g->DataFile(std::string(260, 'n')), "");
    EXPECT_EQ(g->DataFile(std::string(259, 'n')), "");
    EXPECT_EQ(messages.shown.size(), 2u);

    // The postal dictionary's paths count 10 bytes more.
    g->SetPostalLocation(1);
    messages.shown.clear();
    const std::size_t base = data.size() + std::string("yubin/").size();
    EXPECT_EQ(g->PostalFile(std::string(249 - base, 'p')).size(), 249u);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(g->PostalFile(std::string(250 - base, 'p')), "");
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(Paths, PostalLocationFollowsTheNewerDictionary)
{
    const std::string data = dir.File("data") + "/";
    const std::string inData = data + "yubin/YubinS.dat";
    const std::string inProgram = program + "yubin/YubinS.dat";
    fs::MakeDirs(data + "yubin");
    fs::MakeDirs(program + "yubin");
    auto g = Make({ "", data, "" });
    EXPECT_EQ(g->PostalLocation(), 0) << "no dictionary in the data folder";

    WriteAll(inData, "d");
    g->RefreshPostalLocation();
    EXPECT_EQ(g->PostalLocation(), 1) << "only the data folder has one";

    WriteAll(inProgram, "p");
    struct Case {
        std::int64_t dataTime, programTime;
        int location;
    } cases[] = { { 2000, 1000, 1 }, { 1000, 1000, 0 }, { 1000, 2000, 0 } };
    for (const Case& c : cases) {
        SetMTime(inData, c.dataTime);
        SetMTime(inProgram, c.programTime);
        g->RefreshPostalLocation();
        EXPECT_EQ(g->PostalLocation(), c.location) << c.dataTime << " " << c.programTime;
    }

    SetMTime(inData, 2000);
    auto same = Make({ "", program, "" });
    EXPECT_EQ(same->PostalLocation(), 0) << "data folder is the program folder";
}

TEST_F(Paths, RememberedFileLocations)
{
    auto g = Make({ "", dir.File("data"), "" });
    EXPECT_EQ(g->GetPathEntry(1), "");
    ASSERT_TRUE(g->SetPathEntry(3, S("/home/u/郵便.csv")));
    EXPECT_EQ(ReadAll(g->BookFile("NrtPath.dat")), S("\r\n\r\n\r\n/home/u/郵便.csv\r\n"));
    ASSERT_TRUE(g->SetPathEntry(1, "/in.csv\r\n/other"));
    EXPECT_EQ(ReadAll(g->BookFile("NrtPath.dat")), S("\r\n/in.csv\r\n\r\n/home/u/郵便.csv\r\n"));
    EXPECT_EQ(g->GetPathEntry(1), "/in.csv");
    EXPECT_EQ(g->GetPathEntry(3), S("/home/u/郵便.csv"));
    EXPECT_EQ(g->GetPathEntry(7), "");
    EXPECT_EQ(g->GetPathEntry(-1), "");
    EXPECT_FALSE(g->SetPathEntry(-1, "x"));
}

TEST_F(Paths, RelativeFoldersAreTakenFromTheWorkingFolder)
{
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(fs::ToSystemPath(dir.Path()).c_str()), 0);
    auto g = Make({ "prog2", "data", "" });
    EXPECT_EQ(::chdir(previous), 0);
    EXPECT_EQ(g->DataFolder(), dir.File("data") + "/");
    EXPECT_EQ(g->ProgramFolder(), dir.File("prog2") + "/");
    EXPECT_TRUE(fs::IsDirectory(dir.File("data")));
    g->ReadSettings(true);
    EXPECT_TRUE(g->WriteSettings().Ok());
    EXPECT_TRUE(fs::IsFile(dir.File("data/nrt.ini")));
}

// Installed, the shipped files lie in share/nortea beside the programs' bin folder; a
// build tree or a portable copy keeps them in the programs' own folder. "nrt.ini"
// beside the program still makes that folder the data folder.
TEST_F(Paths, ShippedFilesOfAnInstallationAreInShareNortea)
{
    const std::string root = dir.File("inst");
    struct Case {
        const char* programs;
        bool share;
        const char* shipped;
    } cases[] = {
        { "/usr/bin/", true, "/usr/share/nortea/" },
        { "/usr/bin", true, "/usr/share/nortea/" },
        { "/usr/bin/", false, "/usr/bin/" },
        { "/build/release/bin/", false, "/build/release/bin/" },
        { "/opt/nortea/", true, "/opt/nortea/" },
    };
    for (const Case& c : cases) {
        const std::string programs = root + c.programs;
        fs::MakeDirs(programs);
        const std::string share = programs.substr(0, programs.find("/bin")) + "/share/nortea";
        if (c.share)
            fs::MakeDirs(share);
        EXPECT_EQ(DataPaths::ShippedFolder(programs), root + c.shipped) << c.programs;
        fs::RemoveTree(root);
    }

    fs::MakeDirs(root + "/usr/share/nortea");
    fs::MakeDirs(root + "/usr/bin");
    StartupFolders folders;
    folders.programFolder = root + "/usr/bin";
    folders.documentsFolder = dir.File("docs");
    {
        AppSettings g(folders);
        EXPECT_EQ(g.ProgramFolder(), root + "/usr/share/nortea/");
        EXPECT_EQ(g.ProgramFile("nrt.html"), root + "/usr/share/nortea/nrt.html");
        EXPECT_NE(g.DataFolder(), root + "/usr/bin/");
    }
    WriteAll(root + "/usr/bin/nrt.ini", "");
    AppSettings portable(folders);
    EXPECT_EQ(portable.DataFolder(), root + "/usr/bin/");
    EXPECT_EQ(portable.ProgramFolder(), root + "/usr/share/nortea/");
}
