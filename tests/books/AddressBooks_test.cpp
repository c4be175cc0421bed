// Users: creating (every refusal), switching with each user's table and settings
// kept apart, opening the main user in either of its homes, and removing.
#include "books/AddressBooks.h"

#include "UsersFixture.h"

#include <gtest/gtest.h>

using namespace nrt;
using nrt::platform::MsgResult;
using Created = nrt::AddressBooks::Created;
using Removed = nrt::AddressBooks::Removed;
using nrt::test::ReadAll;
using nrt::test::S;
using nrt::test::U;
using nrt::test::WriteAll;

namespace {

class UsersTest : public nrt::test::UsersFixture {
protected:
    Created Create(const char* name, AddressTable* open = nullptr)
    {
        AddressBooks users(*settings);
        AddressBooks::NewBook request;
        request.name = S(name);
        const auto created = users.Create(request, open, platform::Ask);
        message = created.Message();
        return created.result;
    }
    bool Open(const char* name)
    {
        AddressBooks users(*settings);
        bool saved = false;
        return users.Open(users.FindEntry(S(name)), table, saved, platform::Ask).result;
    }

    std::string message; // of the last Create
};

} // namespace

TEST_F(UsersTest, CreateRefusals)
{
    WriteAll(Data() + "userlist.dat", S("友人\r\n"));
    platform::fs::MakeDirs(dir.File("set"));
    struct Case {
        const char* name;
        bool copy;
        std::string copyFile;
        const char* message;
    } cases[] = {
        { "", false, "", "ユーザー名を入力して下さい。" },
        // A name of spaces alone makes a folder no list shows and no command names.
        { " ", false, "", "ユーザー名を入力して下さい。" },
        { "　 　", false, "", "ユーザー名を入力して下さい。" },
        { "山田-家", false, "", "使用出来ない文字(-)が使われました。" },
        { "a.b", false, "", "使用出来ない文字(.)が使われました。" },
        { "x/y", false, "", "使用出来ない文字(/)が使われました。" },
        { "メインユーザー", false, "", "メインユーザーは作成出来ません。別のユーザー名を入力して下さい。" },
        { "MAIL", false, "", "システムが使用しています。別のユーザー名を入力して下さい。" },
        { "Yubin", false, "", "システムが使用しています。別のユーザー名を入力して下さい。" },
        { "友人", false, "", "既に存在するユーザーです。" },
        { "a\nb", false, "", "不正なユーザー名です。" },
        { "a\tb", false, "", "不正なユーザー名です。" },
        { "会社\r", false, "", "不正なユーザー名です。" },
        { "会社", true, "", "パスの指定がありません。" },
        { "会社", true, "nrt.ndb", "コピー元の指定がありません。" },
        { "会社", true, dir.File("set") + "/nrt.ndb", "コピー元のファイルが存在しません。" },
    };
    for (const Case& c : cases) {
        AddressBooks users(*settings);
        AddressBooks::NewBook request { S(c.name), c.copy, c.copyFile };
        const auto created = users.Create(request, &table, platform::Ask);
        EXPECT_EQ(created.result, Created::kRefused) << c.message;
        EXPECT_EQ(U(created.Message()), c.message);
        EXPECT_EQ(U(settings->BookName()), "メインユーザー");
    }
    EXPECT_EQ(ReadAll(Data() + "userlist.dat"), S("友人\r\n"));
    // None of them got as far as the question, and none showed a box itself.
    EXPECT_TRUE(host.shown.empty());
}

TEST_F(UsersTest, EachUserKeepsItsOwnTableAndSettings)
{
    AddRecord(table, "山田");
    settings->SetScalePercent(150);
    AddressBooks users(*settings);
    AddressBooks::NewBook request { S("友人"), false, "" };
    ASSERT_EQ(users.Create(request, &table, platform::Ask).result, Created::kEmpty);
    EXPECT_EQ(U(host.shown.front().text), "ユーザーを作成します。よろしいですか？");
    EXPECT_EQ(settings->BookName(), S("友人"));
    EXPECT_EQ(settings->BookFile({}), Data() + S("友人"));
    EXPECT_EQ(ReadAll(Data() + "userlist.dat"), S("友人\r\n"));
    // The main user's table and settings were saved before the switch.
    AddressTable saved;
    ASSERT_EQ(saved.LoadTable(Data() + S("メインユーザー/nrt.ndb")), TableError::kNone);
    EXPECT_EQ(Names(saved), std::vector<std::string> { "山田" });

    users.StartEmpty(table);
    EXPECT_EQ(table.GetRecordCount(), 0);
    EXPECT_EQ(table.GetFieldCount(), 24);
    EXPECT_EQ(settings->GetScalePercent(), 100);
    AddRecord(table, "佐藤");
    settings->SetScalePercent(200);

    ASSERT_TRUE(Open("（メインユーザー）"));
    EXPECT_EQ(settings->BookName(), S("メインユーザー"));
    EXPECT_EQ(Names(table), std::vector<std::string> { "山田" });
    EXPECT_EQ(settings->GetScalePercent(), 150);

    ASSERT_TRUE(Open("友人"));
    EXPECT_EQ(Names(table), std::vector<std::string> { "佐藤" });
    EXPECT_EQ(settings->GetScalePercent(), 200);
    EXPECT_EQ(U(host.LastText()), "ユーザーを開きます。よろしいですか？");

    // A second user is listed after the first.
    ASSERT_EQ(Create("会社", &table), Created::kEmpty);
    EXPECT_EQ(ReadAll(Data() + "userlist.dat"), S("友人\r\n会社\r\n"));
    EXPECT_EQ(AddressBooks(*settings).Entries(),
        (std::vector<std::string> { S("（メインユーザー）"), S("友人"), S("会社") }));
}

