#include "app/KanaCapture.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

using nrt::gui::KanaCapture;

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
        {QString(28, u'a'), QStringLiteral("やまだ"), QString(28, u'a') + QStringLiteral("ﾔﾏ")},
        {QString(30, u'a'), QStringLiteral("やまだ"), QString(30, u'a')},
        {QString(14, u'あ') + QStringLiteral("a"), QStringLiteral("やまだ"), QString(14, u'あ') + QStringLiteral("aﾔ")},
        {QString(), QStringLiteral("ちょうちょう"), QStringLiteral("ﾁｮｳﾁｮｳ")},
    };
    for (const auto& c : cases) {
        kana->setText(c.before);
        Convert(c.reading, QStringLiteral("漢字"));
        EXPECT_EQ(kana->text(), c.after) << c.before.size();
    }
}

TEST_F(KanaCaptureTest, TypedCharactersWithoutComposition)
{
    QTest::keyClicks(name, QStringLiteral("Abc"));
    EXPECT_EQ(kana->text(), QStringLiteral("Abc"));
    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::keyClick(name, Qt::Key_Return);
    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_EQ(name->text(), QStringLiteral("Ab"));
    EXPECT_EQ(kana->text(), QStringLiteral("Abc")) << "deleting never removes a reading";
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
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("xy"));
    EXPECT_EQ(kana->text(), QStringLiteral("xy"));
}

TEST(KanaCapture, HalfWidthKatakana)
{
    EXPECT_EQ(KanaCapture::ToHalfWidthKatakana(QStringLiteral("がっこう・パーティー　ヴ")),
              QStringLiteral("ｶﾞｯｺｳ･ﾊﾟｰﾃｨｰ ｳﾞ"));
    EXPECT_EQ(KanaCapture::ToHalfWidthKatakana(QStringLiteral("ｱ山A")), QStringLiteral("ｱ山A"));
    EXPECT_TRUE(KanaCapture::IsAllKana(QStringLiteral("やまだー")));
    EXPECT_FALSE(KanaCapture::IsAllKana(QStringLiteral("山だ")));
    EXPECT_FALSE(KanaCapture::IsAllKana(QString()));
}
