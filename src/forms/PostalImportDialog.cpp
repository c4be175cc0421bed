#include "forms/PostalImportDialog.h"

#include "app/EnterFocusFilter.h"
#include "app/FileDialogs.h"
#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "postal/PostalDictionary.h"
#include "qt/QtText.h"
#include "qt/WaitCursor.h"
#include "settings/AppSettings.h"
#include "settings/DataPaths.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace nrt::gui {
namespace {

QLabel* Label(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

PostalImportDialog::PostalImportDialog(AppSettings& settings, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
{
    setObjectName(QStringLiteral("frmYubinImport"));
    setWindowTitle(QStringLiteral("ノルテア"));
    setModal(true);

    auto* box = new QVBoxLayout(this);
    box->setSizeConstraint(QLayout::SetFixedSize);
    box->addWidget(Label(QStringLiteral("郵便番号入力による住所検索用データを作成します。"), this));
    box->addSpacing(8);
    box->addWidget(Label(
        QStringLiteral("１．ゆうびんホームページウェブサイトより該当都道府県、もしくは全ての郵便番号データ情報を"),
        this));
    auto* download = new QHBoxLayout();
    download->addSpacing(24);
    download->addWidget(Label(QStringLiteral("ダウンロードします。"), this));
    download->addStretch(1);
    box->addLayout(download);

    downloadPageEdit_ = new QLineEdit(QString::fromLatin1(kDownloadPage), this);
    downloadPageEdit_->setObjectName(QStringLiteral("txt_Post"));
    downloadPageEdit_->setReadOnly(true);
    downloadPageEdit_->setFrame(false);
    downloadPageEdit_->setFocusPolicy(Qt::NoFocus);
    downloadPageEdit_->setCursor(Qt::PointingHandCursor);
    QPalette link = downloadPageEdit_->palette();
    link.setColor(QPalette::Base, palette().color(QPalette::Window));
    link.setColor(QPalette::Text, palette().color(QPalette::Link));
    downloadPageEdit_->setPalette(link);
    downloadPageEdit_->installEventFilter(this);
    auto* post = new QHBoxLayout();
    post->addSpacing(24);
    post->addWidget(downloadPageEdit_, 1);
    box->addLayout(post);

    box->addWidget(Label(
        QStringLiteral("２．ダウンロードしたファイルを解凍して出来たファイルを「郵便番号データの場所」に入力します。"),
        this));
    box->addWidget(Label(QStringLiteral("３．インポートボタンを押して、正常終了したら完了です。"), this));
    box->addSpacing(8);

    box->addWidget(Label(QStringLiteral("郵便番号データの場所"), this));
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName(QStringLiteral("txt_Path"));
    browseButton_ = new QPushButton(QStringLiteral("参照(&R)..."), this);
    browseButton_->setObjectName(QStringLiteral("cmd_FileName"));
    auto* path = new QHBoxLayout();
    path->addWidget(pathEdit_, 1);
    path->addWidget(browseButton_);
    box->addLayout(path);

    importProgress_ = new QProgressBar(this);
    importProgress_->setObjectName(QStringLiteral("prg_Import"));
    importProgress_->setRange(0, 100);
    importProgress_->setValue(0);
    // Keeps its place in the layout while hidden, so that the window does not jump.
    QSizePolicy keep = importProgress_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    importProgress_->setSizePolicy(keep);
    importProgress_->hide();
    box->addWidget(importProgress_);

    importButton_ = new QPushButton(QStringLiteral("インポート(&I)"), this);
    importButton_->setObjectName(QStringLiteral("cmd_Import"));
    closeButton_ = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    closeButton_->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { browseButton_, importButton_, closeButton_ })
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(importButton_);
    buttons->addWidget(closeButton_);
    box->addLayout(buttons);

    connect(browseButton_, &QPushButton::clicked, this, &PostalImportDialog::browseClicked);
    connect(importButton_, &QPushButton::clicked, this, &PostalImportDialog::importClicked);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::close);
    EnterFocusFilter::InstallOn(this);

    pathEdit_->setText(ToQ(settings_.GetPathEntry(kPathEntry)));
}

std::string PostalImportDialog::CompletedPath(const std::string& typed) const
{
    std::string path = platform::FindChar(typed, '/') == std::string::npos ? settings_.DocumentsFile(typed) : typed;
    return DataPaths::SetExtension(path, ".CSV", false);
}

void PostalImportDialog::importClicked()
{
    const std::string path = CompletedPath(FromQ(pathEdit_->text()));
    pathEdit_->setText(ToQ(path));
    if (!platform::fs::IsFile(path)) {
        platform::Warn(PostalImportMessage(PostalImportResult::kListMissing));
        return;
    }

    PostalImportResult result = PostalImportResult::kOk;
    PostalListStats stats;
    {
        WaitCursor wait;
        importProgress_->setValue(0);
        importProgress_->show();
        // The new dictionary goes to the data folder, whichever one was read so far.
        const int previousLocation = settings_.PostalLocation();
        settings_.SetPostalLocation(1);
        const std::string folder = settings_.PostalFile({});
        // Drawn at once rather than through the event loop, which must not run
        // other commands in the middle of the import.
        result = folder.empty() ? PostalImportResult::kWriteFailed
                                : ImportPostalList(
                                    path, folder,
                                    [this](int percent) {
                                        importProgress_->setValue(percent);
                                        importProgress_->repaint();
                                    },
                                    &stats);
        if (result == PostalImportResult::kOk)
            settings_.SetPathEntry(kPathEntry, path);
        else if (result != PostalImportResult::kWriteFailed)
            settings_.SetPostalLocation(previousLocation); // the list was refused before anything was written
    }
    ShowPostalImportResult(result, stats);
}

void PostalImportDialog::browseClicked()
{
    QFileDialog dialog(this, QString(), DialogStartFolder(ToQ(settings_.FolderOfFile(FromQ(pathEdit_->text())))),
        QStringLiteral("CSVファイル(*.CSV *.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        RememberChosenFile(dialog.selectedFiles().constFirst());
        pathEdit_->setText(dialog.selectedFiles().constFirst());
    }
}

void PostalImportDialog::downloadPageClicked()
{
    if (!QDesktopServices::openUrl(QUrl(QString::fromLatin1(kDownloadPage))))
        platform::Warn(SJ("実行に失敗しました。"));
}

bool PostalImportDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == downloadPageEdit_ && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        downloadPageClicked();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace nrt::gui
