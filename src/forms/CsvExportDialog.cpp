#include "forms/CsvExportDialog.h"

#include "app/EnterFocusFilter.h"
#include "app/FileDialogs.h"
#include "app/MainWindow.h"
#include "app/SjisLimitValidator.h"
#include "exchange/CsvExport.h"
#include "forms/FieldPicker.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::gui {
CsvExportDialog::CsvExportDialog(MainWindow& main)
    : QDialog(&main)
    , main_(main)
{
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("ノルテア（エクスポート）"));
    message1Label_ = new QLabel(QStringLiteral("抽出中したデータをＣＳＶ形式でエクスポートします。"), this);
    message1Label_->setObjectName(QStringLiteral("lbl_Msg1"));
    message2Label_ = new QLabel(QStringLiteral("エクスポートする項目を選択して、実行してください。"), this);
    message2Label_->setObjectName(QStringLiteral("lbl_Msg2"));
    availableList_ = new QListWidget(this);
    availableList_->setObjectName(QStringLiteral("lst_From"));
    chosenList_ = new QListWidget(this);
    chosenList_->setObjectName(QStringLiteral("lst_To"));
    for (QListWidget* list : { availableList_, chosenList_ })
        list->setMinimumSize(150, 260);
    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    addButton_ = button("cmd_Right", QStringLiteral(">"));
    removeButton_ = button("cmd_Left", QStringLiteral("<"));
    addAllButton_ = button("cmd_RightAll", QStringLiteral(">>"));
    removeAllButton_ = button("cmd_LeftAll", QStringLiteral("<<"));
    upButton_ = button("cmd_Up", QStringLiteral("↑"));
    downButton_ = button("cmd_Down", QStringLiteral("↓"));
    browseButton_ = button("cmd_FileName", QStringLiteral("参照..."));
    okButton_ = button("cmd_Ok", QStringLiteral("エクスポート(&E)"));
    closeButton_ = button("cmd_Close", QStringLiteral("閉じる(&C)"));
    ExplainArrowButtons(this);
    fieldNamesCheck_ = new QCheckBox(QStringLiteral("フィールド名を付けて出力する。"), this);
    fieldNamesCheck_->setObjectName(QStringLiteral("chk_Field"));
    fieldNamesCheck_->setChecked(true);
    // Shift-JIS as the program has always written; UTF-8 with its mark for the
    // spreadsheets and other programs that read only that.
    encodingCombo_ = new QComboBox(this);
    encodingCombo_->setObjectName(QStringLiteral("cmb_Encoding"));
    encodingCombo_->addItems({ QStringLiteral("Shift-JIS"), QStringLiteral("UTF-8（BOM付き）") });
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName(QStringLiteral("txt_Path"));
    pathEdit_->setValidator(new SjisLimitValidator(259, pathEdit_));

    auto* grid = new QGridLayout(this);
    grid->addWidget(message1Label_, 0, 0, 1, 4);
    grid->addWidget(message2Label_, 1, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("元"), this), 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("転送項目"), this), 2, 2);
    grid->addWidget(availableList_, 3, 0);
    auto* middle = new QVBoxLayout();
    middle->addStretch(1);
    for (QPushButton* b : { addButton_, removeButton_, addAllButton_, removeAllButton_ })
        middle->addWidget(b);
    middle->addStretch(1);
    grid->addLayout(middle, 3, 1);
    grid->addWidget(chosenList_, 3, 2);
    auto* side = new QVBoxLayout();
    side->addStretch(1);
    side->addWidget(upButton_);
    side->addWidget(downButton_);
    side->addStretch(1);
    grid->addLayout(side, 3, 3);
    auto* options = new QHBoxLayout();
    options->addWidget(fieldNamesCheck_);
    options->addStretch(1);
    options->addWidget(new QLabel(QStringLiteral("文字コード"), this));
    options->addWidget(encodingCombo_);
    grid->addLayout(options, 4, 0, 1, 4);
    auto* file = new QHBoxLayout();
    file->addWidget(new QLabel(QStringLiteral("ファイル名"), this));
    file->addWidget(pathEdit_, 1);
    file->addWidget(browseButton_);
    grid->addLayout(file, 5, 0, 1, 4);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(closeButton_);
    grid->addLayout(buttons, 6, 0, 1, 4);
    EnterFocusFilter::InstallOn(this);

    chosenList_->addItems(FieldNames());
    pathEdit_->setText(ToQ(main_.Settings().GetPathEntry(2)));

    connect(addButton_, &QPushButton::clicked, this, &CsvExportDialog::MoveRight);
    connect(availableList_, &QListWidget::itemDoubleClicked, this, &CsvExportDialog::MoveRight);
    connect(removeButton_, &QPushButton::clicked, this, &CsvExportDialog::MoveLeft);
    connect(chosenList_, &QListWidget::itemDoubleClicked, this, &CsvExportDialog::MoveLeft);
    connect(addAllButton_, &QPushButton::clicked, this, &CsvExportDialog::MoveAllRight);
    connect(removeAllButton_, &QPushButton::clicked, this, &CsvExportDialog::MoveAllLeft);
    connect(upButton_, &QPushButton::clicked, this, [this] { MoveUpDown(0); });
    connect(downButton_, &QPushButton::clicked, this, [this] { MoveUpDown(1); });
    connect(browseButton_, &QPushButton::clicked, this, &CsvExportDialog::ChooseFile);
    connect(okButton_, &QPushButton::clicked, this, &CsvExportDialog::Export);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
}

