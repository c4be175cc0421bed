#pragma once
// The single-copy lock "NrtPelo": a lock file in the user's runtime folder.

#include <QLockFile>

#include <memory>

namespace nrt::gui {

class SingleInstance {
public:
    // Takes the lock; false when another copy holds it.
    bool Acquire();
    // True when another running copy holds the lock (for nortea-cli, which must not
    // write while the program is open).
    static bool HeldByAnother();
    static QString LockPath();

private:
    std::unique_ptr<QLockFile> lock_;
};

} // namespace nrt::gui
