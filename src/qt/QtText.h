#pragma once
// The boundary between the program's CP932 texts and Qt's strings.

#include "platform/sjis.h"

#include <QString>

#include <string>
#include <string_view>

namespace nrt::gui {

inline QString ToQ(std::string_view sjis)
{
    return QString::fromStdString(platform::SjisToUtf8(sjis));
}

inline std::string FromQ(const QString& text)
{
    return platform::Utf8ToSjis(text.toStdString());
}

// Length of a Qt text in CP932 bytes, as every limit of the program counts.
inline int SjisLength(const QString& text)
{
    return static_cast<int>(FromQ(text).size());
}

} // namespace nrt::gui
