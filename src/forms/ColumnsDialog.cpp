#include "forms/ColumnsDialog.h"

#include "db/AddressTable.h"
#include "forms/FieldPicker.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::gui {

ColumnsDialog::ColumnsDialog(AppSettings& settings, const AddressTable& db, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , db_(db)
{
    setObjectName(QStringLiteral("frmHyo"));
    setWindowTitle(QStringLiteral("ノルテア（項目設定）"));
    auto* grid = new QGridLayout(this);
    availableList_ = new QListWidget(this);
    availableList_->setObjectName(QStringLiteral("lst_From"));
    chosenList_ = new QListWidget(this);
    chosenList_->setObjectName(QStringLiteral("lst_To"));
    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    addButton_ = button("cmd_Right", QStringLiteral(">"));
    removeButton_ = button("cmd_Left", QStringLiteral("<"));
    addAllButton_ = button("cmd_RightAll", QStringLiteral(">>"));
    removeAllButton_ = button("cmd_LeftAll", QStringLiteral("<<"));
    upButton_ = button("cmd_Up", QStringLiteral("↑"));
    downButton_ = button("cmd_Down", QStringLiteral("↓"));
    okButton_ = button("cmd_Ok", QStringLiteral("OK"));
    closeButton_ = button("cmd_Close", QStringLiteral("キャンセル(&C)"));
    ExplainArrowButtons(this);
    auto* middle = new QVBoxLayout();
    middle->addStretch(1);
    for (QPushButton* b : { addButton_, removeButton_, addAllButton_, removeAllButton_ })
        middle->addWidget(b);
    middle->addStretch(1);
    auto* side = new QVBoxLayout();
    side->addStretch(1);
    side->addWidget(upButton_);
    side->addWidget(downButton_);
    side->addStretch(1);
    side->addWidget(okButton_);
    side->addWidget(closeButton_);
    grid->addWidget(new QLabel(QStringLiteral("全項目"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("表示項目"), this), 0, 2);
    grid->addWidget(availableList_, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(chosenList_, 1, 2);
    grid->addLayout(side, 1, 3);

    for (int i = 0; i < settings_.DisplayColumnCount(); ++i)
        chosenList_->addItem(ToQ(settings_.GetDisplayColumn(i).name));
    for (const QString& name : Offered())
        if (chosenList_->findItems(name, Qt::MatchExactly).isEmpty())
            availableList_->addItem(name);

    connect(addButton_, &QPushButton::clicked, this, &ColumnsDialog::MoveRight);
    connect(availableList_, &QListWidget::itemDoubleClicked, this, &ColumnsDialog::MoveRight);
    connect(removeButton_, &QPushButton::clicked, this, &ColumnsDialog::MoveLeft);
    connect(chosenList_, &QListWidget::itemDoubleClicked, this, &ColumnsDialog::MoveLeft);
    connect(addAllButton_, &QPushButton::clicked, this, &ColumnsDialog::MoveAllRight);
    connect(removeAllButton_, &QPushButton::clicked, this, &ColumnsDialog::MoveAllLeft);
    connect(upButton_, &QPushButton::clicked, this, [this] { MoveUpDown(0); });
    connect(downButton_, &QPushButton::clicked, this, [this] { MoveUpDown(1); });
    connect(okButton_, &QPushButton::clicked, this, &ColumnsDialog::Ok);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
}

QStringList ColumnsDialog::Offered() const
{
    // Every field from the third on: 宛名区分 and 印字区分 are not columns. The fields
    // a table gains on first use are offered before it has them.
    QStringList names;
    for (int f = 2; f < db_.GetFieldCount() || db_.IsPendingField(f); ++f)
        names << ToQ(db_.GetField(f).name);
    return names;
}

int ColumnsDialog::StartingWidth(const QString& name)
{
    if (name == QStringLiteral("住所１") || name == QStringLiteral("ＨＰ"))
        return 200;
    if (name == QStringLiteral("郵便番号"))
        return 65;
    if (name == QStringLiteral("性別") || name == QStringLiteral("敬称"))
        return 25;
    if (name == QStringLiteral("メール"))
        return 150;
    return 105;
}

void ColumnsDialog::MoveRight()
{
    MoveSelectedEntry(availableList_, chosenList_);
}

void ColumnsDialog::MoveLeft()
{
    MoveSelectedEntry(chosenList_, availableList_);
}

void ColumnsDialog::MoveAllRight()
{
    MoveAllEntries(chosenList_, availableList_, Offered());
}

void ColumnsDialog::MoveAllLeft()
{
    MoveAllEntries(availableList_, chosenList_, Offered());
}

void ColumnsDialog::MoveUpDown(int down)
{
    ShiftSelectedEntry(chosenList_, down != 0);
}

void ColumnsDialog::Ok()
{
    if (chosenList_->count() == 0) {
        platform::Warn(SJ("表示項目を選択して下さい。"));
        return;
    }
    settings_.ClearDisplayColumns();
    for (int i = 0; i < chosenList_->count(); ++i) {
        const QString name = chosenList_->item(i)->text();
        settings_.AddDisplayColumn(FromQ(name), StartingWidth(name));
    }
    changed_ = true;
    accept();
}

} // namespace nrt::gui
