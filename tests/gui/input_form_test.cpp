// The record input form on a book opened in the main window: entry, refusals, dates,
// the postal code and the address, continuous entry, navigation, deleting, closing,
// the kana capture, the category lists, the mail and web buttons and magnification.
#include "BookFixture.h"
#include "GuiTestSupport.h"

#include "app/KanaCapture.h"
#include "app/MainListModel.h"
#include "forms/RecordEditor.h"
#include "postal/PostalDictionary.h"
#include "qt/QtText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QUrl>

using namespace nrt;
using namespace nrt::gui;
using namespace nrt::test;
using nrt::platform::MsgResult;

namespace {

const std::vector<Entry> kThree = {
    { { { "宛名区分", "0" }, { "印字区分", "1" }, { "名前", "青木一郎" }, { "カナ", "ｱｵｷ ｲﾁﾛｳ" },
        { "大分類", "友人" } } },
    { { { "宛名区分", "0" }, { "印字区分", "0" }, { "名前", "佐藤花子" }, { "カナ", "ｻﾄｳ ﾊﾅｺ" }, { "性別", "女" },
        { "生年月日", "1989/01/08" }, { "小分類", "昔の分類" }, { "登録日", "2020/01/01" } } },
    { { { "宛名区分", "0" }, { "印字区分", "1" }, { "名前", "渡辺健" }, { "カナ", "ﾜﾀﾅﾍﾞ ｹﾝ" } } },
};

class InputFormTest : public BookFixture {
protected:
    void SetUp() override
    {
        BookFixture::SetUp();
        clock.now = { 2026, 3, 9, 10, 0, 0, 1 };
        WriteLines("nrt_ms01.nms", { "友人", "会社" });
        WriteLines("nrt_ms02.nms", { "学校", "近所" });
    }

    RecordEditor& Form()
    {
        if (!main)
            Open();
        auto* f = main->findChild<RecordEditor*>();
        EXPECT_NE(f, nullptr);
        return *f;
    }

    // Prepares and shows the form without a modal loop.
    RecordEditor& Show(int position, int category = 0)
    {
        RecordEditor& f = Form();
        f.Prepare(position, category);
        f.show();
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        return f;
    }

    int Records() const { return main->Table().GetRecordCount(); }

    platform::FakeClock clock;
    platform::ScopedClock clockScope { clock };
};

// Receives what the shell would be asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

} // namespace

TEST_F(InputFormTest, ANewRecordIsStoredWithEveryValueAndItsDates)
{
    RecordEditor& f = Show(-1, 1);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("ノルテア"));
    EXPECT_FALSE(Control<QCheckBox>(f, "chk_Sender")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(f, "chk_Print")->isChecked());
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Keisyou")->currentText(), QStringLiteral("様"));
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Seibetu")->currentIndex(), -1);
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div1")->currentText(), QStringLiteral("友人"))
        << "tab 1 is the first category";
    EXPECT_FALSE(Control<QPushButton>(f, "cmd_Left")->isEnabled() || Control<QPushButton>(f, "cmd_Right")->isEnabled()
        || Control<QPushButton>(f, "cmd_Del")->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(f, "txt_RecNo")->text(), QStringLiteral("-1"));
    EXPECT_FALSE(Control<QLineEdit>(f, "txt_RecNo")->isVisible());

    Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("山田太郎"));
    Control<QLineEdit>(f, "txt_Kana")->setText(QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"));
    Control<QComboBox>(f, "cbo_Keisyou")->setEditText(QStringLiteral("先生"));
    Control<QComboBox>(f, "cbo_Seibetu")->setCurrentIndex(0);
    Control<QLineEdit>(f, "txt_Seinengappi")->setText(QStringLiteral("1980/05/06"));
    Control<QLineEdit>(f, "txt_Yubin")->setText(QStringLiteral("100-0013"));
    Control<QComboBox>(f, "cbo_Ken")->setEditText(QStringLiteral("東京都"));
    Control<QLineEdit>(f, "txt_Zyusyo1")->setText(QStringLiteral("千代田区霞が関１－２"));
    Control<QLineEdit>(f, "txt_Zyusyo2")->setText(QStringLiteral("霞ビル３階"));
    Control<QLineEdit>(f, "txt_Tel1")->setText(QStringLiteral("03-1111-2222"));
    Control<QLineEdit>(f, "txt_Tel2")->setText(QStringLiteral("03-1111-2223"));
    Control<QLineEdit>(f, "txt_Tel3")->setText(QStringLiteral("090-1111-2222"));
    Control<QLineEdit>(f, "txt_EMail")->setText(QStringLiteral("taro@example.jp"));
    Control<QLineEdit>(f, "txt_URL")->setText(QStringLiteral("https://example.jp/"));
    Control<QComboBox>(f, "cbo_Div2")->setCurrentIndex(1);
    Control<QLineEdit>(f, "txt_Bikou1")->setText(QStringLiteral("一"));
    Control<QLineEdit>(f, "txt_Bikou2")->setText(QStringLiteral("二"));
    EXPECT_TRUE(f.Changed());
    Control<QPushButton>(f, "cmd_Input")->click();

    EXPECT_TRUE(host.shown.empty()) << Texts().front();
    EXPECT_FALSE(f.isVisible()) << "without continuous entry the form closes";
    EXPECT_TRUE(f.Saved());
    ASSERT_EQ(Records(), 1);
    const std::pair<const char*, const char*> expected[] = {
        { "宛名区分", "0" },
        { "印字区分", "1" },
        { "名前", "山田太郎" },
        { "カナ", "ﾔﾏﾀﾞ ﾀﾛｳ" },
        { "敬称", "先生" },
        { "性別", "男" },
        { "生年月日", "1980/05/06" },
        { "郵便番号", "100-0013" },
        { "都道府県", "東京都" },
        { "住所１", "千代田区霞が関１－２" },
        { "住所２", "霞ビル３階" },
        { "電話番号", "03-1111-2222" },
        { "ＦＡＸ", "03-1111-2223" },
        { "携帯番号", "090-1111-2222" },
        { "メール", "taro@example.jp" },
        { "ＨＰ", "https://example.jp/" },
        { "大分類", "友人" },
        { "小分類", "近所" },
        { "備考１", "一" },
        { "備考２", "二" },
        { "登録日", "2026/03/09" },
        { "更新日", "2026/03/09" },
    };
    for (const auto& [field, value] : expected)
        EXPECT_EQ(Value(0, field), value) << field;
}

