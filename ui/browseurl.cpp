#include "browseurl.h"

#include "messagebox.h"

#include <QCoreApplication>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace quorvane {

namespace {

using namespace std::chrono_literals;

#if defined(Q_OS_MACOS)
constexpr char OpenCommand[] = "open";
#else
constexpr char OpenCommand[] = "xdg-open";
#endif

// A launcher that exits with an error within this time has failed; one still running
// then has handed the address over (xdg-open may stay alive as long as the browser).
constexpr auto GracePeriod = 2500ms;
constexpr auto PollInterval = 50ms;
constexpr auto ReapInterval = 1s;

void reportFailure()
{
    MsgBox(QStringLiteral("Error starting web borwser. Make sure that you have a default web browser, "
                          "and/or it is installed."),
           MessageStyle::Critical);
}

// Watches one launcher without blocking the windows, and reaps it whenever it ends
// so that no zombie stays. It is never killed: the browser must outlive the tool.
void watchLauncher(pid_t pid)
{
    // Owned by the application, so that a launcher still watched at exit leaks nothing;
    // one still running then is left to the system to reap.
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(PollInterval);
    const auto deadline = std::chrono::steady_clock::now() + GracePeriod;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, pid, deadline, handedOver = false]() mutable {
        int status = 0;
        const pid_t result = waitpid(pid, &status, WNOHANG);
        if (result == 0) {
            if (!handedOver && std::chrono::steady_clock::now() >= deadline) {
                handedOver = true;
                timer->setInterval(ReapInterval);
            }
            return;
        }
        if (result == -1 && errno == EINTR) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        const bool succeeded = result == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!succeeded && !handedOver) {
            reportFailure();
        }
    });
    timer->start();
}

} // namespace

void BrowseURL(const QString& url)
{
    QByteArray program(OpenCommand);
    QByteArray address = url.toLocal8Bit();
    char* argv[] = {program.data(), address.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.constData(), nullptr, nullptr, argv, environ) != 0) {
        reportFailure();
        return;
    }
    watchLauncher(pid);
}

} // namespace quorvane
