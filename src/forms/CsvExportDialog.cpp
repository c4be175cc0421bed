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
    lbl_Msg1 = new QLabel(QStringLiteral("抽出中したデータをＣＳＶ形式でエクスポートします。"), this);
    lbl_Msg1->setObjectName(QStringLiteral("lbl_Msg1"));
    lbl_Msg2 = new QLabel(QStringLiteral("エクスポートする項目を選択して、実行してください。"), this);
    lbl_Msg2->setObjectName(QStringLiteral("lbl_Msg2"));
    lst_From = new QListWidget(this);
    lst_From->setObjectName(QStringLiteral("lst_From"));
    lst_To = new QListWidget(this);
    lst_To->setObjectName(QStringLiteral("lst_To"));
    for (QListWidget* list : { lst_From, lst_To })
        list->setMinimumSize(150, 260);
    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmd_Right = button("cmd_Right", QStringLiteral(">"));
    cmd_Left = button("cmd_Left", QStringLiteral("<"));
    cmd_RightAll = button("cmd_RightAll", QStringLiteral(">>"));
    cmd_LeftAll = button("cmd_LeftAll", QStringLiteral("<<"));
    cmd_Up = button("cmd_Up", QStringLiteral("↑"));
    cmd_Down = button("cmd_Down", QStringLiteral("↓"));
    cmd_FileName = button("cmd_FileName", QStringLiteral("参照..."));
    cmd_Ok = button("cmd_Ok", QStringLiteral("エクスポート(&E)"));
    cmd_Close = button("cmd_Close", QStringLiteral("閉じる(&C)"));
    ExplainArrowButtons(this);
    chk_Field = new QCheckBox(QStringLiteral("フィールド名を付けて出力する。"), this);
    chk_Field->setObjectName(QStringLiteral("chk_Field"));
    chk_Field->setChecked(true);
    // Shift-JIS as the program has always written; UTF-8 with its mark for the
    // spreadsheets and other programs that read only that.
    cmb_Encoding = new QComboBox(this);
    cmb_Encoding->setObjectName(QStringLiteral("cmb_Encoding"));
    cmb_Encoding->addItems({ QStringLiteral("Shift-JIS"), QStringLiteral("UTF-8（BOM付き）") });
    txt_Path = new QLineEdit(this);
    txt_Path->setObjectName(QStringLiteral("txt_Path"));
    txt_Path->setValidator(new SjisLimitValidator(259, txt_Path));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lbl_Msg1, 0, 0, 1, 4);
    grid->addWidget(lbl_Msg2, 1, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("元"), this), 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("転送項目"), this), 2, 2);
    grid->addWidget(lst_From, 3, 0);
    auto* middle = new QVBoxLayout();
    middle->addStretch(1);
    for (QPushButton* b : { cmd_Right, cmd_Left, cmd_RightAll, cmd_LeftAll })
        middle->addWidget(b);
    middle->addStretch(1);
    grid->addLayout(middle, 3, 1);
    grid->addWidget(lst_To, 3, 2);
    auto* side = new QVBoxLayout();
    side->addStretch(1);
    side->addWidget(cmd_Up);
    side->addWidget(cmd_Down);
    side->addStretch(1);
    grid->addLayout(side, 3, 3);
    auto* options = new QHBoxLayout();
    options->addWidget(chk_Field);
    options->addStretch(1);
    options->addWidget(new QLabel(QStringLiteral("文字コード"), this));
    options->addWidget(cmb_Encoding);
    grid->addLayout(options, 4, 0, 1, 4);
    auto* file = new QHBoxLayout();
    file->addWidget(new QLabel(QStringLiteral("ファイル名"), this));
    file->addWidget(txt_Path, 1);
    file->addWidget(cmd_FileName);
    grid->addLayout(file, 5, 0, 1, 4);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmd_Ok);
    buttons->addWidget(cmd_Close);
    grid->addLayout(buttons, 6, 0, 1, 4);
    EnterFocusFilter::InstallOn(this);

    lst_To->addItems(FieldNames());
    txt_Path->setText(ToQ(main_.Global().GetPathEntry(2)));

    connect(cmd_Right, &QPushButton::clicked, this, &CsvExportDialog::MoveRight);
    connect(lst_From, &QListWidget::itemDoubleClicked, this, &CsvExportDialog::MoveRight);
    connect(cmd_Left, &QPushButton::clicked, this, &CsvExportDialog::MoveLeft);
    connect(lst_To, &QListWidget::itemDoubleClicked, this, &CsvExportDialog::MoveLeft);
    connect(cmd_RightAll, &QPushButton::clicked, this, &CsvExportDialog::MoveAllRight);
    connect(cmd_LeftAll, &QPushButton::clicked, this, &CsvExportDialog::MoveAllLeft);
    connect(cmd_Up, &QPushButton::clicked, this, [this] { MoveUpDown(0); });
    connect(cmd_Down, &QPushButton::clicked, this, [this] { MoveUpDown(1); });
    connect(cmd_FileName, &QPushButton::clicked, this, &CsvExportDialog::ChooseFile);
    connect(cmd_Ok, &QPushButton::clicked, this, &CsvExportDialog::Export);
    connect(cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
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
    MoveSelectedEntry(lst_From, lst_To);
}

void CsvExportDialog::MoveLeft()
{
    MoveSelectedEntry(lst_To, lst_From);
}

void CsvExportDialog::MoveAllRight()
{
    MoveAllEntries(lst_To, lst_From, FieldNames());
}

void CsvExportDialog::MoveAllLeft()
{
    MoveAllEntries(lst_From, lst_To, FieldNames());
}

void CsvExportDialog::MoveUpDown(int down)
{
    ShiftSelectedEntry(lst_To, down != 0);
}

void CsvExportDialog::ChooseFile()
{
    const QString start = DialogStartFolder(ToQ(main_.Global().FolderOfFile(FromQ(txt_Path->text()))));
    QFileDialog dialog(
        this, QStringLiteral("エクスポートするファイル"), start, QStringLiteral("CSVファイル(*.CSV *.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    // The export asks itself before it replaces a file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        RememberChosenFile(dialog.selectedFiles().constFirst());
        txt_Path->setText(dialog.selectedFiles().constFirst());
    }
}

void CsvExportDialog::Export()
{
    CsvExport::Request request;
    request.typedName = FromQ(txt_Path->text());
    for (int i = 0; i < lst_To->count(); ++i)
        request.fields.push_back(FromQ(lst_To->item(i)->text()));
    request.header = chk_Field->isChecked();
    request.utf8 = cmb_Encoding->currentIndex() == 1;
    CsvExport out(main_.Global());
    CursorWatch<CsvExport::Observer> watch;
    const CsvExport::Result result = out.Run(request, main_.Records(), &watch);
    if (!out.Path().empty())
        txt_Path->setText(ToQ(out.Path()));
    if (result == CsvExport::Result::kNoFileName)
        txt_Path->setFocus();
    else if (result == CsvExport::Result::kNoFields)
        lst_To->setFocus();
}

} // namespace nrt::gui
