#pragma once
// "ユーザーを開く": the users of the data folder, to open one or take one off the list.
// AddressBooks does the checks and the loading.

#include <QDialog>

class QListWidget;
class QPushButton;

namespace nrt::gui {

class MainWindow;

class AddressBookDialog : public QDialog {
    Q_OBJECT
public:
    explicit AddressBookDialog(MainWindow& main);

    // Whether another user was opened (the dialog is then accepted).
    bool Opened() const { return opened_; }

    // cmd_Ok or a double click.
    void OpenUser();
    // cmd_Del.
    void DeleteUser();

private:
    QListWidget* lst_List = nullptr;
    QPushButton* cmd_Ok = nullptr;
    QPushButton* cmd_Cancel = nullptr;
    QPushButton* cmd_Del = nullptr;

    void Fill();
    int SelectedEntry() const;

    MainWindow& main_;
    bool opened_ = false;
    // The current user's table and settings are saved once per window.
    bool saved_ = false;
};

} // namespace nrt::gui
