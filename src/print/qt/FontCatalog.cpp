#include "print/qt/FontCatalog.h"

#include <QFileInfo>
#include <QStringList>

namespace nrt::print {
namespace {

QString FirstExisting(const QStringList& candidates)
{
    for (const QString& c : candidates)
        if (QFileInfo::exists(c))
            return c;
    return {};
}

} // namespace

QString FontCatalog::GothicFile()
{
    static const QString file = FirstExisting({
        QStringLiteral("/usr/share/fonts/opentype/ipaexfont-gothic/ipaexg.ttf"),
        QStringLiteral("/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"),
        QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"),
    });
    return file;
}

QString FontCatalog::MinchoFile()
{
    static const QString file = FirstExisting({
        QStringLiteral("/usr/share/fonts/opentype/ipaexfont-mincho/ipaexm.ttf"),
        QStringLiteral("/usr/share/fonts/truetype/fonts-japanese-mincho.ttf"),
        QStringLiteral("/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"),
    });
    return file;
}

FaceChoice FontCatalog::Resolve(const QString& faceName)
{
    FaceChoice choice;
    QString name = faceName.trimmed();
    if (name.startsWith(QLatin1Char('@'))) {
        choice.vertical = true;
        name.remove(0, 1);
    }
    const bool serif = name.contains(QStringLiteral("serif"), Qt::CaseInsensitive)
                       && !name.contains(QStringLiteral("sans"), Qt::CaseInsensitive);
    const bool mincho = name.contains(QStringLiteral("明朝")) || name.contains(QStringLiteral("Mincho"), Qt::CaseInsensitive)
                        || serif;
    choice.file = mincho && !MinchoFile().isEmpty() ? MinchoFile() : GothicFile();
    if (choice.file.isEmpty())
        choice.file = MinchoFile();
    return choice;
}

QRawFont FontCatalog::Load(const QString& file, double emPixels)
{
    QRawFont font;
    font.loadFromFile(file, emPixels > 0 ? emPixels : 1.0, QFont::PreferDefaultHinting);
    return font;
}

} // namespace nrt::print
