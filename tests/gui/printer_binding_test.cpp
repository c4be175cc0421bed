// The printer binding: saved settings, dialogs answered by a stand-in, documents.
#include "PrintGuiSupport.h"

#include "platform/fs.h"
#include "print/PrinterSettings.h"
#include "print/qt/PrinterSetupDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using namespace nrt;
using namespace nrt::test;
using print::PrinterBinding;

namespace {

PrinterSettings Missing()
{
    PrinterSettings s;
    s.driver = "CUPS";
    s.device = "Printer_That_Was_Removed";
    s.paperWidth = 10000;
    s.paperHeight = 14800;
    return s;
}

} // namespace

TEST(PrinterBinding, SavedSettingsAreCheckedBeforeUse)
{
    PrintGuiFixture f;
    EXPECT_EQ(f.printer.CheckSavedPrinter(), print::SavedPrinter::NotSet);
    EXPECT_EQ(U(f.messages.LastText()), "プリンタ設定がされていません。");

    const std::string prd = f.dir.File("form.prd");
    ASSERT_TRUE(WritePrinterSettings(prd, Missing()).Ok());
    ASSERT_EQ(f.printer.ReadSettings(prd), PrdRead::Read);
    EXPECT_EQ(f.printer.CheckSavedPrinter(), print::SavedPrinter::Unreachable);
    EXPECT_EQ(U(f.messages.LastText()), "プリンタ設定に失敗しました。\n通常使うプリンタの設定を使用します。");

    // The print dialog then starts from the default printer with the form's paper.
    bool asked = false;
    f.printer.SetDialogStandIn([&](QPrinter& p, bool setup) {
        asked = true;
        EXPECT_FALSE(setup);
        EXPECT_NE(p.printerName(), QStringLiteral("Printer_That_Was_Removed"));
        const QSizeF mm = p.pageLayout().pageSize().size(QPageSize::Millimeter);
        EXPECT_NEAR(mm.width(), 100.0, 0.01);
        EXPECT_NEAR(mm.height(), 148.0, 0.01);
        return false;
    });
    EXPECT_EQ(f.printer.OpenPrintDialog(nullptr, true, print::Paper { 10000, 14800 }), nullptr);
    EXPECT_TRUE(asked);

    // A file that cannot be opened keeps what was read; a damaged one drops it.
    EXPECT_EQ(f.printer.ReadSettings(f.dir.File("none.prd")), PrdRead::CannotOpen);
    EXPECT_TRUE(f.printer.HasSavedSettings());
    WriteAll(f.dir.File("bad.prd"), "XX");
    EXPECT_EQ(f.printer.ReadSettings(f.dir.File("bad.prd")), PrdRead::BadMagic);
    EXPECT_EQ(U(f.messages.LastText()), "印刷設定エラー(-2)");
    EXPECT_FALSE(f.printer.HasSavedSettings());
}

TEST(PrinterBinding, SavedPdfSettingsReachTheDialog)
{
    PrintGuiFixture f;
    PrinterSettings s;
    s.driver = "PDF";
    s.output = f.dir.File("saved.pdf");
    s.paperWidth = 9000;
    s.paperHeight = 20500;
    s.orientation = 2;
    s.copies = 3;
    const std::string prd = f.dir.File("env.prd");
    ASSERT_TRUE(WritePrinterSettings(prd, s).Ok());
    ASSERT_EQ(f.printer.ReadSettings(prd), PrdRead::Read);
    f.printer.SetDialogStandIn([&](QPrinter& p, bool) {
        EXPECT_EQ(p.outputFormat(), QPrinter::PdfFormat);
        EXPECT_EQ(p.outputFileName().toStdString(), platform::fs::ToSystemPath(s.output));
        const QSizeF mm = p.pageLayout().pageSize().size(QPageSize::Millimeter);
        EXPECT_NEAR(mm.width(), 90.0, 0.5);
        EXPECT_NEAR(mm.height(), 205.0, 0.5);
        EXPECT_EQ(p.pageLayout().orientation(), QPageLayout::Landscape);
        EXPECT_EQ(p.copyCount(), 3);
        return true;
    });
    ASSERT_NE(f.printer.OpenPrintDialog(nullptr, true), nullptr);
    EXPECT_EQ(f.printer.DriverName(), "PDF");
    EXPECT_EQ(f.printer.PortName(), s.output);
    EXPECT_EQ(f.printer.FromPage(), 1);
    EXPECT_EQ(f.printer.ToPage(), 99999);
}

