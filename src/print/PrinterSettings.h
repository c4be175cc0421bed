#pragma once
// The printer settings a print form carries in "<form>.prd" beside its layout.
//
// The file (little-endian, back to back):
//
//   2      "PR"
//   4      int32 L, length of the device name, 0..254
//   L + 1  the device name and a NUL (informational; not used when read)
//   4      int32 84
//   84     page setup record: int32 84, int32 0, int32 0x10, 72 zero bytes (not used
//          when read)
//   4      int32 D, size of the settings block
//   D      settings block:
//            0  int32 40 (size of the block as written)
//            4  int32 2 (its version)
//            8  int32 paper width, 0.01 mm, portrait (0: the form's own paper)
//           12  int32 paper height, 0.01 mm
//               A version 1 block recorded whatever paper the printer held, never a
//               choice of the user's: its paper is read as 0.
//           16  int32 orientation: 1 portrait, 2 landscape
//           20  int32 paper source: 0 the printer's default, else 1 upper/only,
//               2 lower, 3 middle, 4 manual, 5 envelope, 6 envelope manual, 7 auto,
//               8 tractor, 9 small format, 10 large format, 11 large capacity,
//               14 cassette, 15 form source
//           24  int32 copies (1 or more)
//           28  int32 duplex: 1 one-sided, 2 long edge, 3 short edge
//           32  int32 colour: 1 monochrome, 2 colour
//           36  int32 0
//          A shorter block from another version gives defaults for what it lacks;
//          bytes past the fields known here are passed over.
//   4      int32 N, size of the names block
//   N      names block: uint16 offsets of the driver, device and output names from
//          the block's start, uint16 1 when the printer was the system's default,
//          then the three names, each ending with a NUL. Driver "CUPS" names a
//          printer of the system by its queue name; driver "PDF" is the PDF writer,
//          its output name the file. Written names are cut to 63, 254 and 259 bytes.
//
// Names are CP932.

#include "platform/FileWrite.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nrt {

struct PrinterSettings {
    std::string driver;
    std::string device;
    std::string output;
    bool isDefault = false;
    std::int32_t paperWidth = 0;
    std::int32_t paperHeight = 0;
    std::int32_t orientation = 1;
    std::int32_t source = 0;
    std::int32_t copies = 1;
    std::int32_t duplex = 1;
    std::int32_t color = 2;

    bool operator==(const PrinterSettings&) const = default;
};

inline constexpr std::string_view kDriverSystem = "CUPS";
inline constexpr std::string_view kDriverPdf = "PDF";

// How reading the file went. The numbers of the format errors are the ones the
// message "印刷設定エラー(%d)" shows.
enum class PrdRead {
    Read = 0,
    CannotOpen = -1, // silently
    BadMagic = -2,
    NameTooLong = -3,
    BadRecordSize = -4,
    Damaged = -5, // the file ends inside a block or a size is negative
};

std::string FormatPrinterSettings(const PrinterSettings& settings);
// `out` is reset first.
[[nodiscard]] PrdRead ParsePrinterSettings(std::string_view bytes, PrinterSettings& out);

// The file read and parsed; a format error is shown as "印刷設定エラー(%d)" ("注意").
[[nodiscard]] PrdRead ReadPrinterSettings(std::string_view path, PrinterSettings& out);
// Written whole or not at all.
[[nodiscard]] platform::FileWrite WritePrinterSettings(std::string_view path, const PrinterSettings& settings);

} // namespace nrt
