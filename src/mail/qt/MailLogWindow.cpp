#include "mail/qt/MailLogWindow.h"

#include "platform/fs.h"
#include "qt/QtText.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::gui {

MailLogWindow::MailLogWindow(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLog"));
    setWindowTitle(QString::fromUtf8("ログ照会"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    logEdit_ = new QPlainTextEdit(this);
    logEdit_->setObjectName(QStringLiteral("txt_Log"));
    logEdit_->setReadOnly(true);
    logEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    logEdit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logEdit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    closeButton_ = new QPushButton(QString::fromUtf8("閉じる(&C)"), this);
    closeButton_->setObjectName(QStringLiteral("cmd_Close"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(logEdit_, 1);
    layout->addLayout(buttons);
    resize(640, 420);

    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
}

bool MailLogWindow::LoadFile(const std::string& path)
{
    std::string bytes;
    if (!platform::fs::IsFile(path) || !platform::fs::ReadFile(path, bytes))
        return false;
    QString text = ToQ(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    logEdit_->setPlainText(text);
    return true;
}

} // namespace nrt::gui
