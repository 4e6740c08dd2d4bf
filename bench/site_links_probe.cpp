// Making the links of a site: a generated site of N pages, each with its own Buy Now
// button, against the fake PayPal (tests/paypalapi/fakepaypal.py) answering each create
// after a delay. How long until every link is made, and how long the event loop ever
// went without turning meanwhile (a 5 ms timer's longest gap), against one second of
// the same timer before.
// Usage: site_links_probe <fakepaypal.py> [links, default 100] [delay seconds, default 0.2]
// Prints "links=<n> made=<n> wall_ms=<ms> longest_gap_ms=<ms> idle_longest_gap_ms=<ms>".
#include "fakepaypalprocess.h"
#include "sitemove.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

using quorvane::bench::fail;

void writeSite(const QString& folder, int pages)
{
    for (int page = 0; page < pages; ++page) {
        QFile file(QStringLiteral("%1/page%2.html").arg(folder).arg(page));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(QStringLiteral(
                           "<html><body><p>Item %1</p>\n<form action=\"https://www.paypal.com/cgi-bin/"
                           "webscr\" method=\"post\"><input type=\"hidden\" name=\"cmd\" value=\"_xclick\">"
                           "<input type=\"hidden\" name=\"item_name\" value=\"Item %1\"><input "
                           "type=\"hidden\" name=\"amount\" value=\"%2.00\"><input type=\"hidden\" "
                           "name=\"currency_code\" value=\"USD\"></form>\n</body></html>\n")
                           .arg(page)
                           .arg(page + 1)
                           .toUtf8()) < 0) {
            fail("the site could not be written");
        }
    }
}

// Runs one step of the move until its finished.
template <typename Start> void await(quorvane::SiteMove& move, Start&& start)
{
    QEventLoop loop;
    const auto connection = QObject::connect(&move, &quorvane::SiteMove::finished, &loop, &QEventLoop::quit);
    start();
    loop.exec();
    QObject::disconnect(connection);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        fail("usage: site_links_probe <fakepaypal.py> [links] [delay seconds]");
    }
    const int links = argc > 2 ? std::atoi(argv[2]) : 100;
    QTemporaryDir root;
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
    const QString site = root.filePath(QStringLiteral("site"));
    QDir().mkpath(site);
    writeSite(site, links);

    const std::unique_ptr<QProcess> fake = quorvane::bench::startFakePayPal(
        argv[1], {QStringLiteral("--create-delay"), QString::fromLocal8Bit(argc > 3 ? argv[3] : "0.2")});

    quorvane::SiteMove move;
    await(move, [&] { move.scan(site); });

    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - last);
        last = now;
    });
    clock.start();
    ticker.start();
    QEventLoop idle;
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec();
    const qint64 idleGap = longestGap;
    longestGap = 0;
    const qint64 pressed = clock.nsecsElapsed();
    last = pressed;
    await(move, [&] {
        move.makeLinks(quorvane::Environment::Sandbox, QStringLiteral("fake-client"),
                       QStringLiteral("fake-secret"), {});
    });
    const qint64 wall = clock.nsecsElapsed() - pressed;
    int made = 0;
    for (int row = 0; row < move.rowCount(); ++row) {
        made += move.row(row).state == quorvane::MoveState::LinkMade;
    }
    std::printf("links=%d made=%d wall_ms=%.1f longest_gap_ms=%.2f idle_longest_gap_ms=%.2f\n", links, made,
                double(wall) / 1e6, double(longestGap) / 1e6, double(idleGap) / 1e6);
    quorvane::bench::stopFakePayPal(*fake);
    return made == links ? 0 : 1;
}
