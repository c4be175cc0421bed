#include "forms/CsvImportDialog.h"

#include "app/EnterFocusFilter.h"
#include "app/FileDialogs.h"
#include "app/MainWindow.h"
#include "app/SjisLimitValidator.h"
#include "exchange/CsvImport.h"
#include "forms/CsvColumnsDialog.h"
#include "forms/ImportWatch.h"
#include "platform/fs.h"
#include "qt/QtText.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

namespace nrt::gui {

CsvImportDialog::CsvImportDialog(MainWindow& main)
    : QDialog(&main)
    , main_(main)
{
    setObjectName(QStringLiteral("frmInport"));
    setWindowTitle(QStringLiteral("ノルテア（インポート）"));
    lbl_Msg = new QLabel(QStringLiteral("ＣＳＶ形式の住所データを取り込みます。"), this);
    lbl_Msg->setObjectName(QStringLiteral("lbl_Msg"));
    txt_Path = new QLineEdit(this);
    txt_Path->setObjectName(QStringLiteral("txt_Path"));
    txt_Path->setValidator(new SjisLimitValidator(259, txt_Path));
    txt_Path->setMinimumWidth(360);
    cmd_FileName = new QPushButton(QStringLiteral("参照..."), this);
    cmd_FileName->setObjectName(QStringLiteral("cmd_FileName"));
    cmd_Inport = new QPushButton(QStringLiteral("インポート(&I)"), this);
    cmd_Inport->setObjectName(QStringLiteral("cmd_Inport"));
    cmd_Close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    cmd_Close->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { cmd_FileName, cmd_Inport, cmd_Close })
        b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lbl_Msg, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("ファイル名"), this), 1, 0);
    grid->addWidget(txt_Path, 1, 1);
    grid->addWidget(cmd_FileName, 1, 2);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmd_Inport);
    buttons->addWidget(cmd_Close);
    grid->addLayout(buttons, 2, 0, 1, 3);
    EnterFocusFilter::InstallOn(this);

    txt_Path->setText(ToQ(main_.Global().GetPathEntry(1)));
    connect(cmd_FileName, &QPushButton::clicked, this, &CsvImportDialog::ChooseFile);
    connect(cmd_Inport, &QPushButton::clicked, this, &CsvImportDialog::Import);
    connect(cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
}

void CsvImportDialog::ChooseFile()
{
    const QString start = DialogStartFolder(ToQ(main_.Global().FolderOfFile(FromQ(txt_Path->text()))));
    QFileDialog dialog(
        this, QStringLiteral("インポートするファイル"), start, QStringLiteral("CSVファイル(*.CSV *.csv)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        RememberChosenFile(dialog.selectedFiles().constFirst());
        txt_Path->setText(dialog.selectedFiles().constFirst());
    }
}

void CsvImportDialog::Import()
{
    CsvImport import(main_.Global(), main_.Table());
    // Another program's file (its first line no header of this program's fields) is
    // imported through the columns the user confirms.
    std::optional<CsvImport::Mapping> mapping;
    const std::string typed = FromQ(txt_Path->text());
    if (const std::string path = typed.empty() ? std::string() : import.CompletePath(typed);
        !path.empty() && platform::fs::IsFile(path)) {
        std::string name;
        const CsvImport::HeaderResult header = import.ProbeHeader(path, name);
        if (header != CsvImport::HeaderResult::kHeaderOk && header != CsvImport::HeaderResult::kHeaderCannotOpen
            && header != CsvImport::HeaderResult::kHeaderEmpty) {
            CsvColumnsDialog columns(main_.Global(), main_.Table(), path, this);
            if (columns.exec() != QDialog::Accepted)
                return;
            mapping = columns.Mapping();
        }
    }
    ImportWatch watch(this, main_);
    const CsvImport::Result result = import.Run(typed, &watch, mapping ? &*mapping : nullptr);
    if (!import.Path().empty())
        txt_Path->setText(ToQ(import.Path()));
    if (result == CsvImport::Result::kNoFileName)
        txt_Path->setFocus();
}

} // namespace nrt::gui
