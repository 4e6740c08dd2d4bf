#pragma once

#include "answers.h"

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
// the same, after a server error, when no answer came in time, or after a 429 once the
// wait PayPal asks for (at most a minute) is over. An answer is read as it arrives and
// refused past 1 MB. Exactly one of answered and failed follows each run, unless cancel
// comes first; the texts are worded for `call`.
class RequestRunner : public QObject
{
    Q_OBJECT

public:
    explicit RequestRunner(QObject* parent = nullptr);
    ~RequestRunner() override;

    void setTiming(Timing timing);
    void run(Call call, const QNetworkRequest& request, const QByteArray& verb, const QByteArray& body = {});
    // Stops at once; nothing more is reported for the request.
    void cancel();
    bool isBusy() const;

signals:
    // Any HTTP answer, a server error only when it came twice.
    void answered(int status, const QByteArray& body);
    // No HTTP answer, or none that can be used: the text of the error box.
    void failed(const QString& text);
    // A line for the window while the program waits as PayPal asked.
    void waiting(const QString& text);

private:
    void send();
    void readSome();
    void replyFinished();
    bool retryOnce(std::chrono::milliseconds delay);
    bool waitAsAsked(const QByteArray& retryAfter);
    void forget();

    QNetworkAccessManager m_network;
    Timing m_timing;
    QTimer m_deadline;
    QTimer m_retry;
    QPointer<QNetworkReply> m_reply;
    QNetworkRequest m_request;
    QByteArray m_verb;
    QByteArray m_body;
    QByteArray m_received;
    Call m_call = Call::Create;
    bool m_timedOut = false;
    bool m_tooLong = false;
    bool m_retried = false;
};

} // namespace quorvane
