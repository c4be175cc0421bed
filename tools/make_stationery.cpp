// Draws the stationery pictures the preview shows behind a layout ("repbk01.BMP" …):
// the printed features of each paper (postal code boxes, stamp area, envelope flap,
// label cells) at the editor's scale, each picture the size of its paper's preview.
// They are written as 4-bit BMP files, the form the program's own loader reads.
//
//   nrt_make_stationery OUTPUT_FOLDER
//
// The boxes stand around the default postal digit slots of each kind, so a layout
// at its defaults prints its digits inside them.

#include "settings/LayoutDefaults.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace nrt;

namespace {

// The editor's scale: a 100 x 148 mm card shown as 320 x 470 pixels.
constexpr double kScaleX = 0.032;
constexpr double kScaleY = 470.0 / 14800.0;

double Px(std::int32_t v)
{
    return v * kScaleX;
}
double Py(std::int32_t v)
{
    return v * kScaleY;
}
QRectF Rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h)
{
    return QRectF(Px(x), Py(y), Px(w), Py(h));
}

const QColor kRed(0xD8, 0x1E, 0x2C);
const QColor kGrey(0x90, 0x90, 0x90);

// Sixteen colours: white, a ramp from white to the red of the drawings, and one from
// white to black for the grey lines and their edges.
std::vector<QRgb> Palette()
{
    std::vector<QRgb> p;
    p.push_back(qRgb(255, 255, 255));
    auto mix = [](int c, double t) { return static_cast<int>(std::lround(255 + (c - 255) * t)); };
    for (int i = 1; i <= 7; ++i)
        p.push_back(qRgb(mix(kRed.red(), i / 7.0), mix(kRed.green(), i / 7.0), mix(kRed.blue(), i / 7.0)));
    for (int i = 1; i <= 8; ++i)
        p.push_back(qRgb(mix(0, i / 8.0), mix(0, i / 8.0), mix(0, i / 8.0)));
    return p;
}

