// The layout editor and its label and detail dialogs, driven as a user would: mouse
// drags on the card, typed millimetres, the dialogs' buttons.
#include "PrintGuiSupport.h"

#include "platform/fs.h"
#include "print/PrintForms.h"
#include "print/qt/LabelSheetDialog.h"
#include "print/qt/LayoutDetailDialog.h"
#include "print/qt/LayoutEditor.h"
#include "print/qt/PrintCommands.h"
#include "print/qt/PrintFormList.h"
#include "print/render/CardRenderer.h"
#include "print/render/FontCatalog.h"
#include "qt/QtText.h"
#include "settings/LayoutDefaults.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>

using namespace nrt;
using namespace nrt::test;
using print::LabelSheetDialog;
using print::LayoutDetailDialog;
using print::LayoutEditor;

namespace {

// Mouse events carrying the buttons held, as a real pointer sends them.
void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Typed one character at a time, as key events carrying their text (any script).
void KeyText(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

void Drag(QWidget* w, QPoint from, QPoint to)
{
    Mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    // Several steps, as the band follows the pointer.
    for (int step = 1; step <= 4; ++step)
        Mouse(w, QEvent::MouseMove, from + (to - from) * step / 4, Qt::NoButton, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

QPoint Centre(const FrameRect& f)
{
    return QPoint((f.left + f.right) / 2, (f.top + f.bottom) / 2);
}

class Editor : public ::testing::Test {
protected:
    int FormIndex(const char* name) const { return FindPrintForm(*f.settings, S(name)); }
    std::string LayoutFile(const char* form) const { return LayoutFilePath(*f.settings, S(form)); }

    std::unique_ptr<LayoutEditor> Open(const char* form)
    {
        auto editor = std::make_unique<LayoutEditor>(
            *f.settings, f.printer, FormIndex(form), AppSettings::FormKindOfName(S(form)));
        current_ = &editor->Form();
        editor->show();
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        return editor;
    }

    // Saves the form's layout once, as the editor's OK does.
    void SaveUnchanged(const char* form)
    {
        auto editor = Open(form);
        Control<QPushButton>(editor, "cmd_Ok")->click();
        current_ = nullptr; // the form goes with its editor
        ASSERT_TRUE(platform::fs::IsFile(LayoutFile(form)));
    }

    // Types into a value field and leaves it.
    static void Type(LayoutEditor& e, QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        Control<QListWidget>(e, "lst_Koumoku")->setFocus();
    }

    // The form's file read as printing reads it; it becomes the current layout.
    LayoutLoad Load(const char* form, int kind)
    {
        current_ = &loaded_;
        return LoadPrintForm(*f.settings, S(form), kind, loaded_);
    }
    // The layout the editor opened last, or the one loaded after it.
    PrintForm& Current() { return *current_; }
    TextItem& Slot(int i) { return Current().items[static_cast<std::size_t>(i)].object; }

    PrintGuiFixture f;

private:
    PrintForm loaded_ = PrintForm::Defaults(kFormPostcard);
    PrintForm* current_ = &loaded_;
};

// The slot that prints the addressee's name on a New Year's card: vertical, shown.
int NameSlot(const PrintForm& form)
{
    for (int i : { 1, 0 })
        if (form.items[static_cast<std::size_t>(i)].shown)
            return i;
    return -1;
}

} // namespace

TEST_F(Editor, OpensOnTheFormWithSamplesAndItsChecks)
{
    auto e = Open("年賀状");
    EXPECT_EQ(e->windowTitle(), QStringLiteral("印字設定"));
    EXPECT_GE(e->minimumWidth(), 750);
    EXPECT_EQ(Control<QListWidget>(e, "lst_Koumoku")->count(), kLayoutSlots);
    EXPECT_EQ(Control<QListWidget>(e, "lst_Koumoku")->item(0)->text(), QStringLiteral("宛名_氏名"));
    EXPECT_EQ(e->Selection(), 0);
    EXPECT_FALSE(e->Dirty());
    EXPECT_EQ(Control<QLineEdit>(e, "txt_RepWidth")->text(), QStringLiteral("100.00"));
    EXPECT_EQ(Control<QLineEdit>(e, "txt_RepHeight")->text(), QStringLiteral("148.00"));
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Label")->text(), QString());
    EXPECT_FALSE(Control<QPushButton>(e, "cmd_PrnSetupDel")->isEnabled());
    for (int i = 0; i < kLayoutSlots; ++i)
        EXPECT_EQ(Control<QListWidget>(e, "lst_Koumoku")->item(i)->checkState() == Qt::Checked,
            Current().items[static_cast<std::size_t>(i)].shown)
            << i;
    EXPECT_EQ(U(std::string(Slot(15).Text())), "1234-56-0001");
    // The card at the editor's scale: 320 pixels wide, white, the rest grey.
    EXPECT_EQ(e->PaperExtent(), QSize(320, 470));
    EXPECT_EQ(e->Surface().pixelColor(5, 460), QColor(Qt::white));
    EXPECT_EQ(e->Surface().pixelColor(330, 10), QColor(Qt::gray));
    Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(NameSlot(Current()));
    SaveScreenshot(*e, "layout-editor-nengajo");

    // The free labels show their own text in the text field, the others hide it.
    Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(48);
    EXPECT_FALSE(Control<QLineEdit>(e, "txt_Text")->isHidden());
    Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(3);
    EXPECT_TRUE(Control<QLineEdit>(e, "txt_Text")->isHidden());
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Text")->text(), QString());
    EXPECT_FALSE(e->Dirty()) << "selecting changes nothing";

    // Unchecking hides the item from the card and marks the change.
    const int name = NameSlot(Current());
    ASSERT_GE(name, 0);
    Control<QListWidget>(e, "lst_Koumoku")->item(name)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(Current().items[static_cast<std::size_t>(name)].shown);
    EXPECT_TRUE(e->Dirty());
}

TEST_F(Editor, DraggingMovesAndResizesBySnappedMillimetres)
{
    auto e = Open("年賀状");
    const int name = NameSlot(Current());
    ASSERT_GE(name, 0);
    TextItem& o = Slot(name);
    ASSERT_TRUE(o.IsVertical());
    const std::int32_t x0 = o.X(), y0 = o.Y(), w0 = o.Width(), h0 = o.Height();
    // A vertical column on screen is twice its width, left of its x.
    const FrameRect frame = o.FrameRect();
    EXPECT_EQ(frame.right, TextItem::Trunc(x0 * o.ScaleX()));
    EXPECT_NEAR(frame.right - frame.left, 2 * w0 * o.ScaleX(), 1.0);

    // A press on another item selects it; a drag of 32 pixels left is 10 mm.
    QWidget* canvas = e->Canvas();
    // While the button is held only the band moves; the item waits for the release.
    Mouse(canvas, QEvent::MouseButtonPress, Centre(frame), Qt::LeftButton, Qt::LeftButton);
    Mouse(canvas, QEvent::MouseMove, Centre(frame) - QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(o.X(), x0);
    EXPECT_TRUE(e->Dirty());
    SaveScreenshot(*e, "layout-editor-dragging");
    Mouse(canvas, QEvent::MouseMove, Centre(frame) - QPoint(32, 0), Qt::NoButton, Qt::LeftButton);
    const QString shownWhileDragging = Control<QLineEdit>(e, "txt_Left")->text();
    Mouse(canvas, QEvent::MouseButtonRelease, Centre(frame) - QPoint(32, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(e->Selection(), name);
    EXPECT_EQ(Control<QListWidget>(e, "lst_Koumoku")->currentRow(), name);
    const std::int32_t right = TextItem::Trunc(x0 * o.ScaleX()) - 32;
    const std::int32_t expectedX = (TextItem::Trunc(right / o.ScaleX()) + 50) / 100 * 100;
    EXPECT_EQ(o.X(), expectedX);
    EXPECT_LE(std::abs(o.X() - (x0 - 1000)), 100);
    EXPECT_EQ(o.Y(), (TextItem::Trunc(TextItem::Trunc(y0 * o.ScaleY()) / o.ScaleY()) + 50) / 100 * 100);
    EXPECT_EQ(o.Width(), w0);
    EXPECT_EQ(o.Height(), h0);
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Left")->text(), gui::ToQ(FormatHundredths(o.X())));
    EXPECT_EQ(shownWhileDragging, Control<QLineEdit>(e, "txt_Left")->text()) << "the fields follow the band";
    EXPECT_TRUE(e->Dirty());

    // The bottom edge's mark: 16 pixels lower is 5 mm taller.
    const FrameRect moved = o.FrameRect();
    const QPoint bottom(moved.left + (moved.right - moved.left) / 2, moved.bottom - 1);
    Mouse(canvas, QEvent::MouseMove, bottom, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(canvas->cursor().shape(), Qt::SizeVerCursor);
    Drag(canvas, bottom, bottom + QPoint(0, 16));
    const std::int32_t bandHeight = moved.bottom + 16 - moved.top;
    EXPECT_EQ(o.Height(), (TextItem::Trunc(bandHeight / o.ScaleY()) + 50) / 100 * 100);
    EXPECT_NEAR(o.Height(), h0 + 500, 100);

    // Inside the frame the cursor offers to move it; outside it is the arrow.
    const FrameRect now = o.FrameRect();
    Mouse(canvas, QEvent::MouseMove, Centre(now), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(canvas->cursor().shape(), Qt::SizeAllCursor);
    Mouse(canvas, QEvent::MouseMove, QPoint(now.left + 2, now.top + 2), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(canvas->cursor().shape(), Qt::SizeFDiagCursor);
    Mouse(canvas, QEvent::MouseMove, QPoint(319, 469), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(canvas->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(Editor, ArrowKeysNudgeTheSelectedItem)
{
    auto e = Open("年賀状");
    Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(15);
    const std::int32_t x0 = Slot(15).X(), y0 = Slot(15).Y();
    e->Canvas()->setFocus();
    QTest::keyClick(e->Canvas(), Qt::Key_Left);
    QTest::keyClick(e->Canvas(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Slot(15).X(), x0 - 10);
    EXPECT_EQ(Slot(15).Y(), y0 + 100);
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Top")->text(), gui::ToQ(FormatHundredths(y0 + 100)));
    EXPECT_TRUE(e->Dirty());
}

TEST_F(Editor, TypedValues)
{
    struct Case {
        const char* what;
        const char* field; // its objectName
        const char* text;
        std::function<std::int32_t(const PrintForm&)> stored;
        std::int32_t expected;
        const char* shown; // nullptr: as typed
        int beeps;
        const char* message;
    };
    auto x = [](const PrintForm& form) { return form.items[15].object.X(); };
    auto y = [](const PrintForm& form) { return form.items[15].object.Y(); };
    auto w = [](const PrintForm& form) { return form.items[15].object.Width(); };
    auto pw = [](const PrintForm& form) { return form.header.paperWidth; };
    auto ph = [](const PrintForm& form) { return form.header.paperHeight; };
    const std::int32_t kAsBefore = -1;
    const Case cases[] = {
        { "x cut to hundredths", "txt_Left", "12.345", x, 1234, "12.34", 0, nullptr },
        { "a letter only beeps", "txt_Left", "12a", x, kAsBefore, nullptr, 1, nullptr },
        { "y kept 1 mm inside the card", "txt_Top", "200.00", y, 14700, "147.00", 0, nullptr },
        { "x kept 1 mm inside the card", "txt_Left", "100", x, 9900, "99.00", 0, nullptr },
        { "too large", "txt_Top", "1000", y, kAsBefore, nullptr, 1, "サイズがオーバーしました。" },
        { "width", "txt_Width", "30.5", w, 3050, "30.50", 0, nullptr },
        { "width too small", "txt_Width", "0.09", w, kAsBefore, "0.09", 1, "サイズが小さすぎます。" },
        { "width 0.1 mm", "txt_Width", "0.1", w, 10, "0.10", 0, nullptr },
        { "paper too small", "txt_RepWidth", "0.99", pw, kAsBefore, "0.99", 1, "サイズが小さいです。" },
        { "paper too large", "txt_RepHeight", "600.01", ph, kAsBefore, "600.01", 1, "サイズが大きいです。" },
        { "paper", "txt_RepHeight", "235", ph, 23500, "235.00", 0, nullptr },
    };
    for (const Case& c : cases) {
        auto e = Open("年賀状");
        Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(15);
        const std::int32_t before = c.stored(e->Form());
        f.messages.shown.clear();
        f.messages.beeps = 0;
        QLineEdit* field = Control<QLineEdit>(e, c.field);
        Type(*e, field, QString::fromUtf8(c.text));
        EXPECT_EQ(c.stored(e->Form()), c.expected == kAsBefore ? before : c.expected) << c.what;
        EXPECT_EQ(field->text(), QString::fromUtf8(c.shown ? c.shown : c.text)) << c.what;
        EXPECT_EQ(f.messages.beeps, c.beeps) << c.what;
        if (c.message) {
            ASSERT_EQ(f.messages.shown.size(), 1u) << c.what;
            EXPECT_EQ(U(f.messages.shown[0].text), c.message) << c.what;
            EXPECT_EQ(U(f.messages.shown[0].caption), "注意") << c.what;
        } else {
            EXPECT_TRUE(f.messages.shown.empty()) << c.what << ": " << U(f.messages.LastText());
        }
        EXPECT_TRUE(e->Dirty()) << c.what;
        // Leaving again without typing takes nothing over a second time.
        field->setFocus();
        Control<QListWidget>(e, "lst_Koumoku")->setFocus();
        EXPECT_EQ(f.messages.beeps, c.beeps) << c.what;
        f.messages.Answer(platform::MsgResult::Yes);
        Control<QPushButton>(e, "cmd_Close")->click();
    }

    // A larger paper grows the card on the surface.
    auto e = Open("年賀状");
    Type(*e, Control<QLineEdit>(e, "txt_RepHeight"), QStringLiteral("300"));
    EXPECT_EQ(e->PaperExtent().height(), TextItem::Trunc(30000 * Slot(0).ScaleY()));
    EXPECT_GE(e->Surface().height(), e->PaperExtent().height() + 100);
    EXPECT_EQ(e->Surface().pixelColor(5, e->PaperExtent().height() - 2), QColor(Qt::white));
}

TEST_F(Editor, CancelLeavesTheFilesAsTheyWere)
{
    SaveUnchanged("年賀状");
    std::string before;
    ASSERT_TRUE(platform::fs::ReadFile(LayoutFile("年賀状"), before));
    {
        auto e = Open("年賀状");
        const int name = NameSlot(Current());
        const FrameRect frame = Slot(name).FrameRect();
        Drag(e->Canvas(), Centre(frame), Centre(frame) + QPoint(40, 40));
        Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(15);
        Type(*e, Control<QLineEdit>(e, "txt_Left"), QStringLiteral("12.5"));
        Control<QListWidget>(e, "lst_Koumoku")->item(20)->setCheckState(Qt::Checked);
        ASSERT_TRUE(e->Dirty());
        f.messages.shown.clear();

        // No keeps the editor open.
        f.messages.Answer(platform::MsgResult::No);
        Control<QPushButton>(e, "cmd_Close")->click();
        ASSERT_EQ(f.messages.shown.size(), 1u);
        EXPECT_EQ(U(f.messages.shown[0].text), "更新があります。破棄しますか？");
        EXPECT_EQ(U(f.messages.shown[0].caption), "確認");
        EXPECT_EQ(f.messages.shown[0].defaultButton, platform::MsgResult::No);
        EXPECT_TRUE(e->isVisible());
        // Yes closes without saving; the window's place is remembered.
        f.messages.Answer(platform::MsgResult::Yes);
        Control<QAction>(e, "mnuClose")->trigger();
        EXPECT_FALSE(e->isVisible());
    }
    std::string after;
    ASSERT_TRUE(platform::fs::ReadFile(LayoutFile("年賀状"), after));
    EXPECT_EQ(after, before);
    EXPECT_TRUE(f.settings->HasFormRect(AppSettings::kFormLayoutEditor));

    // Unchanged, closing asks nothing.
    f.messages.shown.clear();
    auto e = Open("年賀状");
    Control<QPushButton>(e, "cmd_Close")->click();
    EXPECT_FALSE(e->isVisible());
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST_F(Editor, OkSavesWhatWasEdited)
{
    bool vertical = false;
    {
        auto e = Open("普通はがき(１)");
        Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(48);
        Control<QListWidget>(e, "lst_Koumoku")->item(48)->setCheckState(Qt::Checked);
        Control<QLineEdit>(e, "txt_Text")->setFocus();
        Control<QLineEdit>(e, "txt_Text")->selectAll();
        KeyText(Control<QLineEdit>(e, "txt_Text"), QStringLiteral("謹賀新年"));
        Type(*e, Control<QLineEdit>(e, "txt_Left"), QStringLiteral("20"));
        Type(*e, Control<QLineEdit>(e, "txt_Top"), QStringLiteral("30.25"));
        // The popup's orientation entry turns the label the other way.
        const std::int32_t w = Slot(48).Width(), h = Slot(48).Height();
        vertical = !Slot(48).IsVertical();
        Control<QAction>(e, "mnusOrient")->trigger();
        EXPECT_EQ(Slot(48).IsVertical(), vertical);
        EXPECT_EQ(Control<QComboBox>(e, "cbo_Orient")->currentIndex(), vertical ? 1 : 0);
        // Width and height swap, then the cross direction is fitted to the font.
        EXPECT_EQ(vertical ? Slot(48).Height() : Slot(48).Width(), vertical ? w : h);
        EXPECT_NE(vertical ? Slot(48).Width() : Slot(48).Height(), 0);
        Control<QPushButton>(e, "cmd_Ok")->click();
        EXPECT_FALSE(e->isVisible());
        EXPECT_FALSE(e->Dirty());
    }
    // Read back as printing reads it.
    ASSERT_EQ(Load("普通はがき(１)", kFormPostcard), LayoutLoad::Read);
    const LayoutItem& label = Current().items[48];
    EXPECT_TRUE(label.shown);
    EXPECT_EQ(U(std::string(label.object.Text())), "謹賀新年");
    EXPECT_EQ(label.object.X(), 2000);
    EXPECT_EQ(label.object.Y(), 3025);
    EXPECT_EQ(label.object.IsVertical(), vertical);
}

TEST(LayoutEditorFont, DialogOpensOnTheFaceThatDrawsTheItem)
{
    const QString gothic = print::FontCatalog::Cached(print::FontCatalog::GothicFile(), 100).familyName();
    const QString mincho = print::FontCatalog::Cached(print::FontCatalog::MinchoFile(), 100).familyName();
    ASSERT_FALSE(gothic.isEmpty());
    struct Case {
        const char* face;
        QString family;
    } cases[] = { { "ＭＳ ゴシック", gothic }, { "@ＭＳ 明朝", mincho }, { "", gothic } };
    for (const Case& c : cases) {
        LogFontA lf;
        lf.SetFaceName(S(c.face));
        lf.height = -24;
        const QFont start = print::LayoutEditor::FontDialogStart(lf);
        EXPECT_EQ(start.family(), c.family) << c.face;
        EXPECT_GT(start.pointSizeF(), 8.0) << c.face;
    }
}

TEST_F(Editor, FontFromTheChooser)
{
    auto e = Open("年賀状");
    Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(15);
    LogFontA offered;
    e->SetFontChooser([&offered](QWidget*, LogFontA& font) {
        offered = font;
        font.height = -40;
        font.weight = 700;
        font.SetFaceName(S("IPAex明朝"));
        return true;
    });
    const bool vertical = Slot(15).IsVertical();
    const std::int32_t thickness = vertical ? Slot(15).Width() : Slot(15).Height();
    const LogFontA stored = Slot(15).Font();
    Control<QPushButton>(e, "cmd_Font")->click();
    EXPECT_EQ(offered, stored) << "the dialog starts from the item's font";
    EXPECT_EQ(U(std::string(Slot(15).Font().FaceName())), "IPAex明朝");
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Font")->text(), QStringLiteral("IPAex明朝"));
    EXPECT_EQ(Slot(15).FontHeight(), TextItem::Trunc(-40 / Slot(15).ScaleY()));
    EXPECT_GT(vertical ? Slot(15).Width() : Slot(15).Height(), thickness) << "a larger font, a thicker line";
    EXPECT_TRUE(e->Dirty());

    // Cancelled: nothing changes.
    e->SetFontChooser([](QWidget*, LogFontA&) { return false; });
    const LogFontA kept = Slot(15).Font();
    Control<QAction>(e, "mnusFont")->trigger();
    EXPECT_EQ(Slot(15).Font(), kept);
}

TEST_F(Editor, PrinterSettingsTravelWithTheFormOnOkOnly)
{
    const std::string prd = PrinterSettingsPath(*f.settings, S("年賀状"));
    f.printer.SetDialogStandIn([](QPrinter& p, bool setup) {
        EXPECT_TRUE(setup);
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setPageOrientation(QPageLayout::Landscape);
        return true;
    });
    {
        auto e = Open("年賀状");
        f.messages.shown.clear();
        Control<QPushButton>(e, "cmd_PrnSetupDel")->setEnabled(true);
        Control<QPushButton>(e, "cmd_PrnSetupDel")->click();
        EXPECT_EQ(U(f.messages.LastText()), "プリンタ設定されていません。");
        Control<QPushButton>(e, "cmd_PrnSetup")->click();
        EXPECT_TRUE(Control<QPushButton>(e, "cmd_PrnSetupDel")->isEnabled());
        EXPECT_FALSE(platform::fs::IsFile(prd)) << "not before OK";
        Control<QPushButton>(e, "cmd_Ok")->click();
    }
    EXPECT_TRUE(platform::fs::IsFile(prd));
    EXPECT_FALSE(platform::fs::IsFile(f.settings->BookFile("_tmp.prd")));

    // Deleting takes effect at once, and a cancel does not bring the file back.
    auto e = Open("年賀状");
    EXPECT_TRUE(Control<QPushButton>(e, "cmd_PrnSetupDel")->isEnabled());
    f.messages.shown.clear();
    Control<QPushButton>(e, "cmd_PrnSetupDel")->click();
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(U(f.messages.shown[0].text), "プリンタ設定を削除します。よろしいですか？");
    EXPECT_FALSE(platform::fs::IsFile(prd));
    EXPECT_FALSE(Control<QPushButton>(e, "cmd_PrnSetupDel")->isEnabled());
    Control<QPushButton>(e, "cmd_Close")->click();
    EXPECT_FALSE(platform::fs::IsFile(prd));
}

TEST_F(Editor, DetailSettings)
{
    struct Case {
        std::uint16_t code;
        int entry;
    };
    for (const Case& c :
        { Case { 0, 0 }, Case { 0x815B, 1 }, Case { 0x815C, 2 }, Case { 0x815D, 3 }, Case { 0x1234, 0 } }) {
        LayoutDetailDialog d({ c.code, false, "" });
        EXPECT_EQ(Control<QComboBox>(d, "cbo_AdChg")->currentIndex(), c.entry) << c.code;
        EXPECT_FALSE(Control<QCheckBox>(d, "chk_KanNum")->isHidden());
    }

    auto e = Open("年賀状");
    ASSERT_FALSE(Current().header.backgroundImage.empty());
    WhenModal<LayoutDetailDialog>([](LayoutDetailDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("印字設定詳細"));
        SaveScreenshot(d, "layout-detail-dialog");
        EXPECT_FALSE(Control<QCheckBox>(d, "chk_KanNum")->isChecked());
        Control<QComboBox>(d, "cbo_AdChg")->setCurrentIndex(3);
        Control<QLineEdit>(d, "txt_RepBack")->clear();
        Control<QCheckBox>(d, "chk_KanNum")->setChecked(true);
        Control<QPushButton>(d, "cmd_Ok")->click();
    });
    Control<QPushButton>(e, "cmd_SetDetail")->click();
    EXPECT_EQ(Current().header.dashCode, 0x815D);
    EXPECT_EQ(Current().header.kanjiNumerals, 1);
    EXPECT_TRUE(Current().header.backgroundImage.empty());
    EXPECT_TRUE(e->Dirty());
    // Reopened, the dialog shows the entry chosen; cancel keeps it.
    WhenModal<LayoutDetailDialog>([](LayoutDetailDialog& d) {
        EXPECT_EQ(Control<QComboBox>(d, "cbo_AdChg")->currentText(), QStringLiteral("‐"));
        Control<QComboBox>(d, "cbo_AdChg")->setCurrentIndex(0);
        Control<QPushButton>(d, "cmd_Close")->click();
    });
    Control<QPushButton>(e, "cmd_SetDetail")->click();
    EXPECT_EQ(Current().header.dashCode, 0x815D);
    f.messages.Answer(platform::MsgResult::Yes);
}

TEST_F(Editor, LabelGeometryRoundTrips)
{
    ASSERT_TRUE(CreatePrintForm(*f.settings, S("宛名ラベル"), kFormLabelSheet).Done());
    {
        auto e = Open("宛名ラベル");
        EXPECT_EQ(Control<QLineEdit>(e, "txt_Label")->text(), QStringLiteral("用紙:210.00 x 297.00 列:2 行:6"));
        EXPECT_EQ(Control<QLineEdit>(e, "txt_RepWidth")->text(), QStringLiteral("83.80"));
        Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(1);
        SaveScreenshot(*e, "layout-editor-label");
        WhenModal<LabelSheetDialog>([](LabelSheetDialog& d) {
            EXPECT_TRUE(Control<QCheckBox>(d, "chk_Label")->isChecked());
            EXPECT_TRUE(Control<QLineEdit>(d, "txt_Pw")->isEnabled());
            const std::pair<QLineEdit*, const char*> typed[]
                = { { Control<QLineEdit>(d, "txt_Pw"), "182" }, { Control<QLineEdit>(d, "txt_Ph"), "257" },
                      { Control<QLineEdit>(d, "txt_Sx"), "8.5" }, { Control<QLineEdit>(d, "txt_Sy"), "12.25" },
                      { Control<QLineEdit>(d, "txt_Width"), "50.8" }, { Control<QLineEdit>(d, "txt_Height"), "25.4" },
                      { Control<QLineEdit>(d, "txt_Dw"), "2.54" }, { Control<QLineEdit>(d, "txt_Dh"), "1" },
                      { Control<QLineEdit>(d, "txt_Col"), "3" }, { Control<QLineEdit>(d, "txt_Row"), "9" } };
            for (const auto& [field, text] : typed)
                field->setText(QString::fromLatin1(text));
            Control<QPushButton>(d, "cmd_Ok")->click();
        });
        Control<QPushButton>(e, "cmd_Label")->click();
        EXPECT_EQ(Control<QLineEdit>(e, "txt_Label")->text(), QStringLiteral("用紙:182.00 x 257.00 列:3 行:9"));
        EXPECT_EQ(Control<QLineEdit>(e, "txt_RepWidth")->text(), QStringLiteral("50.80"));
        EXPECT_EQ(Control<QLineEdit>(e, "txt_RepHeight")->text(), QStringLiteral("25.40"));
        EXPECT_TRUE(e->Dirty());
        Control<QPushButton>(e, "cmd_Ok")->click();
    }
    ASSERT_EQ(Load("宛名ラベル", AppSettings::FormKindOfName(S("宛名ラベル"))), LayoutLoad::Read);
    const LayoutHeader& h = Current().header;
    EXPECT_EQ(h.labelSheet, 1);
    EXPECT_EQ((std::array<std::int32_t, 10> { h.sheetWidth, h.sheetHeight, h.marginLeft, h.marginTop, h.paperWidth,
                  h.paperHeight, h.gapX, h.gapY, h.columns, h.rows }),
        (std::array<std::int32_t, 10> { 18200, 25700, 850, 1225, 5080, 2540, 254, 100, 3, 9 }));

    // Switched off and on again, the geometry was kept.
    for (bool on : { false, true }) {
        auto e = Open("宛名ラベル");
        WhenModal<LabelSheetDialog>([on](LabelSheetDialog& d) {
            Control<QCheckBox>(d, "chk_Label")->setChecked(on);
            EXPECT_EQ(Control<QLineEdit>(d, "txt_Pw")->isEnabled(), on);
            Control<QPushButton>(d, "cmd_Ok")->click();
        });
        Control<QPushButton>(e, "cmd_Label")->click();
        EXPECT_EQ(Control<QLineEdit>(e, "txt_Label")->text().isEmpty(), !on);
        Control<QPushButton>(e, "cmd_Ok")->click();
    }
    ASSERT_EQ(Load("宛名ラベル", AppSettings::FormKindOfName(S("宛名ラベル"))), LayoutLoad::Read);
    EXPECT_EQ(Current().header.labelSheet, 1);
    EXPECT_EQ(Current().header.sheetWidth, 18200);
    EXPECT_EQ(Current().header.columns, 3);
}

TEST(LabelDialog, LeavingAFieldShowsItsValueAndRefusalsKeepTheDialogOpen)
{
    PrintGuiFixture f;
    LayoutHeader h;
    ApplyDefaultLayout(kFormLabelSheet, h, *std::make_unique<LayoutTable>());
    LabelSheetDialog d(h);
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    SaveScreenshot(d, "label-dialog");
    auto type = [&d](QLineEdit* field, const char* text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(text));
        Control<QCheckBox>(d, "chk_Label")->setFocus();
    };
    type(Control<QLineEdit>(d, "txt_Sx"), "7.125");
    EXPECT_EQ(Control<QLineEdit>(d, "txt_Sx")->text(), QStringLiteral("7.12"));
    type(Control<QLineEdit>(d, "txt_Row"), "5.9");
    EXPECT_EQ(Control<QLineEdit>(d, "txt_Row")->text(), QStringLiteral("5"));
    type(Control<QLineEdit>(d, "txt_Row"), "99");
    EXPECT_EQ(Control<QLineEdit>(d, "txt_Row")->text(), QStringLiteral("99"));
    EXPECT_TRUE(f.messages.shown.empty());
    type(Control<QLineEdit>(d, "txt_Dw"), "x");
    EXPECT_EQ(U(f.messages.LastText()), "不正な値が入力されました。");
    EXPECT_EQ(Control<QLineEdit>(d, "txt_Dw")->text(), QStringLiteral("x")) << "left as typed";

    // OK stops at the first bad field, with the focus on it.
    f.messages.shown.clear();
    Control<QLineEdit>(d, "txt_Dw")->setText(QStringLiteral("1"));
    Control<QLineEdit>(d, "txt_Pw")->setText(QStringLiteral("9.99"));
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_EQ(U(f.messages.LastText()), "サイズが小さいです。");
    EXPECT_TRUE(Control<QLineEdit>(d, "txt_Pw")->hasFocus());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(h.sheetWidth, 21000);
    Control<QLineEdit>(d, "txt_Pw")->setText(QStringLiteral("10.00"));
    Control<QLineEdit>(d, "txt_Width")->setText(QStringLiteral("10.00"));
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(h.sheetWidth, 1000);
    EXPECT_EQ(h.paperWidth, 1000);
    EXPECT_EQ(h.marginLeft, 712);
    EXPECT_EQ(h.rows, 99);

    // Cancel stores nothing.
    LabelSheetDialog again(h);
    Control<QLineEdit>(again, "txt_Pw")->setText(QStringLiteral("300"));
    Control<QCheckBox>(again, "chk_Label")->setChecked(false);
    Control<QPushButton>(again, "cmd_Close")->click();
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(h.sheetWidth, 1000);
    EXPECT_EQ(h.labelSheet, 1);
}

TEST_F(Editor, ThePrintedCardFollowsTheEditor)
{
    f.AddAddressees({ { "山田 太郎", "100-0013", "千代田区霞が関１－２－３", "" } });
    auto printName = [&](const char* file) {
        print::CardRenderer prn(*f.settings, f.db, f.printer);
        const std::string pdf = f.dir.File(file);
        f.PrintToPdf(pdf);
        EXPECT_TRUE(prn.Prepare(S("年賀状"), kFormNewYearCard, S("宛名区分='0'"), ""));
        EXPECT_TRUE(prn.PrintRows(nullptr));
        return pdf;
    };
    SaveUnchanged("年賀状");
    const std::string before = printName("before.pdf");
    {
        auto e = Open("年賀状");
        const int name = NameSlot(Current());
        Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(name);
        Type(*e, Control<QLineEdit>(e, "txt_Left"), gui::ToQ(FormatHundredths(Slot(name).X() - 1000)));
        Control<QPushButton>(e, "cmd_Ok")->click();
    }
    const std::string after = printName("after.pdf");
    // The name's column in the middle of the card, at 100 dpi: 10 mm is 39 pixels.
    const QImage a = PdfPageImage(before, 1, 100), b = PdfPageImage(after, 1, 100);
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    const QRect band(100, 140, 180, 400);
    const QRect inkA = Ink(a, band), inkB = Ink(b, band);
    ASSERT_FALSE(inkA.isEmpty());
    EXPECT_NEAR(inkA.left() - inkB.left(), 39, 2);
    EXPECT_NEAR(inkA.top(), inkB.top(), 1);
    if (const char* folder = std::getenv("NRT_SCREENSHOT_DIR")) {
        a.save(QString::fromLocal8Bit(folder) + QStringLiteral("/card-before-move.png"));
        b.save(QString::fromLocal8Bit(folder) + QStringLiteral("/card-name-10mm-left.png"));
    }
}

TEST_F(Editor, TheMainWindowsCommandChoosesAFormThenEditsIt)
{
    print::PrintCommands commands(*f.settings, f.db, nullptr);
    QString edited;
    WhenModal<print::PrintFormList>([&edited](print::PrintFormList& list) {
        Control<QListWidget>(list, "lst_Name")->setCurrentRow(1);
        WhenModal<LayoutEditor>([&edited](LayoutEditor& editor) {
            edited = Control<QLineEdit>(editor, "txt_RepHeight")->text();
            Control<QPushButton>(editor, "cmd_Close")->click();
        });
        list.okClicked();
    });
    commands.EditLayouts();
    EXPECT_EQ(edited, QStringLiteral("148.00"));
    // The postcard's layout is the one in the table now.
    EXPECT_EQ(Current().header.backgroundImage, "repbk02.BMP");

    // Cancelled in the list: no editor.
    WhenModal<print::PrintFormList>(
        [](print::PrintFormList& list) { Control<QPushButton>(list, "cmd_Cancel")->click(); });
    commands.EditLayouts();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Editor, ALayoutThatCannotBeWrittenKeepsTheEditorOpen)
{
    SaveUnchanged("年賀状");
    std::string before;
    ASSERT_TRUE(platform::fs::ReadFile(LayoutFile("年賀状"), before));
    auto e = Open("年賀状");
    Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(15);
    Type(*e, Control<QLineEdit>(e, "txt_Left"), QStringLiteral("12"));
    f.messages.shown.clear();
    platform::fs::testing::FailWritesAfter(100);
    Control<QPushButton>(e, "cmd_Ok")->click();
    platform::fs::testing::FailWritesAfter(-1);
    // The program's text, then the file and the system's reason on lines of their own.
    EXPECT_EQ(U(f.messages.LastText()),
        std::string("印字設定を保存できませんでした。\n") + U(LayoutFile("年賀状")) + '\n'
            + U(platform::Utf8ToSjis(std::strerror(ENOSPC))));
    EXPECT_TRUE(e->isVisible());
    EXPECT_TRUE(e->Dirty());
    std::string after;
    ASSERT_TRUE(platform::fs::ReadFile(LayoutFile("年賀状"), after));
    EXPECT_EQ(after, before) << "the old layout stays whole";
    // Once the disk takes it, OK saves.
    Control<QPushButton>(e, "cmd_Ok")->click();
    EXPECT_FALSE(e->isVisible());
    ASSERT_EQ(Load("年賀状", kFormNewYearCard), LayoutLoad::Read);
    EXPECT_EQ(Slot(15).X(), 1200);
}

TEST_F(Editor, ScrolledDownTheCardStillMovesWhereTheMouseGoes)
{
    auto e = Open("封筒(４号)(表)");
    e->resize(760, 600);
    QApplication::processEvents();
    const QSize paper = e->PaperExtent();
    ASSERT_GT(paper.height(), e->Canvas()->height()) << "the envelope is taller than the view";
    ASSERT_TRUE(Control<QScrollBar>(e, "scr_Right")->isEnabled());
    Control<QScrollBar>(e, "scr_Right")->setValue(Control<QScrollBar>(e, "scr_Right")->maximum());
    const QPoint scroll(Control<QScrollBar>(e, "scr_Bottom")->value(), Control<QScrollBar>(e, "scr_Right")->value());
    ASSERT_GT(scroll.y(), 0);
    // The lowest shown item, wherever it sits, is under the mouse at its frame less
    // the scroll.
    int lowest = -1;
    for (int i = 0; i < kLayoutSlots; ++i) {
        const LayoutItem& item = Current().items[static_cast<std::size_t>(i)];
        if (item.shown && item.object.HasText() && (lowest < 0 || item.object.Y() > Slot(lowest).Y()))
            lowest = i;
    }
    ASSERT_GE(lowest, 0);
    TextItem& o = Slot(lowest);
    const std::int32_t x0 = o.X(), y0 = o.Y();
    const QPoint at = Centre(o.FrameRect()) - scroll;
    ASSERT_TRUE(e->Canvas()->rect().contains(at));
    Drag(e->Canvas(), at, at + QPoint(0, -32));
    EXPECT_EQ(e->Selection(), lowest);
    EXPECT_NEAR(o.Y(), y0 - 32 / o.ScaleY(), 100);
    EXPECT_EQ(o.Y() % 100, 0);
    EXPECT_NEAR(o.X(), x0, 50);
}

TEST_F(Editor, TheBarcodeIsOfferedOnEnvelopeFrontsAndKeepsItsShape)
{
    {
        auto card = Open("年賀状");
        EXPECT_TRUE(Control<QListWidget>(card, "lst_Koumoku")->item(kBarcodeSlot)->isHidden());
    }
    // A label layout offers it whatever its name says.
    ASSERT_TRUE(CreatePrintForm(*f.settings, S("宛名ラベル"), kFormLabelSheet).Done());
    {
        auto labels = Open("宛名ラベル");
        EXPECT_FALSE(Control<QListWidget>(labels, "lst_Koumoku")->item(kBarcodeSlot)->isHidden());
    }
    auto e = Open("封筒(４号)(表)");
    QListWidgetItem* row = Control<QListWidget>(e, "lst_Koumoku")->item(kBarcodeSlot);
    ASSERT_FALSE(row->isHidden());
    EXPECT_EQ(row->text(), QStringLiteral("カスタマバーコード"));
    row->setCheckState(Qt::Checked);
    Control<QListWidget>(e, "lst_Koumoku")->setCurrentRow(kBarcodeSlot);
    EXPECT_FALSE(Control<QPushButton>(e, "cmd_Font")->isEnabled());
    EXPECT_FALSE(Control<QComboBox>(e, "cbo_Orient")->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Height")->text(), QStringLiteral("2.88"));
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Width")->text(), QStringLiteral("63.84"));

    // A height sets the size (10 pt here) and the width follows; beyond 11.5 pt it stops.
    Type(*e, Control<QLineEdit>(e, "txt_Height"), QStringLiteral("3.6"));
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Height")->text(), QStringLiteral("3.60"));
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Width")->text(), QStringLiteral("79.80"));
    Type(*e, Control<QLineEdit>(e, "txt_Width"), QStringLiteral("200"));
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Height")->text(), QStringLiteral("4.14"));
    Type(*e, Control<QLineEdit>(e, "txt_Height"), QStringLiteral("1"));
    EXPECT_EQ(Control<QLineEdit>(e, "txt_Height")->text(), QStringLiteral("2.88"));
    Type(*e, Control<QLineEdit>(e, "txt_Left"), QStringLiteral("12.5"));
    SaveScreenshot(*e, "layout-editor-barcode");

    // Drawn on the editor's card as bars inside its frame.
    const FrameRect frame = Slot(kBarcodeSlot).FrameRect();
    const QImage& surface = e->Surface();
    const QRect ink
        = Ink(surface, QRect(QPoint(frame.left - 3, frame.top - 3), QPoint(frame.right + 3, frame.bottom + 3)));
    EXPECT_TRUE(ink.isValid());

    Control<QPushButton>(e, "cmd_Ok")->click();
    ASSERT_EQ(Load("封筒(４号)(表)", kFormEnvelope4Front), LayoutLoad::Read);
    EXPECT_TRUE(Current().items[kBarcodeSlot].shown);
    EXPECT_EQ(Slot(kBarcodeSlot).X(), 1250);
    EXPECT_EQ(Slot(kBarcodeSlot).Height(), 288);
}

TEST(LabelDialog, AProductSheetFillsTheFieldsAndOwnSheetsAreKept)
{
    PrintGuiFixture f;
    LayoutHeader h;
    ApplyDefaultLayout(kFormPostcard, h, *std::make_unique<LayoutTable>());
    const std::string sheets = f.settings->DataFile("NrtLabel.txt");
    LabelSheetDialog d(h, nullptr, sheets);
    EXPECT_FALSE(Control<QCheckBox>(d, "chk_Label")->isChecked());
    const int products = static_cast<int>(kLabelSheetProducts.size());
    ASSERT_EQ(Control<QComboBox>(d, "cbo_Sheet")->count(), 1 + products);
    const int elm022 = Control<QComboBox>(d, "cbo_Sheet")->findText(QStringLiteral("A4 44面 48.3×25.4mm"));
    ASSERT_GT(elm022, 0);
    d.sheetChanged(elm022);
    EXPECT_TRUE(Control<QCheckBox>(d, "chk_Label")->isChecked());
    EXPECT_TRUE(Control<QLineEdit>(d, "txt_Pw")->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(d, "txt_Sx")->text(), QStringLiteral("8.40"));
    EXPECT_EQ(Control<QLineEdit>(d, "txt_Sy")->text(), QStringLiteral("8.80"));
    EXPECT_EQ(Control<QLineEdit>(d, "txt_Width")->text(), QStringLiteral("48.30"));
    EXPECT_EQ(Control<QLineEdit>(d, "txt_Col")->text(), QStringLiteral("4"));
    EXPECT_EQ(Control<QLineEdit>(d, "txt_Row")->text(), QStringLiteral("11"));

    // Still editable; the edited sheet saved as the user's own, offered next time.
    Control<QLineEdit>(d, "txt_Sy")->setText(QStringLiteral("9.5"));
    EXPECT_FALSE(d.SaveSheetAs(S("A4 44面 48.3×25.4mm")));
    EXPECT_EQ(U(f.messages.LastText()), "製品の用紙と同じ名前では登録できません。");
    ASSERT_TRUE(d.SaveSheetAs(S("事務所の44面")));
    SaveScreenshot(d, "label-dialog-sheets");
    EXPECT_EQ(Control<QComboBox>(d, "cbo_Sheet")->count(), 2 + products);
    EXPECT_EQ(h.labelSheet, 0) << "saving a sheet changes nothing of the layout";
    Control<QPushButton>(d, "cmd_Ok")->click();
    EXPECT_EQ(h.labelSheet, 1);
    EXPECT_EQ(h.marginTop, 950);
    EXPECT_EQ(h.columns, 4);

    LabelSheetDialog again(h, nullptr, sheets);
    const int own = Control<QComboBox>(again, "cbo_Sheet")->findText(QStringLiteral("事務所の44面"));
    ASSERT_EQ(own, 1 + products);
    Control<QLineEdit>(again, "txt_Sy")->setText(QStringLiteral("1"));
    again.sheetChanged(own);
    EXPECT_EQ(Control<QLineEdit>(again, "txt_Sy")->text(), QStringLiteral("9.50"));

    // A field the settings refuse is not saved.
    Control<QLineEdit>(again, "txt_Col")->setText(QStringLiteral("0"));
    f.messages.shown.clear();
    EXPECT_FALSE(again.SaveSheetAs(S("だめな用紙")));
    EXPECT_EQ(U(f.messages.LastText()), "列数に０以上の値を入力して下さい。");
    EXPECT_EQ(LoadUserLabelSheets(sheets).size(), 1u);
}

// The joint names and the company lines are items like the others: ticked, dragged,
// given a font and a direction, typed, saved and read back; unticked again, the file
// is what it was before them.
TEST_F(Editor, JointNameAndCompanyItemsArePlacedAndSaved)
{
    SaveUnchanged("年賀状");
    std::string untouched, after;
    ASSERT_TRUE(platform::fs::ReadFile(LayoutFile("年賀状"), untouched));
    // Read while an editor holds the form: the saving editor is gone.
    const std::int32_t x0 = [this] {
        auto e = Open("年賀状");
        return Slot(kJointNameSlot).X();
    }();
    for (const bool tick : { true, false }) {
        auto e = Open("年賀状");
        QListWidget* list = Control<QListWidget>(e, "lst_Koumoku");
        EXPECT_EQ(list->item(kJointNameSlot)->text(), QStringLiteral("宛名_連名"));
        EXPECT_EQ(list->item(kCompanySlot)->text(), QStringLiteral("宛名_会社名・部署"));
        for (int slot : { kJointNameSlot, kCompanySlot }) {
            EXPECT_EQ(list->item(slot)->checkState(), tick ? Qt::Unchecked : Qt::Checked);
            list->item(slot)->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
        }
        if (tick) {
            // The joint names, drawn in their frame, dragged 10 mm left and made bold.
            const FrameRect frame = Slot(kJointNameSlot).FrameRect();
            EXPECT_TRUE(Ink(e->Surface(), QRect(frame.left, frame.top, frame.right - frame.left, 20)).isValid());
            Drag(e->Canvas(), Centre(frame), Centre(frame) - QPoint(32, 0));
            EXPECT_EQ(e->Selection(), kJointNameSlot);
            e->SetFontChooser([](QWidget*, LogFontA& font) {
                font.weight = 700;
                return true;
            });
            Control<QPushButton>(e, "cmd_Font")->click();
            SaveScreenshot(*e, "layout-editor-joint-names");
            // The company lines turned to a line and placed by typed millimetres.
            list->setCurrentRow(kCompanySlot);
            e->orientationChanged(0);
            Type(*e, Control<QLineEdit>(e, "txt_Left"), QStringLiteral("10"));
            Type(*e, Control<QLineEdit>(e, "txt_Width"), QStringLiteral("50"));
        }
        Control<QPushButton>(e, "cmd_Ok")->click();
        ASSERT_EQ(Load("年賀状", kFormNewYearCard), LayoutLoad::Read);
        if (!tick)
            continue;
        EXPECT_TRUE(Current().items[kJointNameSlot].shown && Current().items[kCompanySlot].shown);
        EXPECT_LE(std::abs(Slot(kJointNameSlot).X() - (x0 - 1000)), 100);
        EXPECT_EQ(Slot(kJointNameSlot).Font().weight, 700);
        EXPECT_FALSE(Slot(kCompanySlot).IsVertical());
        EXPECT_EQ(Slot(kCompanySlot).X(), 1000);
        EXPECT_EQ(Slot(kCompanySlot).Width(), 5000);
    }
    ASSERT_TRUE(platform::fs::ReadFile(LayoutFile("年賀状"), after));
    EXPECT_EQ(after, untouched);
}

// A label form whose barcode lies outside its cell opens with the barcode moved under
// the address and a note saying so; OK keeps it there. The label settings name the
// built-in sheet the form is on.
TEST_F(Editor, ALabelsBarcodeOutsideItsCellIsMovedWithANote)
{
    ASSERT_TRUE(CreatePrintForm(*f.settings, S("宛名シール"), kFormLabelSheet).Done());
    ASSERT_EQ(Load("宛名シール", kFormPostcard), LayoutLoad::Read);
    ASSERT_TRUE(Current().items[kBarcodeSlot].shown);
    Current().items[kBarcodeSlot].object.SetPosition(1808, 13512);
    ASSERT_TRUE(WritePrintForm(*f.settings, FormIndex("宛名シール"), Current()).Ok());
    {
        auto e = Open("宛名シール");
        const QLabel* note = Control<QLabel>(e, "lbl_Note");
        EXPECT_TRUE(note->isVisible());
        EXPECT_TRUE(note->text().contains(QStringLiteral("ラベルの外"))) << note->text().toStdString();
        EXPECT_TRUE(e->Dirty());
        EXPECT_TRUE(BarcodeInsideCell(Current().header, Current().items[kBarcodeSlot]));
        WhenModal<LabelSheetDialog>([](LabelSheetDialog& d) {
            EXPECT_TRUE(Control<QComboBox>(d, "cbo_Sheet")->currentText().contains(QStringLiteral("GB861")));
            Control<QPushButton>(d, "cmd_Close")->click();
        });
        Control<QPushButton>(e, "cmd_Label")->click();
        Control<QPushButton>(e, "cmd_Ok")->click();
    }
    ASSERT_EQ(Load("宛名シール", kFormPostcard), LayoutLoad::Read);
    EXPECT_FALSE(Current().header.barcodeMoved) << "saved inside the cell";
    {
        auto e = Open("宛名シール");
        EXPECT_FALSE(Control<QLabel>(e, "lbl_Note")->isVisible());
        EXPECT_FALSE(e->Dirty());
    }
    // On a 33.9 mm cell the name of a 42.3 mm layout leaves the barcode no room of its
    // own: it stands at the cell's foot, and the note asks for the items to be moved.
    ASSERT_EQ(Load("宛名シール", kFormPostcard), LayoutLoad::Read);
    Current().header.paperWidth = 6600;
    Current().header.paperHeight = 3390;
    ASSERT_TRUE(WritePrintForm(*f.settings, FormIndex("宛名シール"), Current()).Ok());
    auto e = Open("宛名シール");
    const QString note = Control<QLabel>(e, "lbl_Note")->text();
    EXPECT_TRUE(note.contains(QStringLiteral("重なって"))) << note.toStdString();
    EXPECT_TRUE(BarcodeInsideCell(Current().header, Current().items[kBarcodeSlot]));
}
