// bare_window with the same report as startup_probe, so the two start-ups are
// measured the same way.
#include "form1_texts.h"
#include "idleprobe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    const std::int64_t mainEntered = quorvane::bench::monotonicNanoseconds();
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(quorvane::bench::form1Width, quorvane::bench::form1Height);
    quorvane::bench::IdleProbe probe([&window](const QWidget* w) { return w == &window; });
    probe.whenIdle([mainEntered] { quorvane::bench::reportStartupAndQuit(mainEntered); });
    window.show();
    return QApplication::exec();
}
