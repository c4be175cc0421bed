#include "forms/CsvImportDialog.h"

#include "app/EnterFocusFilter.h"
#include "app/MainWindow.h"
#include "app/SjisLimitValidator.h"
#include "exchange/CsvImport.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>

#include <memory>

namespace nrt::gui {
namespace {

// Files with fewer rows than this are imported before a progress window could show.
constexpr long long kProgressFrom = 2 * 2000;

class ImportWatch : public CsvImport::Observer {
public:
    ImportWatch(QWidget* window, MainWindow& main)
        : window_(window)
        , main_(main)
    {
    }

    void Busy(bool on) override
    {
        busy_.Set(on);
        if (!on)
            progress_.reset();
    }
    void Progress(long long done, long long total) override
    {
        if (total < kProgressFrom)
            return;
        if (!progress_) {
            progress_ = std::make_unique<QProgressDialog>(
                QStringLiteral("取り込んでいます・・・"), QString(), 0, 1000, window_);
            progress_->setObjectName(QStringLiteral("frmProgress"));
            progress_->setWindowTitle(QStringLiteral("ノルテア（インポート）"));
            progress_->setCancelButton(nullptr);
            progress_->setWindowModality(Qt::WindowModal);
            progress_->setMinimumDuration(300);
        }
        progress_->setValue(static_cast<int>(done * 1000 / total));
    }
    void CategoriesChanged() override
    {
        main_.ReloadTabs();
        main_.ReloadMinorCategories();
        // The input form rebuilds its category choices on this signal.
        emit main_.UserChanged();
    }
    bool Commit() override { return main_.SaveBook(); }
    void Imported() override { main_.RefreshList(); }

private:
    QWidget* window_;
    MainWindow& main_;
    BusyCursor busy_;
    std::unique_ptr<QProgressDialog> progress_;
};

} // namespace

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
    const QString start = ToQ(main_.Global().FolderOfFile(FromQ(txt_Path->text())));
    QFileDialog dialog(
        this, QStringLiteral("インポートするファイル"), start, QStringLiteral("CSVファイル(*.CSV *.csv)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        txt_Path->setText(dialog.selectedFiles().constFirst());
}

void CsvImportDialog::Import()
{
    CsvImport import(main_.Global(), main_.Table());
    ImportWatch watch(this, main_);
    const CsvImport::Result result = import.Run(FromQ(txt_Path->text()), &watch);
    if (!import.Path().empty())
        txt_Path->setText(ToQ(import.Path()));
    if (result == CsvImport::kNoFileName)
        txt_Path->setFocus();
}

} // namespace nrt::gui
