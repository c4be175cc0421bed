#pragma once
// Limits a line edit to a number of CP932 bytes (a double-byte character counts two)
// and to what CP932 can hold.

#include <QValidator>

namespace nrt::gui {

class SjisLimitValidator : public QValidator {
    Q_OBJECT
public:
    SjisLimitValidator(int maxBytes, QObject* parent) : QValidator(parent), maxBytes_(maxBytes) {}
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    int maxBytes() const { return maxBytes_; }

private:
    int maxBytes_;
};

} // namespace nrt::gui
