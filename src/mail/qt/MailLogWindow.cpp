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

    txt_Log = new QPlainTextEdit(this);
    txt_Log->setObjectName(QStringLiteral("txt_Log"));
    txt_Log->setReadOnly(true);
    txt_Log->setLineWrapMode(QPlainTextEdit::NoWrap);
    txt_Log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txt_Log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txt_Log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cmd_Close = new QPushButton(QString::fromUtf8("閉じる(&C)"), this);
    cmd_Close->setObjectName(QStringLiteral("cmd_Close"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmd_Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txt_Log, 1);
    layout->addLayout(buttons);
    resize(640, 420);

    connect(cmd_Close, &QPushButton::clicked, this, &QDialog::accept);
}

bool MailLogWindow::LoadFile(const std::string& path)
{
    std::string bytes;
    if (!platform::fs::IsFile(path) || !platform::fs::ReadFile(path, bytes))
        return false;
    QString text = ToQ(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    txt_Log->setPlainText(text);
    return true;
}

} // namespace nrt::gui
