// The category lists editor: adding, inserting, renaming (in the records too), moving,
// deleting, and what closing writes and reloads.
#include "BookFixture.h"
#include "GuiTestSupport.h"

#include "app/MainListModel.h"
#include "forms/CategoryEditor.h"
#include "forms/RecordEditor.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

using namespace nrt;
using namespace nrt::gui;
using namespace nrt::test;
using nrt::platform::MsgResult;

namespace {

class MasterTest : public BookFixture {
protected:
    void SetUp() override
    {
        BookFixture::SetUp();
        WriteLines("nrt_ms01.nms", { "友人", "会社", "家族" });
        WriteTable({
            { { { "宛名区分", "0" }, { "名前", "一" }, { "大分類", "友人" }, { "小分類", "友人" } } },
            { { { "宛名区分", "0" }, { "名前", "二" }, { "大分類", "会社" } } },
            { { { "宛名区分", "1" }, { "名前", "三" }, { "大分類", "友人" } } },
            { { { "宛名区分", "0" }, { "名前", "四" }, { "大分類", "友人会" } } },
        });
        Open();
    }

    std::unique_ptr<CategoryEditor> Editor(int kind = CategoryEditor::kMajor)
    {
        auto e = std::make_unique<CategoryEditor>(*main, kind, main.get());
        e->show();
        return e;
    }

    std::vector<std::string> Items(const CategoryEditor& e) const
    {
        std::vector<std::string> out;
        for (const std::string& i : e.Items())
            out.push_back(U(i));
        return out;
    }

    std::string File(const char* name) const { return U(ReadAll(BookFile(name))); }
    using Strings = std::vector<std::string>;
};

} // namespace

