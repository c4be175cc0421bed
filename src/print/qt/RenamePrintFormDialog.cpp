#include "print/qt/RenamePrintFormDialog.h"

#include "app/DialogButtons.h"
#include "app/EnterFocusFilter.h"
#include "platform/sjis.h"
#include "print/PrintForms.h"
#include "print/qt/FormNameValidator.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::print {

RenamePrintFormDialog::RenamePrintFormDialog(AppSettings& settings, int index, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , index_(index)
{
    setObjectName(QStringLiteral("frmReNameRep"));
    setWindowTitle(QStringLiteral("印刷名を変更する"));
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("txt_Name"));
    nameEdit_->setText(gui::ToQ(settings_.FormList().GetLine(index)));
    SetUpFormNameField(nameEdit_);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("印刷名"), nameEdit_);
    const gui::DialogButtons buttons
        = gui::AddOkCancel(this, QStringLiteral("cmd_Cancel"), QStringLiteral("キャンセル"), [this] { okClicked(); });
    okButton_ = buttons.ok;
    cancelButton_ = buttons.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.box);
    gui::EnterFocusFilter::InstallOn(this);
}

void RenamePrintFormDialog::okClicked()
{
    const std::string name = gui::FromQ(nameEdit_->text());
    ConfirmNameChange(*this, nameEdit_, CheckRenamePrintForm(settings_, index_, name),
        SJ("名前を変更します。よろしいですか？"), [&] { return RenamePrintForm(settings_, index_, name); });
}

} // namespace nrt::print
