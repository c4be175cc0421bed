#include "print/PrinterSettings.h"

#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"

#include <cerrno>
#include <cstdio>

namespace nrt {
namespace {

constexpr std::int32_t kMaxDeviceName = 254;
constexpr std::size_t kMaxDriverName = 63;
constexpr std::size_t kMaxOutputName = 259; // a path
constexpr std::int32_t kPageSetupSize = 84;
constexpr std::int32_t kPageSetupFlags = 0x10;
constexpr std::int32_t kSettingsBlockSize = 40;
constexpr std::int32_t kSettingsVersion = 2;
// Blocks from this version on hold a paper the user chose.
constexpr std::int32_t kChosenPaperVersion = 2;
constexpr std::size_t kNamesHeader = 8;

void Put32(std::string& out, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void Put16(std::string& out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

std::int32_t Get32(std::string_view b, std::size_t at)
{
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(u);
}

std::uint16_t Get16(std::string_view b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

std::string_view UpToNul(std::string_view s)
{
    const std::size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// Reads forward through the file; every read checks what is left.
class Cursor {
public:
    explicit Cursor(std::string_view bytes)
        : bytes_(bytes)
    {
    }
    bool Int(std::int32_t& v)
    {
        if (bytes_.size() - pos_ < 4)
            return false;
        v = Get32(bytes_, pos_);
        pos_ += 4;
        return true;
    }
    bool Bytes(std::size_t n, std::string_view& out)
    {
        if (bytes_.size() - pos_ < n)
            return false;
        out = bytes_.substr(pos_, n);
        pos_ += n;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

std::string_view NameAt(std::string_view block, std::uint16_t offset)
{
    return offset < block.size() ? UpToNul(block.substr(offset)) : std::string_view();
}

} // namespace

std::string FormatPrinterSettings(const PrinterSettings& s)
{
    std::string out = "PR";
    const std::string_view device = platform::CutToBytes(UpToNul(s.device), kMaxDeviceName);
    Put32(out, static_cast<std::int32_t>(device.size()));
    out.append(device);
    out.push_back('\0');

    Put32(out, kPageSetupSize);
    Put32(out, kPageSetupSize);
    Put32(out, 0);
    Put32(out, kPageSetupFlags);
    out.append(kPageSetupSize - 12, '\0');

    Put32(out, kSettingsBlockSize);
    for (std::int32_t v : { kSettingsBlockSize, kSettingsVersion, s.paperWidth, s.paperHeight, s.orientation, s.source,
             s.copies, s.duplex, s.color, 0 })
        Put32(out, v);

    std::string names;
    // Bounded, so that every offset fits its 16 bits.
    const std::string_view parts[] = { platform::CutToBytes(UpToNul(s.driver), kMaxDriverName), device,
        platform::CutToBytes(UpToNul(s.output), kMaxOutputName) };
    std::uint16_t offsets[3];
    std::size_t at = kNamesHeader;
    for (int i = 0; i < 3; ++i) {
        offsets[i] = static_cast<std::uint16_t>(at);
        at += parts[i].size() + 1;
    }
    for (std::uint16_t o : offsets)
        Put16(names, o);
    Put16(names, s.isDefault ? 1 : 0);
    for (std::string_view p : parts) {
        names.append(p);
        names.push_back('\0');
    }
    Put32(out, static_cast<std::int32_t>(names.size()));
    out += names;
    return out;
}

PrdRead ParsePrinterSettings(std::string_view bytes, PrinterSettings& out)
{
    out = PrinterSettings();
    Cursor in(bytes);
    std::string_view part;
    if (!in.Bytes(2, part) || part != "PR")
        return PrdRead::BadMagic;
    std::int32_t length = 0;
    if (!in.Int(length))
        return PrdRead::Damaged;
    if (length < 0 || length > kMaxDeviceName)
        return PrdRead::NameTooLong;
    if (!in.Bytes(static_cast<std::size_t>(length) + 1, part))
        return PrdRead::Damaged;
    std::int32_t recordSize = 0;
    if (!in.Int(recordSize))
        return PrdRead::Damaged;
    if (recordSize != kPageSetupSize)
        return PrdRead::BadRecordSize;
    if (!in.Bytes(kPageSetupSize, part))
        return PrdRead::Damaged;

    std::int32_t size = 0;
    std::string_view block;
    if (!in.Int(size) || size < 0 || !in.Bytes(static_cast<std::size_t>(size), block))
        return PrdRead::Damaged;
    std::int32_t* const fields[]
        = { &out.paperWidth, &out.paperHeight, &out.orientation, &out.source, &out.copies, &out.duplex, &out.color };
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const std::size_t at = 8 + 4 * i;
        if (at + 4 <= block.size())
            *fields[i] = Get32(block, at);
    }
    if (block.size() < 8 || Get32(block, 4) < kChosenPaperVersion) {
        out.paperWidth = 0;
        out.paperHeight = 0;
    }

    std::string_view names;
    if (!in.Int(size) || size < 0 || !in.Bytes(static_cast<std::size_t>(size), names))
        return PrdRead::Damaged;
    if (names.size() >= kNamesHeader) {
        out.driver = NameAt(names, Get16(names, 0));
        out.device = NameAt(names, Get16(names, 2));
        out.output = NameAt(names, Get16(names, 4));
        out.isDefault = Get16(names, 6) != 0;
    }
    return PrdRead::Read;
}

PrdRead ReadPrinterSettings(std::string_view path, PrinterSettings& out)
{
    out = PrinterSettings();
    std::string bytes;
    if (!platform::fs::IsFile(path) || !platform::fs::ReadFile(path, bytes))
        return PrdRead::CannotOpen;
    const PrdRead result = ParsePrinterSettings(bytes, out);
    if (result != PrdRead::Read) {
        char text[64];
        std::snprintf(text, sizeof text, SJ("印刷設定エラー(%d)").c_str(), static_cast<int>(result));
        platform::Warn(text);
    }
    return result;
}

platform::FileWrite WritePrinterSettings(std::string_view path, const PrinterSettings& settings)
{
    errno = 0;
    if (!platform::fs::AtomicWriteFile(path, FormatPrinterSettings(settings)))
        return platform::FileWrite::Failed(path);
    return platform::FileWrite::Written();
}

} // namespace nrt
