#include "app/FileDialogs.h"

#include <QDir>
#include <QFileInfo>

namespace nrt::gui {
namespace {

QString& LastFolder()
{
    static QString folder;
    return folder;
}

bool IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

QString DialogStartFolder(const QString& typedFolder, const QString& fallback)
{
    for (const QString& candidate : { typedFolder, LastFolder(), fallback })
        if (IsFolder(candidate))
            return candidate;
    return QDir::homePath();
}

void RememberChosenFile(const QString& file)
{
    if (!file.isEmpty())
        LastFolder() = QFileInfo(file).absolutePath();
}

} // namespace nrt::gui
