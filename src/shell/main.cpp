// orvanta-librarian: the librarian's window program.

#include "shell/CApp.h"
#include "shell/CMainFrame.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#if defined(Q_OS_UNIX)
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#if defined(Q_OS_UNIX)
int g_terminationPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int /*signal*/) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_terminationPipe[0], &byte, 1);
}

// SIGTERM and SIGINT close the main window as File > Exit does (the questions about unsaved
// projects included), so that the exit steps run when a session ends the program.
void CloseOnTermination(Orvanta::CApp& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_terminationPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_terminationPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(g_terminationPipe[1], &byte, 1);
        if (Orvanta::CMainFrame* frame = app.MainFrame(); frame != nullptr) {
            frame->close();
            return;
        }
        // Before the main window exists no event loop of the application runs, so quitting alone
        // ends nothing: a dialog open meanwhile (a later start saying that no running instance
        // answers) is closed, and the start ends with it.
        while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->reject();
            if (QApplication::activeModalWidget() == dialog) {
                break;
            }
        }
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}
#endif

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty()) {
        arguments.removeFirst(); // the program itself
    }
    int exitCode = 0;
    {
        Orvanta::CApp app;
#if defined(Q_OS_UNIX)
        CloseOnTermination(app);
#endif
        if (app.InitInstance(arguments)) {
            exitCode = QApplication::exec();
        }
        const int exitStepsCode = app.ExitInstance();
        if (exitCode == 0) {
            exitCode = exitStepsCode;
        }
    }
    return exitCode;
}
