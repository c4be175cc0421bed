#include "BookFixture.h"
#include "GuiTestSupport.h"

#include "app/HelpWindow.h"
#include "app/MainListModel.h"
#include "app/MainWindow.h"
#include "db/CardHistory.h"
#include "forms/ColumnsDialog.h"
#include "forms/SearchDialog.h"
#include "platform/Clock.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"
#include "qt/SingleInstance.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <functional>

using namespace nrt;
using namespace nrt::gui;
using nrt::platform::MsgResult;
using nrt::test::Control;
using nrt::test::S;

namespace {

struct Person {
    const char* name;
    const char* kana;
    const char* category;
    const char* mark;
    const char* sender = "0";
    const char* note2 = "";
};

// The book's folders and messages come from BookFixture; the people here carry the
// fields the list shows.
class MainWindowTest : public nrt::test::BookFixture {
protected:
    void WriteTable(const std::vector<Person>& people)
    {
        AddressTable db;
        db.CreateDefaultTable();
        for (const Person& p : people) {
            db.ClearCurrent();
            EXPECT_EQ(db.SetValue(field::kSender, p.sender), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kPrintMark, p.mark), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kName, S(p.name)), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kKana, S(p.kana)), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kCategory, S(p.category)), RecordError::kNone);
            EXPECT_EQ(db.SetValue(field::kNote2, S(p.note2)), RecordError::kNone);
            EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        }
        ASSERT_EQ(db.SaveTable(BookFile("nrt.ndb")), TableError::kNone);
    }

    void WriteCategories(const char* crlfLines) { nrt::test::WriteAll(BookFile("nrt_ms01.nms"), S(crlfLines)); }

    std::unique_ptr<MainWindow> Open()
    {
        auto w = std::make_unique<MainWindow>(folders);
        return w;
    }

    static QString Cell(MainWindow& w, int row, int column)
    {
        return w.Model().data(w.Model().index(row, column)).toString();
    }
    static QStringList Column(MainWindow& w, int column)
    {
        QStringList out;
        for (int r = 0; r < w.Model().RecordRows(); ++r)
            out << Cell(w, r, column);
        return out;
    }
};

const std::vector<Person> kPeople = {
    { "山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "友人", "1" },
    { "佐藤花子", "ｻﾄｳ ﾊﾅｺ", "会社", "0" },
    { "渡辺健", "ﾜﾀﾅﾍﾞ ｹﾝ", "友人", "1" },
    { "安藤", "ｱﾝﾄﾞｳ", "", "1", "0", "山の上" },
    { "自分", "ｼﾞﾌﾞﾝ", "", "1", "1" },
    { "ん", "ﾝ", "", "0" },
};

} // namespace

