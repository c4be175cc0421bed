#pragma once
// One printable text object of a layout: where it stands (0.01 mm), its font as a
// Windows LOGFONTA, its scale in device pixels per 0.01 mm, and its text. The first
// 136 bytes of the layout file's object record are these fields in this order.
//
// Only data and arithmetic live here. Measuring (fitting the thickness) and drawing
// need real fonts and belong to the GUI layer, which works through these accessors;
// the class has no virtual functions, so such operations can be added as members
// defined in a GUI unit without changing anything stored here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class QPainter;

namespace nrt {

// The 60-byte LOGFONTA as stored in layout files.
struct LogFontA {
    static constexpr std::size_t kSize = 60;
    static constexpr std::size_t kFaceSize = 32;

    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 128; // Shift-JIS
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0x31;
    std::array<char, kFaceSize> faceName {}; // NUL-terminated CP932

    // The face name up to its NUL (all 32 bytes when a damaged file left none).
    std::string_view FaceName() const;
    // Cut to 31 bytes at a whole character; the rest of the field is zero-filled.
    void SetFaceName(std::string_view face);

    bool operator==(const LogFontA&) const = default;
};

class TextItem {
public:
    static constexpr std::size_t kRawSize = 136;
    static constexpr std::int32_t kDefaultFontHeight = -562;

    // Read results.
    static constexpr int kReadOk = 0;
    static constexpr int kReadShort = 1; // the file ended inside the record
    static constexpr int kReadBadSize = 2; // the record does not announce 136 bytes

    struct Rect {
        std::int32_t left = 0, top = 0, right = 0, bottom = 0;
        bool operator==(const Rect&) const = default;
    };

    // Position and size 0, font height -562, black text, white background, not
    // opaque, horizontal, no text, draw mode 0; the editor's scale (a 100 x 148 mm card
    // shown as 320 x 470 pixels) until the owner sets the screen's.
    TextItem();

