#include "app/HelpWindow.h"

#include "platform/MessageHost.h"
#include "platform/fs.h"
#include "qt/QtText.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace nrt::gui {

HelpWindow::HelpWindow(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("ノルテア ヘルプ"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    helpBrowser_ = new QTextBrowser(this);
    helpBrowser_->setObjectName(QStringLiteral("txt_Help"));
    // Web addresses in the manual go to the desktop's browser; its own pages stay here.
    helpBrowser_->setOpenExternalLinks(true);
    layout->addWidget(helpBrowser_);
    resize(720, 640);
}

bool HelpWindow::ShowManual(std::string_view path)
{
    const std::string system = platform::fs::ToSystemPath(path);
    if (!platform::fs::IsFile(path)) {
        platform::Warn(SJ("ヘルプファイル（nrt.html）が見つかりません。"));
        return false;
    }
    helpBrowser_->setSource(QUrl::fromLocalFile(QString::fromStdString(system)));
    show();
    raise();
    activateWindow();
    return true;
}

} // namespace nrt::gui
