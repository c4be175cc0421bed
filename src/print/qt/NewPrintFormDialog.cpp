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

NewPrintFormDialog::NewPrintFormDialog(AppSettings& global, QWidget* parent)
    : QDialog(parent)
    , global_(global)
{
    setObjectName(QStringLiteral("frmNewRep"));
    setWindowTitle(QStringLiteral("印刷の新規作成"));
    cbo_Kind = new QComboBox(this);
    cbo_Kind->setObjectName(QStringLiteral("cbo_Kind"));
    for (const ReportKindInfo& kind : kReportKinds)
        cbo_Kind->addItem(QString::fromUtf8(kind.typeName), kind.kind);
    cbo_Kind->setCurrentIndex(-1);
    txt_Name = new QLineEdit(this);
    txt_Name->setObjectName(QStringLiteral("txt_Name"));
    SetUpFormNameField(txt_Name);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("印刷種類"), cbo_Kind);
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

int NewPrintFormDialog::ChosenKind() const
{
    return cbo_Kind->currentIndex() < 0 ? 0 : cbo_Kind->currentData().toInt();
}

void NewPrintFormDialog::cmd_OkClick()
{
    const std::string name = gui::FromQ(txt_Name->text());
    const int kind = ChosenKind();
    ConfirmNameChange(*this, txt_Name, CheckNewPrintForm(global_, name, kind), SJ("登録します。よろしいですか？"),
        [&] { return CreatePrintForm(global_, name, kind); });
}

} // namespace nrt::print
