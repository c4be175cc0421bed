#include "forms/FieldPicker.h"

#include "platform/MessageHost.h"

#include <QListWidget>
#include <QWidget>

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

void ExplainArrowButtons(QWidget* window)
{
    static constexpr struct {
        const char* name;
        const char* tip;
    } kTips[] = {
        { "cmd_Right", "選んだ項目を右の一覧に加える" },
        { "cmd_Left", "選んだ項目を右の一覧から外す" },
        { "cmd_RightAll", "全ての項目を右の一覧に加える" },
        { "cmd_LeftAll", "全ての項目を右の一覧から外す" },
        { "cmd_Up", "選んだ項目を一つ上へ" },
        { "cmd_Down", "選んだ項目を一つ下へ" },
    };
    for (const auto& t : kTips)
        if (auto* b = window->findChild<QWidget*>(QString::fromLatin1(t.name)))
            b->setToolTip(QString::fromUtf8(t.tip));
}

} // namespace nrt::gui
