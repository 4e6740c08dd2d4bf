#include "fakepaypalprocess.h"

#include <cstdio>
#include <cstdlib>

namespace quorvane::bench {

void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

std::unique_ptr<QProcess> startFakePayPal(const char* script, const QStringList& options)
{
    auto fake = std::make_unique<QProcess>();
    fake->start(QStringLiteral("python3"), QStringList{QString::fromLocal8Bit(script)} + options);
    while (!fake->canReadLine() && fake->waitForReadyRead(10000)) {
    }
    if (!fake->canReadLine()) {
        fail("the fake PayPal did not start");
    }
    qputenv("QUORVANE_PAYPAL_API", "http://127.0.0.1:" + fake->readLine().trimmed().mid(5));
    QProcess* process = fake.get();
    QObject::connect(process, &QProcess::readyReadStandardOutput, process, [process] { process->readAll(); });
    return fake;
}

void stopFakePayPal(QProcess& fake)
{
    fake.closeWriteChannel();
    fake.waitForFinished(5000);
}

} // namespace quorvane::bench
