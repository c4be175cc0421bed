// The main window keeps the book on disk as it goes: each committed change is saved
// at once, SIGTERM closes with a save, a file changed behind its back is not simply
// overwritten, another writer keeps it out, and a damaged book is reported.
#include "BookFixture.h"
#include "GuiTestSupport.h"

#include "app/MainListModel.h"
#include "app/QuitSignals.h"
#include "books/BookSafety.h"
#include "forms/RecordEditor.h"
#include "platform/FileLock.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>

using namespace nrt;
using namespace nrt::gui;
using namespace nrt::test;
using nrt::platform::MsgResult;

namespace {

class BookSafetyGui : public BookFixture {
protected:
    void SetUp() override
    {
        BookFixture::SetUp();
        WriteTable({ { { { "宛名区分", "0" }, { "印字区分", "0" }, { "名前", "青木" } } },
            { { { "宛名区分", "0" }, { "印字区分", "0" }, { "名前", "佐藤" } } } });
    }

    static QString TooLong() { return QString(60, QChar(0x3042)); }

    // Names and marks of the records in the file, as UTF-8 "name:mark".
    std::vector<std::string> OnDisk() const
    {
        AddressTable db;
        std::vector<std::string> out;
        if (db.LoadTable(BookFile("nrt.ndb")) != TableError::kNone)
            return { "<unreadable>" };
        for (int k = 0; k < db.GetRecordCount(); ++k)
            out.push_back(U(db.Value(field::kName, k)) + ":" + std::string(db.Value(field::kPrintMark, k)));
        return out;
    }
};

} // namespace

TEST_F(BookSafetyGui, EveryCommittedChangeIsOnDiskAtOnce)
{
    Open();
    ASSERT_TRUE(main->Opened());
    struct Step {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> disk;
    } steps[] = {
        { "登録 of a new record",
            [&] {
                auto* f = main->findChild<RecordEditor*>();
                f->Prepare(-1, 0);
                f->show();
                Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("山田"));
                Control<QPushButton>(f, "cmd_Input")->click();
            },
            { "青木:0", "佐藤:0", "山田:1" } },
        { "a mark clicked (the list is in name order)", [&] { main->ToggleMark(0); },
            { "青木:0", "佐藤:1", "山田:1" } },
        { "bulk mark", [&] { main->BulkMark(); }, { "青木:1", "佐藤:1", "山田:1" } },
        { "delete all", [&] { main->DeleteAll(); }, {} },
    };
    for (const Step& s : steps) {
        s.change();
        EXPECT_EQ(OnDisk(), s.disk) << s.what;
    }
}

// A mark the table refuses (here its record went away behind the list) is said, and
// the list goes on showing what the table holds. The list is in name order: 佐藤, 青木.
TEST_F(BookSafetyGui, AMarkThatCannotBeStoredIsReportedAndNotShown)
{
    struct Case {
        const char* what;
        int goneRecord;
        std::function<void()> mark;
        std::vector<std::string> shown;
    } cases[] = {
        { "a mark clicked", 1, [&] { main->ToggleMark(0); }, { "", "" } },
        { "bulk mark stops at the refused record", 0, [&] { main->BulkMark(); }, { "●", "" } },
    };
    for (const Case& c : cases) {
        main.reset();
        WriteTable({ { { { "宛名区分", "0" }, { "印字区分", "0" }, { "名前", "青木" } } },
            { { { "宛名区分", "0" }, { "印字区分", "0" }, { "名前", "佐藤" } } } });
        Open();
        host.shown.clear();
        ASSERT_TRUE(main->Table().MarkDeleted(c.goneRecord));
        c.mark();
        EXPECT_EQ(Texts(), std::vector<std::string> { "印字区分の更新に失敗しました。" }) << c.what;
        std::vector<std::string> shown;
        for (int row = 0; row < 2; ++row)
            shown.push_back(U(main->Model().CellText(row, 0)));
        EXPECT_EQ(shown, c.shown) << c.what;
        EXPECT_EQ(Value(c.goneRecord, "印字区分"), "0") << c.what;
    }
}

