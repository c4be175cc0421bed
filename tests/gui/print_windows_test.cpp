// The print form list and its dialogs, and the preview window.
#include "PrintGuiSupport.h"

#include "db/MainList.h"
#include "platform/fs.h"
#include "print/qt/NewPrintFormDialog.h"
#include "print/qt/PrintFormList.h"
#include "print/qt/PrintPreview.h"
#include "print/qt/RenamePrintFormDialog.h"
#include "print/render/CardRenderer.h"
#include "qt/QtText.h"
#include "settings/LayoutDefaults.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;
using print::PrintFormList;

namespace {

// Typed one character at a time, as key events carrying their text.
void Type(QLineEdit* field, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
    }
}

std::vector<std::string> Shown(const QListWidget* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->text().toStdString());
    return out;
}

} // namespace

TEST(PrintFormList, ChoosingForPrintingOnly)
{
    PrintGuiFixture f;
    PrintFormList list(*f.settings, PrintFormList::Mode::Choose);
    EXPECT_EQ(list.windowTitle(), QStringLiteral("用紙リスト"));
    EXPECT_EQ(Shown(Control<QListWidget>(list, "lst_Name")),
        (std::vector<std::string> {
            "年賀状", "普通はがき(１)", "普通はがき(２)", "封筒(４号)(表)", "封筒(４号)(裏)" }));
    EXPECT_EQ(Control<QListWidget>(list, "lst_Name")->currentRow(), 0);
    EXPECT_FALSE(Control<QPushButton>(list, "cmd_New")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(list, "cmd_ReName")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(list, "cmd_Del")->isEnabled());
    EXPECT_EQ(Control<QPushButton>(list, "cmd_Ok")->text(), QStringLiteral("選択(&S)..."));
    Control<QListWidget>(list, "lst_Name")->setCurrentRow(3);
    Control<QPushButton>(list, "cmd_Ok")->click();
    EXPECT_EQ(list.Chosen(), 3);
    EXPECT_EQ(list.result(), QDialog::Accepted);

    PrintFormList manage(*f.settings, PrintFormList::Mode::Manage);
    EXPECT_TRUE(Control<QPushButton>(manage, "cmd_New")->isEnabled()
        && Control<QPushButton>(manage, "cmd_ReName")->isEnabled()
        && Control<QPushButton>(manage, "cmd_Del")->isEnabled());
}

TEST(PrintFormList, CreatingRenamingAndDeletingFromTheList)
{
    PrintGuiFixture f;
    PrintFormList list(*f.settings, PrintFormList::Mode::Manage);
    list.runDialog = [](QDialog& d) {
        auto& dialog = static_cast<print::NewPrintFormDialog&>(d);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("印刷の新規作成"));
        EXPECT_EQ(Control<QComboBox>(dialog, "cbo_Kind")->count(), 9);
        EXPECT_EQ(Control<QComboBox>(dialog, "cbo_Kind")->itemText(4), QStringLiteral("封筒４０号（表）"));
        Control<QComboBox>(dialog, "cbo_Kind")->setCurrentIndex(8); // the label sheet
        Control<QLineEdit>(dialog, "txt_Name")->setText(QStringLiteral("宛名ラベル"));
        Control<QPushButton>(dialog, "cmd_Ok")->click();
        return dialog.result();
    };
    Control<QPushButton>(list, "cmd_New")->click();
    EXPECT_EQ(Control<QListWidget>(list, "lst_Name")->count(), 6);
    EXPECT_EQ(Control<QListWidget>(list, "lst_Name")->currentItem()->text(), QStringLiteral("宛名ラベル"));
    EXPECT_TRUE(platform::fs::IsFile(f.settings->BookFile(S("宛名ラベル.ndp"))));

    list.runDialog = [](QDialog& d) {
        auto& dialog = static_cast<print::RenamePrintFormDialog&>(d);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("印刷名を変更する"));
        EXPECT_EQ(Control<QLineEdit>(dialog, "txt_Name")->text(), QStringLiteral("宛名ラベル"));
        Control<QLineEdit>(dialog, "txt_Name")->setText(QStringLiteral("Rep ラベル"));
        Control<QPushButton>(dialog, "cmd_Ok")->click();
        return dialog.result();
    };
    Control<QPushButton>(list, "cmd_ReName")->click();
    EXPECT_EQ(Control<QListWidget>(list, "lst_Name")->item(5)->text(), QStringLiteral("Rep ラベル"));
    EXPECT_TRUE(platform::fs::IsFile(f.settings->BookFile(S("Rep ラベル.ndp"))));

    Control<QListWidget>(list, "lst_Name")->setCurrentRow(5);
    Control<QPushButton>(list, "cmd_Del")->click();
    EXPECT_EQ(U(f.messages.LastText()), "削除します。よろしいですか？");
    EXPECT_EQ(Control<QListWidget>(list, "lst_Name")->count(), 5);
    EXPECT_FALSE(platform::fs::Exists(f.settings->BookFile(S("Rep ラベル.ndp"))));
}

