#pragma once
// Access keys for menus whose items are data (field names, zoom steps) rather than
// commands with a letter of their own.

#include <QChar>
#include <QString>

class QMenu;

namespace nrt::gui {

// The upper-case access key a caption marks with "&", or a null character.
QChar AccessKey(const QString& caption);

// Gives every item of `menu` without an access key the next free one of 1-9, then A-Z,
// in order, written after its caption as "(&1)".
void NumberMenuItems(QMenu* menu);

} // namespace nrt::gui