TEST_F(MainWindowTest, EmptyBookShowsHeaderAndNewRow)
{
    auto w = Open();
    EXPECT_EQ(w->Model().rowCount(), 1);
    EXPECT_EQ(Cell(*w, 0, 0), QStringLiteral("*"));
    EXPECT_EQ(Cell(*w, 0, 1), QStringLiteral("(新規)"));
    EXPECT_EQ(Control<QLabel>(w, "statusCount")->text(), QStringLiteral("表示数：0"));
    EXPECT_EQ(w->Model().headerData(0, Qt::Horizontal).toString(), QStringLiteral("印刷有無"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ノルテア"));
}

TEST_F(MainWindowTest, TabsConditionsAndSort)
{
    WriteCategories("友人\r\n会社\r\n");
    WriteTable(kPeople);
    auto w = Open();
    ASSERT_EQ(Control<QTabBar>(w, "tag_Main")->count(), 4);
    EXPECT_EQ(Control<QTabBar>(w, "tag_Main")->tabText(0), QStringLiteral("[宛先（全て）]"));
    EXPECT_EQ(Control<QTabBar>(w, "tag_Main")->tabText(1), QStringLiteral("友人"));
    EXPECT_EQ(Control<QTabBar>(w, "tag_Main")->tabText(3), QStringLiteral("[差出人]"));
    // All addressees, sorted by カナ, 名前.
    EXPECT_EQ(Column(*w, 1), (QStringList { "安藤", "佐藤花子", "山田太郎", "渡辺健", "ん" }));
    EXPECT_EQ(Column(*w, 0), (QStringList { "●", "", "●", "●", "" }));
    EXPECT_EQ(w->PrintCondition(), S("印字区分='1' and 宛名区分='0' "));
    Control<QTabBar>(w, "tag_Main")->setCurrentIndex(1);
    EXPECT_EQ(Column(*w, 1), (QStringList { "山田太郎", "渡辺健" }));
    EXPECT_EQ(w->PrintCondition(), S("印字区分='1' and 宛名区分='0' and 大分類='友人' "));
    Control<QTabBar>(w, "tag_Main")->setCurrentIndex(3);
    EXPECT_EQ(Column(*w, 1), (QStringList { "自分" }));
    EXPECT_EQ(w->PrintCondition(), S("印字区分='1' and 宛名区分='1' "));
}

TEST_F(MainWindowTest, KanaIndexAndItsLastRow)
{
    WriteTable(kPeople);
    auto w = Open();
    Control<QPushButton>(w, "cmd_Kana10")->click(); // ワ: ﾜ up to and including ﾝ
    EXPECT_EQ(Column(*w, 1), (QStringList { "渡辺健", "ん" }));
    EXPECT_EQ(w->Model().data(w->Model().index(0, 1), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 128));
    Control<QPushButton>(w, "cmd_Kana1")->click();
    EXPECT_EQ(Column(*w, 1), (QStringList { "安藤" }));
    Control<QPushButton>(w, "cmd_KanaAll")->click();
    EXPECT_EQ(w->Model().RecordRows(), 5);
    EXPECT_FALSE(w->Model().data(w->Model().index(0, 1), Qt::ForegroundRole).isValid());
}

TEST_F(MainWindowTest, BulkMarkBothWays)
{
    WriteTable(kPeople);
    auto w = Open();
    w->BulkMark(); // some unmarked: all marked
    EXPECT_EQ(Column(*w, 0), (QStringList { "●", "●", "●", "●", "●" }));
    w->BulkMark(); // none unmarked: all unmarked
    EXPECT_EQ(Column(*w, 0), (QStringList { "", "", "", "", "" }));
    EXPECT_STREQ(w->Table().GetValueByName(S("印字区分"), 4), "1") << "the sender tab's record is not in the list";
    w->ToggleMark(1);
    EXPECT_EQ(Cell(*w, 1, 0), QStringLiteral("●"));
    // Marking the selected rows.
    Control<QTableView>(w, "griMain")->selectRow(2);
    w->MarkSelected(true);
    EXPECT_EQ(Column(*w, 0), (QStringList { "", "●", "●", "", "" }));
}

// Qt's model tester checks every answer and signal of the list model (any broken
// promise aborts the run) while the list is sorted, paged, extracted and changed.
TEST_F(MainWindowTest, TheListModelKeepsQtsModelContract)
{
    WriteCategories("友人\r\n会社\r\n");
    std::vector<Person> people = kPeople;
    // Names and readings that outlive the test's own vector.
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (int i = 0; i < 120; ++i)
            out.push_back("会員" + std::to_string(i));
        return out;
    }();
    static const char* const kKana[] = { "ｱｲ", "ｶｷ", "ｻｼ", "ﾀﾁ", "ﾅﾆ", "ﾊﾋ", "ﾏﾐ", "ﾔﾕ", "ﾗﾘ", "ﾜｦ" };
    for (std::size_t i = 0; i < names.size(); ++i)
        people.push_back({ names[i].c_str(), kKana[i % 10], i % 3 == 0 ? "会社" : "友人", i % 2 == 0 ? "1" : "0" });
    WriteTable(people);
    auto w = Open();
    QAbstractItemModelTester tester(&w->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    auto recordRows = [&] { return w->Model().rowCount() - 1; };
    ASSERT_EQ(recordRows(), 125);
    auto extract = [&](int field, const char* text, int kind, bool add) {
        Control<QComboBox>(w, "cbo_SelName")->setCurrentIndex(field);
        Control<QLineEdit>(w, "txt_SelText")->setText(QString::fromUtf8(text));
        Control<QComboBox>(w, "cbo_SelKind")->setCurrentIndex(kind);
        Control<QCheckBox>(w, "chk_SelAdd")->setChecked(add);
        Control<QPushButton>(w, "cmd_SelRun")->click();
    };
    struct Step {
        const char* what;
        std::function<void()> change;
        int rows;
    } steps[] = {
        { "sort by name", [&] { w->SortBy(S("名前")); }, 125 },
        { "sort by reading, then name", [&] { w->SortBy(S("カナ, 名前")); }, 125 },
        { "kana page ｶ", [&] { w->KanaIndex(2); }, 12 },
        { "all again", [&] { w->KanaIndex(0); }, 125 },
        { "tab 友人", [&] { Control<QTabBar>(w, "tag_Main")->setCurrentIndex(1); }, 82 },
        { "senders' tab", [&] { Control<QTabBar>(w, "tag_Main")->setCurrentIndex(3); }, 1 },
        { "addressees", [&] { Control<QTabBar>(w, "tag_Main")->setCurrentIndex(0); }, 125 },
        { "extraction by name", [&] { extract(1, "会員1", 3, false); }, 31 },
        { "added extraction", [&] { extract(2, "ｱ", 1, true); }, 3 },
        { "extraction cleared", [&] { Control<QPushButton>(w, "cmd_SelAll")->click(); }, 125 },
        { "all marked", [&] { w->BulkMark(); }, 125 },
        { "one mark flipped", [&] { w->ToggleMark(3); }, 125 },
        { "display columns again", [&] { w->SetUpColumns(); }, 125 },
        { "a record deleted",
            [&] {
                w->Records().SetPos(0);
                ASSERT_TRUE(w->Records().DeleteCurrent(0));
                w->RefreshList();
            },
            124 },
    };
    for (const Step& s : steps) {
        s.change();
        EXPECT_EQ(recordRows(), s.rows) << s.what;
    }
}

TEST_F(MainWindowTest, ClickInTheMarkColumnFlipsTheMark)
{
    WriteTable(kPeople);
    auto w = Open();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    const QRect cell = Control<QTableView>(w, "griMain")->visualRect(w->Model().index(1, 0));
    QTest::mouseClick(Control<QTableView>(w, "griMain")->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(Cell(*w, 1, 0), QStringLiteral("●"));
    EXPECT_EQ(Control<QLabel>(w, "statusPos")->text(), QStringLiteral("位置：2"));
    const QRect name = Control<QTableView>(w, "griMain")->visualRect(w->Model().index(1, 1));
    QTest::mouseClick(Control<QTableView>(w, "griMain")->viewport(), Qt::LeftButton, {}, name.center());
    EXPECT_EQ(Cell(*w, 1, 0), QStringLiteral("●")) << "a click elsewhere does not mark";
}

TEST_F(MainWindowTest, DeleteAllAsksAndKeepsACopy)
{
    WriteTable(kPeople);
    const std::string before = nrt::test::ReadAll(BookFile("nrt.ndb"));
    auto w = Open();
    host.Answer(MsgResult::No);
    w->DeleteAll();
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].text, S("全ての宛名の内容が削除されます。よろしいですか？"));
    EXPECT_EQ(host.shown[0].caption, S("確認"));
    EXPECT_EQ(host.shown[0].defaultButton, MsgResult::No);
    EXPECT_EQ(w->Model().RecordRows(), 5);
    host.Answer(MsgResult::Yes);
    w->DeleteAll();
    EXPECT_EQ(w->Model().RecordRows(), 0);
    EXPECT_EQ(nrt::test::ReadAll(BookFile("nrt_ndb.bk2")), before);
    AddressTable saved;
    ASSERT_EQ(saved.LoadTable(BookFile("nrt.ndb")), TableError::kNone);
    EXPECT_EQ(saved.GetRecordCount(), 0);
}

TEST_F(MainWindowTest, ExtractionMessagesAndAdding)
{
    WriteTable(kPeople);
    auto w = Open();
    struct Step {
        int field;
        QString text;
        int kind;
        bool add;
        const char* message; // "" when the extraction runs
        int rows;
    } steps[] = {
        { 1, "", 3, false, "抽出内容を入力して下さい。", 5 }, { 1, "山", -1, false, "種類を選択して下さい。", 5 },
        { 1, "山", 3, false, "", 1 }, { 0, "山", 3, true, "全項目での追加抽出は出来ません。", 1 },
        { 2, "ﾔ", 1, true, "", 1 }, { 2, "ﾔ", 1, true, "", 1 },
        { 2, "ﾔ", 1, true, "追加抽出は３回までです。クリアして抽出して下さい。", 1 },
        { 0, "山", 3, true, "追加抽出は３回までです。クリアして抽出して下さい。", 1 }, // the count is checked first
    };
    for (const auto& s : steps) {
        host.shown.clear();
        Control<QComboBox>(w, "cbo_SelName")->setCurrentIndex(s.field);
        Control<QLineEdit>(w, "txt_SelText")->setText(s.text);
        Control<QComboBox>(w, "cbo_SelKind")->setCurrentIndex(s.kind);
        Control<QCheckBox>(w, "chk_SelAdd")->setChecked(s.add);
        Control<QPushButton>(w, "cmd_SelRun")->click();
        if (*s.message) {
            ASSERT_EQ(host.shown.size(), 1u) << s.message;
            EXPECT_EQ(host.LastText(), S(s.message));
            EXPECT_EQ(host.shown[0].caption, S("注意"));
        } else {
            EXPECT_TRUE(host.shown.empty()) << nrt::test::U(host.LastText());
        }
        EXPECT_EQ(w->Model().RecordRows(), s.rows) << s.message;
    }
    EXPECT_EQ(w->ExtractionCount(), 3);
    // All fields: 山 in 備考２ of 安藤 as well as in 山田's name.
    Control<QPushButton>(w, "cmd_SelAll")->click();
    Control<QComboBox>(w, "cbo_SelName")->setCurrentIndex(0);
    Control<QLineEdit>(w, "txt_SelText")->setText(QStringLiteral("山"));
    Control<QComboBox>(w, "cbo_SelKind")->setCurrentIndex(3);
    Control<QCheckBox>(w, "chk_SelAdd")->setChecked(false);
    Control<QPushButton>(w, "cmd_SelRun")->click();
    EXPECT_EQ(Column(*w, 1), (QStringList { "安藤", "山田太郎" }));
    // A typed quote breaks the condition: the message, and the list stays.
    Control<QComboBox>(w, "cbo_SelName")->setCurrentIndex(1);
    Control<QLineEdit>(w, "txt_SelText")->setText(QStringLiteral("a'b"));
    Control<QComboBox>(w, "cbo_SelKind")->setCurrentIndex(0);
    host.shown.clear();
    Control<QPushButton>(w, "cmd_SelRun")->click();
    ASSERT_FALSE(host.shown.empty());
    EXPECT_EQ(nrt::test::U(host.LastText()).rfind("条件作成に失敗しました(", 0), 0u);
    EXPECT_EQ(Column(*w, 1), (QStringList { "安藤", "山田太郎" }));
}

TEST_F(MainWindowTest, SearchDialogCaptions)
{
    WriteTable(kPeople);
    auto w = Open();
    w->ShowSearch();
    auto* search = w->findChild<SearchDialog*>();
    ASSERT_NE(search, nullptr);
    Control<QComboBox>(search, "cbo_Name")->setCurrentIndex(0);
    Control<QLineEdit>(search, "txt_Data")->setText(QStringLiteral("山の"));
    Control<QComboBox>(search, "cbo_Kind")->setCurrentIndex(3);
    search->Search(1);
    EXPECT_EQ(w->CurrentRow(), 1);
    EXPECT_EQ(search->windowTitle(), QStringLiteral("検索(該当項目(備考２)）"));
    search->Search(1);
    EXPECT_EQ(search->windowTitle(), QStringLiteral("検索(検索対象なし)"));
    search->Search(1);
    EXPECT_EQ(w->CurrentRow(), 1) << "after nothing found, the next search starts at the top";
    // One field, case-sensitive "完全に一致".
    Control<QComboBox>(search, "cbo_Name")->setCurrentIndex(1);
    Control<QLineEdit>(search, "txt_Data")->setText(QStringLiteral("佐藤花子"));
    Control<QComboBox>(search, "cbo_Kind")->setCurrentIndex(0);
    search->Search(0);
    EXPECT_EQ(w->CurrentRow(), 2);
    EXPECT_EQ(search->windowTitle(), QStringLiteral("検索"));
    // Missing text: a beep only.
    Control<QLineEdit>(search, "txt_Data")->clear();
    const int beeps = host.beeps;
    search->Search(1);
    EXPECT_EQ(host.beeps, beeps + 1);
}

TEST_F(MainWindowTest, LetterKeysWrapRound)
{
    WriteTable({ { "a", "ｱｵｷ", "", "0" }, { "b", "ｶﾜｲ", "", "0" }, { "c", "ｷﾀﾑﾗ", "", "0" } });
    auto w = Open();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->SetCurrentRow(3);
    QTest::keyClick(Control<QTableView>(w, "griMain"), Qt::Key_K);
    EXPECT_EQ(w->CurrentRow(), 2);
    QTest::keyClick(Control<QTableView>(w, "griMain"), Qt::Key_A);
    EXPECT_EQ(w->CurrentRow(), 1);
}

TEST_F(MainWindowTest, ZoomRoundTripsToTheSamePixels)
{
    WriteTable(kPeople);
    auto w = Open();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    auto widths = [&] {
        std::vector<int> v;
        for (int c = 0; c < w->Model().columnCount(); ++c)
            v.push_back(Control<QTableView>(w, "griMain")->columnWidth(c));
        return v;
    };
    const std::vector<int> at100 = widths();
    EXPECT_EQ(Control<QTableView>(w, "griMain")->rowHeight(0), 18);
    struct Step {
        int index;
        int ratio;
        int rowHeight; // 16 × ratio, truncated, and the grid line
    } steps[] = {
        { 3, 130, 22 },
        { 0, 100, 18 },
        { 5, 150, 26 },
        { 0, 100, 18 },
        { 12, 250, 42 },
        { 0, 100, 18 },
        { 1, 110, 19 },
        { 3, 130, 22 },
        { 5, 150, 26 },
        { 3, 130, 22 },
        { 12, 250, 42 },
        { 2, 120, 21 },
        { 0, 100, 18 },
    };
    for (const Step& s : steps) {
        w->ChangeZoom(s.index);
        QApplication::processEvents();
        EXPECT_EQ(w->Settings().GetScalePercent(), s.ratio);
        EXPECT_EQ(Control<QTableView>(w, "griMain")->rowHeight(0), s.rowHeight) << s.ratio;
        EXPECT_EQ(Control<QTableView>(w, "griMain")->font().pixelSize(), 12 * s.ratio / 100) << s.ratio;
        for (std::size_t c = 1; c < at100.size(); ++c)
            EXPECT_EQ(Control<QTableView>(w, "griMain")->columnWidth(static_cast<int>(c)), at100[c] * s.ratio / 100)
                << s.ratio << " " << c;
    }
    EXPECT_EQ(widths(), at100) << "every round trip returns to the same pixels";

    // A width the user sets is the base from then on.
    w->ChangeZoom(3); // 130 %
    Control<QTableView>(w, "griMain")->setColumnWidth(1, 91);
    w->ChangeZoom(0);
    EXPECT_EQ(Control<QTableView>(w, "griMain")->columnWidth(1), 70);
    w->ChangeZoom(3);
    EXPECT_EQ(Control<QTableView>(w, "griMain")->columnWidth(1), 91);
}

// At every zoom step the kana, extraction and card pages stay inside a window of the
// default size, and the zoom control beside them covers none of their buttons.
TEST_F(MainWindowTest, TheSidePanelStaysInsideTheWindowAtEveryZoom)
{
    WriteTable(kPeople);
    auto w = Open();
    w->resize(900, 640);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    auto* pages = Control<QTabWidget>(w, "PageControl1");
    auto* zoom = Control<QComboBox>(w, "cbo_Ritu");
    const auto inWindow = [&](QWidget* c) { return QRect(c->mapTo(w.get(), QPoint(0, 0)), c->size()); };
    for (int index = 0; index < zoom->count(); ++index) {
        w->ChangeZoom(index);
        zoom->setCurrentIndex(index);
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            QApplication::processEvents();
            const QRect window = w->rect();
            for (QPushButton* b : pages->currentWidget()->findChildren<QPushButton*>()) {
                if (!b->isVisible())
                    continue;
                const QRect r = inWindow(b);
                EXPECT_TRUE(window.contains(r)) << zoom->currentText().toStdString() << " " << b->text().toStdString();
                for (QWidget* z : { static_cast<QWidget*>(zoom), Control<QWidget>(w, "cmd_RituUp"),
                         Control<QWidget>(w, "cmd_RituDown") })
                    EXPECT_FALSE(r.intersects(inWindow(z)))
                        << zoom->currentText().toStdString() << " " << b->text().toStdString();
                EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text())) << b->text().toStdString();
            }
        }
        EXPECT_LE(w->width(), 900) << "the panel widened the window at " << zoom->currentText().toStdString();
        if (zoom->currentText() == QStringLiteral("200%")) {
            pages->setCurrentIndex(0);
            nrt::test::SaveScreenshot(*w, "main-window-200");
        }
    }
}

