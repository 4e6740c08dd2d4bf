// A hostile PayPal (tests/paypalapi/fakepaypal.py) answering the token call of one Create:
// how long the Create took, how far the program's memory grew, what the seller is told,
// and how many calls reached PayPal with a header that came out of an answer.
// Usage: answer_probe <fakepaypal.py> <client: fake-endless, fake-crlf, fake-ok...> [request seconds]
// Prints "seconds=<s> peak_growth_mb=<MB> calls=<n> injected=<n> outcome=<text>".
#include "paypalclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

// The most memory the process ever held, in MB.
double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        fail("usage: answer_probe <fakepaypal.py> <client> [request seconds]");
    }
    QProcess fake;
    fake.start(QStringLiteral("python3"), {QString::fromLocal8Bit(argv[1])});
    while (!fake.canReadLine() && fake.waitForReadyRead(10000)) {
    }
    if (!fake.canReadLine()) {
        fail("the fake PayPal did not start");
    }
    qputenv("QUORVANE_PAYPAL_API", "http://127.0.0.1:" + fake.readLine().trimmed().mid(5));

    quorvane::TokenCache tokens;
    quorvane::PayPalClient paypal(tokens);
    const double seconds = argc > 3 ? std::atof(argv[3]) : 30.0;
    paypal.setTiming({std::chrono::milliseconds(qint64(seconds * 1000)), std::chrono::milliseconds(2000)});
    QString outcome;
    QObject::connect(&paypal, &quorvane::PayPalClient::failed, [&](const QString& text) {
        outcome = text;
        app.quit();
    });
    QObject::connect(&paypal, &quorvane::PayPalClient::linkCreated, [&](const QString& link) {
        outcome = QStringLiteral("a link, ") + link;
        app.quit();
    });
    const double before = peakMegabytes();
    QElapsedTimer clock;
    clock.start();
    paypal.createLink(quorvane::Environment::Sandbox, QString::fromLocal8Bit(argv[2]),
                      QStringLiteral("fake-secret"),
                      R"({"integration_mode":"LINK","type":"BUY_NOW","reusable":"MULTIPLE","return_url":)"
                      R"("https://shop.example/","line_items":[{"name":"Oak board","unit_amount":)"
                      R"({"currency_code":"USD","value":"34.95"}}]})");
    app.exec();
    const double elapsed = double(clock.elapsed()) / 1000.0;
    const double growth = peakMegabytes() - before;

    fake.closeWriteChannel();
    fake.waitForFinished(5000);
    int calls = 0;
    int injected = 0;
    for (const QByteArray& line : fake.readAllStandardOutput().split('\n')) {
        calls += line.startsWith('{');
        injected += line.contains("X-Injected");
    }
    std::printf("seconds=%.2f peak_growth_mb=%.1f calls=%d injected=%d outcome=%s\n", elapsed, growth, calls,
                injected, qPrintable(outcome));
    return 0;
}