TEST_F(BookSafetyGui, ASettingsSaveThatFailsOnClosingIsReported)
{
    Open();
    platform::fs::testing::FailWritesAfter(0);
    main->close();
    platform::fs::testing::FailWritesAfter(-1);
    // The program's text, then the first file that failed and the system's reason.
    ASSERT_EQ(Texts().size(), 1U);
    EXPECT_EQ(Texts()[0],
        std::string("保存に失敗しました。\n") + U(dir.File("nrt.ini")) + '\n'
            + U(platform::Utf8ToSjis(std::strerror(ENOSPC))));
}

TEST_F(BookSafetyGui, SigtermClosesTheWindowWithASave)
{
    Open();
    main->show();
    QuitSignals quit(main.get());
    // A change that nothing saved yet.
    AddressTable& db = main->Table();
    db.ClearCurrent();
    EXPECT_EQ(db.SetValue(field::kName, S("未保存")), RecordError::kNone);
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    std::raise(SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !main->isVisible(); }, 5000));
    EXPECT_EQ(OnDisk(), (std::vector<std::string> { "青木:0", "佐藤:0", "未保存:" }));
}

// A logout with the input form open: the pending edit is stored and saved, and no
// question goes out that nobody is left to answer. An edit the checks refuse is kept
// as a draft, offered with the next new record.
TEST_F(BookSafetyGui, SigtermStoresThePendingEditOfTheInputForm)
{
    for (const bool valid : { true, false }) {
        SCOPED_TRACE(valid);
        main.reset();
        host.shown.clear();
        SetUp(); // the two records again
        Open();
        main->show();
        QuitSignals quit(main.get());
        auto* form = main->findChild<RecordEditor*>();
        ASSERT_NE(form, nullptr);
        form->Prepare(0, 0); // 佐藤, first in the list's order
        form->show();
        // Pasted past the field's width, a name is refused by the checks.
        form->findChild<QLineEdit*>(QStringLiteral("txt_Name"))->setText(valid ? QStringLiteral("青木改") : TooLong());
        ASSERT_TRUE(form->Changed());
        std::raise(SIGTERM);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !main->isVisible(); }, 5000));
        EXPECT_TRUE(host.shown.empty()) << Texts().front();
        EXPECT_EQ(OnDisk(), (std::vector<std::string> { "青木:0", valid ? "青木改:0" : "佐藤:0" }));
        EXPECT_EQ(platform::fs::Exists(BookFile("NrtDraft.dat")), !valid);
    }
    main.reset();
    Open();
    auto* form = main->findChild<RecordEditor*>();
    ASSERT_NE(form, nullptr);
    host.Answer(MsgResult::Yes);
    form->Prepare(-1, 0);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(Texts().back(), "前回の終了時に登録できなかった入力があります。入力欄に戻しますか？");
    EXPECT_EQ(form->findChild<QLineEdit*>(QStringLiteral("txt_Name"))->text(), TooLong());
    EXPECT_TRUE(form->Changed());
    EXPECT_FALSE(platform::fs::Exists(BookFile("NrtDraft.dat")));
}

TEST_F(BookSafetyGui, AFileChangedBehindTheWindowIsNotOverwrittenUnasked)
{
    Open();
    AddressTable other;
    ASSERT_EQ(other.LoadTable(BookFile("nrt.ndb")), TableError::kNone);
    other.ClearCurrent();
    EXPECT_EQ(other.SetValue(field::kName, S("外から")), RecordError::kNone);
    EXPECT_EQ(other.PostRecord(), RecordError::kNone);
    ASSERT_EQ(other.SaveTable(BookFile("nrt.ndb")), TableError::kNone);

    host.Answer(MsgResult::No);
    main->ToggleMark(0);
    ASSERT_FALSE(host.shown.empty());
    EXPECT_NE(Texts().back().find("他で変更されています"), std::string::npos);
    EXPECT_EQ(OnDisk(), (std::vector<std::string> { "青木:0", "佐藤:0", "外から:" }));
    host.Answer(MsgResult::Yes);
    main->ToggleMark(1);
    EXPECT_EQ(OnDisk(), (std::vector<std::string> { "青木:1", "佐藤:1" }));
}

