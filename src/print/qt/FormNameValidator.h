#pragma once
// The print form name field: at most 30 CP932 bytes, and none of the single-byte
// characters a form name may not hold (IsRefusedNameChar); typing one beeps and is
// dropped.

#include "app/SjisLimitValidator.h"
#include "print/PrintForms.h"

#include <functional>
#include <string_view>

class QDialog;
class QLineEdit;

namespace nrt::print {

class FormNameValidator : public gui::SjisLimitValidator {
    Q_OBJECT
public:
    static constexpr int kMaxBytes = 30;
    explicit FormNameValidator(QObject* parent);
    State validate(QString& input, int& pos) const override;
};

// The validator on the field, with the input method open for Japanese names.
void SetUpFormNameField(QLineEdit* field);

// A change of the print forms the user confirms: what the check refuses is said;
// otherwise `question` is asked (`yesFirst`: Yes preselected) and on Yes the change
// is made and what it came to said. True when the change was made, even where what
// followed it failed.
bool ConfirmFormChange(const FormResult& checked, std::string_view question, bool yesFirst,
    const std::function<FormResult()>& change, FormResult* outcome = nullptr);

// A name dialog's OK: the change confirmed, then the dialog closed when it was made,
// the focus on the name when that is what was refused, otherwise left as it is.
void ConfirmNameChange(QDialog& dialog, QLineEdit* name, const FormResult& checked, std::string_view question,
    const std::function<FormResult()>& change);

} // namespace nrt::print
