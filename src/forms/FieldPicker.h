#pragma once
// The two lists of a field choice (offered on the left, chosen on the right, in
// order) as the display columns and the CSV export use them.

#include <QDialog>
#include <QStringList>

class QGridLayout;
class QListWidget;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace nrt::gui {

// The selected entry of `from` to the end of `to`; a beep when none is selected.
void MoveSelectedEntry(QListWidget* from, QListWidget* to);
// Every name into `into`, the other list emptied.
void MoveAllEntries(QListWidget* into, QListWidget* other, const QStringList& names);
// The selected entry one place up or down; a beep at the ends or without a selection.
void ShiftSelectedEntry(QListWidget* list, bool down);
// Says on hover what each of the arrow buttons ("cmd_Right", "cmd_Left", "cmd_RightAll",
// "cmd_LeftAll", "cmd_Up", "cmd_Down" among the children of `window`) does.
void ExplainArrowButtons(QWidget* window);

// A window built around the two lists ("lst_From", "lst_To") and their arrow buttons,
// the moves of which it does itself; the window says what it offers.
class FieldPickerDialog : public QDialog {
    Q_OBJECT
public:
    void MoveRight();
    void MoveLeft();
    void MoveAllRight();
    void MoveAllLeft();
    // down 0: up, 1: down.
    void MoveUpDown(int down);

protected:
    // The lists and the arrow buttons, made first so that they come first in the tab
    // order.
    explicit FieldPickerDialog(QWidget* parent);
    // Every name the window offers, in order.
    virtual QStringList Offered() const = 0;
    // The captions on `row`, below them the lists with the add and remove buttons
    // between them and the up and down buttons beside, in the column returned so that
    // the window may add its own.
    QVBoxLayout* PlaceLists(QGridLayout* grid, int row, const QString& availableCaption, const QString& chosenCaption);
    // A button of the window: no default button, so that Enter does not press it.
    QPushButton* MakeButton(const char* name, const QString& text);

    QListWidget* availableList_ = nullptr;
    QListWidget* chosenList_ = nullptr;

private:
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* addAllButton_ = nullptr;
    QPushButton* removeAllButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
};

} // namespace nrt::gui
