#include "forms/NewAddressBookDialog.h"

#include "app/EnterFocusFilter.h"
#include "app/FileDialogs.h"
#include "app/MainWindow.h"
#include "app/SjisLimitValidator.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace nrt::gui {

NewAddressBookDialog::NewAddressBookDialog(MainWindow& main, bool copyMode)
    : QDialog(&main)
    , main_(main)
{
    setObjectName(QStringLiteral("frmNew"));
    setWindowTitle(QStringLiteral("新規ユーザー作成"));
    messageLabel_ = new QLabel(QStringLiteral("全角１５文字（半角３０文字）以内でユーザー名を入力して下さい。"), this);
    messageLabel_->setObjectName(QStringLiteral("lbl_Msg"));
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("txt_User"));
    nameEdit_->setValidator(new SjisLimitValidator(static_cast<int>(AddressBooks::kNameLimit), nameEdit_));
    copyCheck_ = new QCheckBox(QStringLiteral("コピー元指定"), this);
    copyCheck_->setObjectName(QStringLiteral("chk_Copy"));
    copyPathEdit_ = new QLineEdit(this);
    copyPathEdit_->setObjectName(QStringLiteral("txt_CopyPath"));
    copyPathEdit_->setValidator(new SjisLimitValidator(259, copyPathEdit_));
    copyPathEdit_->setMinimumWidth(320);
    copyPathButton_ = new QPushButton(QStringLiteral("ファイル選択..."), this);
    copyPathButton_->setObjectName(QStringLiteral("cmd_CopyPath"));
    okButton_ = new QPushButton(QStringLiteral("作成"), this);
    okButton_->setObjectName(QStringLiteral("cmd_Ok"));
    closeButton_ = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    closeButton_->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { copyPathButton_, okButton_, closeButton_ })
        b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(messageLabel_, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("ユーザー名"), this), 1, 0);
    grid->addWidget(nameEdit_, 1, 1, 1, 2);
    grid->addWidget(copyCheck_, 2, 0, 1, 3);
    grid->addWidget(copyPathEdit_, 3, 0, 1, 2);
    grid->addWidget(copyPathButton_, 3, 2);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(closeButton_);
    grid->addLayout(buttons, 4, 0, 1, 3);
    EnterFocusFilter::InstallOn(this);
    // Installed after the Enter filter, so it sees the keys first.
    nameEdit_->installEventFilter(this);

    copyCheck_->setChecked(copyMode);
    for (QWidget* w : std::initializer_list<QWidget*> { copyCheck_, copyPathEdit_, copyPathButton_ })
        w->setVisible(copyMode);
    connect(copyCheck_, &QCheckBox::toggled, this, [this](bool on) {
        copyPathEdit_->setEnabled(on);
        copyPathButton_->setEnabled(on);
    });
    connect(copyPathButton_, &QPushButton::clicked, this, &NewAddressBookDialog::ChooseFile);
    connect(okButton_, &QPushButton::clicked, this, &NewAddressBookDialog::Ok);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
}

bool NewAddressBookDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == nameEdit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Control keys (Backspace, Enter, editing shortcuts) pass; so does every
        // character outside ASCII: the name's final check looks at those.
        if (text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() < 0x80
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            && !AddressBooks::IsTypable(static_cast<unsigned char>(text[0].unicode()))) {
            platform::Beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void NewAddressBookDialog::ChooseFile()
{
    const AppSettings& settings = main_.Settings();
    const QString start = DialogStartFolder(settings.GetFolderBackupOn() != 0 && !settings.GetFolderBackupPath().empty()
            ? ToQ(settings.GetFolderBackupPath())
            : ToQ(settings.FolderOfFile(FromQ(copyPathEdit_->text()))));
    const QString file
        = QFileDialog::getOpenFileName(this, QStringLiteral("コピー元"), start, QStringLiteral("NDB(*.ndb)"));
    if (!file.isEmpty()) {
        RememberChosenFile(file);
        copyPathEdit_->setText(file);
    }
}

void NewAddressBookDialog::Ok()
{
    AddressBooks books(main_.Settings());
    AddressBooks::NewBook request;
    request.name = FromQ(nameEdit_->text());
    request.copy = copyCheck_->isChecked() && !copyCheck_->isHidden();
    request.copyFile = FromQ(copyPathEdit_->text());
    const auto created = books.Create(request, &main_.Table(), platform::Ask, &copySource_);
    result_ = created.result;
    switch (result_) {
    case AddressBooks::Created::kEmpty:
    case AddressBooks::Created::kFromCopy:
        accept();
        break;
    case AddressBooks::Created::kRefused:
        platform::Warn(created.Message());
        nameEdit_->setFocus();
        break;
    case AddressBooks::Created::kCancelled:
        break;
    }
}

} // namespace nrt::gui
