#include "print/qt/CardSurface.h"

#include <algorithm>

#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

namespace nrt::print {

void FitOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    // The frame the window manager adds is not known before the window is shown; a
    // margin for it keeps the title bar on the screen.
    const QMargins frame = window->isVisible() ? QMargins(window->geometry().left() - window->frameGeometry().left(),
                               window->geometry().top() - window->frameGeometry().top(),
                               window->frameGeometry().right() - window->geometry().right(),
                               window->frameGeometry().bottom() - window->geometry().bottom())
                                               : QMargins(0, 0, 0, 0);
    const QRect room = area.marginsRemoved(frame);
    const QSize size = window->size().boundedTo(room.size());
    window->setMinimumSize(window->minimumSize().boundedTo(room.size()));
    QRect placed(window->pos(), size);
    if (placed.right() > room.right())
        placed.moveRight(room.right());
    if (placed.bottom() > room.bottom())
        placed.moveBottom(room.bottom());
    placed.moveLeft(std::max(placed.left(), room.left()));
    placed.moveTop(std::max(placed.top(), room.top()));
    window->setGeometry(placed);
}

void FitScrollBar(QScrollBar* bar, int extent, int length)
{
    if (extent - length > 1) {
        bar->setEnabled(true);
        bar->setRange(0, extent - length);
        bar->setPageStep(length);
    } else {
        bar->setRange(0, 0);
        bar->setEnabled(false);
    }
}

QGridLayout* ScrolledView(QWidget* view, QScrollBar*& right, QScrollBar*& bottom)
{
    QWidget* owner = view->parentWidget();
    right = new QScrollBar(Qt::Vertical, owner);
    right->setObjectName(QStringLiteral("scr_Right"));
    bottom = new QScrollBar(Qt::Horizontal, owner);
    bottom->setObjectName(QStringLiteral("scr_Bottom"));
    QObject::connect(right, &QScrollBar::valueChanged, view, qOverload<>(&QWidget::update));
    QObject::connect(bottom, &QScrollBar::valueChanged, view, qOverload<>(&QWidget::update));
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(view, 0, 0);
    grid->addWidget(right, 0, 1);
    grid->addWidget(bottom, 1, 0);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);
    return grid;
}

} // namespace nrt::print
