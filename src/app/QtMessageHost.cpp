#include "app/QtMessageHost.h"

#include "qt/QtText.h"

#include <QApplication>
#include <QMessageBox>

namespace nrt::gui {

QWidget* MessageParent()
{
    // Over the window the user works in: the modal one, the active one, the one with
    // the keyboard, else the program's visible main window; never the screen's centre.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    if (QWidget* focus = QApplication::focusWidget())
        return focus->window();
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup)
            continue;
        if (w->isModal())
            return w;
        if (!found || (w->parentWidget() == nullptr && found->parentWidget() != nullptr))
            found = w;
    }
    return found;
}

platform::MsgResult QtMessageHost::Show(const platform::MessageRequest& r)
{
    using platform::MsgButtons;
    using platform::MsgIcon;
    using platform::MsgResult;

    QMessageBox box(MessageParent());
    box.setWindowTitle(ToQ(r.caption));
    box.setText(ToQ(r.text));
    box.setWindowModality(Qt::ApplicationModal);
    switch (r.icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    QMessageBox::StandardButtons buttons;
    switch (r.buttons) {
    case MsgButtons::Ok:
        buttons = QMessageBox::Ok;
        break;
    case MsgButtons::OkCancel:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MsgButtons::YesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    case MsgButtons::YesNoCancel:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(buttons);
    switch (r.defaultButton) {
    case MsgResult::Ok:
        box.setDefaultButton(buttons.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::Yes);
        break;
    case MsgResult::Cancel:
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    case MsgResult::Yes:
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MsgResult::No:
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    default:
        return r.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
}

void QtMessageHost::Beep()
{
    QApplication::beep();
}

} // namespace nrt::gui
