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

PostalImportDialog::PostalImportDialog(AppSettings& global, QWidget* parent)
    : QDialog(parent)
    , global_(global)
{
    setObjectName(QStringLiteral("frmYubinInport"));
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

    txt_Post = new QLineEdit(QString::fromLatin1(kDownloadPage), this);
    txt_Post->setObjectName(QStringLiteral("txt_Post"));
    txt_Post->setReadOnly(true);
    txt_Post->setFrame(false);
    txt_Post->setFocusPolicy(Qt::NoFocus);
    txt_Post->setCursor(Qt::PointingHandCursor);
    QPalette link = txt_Post->palette();
    link.setColor(QPalette::Base, palette().color(QPalette::Window));
    link.setColor(QPalette::Text, palette().color(QPalette::Link));
    txt_Post->setPalette(link);
    txt_Post->installEventFilter(this);
    auto* post = new QHBoxLayout();
    post->addSpacing(24);
    post->addWidget(txt_Post, 1);
    box->addLayout(post);

    box->addWidget(Label(
        QStringLiteral("２．ダウンロードしたファイルを解凍して出来たファイルを「郵便番号データの場所」に入力します。"),
        this));
    box->addWidget(Label(QStringLiteral("３．インポートボタンを押して、正常終了したら完了です。"), this));
    box->addSpacing(8);

    box->addWidget(Label(QStringLiteral("郵便番号データの場所"), this));
    txt_Path = new QLineEdit(this);
    txt_Path->setObjectName(QStringLiteral("txt_Path"));
    cmd_FileName = new QPushButton(QStringLiteral("参照(&R)..."), this);
    cmd_FileName->setObjectName(QStringLiteral("cmd_FileName"));
    auto* path = new QHBoxLayout();
    path->addWidget(txt_Path, 1);
    path->addWidget(cmd_FileName);
    box->addLayout(path);

    prg_Inport = new QProgressBar(this);
    prg_Inport->setObjectName(QStringLiteral("prg_Inport"));
    prg_Inport->setRange(0, 100);
    prg_Inport->setValue(0);
    // Keeps its place in the layout while hidden, so that the window does not jump.
    QSizePolicy keep = prg_Inport->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    prg_Inport->setSizePolicy(keep);
    prg_Inport->hide();
    box->addWidget(prg_Inport);

    cmd_Inport = new QPushButton(QStringLiteral("インポート(&I)"), this);
    cmd_Inport->setObjectName(QStringLiteral("cmd_Inport"));
    cmd_Close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    cmd_Close->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { cmd_FileName, cmd_Inport, cmd_Close })
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmd_Inport);
    buttons->addWidget(cmd_Close);
    box->addLayout(buttons);

    connect(cmd_FileName, &QPushButton::clicked, this, &PostalImportDialog::cmd_FileNameClick);
    connect(cmd_Inport, &QPushButton::clicked, this, &PostalImportDialog::cmd_InportClick);
    connect(cmd_Close, &QPushButton::clicked, this, &QDialog::close);
    EnterFocusFilter::InstallOn(this);

    txt_Path->setText(ToQ(global_.GetPathEntry(kPathEntry)));
}

std::string PostalImportDialog::CompletedPath(const std::string& typed) const
{
    std::string path = platform::FindChar(typed, '/') == std::string::npos ? global_.DocumentsFile(typed) : typed;
    return DataPaths::SetExtension(path, ".CSV", false);
}

void PostalImportDialog::cmd_InportClick()
{
    const std::string path = CompletedPath(FromQ(txt_Path->text()));
    txt_Path->setText(ToQ(path));
    if (!platform::fs::IsFile(path)) {
        platform::Warn(PostalImportMessage(PostalImportResult::kListMissing));
        return;
    }

    PostalImportResult result = PostalImportResult::kOk;
    PostalListStats stats;
    {
        WaitCursor wait;
        prg_Inport->setValue(0);
        prg_Inport->show();
        // The new dictionary goes to the data folder, whichever one was read so far.
        const int previousLocation = global_.PostalLocation();
        global_.SetPostalLocation(1);
        const std::string folder = global_.PostalFile({});
        // Drawn at once rather than through the event loop, which must not run
        // other commands in the middle of the import.
        result = folder.empty() ? PostalImportResult::kWriteFailed : ImportPostalList(path, folder, [this](int percent) {
            prg_Inport->setValue(percent);
            prg_Inport->repaint();
        }, &stats);
        if (result == PostalImportResult::kOk)
            global_.SetPathEntry(kPathEntry, path);
        else if (result != PostalImportResult::kWriteFailed)
            global_.SetPostalLocation(previousLocation); // the list was refused before anything was written
    }
    ShowPostalImportResult(result, stats);
}

void PostalImportDialog::cmd_FileNameClick()
{
    QFileDialog dialog(this, QString(), DialogStartFolder(ToQ(global_.FolderOfFile(FromQ(txt_Path->text())))),
        QStringLiteral("CSVファイル(*.CSV *.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        RememberChosenFile(dialog.selectedFiles().constFirst());
        txt_Path->setText(dialog.selectedFiles().constFirst());
    }
}

void PostalImportDialog::txt_PostClick()
{
    if (!QDesktopServices::openUrl(QUrl(QString::fromLatin1(kDownloadPage))))
        platform::Warn(SJ("実行に失敗しました。"));
}

bool PostalImportDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txt_Post && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        txt_PostClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace nrt::gui
