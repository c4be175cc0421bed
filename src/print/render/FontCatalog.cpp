#include "print/render/FontCatalog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include <hb.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace nrt::print {
namespace {

// Radicals share the glyphs of the ideographs and come before them in the code.
bool IsRadical(hb_codepoint_t c)
{
    return c >= 0x2E80 && c <= 0x2FDF;
}

// Blocks with characters that have vertical forms.
bool MayHaveVerticalForm(hb_codepoint_t c)
{
    return (c >= 0x2010 && c <= 0x2026) || (c >= 0x3000 && c <= 0x30FF) || (c >= 0xFF01 && c <= 0xFF5E)
        || (c >= 0xFFE0 && c <= 0xFFE5);
}

bool IsVerticalPresentationForm(hb_codepoint_t c)
{
    return (c >= 0xFE10 && c <= 0xFE19) || (c >= 0xFE30 && c <= 0xFE4F);
}

void Put16(std::string& out, unsigned v)
{
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
    out.push_back(static_cast<char>(v & 0xFF));
}

void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}

// A character map of one Windows Unicode (format 12) subtable.
std::string CmapTable(const std::vector<std::pair<hb_codepoint_t, hb_codepoint_t>>& map)
{
    std::vector<std::array<std::uint32_t, 3>> groups; // first, last, first glyph
    for (const auto& [code, glyph] : map) {
        if (!groups.empty() && groups.back()[1] + 1 == code
            && groups.back()[2] + (groups.back()[1] - groups.back()[0]) + 1 == glyph)
            ++groups.back()[1];
        else
            groups.push_back({ code, code, glyph });
    }
    std::string out;
    Put16(out, 0); // version
    Put16(out, 1); // one subtable
    Put16(out, 3); // Windows
    Put16(out, 10); // Unicode, full repertoire
    Put32(out, 12); // its offset
    Put16(out, 12); // format
    Put16(out, 0);
    Put32(out, static_cast<std::uint32_t>(16 + 12 * groups.size()));
    Put32(out, 0); // language
    Put32(out, static_cast<std::uint32_t>(groups.size()));
    for (const auto& g : groups)
        for (std::uint32_t v : g)
            Put32(out, v);
    return out;
}

// A naming table that gives the copy a family of its own.
std::string NameTable(const QString& family)
{
    const QString postScript = QString(family).remove(QLatin1Char(' '));
    const std::pair<unsigned, QString> names[]
        = { { 1, family }, { 2, QStringLiteral("Regular") }, { 3, postScript }, { 4, family }, { 6, postScript } };
    std::string strings;
    std::string out;
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(std::size(names)));
    Put16(out, static_cast<unsigned>(6 + 12 * std::size(names)));
    for (const auto& [id, text] : names) {
        std::string utf16;
        for (QChar c : text)
            Put16(utf16, c.unicode());
        Put16(out, 3);
        Put16(out, 1);
        Put16(out, 0x409);
        Put16(out, id);
        Put16(out, static_cast<unsigned>(utf16.size()));
        Put16(out, static_cast<unsigned>(strings.size()));
        strings += utf16;
    }
    return out + strings;
}

hb_blob_t* BlobOf(const std::string& bytes)
{
    auto* copy = new std::string(bytes);
    return hb_blob_create(copy->data(), static_cast<unsigned>(copy->size()), HB_MEMORY_MODE_READONLY, copy,
        [](void* data) { delete static_cast<std::string*>(data); });
}

