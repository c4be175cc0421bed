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
    fieldCombo_ = new QComboBox(this);
    fieldCombo_->setObjectName(QStringLiteral("cbo_Name"));
    for (const char* f : mainlist::kSearchFields)
        fieldCombo_->addItem(QString::fromUtf8(f));
    searchTextEdit_ = new QLineEdit(this);
    searchTextEdit_->setObjectName(QStringLiteral("txt_Data"));
    searchTextEdit_->setMaxLength(50);
    matchCombo_ = new QComboBox(this);
    matchCombo_->setObjectName(QStringLiteral("cbo_Kind"));
    matchCombo_->addItems({ QStringLiteral("完全に一致"), QStringLiteral("先頭文字が一致"),
        QStringLiteral("最後の文字が一致"), QStringLiteral("一致する文字がある") });
    matchCombo_->setCurrentIndex(3);
    caseCheck_ = new QCheckBox(QStringLiteral("大文字小文字判断する"), this);
    caseCheck_->setObjectName(QStringLiteral("chk_icmp"));
    grid->addWidget(new QLabel(QStringLiteral("種類"), this), 0, 0);
    grid->addWidget(fieldCombo_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("検索文字列"), this), 1, 0);
    grid->addWidget(searchTextEdit_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("検索方法"), this), 2, 0);
    grid->addWidget(matchCombo_, 2, 1);
    grid->addWidget(caseCheck_, 3, 1);
    findPreviousButton_ = new QPushButton(QStringLiteral("上へ検索(&U)"), this);
    findPreviousButton_->setObjectName(QStringLiteral("cmd_UpFind"));
    findNextButton_ = new QPushButton(QStringLiteral("下へ検索(&D)"), this);
    findNextButton_->setObjectName(QStringLiteral("cmd_DownFind"));
    closeButton_ = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    closeButton_->setObjectName(QStringLiteral("cmd_Close"));
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(findPreviousButton_);
    buttons->addWidget(findNextButton_);
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    grid->addLayout(buttons, 4, 0, 1, 2);
    findNextButton_->setDefault(false);
    findNextButton_->setAutoDefault(false);
    findPreviousButton_->setAutoDefault(false);
    closeButton_->setAutoDefault(false);

    connect(findNextButton_, &QPushButton::clicked, this, [this] { Search(1); });
    connect(findPreviousButton_, &QPushButton::clicked, this, [this] { Search(0); });
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::close);
    auto changed = [this] { changed_ = true; };
    connect(fieldCombo_, &QComboBox::currentIndexChanged, this, changed);
    connect(searchTextEdit_, &QLineEdit::textChanged, this, changed);
    connect(matchCombo_, &QComboBox::currentIndexChanged, this, changed);
    connect(caseCheck_, &QCheckBox::toggled, this, changed);
    EnterFocusFilter::InstallOn(this);
}

void SearchDialog::ShowModeless()
{
    changed_ = true;
    setWindowTitle(QStringLiteral("検索"));
    show();
    raise();
    activateWindow();
    searchTextEdit_->setFocus();
}

void SearchDialog::Search(int direction)
{
    const int field = fieldCombo_->currentIndex();
    const std::string text = FromQ(searchTextEdit_->text());
    const int kind = matchCombo_->currentIndex();
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
            value = main_->Settings().EraToGregorian(value);
        value = mainlist::MatchValue(kind, value);
        const bool cs = caseCheck_->isChecked();
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
