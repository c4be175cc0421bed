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

RenamePrintFormDialog::RenamePrintFormDialog(AppSettings& global, int index, QWidget* parent)
    : QDialog(parent)
    , global_(global)
    , index_(index)
{
    setObjectName(QStringLiteral("frmReNameRep"));
    setWindowTitle(QStringLiteral("印刷名を変更する"));
    txt_Name = new QLineEdit(this);
    txt_Name->setObjectName(QStringLiteral("txt_Name"));
    txt_Name->setText(gui::ToQ(global_.ReportList().GetLine(index)));
    SetUpFormNameField(txt_Name);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("印刷名"), txt_Name);
    const gui::DialogButtons buttons
        = gui::AddOkCancel(this, QStringLiteral("cmd_Cancel"), QStringLiteral("キャンセル"), [this] { cmd_OkClick(); });
    cmd_Ok = buttons.ok;
    cmd_Cancel = buttons.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.box);
    gui::EnterFocusFilter::InstallOn(this);
}

void RenamePrintFormDialog::cmd_OkClick()
{
    const std::string name = gui::FromQ(txt_Name->text());
    ConfirmNameChange(*this, txt_Name, CheckRenamePrintForm(global_, index_, name),
        SJ("名前を変更します。よろしいですか？"), [&] { return RenamePrintForm(global_, index_, name); });
}

} // namespace nrt::print
