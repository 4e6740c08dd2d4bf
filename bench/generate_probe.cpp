// "Generate The Code !" pressed until the code window is painted and the event loop
// idle: the first press, which loads the code window, then presses with the code
// window still open, then presses that each load it afresh after closing it. Then
// Ctrl+L's command until the payment link window is painted and idle, the first time:
// the network module loaded, the window made and shown.
// Prints "first=<ns>", "again=<ns>,...", "reload=<ns>,...", "link_first=<ns>" and
// "link_hwm_kib=<KiB>", the peak with the link window shown.
#include "deferredicons.h"
#include "dormantaccessibility.h"
#include "entries.h"
#include "form1.h"
#include "form2.h"
#include "forms.h"
#include "idleprobe.h"
#include "messagebox.h"

#include <QAction>
#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using quorvane::bench::IdleProbe;
using quorvane::bench::monotonicNanoseconds;

constexpr int TimeoutMs = 10000;

bool isCodeWindow(const QWidget* window)
{
    return qobject_cast<const quorvane::Form2*>(window) != nullptr;
}

// One press, timed until the code window is painted and idle.
std::int64_t pressGenerate(QPushButton* generate)
{
    IdleProbe probe(isCodeWindow);
    const std::int64_t start = monotonicNanoseconds();
    generate->click();
    const bool idle = probe.wait(TimeoutMs);
    const std::int64_t elapsed = monotonicNanoseconds() - start;
    if (!idle || !quorvane::forms().form2.isLoaded() || !quorvane::forms().form2.get()->isVisible()) {
        std::fprintf(stderr, "the code window did not show\n");
        std::exit(1);
    }
    return elapsed;
}

void closeCodeWindow()
{
    quorvane::forms().form2.unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void printSeries(const char* name, const std::vector<std::int64_t>& times)
{
    std::printf("%s=", name);
    for (std::size_t i = 0; i < times.size(); ++i) {
        std::printf(i ? ",%lld" : "%lld", static_cast<long long>(times[i]));
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const quorvane::DormantAccessibility accessibility;
    QApplication::setApplicationName(quorvane::ApplicationTitle);
    quorvane::deferRarePictures();
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    quorvane::bench::failOnMessageBox();

    quorvane::Form1* mainWindow = quorvane::forms().form1.get();
    {
        IdleProbe shown([mainWindow](const QWidget* w) { return w == mainWindow; });
        mainWindow->show();
        shown.wait(TimeoutMs);
    }
    quorvane::bench::fillMainWindow(mainWindow, QString());
    QPushButton* generate = quorvane::bench::buttonOf(mainWindow, "Command1");

    printSeries("first", {pressGenerate(generate)});
    std::vector<std::int64_t> again;
    for (int i = 0; i < rounds; ++i) {
        again.push_back(pressGenerate(generate));
    }
    printSeries("again", again);
    std::vector<std::int64_t> reload;
    for (int i = 0; i < rounds; ++i) {
        closeCodeWindow();
        reload.push_back(pressGenerate(generate));
    }
    printSeries("reload", reload);
    closeCodeWindow();

    // No desktop keyring: its answer would come at an unknown moment of the measurement.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvane-bench");
    IdleProbe linkShown([](const QWidget* w) { return w->objectName() == QLatin1String("Form5"); });
    const std::int64_t start = monotonicNanoseconds();
    mainWindow->findChild<QAction*>(QStringLiteral("actionPaymentLink"))->trigger();
    if (!linkShown.wait(TimeoutMs)) {
        std::fprintf(stderr, "the payment link window did not show\n");
        return 1;
    }
    printSeries("link_first", {monotonicNanoseconds() - start});
    std::printf("link_hwm_kib=%ld\n", quorvane::bench::peakResidentKiB());
    return 0;
}
