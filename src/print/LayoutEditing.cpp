#include "print/LayoutEditing.h"

#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "print/CustomerBarcode.h"

#include <algorithm>
#include <cstdio>

namespace nrt {
namespace {

constexpr std::int64_t kValueLimit = 100000;

// Whole millimetres, half a millimetre rounding up (toward zero for negatives, as
// integer division goes).
std::int32_t SnapToMm(std::int32_t v)
{
    return static_cast<std::int32_t>((static_cast<std::int64_t>(v) + 50) / 100 * 100);
}

std::int32_t SnapSize(std::int32_t v)
{
    const std::int32_t snapped = SnapToMm(v);
    return snapped > 0 ? snapped : 10;
}

bool ParseFailed(ValueParse status)
{
    switch (status) {
    case ValueParse::Empty:
        platform::Beep();
        platform::Warn(SJ("未入力です。"));
        return true;
    case ValueParse::BadChar:
        platform::Beep();
        platform::Warn(SJ("不正な値が入力されました。"));
        return true;
    case ValueParse::TooLarge:
        platform::Beep();
        platform::Warn(SJ("サイズがオーバーしました。"));
        return true;
    case ValueParse::Ok:
        break;
    }
    return false;
}

} // namespace

ParsedValue ParseHundredths(std::string_view text)
{
    ParsedValue out;
    if (text.empty()) {
        out.status = ValueParse::Empty;
        return out;
    }
    for (char c : text) {
        if ((c < '0' || c > '9') && c != '.') {
            out.status = ValueParse::BadChar;
            return out;
        }
    }
    // Whole part, then at most two decimals; a second "." ends the number.
    std::int64_t value = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] != '.'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), kValueLimit);
    value *= 100;
    if (i < text.size()) {
        ++i;
        std::int64_t scale = 10;
        for (; i < text.size() && text[i] != '.' && scale > 0; ++i, scale /= 10)
            value += (text[i] - '0') * scale;
    }
    if (value >= kValueLimit) {
        out.status = ValueParse::TooLarge;
        out.value = static_cast<std::int32_t>(std::min<std::int64_t>(value, INT32_MAX));
        return out;
    }
    out.value = static_cast<std::int32_t>(value);
    return out;
}

std::string FormatHundredths(std::int32_t value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%4.2f", value * 0.01);
    return buf;
}

bool FrameContains(const FrameRect& frame, int x, int y)
{
    return frame.left <= x && x <= frame.right && frame.top <= y && y <= frame.bottom;
}

int HitSlot(const LayoutTable& items, int selected, int x, int y)
{
    auto hit = [&](int i) {
        const LayoutItem& item = items[static_cast<std::size_t>(i)];
        return item.shown && item.object.HasText() && FrameContains(item.object.FrameRect(), x, y);
    };
    if (selected >= 0 && selected < kLayoutSlots && hit(selected))
        return selected;
    for (int i = 0; i < kLayoutSlots; ++i)
        if (hit(i))
            return i;
    return -1;
}

DragMode DragModeAt(const FrameRect& f, int x, int y)
{
    auto in = [](int v, int lo, int hi) { return lo <= v && v <= hi; };
    const bool left = in(x, f.left, f.left + 4), right = in(x, f.right - 4, f.right);
    const bool top = in(y, f.top, f.top + 4), bottom = in(y, f.bottom - 4, f.bottom);
    const int mx = f.left + (f.right - f.left) / 2, my = f.top + (f.bottom - f.top) / 2;
    const bool midX = in(x, mx - 2, mx + 2), midY = in(y, my - 2, my + 2);
    DragMode mode = kDragMove;
    if (left && top)
        mode = kDragTopLeft;
    if (right && top)
        mode = kDragTopRight;
    if (left && bottom)
        mode = kDragBottomLeft;
    if (right && bottom)
        mode = kDragBottomRight;
    if (midX && top)
        mode = kDragTop;
    if (midX && bottom)
        mode = kDragBottom;
    if (left && midY)
        mode = kDragLeft;
    if (right && midY)
        mode = kDragRight;
    return mode;
}

