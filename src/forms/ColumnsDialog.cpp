#include "forms/ColumnsDialog.h"

#include "db/AddressTable.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QGridLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::gui {

ColumnsDialog::ColumnsDialog(AppSettings& settings, const AddressTable& db, QWidget* parent)
    : FieldPickerDialog(parent)
    , settings_(settings)
    , db_(db)
{
    setObjectName(QStringLiteral("frmHyo"));
    setWindowTitle(QStringLiteral("ノルテア（項目設定）"));
    auto* grid = new QGridLayout(this);
    okButton_ = MakeButton("cmd_Ok", QStringLiteral("OK"));
    closeButton_ = MakeButton("cmd_Close", QStringLiteral("キャンセル(&C)"));
    QVBoxLayout* side = PlaceLists(grid, 0, QStringLiteral("全項目"), QStringLiteral("表示項目"));
    side->addWidget(okButton_);
    side->addWidget(closeButton_);

    for (int i = 0; i < settings_.DisplayColumnCount(); ++i)
        chosenList_->addItem(ToQ(settings_.GetDisplayColumn(i).name));
    for (const QString& name : Offered())
        if (chosenList_->findItems(name, Qt::MatchExactly).isEmpty())
            availableList_->addItem(name);

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
