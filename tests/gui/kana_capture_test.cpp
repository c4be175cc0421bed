#include "GuiTestSupport.h"

#include "app/KanaCapture.h"
#include "platform/Kana.h"
#include "qt/QtText.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

using nrt::gui::KanaCapture;
using nrt::gui::ToQ;

namespace {

class KanaCaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        name = new QLineEdit(&window);
        kana = new QLineEdit(&window);
        layout->addWidget(name);
        layout->addWidget(kana);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        name->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(KanaCapture::Install(name, kana, 30));
    }

    void Compose(const QString& preedit)
    {
        QInputMethodEvent e(preedit, {});
        QApplication::sendEvent(name, &e);
    }
    void Commit(const QString& text)
    {
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(name, &e);
    }
    // Typing a word the way an input method sends it: kana pre-edit, conversion, commit.
    void Convert(const QString& reading, const QString& converted)
    {
        for (int i = 1; i <= reading.size(); ++i)
            Compose(reading.left(i));
        Compose(converted);
        Commit(converted);
    }

    QWidget window;
    QLineEdit* name = nullptr;
    QLineEdit* kana = nullptr;
};

} // namespace

TEST_F(KanaCaptureTest, ConversionsAppendTheirReadings)
{
    Convert(QStringLiteral("やまだ"), QStringLiteral("山田"));
    EXPECT_EQ(name->text(), QStringLiteral("山田"));
    EXPECT_EQ(kana->text(), QStringLiteral("ﾔﾏﾀﾞ"));
    Convert(QStringLiteral("たろう"), QStringLiteral("太郎"));
    EXPECT_EQ(kana->text(), QStringLiteral("ﾔﾏﾀﾞﾀﾛｳ"));
}

TEST_F(KanaCaptureTest, IntermediateCompositionChangesNothing)
{
    Compose(QStringLiteral("さ"));
    Compose(QStringLiteral("さと"));
    Compose(QStringLiteral("佐藤"));
    EXPECT_EQ(kana->text(), QString());
    Compose(QString()); // cancelled
    Commit(QStringLiteral("x"));
    EXPECT_EQ(kana->text(), QString()) << "a commit with no kana pre-edit has no reading";
}

TEST_F(KanaCaptureTest, CommittedKanaIsItsOwnReading)
{
    Commit(QStringLiteral("カタカナ"));
    EXPECT_EQ(kana->text(), QStringLiteral("ｶﾀｶﾅ"));
}

TEST_F(KanaCaptureTest, LimitInBytes)
{
    struct Case {
        QString before;
        QString reading;
        QString after;
    } cases[] = {
        { QString(28, u'a'), QStringLiteral("やまだ"), QString(28, u'a') + QStringLiteral("ﾔﾏ") },
        { QString(30, u'a'), QStringLiteral("やまだ"), QString(30, u'a') },
        { QString(14, u'あ') + QStringLiteral("a"), QStringLiteral("やまだ"),
            QString(14, u'あ') + QStringLiteral("aﾔ") },
        { QString(), QStringLiteral("ちょうちょう"), QStringLiteral("ﾁｮｳﾁｮｳ") },
    };
    for (const auto& c : cases) {
        kana->setText(c.before);
        Convert(c.reading, QStringLiteral("漢字"));
        EXPECT_EQ(kana->text(), c.after) << c.before.size();
    }
}

