#pragma once
// A menu command of the main window: its caption, the object name the tests find it
// by, and what it runs on the window.

#include "app/MainWindow.h"

#include <QAction>

namespace nrt::gui {

template <typename Handler>
QAction* MakeAction(MainWindow& main, const char* name, const QString& caption, Handler handler)
{
    auto* action = new QAction(caption, &main);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, &main, [&main, handler] { handler(main); });
    return action;
}

} // namespace nrt::gui
