#pragma once
// SIGTERM and SIGHUP (a logout, a shutdown, `kill`) close the main window the way its
// close button does, so what it saves on closing is saved. The handler only writes a
// byte to a pipe; the window is closed from the event loop.

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace nrt::gui {

class QuitSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; the previous ones come back when the object goes.
    explicit QuitSignals(QWidget* window);
    ~QuitSignals() override;

private:
    void Arrived();

    QWidget* window_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace nrt::gui
