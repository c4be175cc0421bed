#pragma once
// The category lists editor ("マスタ編集"): the major or minor categories of the current
// user, added, inserted, renamed (in the records too), moved and deleted, and written
// back when the window closes after a change.

#include "forms/RecordEditor.h"

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace nrt::gui {

class MainWindow;

class CategoryEditor : public QDialog {
    Q_OBJECT
public:
    enum Kind { kMajor = 0, kMinor = 1 };

    // Works on list `kind` of the current book and on the main window's table.
    CategoryEditor(MainWindow& main, int kind, QWidget* parent);

    // After the window has closed: whether the list file was written (or a write was
    // tried), and the items renamed on the way.
    bool ListWritten() const { return listWritten_; }
    const CategoryRenames& Renames() const { return renames_; }
    bool ListChanged() const { return listChanged_; }
    bool TextChanged() const { return textChanged_; }
    int EditIndex() const { return editIndex_; }
    // The items as CP932 texts, in list order.
    std::vector<std::string> Items() const;

    void newClicked();
    void inputClicked();
    void deleteClicked();
    void MoveClick(int tag); // 0 上へ, 1 下へ
    void itemListDoubleClicked(int row);

private:
    QLabel* titleLabel_ = nullptr;
    QListWidget* itemList_ = nullptr;
    QLineEdit* itemEdit_ = nullptr;
    QLabel* modeLabel_ = nullptr;
    QPushButton* newButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
    QPushButton* inputButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int SelectedRow() const;
    void AddItem(int row, const std::string& text);
    std::string ItemText(int row) const;
    void LeaveRenameMode();

    MainWindow& main_;
    std::string path_;
    std::string field_;
    int editIndex_ = -1;
    bool listChanged_ = false;
    bool textChanged_ = false;
    bool listWritten_ = false;
    CategoryRenames renames_;
};

// Opens the editor on list `kind` modally; when it wrote the list, the main window's
// tabs, minor categories and list are reloaded, and the input form's lists.
void EditCategoryList(MainWindow& main, RecordEditor* input, int kind);

} // namespace nrt::gui