// The copy of `file` described in the header, written whole or not at all.
bool WriteTextFont(const QString& file, const QString& target, const QString& family, bool vertical)
{
    hb_blob_t* blob = hb_blob_create_from_file(QFile::encodeName(file).constData());
    hb_face_t* face = hb_face_create(blob, 0);
    hb_blob_destroy(blob);
    hb_font_t* font = hb_font_create(face);
    hb_set_t* codes = hb_set_create();
    hb_face_collect_unicodes(face, codes);

    std::vector<std::pair<hb_codepoint_t, hb_codepoint_t>> map;
    hb_buffer_t* buffer = hb_buffer_create();
    for (hb_codepoint_t code = HB_SET_VALUE_INVALID; hb_set_next(codes, &code);) {
        hb_codepoint_t glyph = 0;
        if (IsRadical(code) || !hb_font_get_nominal_glyph(font, code, &glyph))
            continue;
        // The presentation forms (︵ for a vertical （) share the glyphs the base
        // characters lead to here; a PDF names each glyph by its lowest code, and copy
        // and search want the base character.
        if (vertical && IsVerticalPresentationForm(code))
            continue;
        if (vertical && MayHaveVerticalForm(code)) {
            hb_buffer_clear_contents(buffer);
            hb_buffer_add_codepoints(buffer, &code, 1, 0, 1);
            hb_buffer_set_direction(buffer, HB_DIRECTION_TTB);
            hb_buffer_set_script(buffer, HB_SCRIPT_HIRAGANA);
            hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
            hb_shape(font, buffer, nullptr, 0);
            unsigned count = 0;
            const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
            if (count == 1)
                glyph = info[0].codepoint;
        }
        map.emplace_back(code, glyph);
    }
    hb_buffer_destroy(buffer);
    hb_set_destroy(codes);
    hb_font_destroy(font);

    bool written = false;
    unsigned tableCount = hb_face_get_table_tags(face, 0, nullptr, nullptr);
    if (tableCount > 0 && !map.empty()) {
        std::vector<hb_tag_t> tags(tableCount);
        hb_face_get_table_tags(face, 0, &tableCount, tags.data());
        hb_face_t* builder = hb_face_builder_create();
        for (hb_tag_t tag : tags) {
            hb_blob_t* table = nullptr;
            if (tag == HB_TAG('c', 'm', 'a', 'p'))
                table = BlobOf(CmapTable(map));
            else if (tag == HB_TAG('n', 'a', 'm', 'e'))
                table = BlobOf(NameTable(family));
            else if (tag == HB_TAG('D', 'S', 'I', 'G')) // a signature of the original tables
                continue;
            else
                table = hb_face_reference_table(face, tag);
            hb_face_builder_add_table(builder, tag, table);
            hb_blob_destroy(table);
        }
        hb_blob_t* out = hb_face_reference_blob(builder);
        unsigned length = 0;
        const char* data = hb_blob_get_data(out, &length);
        QSaveFile save(target);
        written = length > 0 && save.open(QIODevice::WriteOnly) && save.write(data, length) == length && save.commit();
        hb_blob_destroy(out);
        hb_face_destroy(builder);
    }
    hb_face_destroy(face);
    return written;
}

QString DerivedFile(const QString& file, bool vertical)
{
    static std::mutex lock;
    static QHash<QString, QString> made;
    std::lock_guard guard(lock);
    const QString key = file + (vertical ? QStringLiteral("|v") : QStringLiteral("|t"));
    if (auto it = made.constFind(key); it != made.constEnd())
        return *it;
    const QFileInfo info(file);
    const QString folder
        = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/nortea/fonts");
    const QString kind = vertical ? QStringLiteral("Vertical") : QStringLiteral("Text");
    // The size and time of the original name the copy, so an updated font is copied anew.
    // The vertical copy's map changed once (presentation forms left out): "vertical2".
    const QString target
        = QStringLiteral("%1/%2-%3-%4-%5.ttf")
              .arg(folder, info.completeBaseName(), vertical ? QStringLiteral("vertical2") : kind.toLower())
              .arg(info.size())
              .arg(info.lastModified().toSecsSinceEpoch());
    QString result = file;
    if (info.exists()
        && (QFileInfo::exists(target)
            || (QDir().mkpath(folder)
                && WriteTextFont(
                    file, target, QStringLiteral("Nortea %1 %2").arg(kind, info.completeBaseName()), vertical))))
        result = target;
    made.insert(key, result);
    return result;
}

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
    return Cache().get(TextFile(file), emPixels);
}

QRawFont FontCatalog::CachedVertical(const QString& file, double emPixels)
{
    return Cache().get(VerticalTextFile(file), emPixels);
}

QString FontCatalog::TextFile(const QString& file)
{
    return DerivedFile(file, false);
}

QString FontCatalog::VerticalTextFile(const QString& file)
{
    return DerivedFile(file, true);
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
