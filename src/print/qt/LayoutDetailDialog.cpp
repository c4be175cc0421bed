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

    cbo_AdChg = new QComboBox(this);
    cbo_AdChg->setObjectName(QStringLiteral("cbo_AdChg"));
    // The characters themselves; their names, for the three that look alike, on hover.
    cbo_AdChg->addItems({ QStringLiteral("未変換"), QStringLiteral("ー"), QStringLiteral("―"), QStringLiteral("‐") });
    cbo_AdChg->setItemData(1, QStringLiteral("長音記号"), Qt::ToolTipRole);
    cbo_AdChg->setItemData(2, QStringLiteral("ダッシュ"), Qt::ToolTipRole);
    cbo_AdChg->setItemData(3, QStringLiteral("ハイフン"), Qt::ToolTipRole);
    cbo_AdChg->setCurrentIndex(EntryOfDash(values.dashCode));

    txt_RepBack = new QLineEdit(this);
    txt_RepBack->setObjectName(QStringLiteral("txt_RepBack"));
    txt_RepBack->setValidator(new gui::SjisLimitValidator(200, txt_RepBack));
    txt_RepBack->setText(gui::ToQ(values.backgroundImage));

    chk_KanNum = new QCheckBox(QStringLiteral("数字を漢数字変換する（１２３　→　一二三）"), this);
    chk_KanNum->setObjectName(QStringLiteral("chk_KanNum"));
    chk_KanNum->setChecked(values.kanjiNumerals);
    chk_Pref = new QCheckBox(QStringLiteral("住所１の前に都道府県を印刷する"), this);
    chk_Pref->setObjectName(QStringLiteral("chk_Pref"));
    chk_Pref->setChecked(values.printPrefecture);

    const gui::DialogButtons buttons = gui::AddOkCancel(
        this, QStringLiteral("cmd_Close"), QStringLiteral("キャンセル(&C)"), [this] { cmd_OkClick(); });
    cmd_Ok = buttons.ok;
    cmd_Close = buttons.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("■「住所」を縦向き印字するとき '－'文字を変換する"), this));
    layout->addWidget(cbo_AdChg);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("■背景イメージ（プレビュー時の背景。実際には印刷しません。）"), this));
    layout->addWidget(txt_RepBack);
    layout->addSpacing(8);
    layout->addWidget(chk_KanNum);
    layout->addWidget(chk_Pref);
    layout->addStretch(1);
    layout->addWidget(buttons.box);
    setMinimumWidth(420);
    gui::EnterFocusFilter::InstallOn(this);
}

void LayoutDetailDialog::cmd_OkClick()
{
    values_.dashCode = DashOfEntry(cbo_AdChg->currentIndex() < 0 ? 0 : cbo_AdChg->currentIndex());
    values_.kanjiNumerals = chk_KanNum->isChecked();
    values_.printPrefecture = chk_Pref->isChecked();
    values_.backgroundImage = gui::FromQ(txt_RepBack->text());
    accept();
}

} // namespace nrt::print
