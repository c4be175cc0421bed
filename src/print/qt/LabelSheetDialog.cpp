#include "print/qt/LabelSheetDialog.h"

#include "app/DialogButtons.h"
#include "app/EnterFocusFilter.h"
#include "platform/MessageHost.h"
#include "platform/sjis.h"
#include "qt/QtText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::print {

LabelSheetDialog::LabelSheetDialog(LayoutHeader& header, QWidget* parent)
    : QDialog(parent)
    , header_(header)
{
    setObjectName(QStringLiteral("frmLabel"));
    setWindowTitle(QStringLiteral("ラベル設定"));

    chk_Label = new QCheckBox(QStringLiteral("ラベルを使用する。"), this);
    chk_Label->setObjectName(QStringLiteral("chk_Label"));

    struct FieldInfo {
        QLineEdit* LabelSheetDialog::*member;
        const char* name;
        const char* caption;
        int maxLength;
    };
    static constexpr std::array<FieldInfo, kLabelFieldCount> kFields { {
        { &LabelSheetDialog::txt_Pw, "txt_Pw", "用紙幅", 6 },
        { &LabelSheetDialog::txt_Ph, "txt_Ph", "用紙高さ", 6 },
        { &LabelSheetDialog::txt_Sx, "txt_Sx", "横余白", 6 },
        { &LabelSheetDialog::txt_Sy, "txt_Sy", "上余白", 6 },
        { &LabelSheetDialog::txt_Width, "txt_Width", "幅", 6 },
        { &LabelSheetDialog::txt_Height, "txt_Height", "高さ", 6 },
        { &LabelSheetDialog::txt_Dw, "txt_Dw", "水平間隔", 6 },
        { &LabelSheetDialog::txt_Dh, "txt_Dh", "垂直間隔", 6 },
        { &LabelSheetDialog::txt_Col, "txt_Col", "列数", 1 },
        { &LabelSheetDialog::txt_Row, "txt_Row", "行数", 2 },
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

    chk_Label->setChecked(header_.labelSheet != 0);
    connect(chk_Label, &QCheckBox::toggled, this, &LabelSheetDialog::EnableFields);
    EnableFields();

    const gui::DialogButtons buttons = gui::AddOkCancel(
        this, QStringLiteral("cmd_Close"), QStringLiteral("キャンセル(&C)"), [this] { cmd_OkClick(); });
    cmd_Ok = buttons.ok;
    cmd_Close = buttons.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chk_Label);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(buttons.box);
    gui::EnterFocusFilter::InstallOn(this);
}

void LabelSheetDialog::EnableFields()
{
    for (QLineEdit* edit : fields_)
        edit->setEnabled(chk_Label->isChecked());
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

void LabelSheetDialog::cmd_OkClick()
{
    LabelTexts texts;
    for (int i = 0; i < kLabelFieldCount; ++i)
        texts[static_cast<std::size_t>(i)] = gui::FromQ(fields_[static_cast<std::size_t>(i)]->text());
    // Nothing is stored until every check has passed.
    const int failed = ApplyLabelFields(texts, chk_Label->isChecked(), header_);
    if (failed != kLabelFieldCount) {
        Field(static_cast<LabelField>(failed))->setFocus();
        return;
    }
    accept();
}

} // namespace nrt::print
