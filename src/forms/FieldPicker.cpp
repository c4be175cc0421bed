#include "forms/FieldPicker.h"

#include "platform/MessageHost.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
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

FieldPickerDialog::FieldPickerDialog(QWidget* parent)
    : QDialog(parent)
{
    availableList_ = new QListWidget(this);
    availableList_->setObjectName(QStringLiteral("lst_From"));
    chosenList_ = new QListWidget(this);
    chosenList_->setObjectName(QStringLiteral("lst_To"));
    addButton_ = MakeButton("cmd_Right", QStringLiteral(">"));
    removeButton_ = MakeButton("cmd_Left", QStringLiteral("<"));
    addAllButton_ = MakeButton("cmd_RightAll", QStringLiteral(">>"));
    removeAllButton_ = MakeButton("cmd_LeftAll", QStringLiteral("<<"));
    upButton_ = MakeButton("cmd_Up", QStringLiteral("↑"));
    downButton_ = MakeButton("cmd_Down", QStringLiteral("↓"));
    ExplainArrowButtons(this);
    connect(addButton_, &QPushButton::clicked, this, &FieldPickerDialog::MoveRight);
    connect(availableList_, &QListWidget::itemDoubleClicked, this, &FieldPickerDialog::MoveRight);
    connect(removeButton_, &QPushButton::clicked, this, &FieldPickerDialog::MoveLeft);
    connect(chosenList_, &QListWidget::itemDoubleClicked, this, &FieldPickerDialog::MoveLeft);
    connect(addAllButton_, &QPushButton::clicked, this, &FieldPickerDialog::MoveAllRight);
    connect(removeAllButton_, &QPushButton::clicked, this, &FieldPickerDialog::MoveAllLeft);
    connect(upButton_, &QPushButton::clicked, this, [this] { MoveUpDown(0); });
    connect(downButton_, &QPushButton::clicked, this, [this] { MoveUpDown(1); });
}

QPushButton* FieldPickerDialog::MakeButton(const char* name, const QString& text)
{
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QVBoxLayout* FieldPickerDialog::PlaceLists(
    QGridLayout* grid, int row, const QString& availableCaption, const QString& chosenCaption)
{
    grid->addWidget(new QLabel(availableCaption, this), row, 0);
    grid->addWidget(new QLabel(chosenCaption, this), row, 2);
    grid->addWidget(availableList_, row + 1, 0);
    auto* middle = new QVBoxLayout();
    middle->addStretch(1);
    for (QPushButton* b : { addButton_, removeButton_, addAllButton_, removeAllButton_ })
        middle->addWidget(b);
    middle->addStretch(1);
    grid->addLayout(middle, row + 1, 1);
    grid->addWidget(chosenList_, row + 1, 2);
    auto* side = new QVBoxLayout();
    side->addStretch(1);
    side->addWidget(upButton_);
    side->addWidget(downButton_);
    side->addStretch(1);
    grid->addLayout(side, row + 1, 3);
    return side;
}

void FieldPickerDialog::MoveRight()
{
    MoveSelectedEntry(availableList_, chosenList_);
}

void FieldPickerDialog::MoveLeft()
{
    MoveSelectedEntry(chosenList_, availableList_);
}

void FieldPickerDialog::MoveAllRight()
{
    MoveAllEntries(chosenList_, availableList_, Offered());
}

void FieldPickerDialog::MoveAllLeft()
{
    MoveAllEntries(availableList_, chosenList_, Offered());
}

void FieldPickerDialog::MoveUpDown(int down)
{
    ShiftSelectedEntry(chosenList_, down != 0);
}

} // namespace nrt::gui
