#include "print/TextItem.h"

#include "platform/sjis.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace nrt {
namespace {

void Put32(char* p, std::uint32_t u)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

void Put64(char* p, std::uint64_t u)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

std::uint32_t Get32(const char* p)
{
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(p[i]);
    return u;
}

std::uint64_t Get64(const char* p)
{
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(p[i]);
    return u;
}

std::int32_t GetInt(const char* p)
{
    return static_cast<std::int32_t>(Get32(p));
}

void PutInt(char* p, std::int32_t v)
{
    Put32(p, static_cast<std::uint32_t>(v));
}

// Offsets of the stored fields.
constexpr std::size_t kOffX = 0, kOffY = 4, kOffWidth = 8, kOffHeight = 12, kOffFontHeight = 16, kOffReserved1 = 20,
                      kOffScaleX = 24, kOffScaleY = 32, kOffReserved2 = 40, kOffVertical = 48, kOffOpaque = 52,
                      kOffBackColor = 56, kOffTextColor = 60, kOffFont = 64, kOffLength = 124, kOffCapacity = 128,
                      kOffPointer = 132;
static_assert(kOffFont + LogFontA::kSize == kOffLength);
static_assert(kOffPointer + 4 == TextItem::kRawSize);

constexpr std::int32_t kEditorWidthMm = 100, kEditorHeightMm = 148, kEditorWidthPx = 320, kEditorHeightPx = 470;

} // namespace

std::string_view LogFontA::FaceName() const
{
    const void* nul = std::memchr(faceName.data(), 0, faceName.size());
    const std::size_t n
        = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - faceName.data()) : faceName.size();
    return std::string_view(faceName.data(), n);
}

void LogFontA::SetFaceName(std::string_view face)
{
    if (const std::size_t nul = face.find('\0'); nul != std::string_view::npos)
        face = face.substr(0, nul);
    face = platform::CutToBytes(face, kFaceSize - 1);
    faceName.fill(0);
    std::memcpy(faceName.data(), face.data(), face.size());
}

TextItem::TextItem()
{
    font_.SetFaceName(SJ("ＭＳ ゴシック"));
    SetScale(kEditorWidthMm, kEditorHeightMm, kEditorWidthPx, kEditorHeightPx);
    SetFontHeight(kDefaultFontHeight);
}

std::int32_t TextItem::Trunc(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

void TextItem::SetVertical(bool vertical)
{
    const std::int32_t v = vertical ? 1 : 0;
    if (v != vertical_)
        std::swap(width_, height_);
    vertical_ = v;
}

void TextItem::SetFontHeight(std::int32_t height)
{
    fontHeight_ = height;
    font_.height = Trunc(height * scaleY_);
}

void TextItem::SetFont(const LogFontA& font)
{
    font_ = font;
    fontHeight_ = Trunc(font.height / scaleY_);
}

void TextItem::SetScale(std::int32_t widthMm, std::int32_t heightMm, std::int32_t widthPx, std::int32_t heightPx)
{
    const double dx = widthMm ? widthMm * 100.0 : 1.0;
    const double dy = heightMm ? heightMm * 100.0 : 1.0;
    scaleX_ = widthPx / dx;
    scaleY_ = heightPx / dy;
}

void TextItem::SetText(std::string_view text)
{
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    const auto length = static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX - 3));
    if (length >= capacity_)
        capacity_ = length + 2;
    text_.assign(text.substr(0, static_cast<std::size_t>(length)));
    length_ = length;
    hasText_ = true;
}

void TextItem::ClearText()
{
    text_.clear();
    hasText_ = false;
    length_ = 0;
    capacity_ = 0;
}

TextItem::Rect TextItem::FrameRect() const
{
    if (!hasText_)
        return {};
    const double x = x_, y = y_, w = width_, h = height_;
    const double left = vertical_ ? x - 2 * w : x;
    const double right = vertical_ ? x : x + w;
    return { Trunc(left * scaleX_), Trunc(y * scaleY_), Trunc(right * scaleX_), Trunc((y + h) * scaleY_) };
}

