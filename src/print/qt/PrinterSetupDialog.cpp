#include "print/qt/PrinterSetupDialog.h"

#include "app/DialogButtons.h"
#include "qt/QtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>
#include <utility>

namespace nrt::print {
namespace {

// The sources as the settings file numbers them.
constexpr std::array<std::pair<std::int32_t, const char*>, 14> kSourceNames { {
    { 0, "プリンタの既定" },
    { 7, "自動選択" },
    { 1, "上段トレイ" },
    { 3, "中段トレイ" },
    { 2, "下段トレイ" },
    { 4, "手差し" },
    { 5, "封筒トレイ" },
    { 6, "封筒手差し" },
    { 14, "カセット" },
    { 11, "大容量トレイ" },
    { 9, "小型用紙" },
    { 10, "大型用紙" },
    { 8, "トラクタ" },
    { 15, "フォームソース" },
} };

// Paper offered when the job goes to a PDF file.
constexpr std::array<QPageSize::PageSizeId, 9> kPdfPapers { QPageSize::Postcard, QPageSize::DoublePostcard,
    QPageSize::A4, QPageSize::A5, QPageSize::B5, QPageSize::EnvelopeChou3, QPageSize::EnvelopeChou4,
    QPageSize::EnvelopeYou4, QPageSize::EnvelopeKaku2 };

// Portrait size in 0.01 mm, as the settings file holds it.
QSize HundredthsOf(const QPageSize& size)
{
    const QSizeF mm = size.size(QPageSize::Millimeter);
    const auto w = static_cast<int>(mm.width() * 100 + 0.5), h = static_cast<int>(mm.height() * 100 + 0.5);
    return QSize(std::min(w, h), std::max(w, h));
}

QString PaperText(const QString& name, QSize hundredths)
{
    return QStringLiteral("%1 (%2 x %3 mm)")
        .arg(name)
        .arg(hundredths.width() / 100.0, 0, 'f', 2)
        .arg(hundredths.height() / 100.0, 0, 'f', 2);
}

} // namespace

PrinterSetupDialog::PrinterSetupDialog(const PrinterSettings& start, QWidget* parent)
    : QDialog(parent)
    , start_(start)
{
    setObjectName(QStringLiteral("frmPrnSetup"));
    setWindowTitle(QStringLiteral("プリンタの設定"));

    cbo_Printer = new QComboBox(this);
    cbo_Printer->setObjectName(QStringLiteral("cbo_Printer"));
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        cbo_Printer->addItem(name, name);
    cbo_Printer->addItem(QStringLiteral("PDF ファイル"), QString());
    const int current
        = start.driver == kDriverPdf ? cbo_Printer->count() - 1 : cbo_Printer->findData(gui::ToQ(start.device));
    cbo_Printer->setCurrentIndex(current >= 0 ? current : 0);

    txt_File = new QLineEdit(gui::ToQ(start.output), this);
    txt_File->setObjectName(QStringLiteral("txt_File"));

    cbo_Paper = new QComboBox(this);
    cbo_Paper->setObjectName(QStringLiteral("cbo_Paper"));
    cbo_Source = new QComboBox(this);
    cbo_Source->setObjectName(QStringLiteral("cbo_Source"));
    for (const auto& [number, name] : kSourceNames)
        cbo_Source->addItem(QString::fromUtf8(name), number);
    cbo_Source->setCurrentIndex(std::max(cbo_Source->findData(start.source), 0));

    cbo_Orient = new QComboBox(this);
    cbo_Orient->setObjectName(QStringLiteral("cbo_Orient"));
    cbo_Orient->addItem(QStringLiteral("縦"), 1);
    cbo_Orient->addItem(QStringLiteral("横"), 2);
    cbo_Orient->setCurrentIndex(start.orientation == 2 ? 1 : 0);

    spn_Copies = new QSpinBox(this);
    spn_Copies->setObjectName(QStringLiteral("spn_Copies"));
    spn_Copies->setRange(1, 999);
    spn_Copies->setValue(std::max(start.copies, 1));

    FillPapers();
    connect(cbo_Printer, &QComboBox::currentIndexChanged, this, [this] { FillPapers(); });

    const gui::DialogButtons buttons
        = gui::AddOkCancel(this, QStringLiteral("cmd_Close"), QStringLiteral("キャンセル(&C)"), [this] { accept(); });
    cmd_Ok = buttons.ok;
    cmd_Close = buttons.cancel;

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("プリンタ"), cbo_Printer);
    form->addRow(QStringLiteral("出力ファイル"), txt_File);
    form->addRow(QStringLiteral("用紙"), cbo_Paper);
    form->addRow(QStringLiteral("給紙方法"), cbo_Source);
    form->addRow(QStringLiteral("印刷の向き"), cbo_Orient);
    form->addRow(QStringLiteral("部数"), spn_Copies);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.box);
    setMinimumWidth(420);
}

void PrinterSetupDialog::FillPapers()
{
    // The paper chosen so far stays chosen where the printer has it.
    const QSize chosen
        = cbo_Paper->count() > 0 ? cbo_Paper->currentData().toSize() : QSize(start_.paperWidth, start_.paperHeight);
    const QString queue = cbo_Printer->currentData().toString();
    txt_File->setEnabled(queue.isEmpty());
    cbo_Paper->clear();
    cbo_Paper->addItem(QStringLiteral("印刷様式の用紙"), QSize(0, 0));
    QList<QPageSize> sizes;
    if (queue.isEmpty()) {
        for (QPageSize::PageSizeId id : kPdfPapers)
            sizes.push_back(QPageSize(id));
    } else {
        sizes = QPrinterInfo::printerInfo(queue).supportedPageSizes();
    }
    for (const QPageSize& size : sizes)
        cbo_Paper->addItem(PaperText(size.name(), HundredthsOf(size)), HundredthsOf(size));
    int at = cbo_Paper->findData(chosen);
    if (at < 0 && chosen.width() > 0) {
        // A size the printer does not list: kept as it was chosen.
        cbo_Paper->addItem(PaperText(QStringLiteral("ユーザー定義"), chosen), chosen);
        at = cbo_Paper->count() - 1;
    }
    cbo_Paper->setCurrentIndex(std::max(at, 0));
}

PrinterSettings PrinterSetupDialog::Settings() const
{
    if (result() != QDialog::Accepted)
        return start_;
    PrinterSettings s = start_;
    const QString queue = cbo_Printer->currentData().toString();
    if (queue.isEmpty()) {
        s.driver = kDriverPdf;
        s.device.clear();
        s.output = gui::FromQ(txt_File->text());
        s.isDefault = false;
    } else {
        s.driver = kDriverSystem;
        s.device = gui::FromQ(queue);
        s.output.clear();
        s.isDefault = QPrinterInfo::printerInfo(queue).isDefault();
    }
    const QSize paper = cbo_Paper->currentData().toSize();
    s.paperWidth = paper.width();
    s.paperHeight = paper.height();
    s.source = cbo_Source->currentData().toInt();
    s.orientation = cbo_Orient->currentData().toInt();
    s.copies = spn_Copies->value();
    return s;
}

} // namespace nrt::print