TEST_F(InputFormTest, ANewRecordOnTheSendersTabIsASender)
{
    RecordEditor& f = Show(-1, -1);
    EXPECT_TRUE(Control<QCheckBox>(f, "chk_Sender")->isChecked());
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div1")->currentIndex(), -1);
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_EQ(Texts(), std::vector<std::string> { "データが登録されていません。" });
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(Records(), 0);
    Show(-1, 3); // past the categories: nothing chosen
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div1")->currentIndex(), -1);
}

TEST_F(InputFormTest, OverLongValuesAreRefusedWithTheirMessages)
{
    WriteLines("nrt_ms01.nms", { "友人", "とてもとてもとても長い分類の名前" }); // 32 bytes
    WriteTable(kThree);
    Open();
    struct Case {
        const char* edit; // its objectName
        int bytes;
        const char* message;
        bool focus;
    } cases[] = {
        { "txt_Name", 31, "不正な名前が入力されました。", false },
        { "txt_Kana", 31, "不正なカナが入力されました。", false },
        { "txt_Yubin", 11, "不正な郵便番号が入力されました。", false },
        { "txt_Zyusyo1", 101, "不正な住所が入力されました。", false },
        { "txt_Zyusyo2", 81, "不正な住所が入力されました。", false },
        { "txt_Tel1", 16, "不正な電話番号が入力されました。", false },
        { "txt_Tel2", 16, "不正なＦＡＸ番号が入力されました。", false },
        { "txt_Tel3", 16, "不正な携帯番号が入力されました。", false },
        { "txt_EMail", 101, "不正なメールが入力されました。", false },
        { "txt_URL", 101, "不正なＨＰアドレスが入力されました。", false },
        { "txt_Bikou1", 101, "不正な備考が入力されました。", true },
        { "txt_Bikou2", 101, "不正な備考が入力されました。", true },
    };
    for (const Case& c : cases) {
        for (int position : { -1, 0 }) {
            RecordEditor& f = Show(position);
            host.shown.clear();
            Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("名前"));
            // Leaving a field cuts its text to the limit, so the focus moves first.
            Control<QLineEdit>(f, "txt_Zyusyo1")->setFocus();
            QLineEdit* edit = Control<QLineEdit>(f, c.edit);
            edit->setText(QString(c.bytes, QLatin1Char('1')));
            Control<QPushButton>(f, "cmd_Input")->click();
            ASSERT_EQ(host.shown.size(), 1u) << c.message;
            EXPECT_EQ(U(host.shown[0].text), c.message);
            EXPECT_EQ(U(host.shown[0].caption), "注意");
            EXPECT_TRUE(f.isVisible());
            EXPECT_EQ(edit->text().size(), c.bytes) << "the input stays";
            // Only the last items take the focus; the others leave it where it was.
            EXPECT_TRUE((c.focus ? edit : Control<QLineEdit>(f, "txt_Zyusyo1"))->hasFocus()) << c.message;
            EXPECT_EQ(Records(), 3);
            EXPECT_EQ(Value(0, "名前"), "青木一郎");
            Control<QPushButton>(f, "cmd_Close")->click(); // discards (Yes)
            EXPECT_FALSE(f.isVisible());
        }
    }
    // The editable lists and a category longer than its field.
    RecordEditor& f = Show(-1);
    host.shown.clear();
    Control<QComboBox>(f, "cbo_Keisyou")->setEditText(QStringLiteral("ご家族様")); // 8 bytes
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_EQ(Texts(), std::vector<std::string> { "不正な敬称が入力されました。" });
    Control<QComboBox>(f, "cbo_Keisyou")->setEditText(QStringLiteral("様"));
    Control<QComboBox>(f, "cbo_Ken")->setEditText(QStringLiteral("とても長い都道府県の名前"));
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_EQ(Texts().back(), "不正な都道府県が入力されました。");
    Control<QComboBox>(f, "cbo_Ken")->setEditText(QString());
    Control<QComboBox>(f, "cbo_Div1")->setCurrentIndex(1);
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_EQ(Texts().back(), "不正な分類が入力されました。");
    EXPECT_TRUE(Control<QComboBox>(f, "cbo_Div1")->hasFocus());
    EXPECT_EQ(Records(), 3);
}

