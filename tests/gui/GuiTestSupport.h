#pragma once
// Small helpers of the window tests: typing any text as a keyboard layout would, and
// keeping a window's picture for the documentation.

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

#include <cstdlib>

namespace nrt::test {

// One key press and release per character, carrying the character as its text, as a
// kana keyboard layout or a typed full-width digit arrives without an input method.
// (QTest::keyClicks knows only the characters of a US keyboard.)
inline void TypeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// With NRT_SCREENSHOT_DIR set, the window as it is drawn now is kept there as NAME.png.
inline void SaveScreenshot(QWidget& window, const char* name)
{
    if (const char* folder = std::getenv("NRT_SCREENSHOT_DIR"))
        window.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + QString::fromLatin1(name) + ".png");
}

} // namespace nrt::test