FrameRect DragBand(const FrameRect& band, DragMode mode, int x, int y, int grabX, int grabY)
{
    FrameRect b = band;
    if (mode == kDragMove) {
        const int w = b.right - b.left, h = b.bottom - b.top;
        b.left = x - grabX;
        b.top = y - grabY;
        b.right = b.left + w;
        b.bottom = b.top + h;
        return b;
    }
    const bool movesLeft = mode == kDragTopLeft || mode == kDragBottomLeft || mode == kDragLeft;
    const bool movesRight = mode == kDragTopRight || mode == kDragBottomRight || mode == kDragRight;
    const bool movesTop = mode == kDragTopLeft || mode == kDragTopRight || mode == kDragTop;
    const bool movesBottom = mode == kDragBottomLeft || mode == kDragBottomRight || mode == kDragBottom;
    if (movesLeft)
        b.left = std::min(x, b.right - kMinBand);
    if (movesRight)
        b.right = std::max(x, b.left + kMinBand);
    if (movesTop)
        b.top = std::min(y, b.bottom - kMinBand);
    if (movesBottom)
        b.bottom = std::max(y, b.top + kMinBand);
    return b;
}

DragResult ReleaseDrag(const TextItem& object, const FrameRect& band, DragMode mode, int scrollX, int scrollY,
    std::int32_t paperWidth, std::int32_t paperHeight)
{
    DragResult r;
    const double sx = object.ScaleX(), sy = object.ScaleY();
    const int edge = object.IsVertical() ? band.right : band.left;
    r.x = std::min(SnapToMm(TextItem::Trunc((scrollX + edge) / sx)), paperWidth - 100);
    r.y = std::min(SnapToMm(TextItem::Trunc((scrollY + band.top) / sy)), paperHeight - 100);
    if (mode != kDragMove) {
        int w = band.right - band.left;
        if (object.IsVertical())
            w /= 2;
        r.resized = true;
        r.width = SnapSize(TextItem::Trunc(w / sx));
        r.height = SnapSize(TextItem::Trunc((band.bottom - band.top) / sy));
    }
    return r;
}

void NudgeSlot(TextItem& object, std::int32_t dx, std::int32_t dy, std::int32_t paperWidth, std::int32_t paperHeight)
{
    auto keep = [](std::int64_t v, std::int32_t paper) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, std::max(paper - 100, 0)));
    };
    object.SetPosition(keep(static_cast<std::int64_t>(object.X()) + dx, paperWidth),
        keep(static_cast<std::int64_t>(object.Y()) + dy, paperHeight));
}

std::string LabelSummary(const LayoutHeader& h)
{
    if (h.labelSheet == 0)
        return {};
    const std::string sheet = SJ("用紙:") + FormatHundredths(h.sheetWidth) + " x " + FormatHundredths(h.sheetHeight);
    char counts[64];
    std::snprintf(counts, sizeof counts, " %s:%d %s:%d", SJ("列").c_str(), static_cast<int>(h.columns),
        SJ("行").c_str(), static_cast<int>(h.rows));
    return sheet + counts;
}

bool IsLabelCount(LabelField field)
{
    return field == kLabelColumns || field == kLabelRows;
}

LabelTexts LabelTextsOf(const LayoutHeader& h)
{
    return { FormatHundredths(h.sheetWidth), FormatHundredths(h.sheetHeight), FormatHundredths(h.marginLeft),
        FormatHundredths(h.marginTop), FormatHundredths(h.paperWidth), FormatHundredths(h.paperHeight),
        FormatHundredths(h.gapX), FormatHundredths(h.gapY), std::to_string(h.columns), std::to_string(h.rows) };
}

