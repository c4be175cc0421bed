#pragma once
// "新規ユーザー作成": the name of a new book and, when restoring, the "nrt.ndb" of the
// backup set (or other book folder) to copy from. AddressBooks does the checks.

#include "books/AddressBooks.h"

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

    // What the last okButton_ came to (kCancelled until then).
    AddressBooks::Created Result() const { return result_; }
    // The folder to copy from after Created::kFromCopy.
    const std::string& CopySource() const { return copySource_; }

    void Ok();
    void ChooseFile();

private:
    QLabel* messageLabel_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QCheckBox* copyCheck_ = nullptr;
    QLineEdit* copyPathEdit_ = nullptr;
    QPushButton* copyPathButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& main_;
    AddressBooks::Created result_ = AddressBooks::Created::kCancelled;
    std::string copySource_;
};

} // namespace nrt::gui
