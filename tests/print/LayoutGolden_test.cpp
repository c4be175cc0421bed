// The bytes of every form kind's default layout and of printer settings, against the
// golden files in tests/data/golden/ndp and prd, and the goldens read back.
#include "platform/fs.h"
#include "print/LayoutFile.h"
#include "print/PrinterSettings.h"
#include "settings/LayoutDefaults.h"
#include "support/Golden.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace nrt;
using namespace nrt::test;

namespace {

std::string LayoutGolden(int kind)
{
    return "ndp/kind" + std::to_string(kind) + ".ndp";
}

// A kind's defaults applied over another kind's layout whose header flags are set
// otherwise, so whatever the defaults leave to the layout before shows in the bytes.
struct Defaults {
    LayoutHeader header;
    LayoutTable items;
    explicit Defaults(int kind)
    {
        ApplyDefaultLayout(kind == kFormLabelSheet ? kFormEnvelope3Back : kFormLabelSheet, header, items);
        header.reservedFlag = 1;
        header.labelSheet = header.labelSheet ? 0 : 1;
        header.printerSettings = 1;
        header.dashCode = 0;
        ApplyDefaultLayout(kind, header, items);
    }
};

class LayoutGoldenTest : public ::testing::TestWithParam<int> { };

std::vector<int> Kinds()
{
    std::vector<int> kinds;
    for (const FormKindInfo& info : kFormKinds)
        kinds.push_back(info.kind);
    return kinds;
}

std::string KindName(const ::testing::TestParamInfo<int>& info)
{
    return "kind" + std::to_string(info.param);
}

} // namespace

TEST_P(LayoutGoldenTest, TheDefaultsAreWrittenAsTheGoldenAndReadBack)
{
    const int kind = GetParam();
    const Defaults made(kind);
    EXPECT_EQ(made.header.printerSettings, 0) << "no printer settings read yet";
    ExpectGolden(LayoutGolden(kind), FormatLayout(made.header, made.items));

    // Read over another kind's defaults, the golden gives every value back; the optional
    // slots after the 53 texts are in a file only when shown, so only their flag is.
    std::string bytes;
    ASSERT_TRUE(platform::fs::ReadFile(GoldenPath(LayoutGolden(kind)), bytes));
    Defaults read(kind == kFormPostcard ? kFormLabelSheet : kFormPostcard);
    ASSERT_EQ(ParseLayout(bytes, read.header, read.items), LayoutLoad::Read);
    EXPECT_EQ(read.header, made.header);
    for (std::size_t slot = 0; slot < kLayoutSlots; ++slot) {
        if (slot < kTextSlots) {
            EXPECT_EQ(read.items[slot], made.items[slot]) << slot;
        }
        EXPECT_EQ(read.items[slot].shown, made.items[slot].shown) << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, LayoutGoldenTest, ::testing::ValuesIn(Kinds()), KindName);

// A kind the catalogue does not know starts as the postcard.
TEST(LayoutGolden, AnUnknownKindIsThePostcard)
{
    const Defaults unknown(99);
    EXPECT_EQ(FormatLayout(unknown.header, unknown.items), ReadAll(GoldenPath(LayoutGolden(kFormPostcard))));
}

namespace {

// "driver=CUPS" lines, as the .txt beside each .prd golden holds them (UTF-8).
PrinterSettings SettingsOfText(const std::string& text)
{
    PrinterSettings s;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::size_t eq = line.find('=');
        if (line.empty() || line[0] == '#')
            continue;
        if (eq == std::string::npos) {
            ADD_FAILURE() << "not a value: " << line;
            continue;
        }
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        const auto number = [&] { return static_cast<std::int32_t>(std::stol(value)); };
        if (key == "driver")
            s.driver = S(value);
        else if (key == "device")
            s.device = S(value);
        else if (key == "output")
            s.output = S(value);
        else if (key == "isDefault")
            s.isDefault = value == "1";
        else if (key == "paperWidth")
            s.paperWidth = number();
        else if (key == "paperHeight")
            s.paperHeight = number();
        else if (key == "orientation")
            s.orientation = number();
        else if (key == "source")
            s.source = number();
        else if (key == "copies")
            s.copies = number();
        else if (key == "duplex")
            s.duplex = number();
        else if (key == "color")
            s.color = number();
        else
            ADD_FAILURE() << "unknown key: " << key;
    }
    return s;
}

class PrinterSettingsGoldenTest : public ::testing::TestWithParam<std::string> { };

} // namespace

TEST_P(PrinterSettingsGoldenTest, TheValuesAreWrittenAsTheGoldenAndReadBack)
{
    const std::string stem = "prd/" + GetParam().substr(0, GetParam().rfind('.'));
    const PrinterSettings values = SettingsOfText(ReadAll(GoldenPath(stem + ".txt")));
    ExpectGolden(stem + ".prd", FormatPrinterSettings(values));
    PrinterSettings read;
    read.copies = 9; // the reader starts afresh
    ASSERT_EQ(ParsePrinterSettings(ReadAll(GoldenPath(stem + ".prd")), read), PrdRead::Read);
    EXPECT_EQ(read, values);
}

INSTANTIATE_TEST_SUITE_P(Settings, PrinterSettingsGoldenTest, ::testing::ValuesIn(GoldenFiles("prd", ".txt")),
    [](const ::testing::TestParamInfo<std::string>& c) { return GoldenCaseName(c.param); });
