#pragma once
// "新規ユーザー作成": the name of a new user and, when restoring, the "nrt.ndb" of the
// backup set (or other user folder) to copy from. CMyUsers does the checks.

#include "users/CMyUsers.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nrt::gui {

class TfrmMain;

class TfrmNew : public QDialog {
    Q_OBJECT
public:
    // copyMode: the copy controls are shown and ticked (restore).
    TfrmNew(TfrmMain& main, bool copyMode);

    // CMyUsers::CreateResult of the last cmd_Ok (kCreateCancelled until then).
    int Result() const { return result_; }
    // The folder to copy from after kCreatedFromCopy.
    const std::string& CopySource() const { return copySource_; }

    void Ok();
    void ChooseFile();

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
    TfrmMain& main_;
    int result_ = CMyUsers::kCreateCancelled;
    std::string copySource_;
};

} // namespace nrt::gui
