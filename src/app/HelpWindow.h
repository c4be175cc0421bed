#pragma once
// The program's own help window: the HTML manual shipped beside the program, shown in
// a text browser, so that help needs no web browser on the desktop.

#include <QDialog>

#include <string_view>

class QTextBrowser;

namespace nrt::gui {

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the manual at `path` (CP932) and raises the window; false, with the
    // program's message, when the manual cannot be read.
    bool ShowManual(std::string_view path);

private:
    QTextBrowser* helpBrowser_ = nullptr;
};

} // namespace nrt::gui