TEST_F(InputFormTest, BirthdayInEraOrGregorianFormAndTheAge)
{
    for (bool eraDates : { false, true }) {
        SCOPED_TRACE(eraDates);
        host.shown.clear();
        main.reset();
        Open();
        main->Settings().SetEraDates(eraDates);
        RecordEditor& f = Show(-1);
        Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("年月日"));
        Control<QLineEdit>(f, "txt_Seinengappi")->setText(QStringLiteral("H01/01/08"));
        EXPECT_TRUE(f.birthdayLeft());
        EXPECT_EQ(Control<QLineEdit>(f, "txt_Seinengappi")->text(),
            eraDates ? QStringLiteral("H01/01/08") : QStringLiteral("1989/01/08"));
        EXPECT_EQ(Control<QLabel>(f, "lbl_Age")->text(), QStringLiteral("37"));
        Control<QPushButton>(f, "cmd_Input")->click();
        EXPECT_TRUE(host.shown.empty());
        EXPECT_EQ(Value(main->Table().GetRecordCount() - 1, "生年月日"), "1989/01/08");
    }

    // Eight digits, typed in full width as well: the form shows and stores the date.
    struct Typed {
        bool eraDates;
        QString typed;
        QString field; // as the validator leaves it
        QString shown; // after leaving the field
    } typedDates[] = {
        { false, QStringLiteral("１９７００５０５"), QStringLiteral("19700505"), QStringLiteral("1970/05/05") },
        { true, QStringLiteral("19700505"), QStringLiteral("19700505"), QStringLiteral("S45/05/05") },
        { false, QStringLiteral("Ｓ４５／５／５"), QStringLiteral("S45/5/5"), QStringLiteral("1970/05/05") },
    };
    for (const Typed& t : typedDates) {
        SCOPED_TRACE(t.typed.toStdString());
        host.shown.clear();
        main->Settings().SetEraDates(t.eraDates);
        RecordEditor& f = Show(-1);
        Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("八桁"));
        Control<QLineEdit>(f, "txt_Seinengappi")->setFocus();
        TypeText(Control<QLineEdit>(f, "txt_Seinengappi"), t.typed);
        EXPECT_EQ(Control<QLineEdit>(f, "txt_Seinengappi")->text(), t.field);
        EXPECT_TRUE(f.birthdayLeft());
        EXPECT_EQ(Control<QLineEdit>(f, "txt_Seinengappi")->text(), t.shown);
        EXPECT_EQ(Control<QLabel>(f, "lbl_Age")->text(), QStringLiteral("55"));
        Control<QPushButton>(f, "cmd_Input")->click();
        EXPECT_TRUE(host.shown.empty()) << Texts().front();
        EXPECT_EQ(Value(main->Table().GetRecordCount() - 1, "生年月日"), "1970/05/05");
    }
    // Saved without leaving the field.
    main->Settings().SetEraDates(false);
    {
        RecordEditor& f = Show(-1);
        Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("そのまま"));
        Control<QLineEdit>(f, "txt_Seinengappi")->setText(QStringLiteral("19891231"));
        Control<QPushButton>(f, "cmd_Input")->click();
        EXPECT_EQ(Value(main->Table().GetRecordCount() - 1, "生年月日"), "1989/12/31");
    }

    RecordEditor& f = Show(-1);
    Control<QLineEdit>(f, "txt_Seinengappi")->setText(QStringLiteral("2001/02/30"));
    EXPECT_FALSE(f.birthdayLeft());
    EXPECT_EQ(Texts().back(), "不正な日付です。\n1970/05/05、19700505、S45/05/05 のように入力して下さい。");
    EXPECT_EQ(U(host.shown.back().caption), "注意");
    EXPECT_TRUE(Control<QLineEdit>(f, "txt_Seinengappi")->hasFocus());
    Control<QLineEdit>(f, "txt_Seinengappi")->setText(QStringLiteral("2026/03/10")); // tomorrow: no age
    EXPECT_TRUE(f.birthdayLeft());
    EXPECT_EQ(Control<QLabel>(f, "lbl_Age")->text(), QString());
    Control<QLineEdit>(f, "txt_Seinengappi")->setText(QStringLiteral("2000/03/09"));
    EXPECT_TRUE(f.birthdayLeft());
    EXPECT_EQ(Control<QLabel>(f, "lbl_Age")->text(), QStringLiteral("26"));
    Control<QLineEdit>(f, "txt_Seinengappi")->clear();
    EXPECT_TRUE(f.birthdayLeft());
    EXPECT_EQ(Control<QLabel>(f, "lbl_Age")->text(), QString());
}

TEST_F(InputFormTest, LeavingThePostalCodeAddsItsHyphen)
{
    RecordEditor& f = Show(-1);
    struct Case {
        const char* typed;
        const char* left;
    } cases[] = { { "1234567", "123-4567" }, { "123-4567", "123-4567" }, { "1234", "123-4" }, { "123", "123" } };
    for (const Case& c : cases) {
        Control<QLineEdit>(f, "txt_Yubin")->setFocus();
        Control<QLineEdit>(f, "txt_Yubin")->setText(QString::fromUtf8(c.typed));
        QTest::keyClick(Control<QLineEdit>(f, "txt_Yubin"), Qt::Key_Tab); // the focus moves on
        EXPECT_FALSE(Control<QLineEdit>(f, "txt_Yubin")->hasFocus());
        EXPECT_EQ(Control<QLineEdit>(f, "txt_Yubin")->text(), QString::fromUtf8(c.left)) << c.typed;
    }
}

TEST_F(InputFormTest, EnterMovesToTheNextControl)
{
    RecordEditor& f = Show(-1);
    Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("名前"));
    // The name's reading comes next, below it, then the honorific beside the name.
    QTest::keyClick(Control<QLineEdit>(f, "txt_Name"), Qt::Key_Return);
    EXPECT_TRUE(Control<QLineEdit>(f, "txt_Kana")->hasFocus());
    QTest::keyClick(Control<QLineEdit>(f, "txt_Kana"), Qt::Key_Return);
    EXPECT_TRUE(Control<QComboBox>(f, "cbo_Keisyou")->hasFocus());
    QTest::keyClick(Control<QComboBox>(f, "cbo_Keisyou"), Qt::Key_Return);
    EXPECT_TRUE(Control<QComboBox>(f, "cbo_Seibetu")->hasFocus());
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Keisyou")->count(), 4) << "nothing was added to the list";
    EXPECT_TRUE(f.isVisible()) << "Enter registers nothing";
    EXPECT_EQ(f.EditPosition(), -1);
}

TEST_F(InputFormTest, ExistingRecordsAreLoadedAndKeepWhatTheirListsDoNotHold)
{
    WriteTable(kThree);
    Open();
    main->Settings().SetEraDates(true);
    // The list's order is カナ, 名前: 青木, 佐藤, 渡辺.
    RecordEditor& f = Show(1);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QStringLiteral("佐藤花子"));
    EXPECT_FALSE(Control<QCheckBox>(f, "chk_Sender")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(f, "chk_Print")->isChecked());
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Seibetu")->currentText(), QStringLiteral("女"));
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Seinengappi")->text(), QStringLiteral("H01/01/08"));
    EXPECT_EQ(Control<QLabel>(f, "lbl_Age")->text(), QStringLiteral("37"));
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div2")->currentIndex(), -1) << "昔の分類 is not in the list";
    EXPECT_FALSE(f.Changed());
    EXPECT_TRUE(Control<QPushButton>(f, "cmd_Left")->isEnabled() && Control<QPushButton>(f, "cmd_Right")->isEnabled()
        && Control<QPushButton>(f, "cmd_Del")->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(f, "txt_RecNo")->text(), QStringLiteral("1"));
    EXPECT_TRUE(Control<QLineEdit>(f, "txt_Name")->hasFocus());

    Control<QLineEdit>(f, "txt_Tel1")->setText(QStringLiteral("06-1234-5678"));
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_EQ(Value(1, "小分類"), "昔の分類") << "a category not chosen anew is kept";
    EXPECT_EQ(Value(1, "登録日"), "2020/01/01");
    EXPECT_EQ(Value(1, "更新日"), "2026/03/09");

    // Delete in the list clears it, and the save stores the empty value.
    Show(1);
    Control<QComboBox>(f, "cbo_Div2")->setFocus();
    QTest::keyClick(Control<QComboBox>(f, "cbo_Div2"), Qt::Key_Delete);
    EXPECT_TRUE(f.Changed());
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_EQ(Value(1, "小分類"), "");
}

