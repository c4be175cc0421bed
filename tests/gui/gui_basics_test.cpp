#include "app/EnterFocusFilter.h"
#include "app/SjisLimitValidator.h"
#include "app/QtText.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

using namespace nrt::gui;

TEST(SjisLimitValidator, CountsCp932Bytes)
{
    QObject owner;
    SjisLimitValidator v(4, &owner);
    struct Case {
        QString text;
        QValidator::State state;
    } cases[] = {
        {QStringLiteral("abcd"), QValidator::Acceptable},
        {QStringLiteral("abcde"), QValidator::Invalid},
        {QStringLiteral("あい"), QValidator::Acceptable},
        {QStringLiteral("あいa"), QValidator::Invalid},
        {QStringLiteral("ｱｲｳｴ"), QValidator::Acceptable}, // half-width kana are one byte
        {QStringLiteral("😀"), QValidator::Invalid},      // not in the code page
    };
    for (auto& c : cases) {
        int pos = 0;
        EXPECT_EQ(v.validate(c.text, pos), c.state) << c.text.toStdString();
    }
    QString pasted = QStringLiteral("あいう");
    v.fixup(pasted);
    EXPECT_EQ(pasted, QStringLiteral("あい"));
    QString odd = QStringLiteral("aあい");
    v.fixup(odd);
    EXPECT_EQ(odd, QStringLiteral("aあ")) << "a double-byte character is never split";
}

TEST(EnterFocusFilter, EnterMovesFocusAndIsDropped)
{
    QWidget w;
    auto* layout = new QVBoxLayout(&w);
    auto* first = new QLineEdit(&w);
    auto* second = new QLineEdit(&w);
    layout->addWidget(first);
    layout->addWidget(second);
    EnterFocusFilter::InstallOn(&w);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    first->setFocus();
    QApplication::processEvents();
    QTest::keyClicks(first, QStringLiteral("ab"));
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_TRUE(second->hasFocus());
    EXPECT_EQ(first->text(), QStringLiteral("ab"));
}

TEST(QtText, RoundTripsThroughCp932)
{
    const std::string sjis = FromQ(QStringLiteral("髙橋　ｱｲ①"));
    EXPECT_EQ(sjis.size(), 10u);
    EXPECT_EQ(ToQ(sjis), QStringLiteral("髙橋　ｱｲ①"));
    EXPECT_EQ(SjisLength(QStringLiteral("aあ")), 3);
}
