#include "print/BmpImage.h"

#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <cstdlib>
#include <cstring>

namespace nrt {
namespace {

// Larger pictures than this are taken as memory the program cannot have; a preview
// background is a few hundred pixels square.
constexpr std::uint64_t kMaxImageBytes = 64ull << 20;

std::uint32_t U32(std::string_view b, std::size_t at)
{
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return u;
}

std::uint16_t U16(std::string_view b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

void Fail(const char* utf8Text)
{
    platform::Inform(platform::Utf8ToSjis(utf8Text), SJ("エラー"), platform::MsgIcon::Warning);
}

} // namespace

void BmpImage::Clear()
{
    data_.clear();
    data_.shrink_to_fit();
    width_ = height_ = 0;
    topDown_ = false;
    bits_ = 0;
    compression_ = 0;
    colors_ = 0;
    rowSize_ = 0;
}

int BmpImage::Load(std::string_view path)
{
    std::string bytes;
    if (!platform::fs::IsFile(path) || !platform::fs::ReadFile(path, bytes))
        return 0;
    return LoadBytes(bytes);
}

int BmpImage::LoadBytes(std::string_view bytes)
{
    if (bytes.size() < kFileHeaderSize) {
        Fail("異なる形式のファイルオープンしました。");
        return 0;
    }
    if (U16(bytes, 0) != 0x4D42) {
        Fail("ビットマップ形式のファイルではありません。");
        return 0;
    }
    if (bytes.size() < kFileHeaderSize + kInfoHeaderSize) {
        Fail("異なる形式のファイルオープンしました。");
        return 0;
    }
    const std::string_view info = bytes.substr(kFileHeaderSize, kInfoHeaderSize);
    const auto width = static_cast<std::int32_t>(U32(info, 4));
    const auto height = static_cast<std::int32_t>(U32(info, 8));
    const std::uint16_t planes = U16(info, 12);
    const std::uint16_t bits = U16(info, 14);
    const std::uint32_t compression = U32(info, 16);
    const std::uint32_t used = U32(info, 32);

    std::uint64_t colors = used;
    if (colors == 0)
        colors = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    // ((planes × width × bits + 31) ÷ 32) × 4, without overflow for any header.
    const std::uint64_t bitsPerRow = width > 0 ? std::uint64_t(planes) * std::uint64_t(width) * bits : 0;
    const std::uint64_t rowSize = (bitsPerRow + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(std::llabs(static_cast<long long>(height)));
    const std::uint64_t table = colors * 4;
    if (table > kMaxImageBytes || (rows != 0 && rowSize > kMaxImageBytes / rows)
        || kInfoHeaderSize + table + rowSize * rows > kMaxImageBytes) {
        Fail("メモリ不足です。領域の確保に失敗しました。");
        return 0;
    }
    Clear();
    const std::size_t total = kInfoHeaderSize + static_cast<std::size_t>(table + rowSize * rows);
    data_.assign(total, '\0');
    // The colour table and the rows are taken to follow the info header directly; a
    // file that ends early leaves the rest zero.
    const std::string_view rest = bytes.substr(kFileHeaderSize);
    std::memcpy(data_.data(), rest.data(), std::min(rest.size(), total));
    width_ = width > 0 ? width : 0;
    height_ = static_cast<std::int32_t>(rows);
    topDown_ = height < 0;
    bits_ = bits;
    compression_ = compression;
    colors_ = static_cast<std::size_t>(colors);
    rowSize_ = static_cast<std::size_t>(rowSize);
    return 1;
}

std::uint32_t BmpImage::Pixel(std::int32_t x, std::int32_t y) const
{
    constexpr std::uint32_t kWhite = 0xFFFFFF;
    if (data_.empty() || x < 0 || y < 0 || x >= width_ || y >= height_ || compression_ != 0)
        return kWhite;
    const std::size_t row = topDown_ ? static_cast<std::size_t>(y) : static_cast<std::size_t>(height_ - 1 - y);
    const std::size_t rowStart = kInfoHeaderSize + colors_ * 4 + row * rowSize_;
    const auto* p = reinterpret_cast<const unsigned char*>(data_.data()) + rowStart;
    const auto ux = static_cast<std::size_t>(x);
    // The row as the header sized it must hold the pixel (a header may count no planes).
    if ((ux + 1) * static_cast<std::size_t>(bits_) > rowSize_ * 8)
        return kWhite;
    auto fromTable = [&](std::size_t index) -> std::uint32_t {
        if (index >= colors_)
            return 0;
        const auto* c = reinterpret_cast<const unsigned char*>(data_.data()) + kInfoHeaderSize + index * 4;
        return (std::uint32_t(c[2]) << 16) | (std::uint32_t(c[1]) << 8) | c[0];
    };
    switch (bits_) {
    case 1:
        return fromTable((p[ux / 8] >> (7 - ux % 8)) & 1);
    case 4:
        return fromTable((p[ux / 2] >> (ux % 2 ? 0 : 4)) & 0x0F);
    case 8:
        return fromTable(p[ux]);
    case 16: {
        const unsigned v = p[ux * 2] | (p[ux * 2 + 1] << 8);
        auto scale = [](unsigned c5) { return (c5 << 3) | (c5 >> 2); };
        return (scale((v >> 10) & 31) << 16) | (scale((v >> 5) & 31) << 8) | scale(v & 31);
    }
    case 24:
        return (std::uint32_t(p[ux * 3 + 2]) << 16) | (std::uint32_t(p[ux * 3 + 1]) << 8) | p[ux * 3];
    case 32:
        return (std::uint32_t(p[ux * 4 + 2]) << 16) | (std::uint32_t(p[ux * 4 + 1]) << 8) | p[ux * 4];
    default:
        return kWhite;
    }
}

} // namespace nrt
