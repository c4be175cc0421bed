#include "forms/FieldPicker.h"

#include "platform/MessageHost.h"

#include <QListWidget>

namespace nrt::gui {

void MoveSelectedEntry(QListWidget* from, QListWidget* to)
{
    QListWidgetItem* item = from->currentItem();
    if (!item || !item->isSelected()) {
        platform::Beep();
        return;
    }
    to->addItem(from->takeItem(from->row(item)));
}

void MoveAllEntries(QListWidget* into, QListWidget* other, const QStringList& names)
{
    other->clear();
    into->clear();
    into->addItems(names);
}

void ShiftSelectedEntry(QListWidget* list, bool down)
{
    QListWidgetItem* item = list->currentItem();
    const int row = item ? list->row(item) : -1;
    const int target = down ? row + 1 : row - 1;
    if (row < 0 || !item->isSelected() || target < 0 || target >= list->count()) {
        platform::Beep();
        return;
    }
    list->insertItem(target, list->takeItem(row));
    list->setCurrentRow(target);
}

} // namespace nrt::gui
