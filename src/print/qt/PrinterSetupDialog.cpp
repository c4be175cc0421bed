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

    printerCombo_ = new QComboBox(this);
    printerCombo_->setObjectName(QStringLiteral("cbo_Printer"));
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        printerCombo_->addItem(name, name);
    printerCombo_->addItem(QStringLiteral("PDF ファイル"), QString());
    const int current
        = start.driver == kDriverPdf ? printerCombo_->count() - 1 : printerCombo_->findData(gui::ToQ(start.device));
    printerCombo_->setCurrentIndex(current >= 0 ? current : 0);

    fileEdit_ = new QLineEdit(gui::ToQ(start.output), this);
    fileEdit_->setObjectName(QStringLiteral("txt_File"));

    paperCombo_ = new QComboBox(this);
    paperCombo_->setObjectName(QStringLiteral("cbo_Paper"));
    paperSourceCombo_ = new QComboBox(this);
    paperSourceCombo_->setObjectName(QStringLiteral("cbo_Source"));
    for (const auto& [number, name] : kSourceNames)
        paperSourceCombo_->addItem(QString::fromUtf8(name), number);
    paperSourceCombo_->setCurrentIndex(std::max(paperSourceCombo_->findData(start.source), 0));

    orientationCombo_ = new QComboBox(this);
    orientationCombo_->setObjectName(QStringLiteral("cbo_Orient"));
    orientationCombo_->addItem(QStringLiteral("縦"), 1);
    orientationCombo_->addItem(QStringLiteral("横"), 2);
    orientationCombo_->setCurrentIndex(start.orientation == 2 ? 1 : 0);

    copiesSpin_ = new QSpinBox(this);
    copiesSpin_->setObjectName(QStringLiteral("spn_Copies"));
    copiesSpin_->setRange(1, 999);
    copiesSpin_->setValue(std::max(start.copies, 1));

    FillPapers();
    connect(printerCombo_, &QComboBox::currentIndexChanged, this, [this] { FillPapers(); });

    const gui::DialogButtons buttons
        = gui::AddOkCancel(this, QStringLiteral("cmd_Close"), QStringLiteral("キャンセル(&C)"), [this] { accept(); });
    okButton_ = buttons.ok;
    closeButton_ = buttons.cancel;

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("プリンタ"), printerCombo_);
    form->addRow(QStringLiteral("出力ファイル"), fileEdit_);
    form->addRow(QStringLiteral("用紙"), paperCombo_);
    form->addRow(QStringLiteral("給紙方法"), paperSourceCombo_);
    form->addRow(QStringLiteral("印刷の向き"), orientationCombo_);
    form->addRow(QStringLiteral("部数"), copiesSpin_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.box);
    setMinimumWidth(420);
}

void PrinterSetupDialog::FillPapers()
{
    // The paper chosen so far stays chosen where the printer has it.
    const QSize chosen
        = paperCombo_->count() > 0 ? paperCombo_->currentData().toSize() : QSize(start_.paperWidth, start_.paperHeight);
    const QString queue = printerCombo_->currentData().toString();
    fileEdit_->setEnabled(queue.isEmpty());
    paperCombo_->clear();
    paperCombo_->addItem(QStringLiteral("印刷様式の用紙"), QSize(0, 0));
    QList<QPageSize> sizes;
    if (queue.isEmpty()) {
        for (QPageSize::PageSizeId id : kPdfPapers)
            sizes.push_back(QPageSize(id));
    } else {
        sizes = QPrinterInfo::printerInfo(queue).supportedPageSizes();
    }
    for (const QPageSize& size : sizes)
        paperCombo_->addItem(PaperText(size.name(), HundredthsOf(size)), HundredthsOf(size));
    int at = paperCombo_->findData(chosen);
    if (at < 0 && chosen.width() > 0) {
        // A size the printer does not list: kept as it was chosen.
        paperCombo_->addItem(PaperText(QStringLiteral("ユーザー定義"), chosen), chosen);
        at = paperCombo_->count() - 1;
    }
    paperCombo_->setCurrentIndex(std::max(at, 0));
}

PrinterSettings PrinterSetupDialog::Settings() const
{
    if (result() != QDialog::Accepted)
        return start_;
    PrinterSettings s = start_;
    const QString queue = printerCombo_->currentData().toString();
    if (queue.isEmpty()) {
        s.driver = kDriverPdf;
        s.device.clear();
        s.output = gui::FromQ(fileEdit_->text());
        s.isDefault = false;
    } else {
        s.driver = kDriverSystem;
        s.device = gui::FromQ(queue);
        s.output.clear();
        s.isDefault = QPrinterInfo::printerInfo(queue).isDefault();
    }
    const QSize paper = paperCombo_->currentData().toSize();
    s.paperWidth = paper.width();
    s.paperHeight = paper.height();
    s.source = paperSourceCombo_->currentData().toInt();
    s.orientation = orientationCombo_->currentData().toInt();
    s.copies = copiesSpin_->value();
    return s;
}

} // namespace nrt::print