TEST_F(InputFormTest, ContinuousEntryGoesOnToTheNextRecordOrABlankOne)
{
    WriteTable(kThree);
    RecordEditor& f = Show(0);
    Control<QCheckBox>(f, "chk_Continu")->setChecked(true);
    Control<QLineEdit>(f, "txt_Bikou1")->setText(QStringLiteral("一件目"));
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.EditPosition(), 1);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QStringLiteral("佐藤花子"));
    EXPECT_FALSE(f.Changed());
    EXPECT_EQ(Value(0, "備考１"), "一件目");

    // On the last record it continues with a blank new one.
    f.nextClicked();
    EXPECT_EQ(f.EditPosition(), 2);
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_EQ(f.EditPosition(), -1);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QString());
    EXPECT_TRUE(Control<QCheckBox>(f, "chk_Print")->isChecked());

    // New records follow one another.
    for (const char* name : { "新一", "新二" }) {
        Control<QLineEdit>(f, "txt_Name")->setText(QString::fromUtf8(name));
        Control<QPushButton>(f, "cmd_Input")->click();
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(f.EditPosition(), -1);
        EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QString());
    }
    EXPECT_EQ(Records(), 5);
    EXPECT_EQ(Value(4, "名前"), "新二");
    EXPECT_EQ(main->Model().RecordRows(), 5) << "the main list was rebuilt";
}

TEST_F(InputFormTest, ContinuousEntryGoesOnWithTheRecordThatFollowedAMovedOne)
{
    WriteTable(kThree); // ｱｵｷ, ｻﾄｳ, ﾜﾀﾅﾍﾞ
    RecordEditor& f = Show(0);
    Control<QCheckBox>(f, "chk_Continu")->setChecked(true);
    Control<QLineEdit>(f, "txt_Kana")->setText(QStringLiteral("わわ")); // now last in the list
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_EQ(Value(0, "カナ"), "ﾜﾜ");
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QStringLiteral("佐藤花子"))
        << "not the record after the one that moved up";
    EXPECT_EQ(f.EditPosition(), 0);
}

TEST_F(InputFormTest, NavigationSavesPendingChangesAndBeepsAtTheEnds)
{
    WriteTable(kThree);
    RecordEditor& f = Show(0);
    Control<QPushButton>(f, "cmd_Left")->click();
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(f.EditPosition(), 0);

    Control<QLineEdit>(f, "txt_Bikou2")->setText(QStringLiteral("変更"));
    Control<QPushButton>(f, "cmd_Right")->click();
    EXPECT_TRUE(host.shown.empty()) << "no question";
    EXPECT_EQ(Value(0, "備考２"), "変更");
    EXPECT_EQ(f.EditPosition(), 1);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QStringLiteral("佐藤花子"));
    Control<QPushButton>(f, "cmd_Right")->click();
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QStringLiteral("渡辺健"));
    Control<QPushButton>(f, "cmd_Right")->click();
    EXPECT_EQ(host.beeps, 2);
    Control<QPushButton>(f, "cmd_Left")->click();
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QStringLiteral("佐藤花子"));

    // A refused save stops the move.
    Control<QLineEdit>(f, "txt_Name")->setText(QString(31, QLatin1Char('x')));
    Control<QPushButton>(f, "cmd_Left")->click();
    EXPECT_EQ(Texts(), std::vector<std::string> { "不正な名前が入力されました。" });
    EXPECT_EQ(f.EditPosition(), 1);

    // "新規作成" saves first too.
    Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("佐藤花"));
    Control<QPushButton>(f, "cmd_New")->click();
    EXPECT_EQ(Value(1, "名前"), "佐藤花");
    EXPECT_EQ(f.EditPosition(), -1);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QString());
    EXPECT_TRUE(f.Saved());
}

TEST_F(InputFormTest, DeletingAsksAndGoesOnWithContinuousEntry)
{
    WriteTable(kThree);
    RecordEditor& f = Show(1);
    host.Answer(MsgResult::No);
    Control<QPushButton>(f, "cmd_Del")->click();
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(U(host.shown[0].text), "削除します。よろしいですか？");
    EXPECT_EQ(U(host.shown[0].caption), "確認");
    EXPECT_EQ(host.shown[0].defaultButton, MsgResult::No);
    EXPECT_EQ(main->Model().RecordRows(), 3);

    Control<QCheckBox>(f, "chk_Continu")->setChecked(true);
    Control<QPushButton>(f, "cmd_Del")->click(); // Yes
    EXPECT_TRUE(main->Table().IsDeleted(1));
    EXPECT_EQ(main->Model().RecordRows(), 2);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.EditPosition(), 1);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QStringLiteral("渡辺健"));
    Control<QPushButton>(f, "cmd_Del")->click(); // the last one: a blank new record follows
    EXPECT_EQ(f.EditPosition(), -1);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QString());

    Control<QCheckBox>(f, "chk_Continu")->setChecked(false);
    Show(0);
    Control<QPushButton>(f, "cmd_Del")->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(main->Model().RecordRows(), 0);
}

TEST_F(InputFormTest, ClosingWithChangesAsks)
{
    WriteTable(kThree);
    RecordEditor& f = Show(0);
    Control<QPushButton>(f, "cmd_Close")->click();
    EXPECT_FALSE(f.isVisible()) << "nothing changed: no question";
    EXPECT_TRUE(host.shown.empty());

    Show(0);
    Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("変えた"));
    host.Answer(MsgResult::No);
    Control<QPushButton>(f, "cmd_Close")->click();
    EXPECT_TRUE(f.isVisible());
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(U(host.shown[0].text), "更新があります。破棄しますか？");
    EXPECT_EQ(host.shown[0].defaultButton, MsgResult::No);
    QTest::keyClick(&f, Qt::Key_Escape); // Yes
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(Value(0, "名前"), "青木一郎");
    EXPECT_FALSE(f.Saved());
}