// The new-form window says what the print forms refuse and asks before it makes one;
// a name that passes the check but cannot be a file is said after the question.
TEST(PrintFormList, TheNewFormWindowSaysTheRefusalsAndAsksFirst)
{
    using platform::MsgResult;
    struct Case {
        const char* what;
        const char* name;
        int kindRow; // -1: none chosen
        MsgResult answer;
        bool accepted;
        std::vector<std::string> said;
    } cases[] = {
        { "no kind", "新しい", -1, MsgResult::Yes, false, { "種類を選択して下さい。" } },
        { "no name", "", 8, MsgResult::Yes, false, { "印刷名を入力して下さい。" } },
        { "taken", "年賀状", 0, MsgResult::Yes, false, { "既に存在する印刷名です。" } },
        { "declined", "新しい", 0, MsgResult::No, false, { "登録します。よろしいですか？" } },
        { "no file name", "a/b", 0, MsgResult::Yes, false, { "登録します。よろしいですか？", "不正な印刷名です。" } },
        { "made", "新しい", 0, MsgResult::Yes, true, { "登録します。よろしいですか？" } },
    };
    for (const Case& c : cases) {
        PrintGuiFixture f;
        print::NewPrintFormDialog dialog(*f.settings);
        Control<QComboBox>(dialog, "cbo_Kind")->setCurrentIndex(c.kindRow);
        Control<QLineEdit>(dialog, "txt_Name")->setText(QString::fromStdString(c.name));
        f.messages.Answer(c.answer);
        Control<QPushButton>(dialog, "cmd_Ok")->click();
        std::vector<std::string> said;
        for (const auto& shown : f.messages.shown)
            said.push_back(U(shown.text));
        EXPECT_EQ(said, c.said) << c.what;
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << c.what;
        EXPECT_EQ(f.settings->FormList().GetCount(), c.accepted ? 6 : 5) << c.what;
        if (c.said.front() == "登録します。よろしいですか？") {
            EXPECT_EQ(f.messages.shown.front().defaultButton, MsgResult::Yes) << c.what;
        }
    }
}

TEST(PrintFormList, NameFieldRefusesPunctuationWithABeep)
{
    PrintGuiFixture f;
    print::NewPrintFormDialog dialog(*f.settings);
    dialog.show();
    SaveScreenshot(dialog, "new-print-form");
    Type(Control<QLineEdit>(dialog, "txt_Name"), QStringLiteral("a.b"));
    EXPECT_EQ(Control<QLineEdit>(dialog, "txt_Name")->text(), QStringLiteral("ab"));
    EXPECT_EQ(f.messages.beeps, 1);
    Type(Control<QLineEdit>(dialog, "txt_Name"), QStringLiteral("_@{}~年賀"));
    EXPECT_EQ(Control<QLineEdit>(dialog, "txt_Name")->text(), QStringLiteral("ab_@{}~年賀"));
    EXPECT_EQ(f.messages.beeps, 1);
    // Thirty bytes at most: 11 + 2 × 9 = 29, and one more double-byte character
    // does not fit.
    Control<QLineEdit>(dialog, "txt_Name")->clear();
    Type(Control<QLineEdit>(dialog, "txt_Name"), QStringLiteral("abcdefghijkあいうえおかきくけこ"));
    EXPECT_EQ(Control<QLineEdit>(dialog, "txt_Name")->text(), QStringLiteral("abcdefghijkあいうえおかきくけ"));

    // No kind chosen: refused, the dialog stays.
    Control<QPushButton>(dialog, "cmd_Ok")->click();
    EXPECT_EQ(U(f.messages.LastText()), "種類を選択して下さい。");
    EXPECT_EQ(dialog.result(), 0);
}

