#pragma once
// A settings object over temporary folders: HOME, XDG_DATA_HOME and the program
// folder point into one TempDir, so nothing outside it is read or written.

#include "platform/MessageHost.h"
#include "settings/AppSettings.h"
#include "support/TestSupport.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nrt::test {

// Sets (or unsets) an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Every file and folder under `root`, relative, sorted; folders end with "/".
// Names are UTF-8 for readable failures.
std::vector<std::string> Tree(const std::string& root);

class SettingsFixture {
public:
    SettingsFixture();

    TempDir dir;
    std::string home; // CP932, no trailing "/"
    std::string program; // CP932, ending with "/"
    platform::RecordingMessageHost messages;

    // A settings object with the program folder above and otherwise default folders.
    std::unique_ptr<AppSettings> Make(const StartupFolders& extra = {}) const;

private:
    platform::ScopedMessageHost scopedHost_;
    ScopedEnv homeEnv_;
    ScopedEnv xdgEnv_;
};

} // namespace nrt::test
