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

AboutDialog::AboutDialog(const AppSettings& global, QWidget* parent)
    : QDialog(parent)
    , global_(global)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    auto* icon = new QLabel(this);
    const QPixmap picture(ToQ(global_.ProgramFile("nortea.png")));
    if (!picture.isNull())
        icon->setPixmap(picture.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    lbl_Product = new QLabel(QStringLiteral("ノルテア"), this);
    lbl_Product->setObjectName(QStringLiteral("lbl_Product"));
    QFont big = lbl_Product->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lbl_Product->setFont(big);
    lbl_Version = new QLabel(QStringLiteral("バージョン %1").arg(VersionText()), this);
    lbl_Version->setObjectName(QStringLiteral("lbl_Version"));
    txt_Folder = new QLineEdit(ToQ(global_.DataFolder()), this);
    txt_Folder->setObjectName(QStringLiteral("txt_Folder"));
    txt_Folder->setReadOnly(true);
    txt_Folder->setMinimumWidth(360);
    txt_Folder->setCursorPosition(0);
    cmd_Folder = new QPushButton(QStringLiteral("フォルダを開く(&F)"), this);
    cmd_Folder->setObjectName(QStringLiteral("cmd_Folder"));
    cmd_Folder->setAutoDefault(false);
    cmd_Ok = new QPushButton(QStringLiteral("OK"), this);
    cmd_Ok->setObjectName(QStringLiteral("cmd_Ok"));
    cmd_Ok->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lbl_Product, 0, 1, 1, 2);
    grid->addWidget(lbl_Version, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("データフォルダ"), this), 2, 1, 1, 2);
    grid->addWidget(txt_Folder, 3, 1);
    grid->addWidget(cmd_Folder, 3, 2);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmd_Ok);
    grid->addLayout(buttons, 4, 0, 1, 3);

    connect(cmd_Folder, &QPushButton::clicked, this, &AboutDialog::OpenFolder);
    connect(cmd_Ok, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutDialog::OpenFolder()
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(ToQ(global_.DataFolder()))))
        platform::Warn(SJ("実行に失敗しました。"));
}

} // namespace nrt::gui
