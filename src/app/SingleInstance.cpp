#include "app/SingleInstance.h"

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
    lock_ = std::make_unique<QLockFile>(LockPath());
    // A lock left by a crashed copy is stale and taken over at once.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    lock_.reset();
    return false;
}

bool SingleInstance::HeldByAnother()
{
    QLockFile probe(LockPath());
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

} // namespace nrt::gui
