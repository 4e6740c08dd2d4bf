#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace quorvane::testing {

// fakepaypal.py on a loopback port, standing in for both PayPal hosts while it lives.
class FakePayPal : public QProcess
{
public:
    explicit FakePayPal(double slowSeconds = 5)
    {
        start("python3", {QUORVANE_FAKE_PAYPAL, "--delay", QString::number(slowSeconds)});
        while (!canReadLine() && waitForReadyRead(10000)) {
        }
        qputenv("QUORVANE_PAYPAL_API",
                "http://127.0.0.1:" + (canReadLine() ? readLine().trimmed().mid(5) : "0"));
    }
    ~FakePayPal() override { qunsetenv("QUORVANE_PAYPAL_API"), closeWriteChannel(), waitForFinished(); }

    // The calls received since the last time: path, client, request_id, problems.
    QList<QJsonObject> requests()
    {
        QList<QJsonObject> received;
        while (waitForReadyRead(100) || canReadLine()) {
            while (canReadLine()) {
                received << QJsonDocument::fromJson(readLine()).object();
            }
        }
        return received;
    }
};

} // namespace quorvane::testing
