#pragma once
// Small helpers of the window tests: finding a window's controls by name, typing any
// text as a keyboard layout would, and keeping a window's picture for the documentation.

#include <QApplication>
#include <QKeyEvent>
#include <QList>
#include <QString>
#include <QWidget>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

namespace nrt::test {

// The control of `window` whose objectName is `name`, as a T. A control that is missing,
// of another type or not the only one of its name fails the test with that name instead
// of letting it run on into a null or wrong pointer.
template <class T> T* Control(const QObject& window, const char* name)
{
    const QList<T*> found = window.findChildren<T*>(QString::fromLatin1(name));
    if (found.size() != 1)
        throw std::logic_error(std::to_string(found.size()) + " controls named " + name + " of the wanted type in "
            + window.objectName().toStdString());
    return found.front();
}

// The same through a pointer to the window.
template <class T> T* Control(const QObject* window, const char* name)
{
    return Control<T>(*window, name);
}
template <class T, class W> T* Control(const std::unique_ptr<W>& window, const char* name)
{
    return Control<T>(*window, name);
}

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
