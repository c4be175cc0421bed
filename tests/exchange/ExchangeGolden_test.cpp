// Files as other programs write them (tests/data/golden/vcard and csv), each with the
// records and closing counts it must give in a readable text beside it; then the
// imported book exported and imported into an empty book gives the same records.
#include "exchange/CsvColumnMap.h"
#include "exchange/CsvExport.h"
#include "exchange/CsvImport.h"
#include "exchange/VCardExport.h"
#include "exchange/VCardImport.h"

#include "ExchangeFixture.h"
#include "db/RecordSet.h"
#include "support/Golden.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace nrt;
using nrt::test::ExpectGolden;
using nrt::test::GoldenPath;
using nrt::test::U;
using nrt::test::WriteAll;

namespace {

// Each record as "[n]" and one "名前=…" line per field with a value, UTF-8. Only the
// fields the book knows by name are written, so a field added later (a stored UID)
// leaves the goldens as they are.
std::vector<std::string> RecordTexts(const AddressTable& table)
{
    std::vector<std::string> out;
    for (int k = 0; k < table.GetRecordCount(); ++k) {
        std::string text;
        for (int i = 0; i < field::kExtendedEnd; ++i) {
            const int f = table.FindField(SchemaFieldName(i));
            const std::string_view value = f < 0 ? std::string_view() : table.Value(f, k);
            if (!value.empty())
                text += U(SchemaFieldName(i)) + "=" + U(value) + "\n";
        }
        out.push_back(text);
    }
    return out;
}

std::string Numbered(const std::vector<std::string>& records)
{
    std::string text;
    for (std::size_t k = 0; k < records.size(); ++k)
        text += "[" + std::to_string(k + 1) + "]\n" + records[k];
    return text;
}

// The records in any order, for books whose export lists them in the main list's order.
std::vector<std::string> Sorted(std::vector<std::string> records)
{
    std::sort(records.begin(), records.end());
    return records;
}

std::string Count(const char* name, long long value)
{
    return std::string(name) + "=" + std::to_string(value) + "\n";
}

class GoldenTest : public nrt::test::ExchangeFixture, public ::testing::WithParamInterface<std::string> {
protected:
    // Every record of `from`, all fields, in the main list's order.
    RecordSet& All(AddressTable& from)
    {
        rec.Attach(&from);
        EXPECT_EQ(rec.Select(std::string_view()), SelectResult::kSelected);
        return rec;
    }
    // The golden text beside the fixture: "gmail-3.0.vcf" has "gmail-3.0.txt".
    static std::string Expected(const char* folder, const std::string& file)
    {
        return std::string(folder) + "/" + file.substr(0, file.rfind('.')) + ".txt";
    }
    RecordSet rec;
};

class VCardGoldenTest : public GoldenTest { };
class CsvGoldenTest : public GoldenTest { };

std::string CaseName(const ::testing::TestParamInfo<std::string>& info)
{
    return nrt::test::GoldenCaseName(info.param);
}

} // namespace

TEST_P(VCardGoldenTest, ImportsTheRecordsAndExportsThemBack)
{
    VCardImport import(*settings, table);
    const VCardImport::Result result = import.Load(GoldenPath("vcard/" + GetParam()));
    std::string text = Count("result", static_cast<int>(result)) + Count("imported", import.ImportedCount())
        + Count("lineBreaks", import.Counts().lineBreaks) + Count("empty", import.Counts().empty)
        + Count("honorifics", import.Counts().honorifics);
    for (const std::string& note : import.Notes())
        text += "note=" + U(note) + "\n";
    const std::vector<std::string> records = RecordTexts(table);
    ExpectGolden(Expected("vcard", GetParam()), text + Numbered(records));
    ASSERT_EQ(result, VCardImport::Result::kImported) << "every fixture holds a card to import";

    WriteAll(Docs("export.vcf"), VCardExport::Format(All(table)));
    AddressTable copy;
    copy.CreateDefaultTable();
    VCardImport back(*settings, copy);
    ASSERT_EQ(back.Load(Docs("export.vcf")), VCardImport::Result::kImported);
    EXPECT_EQ(Sorted(RecordTexts(copy)), Sorted(records));
    EXPECT_TRUE(back.Notes().empty()) << U(back.Notes().front());
    // UIDs stay the records': the export of the copy names the same ones.
    std::vector<std::string> uids = VCardExport::RecordUids(table), copied = VCardExport::RecordUids(copy);
    EXPECT_EQ(Sorted(copied), Sorted(uids));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, VCardGoldenTest, ::testing::ValuesIn(nrt::test::GoldenFiles("vcard", ".vcf")), CaseName);

// The file is imported as the window and the command line take it: this program's own
// header by field names, another program's through the columns recognised for it.
TEST_P(CsvGoldenTest, ImportsTheRecordsAndExportsThemBack)
{
    const std::string path = GoldenPath("csv/" + GetParam());
    CsvImport import(*settings, table);
    std::string name;
    std::string text;
    CsvImport::Result result;
    if (import.ProbeHeader(path, name) == CsvImport::HeaderResult::kHeaderOk) {
        text = "columns=own\n";
        result = import.Load(path);
    } else {
        CsvImport::Preview first;
        ASSERT_EQ(CsvImport::ReadPreview(path, false, 1, first), CsvReader::Result::kOk);
        ASSERT_FALSE(first.rows.empty());
        const CsvColumnMap::Suggestion s
            = CsvColumnMap::Suggest(settings->DataFile(CsvColumnMap::kFileName), first.rows.front(), table);
        text = s.hasHeader ? "columns=recognised\n" : "columns=without header\n";
        result = import.LoadMapped(path, s.hasHeader, s.targets);
    }
    text += Count("result", static_cast<int>(result)) + Count("imported", import.ImportedCount())
        + Count("blankRows", import.BlankRows()) + Count("lineBreakCells", import.LineBreakCells())
        + Count("cutValues", import.CutValues()) + Count("droppedDates", import.DroppedDates())
        + Count("honorifics", import.DefaultHonorifics());
    for (const std::string& column : import.UnplacedColumns())
        text += "unplaced=" + U(column) + "\n";
    const std::vector<std::string> records = RecordTexts(table);
    ExpectGolden(Expected("csv", GetParam()), text + Numbered(records));
    ASSERT_EQ(result, CsvImport::Result::kImported) << ::testing::PrintToString(Shown());

    // This program's export of every field, read back as its own file.
    std::vector<std::string> fields;
    for (int f = 0; f < table.GetFieldCount(); ++f)
        fields.push_back(table.GetField(f).name);
    WriteAll(Docs("export.csv"), CsvExport::Format(All(table), fields, true));
    AddressTable copy;
    copy.CreateDefaultTable();
    CsvImport back(*settings, copy);
    ASSERT_EQ(back.Load(Docs("export.csv")), CsvImport::Result::kImported) << ::testing::PrintToString(Shown());
    EXPECT_EQ(Sorted(RecordTexts(copy)), Sorted(records));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CsvGoldenTest, ::testing::ValuesIn(nrt::test::GoldenFiles("csv", ".csv")), CaseName);
