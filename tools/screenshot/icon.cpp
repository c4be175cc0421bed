// Draws the program's icon: a postcard with its red postal-code boxes and a vertical
// name, set with the program's own vertical text.
#include "print/render/FontCatalog.h"
#include "print/render/VerticalText.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("nortea.png");
    QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // The card, slightly turned, with a soft shadow.
    p.translate(128, 128);
    p.rotate(-6);
    const QRectF card(-78, -112, 156, 224);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawRoundedRect(card.translated(6, 6), 10, 10);
    p.setBrush(QColor(0xFB, 0xF8, 0xF0));
    p.setPen(QPen(QColor(0x8A, 0x7F, 0x6A), 3));
    p.drawRoundedRect(card, 10, 10);
    // Seven postal-code boxes.
    p.setPen(QPen(QColor(0xD2, 0x2B, 0x2B), 3));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 7; ++i) {
        const double x = -16 + i * 13.5 + (i >= 3 ? 4 : 0);
        p.drawRect(QRectF(x, -100, 11, 16));
    }
    // The name, vertical and centred.
    const QString file = nrt::print::FontCatalog::MinchoFile();
    const QRawFont font = nrt::print::FontCatalog::Load(file, 46);
    nrt::print::VerticalTextLayout name(file, font, QStringLiteral("宛名"));
    p.setPen(QColor(0x22, 0x22, 0x33));
    name.draw(p, QPointF(name.thickness() / 2, -62));
    p.end();
    return img.save(out) ? 0 : 1;
}
