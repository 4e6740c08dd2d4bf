#pragma once

#include "endpoints.h"
#include "tokencache.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
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

// Asks PayPal's REST API for a payment link, without blocking: a token for the client
// ID and secret (kept in the cache), then the create call. Exactly one of linkCreated
// and failed follows each createLink, unless cancel comes first. Certificates are
// always verified; a TLS error fails the request.
class PayPalClient : public QObject
{
    Q_OBJECT

public:
    explicit PayPalClient(TokenCache& tokens = sharedTokenCache(), QObject* parent = nullptr);
    ~PayPalClient() override;

    void setTiming(Timing timing);

    void createLink(Environment environment, const QString& clientId, const QString& secret,
                    const QByteArray& body);
    // Stops at once; nothing more is reported for the request.
    void cancel();
    bool isBusy() const;

signals:
    void linkCreated(const QString& link);
    void failed(const QString& text);

private:
    enum class Step
    {
        Token,
        Create,
    };

    void sendToken();
    void sendCreate();
    void send(QNetworkReply* reply);
    void replyFinished();
    void tokenAnswered(int status, const QByteArray& body);
    void createAnswered(int status, const QByteArray& body);
    bool retryOnce();
    void finish();
    void fail(const QString& text);
    QNetworkRequest request(const char* path) const;

    TokenCache& m_tokens;
    QNetworkAccessManager m_network;
    Timing m_timing;
    QTimer m_deadline;
    QTimer m_retry;
    QPointer<QNetworkReply> m_reply;
    Step m_step = Step::Token;
    bool m_timedOut = false;
    bool m_retried = false;
    bool m_tokenFromCache = false;

    Environment m_environment = Environment::Sandbox;
    QUrl m_base;
    QString m_clientId;
    QString m_secret;
    QString m_accessToken;
    QByteArray m_body;
    QByteArray m_requestId;
};

} // namespace quorvane
