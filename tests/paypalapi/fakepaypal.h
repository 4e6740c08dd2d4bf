#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>

namespace quorvane::testing {

// fakepaypal.py on a loopback port, standing in for both PayPal hosts while it lives.
class FakePayPal
{
public:
    explicit FakePayPal(double slowSeconds = 5)
    {
        m_process.start(QStringLiteral("python3"), {QStringLiteral(QUORVANE_FAKE_PAYPAL),
                                                    QStringLiteral("--delay"), QString::number(slowSeconds)});
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        if (!m_process.canReadLine()) {
            qFatal("fakepaypal.py did not start");
        }
        qputenv("QUORVANE_PAYPAL_API", "http://127.0.0.1:" + m_process.readLine().trimmed().mid(5));
    }

    ~FakePayPal()
    {
        qunsetenv("QUORVANE_PAYPAL_API");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    FakePayPal(const FakePayPal&) = delete;
    FakePayPal& operator=(const FakePayPal&) = delete;

    // The requests received since the last call: path, client, request_id, problems.
    QList<QJsonObject> requests()
    {
        while (m_process.waitForReadyRead(100)) {
        }
        QList<QJsonObject> received;
        while (m_process.canReadLine()) {
            received << QJsonDocument::fromJson(m_process.readLine()).object();
        }
        return received;
    }

private:
    QProcess m_process;
};

} // namespace quorvane::testing
