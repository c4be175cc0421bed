#pragma once
// "ユーザーを開く": the books of the data folder, to open one or take one off the list.
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

    // Whether another book was opened (the dialog is then accepted).
    bool Opened() const { return opened_; }

    // okButton_ or a double click.
    void OpenBook();
    // deleteButton_.
    void DeleteBook();

private:
    QListWidget* addressBookList_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;

    void Fill();
    int SelectedEntry() const;

    MainWindow& main_;
    bool opened_ = false;
    // The current book's table and settings are saved once per window.
    bool saved_ = false;
};

} // namespace nrt::gui
