#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>

class QNetworkReply;

namespace quorvane {

// How long PayPal gets: for each request, and before the one automatic retry that
// follows a server error or a request that got no answer in time.
struct Timing
{
    std::chrono::milliseconds request{30000};
    std::chrono::milliseconds retryDelay{2000};
};

// Sends one request to PayPal and waits for its answer without blocking: retried once,
// the same, after a server error or when no answer came in time. Exactly one of answered
// and failed follows each run, unless cancel comes first.
class RequestRunner : public QObject
{
    Q_OBJECT

public:
    explicit RequestRunner(QObject* parent = nullptr);
    ~RequestRunner() override;

    void setTiming(Timing timing);
    void run(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& body = {});
    // Stops at once; nothing more is reported for the request.
    void cancel();
    bool isBusy() const;

signals:
    // Any HTTP answer, a server error only when it came twice.
    void answered(int status, const QByteArray& body);
    // No HTTP answer: the text of the error box.
    void failed(const QString& text);

private:
    void send();
    void replyFinished();
    bool retryOnce();
    void forget();

    QNetworkAccessManager m_network;
    Timing m_timing;
    QTimer m_deadline;
    QTimer m_retry;
    QPointer<QNetworkReply> m_reply;
    QNetworkRequest m_request;
    QByteArray m_verb;
    QByteArray m_body;
    bool m_timedOut = false;
    bool m_retried = false;
};

} // namespace quorvane