TEST_F(BookSafetyGui, AnotherWriterKeepsTheWindowOut)
{
    platform::FileLock held;
    ASSERT_EQ(held.TryLock(dir.Path() + "/" + kWriteLockName), platform::FileLock::Result::Locked);
    Open();
    EXPECT_FALSE(main->Opened());
    ASSERT_EQ(host.shown.size(), 1u);
    main->close();
    main.reset();
    EXPECT_EQ(OnDisk(), (std::vector<std::string> { "青木:0", "佐藤:0" }));
}

TEST_F(BookSafetyGui, ADamagedBookIsReportedAndKeptAsideBeforeTheFirstSave)
{
    std::string bytes = ReadAll(BookFile("nrt.ndb"));
    bytes.resize(bytes.size() - 10); // the second record cut short
    WriteAll(BookFile("nrt.ndb"), bytes);
    host.Answer(MsgResult::No);
    Open();
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_NE(Texts()[0].find("（1件）"), std::string::npos) << Texts()[0];
    EXPECT_NE(Texts()[0].find("今すぐ修復しますか？"), std::string::npos) << Texts()[0];
    EXPECT_EQ(ReadAll(BookFile("nrt.ndb")), bytes) << "opening writes nothing";
    main->ToggleMark(0);
    ASSERT_FALSE(main->Table().DamagedCopy().empty());
    EXPECT_EQ(ReadAll(main->Table().DamagedCopy()), bytes);
    EXPECT_NE(Texts().back().find(U(main->Table().DamagedCopy())), std::string::npos);
    EXPECT_EQ(OnDisk(), (std::vector<std::string> { "青木:1" }));
}

// Answered Yes, the question at opening repairs the book at once, as nortea-cli
// repair does: the records read are saved, the damaged original kept and named.
TEST_F(BookSafetyGui, ADamagedBookRepairedAtOpening)
{
    std::string bytes = ReadAll(BookFile("nrt.ndb"));
    bytes.resize(bytes.size() - 10);
    WriteAll(BookFile("nrt.ndb"), bytes);
    host.Answer(MsgResult::Yes);
    Open();
    ASSERT_EQ(host.shown.size(), 2u);
    EXPECT_EQ(host.shown[0].buttons, platform::MsgButtons::YesNo);
    ASSERT_FALSE(main->Table().DamagedCopy().empty());
    EXPECT_EQ(ReadAll(main->Table().DamagedCopy()), bytes);
    EXPECT_NE(Texts()[1].find(U(main->Table().DamagedCopy())), std::string::npos) << Texts()[1];
    EXPECT_EQ(OnDisk(), (std::vector<std::string> { "青木:0" }));
    AddressTable db;
    ASSERT_EQ(db.LoadTable(BookFile("nrt.ndb")), TableError::kNone);
    EXPECT_TRUE(db.LoadedWhole());
}

// A full disk must not bury the user in one message box a second: the failure is said
// once, and saving is tried again with the next change (or on closing).
TEST_F(BookSafetyGui, AFailedSaveIsReportedOnceAndTriedAgainWithTheNextChange)
{
    Open();
    platform::fs::testing::FailWritesAfter(0);
    main->ToggleMark(0);
    main->SaveChanges(); // as the timer would, twice
    main->SaveChanges();
    platform::fs::testing::FailWritesAfter(-1);
    main->SaveChanges();
    EXPECT_EQ(Texts(), std::vector<std::string> { "保存に失敗しました。" });
    EXPECT_EQ(OnDisk(), (std::vector<std::string> { "青木:0", "佐藤:0" }));
    main->ToggleMark(1);
    EXPECT_EQ(OnDisk(), (std::vector<std::string> { "青木:1", "佐藤:1" }));
}
