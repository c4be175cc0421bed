#pragma once
// The OK and cancel buttons of the program's small dialogs. Neither is a default
// button: Enter moves the focus on, as in every field of the program.

#include <QString>

#include <functional>

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace nrt::gui {

struct DialogButtons {
    QDialogButtonBox* box = nullptr;
    QPushButton* ok = nullptr; // "cmd_Ok"
    QPushButton* cancel = nullptr;
};

// OK runs `onOk` (which decides whether the dialog closes); the cancel button,
// named `cancelName`, rejects the dialog.
DialogButtons AddOkCancel(
    QDialog* dialog, const QString& cancelName, const QString& cancelCaption, std::function<void()> onOk);

} // namespace nrt::gui
