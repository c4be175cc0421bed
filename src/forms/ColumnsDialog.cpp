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

ColumnsDialog::ColumnsDialog(AppSettings& global, const AddressTable& db, QWidget* parent)
    : QDialog(parent)
    , global_(global)
    , db_(db)
{
    setObjectName(QStringLiteral("frmHyo"));
    setWindowTitle(QStringLiteral("ノルテア（項目設定）"));
    auto* grid = new QGridLayout(this);
    lst_From = new QListWidget(this);
    lst_From->setObjectName(QStringLiteral("lst_From"));
    lst_To = new QListWidget(this);
    lst_To->setObjectName(QStringLiteral("lst_To"));
    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmd_Right = button("cmd_Right", QStringLiteral(">"));
    cmd_Left = button("cmd_Left", QStringLiteral("<"));
    cmd_RightAll = button("cmd_RightAll", QStringLiteral(">>"));
    cmd_LeftAll = button("cmd_LeftAll", QStringLiteral("<<"));
    cmd_Up = button("cmd_Up", QStringLiteral("↑"));
    cmd_Down = button("cmd_Down", QStringLiteral("↓"));
    cmd_Ok = button("cmd_Ok", QStringLiteral("OK"));
    cmd_Close = button("cmd_Close", QStringLiteral("キャンセル(&C)"));
    ExplainArrowButtons(this);
    auto* middle = new QVBoxLayout();
    middle->addStretch(1);
    for (QPushButton* b : { cmd_Right, cmd_Left, cmd_RightAll, cmd_LeftAll })
        middle->addWidget(b);
    middle->addStretch(1);
    auto* side = new QVBoxLayout();
    side->addStretch(1);
    side->addWidget(cmd_Up);
    side->addWidget(cmd_Down);
    side->addStretch(1);
    side->addWidget(cmd_Ok);
    side->addWidget(cmd_Close);
    grid->addWidget(new QLabel(QStringLiteral("全項目"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("表示項目"), this), 0, 2);
    grid->addWidget(lst_From, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(lst_To, 1, 2);
    grid->addLayout(side, 1, 3);

    for (int i = 0; i < global_.DisplayColumnCount(); ++i)
        lst_To->addItem(ToQ(global_.GetDisplayColumn(i).name));
    for (const QString& name : Offered())
        if (lst_To->findItems(name, Qt::MatchExactly).isEmpty())
            lst_From->addItem(name);

    connect(cmd_Right, &QPushButton::clicked, this, &ColumnsDialog::MoveRight);
    connect(lst_From, &QListWidget::itemDoubleClicked, this, &ColumnsDialog::MoveRight);
    connect(cmd_Left, &QPushButton::clicked, this, &ColumnsDialog::MoveLeft);
    connect(lst_To, &QListWidget::itemDoubleClicked, this, &ColumnsDialog::MoveLeft);
    connect(cmd_RightAll, &QPushButton::clicked, this, &ColumnsDialog::MoveAllRight);
    connect(cmd_LeftAll, &QPushButton::clicked, this, &ColumnsDialog::MoveAllLeft);
    connect(cmd_Up, &QPushButton::clicked, this, [this] { MoveUpDown(0); });
    connect(cmd_Down, &QPushButton::clicked, this, [this] { MoveUpDown(1); });
    connect(cmd_Ok, &QPushButton::clicked, this, &ColumnsDialog::Ok);
    connect(cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
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
    MoveSelectedEntry(lst_From, lst_To);
}

void ColumnsDialog::MoveLeft()
{
    MoveSelectedEntry(lst_To, lst_From);
}

void ColumnsDialog::MoveAllRight()
{
    MoveAllEntries(lst_To, lst_From, Offered());
}

void ColumnsDialog::MoveAllLeft()
{
    MoveAllEntries(lst_From, lst_To, Offered());
}

void ColumnsDialog::MoveUpDown(int down)
{
    ShiftSelectedEntry(lst_To, down != 0);
}

void ColumnsDialog::Ok()
{
    if (lst_To->count() == 0) {
        platform::Warn(SJ("表示項目を選択して下さい。"));
        return;
    }
    global_.ClearDisplayColumns();
    for (int i = 0; i < lst_To->count(); ++i) {
        const QString name = lst_To->item(i)->text();
        global_.AddDisplayColumn(FromQ(name), StartingWidth(name));
    }
    changed_ = true;
    accept();
}

} // namespace nrt::gui
