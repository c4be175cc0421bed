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
    ColumnsDialog(AppSettings& settings, const AddressTable& db, QWidget* parent = nullptr);
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
    QListWidget* availableList_ = nullptr;
    QListWidget* chosenList_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* addAllButton_ = nullptr;
    QPushButton* removeAllButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    QStringList Offered() const;

    AppSettings& settings_;
    const AddressTable& db_;
    bool changed_ = false;
};

} // namespace nrt::gui
