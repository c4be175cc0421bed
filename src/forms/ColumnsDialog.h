#pragma once
// The display columns dialog: which fields the main list shows, and in which order.

#include <QDialog>

class QListWidget;
class QPushButton;

namespace nrt {
class AddressTable;
class AppSettings;
} // namespace nrt

namespace nrt::gui {

class ColumnsDialog : public QDialog {
    Q_OBJECT
public:
    ColumnsDialog(AppSettings& global, const AddressTable& db, QWidget* parent = nullptr);
    bool Changed() const { return changed_; }
    // The starting width of a column by its field name.
    static int StartingWidth(const QString& name);

    void MoveRight();
    void MoveLeft();
    void MoveAllRight();
    void MoveAllLeft();
    void MoveUpDown(int down);
    void Ok();

private:
    QListWidget* lst_From = nullptr;
    QListWidget* lst_To = nullptr;
    QPushButton* cmd_Right = nullptr;
    QPushButton* cmd_Left = nullptr;
    QPushButton* cmd_RightAll = nullptr;
    QPushButton* cmd_LeftAll = nullptr;
    QPushButton* cmd_Up = nullptr;
    QPushButton* cmd_Down = nullptr;
    QPushButton* cmd_Ok = nullptr;
    QPushButton* cmd_Close = nullptr;

    QStringList Offered() const;

    AppSettings& global_;
    const AddressTable& db_;
    bool changed_ = false;
};

} // namespace nrt::gui
