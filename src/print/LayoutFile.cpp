#include "print/LayoutFile.h"

#include "platform/sjis.h"

#include <algorithm>
#include <cstring>

namespace nrt {
namespace {

constexpr std::size_t kImageField = 260;
// The block after the objects: its tag, its length, then the form's kind and flags.
constexpr std::string_view kExtraTag = "NRTX";
constexpr std::int32_t kExtraLength = 8;
constexpr std::int32_t kPrintPrefectureFlag = 1;

class Reader {
public:
    explicit Reader(std::string_view bytes)
        : bytes_(bytes)
    {
    }

    // The next n bytes, or nullptr (and nothing consumed) when the file ends first.
    const char* Take(std::size_t n)
    {
        if (bytes_.size() - pos_ < n)
            return nullptr;
        const char* p = bytes_.data() + pos_;
        pos_ += n;
        return p;
    }
    bool Int32(std::int32_t& v)
    {
        const char* p = Take(4);
        if (!p)
            return false;
        std::uint32_t u = 0;
        for (int i = 3; i >= 0; --i)
            u = (u << 8) | static_cast<unsigned char>(p[i]);
        v = static_cast<std::int32_t>(u);
        return true;
    }
    std::size_t& Pos() { return pos_; }
    std::string_view Bytes() const { return bytes_; }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

void PutInt32(std::string& out, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

// The header fields from the flag count on; false where the file ends or is damaged.
bool ReadHeader(Reader& in, std::int32_t version, LayoutHeader& header, LayoutTable& items, std::int32_t& count)
{
    if (!in.Int32(count) || count < 0)
        return false;
    const char* flags = in.Take(static_cast<std::size_t>(count));
    if (!flags)
        return false;
    for (int i = 0; i < std::min(count, kLayoutSlots); ++i)
        items[static_cast<std::size_t>(i)].shown = flags[i] != '0';

    std::int32_t width = 0, height = 0;
    if (!in.Int32(width) || !in.Int32(height))
        return false;
    header.paperWidth = width;
    header.paperHeight = height;
    const char* image = in.Take(kImageField);
    if (!image)
        return false;
    const void* nul = std::memchr(image, 0, kImageField);
    const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - image) : kImageField;
    header.backgroundImage.assign(platform::CutToBytes(std::string_view(image, n), LayoutHeader::kImageNameBytes));

    if (version >= kLayoutVersionSheets) {
        const char* flagBytes = in.Take(2);
        std::int32_t sheet[8];
        if (!flagBytes)
            return false;
        for (std::int32_t& v : sheet)
            if (!in.Int32(v))
                return false;
        header.reservedFlag = static_cast<std::uint8_t>(flagBytes[0]);
        header.labelSheet = static_cast<std::uint8_t>(flagBytes[1]);
        header.sheetWidth = sheet[0];
        header.sheetHeight = sheet[1];
        header.marginLeft = sheet[2];
        header.marginTop = sheet[3];
        header.gapX = sheet[4];
        header.gapY = sheet[5];
        header.columns = sheet[6];
        header.rows = sheet[7];
    }
    if (version >= kLayoutVersion) {
        const char* p = in.Take(3);
        if (!p)
            return false;
        header.dashCode
            = static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8));
        header.kanjiNumerals = static_cast<std::uint8_t>(p[2]);
    }
    return true;
}

} // namespace

LayoutLoad ParseLayout(std::string_view bytes, LayoutHeader& header, LayoutTable& items)
{
    Reader in(bytes);
    std::int32_t version = 0;
    if (!in.Int32(version) || version < kLayoutVersionOldest)
        return LayoutLoad::TooOld;
    std::int32_t count = 0;
    if (!ReadHeader(in, version, header, items, count))
        return LayoutLoad::Read;
    for (int i = 0; i < kTextSlots; ++i)
        items[static_cast<std::size_t>(i)].object.Read(in.Bytes(), in.Pos());
    // Lengths beyond any paper are cut to a size that no drawing step overflows with.
    for (std::int32_t* v : { &header.paperWidth, &header.paperHeight, &header.sheetWidth, &header.sheetHeight,
             &header.marginLeft, &header.marginTop, &header.gapX, &header.gapY, &header.columns, &header.rows })
        *v = std::clamp(*v, -TextItem::kGeometryLimit, TextItem::kGeometryLimit);
    // An optional slot flagged without its record after the others (a damaged file)
    // must not show what was never placed; past a damaged record nothing is aligned.
    bool intact = true;
    for (int i = kTextSlots; i < std::min(count, kLayoutSlots); ++i) {
        LayoutItem& item = items[static_cast<std::size_t>(i)];
        intact = intact && item.object.Read(in.Bytes(), in.Pos()) == TextItem::kReadOk;
        if (!intact)
            item.shown = false;
    }
    for (LayoutItem& item : items)
        item.object.ClampGeometry();
    const std::size_t at = in.Pos();
    std::int32_t length = 0, kind = 0, flags = 0;
    if (intact && count <= kLayoutSlots && in.Bytes().substr(at, kExtraTag.size()) == kExtraTag && in.Take(4)
        && in.Int32(length) && length >= kExtraLength && in.Int32(kind) && in.Int32(flags)) {
        header.formKind = kind;
        header.printPrefecture = (flags & kPrintPrefectureFlag) != 0 ? 1 : 0;
    }
    return LayoutLoad::Read;
}

std::string FormatLayout(const LayoutHeader& header, const LayoutTable& items)
{
    std::string out;
    // Up to the last optional slot shown, so a layout without them is written exactly
    // as before they existed; one shown after a hidden one takes the hidden one along.
    int slots = kLayoutSlots;
    while (slots > kTextSlots && !items[static_cast<std::size_t>(slots - 1)].shown)
        --slots;
    PutInt32(out, kLayoutVersion);
    PutInt32(out, slots);
    for (int i = 0; i < slots; ++i)
        out.push_back(items[static_cast<std::size_t>(i)].shown ? '1' : '0');
    PutInt32(out, header.paperWidth);
    PutInt32(out, header.paperHeight);
    std::string image(platform::CutToBytes(header.backgroundImage, LayoutHeader::kImageNameBytes));
    image.resize(kImageField, '\0');
    out += image;
    out.push_back(static_cast<char>(header.reservedFlag));
    out.push_back(static_cast<char>(header.labelSheet));
    for (std::int32_t v : { header.sheetWidth, header.sheetHeight, header.marginLeft, header.marginTop, header.gapX,
             header.gapY, header.columns, header.rows })
        PutInt32(out, v);
    out.push_back(static_cast<char>(header.dashCode & 0xFF));
    out.push_back(static_cast<char>(header.dashCode >> 8));
    out.push_back(static_cast<char>(header.kanjiNumerals));
    for (int i = 0; i < slots; ++i)
        items[static_cast<std::size_t>(i)].object.Write(out);
    if (header.formKind != 0 || header.printPrefecture != 0) {
        out += kExtraTag;
        PutInt32(out, kExtraLength);
        PutInt32(out, header.formKind);
        PutInt32(out, header.printPrefecture != 0 ? kPrintPrefectureFlag : 0);
    }
    return out;
}

} // namespace nrt
