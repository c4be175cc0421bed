#include "qt/SingleInstance.h"

#include "qt/QtText.h"

#include <QDir>
#include <QStandardPaths>

namespace nrt::gui {

QString SingleInstance::LockPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/NrtPelo.lock");
}

bool SingleInstance::Acquire()
{
    // Only a running holder blocks; a file left by a killed copy is taken over at once.
    return lock_.TryLock(FromQ(LockPath())) != platform::FileLock::Result::Busy;
}

bool SingleInstance::HeldByAnother()
{
    return platform::FileLock::HeldElsewhere(FromQ(LockPath()));
}

} // namespace nrt::gui
