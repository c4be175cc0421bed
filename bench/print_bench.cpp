// Printing 1,000 New Year cards (kind 1 defaults, realistic records) into a PDF,
// beside a plain baseline that draws the same texts horizontally with one drawText
// per item on 1,000 pages; and one page flip of the preview. Offscreen.
#include "BenchSupport.h"

#include "db/AddressTable.h"
#include "db/RecordSet.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "print/CardFill.h"
#include "print/RowSource.h"
#include "print/qt/PrintPreview.h"
#include "print/qt/PrinterBinding.h"
#include "print/render/CardRenderer.h"
#include "print/render/PrintDevice.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"
#include "settings/LayoutDefaults.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace nrt;

namespace {

constexpr int kCards = 1000;

QString SystemPath(const std::string& path)
{
    return QString::fromStdString(platform::fs::ToSystemPath(path));
}

void ToPdf(QPrinter& p, const QString& file)
{
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(file);
    p.setPageSize(QPageSize(QSizeF(100, 148), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
    p.setPageMargins(QMarginsF(0, 0, 0, 0));
}

// The same texts as the cards, each with one drawText at its slot's corner.
void PlainPdf(PrintForm& form, RowSource& rows, const SenderBlock& sender, const QString& file)
{
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, file);
    QPainter painter(&printer);
    const print::DeviceScale scale = print::ScaleOf(printer);
    LayoutTable& items = form.items;
    for (int row = 0; row < rows.RowCount(); ++row) {
        if (row > 0)
            printer.newPage();
        const SlotSet draw = FillLayout(items, form.header, rows.Row(row), sender);
        for (int slot = 0; slot < kLayoutSlots; ++slot) {
            if (!draw.test(static_cast<std::size_t>(slot)))
                continue;
            const TextItem& o = items[static_cast<std::size_t>(slot)].object;
            QFont font(QStringLiteral("IPAexGothic"));
            font.setPixelSize(std::max(1, static_cast<int>(std::abs(o.FontHeight()) * scale.y)));
            painter.setFont(font);
            const double left = (o.IsVertical() ? o.X() - 2.0 * o.Width() : o.X()) * scale.x;
            painter.drawText(QPointF(left, o.Y() * scale.y + font.pixelSize()), gui::ToQ(o.Text()));
        }
    }
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StartupFolders folders;
    folders.dataFolder = bench::ScratchDir();
    folders.programFolder = folders.dataFolder;
    folders.documentsFolder = folders.dataFolder;
    AppSettings g(folders);
    g.ReadSettings(true);
    AddressTable db;
    db.CreateDefaultTable();
    bench::FillTable(db, kCards);
    db.ClearCurrent();
    bench::Require(db.SetValue(field::kSender, "1"));
    bench::Require(db.SetValue(field::kPrintMark, "1"));
    bench::Require(db.SetValue(field::kName, SJ("鈴木 一郎")));
    bench::Require(db.SetValue(field::kPostalCode, "231-0005"));
    bench::Require(db.SetValue(field::kAddress1, SJ("神奈川県横浜市中区本町６－５０－１")));
    bench::Require(db.PostRecord());

    print::PrinterBinding printer;
    print::CardRenderer renderer(g, db, printer);
    if (!renderer.Prepare(SJ("年賀状"), kFormNewYearCard, SJ("宛名区分='0'"), SJ("カナ"))
        || renderer.RowCount() != kCards) {
        std::fprintf(stderr, "print_bench: %d cards selected\n", renderer.RowCount());
        return 1;
    }
    const std::string cardsPdf = folders.dataFolder + "/cards.pdf";
    const std::string plainPdf = folders.dataFolder + "/plain.pdf";
    printer.SetDialogStandIn([file = SystemPath(cardsPdf)](QPrinter& p, bool) {
        ToPdf(p, file);
        return true;
    });
    RecordSet records;
    records.Attach(&db);
    if (records.SetSort(SJ("カナ"), 1) != SortError::kNone
        || records.Select(SJ("宛名区分='0'")) != SelectResult::kSelected) {
        std::fprintf(stderr, "print_bench: the cards were not selected\n");
        return 1;
    }
    RecordSetRows rows(records);

    // The two jobs take turns, so that a machine busy with other work slows both alike.
    std::vector<double> cardTimes, plainTimes;
    for (int round = 0; round < 5; ++round) {
        bool printed = true;
        cardTimes.push_back(bench::MedianMs(1, [&] { printed = renderer.PrintRows(nullptr); }));
        if (!printed) {
            std::fprintf(stderr, "print_bench: the cards were not printed\n");
            return 1;
        }
        plainTimes.push_back(
            bench::MedianMs(1, [&] { PlainPdf(renderer.Form(), rows, renderer.Sender(), SystemPath(plainPdf)); }));
    }
    const double cards = Median(cardTimes);
    const double plain = Median(plainTimes);
    std::uint64_t cardsSize = 0, plainSize = 0;
    platform::fs::FileSize(cardsPdf, cardsSize);
    platform::fs::FileSize(plainPdf, plainSize);

    // The preview: one step to the next card, drawn and shown.
    print::PrintPreview preview(renderer, g);
    preview.show();
    QApplication::processEvents();
    int flips = 0;
    const double flip = bench::MedianMs(51, [&] {
        if (++flips % 2)
            preview.nextClicked();
        else
            preview.previousClicked();
        preview.repaint();
    });

    bench::Print("cards_1000_pdf_ms", cards, "ms");
    bench::Print("cards_1000_pdf_size", static_cast<double>(cardsSize) / 1024.0, "KiB");
    bench::Print("plain_1000_pdf_ms", plain, "ms");
    bench::Print("plain_1000_pdf_size", static_cast<double>(plainSize) / 1024.0, "KiB");
    bench::Print("cards_vs_plain_ratio", cards / plain, "x");
    bench::Print("preview_flip_ms", flip, "ms");
    return 0;
}
