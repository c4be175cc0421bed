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
    path_ = main.Global().UserFile(platform::Utf8ToSjis(k.file));
    field_ = platform::Utf8ToSjis(k.field);
    const QString title = QString::fromUtf8(k.title);
    setObjectName(QStringLiteral("frmMaster"));
    setWindowTitle(QStringLiteral("%1の編集").arg(title));

    lbl_Title = new QLabel(title, this);
    lbl_Title->setObjectName(QStringLiteral("lbl_Title"));
    QFont bold = lbl_Title->font();
    bold.setBold(true);
    lbl_Title->setFont(bold);
    lst_List = new QListWidget(this);
    lst_List->setObjectName(QStringLiteral("lst_List"));
    lst_List->setSelectionMode(QAbstractItemView::SingleSelection);
    lst_List->setMinimumSize(200, 240);
    txt_Data = new QLineEdit(this);
    txt_Data->setObjectName(QStringLiteral("txt_Data"));
    txt_Data->setValidator(new SjisLimitValidator(kItemLimit, txt_Data));
    lbl_Kind = new QLabel(kNewMode, this);
    lbl_Kind->setObjectName(QStringLiteral("lbl_Kind"));
    lbl_Kind->setFrameShape(QFrame::Panel);
    lbl_Kind->setFrameShadow(QFrame::Sunken);
    lbl_Kind->setAlignment(Qt::AlignCenter);
    lbl_Kind->setMinimumWidth(60);

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmd_New = button("cmd_New", "新規(&N)");
    cmd_Up = button("cmd_Up", "上へ");
    cmd_Down = button("cmd_Down", "下へ");
    cmd_Input = button("cmd_Input", "登録(&I)");
    cmd_Del = button("cmd_Del", "削除(&D)");
    cmd_Close = button("cmd_Close", "閉じる(&C)");

    auto* layout = new QGridLayout(this);
    layout->addWidget(lbl_Title, 0, 0, 1, 2);
    layout->addWidget(lst_List, 1, 0);
    auto* side = new QVBoxLayout();
    side->addWidget(cmd_Up);
    side->addWidget(cmd_Down);
    side->addStretch(1);
    side->addWidget(cmd_Del);
    layout->addLayout(side, 1, 1);
    auto* entry = new QHBoxLayout();
    entry->addWidget(new QLabel(QStringLiteral("項目名"), this));
    entry->addWidget(txt_Data, 1);
    entry->addWidget(lbl_Kind);
    layout->addLayout(entry, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(cmd_New);
    buttons->addWidget(cmd_Input);
    buttons->addStretch(1);
    buttons->addWidget(cmd_Close);
    layout->addLayout(buttons, 3, 0, 1, 2);

    connect(cmd_New, &QPushButton::clicked, this, &CategoryEditor::cmd_NewClick);
    connect(cmd_Input, &QPushButton::clicked, this, &CategoryEditor::cmd_InputClick);
    connect(cmd_Del, &QPushButton::clicked, this, &CategoryEditor::cmd_DelClick);
    connect(cmd_Up, &QPushButton::clicked, this, [this] { MoveClick(0); });
    connect(cmd_Down, &QPushButton::clicked, this, [this] { MoveClick(1); });
    connect(cmd_Close, &QPushButton::clicked, this, &CategoryEditor::reject);
    connect(lst_List, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { lst_ListDblClick(lst_List->row(item)); });
    connect(txt_Data, &QLineEdit::textChanged, this, [this] { textChanged_ = true; });
    EnterFocusFilter::InstallOn(this);
    // Asked before the focus filter: Enter after a typed name registers it.
    txt_Data->installEventFilter(this);

    // A missing file leaves the list empty.
    LineList lines;
    static_cast<void>(lines.LoadText(path_));
    for (int i = 0; i < lines.GetCount(); ++i)
        AddItem(lst_List->count(), std::string(lines.GetLine(i)));
    lst_List->setCurrentRow(-1);
    txt_Data->setFocus();
}

void CategoryEditor::AddItem(int row, const std::string& text)
{
    auto* item = new QListWidgetItem(ToQ(text));
    item->setData(Qt::UserRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    lst_List->insertItem(row, item);
}

std::string CategoryEditor::ItemText(int row) const
{
    const QByteArray b = lst_List->item(row)->data(Qt::UserRole).toByteArray();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

std::vector<std::string> CategoryEditor::Items() const
{
    std::vector<std::string> out;
    for (int i = 0; i < lst_List->count(); ++i)
        out.push_back(ItemText(i));
    return out;
}

int CategoryEditor::SelectedRow() const
{
    const QList<QListWidgetItem*> selected = lst_List->selectedItems();
    return selected.isEmpty() ? -1 : lst_List->row(selected.front());
}

void CategoryEditor::LeaveRenameMode()
{
    txt_Data->clear();
    lbl_Kind->setText(kNewMode);
    editIndex_ = -1;
    textChanged_ = false;
}

void CategoryEditor::lst_ListDblClick(int row)
{
    if (row < 0 || row >= lst_List->count())
        return;
    txt_Data->setText(ToQ(ItemText(row)));
    lbl_Kind->setText(kRenameMode);
    editIndex_ = row;
    textChanged_ = false;
}

void CategoryEditor::cmd_NewClick()
{
    if (textChanged_ && !AskDiscard())
        return;
    LeaveRenameMode();
    txt_Data->setFocus();
}

void CategoryEditor::cmd_InputClick()
{
    const std::string text = FromQ(txt_Data->text());
    if (text.empty()) {
        platform::Warn(SJ("項目名を入力して下さい。"));
        txt_Data->setFocus();
        return;
    }
    const int selected = SelectedRow();
    for (int i = 0; i < lst_List->count(); ++i) {
        if (i != selected && ItemText(i) == text) {
            platform::Warn(SJ("既に登録されている項目名です。"));
            return;
        }
    }
    if (editIndex_ < 0) {
        AddItem(selected < 0 ? lst_List->count() : selected, text);
    } else if (editIndex_ < lst_List->count()) {
        const std::string old = ItemText(editIndex_);
        if (RenameCategory(main_.Table(), field_, old, text) < 0)
            platform::Warn(SJ("分類の更新に失敗しました。"));
        renames_.emplace_back(old, text);
        delete lst_List->takeItem(editIndex_);
        AddItem(editIndex_, text);
    }
    LeaveRenameMode();
    listChanged_ = true;
    txt_Data->setFocus();
}

void CategoryEditor::cmd_DelClick()
{
    const int selected = SelectedRow();
    if (selected < 0)
        return;
    if (!platform::Ask(SJ("削除します。よろしいですか？")))
        return;
    delete lst_List->takeItem(selected);
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
    if (target < 0 || target >= lst_List->count()) {
        platform::Beep();
        return;
    }
    QListWidgetItem* item = lst_List->takeItem(selected);
    lst_List->insertItem(target, item);
    lst_List->setCurrentRow(target);
    item->setSelected(true);
    listChanged_ = true;
}

bool CategoryEditor::eventFilter(QObject* watched, QEvent* event)
{
    // Enter registers what was typed and leaves the box ready for the next name, so a
    // list is typed in one go; on an empty box it moves on as in the other windows.
    if (watched == txt_Data && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && !txt_Data->text().isEmpty()) {
            cmd_InputClick();
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