    std::int32_t X() const { return x_; }
    std::int32_t Y() const { return y_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    void SetPosition(std::int32_t x, std::int32_t y)
    {
        x_ = x;
        y_ = y;
    }
    void SetWidth(std::int32_t width) { width_ = width; }
    void SetHeight(std::int32_t height) { height_ = height; }

    bool IsVertical() const { return vertical_ != 0; }
    // A change of direction swaps width and height.
    void SetVertical(bool vertical);

    // In 0.01 mm with the LOGFONT sign convention (negative = em height). Setting it
    // also sets the LOGFONT height to trunc(h x scale y).
    std::int32_t FontHeight() const { return fontHeight_; }
    void SetFontHeight(std::int32_t height);
    const LogFontA& Font() const { return font_; }
    // Takes all of the LOGFONT; the font height becomes trunc(LOGFONT height / scale y).
    void SetFont(const LogFontA& font);
    void SetFaceName(std::string_view face) { font_.SetFaceName(face); }

    double ScaleX() const { return scaleX_; }
    double ScaleY() const { return scaleY_; }
    void SetScaleX(double scale) { scaleX_ = scale; }
    void SetScaleY(double scale) { scaleY_ = scale; }
    // Pixels per 0.01 mm from a device's size in millimetres and in pixels; a size of
    // 0 mm counts as a divisor of 1.
    void SetScale(std::int32_t widthMm, std::int32_t heightMm, std::int32_t widthPx, std::int32_t heightPx);

    std::int32_t Opaque() const { return opaque_; }
    std::uint32_t BackColor() const { return backColor_; }
    std::uint32_t TextColor() const { return textColor_; }

    // An object without text is neither drawn nor hit; the empty text is a text.
    bool HasText() const { return hasText_; }
    std::string_view Text() const { return text_; }
    const char* CText() const { return text_.c_str(); }
    // Copies the text up to a NUL; the capacity grows to length + 2 when the length
    // reaches it.
    void SetText(std::string_view text);
    void ClearText();
    std::int32_t TextLength() const { return length_; }
    std::int32_t TextCapacity() const { return capacity_; }

    // 1 = draw clipped into the frame, 0 = from the reference point; never stored.
    int DrawMode() const { return drawMode_; }
    void SetDrawMode(int mode) { drawMode_ = mode; }

    // The object's rectangle in device pixels at offset 0 (x is the right edge of a
    // vertical column twice the width wide); empty for an object without text.
    Rect FrameRect() const;

    // Measuring and drawing need real fonts; they are defined in the window library
    // (print/qt/TextItemDraw.cpp).
    //
    // Sets the cross-direction size from the font: "W" measured at the object's scale
    // gives a horizontal object its height (the character cell) and a vertical one
    // its width (half the column) plus one pixel. Without text the measure is 0 x 0.
    void FitThickness();
    // Draws the text at offset (ox, oy), 0.01 mm, on a device whose pixels the
    // object's scale counts. With `printableArea` the coordinates measure from the
    // paper's edge on a printer whose origin is the printable area. Draw mode 1 keeps
    // the text inside its frame, condensing a line too long for it along the line;
    // draw mode 0 draws from the reference point unbounded.
    void Draw(QPainter& painter, std::int32_t ox, std::int32_t oy, bool printableArea) const;

    // How a vertical text in draw mode 1 that does not fit its column goes on, as an
    // address does: the columns that follow lie one column width (twice the stored
    // width) further left each.
    struct ColumnFlow {
        int maxColumns = 1; // more than 1: break a line rather than condense it below 80 %
        std::int32_t topIndent = 0; // 0.01 mm below the frame's top where the text starts
        std::int32_t nextIndent = 0; // the same for the columns that follow
    };
    // Draws as above with `flow`; the number of columns drawn (0 without text).
    int Draw(QPainter& painter, std::int32_t ox, std::int32_t oy, bool printableArea, const ColumnFlow& flow) const;
    // The columns the text takes with `flow` at the object's scale.
    int ColumnCount(const ColumnFlow& flow) const;
    // The height of the font's em square, 0.01 mm.
    std::int32_t EmHeight() const;
    // How long `text` is set in the object's font and direction, 0.01 mm.
    std::int32_t LengthOf(std::string_view text) const;

    // Truncation toward zero as the printing arithmetic needs it, kept inside the
    // 32-bit range (and 0 for a value that is not a number) whatever a file holds.
    static std::int32_t Trunc(double value);

    // The 136 stored bytes; the text pointer is written as 0.
    std::array<char, kRawSize> EncodeRaw() const;
    // One object record at bytes[pos]: int32 136, int32 T = length + 1, the 136 bytes,
    // T bytes of text with its NUL. pos moves past what was read. On a short read or
    // a bad size the object is left without text.
    int Read(std::string_view bytes, std::size_t& pos);
    // The position, the size and the font height brought within kGeometryLimit either
    // way (10 m in 0.01 mm): a file from anywhere must not make a drawing step overflow.
    static constexpr std::int32_t kGeometryLimit = 1000000;
    void ClampGeometry();
    void Write(std::string& out) const;

    bool operator==(const TextItem&) const = default;

private:
    void DecodeRaw(const char* raw);

    std::int32_t x_ = 0;
    std::int32_t y_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t fontHeight_ = kDefaultFontHeight;
    std::array<char, 4> reserved1_ {}; // kept as found so a file reads back bit for bit
    double scaleX_ = 0;
    double scaleY_ = 0;
    std::array<char, 8> reserved2_ {};
    std::int32_t vertical_ = 0;
    std::int32_t opaque_ = 0;
    std::uint32_t backColor_ = 0xFFFFFF;
    std::uint32_t textColor_ = 0;
    LogFontA font_;
    std::int32_t length_ = 0;
    std::int32_t capacity_ = 0;
    bool hasText_ = false;
    std::string text_;
    int drawMode_ = 0;
};

} // namespace nrt
