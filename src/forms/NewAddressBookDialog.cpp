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
    lbl_Msg = new QLabel(QStringLiteral("全角１５文字（半角３０文字）以内でユーザー名を入力して下さい。"), this);
    lbl_Msg->setObjectName(QStringLiteral("lbl_Msg"));
    txt_User = new QLineEdit(this);
    txt_User->setObjectName(QStringLiteral("txt_User"));
    txt_User->setValidator(new SjisLimitValidator(static_cast<int>(AddressBooks::kNameLimit), txt_User));
    chk_Copy = new QCheckBox(QStringLiteral("コピー元指定"), this);
    chk_Copy->setObjectName(QStringLiteral("chk_Copy"));
    txt_CopyPath = new QLineEdit(this);
    txt_CopyPath->setObjectName(QStringLiteral("txt_CopyPath"));
    txt_CopyPath->setValidator(new SjisLimitValidator(259, txt_CopyPath));
    txt_CopyPath->setMinimumWidth(320);
    cmd_CopyPath = new QPushButton(QStringLiteral("ファイル選択..."), this);
    cmd_CopyPath->setObjectName(QStringLiteral("cmd_CopyPath"));
    cmd_Ok = new QPushButton(QStringLiteral("作成"), this);
    cmd_Ok->setObjectName(QStringLiteral("cmd_Ok"));
    cmd_Close = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    cmd_Close->setObjectName(QStringLiteral("cmd_Close"));
    for (QPushButton* b : { cmd_CopyPath, cmd_Ok, cmd_Close })
        b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lbl_Msg, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("ユーザー名"), this), 1, 0);
    grid->addWidget(txt_User, 1, 1, 1, 2);
    grid->addWidget(chk_Copy, 2, 0, 1, 3);
    grid->addWidget(txt_CopyPath, 3, 0, 1, 2);
    grid->addWidget(cmd_CopyPath, 3, 2);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(cmd_Ok);
    buttons->addWidget(cmd_Close);
    grid->addLayout(buttons, 4, 0, 1, 3);
    EnterFocusFilter::InstallOn(this);
    // Installed after the Enter filter, so it sees the keys first.
    txt_User->installEventFilter(this);

    chk_Copy->setChecked(copyMode);
    for (QWidget* w : std::initializer_list<QWidget*> { chk_Copy, txt_CopyPath, cmd_CopyPath })
        w->setVisible(copyMode);
    connect(chk_Copy, &QCheckBox::toggled, this, [this](bool on) {
        txt_CopyPath->setEnabled(on);
        cmd_CopyPath->setEnabled(on);
    });
    connect(cmd_CopyPath, &QPushButton::clicked, this, &NewAddressBookDialog::ChooseFile);
    connect(cmd_Ok, &QPushButton::clicked, this, &NewAddressBookDialog::Ok);
    connect(cmd_Close, &QPushButton::clicked, this, &QDialog::reject);
}

bool NewAddressBookDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txt_User && event->type() == QEvent::KeyPress) {
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
    const AppSettings& g = main_.Global();
    const QString start = DialogStartFolder(g.GetFolderBackupOn() != 0 && !g.GetFolderBackupPath().empty()
            ? ToQ(g.GetFolderBackupPath())
            : ToQ(g.FolderOfFile(FromQ(txt_CopyPath->text()))));
    const QString file
        = QFileDialog::getOpenFileName(this, QStringLiteral("コピー元"), start, QStringLiteral("NDB(*.ndb)"));
    if (!file.isEmpty()) {
        RememberChosenFile(file);
        txt_CopyPath->setText(file);
    }
}

void NewAddressBookDialog::Ok()
{
    AddressBooks users(main_.Global());
    AddressBooks::NewUser request;
    request.name = FromQ(txt_User->text());
    request.copy = chk_Copy->isChecked() && !chk_Copy->isHidden();
    request.copyFile = FromQ(txt_CopyPath->text());
    const auto created = users.Create(request, &main_.Table(), platform::Ask, &copySource_);
    result_ = created.result;
    switch (result_) {
    case AddressBooks::Created::kEmpty:
    case AddressBooks::Created::kFromCopy:
        accept();
        break;
    case AddressBooks::Created::kRefused:
        platform::Warn(created.Message());
        txt_User->setFocus();
        break;
    case AddressBooks::Created::kCancelled:
        break;
    }
}

} // namespace nrt::gui
