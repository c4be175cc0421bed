#include "app/MenuKeys.h"

#include <QAction>
#include <QMenu>
#include <QSet>

namespace nrt::gui {

QChar AccessKey(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toUpper();
        ++i; // "&&" is a plain ampersand
    }
    return {};
}

void NumberMenuItems(QMenu* menu)
{
    QSet<QChar> taken;
    for (const QAction* a : menu->actions())
        if (const QChar key = AccessKey(a->text()); !key.isNull())
            taken.insert(key);
    static const QString keys = QStringLiteral("123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    qsizetype next = 0;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || !AccessKey(a->text()).isNull())
            continue;
        while (next < keys.size() && taken.contains(keys[next]))
            ++next;
        if (next == keys.size())
            return;
        a->setText(a->text() + QStringLiteral("(&%1)").arg(keys[next]));
        taken.insert(keys[next]);
    }
}

} // namespace nrt::gui
