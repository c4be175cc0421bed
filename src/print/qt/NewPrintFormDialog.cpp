#include "print/qt/NewPrintFormDialog.h"

#include "app/DialogButtons.h"
#include "app/EnterFocusFilter.h"
#include "platform/sjis.h"
#include "print/PrintForms.h"
#include "print/qt/FormNameValidator.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"
#include "settings/LayoutDefaults.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::print {

NewPrintFormDialog::NewPrintFormDialog(AppSettings& settings, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
{
    setObjectName(QStringLiteral("frmNewRep"));
    setWindowTitle(QStringLiteral("印刷の新規作成"));
    kindCombo_ = new QComboBox(this);
    kindCombo_->setObjectName(QStringLiteral("cbo_Kind"));
    for (const FormKindInfo& kind : kFormKinds)
        kindCombo_->addItem(QString::fromUtf8(kind.typeName), kind.kind);
    kindCombo_->setCurrentIndex(-1);
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("txt_Name"));
    SetUpFormNameField(nameEdit_);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("印刷種類"), kindCombo_);
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

int NewPrintFormDialog::ChosenKind() const
{
    return kindCombo_->currentIndex() < 0 ? 0 : kindCombo_->currentData().toInt();
}

void NewPrintFormDialog::okClicked()
{
    const std::string name = gui::FromQ(nameEdit_->text());
    const int kind = ChosenKind();
    ConfirmNameChange(*this, nameEdit_, CheckNewPrintForm(settings_, name, kind), SJ("登録します。よろしいですか？"),
        [&] { return CreatePrintForm(settings_, name, kind); });
}

} // namespace nrt::print
