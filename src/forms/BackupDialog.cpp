#include "forms/BackupDialog.h"

#include "books/BackupSets.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"
#include "settings/AppSettings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace nrt::gui {
namespace {

// Shows each destination as it is copied: the field is repainted at once, since
// the copying holds the event loop.
class CopyWatch : public BackupSets::Observer {
public:
    explicit CopyWatch(QLineEdit* field)
        : field_(field)
    {
    }
    void Copying(std::string_view destination) override
    {
        field_->setText(ToQ(destination));
        field_->repaint();
    }

private:
    QLineEdit* field_;
};

} // namespace

BackupDialog::BackupDialog(
    AppSettings& settings, Mode mode, std::string source, std::string destination, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , mode_(mode)
    , source_(std::move(source))
    , destination_(std::move(destination))
{
    setObjectName(QStringLiteral("frmDataBack"));
    setWindowTitle(QStringLiteral("バックアップ"));
    messageLabel_ = new QLabel(
        mode == kAsk ? QStringLiteral("バックアップします。よろしいですか？") : QStringLiteral("コピー中です・・・"),
        this);
    messageLabel_->setObjectName(QStringLiteral("lbl_Msg"));
    pathEdit_ = new QLineEdit(ToQ(destination_), this);
    pathEdit_->setObjectName(QStringLiteral("txt_Path"));
    pathEdit_->setReadOnly(true);
    pathEdit_->setMinimumWidth(380);
    okButton_ = new QPushButton(QStringLiteral("Ok(&O)"), this);
    okButton_->setObjectName(QStringLiteral("cmd_Ok"));
    cancelButton_ = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    cancelButton_->setObjectName(QStringLiteral("cmd_Cancel"));
    okButton_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel_);
    layout->addWidget(pathEdit_);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);
    if (mode == kCopy) {
        okButton_->hide();
        cancelButton_->hide();
        setWindowFlag(Qt::WindowCloseButtonHint, false);
    }
    connect(okButton_, &QPushButton::clicked, this, &BackupDialog::Backup);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void BackupDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The copy starts once the window is on the screen.
    if (mode_ == kCopy && !started_) {
        started_ = true;
        QTimer::singleShot(100, this, &BackupDialog::Copy);
    }
}

void BackupDialog::reject()
{
    // A restore closed before its copy ran would open the new book without its files.
    if (mode_ == kCopy && !finished_)
        return;
    QDialog::reject();
}

void BackupDialog::Backup()
{
    okButton_->setEnabled(false);
    cancelButton_->setEnabled(false);
    CopyWatch watch(pathEdit_);
    const BackupSets::BackupOutcome outcome = BackupSets::Backup(settings_, &watch);
    if (!outcome.message.empty())
        platform::Warn(outcome.message);
    succeeded_ = outcome.result == BackupSets::kBackedUp;
    if (succeeded_)
        accept();
    else
        reject();
}

void BackupDialog::Copy()
{
    CopyWatch watch(pathEdit_);
    const BackupSets::Done copied = BackupSets::CopySet(source_, destination_, &watch);
    if (!copied.message.empty())
        platform::Warn(copied.message);
    succeeded_ = copied.ok;
    finished_ = true;
    if (succeeded_)
        accept();
    else
        reject();
}

} // namespace nrt::gui