bool ParseLabelField(LabelField field, std::string_view text, std::int32_t& value, std::string& shown)
{
    const ParsedValue parsed = ParseHundredths(text);
    if (ParseFailed(parsed.status))
        return false;
    if (IsLabelCount(field)) {
        value = parsed.value / 100;
        shown = std::to_string(value);
    } else {
        value = parsed.value;
        shown = FormatHundredths(value);
    }
    return true;
}

int ApplyLabelFields(const LabelTexts& texts, bool checked, LayoutHeader& header)
{
    if (!checked) {
        header.labelSheet = 0;
        return kLabelFieldCount;
    }
    std::array<std::int32_t, kLabelFieldCount> v {};
    std::string shown;
    auto parse = [&](LabelField f) { return ParseLabelField(f, texts[f], v[f], shown); };
    auto refuse = [](const char* utf8, LabelField focus) {
        platform::Warn(platform::Utf8ToSjis(utf8));
        return static_cast<int>(focus);
    };

    if (!parse(kLabelSheetWidth))
        return kLabelSheetWidth;
    if (v[kLabelSheetWidth] < 1000)
        return refuse("サイズが小さいです。", kLabelSheetWidth);
    if (!parse(kLabelSheetHeight))
        return kLabelSheetHeight;
    if (v[kLabelSheetHeight] < 1000)
        return refuse("サイズが小さいです。", kLabelSheetHeight);
    for (LabelField f : { kLabelMarginLeft, kLabelMarginTop })
        if (!parse(f))
            return f;
    if (!parse(kLabelCellWidth))
        return kLabelCellWidth;
    if (v[kLabelCellWidth] > v[kLabelSheetWidth])
        return refuse("「用紙幅」が「幅」より小さいです。", kLabelSheetWidth);
    if (v[kLabelCellWidth] <= 100)
        return refuse("サイズが小さすぎます。1mm以上の値を入力して下さい。", kLabelCellWidth);
    if (!parse(kLabelCellHeight))
        return kLabelCellHeight;
    if (v[kLabelCellHeight] > v[kLabelSheetHeight])
        return refuse("「用紙高さ」が「高さ」より小さいです。", kLabelSheetHeight);
    if (v[kLabelCellHeight] <= 100)
        return refuse("サイズが小さすぎます。1mm以上の値を入力して下さい。", kLabelCellHeight);
    for (LabelField f : { kLabelGapX, kLabelGapY })
        if (!parse(f))
            return f;
    if (!parse(kLabelColumns))
        return kLabelColumns;
    if (v[kLabelColumns] == 0)
        return refuse("列数に０以上の値を入力して下さい。", kLabelColumns);
    if (!parse(kLabelRows))
        return kLabelRows;
    if (v[kLabelRows] == 0)
        return refuse("行数に０以上の値を入力して下さい。", kLabelRows);

    header.labelSheet = 1;
    header.sheetWidth = v[kLabelSheetWidth];
    header.sheetHeight = v[kLabelSheetHeight];
    header.marginLeft = v[kLabelMarginLeft];
    header.marginTop = v[kLabelMarginTop];
    header.paperWidth = v[kLabelCellWidth];
    header.paperHeight = v[kLabelCellHeight];
    header.gapX = v[kLabelGapX];
    header.gapY = v[kLabelGapY];
    header.columns = v[kLabelColumns];
    header.rows = v[kLabelRows];
    return kLabelFieldCount;
}

void KeepBarcodeShape(TextItem& object, bool fromWidth)
{
    object.SetVertical(false);
    const BarcodeGeometry unit = BarcodeGeometry::ForHeight(BarcodeGeometry::kMinLongBar);
    const double widthPerHeight = unit.Width() / unit.longBar;
    const std::int32_t height = fromWidth ? TextItem::Trunc(object.Width() / widthPerHeight) : object.Height();
    const BarcodeGeometry g = BarcodeGeometry::ForHeight(height);
    object.SetHeight(g.longBar);
    object.SetWidth(TextItem::Trunc(g.Width()));
}

} // namespace nrt
