// bare_text_window with the same report as startup_probe, so the two start-ups are
// measured the same way.
#include "baretextwindow.h"
#include "idleprobe.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    const std::int64_t mainEntered = quorvane::bench::monotonicNanoseconds();
    QApplication app(argc, argv);
    quorvane::bench::BareTextWindow window;
    quorvane::bench::IdleProbe probe([&window](const QWidget* w) { return w == &window; });
    probe.whenIdle([mainEntered] { quorvane::bench::reportStartupAndQuit(mainEntered); });
    window.show();
    return QApplication::exec();
}
