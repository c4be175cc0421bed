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

bool ConfirmFormChange(const FormResult& checked, std::string_view question, bool yesFirst,
    const std::function<FormResult()>& change, FormResult* outcome)
{
    FormResult result = checked;
    bool made = false;
    if (checked.Done() && platform::Ask(question, yesFirst)) {
        result = change();
        // A list file not written leaves the change made, for this run.
        made = result.Done() || result.change == FormChange::ListNotSaved;
    }
    if (const std::string message = result.Message(); !message.empty())
        platform::Warn(message);
    if (outcome)
        *outcome = result;
    return made;
}

void ConfirmNameChange(QDialog& dialog, QLineEdit* name, const FormResult& checked, std::string_view question,
    const std::function<FormResult()>& change)
{
    FormResult result;
    if (ConfirmFormChange(checked, question, true, change, &result))
        dialog.accept();
    else if (result.AtName())
        name->setFocus();
}

} // namespace nrt::print