TEST_F(InputFormTest, AddressFromPostalCode)
{
    Open();
    // Without a dictionary: what is missing and how to get it, not "not found".
    Control<QLineEdit>(Show(-1), "txt_Yubin")->setText(QStringLiteral("100-0013"));
    Control<QPushButton>(Form(), "cmd_Address")->click();
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].rfind("郵便番号データがありません。", 0), 0u) << Texts()[0];
    host.shown.clear();
    const char* lines[] = {
        "13101,\"100  \",\"1000013\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ｶｽﾐｶﾞｾｷ\",\"東京都\",\"千代田区\",\"霞ケ関\",0,0,0,0,0,0",
        "13101,\"100  \",\"1000014\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ﾅｶﾞﾀﾁｮｳ\",\"東京都\",\"千代田区\",\"永田町\",0,0,0,0,0,0",
        // Two towns of one code.
        "13101,\"102  \",\"1020093\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ﾋﾗｶﾜﾁｮｳ\",\"東京都\",\"千代田区\",\"平河町\",0,0,0,0,0,0",
        "13101,\"102  \",\"1020093\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ﾊﾔﾌﾞｻﾁｮｳ\",\"東京都\",\"千代田区\",\"隼町\",0,0,0,0,0,0",
    };
    std::string list;
    for (const char* l : lines)
        list += S(l) + "\r\n";
    WriteAll(dir.File("list.csv"), list);
    ASSERT_EQ(ImportPostalList(dir.File("list.csv"), main->Settings().PostalFile({})), PostalImportResult::kOk);

    RecordEditor& f = Form();
    std::vector<std::string> browsed, atCode;
    f.SetTownPicker([&](QWidget*, const std::string& prefecture, RecordEditor::TownChoice& choice) {
        browsed.push_back(U(prefecture));
        atCode.push_back(choice.code);
        choice = { "100-0014", S("東京都"), S("千代田区"), S("永田町") };
        return true;
    });

    // An empty address takes the town.
    Show(-1);
    Control<QLineEdit>(f, "txt_Yubin")->setText(QStringLiteral("100-0013"));
    Control<QPushButton>(f, "cmd_Address")->click();
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Ken")->currentText(), QStringLiteral("東京都"));
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Ken")->currentIndex(), 12);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Zyusyo1")->text(), QStringLiteral("千代田区霞ケ関"));
    EXPECT_TRUE(browsed.empty());
    EXPECT_TRUE(host.shown.empty());

    // Another town asks, and keeps the house number.
    Control<QLineEdit>(f, "txt_Yubin")->setText(QStringLiteral("100-0014"));
    Control<QLineEdit>(f, "txt_Zyusyo1")->setText(QStringLiteral("千代田区霞ケ関３－１"));
    Control<QPushButton>(f, "cmd_Address")->click();
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(U(host.shown[0].text),
        "住所を変更します。よろしいですか？\n　【変更前】千代田区霞ケ関３－１\n　【変更後】千代田区永田町３－１");
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Zyusyo1")->text(), QStringLiteral("千代田区永田町３－１"));
    EXPECT_TRUE(Control<QLineEdit>(f, "txt_Zyusyo1")->hasFocus());

    // 霞ヶ関 agrees with 霞ケ関: the browser opens at the prefecture, and its town is taken.
    host.shown.clear();
    Control<QLineEdit>(f, "txt_Yubin")->setText(QStringLiteral("100-0013"));
    Control<QLineEdit>(f, "txt_Zyusyo1")->setText(QStringLiteral("千代田区霞ヶ関３－１"));
    Control<QPushButton>(f, "cmd_Address")->click();
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(browsed, std::vector<std::string> { "東京都" });
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Yubin")->text(), QStringLiteral("100-0014"));
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Zyusyo1")->text(), QStringLiteral("千代田区永田町"));

    // "100-001" goes straight to the browser; a prefecture not among the 47 starts it at the top.
    Control<QLineEdit>(f, "txt_Yubin")->setText(QStringLiteral("100-001"));
    Control<QComboBox>(f, "cbo_Ken")->setEditText(QStringLiteral("東京"));
    Control<QPushButton>(f, "cmd_Address")->click();
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(browsed.back(), "");

    // Not found.
    Control<QLineEdit>(f, "txt_Yubin")->setText(QStringLiteral("999-9999"));
    Control<QPushButton>(f, "cmd_Address")->click();
    EXPECT_EQ(Texts(), std::vector<std::string> { "該当住所が見つかりません。" });
    EXPECT_EQ(browsed.size(), 3u);

    // A code of two towns: the browser opens at them, whatever prefecture the form shows.
    host.shown.clear();
    Control<QLineEdit>(f, "txt_Zyusyo1")->clear();
    Control<QLineEdit>(f, "txt_Yubin")->setText(QStringLiteral("102-0093"));
    Control<QPushButton>(f, "cmd_Address")->click();
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(browsed.back(), "東京都");
    EXPECT_EQ(atCode, (std::vector<std::string> { "", "", "", "102-0093" }));
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Zyusyo1")->text(), QStringLiteral("千代田区永田町"));
}