TEST_F(MainWindowTest, HeadersAndTheFieldListFitTheirText)
{
    WriteTable(kPeople);
    auto w = Open();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    Control<QTabWidget>(w, "PageControl1")->setCurrentIndex(1);
    for (int index : { 0, 5, 12, 0 }) {
        w->ChangeZoom(index);
        QApplication::processEvents();
        const QFontMetrics header(Control<QTableView>(w, "griMain")->horizontalHeader()->font());
        EXPECT_GE(
            Control<QTableView>(w, "griMain")->columnWidth(0), header.horizontalAdvance(QStringLiteral("印刷有無")))
            << index;
        // The text field of the combo box, without its arrow, holds the longest entry.
        QStyleOptionComboBox option;
        option.initFrom(Control<QComboBox>(w, "cbo_SelName"));
        const QRect field = Control<QComboBox>(w, "cbo_SelName")
                                ->style()
                                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                    Control<QComboBox>(w, "cbo_SelName"));
        EXPECT_GE(field.width(),
            Control<QComboBox>(w, "cbo_SelName")->fontMetrics().horizontalAdvance(QStringLiteral("（全項目）")))
            << index;
    }
}

TEST_F(MainWindowTest, TheCurrentRecordStaysAcrossRefreshes)
{
    WriteTable(kPeople);
    auto w = Open();
    auto current = [&] { return Cell(*w, w->CurrentRow() - 1, 1); };
    auto recordOf = [&](const char* name) {
        for (int k = 0; k < w->Table().GetRecordCount(); ++k)
            if (nrt::test::U(w->Table().Value(field::kName, k)) == name)
                return k;
        return -1;
    };
    w->SetCurrentRow(3);
    ASSERT_EQ(current(), QStringLiteral("山田太郎"));
    struct Step {
        const char* what;
        std::function<void()> change;
        const char* current;
        int row;
    } steps[] = {
        // In name order ん, 安藤, 佐藤花子, 山田太郎, 渡辺健.
        { "sort", [&] { w->SortBy(S("名前")); }, "山田太郎", 4 },
        { "kana index", [&] { w->KanaIndex(8); }, "山田太郎", 1 },
        { "back to all", [&] { w->KanaIndex(0); }, "山田太郎", 4 },
        { "a record named",
            [&] {
                w->KeepRecord(recordOf("佐藤花子"));
                w->RefreshList();
            },
            "佐藤花子", 3 },
        { "plain refresh", [&] { w->RefreshList(); }, "佐藤花子", 3 },
        { "delete",
            [&] {
                w->Records().SetPos(2);
                ASSERT_TRUE(w->Records().DeleteCurrent(0));
                w->RefreshList();
            },
            "山田太郎", 3 },
        { "a kana page without it", [&] { w->KanaIndex(1); }, "安藤", 1 },
    };
    for (const Step& s : steps) {
        s.change();
        EXPECT_EQ(current(), QString::fromUtf8(s.current)) << s.what;
        EXPECT_EQ(w->CurrentRow(), s.row) << s.what;
        EXPECT_EQ(Control<QLabel>(w, "statusPos")->text(), QStringLiteral("位置：%1").arg(s.row)) << s.what;
    }
}

