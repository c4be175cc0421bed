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

PrintFormList::PrintFormList(AppSettings& global, Mode mode, QWidget* parent)
    : QDialog(parent)
    , global_(global)
{
    setObjectName(QStringLiteral("frmPrnSelect"));
    setWindowTitle(QStringLiteral("用紙リスト"));
    lst_Name = new QListWidget(this);
    lst_Name->setObjectName(QStringLiteral("lst_Name"));
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmd_Ok = button("cmd_Ok", "選択(&S)...");
    cmd_Cancel = button("cmd_Cancel", "キャンセル(&C)");
    cmd_New = button("cmd_New", "新規用紙(&N)...");
    cmd_ReName = button("cmd_ReName", "名前変更(&R)...");
    cmd_Del = button("cmd_Del", "削除(&D)");
    // Return on the list chooses the form under the cursor.
    cmd_Ok->setDefault(true);
    const bool manage = mode == Mode::Manage;
    cmd_New->setEnabled(manage);
    cmd_ReName->setEnabled(manage);
    cmd_Del->setEnabled(manage);

    connect(cmd_Ok, &QPushButton::clicked, this, &PrintFormList::cmd_OkClick);
    connect(cmd_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmd_New, &QPushButton::clicked, this, &PrintFormList::cmd_NewClick);
    connect(cmd_ReName, &QPushButton::clicked, this, &PrintFormList::cmd_ReNameClick);
    connect(cmd_Del, &QPushButton::clicked, this, &PrintFormList::cmd_DelClick);
    connect(lst_Name, &QListWidget::itemDoubleClicked, this, &PrintFormList::cmd_OkClick);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : { cmd_Ok, cmd_Cancel, cmd_New, cmd_ReName, cmd_Del })
        buttons->addWidget(b);
    buttons->addStretch();
    lbl_Sender = new QLabel(QStringLiteral("差出人"), this);
    cbo_Sender = new QComboBox(this);
    cbo_Sender->setObjectName(QStringLiteral("cbo_Sender"));
    lbl_Sender->setBuddy(cbo_Sender);
    lbl_Sender->hide();
    cbo_Sender->hide();
    auto* layout = new QGridLayout(this);
    layout->addWidget(lst_Name, 0, 0);
    layout->addLayout(buttons, 0, 1, 2, 1);
    auto* sender = new QHBoxLayout;
    sender->addWidget(lbl_Sender);
    sender->addWidget(cbo_Sender, 1);
    layout->addLayout(sender, 1, 0);
    resize(420, 300);
    Refresh(0);
}

void PrintFormList::OfferSenders(const std::vector<std::string>& names, int current)
{
    cbo_Sender->clear();
    for (const std::string& name : names)
        cbo_Sender->addItem(name.empty() ? QStringLiteral("（なし）") : gui::ToQ(name));
    cbo_Sender->setCurrentIndex(std::clamp(current, 0, std::max(0, cbo_Sender->count() - 1)));
    // One sender record alone (or none) leaves nothing to choose.
    const bool choice = std::count_if(names.begin(), names.end(), [](const std::string& n) { return !n.empty(); }) > 1;
    lbl_Sender->setVisible(choice);
    cbo_Sender->setVisible(choice);
}

int PrintFormList::ChosenSender() const
{
    return cbo_Sender->currentIndex();
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
    lst_Name->clear();
    const LineList& list = global_.ReportList();
    for (int i = 0; i < list.GetCount(); ++i)
        lst_Name->addItem(gui::ToQ(list.GetLine(i)));
    if (lst_Name->count() > 0)
        lst_Name->setCurrentRow(std::clamp(select, 0, lst_Name->count() - 1));
}

void PrintFormList::cmd_OkClick()
{
    chosen_ = lst_Name->currentRow();
    if (chosen_ < 0)
        return;
    accept();
}

void PrintFormList::cmd_NewClick()
{
    NewPrintFormDialog dialog(global_, this);
    if (runDialog(dialog) == QDialog::Accepted)
        Refresh(global_.ReportList().GetCount() - 1);
}

void PrintFormList::cmd_ReNameClick()
{
    const int row = lst_Name->currentRow();
    if (row < 0 || row >= global_.ReportList().GetCount())
        return;
    RenamePrintFormDialog dialog(global_, row, this);
    if (runDialog(dialog) == QDialog::Accepted)
        Refresh(row);
}

void PrintFormList::cmd_DelClick()
{
    const int row = lst_Name->currentRow();
    if (ConfirmFormChange(CheckDeletePrintForm(global_, row), SJ("削除します。よろしいですか？"), false,
            [&] { return DeletePrintForm(global_, row); }))
        Refresh(row);
}

} // namespace nrt::print
