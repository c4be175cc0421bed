#include "forms/CategoryEditor.h"

#include "app/EnterFocusFilter.h"
#include "app/MainWindow.h"
#include "app/SjisLimitValidator.h"
#include "db/CategoryRename.h"
#include "platform/MessageHost.h"
#include "qt/QtText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace nrt::gui {
namespace {

struct ListKind {
    const char* file;
    const char* title;
    const char* field;
};
constexpr ListKind kKinds[] = {
    { "nrt_ms01.nms", "大分類", "大分類" },
    { "nrt_ms02.nms", "小分類", "小分類" },
};

constexpr int kItemLimit = 20; // bytes

const QString kNewMode = QStringLiteral("新　規");
const QString kRenameMode = QStringLiteral("更　新");

bool AskDiscard()
{
    return platform::Messages().Show({ SJ("データの更新があります。破棄しますか？"), SJ("確認"),
               platform::MsgIcon::Warning, platform::MsgButtons::YesNo, platform::MsgResult::No })
        == platform::MsgResult::Yes;
}

} // namespace

CategoryEditor::CategoryEditor(MainWindow& main, int kind, QWidget* parent)
    : QDialog(parent)
    , main_(main)
{
    const ListKind& k = kKinds[kind == kMinor ? 1 : 0];
    path_ = main.Settings().BookFile(platform::Utf8ToSjis(k.file));
    field_ = platform::Utf8ToSjis(k.field);
    const QString title = QString::fromUtf8(k.title);
    setObjectName(QStringLiteral("frmMaster"));
    setWindowTitle(QStringLiteral("%1の編集").arg(title));

    titleLabel_ = new QLabel(title, this);
    titleLabel_->setObjectName(QStringLiteral("lbl_Title"));
    QFont bold = titleLabel_->font();
    bold.setBold(true);
    titleLabel_->setFont(bold);
    itemList_ = new QListWidget(this);
    itemList_->setObjectName(QStringLiteral("lst_List"));
    itemList_->setSelectionMode(QAbstractItemView::SingleSelection);
    itemList_->setMinimumSize(200, 240);
    itemEdit_ = new QLineEdit(this);
    itemEdit_->setObjectName(QStringLiteral("txt_Data"));
    itemEdit_->setValidator(new SjisLimitValidator(kItemLimit, itemEdit_));
    modeLabel_ = new QLabel(kNewMode, this);
    modeLabel_->setObjectName(QStringLiteral("lbl_Kind"));
    modeLabel_->setFrameShape(QFrame::Panel);
    modeLabel_->setFrameShadow(QFrame::Sunken);
    modeLabel_->setAlignment(Qt::AlignCenter);
    modeLabel_->setMinimumWidth(60);

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    newButton_ = button("cmd_New", "新規(&N)");
    upButton_ = button("cmd_Up", "上へ");
    downButton_ = button("cmd_Down", "下へ");
    inputButton_ = button("cmd_Input", "登録(&I)");
    deleteButton_ = button("cmd_Del", "削除(&D)");
    closeButton_ = button("cmd_Close", "閉じる(&C)");

    auto* layout = new QGridLayout(this);
    layout->addWidget(titleLabel_, 0, 0, 1, 2);
    layout->addWidget(itemList_, 1, 0);
    auto* side = new QVBoxLayout();
    side->addWidget(upButton_);
    side->addWidget(downButton_);
    side->addStretch(1);
    side->addWidget(deleteButton_);
    layout->addLayout(side, 1, 1);
    auto* entry = new QHBoxLayout();
    entry->addWidget(new QLabel(QStringLiteral("項目名"), this));
    entry->addWidget(itemEdit_, 1);
    entry->addWidget(modeLabel_);
    layout->addLayout(entry, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(newButton_);
    buttons->addWidget(inputButton_);
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    layout->addLayout(buttons, 3, 0, 1, 2);

    connect(newButton_, &QPushButton::clicked, this, &CategoryEditor::newClicked);
    connect(inputButton_, &QPushButton::clicked, this, &CategoryEditor::inputClicked);
    connect(deleteButton_, &QPushButton::clicked, this, &CategoryEditor::deleteClicked);
    connect(upButton_, &QPushButton::clicked, this, [this] { MoveClick(0); });
    connect(downButton_, &QPushButton::clicked, this, [this] { MoveClick(1); });
    connect(closeButton_, &QPushButton::clicked, this, &CategoryEditor::reject);
    connect(itemList_, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { itemListDoubleClicked(itemList_->row(item)); });
    connect(itemEdit_, &QLineEdit::textChanged, this, [this] { textChanged_ = true; });
    EnterFocusFilter::InstallOn(this);
    // Asked before the focus filter: Enter after a typed name registers it.
    itemEdit_->installEventFilter(this);

    // A missing file leaves the list empty.
    LineList lines;
    static_cast<void>(lines.LoadText(path_));
    for (int i = 0; i < lines.GetCount(); ++i)
        AddItem(itemList_->count(), std::string(lines.GetLine(i)));
    itemList_->setCurrentRow(-1);
    itemEdit_->setFocus();
}

void CategoryEditor::AddItem(int row, const std::string& text)
{
    auto* item = new QListWidgetItem(ToQ(text));
    item->setData(Qt::UserRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    itemList_->insertItem(row, item);
}

std::string CategoryEditor::ItemText(int row) const
{
    const QByteArray b = itemList_->item(row)->data(Qt::UserRole).toByteArray();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

std::vector<std::string> CategoryEditor::Items() const
{
    std::vector<std::string> out;
    for (int i = 0; i < itemList_->count(); ++i)
        out.push_back(ItemText(i));
    return out;
}

int CategoryEditor::SelectedRow() const
{
    const QList<QListWidgetItem*> selected = itemList_->selectedItems();
    return selected.isEmpty() ? -1 : itemList_->row(selected.front());
}

void CategoryEditor::LeaveRenameMode()
{
    itemEdit_->clear();
    modeLabel_->setText(kNewMode);
    editIndex_ = -1;
    textChanged_ = false;
}

void CategoryEditor::itemListDoubleClicked(int row)
{
    if (row < 0 || row >= itemList_->count())
        return;
    itemEdit_->setText(ToQ(ItemText(row)));
    modeLabel_->setText(kRenameMode);
    editIndex_ = row;
    textChanged_ = false;
}

void CategoryEditor::newClicked()
{
    if (textChanged_ && !AskDiscard())
        return;
    LeaveRenameMode();
    itemEdit_->setFocus();
}

void CategoryEditor::inputClicked()
{
    const std::string text = FromQ(itemEdit_->text());
    if (text.empty()) {
        platform::Warn(SJ("項目名を入力して下さい。"));
        itemEdit_->setFocus();
        return;
    }
    const int selected = SelectedRow();
    for (int i = 0; i < itemList_->count(); ++i) {
        if (i != selected && ItemText(i) == text) {
            platform::Warn(SJ("既に登録されている項目名です。"));
            return;
        }
    }
    if (editIndex_ < 0) {
        AddItem(selected < 0 ? itemList_->count() : selected, text);
    } else if (editIndex_ < itemList_->count()) {
        const std::string old = ItemText(editIndex_);
        if (RenameCategory(main_.Table(), field_, old, text) < 0)
            platform::Warn(SJ("分類の更新に失敗しました。"));
        renames_.emplace_back(old, text);
        delete itemList_->takeItem(editIndex_);
        AddItem(editIndex_, text);
    }
    LeaveRenameMode();
    listChanged_ = true;
    itemEdit_->setFocus();
}

void CategoryEditor::deleteClicked()
{
    const int selected = SelectedRow();
    if (selected < 0)
        return;
    if (!platform::Ask(SJ("削除します。よろしいですか？")))
        return;
    delete itemList_->takeItem(selected);
    // Records that carry the category keep it.
    if (editIndex_ >= 0)
        LeaveRenameMode();
    listChanged_ = true;
    textChanged_ = false;
}

void CategoryEditor::MoveClick(int tag)
{
    if (editIndex_ >= 0)
        LeaveRenameMode();
    const int selected = SelectedRow();
    if (selected < 0) {
        platform::Beep();
        return;
    }
    const int target = tag == 0 ? selected - 1 : selected + 1;
    if (target < 0 || target >= itemList_->count()) {
        platform::Beep();
        return;
    }
    QListWidgetItem* item = itemList_->takeItem(selected);
    itemList_->insertItem(target, item);
    itemList_->setCurrentRow(target);
    item->setSelected(true);
    listChanged_ = true;
}

bool CategoryEditor::eventFilter(QObject* watched, QEvent* event)
{
    // Enter registers what was typed and leaves the box ready for the next name, so a
    // list is typed in one go; on an empty box it moves on as in the other windows.
    if (watched == itemEdit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && !itemEdit_->text().isEmpty()) {
            inputClicked();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CategoryEditor::reject()
{
    if (textChanged_) {
        if (!AskDiscard())
            return;
        textChanged_ = false;
    }
    if (listChanged_) {
        LineList lines;
        for (const std::string& item : Items())
            lines.AddLine(item);
        if (!lines.SaveText(path_))
            platform::Warn(SJ("データの保存に失敗しました。"));
        listWritten_ = true;
        listChanged_ = false;
    }
    QDialog::reject();
}

void EditCategoryList(MainWindow& main, RecordEditor* input, int kind)
{
    const bool fromInput = input && input->isVisible();
    CategoryEditor editor(main, kind, fromInput ? static_cast<QWidget*>(input) : &main);
    editor.exec();
    if (!editor.ListWritten())
        return;
    main.ReloadTabs();
    main.ReloadMinorCategories();
    if (input)
        input->ReloadLists(editor.Renames());
    // The tabs start again at the first one, and renamed categories show in the list. While
    // the input form is open its edit position refers to the rows as they are, so the list
    // is rebuilt when the form closes.
    if (fromInput)
        input->MarkListStale();
    else
        main.RefreshList();
}

} // namespace nrt::gui