TEST_F(KanaCaptureTest, TypedCharactersWithoutComposition)
{
    // Without an input method only kana reach the reading; a space separates two
    // readings but never starts one or doubles.
    struct Case {
        QString typed;
        QString reading;
    } cases[] = {
        { QStringLiteral("やまだ"), QStringLiteral("ﾔﾏﾀﾞ") },
        { QStringLiteral("ヤマダ　タロウ"), QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ") },
        { QStringLiteral("やの  いちろう"), QStringLiteral("ﾔﾉ ｲﾁﾛｳ") },
        { QStringLiteral("ﾔｽﾀﾞ ﾊﾅｺ"), QStringLiteral("ﾔｽﾀﾞ ﾊﾅｺ") },
        { QStringLiteral("山田　太郎"), QString() },
        { QStringLiteral("やま田"), QStringLiteral("ﾔﾏ") },
        { QStringLiteral("Abc"), QString() },
        { QStringLiteral(" 　あ"), QStringLiteral("ｱ") },
    };
    for (const Case& c : cases) {
        name->clear();
        kana->clear();
        nrt::test::TypeText(name, c.typed);
        EXPECT_EQ(name->text(), c.typed);
        EXPECT_EQ(kana->text(), c.reading) << c.typed.toStdString();
    }
    name->clear();
    kana->clear();
    nrt::test::TypeText(name, QStringLiteral("あいう"));
    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::keyClick(name, Qt::Key_Return);
    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_EQ(name->text(), QStringLiteral("あい"));
    EXPECT_EQ(kana->text(), QStringLiteral("ｱｲｳ")) << "deleting never removes a reading";
}

TEST_F(KanaCaptureTest, RemoveStopsTheCapture)
{
    EXPECT_TRUE(KanaCapture::IsInstalled(name));
    EXPECT_TRUE(KanaCapture::Remove(name));
    EXPECT_FALSE(KanaCapture::Remove(name));
    Convert(QStringLiteral("やまだ"), QStringLiteral("山田"));
    EXPECT_EQ(kana->text(), QString());
    // Installing twice keeps one capture.
    ASSERT_TRUE(KanaCapture::Install(name, kana, 30));
    ASSERT_TRUE(KanaCapture::Install(name, kana, 30));
    Convert(QStringLiteral("やまだ"), QStringLiteral("山田"));
    EXPECT_EQ(kana->text(), QStringLiteral("ﾔﾏﾀﾞ"));
}

TEST(KanaCapture, EditableComboBoxIsServedThroughItsLineEdit)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* combo = new QComboBox(&window);
    combo->setEditable(true);
    auto* kana = new QLineEdit(&window);
    layout->addWidget(combo);
    layout->addWidget(kana);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    combo->lineEdit()->setFocus();
    ASSERT_TRUE(KanaCapture::Install(combo, kana, 0));
    nrt::test::TypeText(combo->lineEdit(), QStringLiteral("かな"));
    EXPECT_EQ(kana->text(), QStringLiteral("ｶﾅ"));
}

TEST(KanaCapture, HalfWidthReadingsAgreeWithUnicode)
{
    // Unicode's compatibility mapping is an independent account of the same table: the
    // half-width reading of every katakana (and of every hiragana, as its katakana) maps
    // back to it. ヮ ヵ ヶ ヰ ヱ have no half-width form of their own.
    const QString noHalfForm = QStringLiteral("ヮヵヶヰヱゎゐゑ");
    int checked = 0;
    for (char16_t c = 0x3041; c <= 0x30F4; ++c) {
        const QString kana(QChar { c });
        if ((c > 0x3093 && c < 0x30A1) || noHalfForm.contains(kana))
            continue;
        bool ok = false;
        const std::string sjis = nrt::platform::Utf8ToSjis(kana.toStdString(), &ok);
        if (!ok)
            continue; // not a CP932 character (ゔ)
        const QString half = ToQ(nrt::platform::HalfWidthReading(sjis));
        const QString katakana(QChar { static_cast<char16_t>(c < 0x30A1 ? c + 0x60 : c) });
        EXPECT_EQ(half.normalized(QString::NormalizationForm_KC), katakana) << kana.toStdString();
        for (QChar h : half)
            EXPECT_TRUE(h.unicode() >= 0xFF66 && h.unicode() <= 0xFF9F) << kana.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, 80 + 81); // hiragana ぁ…ん without ゎゐゑ, katakana ァ…ヴ without ヮヰヱ
}
