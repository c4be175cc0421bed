// The duplicates window: its pairs, one merge saved to the book in the safe order, and
// its picture for the documentation.
#include "forms/DuplicatesDialog.h"

#include "BookFixture.h"
#include "GuiTestSupport.h"
#include "db/AddressTable.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>

using namespace nrt;
using namespace nrt::test;

namespace {

class DuplicatesWindow : public BookFixture { };

} // namespace

TEST_F(DuplicatesWindow, MergesAPairAndSavesTheBook)
{
    WriteTable({
        { { { "宛名区分", "0" }, { "名前", "山田 太郎" }, { "カナ", "ﾔﾏﾀﾞ ﾀﾛｳ" }, { "都道府県", "東京都" },
            { "住所１", "千代田区丸の内1-2-3" }, { "電話番号", "03-1234-5678" }, { "大分類", "友人" },
            { "登録日", "2019/01/10" } } },
        { { { "宛名区分", "0" }, { "名前", "佐藤 花子" }, { "カナ", "ｻﾄｳ ﾊﾅｺ" }, { "メール", "hanako@example.jp" } } },
        { { { "宛名区分", "0" }, { "名前", "山田　太郎" }, { "印字区分", "1" }, { "電話番号", "0312345678" },
            { "メール", "taro@example.jp" }, { "大分類", "仕事" }, { "年賀状履歴", "2026出" } } },
        { { { "宛名区分", "0" }, { "名前", "髙橋 一郎" }, { "カナ", "ﾀｶﾊｼ ｲﾁﾛｳ" },
            { "メール", "ichiro@example.jp" } } },
        { { { "宛名区分", "0" }, { "名前", "高橋 一郎" }, { "カナ", "ﾀｶﾊｼ ｲﾁﾛｳ" }, { "メール", "ichiro@example.jp" },
            { "携帯番号", "090-1111-2222" } } },
    });
    Open();
    ASSERT_TRUE(main->Opened());

    // Reached from the edit menu.
    QAction* command = main->findChild<QAction*>(QStringLiteral("mnuEditDuplicates"));
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(main->EditMenu()->actions().contains(command));

    gui::DuplicatesDialog dialog(*main);
    ASSERT_EQ(dialog.Pairs().size(), 2u);
    auto* table = Control<QTableWidget>(dialog, "gri_Pairs");
    EXPECT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("山田 太郎"));
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("山田　太郎"));
    EXPECT_EQ(table->item(0, 5)->text(), QStringLiteral("電話"));
    EXPECT_EQ(table->item(2, 0)->text(), QStringLiteral("髙橋 一郎"));
    EXPECT_EQ(Control<QLabel>(dialog, "lbl_Ken")->text(), QStringLiteral("2 組"));
    dialog.show();
    SaveScreenshot(dialog, "duplicates-window");

    // Declined: nothing changes.
    host.Answer(platform::MsgResult::No);
    table->selectRow(1);
    Control<QPushButton>(dialog, "cmd_Merge")->click();
    EXPECT_EQ(dialog.Pairs().size(), 2u);

    table->selectRow(1);
    Control<QPushButton>(dialog, "cmd_Merge")->click();
    EXPECT_EQ(Texts().back(), "「山田　太郎」を「山田 太郎」に統合します。よろしいですか？");
    ASSERT_EQ(dialog.Pairs().size(), 1u);
    EXPECT_EQ(table->rowCount(), 2);

    // The saved book holds the merged record and not the other one.
    AddressTable saved;
    ASSERT_EQ(saved.LoadTable(BookFile("nrt.ndb")), TableError::kNone);
    int yamada = 0, records = 0;
    for (int k = 0; k < saved.GetRecordCount(); ++k) {
        if (saved.IsDeleted(k))
            continue;
        ++records;
        if (U(saved.Value(field::kName, k)).starts_with("山田")) {
            ++yamada;
            EXPECT_EQ(U(saved.Value(field::kName, k)), "山田 太郎");
            EXPECT_EQ(U(saved.Value(field::kPrintMark, k)), "1");
            EXPECT_EQ(U(saved.Value(field::kMail, k)), "taro@example.jp");
            EXPECT_EQ(U(saved.Value(field::kCategory, k)), "友人");
            EXPECT_EQ(U(saved.Value(field::kNote2, k)), "（統合）大分類：仕事");
            EXPECT_EQ(U(saved.GetValueByName(S("年賀状履歴"), k)), "2026出");
        }
    }
    EXPECT_EQ(yamada, 1);
    EXPECT_EQ(records, 4);
    EXPECT_FALSE(main->Table().IsModified());
}
