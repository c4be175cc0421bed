#include "qt/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace nrt::gui {

void BusyCursor::Set(bool on)
{
    if (on == on_)
        return;
    if (on && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    if (on)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
    on_ = on;
}

} // namespace nrt::gui
