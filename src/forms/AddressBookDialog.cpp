#include "forms/AddressBookDialog.h"

#include "app/EnterFocusFilter.h"
#include "app/MainWindow.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"
#include "users/AddressBooks.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::gui {
AddressBookDialog::AddressBookDialog(MainWindow& main)
    : QDialog(&main)
    , main_(main)
{
    setObjectName(QStringLiteral("frmUserSelect"));
    setWindowTitle(QStringLiteral("ユーザーを開く"));
    lst_List = new QListWidget(this);
    lst_List->setObjectName(QStringLiteral("lst_List"));
    lst_List->setMinimumSize(260, 220);
    cmd_Ok = new QPushButton(QStringLiteral("開く(&O)"), this);
    cmd_Ok->setObjectName(QStringLiteral("cmd_Ok"));
    cmd_Cancel = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    cmd_Cancel->setObjectName(QStringLiteral("cmd_Cancel"));
    cmd_Del = new QPushButton(QStringLiteral("削除(&D)"), this);
    cmd_Del->setObjectName(QStringLiteral("cmd_Del"));
    for (QPushButton* b : { cmd_Ok, cmd_Cancel, cmd_Del })
        b->setAutoDefault(false);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lst_List, 1);
    auto* side = new QVBoxLayout();
    side->addWidget(cmd_Ok);
    side->addWidget(cmd_Cancel);
    side->addStretch(1);
    side->addWidget(cmd_Del);
    layout->addLayout(side);
    EnterFocusFilter::InstallOn(this);

    Fill();
    // Return on the list opens the book under the cursor.
    cmd_Ok->setDefault(true);
    connect(cmd_Ok, &QPushButton::clicked, this, &AddressBookDialog::OpenUser);
    connect(lst_List, &QListWidget::itemDoubleClicked, this, &AddressBookDialog::OpenUser);
    connect(cmd_Del, &QPushButton::clicked, this, &AddressBookDialog::DeleteUser);
    connect(cmd_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void AddressBookDialog::Fill()
{
    lst_List->clear();
    for (const std::string& entry : AddressBooks(main_.Global()).Entries())
        lst_List->addItem(ToQ(entry));
}

int AddressBookDialog::SelectedEntry() const
{
    const QListWidgetItem* item = lst_List->currentItem();
    return item && item->isSelected() ? lst_List->row(item) : -1;
}

void AddressBookDialog::OpenUser()
{
    AddressBooks users(main_.Global());
    CursorWatch<AddressBooks::Observer> watch;
    const auto opened = users.Open(SelectedEntry(), main_.Table(), saved_, platform::Ask, &watch);
    if (!opened.Message().empty())
        platform::Warn(opened.Message());
    if (opened.result) {
        opened_ = true;
        // At once: the table changed under the list, which may repaint as soon as the
        // window closes.
        main_.AfterUserChange();
        accept();
    }
}

void AddressBookDialog::DeleteUser()
{
    AddressBooks users(main_.Global());
    const auto removed = users.Remove(SelectedEntry(), platform::Ask);
    if (!removed.Message().empty())
        platform::Warn(removed.Message());
    if (removed.result == AddressBooks::Removed::kRemoved)
        Fill();
}

} // namespace nrt::gui
