#include "forms/SearchDialog.h"

#include "app/EnterFocusFilter.h"
#include "app/MainWindow.h"
#include "db/MainList.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace nrt::gui {

SearchDialog::SearchDialog(MainWindow* main)
    : QDialog(main)
    , main_(main)
{
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(QStringLiteral("検索"));
    setModal(false);
    auto* grid = new QGridLayout(this);
    cbo_Name = new QComboBox(this);
    cbo_Name->setObjectName(QStringLiteral("cbo_Name"));
    for (const char* f : mainlist::kSearchFields)
        cbo_Name->addItem(QString::fromUtf8(f));
    txt_Data = new QLineEdit(this);
    txt_Data->setObjectName(QStringLiteral("txt_Data"));
    txt_Data->setMaxLength(50);
    cbo_Kind = new QComboBox(this);
    cbo_Kind->setObjectName(QStringLiteral("cbo_Kind"));
    cbo_Kind->addItems({ QStringLiteral("完全に一致"), QStringLiteral("先頭文字が一致"),
        QStringLiteral("最後の文字が一致"), QStringLiteral("一致する文字がある") });
    cbo_Kind->setCurrentIndex(3);
    chk_icmp = new QCheckBox(QStringLiteral("大文字小文字判断する"), this);
    chk_icmp->setObjectName(QStringLiteral("chk_icmp"));
    grid->addWidget(new QLabel(QStringLiteral("種類"), this), 0, 0);
    grid->addWidget(cbo_Name, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("検索文字列"), this), 1, 0);
    grid->addWidget(txt_Data, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("検索方法"), this), 2, 0);
    grid->addWidget(cbo_Kind, 2, 1);
    grid->addWidget(chk_icmp, 3, 1);
    cmd_UpFind = new QPushButton(QStringLiteral("上へ検索(&U)"), this);
    cmd_UpFind->setObjectName(QStringLiteral("cmd_UpFind"));
    cmd_DownFind = new QPushButton(QStringLiteral("下へ検索(&D)"), this);
    cmd_DownFind->setObjectName(QStringLiteral("cmd_DownFind"));
    cmd_Close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    cmd_Close->setObjectName(QStringLiteral("cmd_Close"));
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(cmd_UpFind);
    buttons->addWidget(cmd_DownFind);
    buttons->addStretch(1);
    buttons->addWidget(cmd_Close);
    grid->addLayout(buttons, 4, 0, 1, 2);
    cmd_DownFind->setDefault(false);
    cmd_DownFind->setAutoDefault(false);
    cmd_UpFind->setAutoDefault(false);
    cmd_Close->setAutoDefault(false);

    connect(cmd_DownFind, &QPushButton::clicked, this, [this] { Search(1); });
    connect(cmd_UpFind, &QPushButton::clicked, this, [this] { Search(0); });
    connect(cmd_Close, &QPushButton::clicked, this, &QDialog::close);
    auto changed = [this] { changed_ = true; };
    connect(cbo_Name, &QComboBox::currentIndexChanged, this, changed);
    connect(txt_Data, &QLineEdit::textChanged, this, changed);
    connect(cbo_Kind, &QComboBox::currentIndexChanged, this, changed);
    connect(chk_icmp, &QCheckBox::toggled, this, changed);
    EnterFocusFilter::InstallOn(this);
}

void SearchDialog::ShowModeless()
{
    changed_ = true;
    setWindowTitle(QStringLiteral("検索"));
    show();
    raise();
    activateWindow();
    txt_Data->setFocus();
}

void SearchDialog::Search(int direction)
{
    const int field = cbo_Name->currentIndex();
    const std::string text = FromQ(txt_Data->text());
    const int kind = cbo_Kind->currentIndex();
    if (field < 0 || text.empty() || kind < 0) {
        platform::Beep();
        return;
    }
    const bool all = field == 0;
    const std::string& name = mainlist::SearchFieldName(field);
    RecordSet& rec = main_->Records();
    if (!all && main_->Table().FindField(name) < 0) {
        platform::Warn(FromQ(QStringLiteral("『%1』は検索できません。").arg(ToQ(name))));
        return;
    }
    int row;
    if (!changed_) {
        row = direction == 1 ? rec.FindNext() : rec.FindPrev();
    } else {
        std::string value = text;
        if (name == SJ("生年月日"))
            value = main_->Global().EraToGregorian(value);
        value = mainlist::MatchValue(kind, value);
        const bool cs = chk_icmp->isChecked();
        const std::string condition = all ? mainlist::AllFieldsTerm(cs, value) : mainlist::Term(name, cs, value);
        row = direction == 1 ? rec.Find(condition, 0, 1) : rec.Find(condition, 2, 0);
    }
    if (row == -1) {
        platform::Beep();
        setWindowTitle(QStringLiteral("検索(検索対象なし)"));
    } else {
        main_->SetCurrentRow(row + 1);
        setWindowTitle(QStringLiteral("検索"));
        if (all) {
            const std::string& match = rec.MatchField().name;
            if (!match.empty())
                setWindowTitle(QStringLiteral("検索(該当項目(%1)）").arg(ToQ(match)));
        }
    }
    changed_ = false;
}

} // namespace nrt::gui
