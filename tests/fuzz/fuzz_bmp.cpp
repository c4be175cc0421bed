// The background picture loader on arbitrary bytes: it loads or refuses, and every
// pixel of what it loaded can be read.
#include "platform/MessageHost.h"
#include "print/CMyBitmap.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nrt;
    static platform::RecordingMessageHost host;
    static platform::ScopedMessageHost scoped(host);
    host.shown.clear();
    CMyBitmap picture;
    if (picture.LoadBytes(std::string_view(reinterpret_cast<const char*>(data), size)) != 1)
        return 0;
    // A grid of samples over the whole picture, corners and edges included.
    std::uint32_t sum = 0;
    const std::int32_t w = picture.Width(), h = picture.Height();
    const std::int32_t stepX = std::max<std::int32_t>(1, w / 64), stepY = std::max<std::int32_t>(1, h / 64);
    for (std::int32_t y = -1; y <= h; y += (y < 0 || y + stepY > h ? 1 : stepY))
        for (std::int32_t x = -1; x <= w; x += (x < 0 || x + stepX > w ? 1 : stepX))
            sum += picture.Pixel(x, y);
    return sum == 0xFFFFFFFF ? 0 : 0;
}
