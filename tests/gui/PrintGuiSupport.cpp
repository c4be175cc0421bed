#include "PrintGuiSupport.h"

#include "platform/fs.h"
#include "qt/QtText.h"

#include <QPixmap>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace nrt::test {
namespace {

QString Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString Sys(const std::string& path)
{
    return QString::fromStdString(platform::fs::ToSystemPath(path));
}

} // namespace

PrintGuiFixture::PrintGuiFixture()
{
    StartupFolders f;
    f.programFolder = std::string(NRT_TEST_SOURCE_DIR) + "/../data";
    f.dataFolder = dir.File("data");
    f.documentsFolder = dir.File("docs");
    settings = std::make_unique<AppSettings>(f);
    settings->ReadSettings(true);
    db.CreateDefaultTable();
}

std::vector<int> PrintGuiFixture::AddAddressees(const std::vector<Addressee>& people)
{
    std::vector<int> indices;
    for (const Addressee& a : people) {
        db.ClearCurrent();
        EXPECT_EQ(db.SetValue(field::kSender, "0"), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kPrintMark, "1"), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kName, S(a.name)), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kHonorific, S("様")), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kPostalCode, a.postal), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kAddress1, S(a.address1)), RecordError::kNone);
        EXPECT_EQ(db.SetValue(field::kAddress2, S(a.address2)), RecordError::kNone);
        EXPECT_EQ(db.PostRecord(), RecordError::kNone);
        indices.push_back(db.GetRecordCount() - 1);
    }
    return indices;
}

int PrintGuiFixture::AddSender(const Addressee& a, bool marked)
{
    db.ClearCurrent();
    EXPECT_EQ(db.SetValue(field::kSender, "1"), RecordError::kNone);
    EXPECT_EQ(db.SetValue(field::kPrintMark, marked ? "1" : "0"), RecordError::kNone);
    EXPECT_EQ(db.SetValue(field::kName, S(a.name)), RecordError::kNone);
    EXPECT_EQ(db.SetValue(field::kPostalCode, a.postal), RecordError::kNone);
    EXPECT_EQ(db.SetValue(field::kAddress1, S(a.address1)), RecordError::kNone);
    EXPECT_EQ(db.SetValue(field::kAddress2, S(a.address2)), RecordError::kNone);
    EXPECT_EQ(db.PostRecord(), RecordError::kNone);
    return db.GetRecordCount() - 1;
}

void PrintGuiFixture::PrintToPdf(const std::string& pdfPath, int from, int to, print::PrinterBinding* binding)
{
    const QString file = Sys(pdfPath);
    (binding ? *binding : printer).SetDialogStandIn([file, from, to](QPrinter& p, bool) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(file);
        if (from > 0) {
            p.setPrintRange(QPrinter::PageRange);
            p.setFromTo(from, to);
        }
        return true;
    });
}

std::vector<std::string> PdfPageTexts(const std::string& pdfPath, bool foldWidths, bool contentOrder)
{
    std::vector<std::string> pages;
    const int count = PdfPageCount(pdfPath);
    for (int i = 1; i <= count; ++i) {
        QStringList args { QStringLiteral("-f"), QString::number(i), QStringLiteral("-l"), QString::number(i),
            Sys(pdfPath), QStringLiteral("-") };
        if (contentOrder)
            args.prepend(QStringLiteral("-raw"));
        QString text = Run(QStringLiteral("pdftotext"), args);
        text.remove(QRegularExpression(QStringLiteral("\\s")));
        if (foldWidths)
            text = text.normalized(QString::NormalizationForm_KC);
        pages.push_back(text.toStdString());
    }
    return pages;
}

int PdfPageCount(const std::string& pdfPath)
{
    const QString info = Run(QStringLiteral("pdfinfo"), { Sys(pdfPath) });
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QSizeF PdfPageSize(const std::string& pdfPath)
{
    const QString info = Run(QStringLiteral("pdfinfo"), { Sys(pdfPath) });
    const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble() * 25.4 / 72, m.captured(2).toDouble() * 25.4 / 72) : QSizeF();
}

QImage PdfPageImage(const std::string& pdfPath, int page, int dpi)
{
    TempDir out;
    const std::string prefix = out.File("page");
    Run(QStringLiteral("pdftoppm"),
        { QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
            QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
            QStringLiteral("-png"), Sys(pdfPath), Sys(prefix) });
    return QImage(Sys(prefix + ".png"));
}

QRect Ink(const QImage& image, QRect within)
{
    if (!within.isValid())
        within = image.rect();
    within = within.intersected(image.rect());
    int left = within.right() + 1, top = within.bottom() + 1, right = -1, bottom = -1;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace nrt::test
