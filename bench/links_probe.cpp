// "Show Links" pressed with the fake PayPal (tests/paypalapi/fakepaypal.py) holding 250
// links and answering each page of the list after a delay: how long the event loop ever
// went without turning until all three pages are shown (a 5 ms timer repaints the
// window; the longest gap between its ticks bounds the longest stall). Then the 10,000
// links of another app, listed from a second fake that answers at once: how long each
// sort by a column's header and each filter takes, the table repainted.
// Usage: links_probe <fakepaypal.py> [page delay seconds, default 0.2]
// Prints "wait_ms=<ms> longest_gap_ms=<ms> ticks=<n> idle_longest_gap_ms=<ms>
// sort_median_ms=<ms> sort_max_ms=<ms> sort_cpu_max_ms=<ms> filter_median_ms=<ms>
// filter_max_ms=<ms> filter_cpu_max_ms=<ms>", the cpu figures of processor time.
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
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

using quorvane::bench::fail;
using quorvane::bench::monotonicNanoseconds;

// The fake PayPal holding 250 links, each page of the list answered after the delay.
std::unique_ptr<QProcess> startFake(const char* script, const QString& pageDelay)
{
    return quorvane::bench::startFakePayPal(script, {QStringLiteral("--links"), QStringLiteral("250"),
                                                     QStringLiteral("--page-delay"), pageDelay});
}

std::int64_t threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Milliseconds that steps take, the table repainted after each: on the clock, and of
// this thread's processor time (what other processes on the machine do not lengthen).
struct Times
{
    std::vector<double> wall;
    std::vector<double> cpu;
};

void timed(Times& times, QTableView* table, const std::function<void()>& step)
{
    const std::int64_t start = monotonicNanoseconds();
    const std::int64_t startCpu = threadCpuNanoseconds();
    step();
    table->viewport()->repaint();
    times.cpu.push_back(double(threadCpuNanoseconds() - startCpu) / 1e6);
    times.wall.push_back(double(monotonicNanoseconds() - start) / 1e6);
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double longest(const std::vector<double>& times)
{
    return *std::max_element(times.begin(), times.end());
}

} // namespace

int main(int argc, char* argv[])
{
    // No desktop keyring: its answer would come at an unknown moment of the measurement.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvane-bench");
    QApplication app(argc, argv);
    if (argc < 2) {
        fail("usage: links_probe <fakepaypal.py> [page delay seconds]");
    }
    quorvane::bench::failOnMessageBox();
    std::unique_ptr<QProcess> fake = startFake(argv[1], QString::fromLocal8Bit(argc > 2 ? argv[2] : "0.2"));

    // As in the program, the main window is there; the module's windows take its code.
    quorvane::forms().form1.get()->show();
    quorvane::NetworkWindows* windows = quorvane::networkWindows();
    if (!windows) {
        fail("the network module did not load");
    }
    windows->showPaymentLinksWindow();
    QWidget* window = quorvane::bench::topLevel("Form6");
    auto* clientId = window->findChild<QLineEdit*>(QStringLiteral("txtClientId"));
    clientId->setText(QStringLiteral("shop-app"));
    window->findChild<QLineEdit*>(QStringLiteral("txtSecret"))->setText(QStringLiteral("fake-secret"));
    auto* table = window->findChild<QTableView*>(QStringLiteral("tblLinks"));
    QPushButton* show = quorvane::bench::buttonOf(window, "cmdShow");
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec(); // shown and painted

    int wanted = 250;
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
        window->update();
        if (table->model()->rowCount() == wanted && show->isEnabled()) {
            loop.quit();
        }
    });
    // A second without a press, for comparison: what repainting alone costs.
    ticker.start();
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    const std::int64_t idleGap = longestGap;
    longestGap = 0;
    ticks = 0;
    QTimer::singleShot(120000, &app, [] { fail("not all links within 120 s"); });
    const std::int64_t pressed = monotonicNanoseconds();
    last = pressed;
    show->click();
    loop.exec();
    const double waited = double(monotonicNanoseconds() - pressed) / 1e6;
    const double gap = double(longestGap) / 1e6;
    const int listingTicks = ticks;

    // 10,000 links, 100 pages from a PayPal that answers at once.
    quorvane::bench::stopFakePayPal(*fake);
    fake = startFake(argv[1], QStringLiteral("0"));
    wanted = 10000;
    clientId->setText(QStringLiteral("fake-list-10000"));
    show->click();
    loop.exec();
    ticker.stop();
    QCoreApplication::processEvents();
    table->viewport()->repaint();

    Times sorts;
    Times filters;
    for (int column = 0; column < table->model()->columnCount(); ++column) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            timed(sorts, table, [&] { table->sortByColumn(column, order); });
        }
    }
    auto* filter = window->findChild<QLineEdit*>(QStringLiteral("txtFilter"));
    for (const char* typed : {"w", "wa", "walnut", "sku-12", "", "zzz", "00099", ""}) {
        timed(filters, table, [&] { filter->setText(QString::fromUtf8(typed)); });
    }
    std::printf("wait_ms=%.1f longest_gap_ms=%.2f ticks=%d idle_longest_gap_ms=%.2f sort_median_ms=%.2f "
                "sort_max_ms=%.2f sort_cpu_max_ms=%.2f filter_median_ms=%.2f filter_max_ms=%.2f "
                "filter_cpu_max_ms=%.2f\n",
                waited, gap, listingTicks, double(idleGap) / 1e6, median(sorts.wall), longest(sorts.wall),
                longest(sorts.cpu), median(filters.wall), longest(filters.wall), longest(filters.cpu));
    quorvane::bench::stopFakePayPal(*fake);
    return 0;
}
