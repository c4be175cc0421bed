#include "app/EnterFocusFilter.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace nrt::gui {

void EnterFocusFilter::InstallOn(QWidget* root)
{
    auto* filter = new EnterFocusFilter(root);
    const auto widgets = root->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w)
            || qobject_cast<QAbstractItemView*>(w)) {
            // A combo box's own line edit reports to the combo box.
            if (qobject_cast<QComboBox*>(w->parentWidget()))
                continue;
            w->installEventFilter(filter);
        }
    }
}

bool EnterFocusFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            if (auto* w = qobject_cast<QWidget*>(watched)) {
                // The next control in tab order that can take the focus; an editable combo
                // box's own line edit gives its focus back to the box, so it is passed over.
                QWidget* next = w->nextInFocusChain();
                while (next && next != w
                    && (w->isAncestorOf(next)
                        || !((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() && next->isVisible())))
                    next = next->nextInFocusChain();
                if (next && next != w)
                    next->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace nrt::gui
