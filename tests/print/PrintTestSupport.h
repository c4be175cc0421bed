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
        global = std::make_unique<AppSettings>(f);
        global->ReadSettings(true);
    }

    TempDir dir;
    platform::RecordingMessageHost messages;
    std::unique_ptr<AppSettings> global;

    std::string UserFile(const char* utf8) const { return global->UserFile(S(utf8)); }

private:
    platform::ScopedMessageHost scoped_ { messages };
};

} // namespace nrt::test
