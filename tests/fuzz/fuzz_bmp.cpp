// The background picture loader on arbitrary bytes: it loads or refuses, and every
// pixel of what it loaded can be read.
#include "platform/MessageHost.h"
#include "print/BmpImage.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nrt;
    static platform::RecordingMessageHost host;
    static platform::ScopedMessageHost scoped(host);
    host.shown.clear();
    BmpImage picture;
    if (picture.LoadBytes(std::string_view(reinterpret_cast<const char*>(data), size)) != 1)
        return 0;
    // A grid of samples over the whole picture, its edges and just outside them.
    std::uint32_t sum = 0;
    const std::int64_t w = picture.Width(), h = picture.Height();
    for (int j = -1; j <= 33; ++j)
        for (int i = -1; i <= 33; ++i) {
            const auto x = static_cast<std::int32_t>(i < 0 ? -1 : i > 32 ? w : i * (w - 1) / 32);
            const auto y = static_cast<std::int32_t>(j < 0 ? -1 : j > 32 ? h : j * (h - 1) / 32);
            sum += picture.Pixel(x, y);
        }
    return sum == 0xFFFFFFFF ? 0 : 0;
}
