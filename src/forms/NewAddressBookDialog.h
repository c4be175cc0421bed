#pragma once
// "新規ユーザー作成": the name of a new user and, when restoring, the "nrt.ndb" of the
// backup set (or other user folder) to copy from. AddressBooks does the checks.

#include "users/AddressBooks.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nrt::gui {

class MainWindow;

class NewAddressBookDialog : public QDialog {
    Q_OBJECT
public:
    // copyMode: the copy controls are shown and ticked (restore).
    NewAddressBookDialog(MainWindow& main, bool copyMode);

    // What the last cmd_Ok came to (kCancelled until then).
    AddressBooks::Created Result() const { return result_; }
    // The folder to copy from after Created::kFromCopy.
    const std::string& CopySource() const { return copySource_; }

    void Ok();
    void ChooseFile();

private:
    QLabel* lbl_Msg = nullptr;
    QLineEdit* txt_User = nullptr;
    QCheckBox* chk_Copy = nullptr;
    QLineEdit* txt_CopyPath = nullptr;
    QPushButton* cmd_CopyPath = nullptr;
    QPushButton* cmd_Ok = nullptr;
    QPushButton* cmd_Close = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& main_;
    AddressBooks::Created result_ = AddressBooks::Created::kCancelled;
    std::string copySource_;
};

} // namespace nrt::gui
