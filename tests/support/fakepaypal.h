#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace quorvane::testing {

// fakepaypal.py with `options` ("--links", "250") on a loopback port, standing in for both PayPal hosts.
class FakePayPal : public QProcess
{
public:
    explicit FakePayPal(double slowSeconds = 5, const QStringList& options = {})
    {
        start("python3",
              QStringList{QUORVANE_FAKE_PAYPAL, "--delay", QString::number(slowSeconds)} + options);
        while (!canReadLine() && waitForReadyRead(10000)) {
        }
        qputenv("QUORVANE_PAYPAL_API",
                "http://127.0.0.1:" + (canReadLine() ? readLine().trimmed().mid(5) : "0"));
    }
    ~FakePayPal() override { qunsetenv("QUORVANE_PAYPAL_API"), closeWriteChannel(), waitForFinished(); }

    // The calls received since the last time: method, path, query, client, request_id, problems.
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
