#pragma once
// Message boxes of the core shown as QMessageBox: the program's caption, icon,
// buttons and preselected button.

#include "platform/MessageHost.h"

class QWidget;

namespace nrt::gui {

// The window a message belongs over: the modal one, else the active one, else the
// program's visible main window.
QWidget* MessageParent();

class QtMessageHost : public platform::MessageHost {
public:
    platform::MsgResult Show(const platform::MessageRequest& request) override;
    void Beep() override;
};

} // namespace nrt::gui
