#include "app/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace nrt::gui {

DialogButtons AddOkCancel(
    QDialog* dialog, const QString& cancelName, const QString& cancelCaption, std::function<void()> onOk)
{
    DialogButtons b;
    b.box = new QDialogButtonBox(dialog);
    b.ok = b.box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    b.ok->setObjectName(QStringLiteral("cmd_Ok"));
    b.cancel = b.box->addButton(cancelCaption, QDialogButtonBox::RejectRole);
    b.cancel->setObjectName(cancelName);
    b.ok->setAutoDefault(false);
    b.cancel->setAutoDefault(false);
    QObject::connect(b.ok, &QPushButton::clicked, dialog, std::move(onOk));
    QObject::connect(b.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return b;
}

} // namespace nrt::gui