TEST(PrinterBinding, PrinterSetupWritesOrLeavesTheFile)
{
    PrintGuiFixture f;
    const std::string prd = f.dir.File("form.prd");
    WriteAll(prd, "previous");
    f.printer.SetDialogStandIn([](QPrinter&, bool setup) {
        EXPECT_TRUE(setup);
        return false;
    });
    EXPECT_EQ(f.printer.PrinterSetupAndSave(nullptr, prd, false), print::PrinterBinding::Setup::Cancelled);
    EXPECT_EQ(ReadAll(prd), "previous");

    const std::string out = f.dir.File("chosen.pdf");
    f.printer.SetDialogStandIn([&](QPrinter& p, bool) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QString::fromStdString(platform::fs::ToSystemPath(out)));
        p.setPageSize(QPageSize(QPageSize::A4));
        p.setCopyCount(2);
        return true;
    });
    ASSERT_EQ(f.printer.PrinterSetupAndSave(nullptr, prd, false), print::PrinterBinding::Setup::Saved);
    PrinterSettings read;
    ASSERT_EQ(ReadPrinterSettings(prd, read), PrdRead::Read);
    EXPECT_EQ(read.driver, "PDF");
    EXPECT_EQ(read.output, out);
    EXPECT_EQ(read.paperWidth, 21000);
    EXPECT_EQ(read.paperHeight, 29700);
    EXPECT_EQ(read.copies, 2);

    // A file that cannot be written is said, with the file and the reason.
    const std::string nowhere = f.dir.File("no/folder.prd");
    EXPECT_EQ(f.printer.PrinterSetupAndSave(nullptr, nowhere, false), print::PrinterBinding::Setup::NotWritten);
    const std::string said = U(f.messages.LastText());
    EXPECT_EQ(said.substr(0, said.find('\n')), "プリンタ設定を保存できませんでした。");
    const std::string file = U(nowhere) + '\n';
    EXPECT_EQ(said.substr(said.find('\n') + 1, file.size()), file) << said;
}

TEST(PrinterBinding, DocumentsAndPages)
{
    PrintGuiFixture f;
    EXPECT_EQ(f.printer.StartDoc(S("宛名印刷")), print::JobStep::Refused);
    ASSERT_FALSE(f.messages.shown.empty());
    EXPECT_EQ(U(f.messages.shown.back().text), "HDCが取得されてません。");
    EXPECT_EQ(f.messages.shown.back().caption, "Print");

    // A PDF file that cannot be created: the reason, captioned "StartDoc".
    f.PrintToPdf(f.dir.File("no/such/folder/out.pdf"));
    ASSERT_NE(f.printer.OpenPrintDialog(nullptr, false), nullptr);
    EXPECT_EQ(f.printer.StartDoc(S("宛名印刷")), print::JobStep::Refused);
    EXPECT_EQ(f.messages.shown.back().caption, "StartDoc");
    EXPECT_EQ(f.messages.shown.back().icon, platform::MsgIcon::Error);
    EXPECT_EQ(f.printer.Printer(), nullptr);

    // Pages 2 to 3 chosen in the dialog.
    const std::string pdf = f.dir.File("out.pdf");
    f.PrintToPdf(pdf, 2, 3);
    ASSERT_NE(f.printer.OpenPrintDialog(nullptr, false), nullptr);
    EXPECT_EQ(f.printer.FromPage(), 2);
    EXPECT_EQ(f.printer.ToPage(), 3);
    ASSERT_EQ(f.printer.StartDoc(S("宛名印刷")), print::JobStep::Ready);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(f.printer.StartPage(), print::JobStep::Ready);
        f.printer.Painter().drawText(QPointF(100, 100), QStringLiteral("page %1").arg(i + 1));
        f.printer.EndPage();
    }
    f.printer.EndDoc();
    EXPECT_EQ(PdfPageCount(pdf), 2);
    EXPECT_EQ(PdfPageTexts(pdf)[1], "page2");
    EXPECT_EQ(f.printer.Printer(), nullptr);
}

