#include "platform/SystemError.h"

#include "platform/sjis.h"

#include <cstring>

namespace nrt::platform {

std::string ErrorText(int error)
{
    if (error == 0)
        return {};
    char buffer[256];
    // The GNU strerror_r: the text may be a static one instead of the buffer.
    const char* text = ::strerror_r(error, buffer, sizeof buffer);
    return Utf8ToSjis(text);
}

} // namespace nrt::platform