namespace {

class Preview : public ::testing::Test {
protected:
    void Open(int kind, int records)
    {
        const char* given[] = { "一郎", "二郎", "三郎", "四郎", "五郎" };
        for (int i = 0; i < records; ++i) {
            const std::string name = std::string("宛名 ") + given[i % 5];
            const std::vector<Addressee> one { { name.c_str(), "100-0005", "千代田区丸の内１－１－１", "" } };
            f.AddAddressees(one);
        }
        const std::string form = kind == kFormLabelSheet ? "ラベル" : "年賀状";
        ASSERT_TRUE(renderer.Prepare(S(form), kind, mainlist::PrintCondition({}, {}), ""));
        window = std::make_unique<print::PrintPreview>(renderer, *f.settings);
    }
    std::string PageText() const { return Control<QLabel>(window, "panelPage")->text().toStdString(); }

    PrintGuiFixture f;
    print::CardRenderer renderer { *f.settings, f.db, f.printer };
    std::unique_ptr<print::PrintPreview> window;
};

} // namespace

TEST_F(Preview, StepsThroughFiveCards)
{
    Open(kFormNewYearCard, 5);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("プレビュー"));
    EXPECT_EQ(Control<QLabel>(window, "panelCount")->text(), QStringLiteral("表示数：5"));
    EXPECT_EQ(PageText(), "ページ：  1 /   5");
    EXPECT_EQ(window->Surface().size(), QSize(320, 470));
    window->previousClicked();
    EXPECT_EQ(f.messages.beeps, 1);
    for (int i = 0; i < 4; ++i)
        Control<QAction>(window, "mnuNext")->trigger();
    EXPECT_EQ(PageText(), "ページ：  5 /   5");
    EXPECT_EQ(f.messages.beeps, 1);
    Control<QAction>(window, "mnuNext")->trigger();
    EXPECT_EQ(f.messages.beeps, 2);
    EXPECT_EQ(PageText(), "ページ：  5 /   5");
    Control<QAction>(window, "mnuPrev")->trigger();
    EXPECT_EQ(PageText(), "ページ：  4 /   5");
}

TEST_F(Preview, TheCardShowsItsPictureAndItsText)
{
    Open(kFormNewYearCard, 1);
    window->show();
    SaveScreenshot(*window, "preview-nengajo");
    const QImage& s = window->Surface();
    // The red postal boxes of the picture and black ink of the name column.
    int red = 0, black = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const QRgb c = s.pixel(x, y);
            red += qRed(c) > 180 && qGreen(c) < 120;
            black += qGray(c) < 60;
        }
    EXPECT_GT(red, 200);
    EXPECT_GT(black, 200);
    // The name column at the editor's scale: 45.8 to 54.2 mm across, on the centre line.
    const QRect ink = Ink(s, QRect(140, 90, 45, 300));
    ASSERT_TRUE(ink.isValid());
    EXPECT_GE(ink.left(), static_cast<int>(4579 * 0.032));
    EXPECT_LE(ink.right(), static_cast<int>(5421 * 0.032));
}