QStringList CsvExportDialog::FieldNames() const
{
    QStringList names;
    const AddressTable& table = main_.Table();
    for (int f = 0; f < table.GetFieldCount(); ++f)
        names << ToQ(table.GetField(f).name);
    return names;
}

void CsvExportDialog::MoveRight()
{
    MoveSelectedEntry(availableList_, chosenList_);
}

void CsvExportDialog::MoveLeft()
{
    MoveSelectedEntry(chosenList_, availableList_);
}

void CsvExportDialog::MoveAllRight()
{
    MoveAllEntries(chosenList_, availableList_, FieldNames());
}

void CsvExportDialog::MoveAllLeft()
{
    MoveAllEntries(availableList_, chosenList_, FieldNames());
}

void CsvExportDialog::MoveUpDown(int down)
{
    ShiftSelectedEntry(chosenList_, down != 0);
}

void CsvExportDialog::ChooseFile()
{
    const QString start = DialogStartFolder(ToQ(main_.Settings().FolderOfFile(FromQ(pathEdit_->text()))));
    QFileDialog dialog(
        this, QStringLiteral("エクスポートするファイル"), start, QStringLiteral("CSVファイル(*.CSV *.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    // The export asks itself before it replaces a file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        RememberChosenFile(dialog.selectedFiles().constFirst());
        pathEdit_->setText(dialog.selectedFiles().constFirst());
    }
}

void CsvExportDialog::Export()
{
    CsvExport::Request request;
    request.typedName = FromQ(pathEdit_->text());
    for (int i = 0; i < chosenList_->count(); ++i)
        request.fields.push_back(FromQ(chosenList_->item(i)->text()));
    request.header = fieldNamesCheck_->isChecked();
    request.utf8 = encodingCombo_->currentIndex() == 1;
    CsvExport out(main_.Settings());
    CursorWatch<CsvExport::Observer> watch;
    const CsvExport::Result result = out.Run(request, main_.Records(), &watch);
    if (!out.Path().empty())
        pathEdit_->setText(ToQ(out.Path()));
    if (result == CsvExport::Result::kNoFileName)
        pathEdit_->setFocus();
    else if (result == CsvExport::Result::kNoFields)
        chosenList_->setFocus();
}

} // namespace nrt::gui
