// The tool's own start-up, as ui/main.cpp does it, reporting from inside when the
// main window is painted and idle: the monotonic times at main() and at idle, and
// the peak memory then. Then it quits.
#include "deferredicons.h"
#include "dormantaccessibility.h"
#include "earlyfonts.h"
#include "form1.h"
#include "forms.h"
#include "idleprobe.h"
#include "messagebox.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    const std::int64_t mainEntered = quorvane::bench::monotonicNanoseconds();
    quorvane::EarlyFonts fonts;
    QApplication app(argc, argv);
    fonts.wait();
    const quorvane::DormantAccessibility accessibility;
    QApplication::setApplicationName(quorvane::ApplicationTitle);
    quorvane::deferRarePictures();
    quorvane::Form1* window = quorvane::forms().form1.get();
    quorvane::bench::IdleProbe probe([window](const QWidget* w) { return w == window; });
    probe.whenIdle([mainEntered] { quorvane::bench::reportStartupAndQuit(mainEntered); });
    window->show();
    return QApplication::exec();
}
