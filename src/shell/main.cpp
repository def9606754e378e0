// orvanta-librarian: the librarian's window program.

#include "shell/CApp.h"
#include "shell/CMainFrame.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#include <cstdio>
#include <optional>

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
        Orvanta::CMainFrame* frame = app.MainFrame();
        // A box open now (a project on the command line that does not load, a later start saying
        // that no running instance answers, a question) runs its own loop, which would keep it on
        // the screen after the window has gone: it is closed as Cancel first, and what it stood
        // for ends with it.
        while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->reject();
            if (QApplication::activeModalWidget() == dialog) {
                break;
            }
        }
        if (frame != nullptr) {
            frame->close();
            return;
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
    // "--help" and "--version" are answered before any window or display is needed.
    QStringList given;
    for (int i = 1; i < argc; ++i) {
        given << QString::fromLocal8Bit(argv[i]);
    }
    if (const std::optional<QString> reply = Orvanta::CApp::InformationRequested(given)) {
        std::fputs(reply->toLocal8Bit().constData(), stdout);
        return 0;
    }
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
