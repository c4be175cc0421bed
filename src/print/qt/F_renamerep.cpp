#include "print/qt/F_renamerep.h"

#include "app/EnterFocusFilter.h"
#include "app/QtText.h"
#include "print/PrintForms.h"
#include "print/qt/FormNameValidator.h"
#include "settings/Cmyglobal.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::print {

TfrmReNameRep::TfrmReNameRep(CMyGlobal& global, int index, QWidget* parent)
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
    auto* buttons = new QDialogButtonBox(this);
    cmd_Ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmd_Ok->setObjectName(QStringLiteral("cmd_Ok"));
    cmd_Cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cmd_Cancel->setObjectName(QStringLiteral("cmd_Cancel"));
    cmd_Ok->setAutoDefault(false);
    cmd_Cancel->setAutoDefault(false);
    connect(cmd_Ok, &QPushButton::clicked, this, &TfrmReNameRep::cmd_OkClick);
    connect(cmd_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    gui::EnterFocusFilter::InstallOn(this);
}

void TfrmReNameRep::cmd_OkClick()
{
    switch (RenamePrintForm(global_, index_, gui::FromQ(txt_Name->text()))) {
    case FormOutcome::Done:
        accept();
        break;
    case FormOutcome::RefusedAtName:
        txt_Name->setFocus();
        break;
    case FormOutcome::Refused:
    case FormOutcome::Declined:
        break;
    }
}

} // namespace nrt::print