TEST_F(UsersTest, OpeningRefusalsAndEmptyOrDamagedBooks)
{
    WriteAll(Data() + "userlist.dat", S("空\r\n壊れ\r\n"));
    platform::fs::MakeDirs(Data() + S("壊れ"));
    WriteAll(Data() + S("壊れ/nrt.ndb"), "not a table");
    AddRecord(table, "山田");
    AddressBooks users(*settings);
    bool saved = false;

    // Refusals come back before the question; an answer of No is no refusal.
    const struct {
        int entry;
        MsgResult answer;
        const char* message;
        std::size_t questions;
    } refusals[] = {
        { -1, MsgResult::Yes, "ユーザーを選択してください。", 0 },
        { 0, MsgResult::Yes, "既に開かれています。", 0 },
        { 1, MsgResult::No, "", 1 },
    };
    for (const auto& c : refusals) {
        host.shown.clear();
        host.Answer(c.answer);
        const auto opened = users.Open(c.entry, table, saved, platform::Ask);
        host.answers.clear();
        EXPECT_FALSE(opened.result) << c.entry;
        EXPECT_EQ(U(opened.Message()), c.message);
        EXPECT_EQ(host.shown.size(), c.questions) << c.entry;
    }
    EXPECT_FALSE(saved);

    const auto damaged = users.Open(2, table, saved, platform::Ask);
    EXPECT_FALSE(damaged.result);
    EXPECT_EQ(U(damaged.Message()), "読み込みに失敗しました。");
    EXPECT_TRUE(saved);
    EXPECT_EQ(settings->BookName(), S("メインユーザー"));
    EXPECT_EQ(Names(table), std::vector<std::string> { "山田" });

    // A user whose folder has no table opens with an empty one.
    EXPECT_TRUE(users.Open(1, table, saved, platform::Ask).result);
    EXPECT_EQ(settings->BookName(), S("空"));
    EXPECT_EQ(table.GetRecordCount(), 0);
    EXPECT_EQ(table.GetFieldCount(), 24);
}

TEST_F(UsersTest, TheMainUserKeptInTheDataFolder)
{
    ASSERT_EQ(Create("友人", &table), Created::kEmpty);
    WriteAll(Data() + "NrtUser.ini", "[OPT]\r\nRITU=125\r\n");
    AddressTable old;
    old.CreateDefaultTable();
    AddRecord(old, "古い");
    ASSERT_EQ(old.SaveTable(Data() + "nrt.ndb"), TableError::kNone);

    ASSERT_TRUE(Open("メインユーザー"));
    EXPECT_EQ(settings->BookName(), "");
    EXPECT_EQ(settings->BookFile("nrt.ndb"), Data() + "nrt.ndb");
    EXPECT_EQ(Names(table), std::vector<std::string> { "古い" });
    EXPECT_EQ(settings->GetScalePercent(), 125);
    EXPECT_TRUE(AddressBooks(*settings).IsCurrentEntry(0));
    EXPECT_FALSE(AddressBooks(*settings).IsCurrentEntry(1));
}

