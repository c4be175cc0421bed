#include "forms/AddressBookDialog.h"

#include "app/EnterFocusFilter.h"
#include "app/MainWindow.h"
#include "books/AddressBooks.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"

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
    addressBookList_ = new QListWidget(this);
    addressBookList_->setObjectName(QStringLiteral("lst_List"));
    addressBookList_->setMinimumSize(260, 220);
    okButton_ = new QPushButton(QStringLiteral("開く(&O)"), this);
    okButton_->setObjectName(QStringLiteral("cmd_Ok"));
    cancelButton_ = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    cancelButton_->setObjectName(QStringLiteral("cmd_Cancel"));
    deleteButton_ = new QPushButton(QStringLiteral("削除(&D)"), this);
    deleteButton_->setObjectName(QStringLiteral("cmd_Del"));
    for (QPushButton* b : { okButton_, cancelButton_, deleteButton_ })
        b->setAutoDefault(false);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(addressBookList_, 1);
    auto* side = new QVBoxLayout();
    side->addWidget(okButton_);
    side->addWidget(cancelButton_);
    side->addStretch(1);
    side->addWidget(deleteButton_);
    layout->addLayout(side);
    EnterFocusFilter::InstallOn(this);

    Fill();
    // Return on the list opens the book under the cursor.
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &AddressBookDialog::OpenBook);
    connect(addressBookList_, &QListWidget::itemDoubleClicked, this, &AddressBookDialog::OpenBook);
    connect(deleteButton_, &QPushButton::clicked, this, &AddressBookDialog::DeleteBook);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void AddressBookDialog::Fill()
{
    addressBookList_->clear();
    for (const std::string& entry : AddressBooks(main_.Settings()).Entries())
        addressBookList_->addItem(ToQ(entry));
}

int AddressBookDialog::SelectedEntry() const
{
    const QListWidgetItem* item = addressBookList_->currentItem();
    return item && item->isSelected() ? addressBookList_->row(item) : -1;
}

void AddressBookDialog::OpenBook()
{
    AddressBooks books(main_.Settings());
    CursorWatch<AddressBooks::Observer> watch;
    const auto opened = books.Open(SelectedEntry(), main_.Table(), saved_, platform::Ask, &watch);
    if (!opened.Message().empty())
        platform::Warn(opened.Message());
    if (opened.result) {
        opened_ = true;
        // At once: the table changed under the list, which may repaint as soon as the
        // window closes.
        main_.AfterBookChange();
        accept();
    }
}

void AddressBookDialog::DeleteBook()
{
    AddressBooks books(main_.Settings());
    const auto removed = books.Remove(SelectedEntry(), platform::Ask);
    if (!removed.Message().empty())
        platform::Warn(removed.Message());
    if (removed.result == AddressBooks::Removed::kRemoved)
        Fill();
}

} // namespace nrt::gui
