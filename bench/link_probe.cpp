// "Create Payment Link" pressed with the fake PayPal (tests/paypalapi/fakepaypal.py)
// answering the create call after a delay: how long the event loop ever went without
// turning, from the press until the link shows, and how often both windows painted
// meanwhile. A 5 ms timer repaints both windows; the longest gap between its ticks
// bounds the longest stall.
// Usage: link_probe <fakepaypal.py> [delay seconds, default 5]
// Prints "wait_ms=<ms> longest_gap_ms=<ms> ticks=<n> paints_main=<n> paints_link=<n>
// idle_longest_gap_ms=<ms>", the last for one second of the same repainting before the press.
#include "entries.h"
#include "fakepaypalprocess.h"
#include "form1.h"
#include "forms.h"
#include "idleprobe.h"
#include "networkwindows.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

using quorvane::bench::fail;
using quorvane::bench::monotonicNanoseconds;

// Counts the paint events of a window and its controls.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }

    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget && widget->window() == m_window) {
            ++paints;
        }
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace

int main(int argc, char* argv[])
{
    // No desktop keyring: its answer would come at an unknown moment of the measurement.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvane-bench");
    QApplication app(argc, argv);
    if (argc < 2) {
        fail("usage: link_probe <fakepaypal.py> [delay seconds]");
    }
    quorvane::bench::failOnMessageBox();
    const std::unique_ptr<QProcess> fake = quorvane::bench::startFakePayPal(
        argv[1], {QStringLiteral("--delay"), QString::fromLocal8Bit(argc > 2 ? argv[2] : "5")});

    quorvane::Form1* mainWindow = quorvane::forms().form1.get();
    mainWindow->show();
    quorvane::bench::fillMainWindow(mainWindow, QString());
    quorvane::NetworkWindows* windows = quorvane::networkWindows();
    if (!windows) {
        fail("the network module did not load");
    }
    windows->showPaymentLinkWindow();
    QWidget* linkWindow = quorvane::bench::topLevel("Form5");
    linkWindow->findChild<QLineEdit*>(QStringLiteral("txtClientId"))->setText(QStringLiteral("fake-slow"));
    linkWindow->findChild<QLineEdit*>(QStringLiteral("txtSecret"))->setText(QStringLiteral("fake-secret"));
    auto* link = linkWindow->findChild<QLineEdit*>(QStringLiteral("txtLink"));
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec(); // both windows shown and painted

    PaintCounter mainPaints(mainWindow);
    PaintCounter linkPaints(linkWindow);
    std::int64_t last = monotonicNanoseconds();
    std::int64_t longestGap = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const std::int64_t now = monotonicNanoseconds();
        longestGap = std::max(longestGap, now - last);
        last = now;
        ++ticks;
        mainWindow->update();
        linkWindow->update();
        if (!link->text().isEmpty()) {
            loop.quit();
        }
    });
    // The same second without a press, for comparison: what repainting alone costs.
    ticker.start();
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    const std::int64_t idleGap = longestGap;
    longestGap = 0;
    ticks = mainPaints.paints = linkPaints.paints = 0;
    QTimer::singleShot(60000, &app, [] { fail("no link within 60 s"); });
    const std::int64_t pressed = monotonicNanoseconds();
    last = pressed;
    quorvane::bench::buttonOf(linkWindow, "cmdCreate")->click();
    loop.exec();
    std::printf(
        "wait_ms=%.1f longest_gap_ms=%.2f ticks=%d paints_main=%d paints_link=%d idle_longest_gap_ms=%.2f\n",
        double(monotonicNanoseconds() - pressed) / 1e6, double(longestGap) / 1e6, ticks, mainPaints.paints,
        linkPaints.paints, double(idleGap) / 1e6);
    quorvane::bench::stopFakePayPal(*fake);
    return 0;
}
