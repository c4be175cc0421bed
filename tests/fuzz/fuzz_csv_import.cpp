// A CSV file to import comes from anywhere: whatever it holds, the import either
// refuses it and leaves the table empty and the category lists unwritten, or adds one
// record per data line with every value within its field and every date in the stored
// form; a name the header scan stops at is at most one character past its limit.
#include "db/AddressTable.h"
#include "db/CsvReader.h"
#include "exchange/CsvImport.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "settings/AppSettings.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Setup {
    Setup()
    {
        nrt::platform::SetMessageHost(&host);
        folder = "/tmp/nrt-fuzz-import-" + std::to_string(::getpid());
        nrt::StartupFolders folders;
        folders.dataFolder = folder + "/data";
        folders.programFolder = folder;
        folders.documentsFolder = folder;
        nrt::platform::fs::MakeDirs(folder);
        settings = std::make_unique<nrt::AppSettings>(folders);
        settings->ReadSettings(true);
        file = folder + "/in.csv";
    }
    ~Setup() { nrt::platform::fs::RemoveTree(folder); }

    nrt::platform::RecordingMessageHost host;
    std::string folder;
    std::string file;
    std::unique_ptr<nrt::AppSettings> settings;
};

bool IsStoredDate(std::string_view v)
{
    return v.empty() || (v.size() == 10 && v[4] == '/' && v[7] == '/');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    nrt::AddressTable table;
    table.CreateDefaultTable();
    std::string name;
    const nrt::CsvImport::HeaderResult scan = nrt::CsvImport::ScanHeader(bytes, table, name);
    if (scan < nrt::CsvImport::HeaderResult::kHeaderOk || scan > nrt::CsvImport::HeaderResult::kHeaderNoName
        || name.size() > nrt::CsvImport::kHeaderNameLimit + 2)
        std::abort();

    nrt::platform::fs::RemoveFile(setup.file);
    for (const char* list : { "nrt_ms01.nms", "nrt_ms02.nms" })
        nrt::platform::fs::RemoveFile(setup.settings->BookFile(list));
    if (!nrt::platform::fs::WriteNewFile(setup.file, bytes))
        std::abort();
    setup.host.shown.clear();
    nrt::CsvImport import(*setup.settings, table);
    const nrt::CsvImport::Result result = import.Load(setup.file);
    if (result != nrt::CsvImport::Result::kImported) {
        if (table.GetRecordCount() != 0 || setup.host.shown.empty()
            || nrt::platform::fs::Exists(setup.settings->BookFile("nrt_ms01.nms")))
            std::abort();
        return 0;
    }
    // Every row with a value is a record; rows without one are skipped and counted.
    nrt::CsvReader csv;
    const int rows
        = csv.LoadCsv(setup.file, 1) == nrt::CsvReader::Result::kOk ? csv.GetRowCount() - import.BlankRows() : -1;
    if (table.GetRecordCount() != rows || import.ImportedCount() != rows)
        std::abort();
    for (int k = 0; k < table.GetRecordCount(); ++k) {
        for (int f = 0; f < table.GetFieldCount(); ++f)
            if (table.Value(f, k).size() > static_cast<std::size_t>(table.GetField(f).width))
                std::abort();
        for (int f : { nrt::field::kBirthday, nrt::field::kRegistered, nrt::field::kUpdated })
            if (!IsStoredDate(table.Value(f, k)))
                std::abort();
        if (table.Value(nrt::field::kSender, k).empty() || table.Value(nrt::field::kPrintMark, k).empty())
            std::abort();
    }
    return 0;
}
