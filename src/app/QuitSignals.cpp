#include "app/QuitSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace nrt::gui {
namespace {

int g_pipe[2] = { -1, -1 };
struct sigaction g_previous[2];
constexpr int kSignals[2] = { SIGTERM, SIGHUP };

void OnSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QWidget* window)
    : QObject(window)
    , window_(window)
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::Arrived);
    struct sigaction action { };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

QuitSignals::~QuitSignals()
{
    if (!notifier_)
        return;
    for (int i = 0; i < 2; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void QuitSignals::Arrived()
{
    char drain[16];
    while (::read(g_pipe[0], drain, sizeof drain) > 0) { }
    // Windows with a pending edit store it first (a question now would go unanswered);
    // then open dialogs are cancelled, as a user would before closing the window.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->metaObject()->indexOfMethod("SaveOnQuit()") >= 0)
            QMetaObject::invokeMethod(w, "SaveOnQuit", Qt::DirectConnection);
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == window_)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
    window_->close();
    QCoreApplication::quit();
}

} // namespace nrt::gui
