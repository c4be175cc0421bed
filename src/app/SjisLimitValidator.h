#pragma once
// Limits a line edit to a number of CP932 bytes (a double-byte character counts two)
// and to what CP932 can hold. For fields the program reads as ASCII (dates), full-width
// digits and letters typed there become their ASCII forms as they are typed.

#include <QValidator>

namespace nrt::gui {

class SjisLimitValidator : public QValidator {
    Q_OBJECT
public:
    enum Width { kAsTyped, kNarrow };
    SjisLimitValidator(int maxBytes, QObject* parent, Width width = kAsTyped)
        : QValidator(parent)
        , maxBytes_(maxBytes)
        , width_(width)
    {
    }
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    int maxBytes() const { return maxBytes_; }

private:
    int maxBytes_;
    Width width_;
};

} // namespace nrt::gui
