#include "print/qt/LayoutDetailDialog.h"

#include "app/DialogButtons.h"
#include "app/EnterFocusFilter.h"
#include "app/SjisLimitValidator.h"
#include "qt/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace nrt::print {
namespace {

constexpr std::array<std::uint16_t, 4> kDashes { 0, 0x815B, 0x815C, 0x815D };

} // namespace

int LayoutDetailDialog::EntryOfDash(std::uint16_t code)
{
    for (std::size_t i = 0; i < kDashes.size(); ++i)
        if (kDashes[i] == code)
            return static_cast<int>(i);
    return 0;
}

std::uint16_t LayoutDetailDialog::DashOfEntry(int entry)
{
    return entry >= 0 && entry < static_cast<int>(kDashes.size()) ? kDashes[static_cast<std::size_t>(entry)] : 0;
}

LayoutDetailDialog::LayoutDetailDialog(const Values& values, QWidget* parent)
    : QDialog(parent)
    , values_(values)
{
    setObjectName(QStringLiteral("frmPreSetDetail"));
    setWindowTitle(QStringLiteral("印字設定詳細"));

    dashCombo_ = new QComboBox(this);
    dashCombo_->setObjectName(QStringLiteral("cbo_AdChg"));
    // The characters themselves; their names, for the three that look alike, on hover.
    dashCombo_->addItems({ QStringLiteral("未変換"), QStringLiteral("ー"), QStringLiteral("―"), QStringLiteral("‐") });
    dashCombo_->setItemData(1, QStringLiteral("長音記号"), Qt::ToolTipRole);
    dashCombo_->setItemData(2, QStringLiteral("ダッシュ"), Qt::ToolTipRole);
    dashCombo_->setItemData(3, QStringLiteral("ハイフン"), Qt::ToolTipRole);
    dashCombo_->setCurrentIndex(EntryOfDash(values.dashCode));

    backgroundEdit_ = new QLineEdit(this);
    backgroundEdit_->setObjectName(QStringLiteral("txt_RepBack"));
    backgroundEdit_->setValidator(new gui::SjisLimitValidator(200, backgroundEdit_));
    backgroundEdit_->setText(gui::ToQ(values.backgroundImage));

    kanjiNumeralsCheck_ = new QCheckBox(QStringLiteral("数字を漢数字変換する（１２３　→　一二三）"), this);
    kanjiNumeralsCheck_->setObjectName(QStringLiteral("chk_KanNum"));
    kanjiNumeralsCheck_->setChecked(values.kanjiNumerals);
    prefectureCheck_ = new QCheckBox(QStringLiteral("住所１の前に都道府県を印刷する"), this);
    prefectureCheck_->setObjectName(QStringLiteral("chk_Pref"));
    prefectureCheck_->setChecked(values.printPrefecture);

    const gui::DialogButtons buttons = gui::AddOkCancel(
        this, QStringLiteral("cmd_Close"), QStringLiteral("キャンセル(&C)"), [this] { okClicked(); });
    okButton_ = buttons.ok;
    closeButton_ = buttons.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("■「住所」を縦向き印字するとき '－'文字を変換する"), this));
    layout->addWidget(dashCombo_);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("■背景イメージ（プレビュー時の背景。実際には印刷しません。）"), this));
    layout->addWidget(backgroundEdit_);
    layout->addSpacing(8);
    layout->addWidget(kanjiNumeralsCheck_);
    layout->addWidget(prefectureCheck_);
    layout->addStretch(1);
    layout->addWidget(buttons.box);
    setMinimumWidth(420);
    gui::EnterFocusFilter::InstallOn(this);
}

void LayoutDetailDialog::okClicked()
{
    values_.dashCode = DashOfEntry(dashCombo_->currentIndex() < 0 ? 0 : dashCombo_->currentIndex());
    values_.kanjiNumerals = kanjiNumeralsCheck_->isChecked();
    values_.printPrefecture = prefectureCheck_->isChecked();
    values_.backgroundImage = gui::FromQ(backgroundEdit_->text());
    accept();
}

} // namespace nrt::print