TEST_F(Preview, LabelSheetsPageBySheet)
{
    Open(kFormLabelSheet, 13);
    EXPECT_EQ(window->Surface().size(), QSize(672, 943));
    // A sheet taller than the screen: the window stays on it, the scroll bars show the
    // rest.
    const QRect screen = window->screen()->availableGeometry();
    ASSERT_LT(screen.height(), 943 + 90) << "the test screen is smaller than the sheet";
    EXPECT_TRUE(screen.contains(window->geometry())) << window->geometry().height();
    window->show();
    EXPECT_TRUE(Control<QScrollBar>(window, "scr_Right")->isEnabled());
    EXPECT_EQ(PageText(), "ページ：  1 /   2");
    window->nextClicked();
    EXPECT_EQ(PageText(), "ページ：  2 /   2");
    EXPECT_EQ(renderer.CurrentRow(), 12);
    // The second sheet shows one label: nothing in the second cell.
    const QImage& s = window->Surface();
    const auto px = [](std::int32_t x) { return static_cast<int>(x * 0.032); };
    const auto py = [](std::int32_t y) { return static_cast<int>(y * 470.0 / 14800.0); };
    EXPECT_TRUE(Ink(s, QRect(px(2030), py(2030), px(8380), py(4230))).isValid());
    EXPECT_FALSE(Ink(s, QRect(px(2030 + 8380 + 380), py(2030), px(8380), py(4230))).isValid());
    window->nextClicked(); // the last sheet: nothing happens, not even a beep
    EXPECT_EQ(PageText(), "ページ：  2 /   2");
    EXPECT_EQ(f.messages.beeps, 0);
    window->previousClicked();
    EXPECT_EQ(PageText(), "ページ：  1 /   2");
    window->previousClicked();
    EXPECT_EQ(PageText(), "ページ：  1 /   2");
    EXPECT_EQ(f.messages.beeps, 0);
}

TEST_F(Preview, ZoomHalvesTheScrollRanges)
{
    Open(kFormLabelSheet, 2);
    window->resize(500, 400);
    window->show();
    ASSERT_TRUE(Control<QScrollBar>(window, "scr_Right")->isEnabled());
    const int full
        = Control<QScrollBar>(window, "scr_Right")->maximum() + Control<QScrollBar>(window, "scr_Right")->pageStep();
    Control<QScrollBar>(window, "scr_Right")->setValue(100);
    Control<QAction>(window, "mnusSize50")->trigger();
    EXPECT_TRUE(Control<QAction>(window, "mnusSize50")->isChecked());
    EXPECT_FALSE(Control<QAction>(window, "mnusSize100")->isChecked());
    EXPECT_EQ(Control<QScrollBar>(window, "scr_Right")->value(), 0);
    EXPECT_EQ(
        Control<QScrollBar>(window, "scr_Right")->maximum() + Control<QScrollBar>(window, "scr_Right")->pageStep(),
        full / 2);
    window->SetZoom(25); // the sheet fits: no scrolling
    EXPECT_FALSE(Control<QScrollBar>(window, "scr_Bottom")->isEnabled());
    // Enlarged, the page is drawn in the pixels it is shown in, not stretched.
    Control<QAction>(window, "mnusSize200")->trigger();
    EXPECT_EQ(
        Control<QScrollBar>(window, "scr_Right")->maximum() + Control<QScrollBar>(window, "scr_Right")->pageStep(),
        full * 2);
    EXPECT_EQ(window->Surface().size(), window->CardSize() * 2);
    EXPECT_EQ(window->Surface().devicePixelRatio(), 2.0);
    window->close();
    EXPECT_TRUE(f.settings->HasFormRect(AppSettings::kFormPreview));
}

TEST_F(Preview, PrintingTheShownPage)
{
    Open(kFormNewYearCard, 5);
    window->nextClicked();
    window->nextClicked();
    const std::string pdf = f.dir.File("page3.pdf");
    f.PrintToPdf(pdf);
    Control<QAction>(window, "N1")->trigger();
    const std::vector<std::string> pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("三郎"), std::string::npos) << pages[0];
    EXPECT_EQ(pages[0].find("二郎"), std::string::npos) << pages[0];
    EXPECT_EQ(PageText(), "ページ：  3 /   5");
    Control<QAction>(window, "mnuFilePrint")->trigger(); // the dialog's range: all five
    EXPECT_EQ(PdfPageCount(pdf), 5);
    EXPECT_EQ(renderer.CurrentRow(), 2);
}
