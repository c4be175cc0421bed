#include "GuiTestSupport.h"

#include "app/EnterFocusFilter.h"
#include "app/QtMessageHost.h"
#include "app/SjisLimitValidator.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

using namespace nrt::gui;
using namespace nrt::platform;

TEST(SjisLimitValidator, CountsCp932Bytes)
{
    QObject owner;
    SjisLimitValidator v(4, &owner);
    struct Case {
        QString text;
        QValidator::State state;
    } cases[] = {
        { QStringLiteral("abcd"), QValidator::Acceptable }, { QStringLiteral("abcde"), QValidator::Invalid },
        { QStringLiteral("あい"), QValidator::Acceptable }, { QStringLiteral("あいa"), QValidator::Invalid },
        { QStringLiteral("ｱｲｳｴ"), QValidator::Acceptable }, // half-width kana are one byte
        { QStringLiteral("😀"), QValidator::Invalid }, // not in the code page
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

TEST(SjisLimitValidator, NarrowFieldsTakeFullWidthDigitsAsAscii)
{
    QObject owner;
    SjisLimitValidator v(10, &owner, SjisLimitValidator::kNarrow);
    struct Case {
        QString typed;
        QString shown;
        QValidator::State state;
    } cases[] = {
        { QStringLiteral("１９７００５０５"), QStringLiteral("19700505"), QValidator::Acceptable },
        { QStringLiteral("１９７０／０５／０５"), QStringLiteral("1970/05/05"), QValidator::Acceptable },
        { QStringLiteral("Ｓ４５/5/5"), QStringLiteral("S45/5/5"), QValidator::Acceptable },
        { QStringLiteral("１９７０／０５／０５１"), QStringLiteral("1970/05/051"), QValidator::Invalid },
        { QStringLiteral("昭和"), QStringLiteral("昭和"), QValidator::Acceptable },
    };
    for (auto& c : cases) {
        int pos = 0;
        QString text = c.typed;
        EXPECT_EQ(v.validate(text, pos), c.state) << c.typed.toStdString();
        EXPECT_EQ(text, c.shown);
    }
}

TEST(QtMessageHost, StandardButtonsSpeakJapanese)
{
    if (QCoreApplication::translate("QPlatformTheme", "&Yes") == QLatin1String("&Yes"))
        GTEST_SKIP() << "Qt's Japanese translations (Debian qt6-translations-l10n) are not installed";
    struct Case {
        MsgButtons buttons;
        MsgResult preselected;
        QStringList captions; // sorted: the desktop style decides their order
        QString defaultCaption;
    } cases[] = {
        { MsgButtons::YesNo, MsgResult::No, { QStringLiteral("いいえ(&N)"), QStringLiteral("はい(&Y)") },
            QStringLiteral("いいえ(&N)") },
        { MsgButtons::OkCancel, MsgResult::Ok, { QStringLiteral("OK"), QStringLiteral("キャンセル") },
            QStringLiteral("OK") },
        { MsgButtons::Ok, MsgResult::Ok, { QStringLiteral("OK") }, QStringLiteral("OK") },
    };
    QtMessageHost host;
    for (const Case& c : cases) {
        QStringList captions;
        QString defaultCaption;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* b : box->buttons())
                captions << b->text();
            captions.sort();
            if (box->defaultButton())
                defaultCaption = box->defaultButton()->text();
            if (c.buttons == MsgButtons::YesNo)
                nrt::test::SaveScreenshot(*box, "question-japanese");
            box->reject();
        });
        host.Show({ SJ("削除します。よろしいですか？"), SJ("確認"), MsgIcon::Question, c.buttons, c.preselected });
        EXPECT_EQ(captions, c.captions);
        EXPECT_EQ(defaultCaption, c.defaultCaption);
    }
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
