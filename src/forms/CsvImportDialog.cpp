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
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("ノルテア（インポート）"));
    messageLabel_ = new QLabel(QStringLiteral("ＣＳＶ形式の住所データを取り込みます。"), this);
    messageLabel_->setObjectName(QStringLiteral("lbl_Msg"));
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName(QStringLiteral("txt_Path"));
    pathEdit_->setValidator(new SjisLimitValidator(259, pathEdit_));
    pathEdit_->setMinimumWidth(360);
    browseButton_ = new QPushButton(QStringLiteral("参照..."), this);
    browseButton_->setObjectName(QStringLiteral("cmd_FileName"));
    importButton_ = new QPushButton(QStringLiteral("インポート(&I)"), this);
    importButton_->setObjectName(QStringLiteral("cmd_Import"));
    closeButton_ = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    closeButton_->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { browseButton_, importButton_, closeButton_ })
        b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(messageLabel_, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("ファイル名"), this), 1, 0);
    grid->addWidget(pathEdit_, 1, 1);
    grid->addWidget(browseButton_, 1, 2);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(importButton_);
    buttons->addWidget(closeButton_);
    grid->addLayout(buttons, 2, 0, 1, 3);
    EnterFocusFilter::InstallOn(this);

    pathEdit_->setText(ToQ(main_.Settings().GetPathEntry(1)));
    connect(browseButton_, &QPushButton::clicked, this, &CsvImportDialog::ChooseFile);
    connect(importButton_, &QPushButton::clicked, this, &CsvImportDialog::Import);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void CsvImportDialog::ChooseFile()
{
    const QString start = DialogStartFolder(ToQ(main_.Settings().FolderOfFile(FromQ(pathEdit_->text()))));
    QFileDialog dialog(
        this, QStringLiteral("インポートするファイル"), start, QStringLiteral("CSVファイル(*.CSV *.csv)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        RememberChosenFile(dialog.selectedFiles().constFirst());
        pathEdit_->setText(dialog.selectedFiles().constFirst());
    }
}

void CsvImportDialog::Import()
{
    CsvImport import(main_.Settings(), main_.Table());
    // Another program's file (its first line no header of this program's fields) is
    // imported through the columns the user confirms.
    std::optional<CsvImport::Mapping> mapping;
    const std::string typed = FromQ(pathEdit_->text());
    if (const std::string path = typed.empty() ? std::string() : import.CompletePath(typed);
        !path.empty() && platform::fs::IsFile(path)) {
        std::string name;
        const CsvImport::HeaderResult header = import.ProbeHeader(path, name);
        if (header != CsvImport::HeaderResult::kHeaderOk && header != CsvImport::HeaderResult::kHeaderCannotOpen
            && header != CsvImport::HeaderResult::kHeaderEmpty) {
            CsvColumnsDialog columns(main_.Settings(), main_.Table(), path, this);
            if (columns.exec() != QDialog::Accepted)
                return;
            mapping = columns.Mapping();
        }
    }
    ImportWatch watch(this, main_);
    const CsvImport::Result result = import.Run(typed, &watch, mapping ? &*mapping : nullptr);
    if (!import.Path().empty())
        pathEdit_->setText(ToQ(import.Path()));
    if (result == CsvImport::Result::kNoFileName)
        pathEdit_->setFocus();
}

} // namespace nrt::gui