std::array<char, TextItem::kRawSize> TextItem::EncodeRaw() const
{
    std::array<char, kRawSize> raw {};
    char* p = raw.data();
    PutInt(p + kOffX, x_);
    PutInt(p + kOffY, y_);
    PutInt(p + kOffWidth, width_);
    PutInt(p + kOffHeight, height_);
    PutInt(p + kOffFontHeight, fontHeight_);
    std::memcpy(p + kOffReserved1, reserved1_.data(), reserved1_.size());
    Put64(p + kOffScaleX, std::bit_cast<std::uint64_t>(scaleX_));
    Put64(p + kOffScaleY, std::bit_cast<std::uint64_t>(scaleY_));
    std::memcpy(p + kOffReserved2, reserved2_.data(), reserved2_.size());
    PutInt(p + kOffVertical, vertical_);
    PutInt(p + kOffOpaque, opaque_);
    Put32(p + kOffBackColor, backColor_);
    Put32(p + kOffTextColor, textColor_);
    char* f = p + kOffFont;
    PutInt(f + 0, font_.height);
    PutInt(f + 4, font_.width);
    PutInt(f + 8, font_.escapement);
    PutInt(f + 12, font_.orientation);
    PutInt(f + 16, font_.weight);
    const std::uint8_t bytes[8] = { font_.italic, font_.underline, font_.strikeOut, font_.charSet, font_.outPrecision,
        font_.clipPrecision, font_.quality, font_.pitchAndFamily };
    std::memcpy(f + 20, bytes, sizeof bytes);
    std::memcpy(f + 28, font_.faceName.data(), font_.faceName.size());
    PutInt(p + kOffLength, length_);
    PutInt(p + kOffCapacity, capacity_);
    PutInt(p + kOffPointer, 0);
    return raw;
}

void TextItem::DecodeRaw(const char* p)
{
    x_ = GetInt(p + kOffX);
    y_ = GetInt(p + kOffY);
    width_ = GetInt(p + kOffWidth);
    height_ = GetInt(p + kOffHeight);
    fontHeight_ = GetInt(p + kOffFontHeight);
    std::memcpy(reserved1_.data(), p + kOffReserved1, reserved1_.size());
    scaleX_ = std::bit_cast<double>(Get64(p + kOffScaleX));
    scaleY_ = std::bit_cast<double>(Get64(p + kOffScaleY));
    std::memcpy(reserved2_.data(), p + kOffReserved2, reserved2_.size());
    vertical_ = GetInt(p + kOffVertical);
    opaque_ = GetInt(p + kOffOpaque);
    backColor_ = Get32(p + kOffBackColor);
    textColor_ = Get32(p + kOffTextColor);
    const char* f = p + kOffFont;
    font_.height = GetInt(f + 0);
    font_.width = GetInt(f + 4);
    font_.escapement = GetInt(f + 8);
    font_.orientation = GetInt(f + 12);
    font_.weight = GetInt(f + 16);
    std::uint8_t bytes[8];
    std::memcpy(bytes, f + 20, sizeof bytes);
    font_.italic = bytes[0];
    font_.underline = bytes[1];
    font_.strikeOut = bytes[2];
    font_.charSet = bytes[3];
    font_.outPrecision = bytes[4];
    font_.clipPrecision = bytes[5];
    font_.quality = bytes[6];
    font_.pitchAndFamily = bytes[7];
    std::memcpy(font_.faceName.data(), f + 28, font_.faceName.size());
    length_ = GetInt(p + kOffLength);
    capacity_ = GetInt(p + kOffCapacity);
}

int TextItem::Read(std::string_view bytes, std::size_t& pos)
{
    if (pos > bytes.size())
        pos = bytes.size();
    auto remaining = [&] { return bytes.size() - pos; };
    if (remaining() < 8) {
        ClearText();
        pos = bytes.size();
        return kReadShort;
    }
    const std::int32_t size = GetInt(bytes.data() + pos);
    const std::int32_t textBytes = GetInt(bytes.data() + pos + 4);
    pos += 8;
    if (size != static_cast<std::int32_t>(kRawSize) || textBytes < 0) {
        ClearText();
        return kReadBadSize;
    }
    if (remaining() < kRawSize) {
        ClearText();
        pos = bytes.size();
        return kReadShort;
    }
    DecodeRaw(bytes.data() + pos);
    pos += kRawSize;
    if (remaining() < static_cast<std::size_t>(textBytes)) {
        ClearText();
        pos = bytes.size();
        return kReadShort;
    }
    std::string_view text = bytes.substr(pos, static_cast<std::size_t>(textBytes));
    pos += static_cast<std::size_t>(textBytes);
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    // The stored length and capacity stand unless they contradict the text found.
    text_.assign(text);
    hasText_ = true;
    length_ = static_cast<std::int32_t>(text_.size());
    if (capacity_ < length_)
        capacity_ = length_ + 2;
    return kReadOk;
}

void TextItem::ClampGeometry()
{
    for (std::int32_t* v : { &x_, &y_, &width_, &height_, &fontHeight_, &font_.height, &font_.width })
        *v = std::clamp(*v, -kGeometryLimit, kGeometryLimit);
}

void TextItem::Write(std::string& out) const
{
    char head[8];
    PutInt(head, static_cast<std::int32_t>(kRawSize));
    PutInt(head + 4, length_ + 1);
    out.append(head, sizeof head);
    const auto raw = EncodeRaw();
    out.append(raw.data(), raw.size());
    out.append(text_);
    out.push_back('\0');
}

} // namespace nrt
