#pragma once
// The single-copy lock "NrtPelo": a lock on a file in the user's runtime folder that
// the kernel drops when the program ends, however it ends.

#include "platform/FileLock.h"

#include <QString>

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
    platform::FileLock lock_;
};

} // namespace nrt::gui
