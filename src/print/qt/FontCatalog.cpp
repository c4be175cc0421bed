#include "print/qt/FontCatalog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QStringList>

#include <cmath>
#include <mutex>

namespace nrt::print {
namespace {

QString FirstExisting(const QStringList& candidates)
{
    for (const QString& c : candidates)
        if (QFileInfo::exists(c))
            return c;
    return {};
}

// One font per file, made in every size asked for (a bounded number of them).
//
// The fonts come from the font database where it holds the file: such a font knows
// its file, so a PDF embeds it and keeps the text searchable. A font made from the
// file's bytes alone is drawn into PDFs as outlines.
class RawFontCache {
public:
    QRawFont get(const QString& file, double emPixels)
    {
        std::lock_guard guard(lock_);
        // 1/64 px is finer than any glyph rasteriser positions.
        const qint64 size = std::llround(emPixels * 64.0);
        const QString key = file + QLatin1Char('|') + QString::number(size);
        if (auto it = fonts_.constFind(key); it != fonts_.constEnd())
            return *it;
        auto base = bases_.constFind(file);
        if (base == bases_.constEnd())
            base = bases_.insert(file, Base(file));
        QRawFont font = *base;
        font.setPixelSize(size > 0 ? size / 64.0 : 1.0);
        if (fonts_.size() >= kMaxSizes)
            fonts_.clear();
        fonts_.insert(key, font);
        return font;
    }

    void clear()
    {
        std::lock_guard guard(lock_);
        fonts_.clear();
        bases_.clear();
    }

private:
    static QRawFont Base(const QString& file)
    {
        QFile f(file);
        const QRawFont fromFile(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), 100.0);
        const int id = QFontDatabase::addApplicationFont(file);
        const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
        if (!families.isEmpty()) {
            QFont font(families.first());
            font.setPixelSize(100);
            font.setStyleStrategy(QFont::NoFontMerging);
            const QRawFont known = QRawFont::fromFont(font);
            // The same family may be installed from another file with other glyphs;
            // HarfBuzz shapes with this file, so only this file's font will do.
            if (known.isValid() && known.fontTable("head") == fromFile.fontTable("head"))
                return known;
        }
        return fromFile;
    }

    static constexpr int kMaxSizes = 256;
    std::mutex lock_;
    QHash<QString, QRawFont> bases_;
    QHash<QString, QRawFont> fonts_;
};

void ClearCache();

RawFontCache& Cache()
{
    static RawFontCache cache;
    // Fonts must go while the application that made them still exists.
    static const bool registered = [] {
        qAddPostRoutine(ClearCache);
        return true;
    }();
    (void)registered;
    return cache;
}

void ClearCache()
{
    Cache().clear();
}

} // namespace

QRawFont FontCatalog::Cached(const QString& file, double emPixels)
{
    return Cache().get(file, emPixels);
}

double FontCatalog::CellPerEm(const QString& file)
{
    const QRawFont font = Cached(file, 1000.0);
    return font.isValid() ? (font.ascent() + font.descent()) / 1000.0 : 1.0;
}

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
    const bool mincho = name.contains(QStringLiteral("明朝"))
        || name.contains(QStringLiteral("Mincho"), Qt::CaseInsensitive) || serif;
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