TEST_F(UsersTest, RemovingTakesOnlyTheListEntry)
{
    ASSERT_EQ(Create("友人", &table), Created::kEmpty);
    ASSERT_EQ(Create("会社", &table), Created::kEmpty);
    ASSERT_TRUE(Open("（メインユーザー）"));
    AddressBooks users(*settings);
    struct Case {
        int entry;
        MsgResult answer;
        Removed result;
        const char* message;
    } cases[] = {
        { -1, MsgResult::Yes, Removed::kRefused, "ユーザーを選択してください。" },
        { 0, MsgResult::Yes, Removed::kRefused, "削除できないデータです。" },
        { 1, MsgResult::No, Removed::kCancelled, "" },
    };
    for (const Case& c : cases) {
        host.Answer(c.answer);
        const auto removed = users.Remove(c.entry, platform::Ask);
        EXPECT_EQ(removed.result, c.result) << c.message;
        EXPECT_EQ(U(removed.Message()), c.message);
        host.answers.clear();
    }
    EXPECT_EQ(U(host.LastText()), "ユーザーを削除します。よろしいですか？");
    EXPECT_EQ(host.shown.back().defaultButton, MsgResult::No);
    ASSERT_TRUE(Open("会社"));
    const auto open = AddressBooks(*settings).Remove(2, platform::Ask);
    EXPECT_EQ(open.result, Removed::kRefused);
    EXPECT_EQ(U(open.Message()), "開いているユーザーは削除できません。");

    EXPECT_EQ(AddressBooks(*settings).Remove(1, platform::Ask).result, Removed::kRemoved);
    EXPECT_EQ(ReadAll(Data() + "userlist.dat"), S("会社\r\n"));
    EXPECT_TRUE(platform::fs::IsFile(Data() + S("友人/NrtUser.ini")));

    // Creating it again finds its files and asks before taking them over.
    host.Answer(MsgResult::Yes);
    host.Answer(MsgResult::No);
    EXPECT_EQ(Create("友人", &table), Created::kCancelled);
    EXPECT_EQ(U(host.LastText()), "既存データが存在します。\n上書きしますがよろしいですか？");
    EXPECT_EQ(host.shown.back().defaultButton, MsgResult::No);
    EXPECT_EQ(settings->BookName(), S("会社"));
    EXPECT_EQ(ReadAll(Data() + "userlist.dat"), S("会社\r\n"));
    EXPECT_EQ(Create("友人", &table), Created::kEmpty);
    EXPECT_EQ(ReadAll(Data() + "userlist.dat"), S("会社\r\n友人\r\n"));
}

TEST_F(UsersTest, AWriteThatFailsIsToldAndChangesNothing)
{
    ASSERT_EQ(Create("友人", &table), Created::kEmpty);
    ASSERT_EQ(Create("会社", &table), Created::kEmpty);
    ASSERT_TRUE(Open("（メインユーザー）"));
    AddRecord(table, "山田");
    AddressBooks users(*settings);
    bool saved = false;

    platform::fs::testing::FailWritesAfter(0);
    const auto opened = users.Open(1, table, saved, platform::Ask);
    const auto removed = users.Remove(1, platform::Ask);
    platform::fs::testing::FailWritesAfter(-1);

    EXPECT_FALSE(opened.result);
    EXPECT_EQ(U(opened.Message()), "開く前のデータ保存に失敗しました。");
    EXPECT_FALSE(saved);
    EXPECT_EQ(settings->BookName(), S("メインユーザー"));
    EXPECT_EQ(Names(table), std::vector<std::string> { "山田" });
    EXPECT_EQ(removed.result, Removed::kFailed);
    EXPECT_EQ(U(removed.Message()), "削除に失敗しました。");
    EXPECT_EQ(ReadAll(Data() + "userlist.dat"), S("友人\r\n会社\r\n"));
    EXPECT_EQ(users.FindEntry(S("友人")), 1);
}

TEST_F(UsersTest, AFolderThatCannotBeMadeGivesTheUserBack)
{
    WriteAll(Data() + S("倉庫"), "a file where the folder should go");
    EXPECT_EQ(Create("倉庫", &table), Created::kRefused);
    EXPECT_EQ(U(message), "不正なユーザー名です。");
    EXPECT_EQ(settings->BookName(), S("メインユーザー"));
    EXPECT_FALSE(platform::fs::Exists(Data() + "userlist.dat"));
}

TEST_F(UsersTest, KeysThatTypeAName)
{
    const std::string typable = "09AZaz()_@`";
    for (char c : typable)
        EXPECT_TRUE(AddressBooks::IsTypable(static_cast<unsigned char>(c))) << c;
    const std::string refused = "!#$%&*+-./:;<=>?[\\]^{|}~,\"' ";
    for (char c : refused)
        EXPECT_FALSE(AddressBooks::IsTypable(static_cast<unsigned char>(c))) << c;
    EXPECT_TRUE(AddressBooks::IsTypable(0xB1)); // half-width katakana
    EXPECT_TRUE(AddressBooks::IsTypable(0x82)); // a lead byte
}