TEST_F(InputFormTest, KanaCaptureFollowsTheSetting)
{
    Open();
    main->Settings().SetFurigana(true);
    RecordEditor& f = Show(-1);
    EXPECT_TRUE(f.KanaCaptureInstalled());
    EXPECT_TRUE(KanaCapture::IsInstalled(Control<QLineEdit>(f, "txt_Name")));
    Control<QLineEdit>(f, "txt_Name")->setFocus();
    auto compose = [&](const QString& preedit) {
        QInputMethodEvent e(preedit, {});
        QApplication::sendEvent(Control<QLineEdit>(f, "txt_Name"), &e);
    };
    auto commit = [&](const QString& text) {
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(Control<QLineEdit>(f, "txt_Name"), &e);
    };
    compose(QStringLiteral("や"));
    compose(QStringLiteral("やまだ"));
    compose(QStringLiteral("山田"));
    commit(QStringLiteral("山田"));
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QStringLiteral("山田"));
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Kana")->text(), QStringLiteral("ﾔﾏﾀﾞ"));
    QTest::keyClicks(Control<QLineEdit>(f, "txt_Name"), QStringLiteral("Ab"));
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Kana")->text(), QStringLiteral("ﾔﾏﾀﾞ"))
        << "letters typed without an input method have no reading";
    TypeText(Control<QLineEdit>(f, "txt_Name"), QStringLiteral("たろう"));
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Kana")->text(), QStringLiteral("ﾔﾏﾀﾞﾀﾛｳ"));
    QTest::keyClick(Control<QLineEdit>(f, "txt_Name"), Qt::Key_Backspace);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Kana")->text(), QStringLiteral("ﾔﾏﾀﾞﾀﾛｳ")) << "deleting never removes";
    // Emptying the name empties the reading.
    Control<QLineEdit>(f, "txt_Name")->selectAll();
    QTest::keyClick(Control<QLineEdit>(f, "txt_Name"), Qt::Key_Delete);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QString());
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Kana")->text(), QString());

    f.hide();
    main->Settings().SetFurigana(false);
    Show(-1);
    EXPECT_FALSE(f.KanaCaptureInstalled());
    EXPECT_FALSE(KanaCapture::IsInstalled(Control<QLineEdit>(f, "txt_Name")));
    Control<QLineEdit>(f, "txt_Name")->setFocus();
    TypeText(Control<QLineEdit>(f, "txt_Name"), QStringLiteral("あb"));
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Kana")->text(), QString());
    Control<QLineEdit>(f, "txt_Name")->selectAll();
    QTest::keyClick(Control<QLineEdit>(f, "txt_Name"), Qt::Key_Delete);
    Control<QLineEdit>(f, "txt_Kana")->setText(QStringLiteral("ｶﾅ"));
    QTest::keyClick(Control<QLineEdit>(f, "txt_Name"), Qt::Key_Delete);
    EXPECT_EQ(Control<QLineEdit>(f, "txt_Kana")->text(), QStringLiteral("ｶﾅ")) << "only with the setting on";
}

TEST_F(InputFormTest, CategoryListsReloadKeepingTheirChoice)
{
    RecordEditor& f = Show(-1, 2);
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div1")->currentText(), QStringLiteral("会社"));
    Control<QComboBox>(f, "cbo_Div2")->setCurrentIndex(1); // 近所
    WriteLines("nrt_ms01.nms", { "取引先", "会社" });
    WriteLines("nrt_ms02.nms", { "学校" });
    f.ReloadLists();
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div1")->count(), 2);
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div1")->currentText(), QStringLiteral("会社"));
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div1")->currentIndex(), 1);
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div2")->currentIndex(), -1);
    // A renamed category is followed under its new name.
    WriteLines("nrt_ms01.nms", { "取引先", "勤務先" });
    f.ReloadLists({ { S("会社"), S("勤務先") } });
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div1")->currentText(), QStringLiteral("勤務先"));
    // The main window's user change reloads them too, and so can the other windows.
    WriteLines("nrt_ms01.nms", { "一", "二", "三" });
    main->AfterBookChange();
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div1")->count(), 3);
    WriteLines("nrt_ms02.nms", { "一", "二", "三", "四" });
    ReloadInputLists(*main);
    EXPECT_EQ(Control<QComboBox>(f, "cbo_Div2")->count(), 4);
}

TEST_F(InputFormTest, MailAndWebButtonsGoToTheShell)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
    RecordEditor& f = Show(-1);
    Control<QPushButton>(f, "cmd_Mail")->click();
    Control<QPushButton>(f, "cmd_WWW")->click();
    EXPECT_EQ(host.beeps, 2);
    EXPECT_TRUE(catcher.urls.isEmpty());
    for (const char* bad : { "@example.jp", "taro@", "taro.example.jp" }) {
        Control<QLineEdit>(f, "txt_EMail")->setText(QString::fromUtf8(bad));
        Control<QPushButton>(f, "cmd_Mail")->click();
        EXPECT_EQ(Texts().back(), "不正なメールアドレスです。") << bad;
    }
    Control<QLineEdit>(f, "txt_EMail")->setText(QStringLiteral("taro@example.jp"));
    Control<QPushButton>(f, "cmd_Mail")->click();
    Control<QLineEdit>(f, "txt_URL")->setText(QStringLiteral("https://example.jp/a"));
    Control<QPushButton>(f, "cmd_WWW")->click();
    Control<QLineEdit>(f, "txt_URL")->setText(QStringLiteral("www.example.jp"));
    Control<QPushButton>(f, "cmd_WWW")->click();
    // Nothing but a web address and one plain mail address leaves the form.
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    Control<QLineEdit>(f, "txt_URL")->setText(QStringLiteral("file:///etc/passwd"));
    Control<QPushButton>(f, "cmd_WWW")->click();
    EXPECT_EQ(Texts().back(),
        "ホームページ「file:///etc/passwd」はブラウザで開けません。\nhttp:// または https:// のアドレスにして下さい。");
    Control<QLineEdit>(f, "txt_EMail")->setText(QStringLiteral("taro@example.jp?attach=/etc/passwd"));
    Control<QPushButton>(f, "cmd_Mail")->click();
    EXPECT_EQ(Texts().back(),
        "メールアドレス「taro@example.jp?attach=/etc/"
        "passwd」はメールソフトに渡せません。\n宛先一つだけのアドレスにして下さい。");
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    ASSERT_EQ(catcher.urls.size(), 3);
    EXPECT_EQ(catcher.urls[0].toString(), QStringLiteral("mailto:taro@example.jp"));
    EXPECT_EQ(catcher.urls[1].toString(), QStringLiteral("https://example.jp/a"));
    EXPECT_EQ(catcher.urls[2].toString(), QStringLiteral("https://www.example.jp"));
}

