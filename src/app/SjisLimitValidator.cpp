#include "app/SjisLimitValidator.h"

#include "platform/Kana.h"
#include "qt/QtText.h"

namespace nrt::gui {

QValidator::State SjisLimitValidator::validate(QString& input, int& /*pos*/) const
{
    bool ok = true;
    std::string sjis = platform::Utf8ToSjis(input.toStdString(), &ok);
    if (!ok)
        return Invalid;
    if (width_ == kNarrow) {
        // One character for one: the cursor stays where it is.
        sjis = platform::NarrowAlphanumerics(sjis);
        input = ToQ(sjis);
    }
    return static_cast<int>(sjis.size()) <= maxBytes_ ? Acceptable : Invalid;
}

void SjisLimitValidator::fixup(QString& input) const
{
    // Cut whole characters until the text fits (pasted text may be too long).
    const std::string sjis = FromQ(input);
    input = ToQ(platform::CutToBytes(sjis, static_cast<std::size_t>(maxBytes_)));
}

} // namespace nrt::gui