TEST_F(MasterTest, ItemsAreAddedInsertedAndChecked)
{
    auto e = Editor();
    EXPECT_EQ(e->windowTitle(), QStringLiteral("大分類の編集"));
    EXPECT_EQ(Control<QLabel>(e, "lbl_Title")->text(), QStringLiteral("大分類"));
    EXPECT_EQ(Control<QLabel>(e, "lbl_Kind")->text(), QStringLiteral("新　規"));
    EXPECT_EQ(Items(*e), (Strings { "友人", "会社", "家族" }));

    Control<QPushButton>(e, "cmd_Input")->click();
    EXPECT_EQ(Texts(), Strings { "項目名を入力して下さい。" });
    EXPECT_EQ(U(host.shown[0].caption), "注意");

    Control<QLineEdit>(e, "txt_Data")->setText(QStringLiteral("会社"));
    Control<QPushButton>(e, "cmd_Input")->click();
    EXPECT_EQ(Texts().back(), "既に登録されている項目名です。");
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Data")->text(), QStringLiteral("会社"));

    Control<QLineEdit>(e, "txt_Data")->setText(QStringLiteral("取引先"));
    Control<QPushButton>(e, "cmd_Input")->click();
    EXPECT_EQ(Items(*e), (Strings { "友人", "会社", "家族", "取引先" })) << "nothing selected: appended";
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Data")->text(), QString());
    EXPECT_FALSE(e->TextChanged());

    Control<QListWidget>(e, "lst_List")->item(1)->setSelected(true);
    Control<QLineEdit>(e, "txt_Data")->setText(QStringLiteral("学校"));
    Control<QPushButton>(e, "cmd_Input")->click();
    EXPECT_EQ(Items(*e), (Strings { "友人", "学校", "会社", "家族", "取引先" })) << "inserted before the selection";

    // The text box takes at most 20 bytes.
    Control<QLineEdit>(e, "txt_Data")->clear();
    QTest::keyClicks(Control<QLineEdit>(e, "txt_Data"), QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Data")->text(), QStringLiteral("abcdefghijklmnopqrst"));

    Control<QLineEdit>(e, "txt_Data")->clear();
    Control<QPushButton>(e, "cmd_Close")->click();
    EXPECT_TRUE(e->ListWritten());
    EXPECT_EQ(File("nrt_ms01.nms"), "友人\r\n学校\r\n会社\r\n家族\r\n取引先\r\n");
}

TEST_F(MasterTest, RenamingRewritesTheRecordsAndTheTabs)
{
    WhileModal(
        [&](QWidget* modal) {
            auto* e = qobject_cast<CategoryEditor*>(modal);
            ASSERT_NE(e, nullptr);
            e->itemListDoubleClicked(0);
            EXPECT_EQ(Control<QLineEdit>(e, "txt_Data")->text(), QStringLiteral("友人"));
            EXPECT_EQ(Control<QLabel>(e, "lbl_Kind")->text(), QStringLiteral("更　新"));
            EXPECT_FALSE(e->TextChanged());
            Control<QLineEdit>(e, "txt_Data")->setText(QStringLiteral("親友"));
            Control<QPushButton>(e, "cmd_Input")->click();
            EXPECT_EQ(Items(*e), (Strings { "親友", "会社", "家族" }));
            EXPECT_EQ(Control<QLabel>(e, "lbl_Kind")->text(), QStringLiteral("新　規"));
            EXPECT_EQ(e->EditIndex(), -1);
            Control<QPushButton>(e, "cmd_Close")->click();
        },
        [&] { main->findChild<QAction*>(QStringLiteral("N5"))->trigger(); });
    EXPECT_TRUE(host.shown.empty());
    // Addressees and senders alike; 友人会 is another category; 小分類 is another field.
    EXPECT_EQ(Value(0, "大分類"), "親友");
    EXPECT_EQ(Value(1, "大分類"), "会社");
    EXPECT_EQ(Value(2, "大分類"), "親友");
    EXPECT_EQ(Value(3, "大分類"), "友人会");
    EXPECT_EQ(Value(0, "小分類"), "友人");
    EXPECT_EQ(File("nrt_ms01.nms"), "親友\r\n会社\r\n家族\r\n");
    EXPECT_EQ(Control<QTabBar>(main, "tag_Main")->tabText(1), QStringLiteral("親友"));
    EXPECT_EQ(Control<QTabBar>(main, "tag_Main")->currentIndex(), 0);
    auto* input = main->findChild<RecordEditor*>();
    EXPECT_EQ(Control<QComboBox>(input, "cbo_Div1")->itemText(0), QStringLiteral("親友"));
}

TEST_F(MasterTest, MinorCategoriesRenameOnlyTheirField)
{
    WriteLines("nrt_ms02.nms", { "友人" });
    auto e = Editor(CategoryEditor::kMinor);
    EXPECT_EQ(e->windowTitle(), QStringLiteral("小分類の編集"));
    e->itemListDoubleClicked(0);
    Control<QLineEdit>(e, "txt_Data")->setText(QStringLiteral("旧友"));
    Control<QPushButton>(e, "cmd_Input")->click();
    EXPECT_EQ(Value(0, "小分類"), "旧友");
    EXPECT_EQ(Value(0, "大分類"), "友人");
    EXPECT_EQ(e->Renames().size(), 1u);
}

TEST_F(MasterTest, NewAfterADoubleClickAddsAnItem)
{
    auto e = Editor();
    e->itemListDoubleClicked(1);
    Control<QPushButton>(e, "cmd_New")->click();
    EXPECT_TRUE(host.shown.empty()) << "nothing typed: no question";
    EXPECT_EQ(Control<QLabel>(e, "lbl_Kind")->text(), QStringLiteral("新　規"));
    Control<QListWidget>(e, "lst_List")->clearSelection();
    Control<QLineEdit>(e, "txt_Data")->setText(QStringLiteral("近所"));
    Control<QPushButton>(e, "cmd_Input")->click();
    EXPECT_EQ(Items(*e), (Strings { "友人", "会社", "家族", "近所" }));
    EXPECT_EQ(Value(1, "大分類"), "会社");

    // With typed text "新規" asks first.
    Control<QLineEdit>(e, "txt_Data")->setText(QStringLiteral("途中"));
    host.Answer(MsgResult::No);
    Control<QPushButton>(e, "cmd_New")->click();
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(U(host.shown[0].text), "データの更新があります。破棄しますか？");
    EXPECT_EQ(host.shown[0].icon, platform::MsgIcon::Warning);
    EXPECT_EQ(host.shown[0].defaultButton, MsgResult::No);
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Data")->text(), QStringLiteral("途中"));
    Control<QPushButton>(e, "cmd_New")->click(); // Yes
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Data")->text(), QString());
}

TEST_F(MasterTest, MovingAndDeleting)
{
    auto e = Editor();
    Control<QPushButton>(e, "cmd_Up")->click();
    EXPECT_EQ(host.beeps, 1) << "nothing selected";
    Control<QListWidget>(e, "lst_List")->item(0)->setSelected(true);
    Control<QPushButton>(e, "cmd_Up")->click();
    EXPECT_EQ(host.beeps, 2);
    EXPECT_FALSE(e->ListChanged());
    EXPECT_EQ(Items(*e), (Strings { "友人", "会社", "家族" }));
    Control<QPushButton>(e, "cmd_Down")->click();
    EXPECT_EQ(Items(*e), (Strings { "会社", "友人", "家族" }));
    EXPECT_TRUE(Control<QListWidget>(e, "lst_List")->item(1)->isSelected());
    Control<QPushButton>(e, "cmd_Down")->click();
    Control<QPushButton>(e, "cmd_Down")->click();
    EXPECT_EQ(host.beeps, 3);
    EXPECT_EQ(Items(*e), (Strings { "会社", "家族", "友人" }));

    host.Answer(MsgResult::No);
    Control<QPushButton>(e, "cmd_Del")->click();
    EXPECT_EQ(Texts(), Strings { "削除します。よろしいですか？" });
    EXPECT_EQ(host.shown[0].icon, platform::MsgIcon::Question);
    EXPECT_EQ(Items(*e).size(), 3u);
    e->itemListDoubleClicked(2);
    Control<QPushButton>(e, "cmd_Del")->click();
    EXPECT_EQ(Items(*e), (Strings { "会社", "家族" }));
    EXPECT_EQ(e->EditIndex(), -1) << "deleting leaves the rename";
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Data")->text(), QString());
    EXPECT_EQ(Value(0, "大分類"), "友人") << "records keep a deleted category";
    Control<QPushButton>(e, "cmd_Close")->click();
    EXPECT_EQ(File("nrt_ms01.nms"), "会社\r\n家族\r\n");
}

TEST_F(MasterTest, ClosingWritesOnlyAfterAChange)
{
    WriteAll(BookFile("nrt_ms01.nms"), S("友人\r\n会社")); // no line end at the end
    auto e = Editor();
    Control<QLineEdit>(e, "txt_Data")->setText(QStringLiteral("書きかけ"));
    host.Answer(MsgResult::No);
    Control<QPushButton>(e, "cmd_Close")->click();
    EXPECT_TRUE(e->isVisible());
    EXPECT_EQ(Texts(), Strings { "データの更新があります。破棄しますか？" });
    e->reject(); // Yes
    EXPECT_FALSE(e->isVisible());
    EXPECT_FALSE(e->ListWritten());
    EXPECT_EQ(File("nrt_ms01.nms"), "友人\r\n会社") << "the file was not touched";

    // A file that cannot be written is reported, and the lists are reloaded all the same.
    WhileModal(
        [&](QWidget* modal) {
            auto* m = qobject_cast<CategoryEditor*>(modal);
            Control<QLineEdit>(m, "txt_Data")->setText(QStringLiteral("追加"));
            Control<QPushButton>(m, "cmd_Input")->click();
            platform::fs::testing::FailWritesAfter(0);
            Control<QPushButton>(m, "cmd_Close")->click();
            platform::fs::testing::FailWritesAfter(-1);
        },
        [&] { EditCategoryList(*main, main->findChild<RecordEditor*>(), CategoryEditor::kMajor); });
    EXPECT_EQ(Texts().back(), "データの保存に失敗しました。");
    EXPECT_EQ(File("nrt_ms01.nms"), "友人\r\n会社");
    EXPECT_EQ(Control<QTabBar>(main, "tag_Main")->count(), 4);
}