TEST_F(InputFormTest, MagnificationScalesEveryControlWithoutOverlaps)
{
    RecordEditor& f = Show(-1);
    for (int ratio : { 100, 150, 250 }) {
        SCOPED_TRACE(ratio);
        f.ApplyRatio(ratio);
        EXPECT_EQ(Control<QWidget>(f, "panel")->size(), QSize(545 * ratio / 100, 432 * ratio / 100));
        EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->geometry(),
            QRect(80 * ratio / 100, 38 * ratio / 100, 200 * ratio / 100, 20 * ratio / 100));
        EXPECT_LE(QFontMetrics(f.font()).height(), 12 * ratio / 100);
        const QRect area(QPoint(0, 0), Control<QWidget>(f, "panel")->size());
        const auto children = Control<QWidget>(f, "panel")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : children) {
            if (!a->isVisibleTo(&f))
                continue;
            EXPECT_TRUE(area.contains(a->geometry())) << a->objectName().toStdString();
            // Captions fit their controls.
            QString text;
            int room = a->width();
            if (auto* l = qobject_cast<QLabel*>(a))
                text = l->text();
            else if (auto* b = qobject_cast<QPushButton*>(a))
                text = b->text().remove(QLatin1Char('&')), room -= 8;
            else if (auto* c = qobject_cast<QCheckBox*>(a))
                text = c->text(), room -= 20 * ratio / 100;
            EXPECT_LE(a->fontMetrics().horizontalAdvance(text), room) << text.toStdString();
            for (QWidget* b : children) {
                if (a != b && b->isVisibleTo(&f)) {
                    EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                        << a->objectName().toStdString() << " / " << b->objectName().toStdString() << " "
                        << a->metaObject()->className() << " " << b->metaObject()->className();
                }
            }
        }
    }
}

TEST_F(InputFormTest, MainWindowOpensTheFormAndRefreshesItsList)
{
    WriteTable(kThree);
    Open();
    QAction* add = main->findChild<QAction*>(QStringLiteral("tcmd_New"));
    QAction* edit = main->findChild<QAction*>(QStringLiteral("tcmd_Edit"));
    ASSERT_TRUE(add && edit);
    EXPECT_EQ(add->text(), QStringLiteral("新規登録"));
    EXPECT_EQ(edit->text(), QStringLiteral("編集"));
    EXPECT_EQ(main->ToolBar()->actions().indexOf(add), 0);
    for (const char* name : { "N5", "N6", "mnuOptionPublic" })
        EXPECT_TRUE(main->SettingsMenu()->actions().contains(main->findChild<QAction*>(QString::fromLatin1(name))))
            << name;

    RecordEditor& f = Form();
    WhileModal(
        [&](QWidget* modal) {
            EXPECT_EQ(modal, &f);
            EXPECT_EQ(f.EditPosition(), -1);
            Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("伊藤"));
            Control<QLineEdit>(f, "txt_Kana")->setText(QStringLiteral("ｲﾄｳ"));
            Control<QPushButton>(f, "cmd_Input")->click();
        },
        [&] { add->trigger(); });
    EXPECT_EQ(main->Model().RecordRows(), 4) << "the list was rebuilt";
    EXPECT_EQ(main->Model().data(main->Model().index(1, 1)).toString(), QStringLiteral("伊藤"));

    // Editing the row under the cursor, from the toolbar and from a double click.
    main->SetCurrentRow(3);
    WhileModal(
        [&](QWidget*) {
            EXPECT_EQ(f.EditPosition(), 2);
            EXPECT_EQ(Control<QLineEdit>(f, "txt_Name")->text(), QStringLiteral("佐藤花子"));
            Control<QPushButton>(f, "cmd_Close")->click();
        },
        [&] { edit->trigger(); });
    main->SetCurrentRow(5); // the new-record row
    WhileModal(
        [&](QWidget*) {
            EXPECT_EQ(f.EditPosition(), -1);
            f.reject();
        },
        [&] { edit->trigger(); });
    Control<QTabBar>(main, "tag_Main")->setCurrentIndex(Control<QTabBar>(main, "tag_Main")->count() - 1);
    WhileModal(
        [&](QWidget*) {
            EXPECT_EQ(f.DefaultCategory(), -1);
            EXPECT_TRUE(Control<QCheckBox>(f, "chk_Sender")->isChecked());
            f.reject();
        },
        [&] { emit main->EditRequested(-1); });

    // The zoom follows the main window.
    main->ChangeZoom(5);
    EXPECT_EQ(f.Ratio(), 150);
}

TEST_F(InputFormTest, TheListKeepsTheRecordJustSaved)
{
    const char* const people[][3] = {
        { "青木一郎", "ｱｵｷ ｲﾁﾛｳ", "東京都千代田区霞が関１－２－３" },
        { "井上雅美", "ｲﾉｳｴ ﾏｻﾐ", "大阪府大阪市北区梅田２－４－９" },
        { "上田健二", "ｳｴﾀﾞ ｹﾝｼﾞ", "愛知県名古屋市中区栄３－１５－３３" },
        { "加藤由紀", "ｶﾄｳ ﾕｷ", "北海道札幌市中央区大通西４－１" },
        { "木村拓也", "ｷﾑﾗ ﾀｸﾔ", "福岡県福岡市博多区博多駅前２－１－１" },
        { "小林愛", "ｺﾊﾞﾔｼ ｱｲ", "宮城県仙台市青葉区一番町４－９－１" },
        { "佐藤花子", "ｻﾄｳ ﾊﾅｺ", "京都府京都市下京区四条通烏丸東入" },
        { "鈴木一郎", "ｽｽﾞｷ ｲﾁﾛｳ", "広島県広島市中区基町１０－５２" },
        { "高橋美咲", "ﾀｶﾊｼ ﾐｻｷ", "神奈川県横浜市中区日本大通１" },
        { "田中健一", "ﾀﾅｶ ｹﾝｲﾁ", "兵庫県神戸市中央区加納町６－５－１" },
        { "中村優子", "ﾅｶﾑﾗ ﾕｳｺ", "新潟県新潟市中央区学校町通１－６０２－１" },
        { "山田太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "沖縄県那覇市泉崎１－２－２" },
    };
    std::vector<Entry> book;
    for (const auto& p : people)
        book.push_back(
            { { { "宛名区分", "0" }, { "印字区分", "1" }, { "名前", p[0] }, { "カナ", p[1] }, { "住所１", p[2] } } });
    WriteTable(book);
    Open();
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    QAction* add = main->findChild<QAction*>(QStringLiteral("tcmd_New"));
    QAction* edit = main->findChild<QAction*>(QStringLiteral("tcmd_Edit"));
    auto currentName = [&] { return main->Model().data(main->Model().index(main->CurrentRow() - 1, 1)).toString(); };
    struct Step {
        const char* what;
        int startRow; // the list's row the command starts from
        QAction* command;
        std::function<void(RecordEditor&)> inForm;
        int row; // the list's current row afterwards
        const char* name;
    } steps[] = {
        { "a note changed", 7, edit,
            [](RecordEditor& f) { Control<QLineEdit>(f, "txt_Bikou1")->setText(QStringLiteral("メモ")); }, 7,
            "佐藤花子" },
        { "a reading typed in hiragana moves it to the top", 7, edit,
            [](RecordEditor& f) { Control<QLineEdit>(f, "txt_Kana")->setText(QStringLiteral("あいうえ")); }, 1,
            "佐藤花子" },
        { "a new record", 9, add,
            [](RecordEditor& f) {
                Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("伊藤誠"));
                Control<QLineEdit>(f, "txt_Kana")->setText(QStringLiteral("いとう　まこと"));
            },
            3, "伊藤誠" },
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        main->SetCurrentRow(s.startRow);
        WhileModal(
            [&](QWidget* modal) {
                auto& f = *static_cast<RecordEditor*>(modal);
                s.inForm(f);
                Control<QPushButton>(f, "cmd_Input")->click();
            },
            [&] { s.command->trigger(); });
        EXPECT_EQ(main->CurrentRow(), s.row);
        EXPECT_EQ(currentName(), QString::fromUtf8(s.name));
        if (s.startRow == 7 && s.row == 7)
            SaveScreenshot(*main, "list-after-saving-row-7");
    }
    EXPECT_EQ(Value(6, "カナ"), "ｱｲｳｴ");

    // Deleting row 4 leaves the cursor on the record that followed it.
    main->SetCurrentRow(4);
    const QString follower = main->Model().data(main->Model().index(4, 1)).toString();
    WhileModal([&](QWidget* modal) { Control<QPushButton>(modal, "cmd_Del")->click(); }, [&] { edit->trigger(); });
    EXPECT_EQ(main->CurrentRow(), 4);
    EXPECT_EQ(currentName(), follower);
}

