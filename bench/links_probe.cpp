// "Show Links" pressed with the fake PayPal (tests/paypalapi/fakepaypal.py) holding 250
// links and answering each page of the list after a delay: how long the event loop ever
// went without turning until all three pages are shown (a 5 ms timer repaints the
// window; the longest gap between its ticks bounds the longest stall). Then 10,000 links
// in the table: how long each sort by a column's header and each filter takes, the
// table repainted.
// Usage: links_probe <fakepaypal.py> [page delay seconds, default 0.2]
// Prints "wait_ms=<ms> longest_gap_ms=<ms> ticks=<n> idle_longest_gap_ms=<ms>
// sort_median_ms=<ms> sort_max_ms=<ms> sort_cpu_max_ms=<ms> filter_median_ms=<ms>
// filter_max_ms=<ms> filter_cpu_max_ms=<ms>", the cpu figures of processor time.
#include "form6.h"
#include "forms.h"
#include "idleprobe.h"
#include "linksmodel.h"
#include "messagebox.h"
#include "paymentlink.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

namespace {

using quorvane::bench::monotonicNanoseconds;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

std::int64_t threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Milliseconds that `step` takes, the table repainted after it: on the clock, and of
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

QList<quorvane::PaymentLink> manyLinks(int count)
{
    static const char* const names[] = {"Oak board", "Walnut bowl", "Linen towel", "Čaj 茶",
                                        "Hand-bound notebook"};
    QList<quorvane::PaymentLink> links;
    for (int i = 0; i < count; ++i) {
        const QString id = QStringLiteral("PLB-BENCH%1").arg(i, 6, 10, QLatin1Char('0'));
        links.append({id, QStringLiteral("%1 %2").arg(QString::fromUtf8(names[i % 5])).arg(i * 7919 % count),
                      QStringLiteral("SKU-%1").arg(i), QString::number(i * 137 % 10000 / 100.0, 'f', 2),
                      QStringLiteral("USD"),
                      i % 7 == 6 ? QStringLiteral("INACTIVE") : QStringLiteral("ACTIVE"),
                      QDateTime::fromSecsSinceEpoch(1'790'000'000 + i * 3600LL * 7 % 9'000'000, Qt::UTC),
                      QStringLiteral("https://www.paypal.com/ncp/payment/") + id.mid(4)});
    }
    return links;
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
    quorvane::setMessageBoxHandler([](const QString& text, quorvane::MessageStyle, const QString&) {
        std::fprintf(stderr, "unexpected message box: %s\n", qPrintable(text));
        std::exit(1);
    });
    QProcess fake;
    fake.start(QStringLiteral("python3"),
               {QString::fromLocal8Bit(argv[1]), QStringLiteral("--links"), QStringLiteral("250"),
                QStringLiteral("--page-delay"), QString::fromLocal8Bit(argc > 2 ? argv[2] : "0.2")});
    while (!fake.canReadLine() && fake.waitForReadyRead(10000)) {
    }
    if (!fake.canReadLine()) {
        fail("the fake PayPal did not start");
    }
    qputenv("QUORVANE_PAYPAL_API", "http://127.0.0.1:" + fake.readLine().trimmed().mid(5));

    quorvane::Form6* window = quorvane::forms().form6.get();
    window->show();
    window->findChild<QLineEdit*>(QStringLiteral("txtClientId"))->setText(QStringLiteral("shop-app"));
    window->findChild<QLineEdit*>(QStringLiteral("txtSecret"))->setText(QStringLiteral("fake-secret"));
    auto* table = window->findChild<QTableView*>(QStringLiteral("tblLinks"));
    auto* model = static_cast<quorvane::LinksModel*>(table->model());
    auto* show = window->findChild<QPushButton*>(QStringLiteral("cmdShow"));
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec(); // shown and painted

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
        if (model->total() == 250 && show->isEnabled()) {
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
    QTimer::singleShot(60000, &app, [] { fail("not all links within 60 s"); });
    const std::int64_t pressed = monotonicNanoseconds();
    last = pressed;
    show->click();
    loop.exec();
    const double waited = double(monotonicNanoseconds() - pressed) / 1e6;
    ticker.stop();

    model->clear();
    model->append(manyLinks(10000));
    // The table lays out its 10,000 rows once, before the measurement.
    QCoreApplication::processEvents();
    table->viewport()->repaint();
    Times sorts;
    Times filters;
    for (int column = 0; column < quorvane::LinksModel::ColumnCount; ++column) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            timed(sorts, table, [&] { table->sortByColumn(column, order); });
        }
    }
    auto* filter = window->findChild<QLineEdit*>(QStringLiteral("txtFilter"));
    for (const char* typed : {"w", "wa", "walnut", "sku-12", "", "zzz", "payment/bench0099", ""}) {
        timed(filters, table, [&] { filter->setText(QString::fromUtf8(typed)); });
    }
    const auto max = [](const std::vector<double>& times) {
        return *std::max_element(times.begin(), times.end());
    };
    std::printf("wait_ms=%.1f longest_gap_ms=%.2f ticks=%d idle_longest_gap_ms=%.2f sort_median_ms=%.2f "
                "sort_max_ms=%.2f sort_cpu_max_ms=%.2f filter_median_ms=%.2f filter_max_ms=%.2f "
                "filter_cpu_max_ms=%.2f\n",
                waited, double(longestGap) / 1e6, ticks, double(idleGap) / 1e6, median(sorts.wall),
                max(sorts.wall), max(sorts.cpu), median(filters.wall), max(filters.wall), max(filters.cpu));
    fake.closeWriteChannel();
    fake.waitForFinished(5000);
    return 0;
}
