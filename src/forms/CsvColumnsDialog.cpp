#include "forms/CsvColumnsDialog.h"

#include "db/AddressTable.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace nrt::gui {
namespace {

// Rows of the file shown under the choices.
constexpr int kPreviewRows = 5;

} // namespace

CsvColumnsDialog::CsvColumnsDialog(AppSettings& settings, const AddressTable& table, std::string path, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , table_(table)
    , path_(std::move(path))
{
    setObjectName(QStringLiteral("frmCsvColumns"));
    setWindowTitle(QStringLiteral("ノルテア（インポートする列）"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("列ごとに取り込む項目を選んで下さい。"), this);
    headerCheck_ = new QCheckBox(QStringLiteral("1行目は項目名"), this);
    headerCheck_->setObjectName(QStringLiteral("chk_Header"));
    previewTable_ = new QTableWidget(this);
    previewTable_->setObjectName(QStringLiteral("grd_Preview"));
    previewTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    previewTable_->setMinimumSize(640, 240);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("インポート(&I)"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    layout->addWidget(text);
    layout->addWidget(headerCheck_);
    layout->addWidget(previewTable_, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CsvColumnsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // A file without a header whose columns were mapped before (and whose first line
    // was never mapped as a header), or whose first line is data, starts without one.
    CsvImport::Preview plain;
    bool headerless = false;
    if (CsvImport::ReadPreview(path_, false, 1, plain) == CsvReader::Result::kOk && !plain.rows.empty())
        headerless
            = !CsvColumnMap::Suggest(settings_.DataFile(CsvColumnMap::kFileName), plain.rows.front(), table_).hasHeader;
    headerCheck_->setChecked(!headerless);
    connect(headerCheck_, &QCheckBox::toggled, this, &CsvColumnsDialog::Reload);
    Reload();
}

void CsvColumnsDialog::Reload()
{
    const bool hasHeader = headerCheck_->isChecked();
    CsvImport::Preview preview;
    // A file that cannot be read shows no columns; the import then says why.
    static_cast<void>(CsvImport::ReadPreview(path_, hasHeader, kPreviewRows, preview));
    headers_ = preview.headers;
    if (!CsvColumnMap::Recall(settings_.DataFile(CsvColumnMap::kFileName), CsvColumnMap::Key(headers_, hasHeader),
            headers_.size(), suggested_))
        suggested_ = hasHeader ? CsvColumnMap::Recognise(headers_, table_) : std::vector<ColumnTarget>(headers_.size());

    const int columns = static_cast<int>(headers_.size());
    previewTable_->clear();
    previewTable_->setColumnCount(columns);
    previewTable_->setRowCount(1 + static_cast<int>(preview.rows.size()));
    QStringList labels;
    for (int c = 0; c < columns; ++c)
        labels << (hasHeader ? ToQ(headers_[static_cast<std::size_t>(c)]) : QStringLiteral("%1列目").arg(c + 1));
    previewTable_->setHorizontalHeaderLabels(labels);
    QStringList rows { QStringLiteral("項目") };
    for (std::size_t r = 0; r < preview.rows.size(); ++r)
        rows << QString::number(r + 1);
    previewTable_->setVerticalHeaderLabels(rows);
    fields_.clear();
    for (int c = 0; c < columns; ++c) {
        const ColumnTarget& t = suggested_[static_cast<std::size_t>(c)];
        auto* box = new QComboBox(previewTable_);
        box->setObjectName(QStringLiteral("cbo_Field%1").arg(c + 1));
        box->addItem(QStringLiteral("（取り込まない）"), QString());
        if (t.field == CsvColumnMap::kPhoneByKind)
            box->addItem(QStringLiteral("電話番号・携帯番号・ＦＡＸ（種類による）"), ToQ(t.field));
        if (t.field == CsvColumnMap::kGroups)
            box->addItem(QStringLiteral("大分類・小分類（区切りで分ける）"), ToQ(t.field));
        for (int f = 0; f < table_.GetFieldCount(); ++f)
            box->addItem(ToQ(table_.GetField(f).name), ToQ(table_.GetField(f).name));
        box->setCurrentIndex(std::max(0, box->findData(ToQ(t.field))));
        previewTable_->setCellWidget(0, c, box);
        fields_.push_back(box);
        for (std::size_t r = 0; r < preview.rows.size(); ++r)
            previewTable_->setItem(
                static_cast<int>(r) + 1, c, new QTableWidgetItem(ToQ(preview.rows[r][static_cast<std::size_t>(c)])));
    }
    previewTable_->resizeColumnsToContents();
}

CsvImport::Mapping CsvColumnsDialog::Mapping() const
{
    CsvImport::Mapping mapping;
    mapping.hasHeader = headerCheck_->isChecked();
    for (std::size_t c = 0; c < fields_.size(); ++c) {
        ColumnTarget t;
        t.field = FromQ(fields_[c]->currentData().toString());
        // A field left as recognised keeps its place among the columns it is joined from.
        if (c < suggested_.size() && suggested_[c].field == t.field) {
            t.rank = suggested_[c].rank;
            t.kindColumn = suggested_[c].kindColumn;
        }
        mapping.targets.push_back(std::move(t));
    }
    return mapping;
}

void CsvColumnsDialog::accept()
{
    const CsvImport::Mapping mapping = Mapping();
    CsvColumnMap::Remember(
        settings_.DataFile(CsvColumnMap::kFileName), CsvColumnMap::Key(headers_, mapping.hasHeader), mapping.targets);
    QDialog::accept();
}

} // namespace nrt::gui
