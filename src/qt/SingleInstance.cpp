#include "qt/SingleInstance.h"

#include "qt/QtText.h"

#include <QDir>
#include <QStandardPaths>

namespace nrt::gui {

QString SingleInstance::LockPath()
{
    // Without XDG_RUNTIME_DIR (cron, ssh) Qt warns on standard error at every call;
    // the folder it falls back to serves the lock as well, and the warning would end
    // up in the output of every command that writes (and in cron's mail each night).
    const QtMessageHandler previous
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    qInstallMessageHandler(previous);
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
