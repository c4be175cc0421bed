#pragma once
// A settings object over a temporary data folder with the main user current, and a
// recording message host, for the printing tests.

#include "platform/MessageHost.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include <memory>

namespace nrt::test {

class PrintFixture {
public:
    PrintFixture()
    {
        StartupFolders f;
        f.programFolder = dir.File("prog");
        f.dataFolder = dir.File("data");
        f.documentsFolder = dir.File("docs");
        settings = std::make_unique<AppSettings>(f);
        settings->ReadSettings(true);
    }

    TempDir dir;
    platform::RecordingMessageHost messages;
    std::unique_ptr<AppSettings> settings;

    std::string BookFile(const char* utf8) const { return settings->BookFile(S(utf8)); }

private:
    platform::ScopedMessageHost scoped_ { messages };
};

} // namespace nrt::test
