#include "print/PrinterSettings.h"
#include "support/TestSupport.h"

#include "platform/MessageHost.h"

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;

namespace {

// A settings file spelled out from the format.
std::string FileBytes(const std::string& device, const std::string& driver, const std::string& output,
    std::initializer_list<std::int32_t> block, std::uint16_t isDefault = 0)
{
    std::string b = "PR";
    AppendLE32(b, static_cast<std::int32_t>(device.size()));
    b += device;
    b.push_back('\0');
    AppendLE32(b, 84);
    AppendLE32(b, 84);
    AppendLE32(b, 0);
    AppendLE32(b, 0x10);
    b.append(72, '\0');
    AppendLE32(b, static_cast<std::int32_t>(block.size() * 4));
    for (std::int32_t v : block)
        AppendLE32(b, v);
    std::string names;
    AppendLE16(names, 8);
    AppendLE16(names, static_cast<std::uint16_t>(8 + driver.size() + 1));
    AppendLE16(names, static_cast<std::uint16_t>(8 + driver.size() + 1 + device.size() + 1));
    AppendLE16(names, isDefault);
    names += driver + '\0' + device + '\0' + output + '\0';
    AppendLE32(b, static_cast<std::int32_t>(names.size()));
    return b + names;
}

PrinterSettings PostcardPrinter()
{
    PrinterSettings s;
    s.driver = "CUPS";
    s.device = "Office_Inkjet";
    s.isDefault = true;
    s.paperWidth = 10000;
    s.paperHeight = 14800;
    s.orientation = 1;
    s.source = 4;
    s.copies = 2;
    s.duplex = 1;
    s.color = 2;
    return s;
}

} // namespace

TEST(PrinterSettings, WrittenAsTheFileFormatSays)
{
    const std::string expected = FileBytes("Office_Inkjet", "CUPS", "", { 40, 2, 10000, 14800, 1, 4, 2, 1, 2, 0 }, 1);
    EXPECT_EQ(FormatPrinterSettings(PostcardPrinter()), expected);

    PrinterSettings read;
    ASSERT_EQ(ParsePrinterSettings(expected, read), PrdRead::Read);
    EXPECT_EQ(read, PostcardPrinter());

    PrinterSettings pdf;
    pdf.driver = "PDF";
    pdf.output = S("/home/花子/年賀状.pdf");
    ASSERT_EQ(ParsePrinterSettings(FormatPrinterSettings(pdf), read), PrdRead::Read);
    EXPECT_EQ(read, pdf);
}

TEST(PrinterSettings, ShortAndLongSettingsBlocks)
{
    PrinterSettings read;
    // A shorter block: paper size only; the rest keeps its defaults.
    ASSERT_EQ(ParsePrinterSettings(FileBytes("P", "CUPS", "", { 16, 2, 21000, 29700 }), read), PrdRead::Read);
    EXPECT_EQ(read.paperWidth, 21000);
    EXPECT_EQ(read.paperHeight, 29700);
    EXPECT_EQ(read.copies, 1);
    EXPECT_EQ(read.orientation, 1);
    EXPECT_EQ(read.device, "P");
    // Version 1 recorded the printer's default paper, which no one chose: the form's
    // own paper stands.
    ASSERT_EQ(ParsePrinterSettings(FileBytes("P", "CUPS", "", { 40, 1, 21590, 27939, 1, 4, 1, 1, 2, 0 }), read),
        PrdRead::Read);
    EXPECT_EQ(read.paperWidth, 0);
    EXPECT_EQ(read.paperHeight, 0);
    EXPECT_EQ(read.source, 4);
    // A newer, longer one: the known fields are read, the rest passed over.
    ASSERT_EQ(ParsePrinterSettings(FileBytes("P", "CUPS", "", { 48, 3, 1, 2, 2, 0, 3, 1, 1, 0, 77, 88 }), read),
        PrdRead::Read);
    EXPECT_EQ(read.orientation, 2);
    EXPECT_EQ(read.copies, 3);
    EXPECT_EQ(read.color, 1);
}

TEST(PrinterSettings, DamagedFilesAreRefused)
{
    const std::string good = FormatPrinterSettings(PostcardPrinter());
    std::string longName = "PR";
    AppendLE32(longName, 255);
    longName += std::string(300, 'x');
    std::string badRecord = good;
    badRecord[2 + 4 + 13 + 1] = 83; // the int32 84 after the device name

    struct Case {
        const char* what;
        std::string bytes;
        PrdRead result;
    } cases[] = {
        { "empty", "", PrdRead::BadMagic },
        { "wrong magic", "PX" + good.substr(2), PrdRead::BadMagic },
        { "device name of 255 bytes", longName, PrdRead::NameTooLong },
        { "negative name length", std::string("PR\xff\xff\xff\xff", 6), PrdRead::NameTooLong },
        { "page setup record not 84", badRecord, PrdRead::BadRecordSize },
        { "cut inside the name", good.substr(0, 10), PrdRead::Damaged },
        { "cut inside the settings block", good.substr(0, good.size() - 60), PrdRead::Damaged },
        { "cut inside the names", good.substr(0, good.size() - 3), PrdRead::Damaged },
    };
    for (const Case& c : cases) {
        PrinterSettings read;
        EXPECT_EQ(ParsePrinterSettings(c.bytes, read), c.result) << c.what;
    }
    // Name offsets past the block read as empty names.
    std::string offsets = good;
    const std::size_t names = good.size() - (8 + 5 + 14 + 1);
    offsets[names] = static_cast<char>(0xF0);
    PrinterSettings read;
    ASSERT_EQ(ParsePrinterSettings(offsets, read), PrdRead::Read);
    EXPECT_EQ(read.driver, "");
    EXPECT_EQ(read.device, "Office_Inkjet");
}

TEST(PrinterSettings, FilesAndMessages)
{
    TempDir dir;
    platform::RecordingMessageHost host;
    platform::ScopedMessageHost scoped(host);
    PrinterSettings read;
    EXPECT_EQ(ReadPrinterSettings(dir.File("missing.prd"), read), PrdRead::CannotOpen);
    EXPECT_TRUE(host.shown.empty());

    std::string longName = "PR";
    AppendLE32(longName, 255);
    WriteAll(dir.File("long.prd"), longName + std::string(400, 'x'));
    EXPECT_EQ(ReadPrinterSettings(dir.File("long.prd"), read), PrdRead::NameTooLong);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(U(host.shown[0].text), "印刷設定エラー(-3)");
    EXPECT_EQ(U(host.shown[0].caption), "注意");

    ASSERT_TRUE(WritePrinterSettings(dir.File("年賀状.prd"), PostcardPrinter()).Ok());
    ASSERT_EQ(ReadPrinterSettings(dir.File("年賀状.prd"), read), PrdRead::Read);
    EXPECT_EQ(read, PostcardPrinter());
    EXPECT_FALSE(WritePrinterSettings(dir.File("no/such/folder.prd"), PostcardPrinter()).Ok());
}
