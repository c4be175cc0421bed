#pragma once
// The print form name field: at most 30 CP932 bytes, and none of the single-byte
// characters a form name may not hold (IsRefusedNameChar); typing one beeps and is
// dropped.

#include "app/SjisLimitValidator.h"
#include "print/PrintForms.h"

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

// A name dialog's OK after the form list was asked: closed when done, the focus on the
// name when that is what was refused, otherwise left as it is.
void AnswerNameOutcome(QDialog& dialog, QLineEdit* name, FormOutcome outcome);

} // namespace nrt::print
