#pragma once
// The two lists of a field choice (offered on the left, chosen on the right, in
// order) as the display columns and the CSV export use them.

#include <QStringList>

class QListWidget;
class QWidget;

namespace nrt::gui {

// The selected entry of `from` to the end of `to`; a beep when none is selected.
void MoveSelectedEntry(QListWidget* from, QListWidget* to);
// Every name into `into`, the other list emptied.
void MoveAllEntries(QListWidget* into, QListWidget* other, const QStringList& names);
// The selected entry one place up or down; a beep at the ends or without a selection.
void ShiftSelectedEntry(QListWidget* list, bool down);
// Says on hover what each of the arrow buttons ("cmd_Right", "cmd_Left", "cmd_RightAll",
// "cmd_LeftAll", "cmd_Up", "cmd_Down" among the children of `window`) does.
void ExplainArrowButtons(QWidget* window);

} // namespace nrt::gui