TEST(PrinterBinding, TheSettingsWindowOffersPaperAndSource)
{
    PrintGuiFixture f;
    const std::string prd = f.dir.File("form.prd");
    const std::string out = f.dir.File("cards.pdf");
    WhenModal<print::PrinterSetupDialog>([&](print::PrinterSetupDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("プリンタの設定"));
        Control<QComboBox>(d, "cbo_Printer")
            ->setCurrentIndex(Control<QComboBox>(d, "cbo_Printer")->count() - 1); // "PDF ファイル"
        EXPECT_EQ(Control<QComboBox>(d, "cbo_Paper")->itemText(0), QStringLiteral("印刷様式の用紙"))
            << "the form's own paper first";
        const int postcard = Control<QComboBox>(d, "cbo_Paper")->findData(QSize(10000, 14800));
        ASSERT_GE(postcard, 0);
        Control<QComboBox>(d, "cbo_Paper")->setCurrentIndex(postcard);
        Control<QComboBox>(d, "cbo_Source")
            ->setCurrentIndex(Control<QComboBox>(d, "cbo_Source")->findText(QStringLiteral("手差し")));
        Control<QLineEdit>(d, "txt_File")->setText(QString::fromStdString(platform::fs::ToSystemPath(out)));
        Control<QSpinBox>(d, "spn_Copies")->setValue(2);
        Control<QPushButton>(d, "cmd_Ok")->click();
    });
    ASSERT_EQ(f.printer.PrinterSetupAndSave(nullptr, prd, false), print::PrinterBinding::Setup::Saved);
    PrinterSettings read;
    ASSERT_EQ(ReadPrinterSettings(prd, read), PrdRead::Read);
    EXPECT_EQ(read.driver, "PDF");
    EXPECT_EQ(read.output, out);
    EXPECT_EQ(read.paperWidth, 10000);
    EXPECT_EQ(read.paperHeight, 14800);
    EXPECT_EQ(read.source, 4);
    EXPECT_EQ(read.copies, 2);

    // Opened again on those settings, it shows them; the form's own paper is stored
    // as no paper at all.
    WhenModal<print::PrinterSetupDialog>([&](print::PrinterSetupDialog& d) {
        EXPECT_EQ(Control<QComboBox>(d, "cbo_Paper")->currentData().toSize(), QSize(10000, 14800));
        EXPECT_EQ(Control<QComboBox>(d, "cbo_Source")->currentText(), QStringLiteral("手差し"));
        Control<QComboBox>(d, "cbo_Paper")->setCurrentIndex(0);
        Control<QPushButton>(d, "cmd_Ok")->click();
    });
    ASSERT_EQ(f.printer.PrinterSetupAndSave(nullptr, prd, true), print::PrinterBinding::Setup::Saved);
    ASSERT_EQ(ReadPrinterSettings(prd, read), PrdRead::Read);
    EXPECT_EQ(read.paperWidth, 0);
    EXPECT_EQ(read.source, 4);

    // A job on those settings prints on the chosen paper, whatever the dialog left.
    PrinterSettings a5 = read;
    a5.paperWidth = 14800;
    a5.paperHeight = 21000;
    ASSERT_TRUE(WritePrinterSettings(prd, a5).Ok());
    ASSERT_EQ(f.printer.ReadSettings(prd), PrdRead::Read);
    f.printer.SetDialogStandIn([](QPrinter& p, bool) {
        p.setPageSize(QPageSize(QPageSize::Letter));
        return true;
    });
    QPrinter* job = f.printer.OpenPrintDialog(nullptr, true, print::Paper { 10000, 14800 });
    ASSERT_NE(job, nullptr);
    const QSizeF mm = job->pageLayout().pageSize().size(QPageSize::Millimeter);
    EXPECT_NEAR(mm.width(), 148.0, 0.01);
    EXPECT_NEAR(mm.height(), 210.0, 0.01);
}
