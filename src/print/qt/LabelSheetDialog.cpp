#include "print/qt/LabelSheetDialog.h"

#include "app/DialogButtons.h"
#include "app/EnterFocusFilter.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "qt/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::print {

LabelSheetDialog::LabelSheetDialog(LayoutHeader& header, QWidget* parent, std::string sheetFile)
    : QDialog(parent)
    , header_(header)
    , sheetFile_(std::move(sheetFile))
{
    setObjectName(QStringLiteral("frmLabel"));
    setWindowTitle(QStringLiteral("ラベル設定"));

    labelsCheck_ = new QCheckBox(QStringLiteral("ラベルを使用する。"), this);
    labelsCheck_->setObjectName(QStringLiteral("chk_Label"));

    struct FieldInfo {
        QLineEdit* LabelSheetDialog::*member;
        const char* name;
        const char* caption;
        int maxLength;
    };
    static constexpr std::array<FieldInfo, kLabelFieldCount> kFields { {
        { &LabelSheetDialog::sheetWidthEdit_, "txt_Pw", "用紙幅", 6 },
        { &LabelSheetDialog::sheetHeightEdit_, "txt_Ph", "用紙高さ", 6 },
        { &LabelSheetDialog::leftMarginEdit_, "txt_Sx", "横余白", 6 },
        { &LabelSheetDialog::topMarginEdit_, "txt_Sy", "上余白", 6 },
        { &LabelSheetDialog::widthEdit_, "txt_Width", "幅", 6 },
        { &LabelSheetDialog::heightEdit_, "txt_Height", "高さ", 6 },
        { &LabelSheetDialog::horizontalGapEdit_, "txt_Dw", "水平間隔", 6 },
        { &LabelSheetDialog::verticalGapEdit_, "txt_Dh", "垂直間隔", 6 },
        { &LabelSheetDialog::columnsEdit_, "txt_Col", "列数", 1 },
        { &LabelSheetDialog::rowsEdit_, "txt_Row", "行数", 2 },
    } };

    auto* grid = new QGridLayout;
    const LabelTexts texts = LabelTextsOf(header_);
    for (int i = 0; i < kLabelFieldCount; ++i) {
        const FieldInfo& info = kFields[static_cast<std::size_t>(i)];
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(info.name));
        edit->setMaxLength(info.maxLength);
        edit->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setAlignment(Qt::AlignRight);
        edit->setText(gui::ToQ(texts[static_cast<std::size_t>(i)]));
        edit->installEventFilter(this);
        const auto field = static_cast<LabelField>(i);
        connect(edit, &QLineEdit::textEdited, this, [this, field] { edited_[field] = true; });
        this->*(info.member) = edit;
        fields_[static_cast<std::size_t>(i)] = edit;
        // Two columns: the sheet on the left, the cells on the right.
        const int row = i / 2, column = (i % 2) * 3;
        grid->addWidget(new QLabel(QString::fromUtf8(info.caption), this), row, column);
        grid->addWidget(edit, row, column + 1);
        grid->addWidget(new QLabel(IsLabelCount(field) ? QString() : QStringLiteral("mm"), this), row, column + 2);
    }
    grid->setColumnMinimumWidth(3, 80);

    sheetCombo_ = new QComboBox(this);
    sheetCombo_->setObjectName(QStringLiteral("cbo_Sheet"));
    FillSheetList();
    connect(sheetCombo_, &QComboBox::activated, this, &LabelSheetDialog::sheetChanged);
    saveSheetButton_ = new QPushButton(QStringLiteral("用紙を登録(&S)..."), this);
    saveSheetButton_->setObjectName(QStringLiteral("cmd_SaveSheet"));
    saveSheetButton_->setEnabled(!sheetFile_.empty());
    connect(saveSheetButton_, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QString name = QInputDialog::getText(
            this, QStringLiteral("用紙を登録"), QStringLiteral("用紙の名前"), QLineEdit::Normal, QString(), &ok);
        if (ok)
            SaveSheetAs(gui::FromQ(name.trimmed()));
    });
    auto* sheetRow = new QHBoxLayout;
    sheetRow->addWidget(new QLabel(QStringLiteral("用紙"), this));
    sheetRow->addWidget(sheetCombo_, 1);
    sheetRow->addWidget(saveSheetButton_);

    labelsCheck_->setChecked(header_.labelSheet != 0);
    connect(labelsCheck_, &QCheckBox::toggled, this, &LabelSheetDialog::EnableFields);
    EnableFields();

    const gui::DialogButtons buttons = gui::AddOkCancel(
        this, QStringLiteral("cmd_Close"), QStringLiteral("キャンセル(&C)"), [this] { okClicked(); });
    okButton_ = buttons.ok;
    closeButton_ = buttons.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labelsCheck_);
    layout->addLayout(sheetRow);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(buttons.box);
    gui::EnterFocusFilter::InstallOn(this);
}

