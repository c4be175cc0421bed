#include "print/qt/FormNameValidator.h"

#include "platform/MessageHost.h"
#include "print/PrintForms.h"

#include <QDialog>
#include <QLineEdit>

namespace nrt::print {

FormNameValidator::FormNameValidator(QObject* parent)
    : SjisLimitValidator(kMaxBytes, parent)
{
}

QValidator::State FormNameValidator::validate(QString& input, int& pos) const
{
    for (const QChar c : input)
        if (c.unicode() < 0x80 && IsRefusedNameChar(static_cast<unsigned char>(c.unicode()))) {
            platform::Beep();
            return Invalid;
        }
    return SjisLimitValidator::validate(input, pos);
}

void SetUpFormNameField(QLineEdit* field)
{
    field->setValidator(new FormNameValidator(field));
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
}

void AnswerNameOutcome(QDialog& dialog, QLineEdit* name, FormOutcome outcome)
{
    switch (outcome) {
    case FormOutcome::Done:
        dialog.accept();
        break;
    case FormOutcome::RefusedAtName:
        name->setFocus();
        break;
    case FormOutcome::Refused:
    case FormOutcome::Declined:
        break;
    }
}

} // namespace nrt::print
