#pragma once
// The background picture of the preview: a BMP file held as it was read (the 40-byte
// info header, the colour table and the pixel rows), with its pixels as RGB values.

#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

class BmpImage {
public:
    static constexpr std::size_t kFileHeaderSize = 14;
    static constexpr std::size_t kInfoHeaderSize = 40;

    // 1 loaded, 0 not (a file that cannot be opened gives no message; a damaged one
    // shows why, caption "エラー").
    int Load(std::string_view path);
    // The same on the bytes of a file.
    int LoadBytes(std::string_view bytes);
    void Clear();

    bool IsEmpty() const { return data_.empty(); }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    int BitsPerPixel() const { return bits_; }
    std::size_t ColorCount() const { return colors_; }
    // Rows as stored, bottom-up unless the height is negative.
    std::size_t RowSize() const { return rowSize_; }
    // Info header, colour table and pixel block as read.
    const std::string& Data() const { return data_; }

    // The pixel at (x, y), counted from the top-left, as 0xRRGGBB; white outside the
    // image or for a format this loader does not decode (compressed rows).
    std::uint32_t Pixel(std::int32_t x, std::int32_t y) const;

private:
    std::string data_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    bool topDown_ = false;
    int bits_ = 0;
    std::uint32_t compression_ = 0;
    std::size_t colors_ = 0;
    std::size_t rowSize_ = 0;
};

} // namespace nrt
