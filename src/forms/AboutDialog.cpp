#include "forms/AboutDialog.h"

#include "platform/MessageHost.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

namespace nrt::gui {

QString AboutDialog::VersionText()
{
    return QString::asprintf("%d.%d", kVersionMajor, kVersionMinor);
}

AboutDialog::AboutDialog(const AppSettings& settings, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    auto* icon = new QLabel(this);
    const QPixmap picture(ToQ(settings_.ProgramFile("nortea.png")));
    if (!picture.isNull())
        icon->setPixmap(picture.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    productLabel_ = new QLabel(QStringLiteral("ノルテア"), this);
    productLabel_->setObjectName(QStringLiteral("lbl_Product"));
    QFont big = productLabel_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    productLabel_->setFont(big);
    versionLabel_ = new QLabel(QStringLiteral("バージョン %1").arg(VersionText()), this);
    versionLabel_->setObjectName(QStringLiteral("lbl_Version"));
    folderEdit_ = new QLineEdit(ToQ(settings_.DataFolder()), this);
    folderEdit_->setObjectName(QStringLiteral("txt_Folder"));
    folderEdit_->setReadOnly(true);
    folderEdit_->setMinimumWidth(360);
    folderEdit_->setCursorPosition(0);
    folderButton_ = new QPushButton(QStringLiteral("フォルダを開く(&F)"), this);
    folderButton_->setObjectName(QStringLiteral("cmd_Folder"));
    folderButton_->setAutoDefault(false);
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("cmd_Ok"));
    okButton_->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(productLabel_, 0, 1, 1, 2);
    grid->addWidget(versionLabel_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("データフォルダ"), this), 2, 1, 1, 2);
    grid->addWidget(folderEdit_, 3, 1);
    grid->addWidget(folderButton_, 3, 2);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    grid->addLayout(buttons, 4, 0, 1, 3);

    connect(folderButton_, &QPushButton::clicked, this, &AboutDialog::OpenFolder);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutDialog::OpenFolder()
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(ToQ(settings_.DataFolder()))))
        platform::Warn(SJ("実行に失敗しました。"));
}

} // namespace nrt::gui
