#include "print/qt/PrintFormList.h"

#include "platform/sjis.h"
#include "print/PrintForms.h"
#include "print/qt/FormNameValidator.h"
#include "print/qt/NewPrintFormDialog.h"
#include "print/qt/RenamePrintFormDialog.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace nrt::print {

PrintFormList::PrintFormList(AppSettings& settings, Mode mode, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
{
    setObjectName(QStringLiteral("frmPrnSelect"));
    setWindowTitle(QStringLiteral("用紙リスト"));
    formList_ = new QListWidget(this);
    formList_->setObjectName(QStringLiteral("lst_Name"));
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    okButton_ = button("cmd_Ok", "選択(&S)...");
    cancelButton_ = button("cmd_Cancel", "キャンセル(&C)");
    newButton_ = button("cmd_New", "新規用紙(&N)...");
    renameButton_ = button("cmd_ReName", "名前変更(&R)...");
    deleteButton_ = button("cmd_Del", "削除(&D)");
    // Return on the list chooses the form under the cursor.
    okButton_->setDefault(true);
    const bool manage = mode == Mode::Manage;
    newButton_->setEnabled(manage);
    renameButton_->setEnabled(manage);
    deleteButton_->setEnabled(manage);

    connect(okButton_, &QPushButton::clicked, this, &PrintFormList::okClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(newButton_, &QPushButton::clicked, this, &PrintFormList::newClicked);
    connect(renameButton_, &QPushButton::clicked, this, &PrintFormList::renameClicked);
    connect(deleteButton_, &QPushButton::clicked, this, &PrintFormList::deleteClicked);
    connect(formList_, &QListWidget::itemDoubleClicked, this, &PrintFormList::okClicked);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : { okButton_, cancelButton_, newButton_, renameButton_, deleteButton_ })
        buttons->addWidget(b);
    buttons->addStretch();
    senderLabel_ = new QLabel(QStringLiteral("差出人"), this);
    senderCombo_ = new QComboBox(this);
    senderCombo_->setObjectName(QStringLiteral("cbo_Sender"));
    senderLabel_->setBuddy(senderCombo_);
    senderLabel_->hide();
    senderCombo_->hide();
    auto* layout = new QGridLayout(this);
    layout->addWidget(formList_, 0, 0);
    layout->addLayout(buttons, 0, 1, 2, 1);
    auto* sender = new QHBoxLayout;
    sender->addWidget(senderLabel_);
    sender->addWidget(senderCombo_, 1);
    layout->addLayout(sender, 1, 0);
    resize(420, 300);
    Refresh(0);
}

void PrintFormList::OfferSenders(const std::vector<std::string>& names, int current)
{
    senderCombo_->clear();
    for (const std::string& name : names)
        senderCombo_->addItem(name.empty() ? QStringLiteral("（なし）") : gui::ToQ(name));
    senderCombo_->setCurrentIndex(std::clamp(current, 0, std::max(0, senderCombo_->count() - 1)));
    // One sender record alone (or none) leaves nothing to choose.
    const bool choice = std::count_if(names.begin(), names.end(), [](const std::string& n) { return !n.empty(); }) > 1;
    senderLabel_->setVisible(choice);
    senderCombo_->setVisible(choice);
}

int PrintFormList::ChosenSender() const
{
    return senderCombo_->currentIndex();
}

int PrintFormList::Choose()
{
    chosen_ = -1;
    Refresh(0);
    exec();
    return chosen_;
}

void PrintFormList::Refresh(int select)
{
    formList_->clear();
    const LineList& list = settings_.FormList();
    for (int i = 0; i < list.GetCount(); ++i)
        formList_->addItem(gui::ToQ(list.GetLine(i)));
    if (formList_->count() > 0)
        formList_->setCurrentRow(std::clamp(select, 0, formList_->count() - 1));
}

void PrintFormList::okClicked()
{
    chosen_ = formList_->currentRow();
    if (chosen_ < 0)
        return;
    accept();
}

void PrintFormList::newClicked()
{
    NewPrintFormDialog dialog(settings_, this);
    if (runDialog(dialog) == QDialog::Accepted)
        Refresh(settings_.FormList().GetCount() - 1);
}

void PrintFormList::renameClicked()
{
    const int row = formList_->currentRow();
    if (row < 0 || row >= settings_.FormList().GetCount())
        return;
    RenamePrintFormDialog dialog(settings_, row, this);
    if (runDialog(dialog) == QDialog::Accepted)
        Refresh(row);
}

void PrintFormList::deleteClicked()
{
    const int row = formList_->currentRow();
    if (ConfirmFormChange(CheckDeletePrintForm(settings_, row), SJ("削除します。よろしいですか？"), false,
            [&] { return DeletePrintForm(settings_, row); }))
        Refresh(row);
}

} // namespace nrt::print