TEST_F(MainWindowTest, TheKeptRecordIsScrolledIntoView)
{
    std::vector<std::string> names;
    std::vector<Person> many;
    names.reserve(80);
    for (int i = 0; i < 80; ++i)
        names.push_back("ｱ" + std::to_string(100 + i));
    for (const std::string& n : names)
        many.push_back({ n.c_str(), n.c_str(), "", "0" });
    WriteTable(many);
    auto w = Open();
    w->resize(700, 400);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    for (int record : { 75, 3, 60 }) {
        w->KeepRecord(record);
        w->RefreshList();
        QApplication::processEvents();
        EXPECT_EQ(w->CurrentRow(), record + 1);
        const QRect cell
            = Control<QTableView>(w, "griMain")->visualRect(Control<QTableView>(w, "griMain")->currentIndex());
        EXPECT_TRUE(Control<QTableView>(w, "griMain")->viewport()->rect().contains(cell)) << record;
    }
}

TEST_F(MainWindowTest, AnEmptyBookSaysHowToBegin)
{
    auto w = Open();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    auto* hint = w->findChild<QLabel*>(QStringLiteral("lbl_EmptyHint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    for (const char* step : { "新規登録", "CSVインポート", "郵便番号データのインポート" })
        EXPECT_TRUE(hint->text().contains(QString::fromUtf8(step))) << step;
    EXPECT_GE(hint->y(), Control<QTableView>(w, "griMain")->rowHeight(0)) << "below the new-record row";
    nrt::test::SaveScreenshot(*w, "empty-book-hint");

    // A book with records: an empty page of the kana index is not an empty book. One
    // window at a time holds the data folder.
    w.reset();
    WriteTable(kPeople);
    auto full = Open();
    full->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(full.get()));
    full->KanaIndex(2);
    EXPECT_EQ(full->Model().RecordRows(), 0);
    EXPECT_FALSE(full->findChild<QLabel*>(QStringLiteral("lbl_EmptyHint"))->isVisible());
}

TEST_F(MainWindowTest, StoredReadingsAreConvertedOnceWhenTheUserAgrees)
{
    struct Case {
        MsgResult answer;
        int yaRows; // under ヤ of the kana index
        const char* yamada;
        const char* yano;
    } cases[] = {
        { MsgResult::No, 1, "ヤマダ　タロウ", "やの　いちろう" },
        { MsgResult::Yes, 3, "ﾔﾏﾀﾞ ﾀﾛｳ", "ﾔﾉ ｲﾁﾛｳ" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer == MsgResult::Yes ? "yes" : "no");
        platform::fs::RemoveFile(BookFile("NrtUser.ini"));
        WriteTable({ { "山田太郎", "ヤマダ　タロウ", "", "1" }, { "安田花子", "ﾔｽﾀﾞ ﾊﾅｺ", "", "1" },
            { "矢野一郎", "やの　いちろう", "", "1" } });
        host.shown.clear();
        auto w = Open();
        host.Answer(c.answer);
        w->OfferReadingConversion();
        ASSERT_EQ(host.shown.size(), 1u);
        EXPECT_EQ(nrt::test::U(host.shown[0].text),
            "読み（カナ）がひらがなや全角カナの宛名が 2 件あります。\n"
            "カナ索引と並び替えに使えるよう、半角カナに直しますか？");
        EXPECT_EQ(host.shown[0].caption, S("確認"));
        w->KanaIndex(8);
        EXPECT_EQ(w->Model().RecordRows(), c.yaRows);
        AddressTable saved;
        ASSERT_EQ(saved.LoadTable(BookFile("nrt.ndb")), TableError::kNone);
        EXPECT_EQ(nrt::test::U(saved.Value(field::kKana, 0)), c.yamada) << "saved at once";
        EXPECT_EQ(nrt::test::U(saved.Value(field::kKana, 2)), c.yano);
        // Asked once for the book, in this run and the next.
        w->OfferReadingConversion();
        ASSERT_TRUE(w->Settings().WriteSettings().Ok());
        w.reset(); // one window at a time holds the data folder
        auto again = Open();
        again->OfferReadingConversion();
        EXPECT_EQ(host.shown.size(), 1u);
    }
}

TEST_F(MainWindowTest, HelpShowsTheManualInItsOwnWindow)
{
    auto w = Open();
    w->ShowHelp();
    EXPECT_EQ(host.LastText(), S("ヘルプファイル（nrt.html）が見つかりません。"));
    ASSERT_TRUE(w->Help() == nullptr || !w->Help()->isVisible());

    folders.programFolder = std::string(NRT_TEST_SOURCE_DIR) + "/../data/";
    auto shipped = Open();
    shipped->ShowHelp();
    ASSERT_NE(shipped->Help(), nullptr);
    EXPECT_TRUE(shipped->Help()->isVisible());
    EXPECT_EQ(Control<QTextBrowser>(shipped->Help(), "txt_Help")->documentTitle(), QStringLiteral("ノルテア ヘルプ"));
    const QString manual = Control<QTextBrowser>(shipped->Help(), "txt_Help")->toPlainText();
    for (const char* topic : { "年賀状の季節", "半角カタカナ", "19700505", "郵便番号データのインポート", "vCard",
             "メール送信設定", "nortea-cli", "一秒以内に自動で保存" })
        EXPECT_TRUE(manual.contains(QString::fromUtf8(topic))) << topic;
}

TEST_F(MainWindowTest, DisplayColumnsDialog)
{
    WriteTable(kPeople);
    auto w = Open();
    ColumnsDialog dialog(w->Settings(), w->Table(), w.get());
    dialog.MoveAllRight();
    // The 22 fields after 宛名区分 and 印字区分, the 11 a book gains on first use and UID.
    EXPECT_EQ(Control<QListWidget>(dialog, "lst_To")->count(), 34);
    dialog.MoveAllLeft();
    dialog.Ok();
    EXPECT_EQ(host.LastText(), S("表示項目を選択して下さい。"));
    EXPECT_FALSE(dialog.Changed());
    Control<QListWidget>(dialog, "lst_From")->setCurrentRow(1); // カナ
    dialog.MoveRight();
    Control<QListWidget>(dialog, "lst_From")->setCurrentRow(0); // 名前
    dialog.MoveRight();
    Control<QListWidget>(dialog, "lst_To")->setCurrentRow(1);
    dialog.MoveUpDown(0);
    dialog.Ok();
    ASSERT_TRUE(dialog.Changed());
    ASSERT_EQ(w->Settings().DisplayColumnCount(), 2);
    EXPECT_EQ(w->Settings().GetDisplayColumn(0).name, S("名前"));
    EXPECT_EQ(w->Settings().GetDisplayColumn(1).name, S("カナ"));
    EXPECT_EQ(w->Settings().GetDisplayColumn(1).width, 105);
}

TEST_F(MainWindowTest, ClosingWithoutRecordsLeavesAnUnreadableTableAlone)
{
    nrt::test::WriteAll(BookFile("nrt.ndb"), "not a table");
    {
        auto w = Open();
        EXPECT_EQ(w->Table().GetFieldCount(), 24);
        w->close();
    }
    EXPECT_EQ(nrt::test::ReadAll(BookFile("nrt.ndb")), "not a table");
}

TEST(SingleInstance, SecondCopyIsRefused)
{
    SingleInstance first;
    ASSERT_TRUE(first.Acquire());
    SingleInstance second;
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(SingleInstance::HeldByAnother());
}

// The 年賀状 page lists the season's presets over the tab's addressees.
TEST_F(MainWindowTest, NewYearCardPresets)
{
    WriteTable(kPeople);
    const int year = cardhistory::CardYear(platform::GetClock().Now());
    const std::string y = std::to_string(year);
    {
        AddressTable db;
        ASSERT_EQ(db.LoadTable(BookFile("nrt.ndb")), TableError::kNone);
        const std::pair<int, std::string> histories[] = { { 0, y + S("受") }, { 1, y + S("出受") }, { 2, y + S("喪") },
            { 3, std::to_string(year - 1) + S("受") } };
        for (const auto& [k, history] : histories) {
            EXPECT_EQ(db.ReadRecord(k), RecordError::kNone);
            ASSERT_EQ(db.SetValue(field::kCardHistory, history), RecordError::kNone);
            ASSERT_EQ(db.PostRecord(), RecordError::kNone);
        }
        ASSERT_EQ(db.SaveTable(BookFile("nrt.ndb")), TableError::kNone);
    }
    auto w = Open();
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("lbl_CardYear"))->text(), QString::fromStdString(y + "年"));
    const auto click = [&](const char* name) { w->findChild<QPushButton*>(QString::fromLatin1(name))->click(); };
    click("cmd_CardReceivedNotSent");
    EXPECT_EQ(Column(*w, 1), (QStringList { "山田太郎" }));
    click("cmd_CardSentOrReceived");
    EXPECT_EQ(Column(*w, 1), (QStringList { "佐藤花子", "山田太郎" }));
    click("cmd_CardMourning");
    EXPECT_EQ(Column(*w, 1), (QStringList { "渡辺健" }));
    click("cmd_CardAll");
    EXPECT_EQ(w->Model().RecordRows(), 5);
}