void LabelSheetDialog::EnableFields()
{
    for (QLineEdit* edit : fields_)
        edit->setEnabled(labelsCheck_->isChecked());
}

void LabelSheetDialog::FillSheetList()
{
    sheets_ = ProductLabelSheets();
    const std::vector<LabelSheet> own = LoadUserLabelSheets(sheetFile_);
    sheets_.insert(sheets_.end(), own.begin(), own.end());
    const QSignalBlocker block(sheetCombo_);
    sheetCombo_->clear();
    sheetCombo_->addItem(QStringLiteral("（手入力）"));
    for (const LabelSheet& sheet : sheets_)
        sheetCombo_->addItem(gui::ToQ(sheet.name));
    // A layout on one of the listed sheets (the default layout's GB861 among them) is
    // shown with its sheet's name.
    sheetCombo_->setCurrentIndex(FindLabelSheet(sheets_, header_) + 1);
}

void LabelSheetDialog::sheetChanged(int entry)
{
    if (entry < 1 || entry > static_cast<int>(sheets_.size()))
        return;
    // The values stay editable: the sheet only fills them in.
    LayoutHeader chosen = header_;
    sheets_[static_cast<std::size_t>(entry - 1)].ApplyTo(chosen);
    const LabelTexts texts = LabelTextsOf(chosen);
    for (int i = 0; i < kLabelFieldCount; ++i) {
        fields_[static_cast<std::size_t>(i)]->setText(gui::ToQ(texts[static_cast<std::size_t>(i)]));
        edited_[static_cast<std::size_t>(i)] = false;
    }
    labelsCheck_->setChecked(true);
}

bool LabelSheetDialog::SaveSheetAs(const std::string& name)
{
    if (sheetFile_.empty() || name.empty())
        return false;
    for (const LabelSheet& product : ProductLabelSheets())
        if (product.name == name) {
            platform::Warn(SJ("製品の用紙と同じ名前では登録できません。"));
            return false;
        }
    LabelTexts texts;
    for (int i = 0; i < kLabelFieldCount; ++i)
        texts[static_cast<std::size_t>(i)] = gui::FromQ(fields_[static_cast<std::size_t>(i)]->text());
    // The same checks as OK, on a copy: saving a sheet changes nothing of the layout.
    LayoutHeader checked = header_;
    const int failed = ApplyLabelFields(texts, true, checked);
    if (failed != kLabelFieldCount) {
        Field(static_cast<LabelField>(failed))->setFocus();
        return false;
    }
    if (!SaveUserLabelSheet(sheetFile_, LabelSheet::Of(checked, name))) {
        platform::Warn(SJ("ラベル用紙を保存できませんでした。"));
        return false;
    }
    FillSheetList();
    sheetCombo_->setCurrentIndex(
        sheetCombo_->findText(gui::ToQ(std::string(platform::CutToBytes(name, LabelSheet::kNameBytes)))));
    return true;
}

void LabelSheetDialog::FieldExit(LabelField field)
{
    if (!edited_[field])
        return;
    edited_[field] = false;
    std::int32_t value = 0;
    std::string shown;
    // A failure leaves the text as typed.
    if (!ParseLabelField(field, gui::FromQ(Field(field)->text()), value, shown))
        return;
    if (IsLabelCount(field) && value >= 100) {
        platform::Warn(SJ("値がオーバーしました。"));
        return;
    }
    Field(field)->setText(gui::ToQ(shown));
}

bool LabelSheetDialog::eventFilter(QObject* watched, QEvent* event)
{
    for (int i = 0; i < kLabelFieldCount; ++i) {
        if (watched != fields_[static_cast<std::size_t>(i)])
            continue;
        if (event->type() == QEvent::FocusIn)
            edited_[static_cast<std::size_t>(i)] = false;
        else if (event->type() == QEvent::FocusOut)
            FieldExit(static_cast<LabelField>(i));
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void LabelSheetDialog::okClicked()
{
    LabelTexts texts;
    for (int i = 0; i < kLabelFieldCount; ++i)
        texts[static_cast<std::size_t>(i)] = gui::FromQ(fields_[static_cast<std::size_t>(i)]->text());
    // Nothing is stored until every check has passed.
    const int failed = ApplyLabelFields(texts, labelsCheck_->isChecked(), header_);
    if (failed != kLabelFieldCount) {
        Field(static_cast<LabelField>(failed))->setFocus();
        return;
    }
    accept();
}

} // namespace nrt::print
