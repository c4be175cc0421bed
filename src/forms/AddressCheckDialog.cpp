#include "forms/AddressCheckDialog.h"

#include "app/DialogButtons.h"
#include "db/AddressTable.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "postal/BusinessCodes.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace nrt::gui {
namespace {

enum Column { kMendColumn, kNameColumn, kKindColumn, kProblemColumn, kSuggestionColumn, kColumnCount };

QString NameOf(const AddressTable& table, int k)
{
    if (k < 0)
        return QStringLiteral("（印刷全体）");
    const std::string_view name = table.Value(field::kName, k);
    return ToQ(name.empty() ? table.Value(field::kCompany, k) : name);
}

} // namespace

AddressCheckDialog::AddressCheckDialog(
    AddressTable& table, std::vector<check::Finding> findings, std::function<bool()> save, QWidget* parent)
    : QDialog(parent)
    , table_(table)
    , findings_(std::move(findings))
    , save_(std::move(save))
{
    setObjectName(QStringLiteral("frmAddressCheck"));
    setWindowTitle(QStringLiteral("宛名チェック"));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(findings_.empty()
            ? QStringLiteral("問題は見つかりませんでした。")
            : QStringLiteral("%1件の問題が見つかりました。修正する項目に印を付けて「修正」を押して下さい。")
                  .arg(findings_.size()),
        this);
    summary_->setObjectName(QStringLiteral("lblSummary"));
    layout->addWidget(summary_);

    list_ = new QTableWidget(static_cast<int>(findings_.size()), kColumnCount, this);
    list_->setObjectName(QStringLiteral("grdFindings"));
    list_->setHorizontalHeaderLabels({ QStringLiteral("修正"), QStringLiteral("名前"), QStringLiteral("種類"),
        QStringLiteral("内容"), QStringLiteral("修正案") });
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->verticalHeader()->hide();
    list_->setAccessibleName(QStringLiteral("Findings"));
    for (int row = 0; row < list_->rowCount(); ++row) {
        const check::Finding& f = findings_[static_cast<std::size_t>(row)];
        auto* mend = new QTableWidgetItem;
        // Only a mend of one field can be put in here; the rest are the user's to do.
        if (f.Mendable()) {
            mend->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            mend->setCheckState(Qt::Checked);
        } else {
            mend->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        }
        list_->setItem(row, kMendColumn, mend);
        list_->setItem(row, kNameColumn, new QTableWidgetItem(NameOf(table_, f.record)));
        list_->setItem(row, kKindColumn, new QTableWidgetItem(ToQ(check::KindName(f.kind))));
        list_->setItem(row, kProblemColumn, new QTableWidgetItem(ToQ(f.problem)));
        list_->setItem(row, kSuggestionColumn, new QTableWidgetItem(ToQ(f.suggestion)));
    }
    list_->resizeColumnsToContents();
    list_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(list_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    mendButton_ = new QPushButton(QStringLiteral("修正(&M)"), this);
    mendButton_->setObjectName(QStringLiteral("cmdMend"));
    mendButton_->setEnabled(
        std::any_of(findings_.begin(), findings_.end(), [](const check::Finding& f) { return f.Mendable(); }));
    auto* close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(mendButton_);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(mendButton_, &QPushButton::clicked, this, [this] { ApplyChecked(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(900, 420);
}

int AddressCheckDialog::ApplyChecked()
{
    std::vector<check::Finding> chosen;
    std::vector<int> rows;
    for (int row = 0; row < list_->rowCount(); ++row) {
        QTableWidgetItem* mend = list_->item(row, kMendColumn);
        const check::Finding& f = findings_[static_cast<std::size_t>(row)];
        if (f.Mendable() && (mend->flags() & Qt::ItemIsUserCheckable) && mend->checkState() == Qt::Checked) {
            chosen.push_back(f);
            rows.push_back(row);
        }
    }
    if (chosen.empty())
        return 0;
    const int applied = check::ApplyMends(table_, chosen);
    if (applied != static_cast<int>(chosen.size()))
        platform::Warn(SJ("修正できなかった項目があります。"));
    if (!save_())
        return 0;
    for (int row : rows) {
        QTableWidgetItem* mend = list_->item(row, kMendColumn);
        mend->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        mend->setData(Qt::CheckStateRole, QVariant());
        mend->setText(QStringLiteral("済"));
    }
    applied_ += applied;
    summary_->setText(QStringLiteral("%1件を修正して保存しました。").arg(applied_));
    return applied;
}

std::vector<check::Finding> CheckForWindow(const AppSettings& settings, const AddressTable& table,
    const std::vector<int>& records, const check::CheckOptions& options)
{
    const check::PostalIndex postal = check::PostalIndex::Load(settings.PostalFile({}));
    check::CheckOptions withFirms = options;
    withFirms.business = check::BusinessLookupOf(settings.DataFile(kBusinessCodeFile));
    return check::CheckRecords(table, records, postal, withFirms);
}

} // namespace nrt::gui