TEST_F(InputFormTest, ReadingsTypedInAnyKanaReachTheKanaIndex)
{
    Open();
    main->Settings().SetFurigana(false);
    RecordEditor& f = Show(-1);
    Control<QCheckBox>(f, "chk_Continu")->setChecked(true);
    struct Person {
        QString name;
        QString typed;
        const char* stored;
    } people[] = {
        { QStringLiteral("山田太郎"), QStringLiteral("ヤマダ　タロウ"), "ﾔﾏﾀﾞ ﾀﾛｳ" },
        { QStringLiteral("安田花子"), QStringLiteral("ﾔｽﾀﾞ ﾊﾅｺ"), "ﾔｽﾀﾞ ﾊﾅｺ" },
        { QStringLiteral("矢野一郎"), QStringLiteral("やの　いちろう"), "ﾔﾉ ｲﾁﾛｳ" },
    };
    for (const Person& p : people) {
        Control<QLineEdit>(f, "txt_Name")->setText(p.name);
        Control<QLineEdit>(f, "txt_Kana")->setFocus();
        TypeText(Control<QLineEdit>(f, "txt_Kana"), p.typed);
        Control<QLineEdit>(f, "txt_Zyusyo1")->setFocus(); // leaving the reading shows it as it will be stored
        EXPECT_EQ(Control<QLineEdit>(f, "txt_Kana")->text(), QString::fromUtf8(p.stored));
        Control<QPushButton>(f, "cmd_Input")->click();
        EXPECT_EQ(Value(main->Table().GetRecordCount() - 1, "カナ"), p.stored);
    }
    // Stored as typed too when the field is never left.
    Control<QLineEdit>(f, "txt_Name")->setText(QStringLiteral("矢口"));
    Control<QLineEdit>(f, "txt_Kana")->setText(QStringLiteral("やぐち"));
    Control<QPushButton>(f, "cmd_Input")->click();
    EXPECT_EQ(Value(3, "カナ"), "ﾔｸﾞﾁ");
    f.reject();
    main->KanaIndex(8); // ヤ
    EXPECT_EQ(main->Model().RecordRows(), 4);
}

#include "input_form_test.moc"

// The extras window: a record saved without touching it keeps the book at 24 fields; joint
// names, company lines and the card history typed there are stored, and shown again
// with the history of the season's year first.
TEST_F(InputFormTest, JointNamesCompanyAndHistoryThroughTheExtrasWindow)
{
    WriteTable(kThree);
    RecordEditor& f = Show(0);
    Control<QLineEdit>(f, "txt_Bikou1")->setText(QStringLiteral("変更"));
    Control<QPushButton>(f, "cmd_Input")->click();
    ASSERT_TRUE(f.Saved());
    EXPECT_EQ(main->Table().GetFieldCount(), 24);

    RecordEditor& g = Show(0);
    auto* joint1 = Control<QLineEdit>(g, "txt_JointName1");
    auto* company = Control<QLineEdit>(g, "txt_Company");
    auto* sent = Control<QCheckBox>(g, "chk_CardSent0");
    auto* receivedLastYear = Control<QCheckBox>(g, "chk_CardReceived1");
    auto* note = Control<QLineEdit>(g, "txt_CardNote0");
    ASSERT_TRUE(joint1 && company && sent && receivedLastYear && note);
    EXPECT_FALSE(g.Changed());
    joint1->setText(QStringLiteral("花子"));
    company->setText(QStringLiteral("ノルテア商会"));
    sent->setChecked(true);
    receivedLastYear->setChecked(true);
    note->setText(QStringLiteral("転居"));
    EXPECT_TRUE(g.Changed());
    Control<QPushButton>(g, "cmd_Input")->click();
    ASSERT_TRUE(g.Saved());
    const AddressTable& db = main->Table();
    ASSERT_EQ(db.GetFieldCount(), field::kExtendedEnd);
    // The clock says March 2026: the season's year is 2026.
    const int k = main->Records().GetRowRecord(0);
    EXPECT_EQ(U(db.Value(field::kJointName1, k)), "花子");
    EXPECT_EQ(U(db.Value(field::kCompany, k)), "ノルテア商会");
    EXPECT_EQ(U(db.Value(field::kCardHistory, k)), "2026出 2025受");
    EXPECT_EQ(U(db.Value(field::kCardNotes, k)), "2026:転居");

    RecordEditor& h = Show(0);
    EXPECT_EQ(Control<QLineEdit>(h, "txt_JointName1")->text(), QStringLiteral("花子"));
    EXPECT_TRUE(Control<QCheckBox>(h, "chk_CardSent0")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(h, "chk_CardReceived0")->isChecked());
}