void Put32(QByteArray& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Put16(QByteArray& b, std::uint16_t v)
{
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
}

// Each pixel to the nearest colour of the palette, two pixels a byte; rows bottom-up,
// padded to 4 bytes.
bool WriteBmp4(const QImage& image, const QString& path)
{
    const std::vector<QRgb> palette = Palette();
    const int w = image.width(), h = image.height();
    const int rowSize = (w * 4 + 31) / 32 * 4;
    QByteArray pixels(rowSize * h, '\0');
    for (int y = 0; y < h; ++y) {
        char* row = pixels.data() + static_cast<std::ptrdiff_t>(h - 1 - y) * rowSize;
        for (int x = 0; x < w; ++x) {
            const QRgb c = image.pixel(x, y);
            int best = 0, bestDistance = 1 << 30;
            for (std::size_t i = 0; i < palette.size(); ++i) {
                const int dr = qRed(c) - qRed(palette[i]), dg = qGreen(c) - qGreen(palette[i]),
                          db = qBlue(c) - qBlue(palette[i]);
                const int d = dr * dr + dg * dg + db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = static_cast<int>(i);
                }
            }
            row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 ? best : best << 4));
        }
    }
    const auto colours = static_cast<std::uint32_t>(palette.size());
    QByteArray file("BM");
    const std::uint32_t offset = 14 + 40 + 4 * colours;
    Put32(file, offset + static_cast<std::uint32_t>(pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    Put32(file, 40);
    Put32(file, static_cast<std::uint32_t>(w));
    Put32(file, static_cast<std::uint32_t>(h));
    Put16(file, 1);
    Put16(file, 4);
    Put32(file, 0);
    Put32(file, static_cast<std::uint32_t>(pixels.size()));
    Put32(file, 3780); // 96 dpi
    Put32(file, 3780);
    Put32(file, colours);
    Put32(file, 0);
    for (QRgb c : palette) {
        file.append(static_cast<char>(qBlue(c)));
        file.append(static_cast<char>(qGreen(c)));
        file.append(static_cast<char>(qRed(c)));
        file.append('\0');
    }
    file.append(pixels);
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
}

QFont Gothic(double pixels)
{
    QFont f(QStringLiteral("IPAexGothic"));
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    return f;
}

// A box of the given size centred on the half-width cell of a digit slot.
QRectF DigitBox(const TextItem& slot, std::int32_t width, std::int32_t height, std::int32_t above)
{
    const std::int32_t halfEm = static_cast<std::int32_t>(std::abs(slot.FontHeight()) / 1.0757 / 2);
    const std::int32_t centre = slot.X() + halfEm / 2;
    return Rect(centre - width / 2, slot.Y() - above, width, height);
}

void PostalBoxes(QPainter& p, const LayoutTable& items, int firstSlot, std::int32_t width, std::int32_t height,
    std::int32_t above, double pen)
{
    p.setPen(QPen(kRed, pen));
    p.setBrush(Qt::NoBrush);
    QRectF third, fourth;
    for (int i = 0; i < 7; ++i) {
        const QRectF box = DigitBox(items[static_cast<std::size_t>(firstSlot + i)].object, width, height, above);
        p.drawRect(box);
        if (i == 2)
            third = box;
        if (i == 3)
            fourth = box;
    }
    // The short line between the third and fourth box.
    const double y = third.center().y();
    p.drawLine(QPointF(third.right() + (fourth.left() - third.right()) * 0.25, y),
        QPointF(fourth.left() - (fourth.left() - third.right()) * 0.25, y));
}

void StampArea(QPainter& p, const QRectF& r, const QString& text, bool printed)
{
    p.setPen(QPen(printed ? kRed : kGrey, printed ? 1.0 : 0.8, printed ? Qt::SolidLine : Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.setFont(Gothic(r.width() / 4.5));
    p.drawText(r, Qt::AlignCenter, text);
}

QImage Blank(int kind)
{
    const FormKindInfo& k = FormKindOf(kind);
    const std::int32_t w = k.labelSheet ? k.sheetWidth : k.paperWidth;
    const std::int32_t h = k.labelSheet ? k.sheetHeight : k.paperHeight;
    QImage image(static_cast<int>(w * kScaleX), static_cast<int>(h * kScaleY), QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage Postcard(bool newYear)
{
    const int kind = newYear ? kFormNewYearCard : kFormPostcard;
    LayoutHeader header;
    LayoutTable items;
    ApplyDefaultLayout(kind, header, items);
    QImage image = Blank(kind);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    PostalBoxes(p, items, 4, 570, 800, 100, 1.2);
    PostalBoxes(p, items, 30, 360, 560, 30, 0.8);
    p.setPen(kRed);
    p.setFont(Gothic(Py(300)));
    p.drawText(Rect(2400, 250, 5200, 500), Qt::AlignCenter,
        newYear ? QStringLiteral("お年玉付郵便はがき") : QStringLiteral("郵便はがき"));
    StampArea(p, Rect(800, 800, 2200, 2700), newYear ? QStringLiteral("年賀") : QStringLiteral("切手"), newYear);
    if (newYear) {
        // The lottery number printed at the foot of a New Year card.
        p.setPen(QPen(kRed, 0.8));
        p.drawRect(Rect(3900, 13900, 2200, 500));
        p.setFont(Gothic(Py(260)));
        p.drawText(Rect(3900, 13900, 2200, 500), Qt::AlignCenter, QStringLiteral("お年玉くじ番号"));
    }
    return image;
}

QImage EnvelopeFront(int kind)
{
    LayoutHeader header;
    LayoutTable items;
    ApplyDefaultLayout(kind, header, items);
    QImage image = Blank(kind);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    PostalBoxes(p, items, 4, 570, 800, 100, 1.2);
    StampArea(p, Rect(600, 600, 2000, 2600), QStringLiteral("切手"), false);
    return image;
}

QImage EnvelopeBack(int kind)
{
    const FormKindInfo& k = FormKindOf(kind);
    LayoutHeader header;
    LayoutTable items;
    ApplyDefaultLayout(kind, header, items);
    QImage image = Blank(kind);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QPen(kGrey, 0.8));
    // The flap across the top and the seam down the middle.
    const std::int32_t flap = 3000;
    p.drawLine(QPointF(0, Py(flap)), QPointF(Px(k.paperWidth), Py(flap)));
    p.drawLine(QPointF(Px(k.paperWidth / 2), Py(flap)), QPointF(Px(k.paperWidth / 2), Py(k.paperHeight)));
    p.setFont(Gothic(Py(500)));
    p.drawText(Rect(k.paperWidth / 2 - 400, flap + 400, 800, 700), Qt::AlignCenter, QStringLiteral("〆"));
    // Where the sender's postal code goes.
    const TextItem& code = items[29].object;
    p.setFont(Gothic(Py(code.Height())));
    p.drawText(Rect(code.X() - 500, code.Y(), 500, code.Height()), Qt::AlignCenter, QStringLiteral("〒"));
    p.drawLine(QPointF(Px(code.X()), Py(code.Y() + code.Height())),
        QPointF(Px(code.X() + code.Width()), Py(code.Y() + code.Height())));
    return image;
}

QImage LabelSheet()
{
    LayoutHeader header;
    LayoutTable items;
    ApplyDefaultLayout(kFormLabelSheet, header, items);
    QImage image = Blank(kFormLabelSheet);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kGrey, 0.8));
    for (int r = 0; r < header.rows; ++r)
        for (int c = 0; c < header.columns; ++c) {
            const std::int32_t x = header.marginLeft + c * (header.paperWidth + header.gapX);
            const std::int32_t y = header.marginTop + r * (header.paperHeight + header.gapY);
            p.drawRoundedRect(Rect(x, y, header.paperWidth, header.paperHeight), 4, 4);
        }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const struct {
        const char* file;
        QImage image;
    } pictures[] = {
        { "repbk01.BMP", Postcard(true) },
        { "repbk02.BMP", Postcard(false) },
        { "repbk03F.BMP", EnvelopeFront(kFormEnvelope4Front) },
        { "repbk03B.BMP", EnvelopeBack(kFormEnvelope4Back) },
        { "repbk03B2.BMP", EnvelopeBack(kFormEnvelope40Back) },
        { "repbk04F.BMP", EnvelopeFront(kFormEnvelope3Front) },
        { "repbk04B.BMP", EnvelopeBack(kFormEnvelope3Back) },
        { "repbk07.BMP", LabelSheet() },
    };
    for (const auto& picture : pictures) {
        const QString path = out.filePath(QString::fromLatin1(picture.file));
        if (!WriteBmp4(picture.image, path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
