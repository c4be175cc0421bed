#include "print/qt/PrintProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace nrt::print {

PrintProgress::PrintProgress(int total, std::function<bool()> step, QWidget* parent)
    : QDialog(parent)
    , step_(std::move(step))
    , total_(total)
{
    setObjectName(QStringLiteral("frmPrintProgress"));
    setWindowTitle(QStringLiteral("印刷"));
    setModal(true);
    pageLabel_ = new QLabel(this);
    bar = new QProgressBar(this);
    bar->setRange(0, total);
    bar->setValue(0);
    cancelButton_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancelButton_->setObjectName(QStringLiteral("cmd_Cancel"));
    connect(cancelButton_, &QPushButton::clicked, this, &PrintProgress::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pageLabel_);
    layout->addWidget(bar);
    layout->addWidget(cancelButton_, 0, Qt::AlignRight);
    pageLabel_->setText(QStringLiteral("印刷しています… 0 / %1 ページ").arg(total));
    timer_ = new QTimer(this);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &PrintProgress::Next);
    timer_->start();
}

void PrintProgress::Next()
{
    // A page may show a message box, whose event loop must not start the next page.
    timer_->stop();
    const bool more = step_();
    ++done_;
    bar->setValue(std::min(done_, total_));
    pageLabel_->setText(QStringLiteral("印刷しています… %1 / %2 ページ").arg(std::min(done_, total_)).arg(total_));
    if (!more)
        accept();
    else if (isVisible())
        timer_->start();
}

void PrintProgress::reject()
{
    timer_->stop();
    QDialog::reject();
}

bool PrintProgress::Run(QWidget* parent, int total, const std::function<bool()>& step)
{
    if (parent == nullptr || total <= kQuietPages) {
        while (step()) { }
        return true;
    }
    PrintProgress window(total, step, parent);
    return window.exec() == QDialog::Accepted;
}

} // namespace nrt::print
