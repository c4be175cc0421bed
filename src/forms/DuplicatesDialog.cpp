#include "forms/DuplicatesDialog.h"

#include "app/Commands.h"
#include "app/MainWindow.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace nrt::gui {
namespace {

// One pair takes two rows: the record kept above, the one merged into it below.
constexpr int kRowsPerPair = 2;

} // namespace

DuplicatesDialog::DuplicatesDialog(MainWindow& main, QWidget* parent)
    : QDialog(parent)
    , main_(main)
{
    setObjectName(QStringLiteral("frmDuplicates"));
    setWindowTitle(QStringLiteral("ノルテア（重複する宛名）"));
    setModal(true);
    resize(760, 420);

    auto* box = new QVBoxLayout(this);
    auto* hint
        = new QLabel(QStringLiteral("同じ人・会社と思われる宛名の組です。「統合」で下の宛名を上の宛名にまとめます"
                                    "（空の項目は補い、違う値は備考２に残します）。"),
            this);
    hint->setWordWrap(true);
    box->addWidget(hint);

    pairsTable_ = new QTableWidget(this);
    pairsTable_->setObjectName(QStringLiteral("gri_Pairs"));
    pairsTable_->setColumnCount(6);
    pairsTable_->setHorizontalHeaderLabels({ QStringLiteral("名前"), QStringLiteral("カナ"), QStringLiteral("住所"),
        QStringLiteral("電話番号"), QStringLiteral("メール"), QStringLiteral("共通") });
    pairsTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    pairsTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    pairsTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pairsTable_->verticalHeader()->hide();
    pairsTable_->horizontalHeader()->setStretchLastSection(true);
    box->addWidget(pairsTable_, 1);

    countLabel_ = new QLabel(this);
    countLabel_->setObjectName(QStringLiteral("lbl_Ken"));
    mergeButton_ = new QPushButton(QStringLiteral("統合(&M)"), this);
    mergeButton_->setObjectName(QStringLiteral("cmd_Merge"));
    closeButton_ = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    closeButton_->setObjectName(QStringLiteral("cmd_Close"));
    mergeButton_->setAutoDefault(false);
    closeButton_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(countLabel_);
    buttons->addStretch(1);
    buttons->addWidget(mergeButton_);
    buttons->addWidget(closeButton_);
    box->addLayout(buttons);

    connect(mergeButton_, &QPushButton::clicked, this, &DuplicatesDialog::mergeClicked);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
    Fill();
}

void DuplicatesDialog::Fill()
{
    const AddressTable& db = main_.Table();
    {
        WaitCursor wait;
        pairs_ = dedupe::FindDuplicates(db);
    }
    auto value = [&](int f, int k) { return ToQ(db.Value(db.FindField(SchemaFieldName(f)), k)); };
    pairsTable_->setRowCount(static_cast<int>(pairs_.size()) * kRowsPerPair);
    int row = 0;
    for (const dedupe::DuplicatePair& p : pairs_) {
        for (const int k : { p.first, p.second }) {
            const QString address
                = value(field::kPrefecture, k) + value(field::kAddress1, k) + value(field::kAddress2, k);
            const QString phone
                = value(field::kPhone, k).isEmpty() ? value(field::kMobile, k) : value(field::kPhone, k);
            const QStringList cells { value(field::kName, k), value(field::kKana, k), address, phone,
                value(field::kMail, k), k == p.first ? ToQ(dedupe::SharedText(p.shared)) : QString() };
            for (int c = 0; c < cells.size(); ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                // The merged-away record is set off in grey, every other pair shaded.
                if (k == p.second)
                    item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
                if (row / kRowsPerPair % 2 == 1)
                    item->setBackground(palette().color(QPalette::AlternateBase));
                pairsTable_->setItem(row, c, item);
            }
            ++row;
        }
    }
    pairsTable_->resizeColumnsToContents();
    countLabel_->setText(QStringLiteral("%1 組").arg(pairs_.size()));
    mergeButton_->setEnabled(!pairs_.empty());
    if (!pairs_.empty())
        pairsTable_->selectRow(0);
}

void DuplicatesDialog::mergeClicked()
{
    const int row = pairsTable_->currentRow();
    if (row < 0 || row / kRowsPerPair >= static_cast<int>(pairs_.size())) {
        platform::Beep();
        return;
    }
    const dedupe::DuplicatePair pair = pairs_[static_cast<std::size_t>(row / kRowsPerPair)];
    AddressTable& db = main_.Table();
    const int name = db.FindField(SchemaFieldName(field::kName));
    if (!platform::Ask(SJ("「") + std::string(db.Value(name, pair.second)) + SJ("」を「")
            + std::string(db.Value(name, pair.first)) + SJ("」に統合します。よろしいですか？")))
        return;
    const dedupe::MergedRecord merged = dedupe::MergeValues(db, pair.first, pair.second);
    if (!merged.fits) {
        platform::Warn(SJ("違う値が備考２に入りきりません。統合しませんでした。"));
        return;
    }
    if (dedupe::StoreMerged(db, pair.first, merged) != RecordError::kNone) {
        platform::Warn(SJ("統合に失敗しました。"));
        return;
    }
    // The merged record is on disk before the other one goes: a stop in between leaves
    // both, never neither.
    if (!main_.SaveBook())
        return;
    if (!db.MarkDeleted(pair.second)) {
        platform::Warn(SJ("統合に失敗しました。"));
        return;
    }
    main_.SaveBook();
    main_.KeepRecord(pair.first);
    main_.RefreshList();
    Fill();
}

void InstallDuplicatesCommands(MainWindow& main)
{
    auto* action = new QAction(QStringLiteral("重複する宛名の統合(&U)..."), &main);
    action->setObjectName(QStringLiteral("mnuEditDuplicates"));
    main.EditMenu()->addAction(action);
    QObject::connect(action, &QAction::triggered, &main, [&main] {
        DuplicatesDialog dialog(main, &main);
        dialog.exec();
    });
}

} // namespace nrt::gui
