#pragma once

#include "answers.h"
#include "endpoints.h"
#include "paymentlink.h"
#include "requestrunner.h"
#include "tokencache.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <optional>

namespace quorvane {

// Talks to PayPal's Payment Links and Buttons API for the seller's app, without
// blocking: a token for the client ID and secret (kept in the cache), then the call
// itself. Each call ends in exactly one of its own signals (for a list, linksListed after
// its pages) or failed, unless cancel or another call comes first, also from a slot of
// linksPage; an id or key not of PayPal's form fails at once. Certificates are always
// verified; a TLS error fails the call.
class PayPalClient : public QObject
{
    Q_OBJECT

public:
    explicit PayPalClient(TokenCache& tokens = sharedTokenCache(), QObject* parent = nullptr);
    ~PayPalClient() override;

    void setTiming(Timing timing);

    // `requestId`, PayPal's idempotency key, is made up when not given.
    void createLink(Environment environment, const QString& clientId, const QString& secret,
                    const QByteArray& body, const QByteArray& requestId = {});
    // Every page of the seller's links, 100 a page.
    void listLinks(Environment environment, const QString& clientId, const QString& secret);
    void readLink(Environment environment, const QString& clientId, const QString& secret, const QString& id);
    void deleteLink(Environment environment, const QString& clientId, const QString& secret,
                    const QString& id);
    // Stops at once; nothing more is reported for the call.
    void cancel();
    bool isBusy() const;

signals:
    void linkCreated(const QString& link);
    // Each page of the list as it arrives, then linksListed once all have.
    void linksPage(const QList<quorvane::PaymentLink>& links);
    void linksListed();
    void linkRead(const quorvane::PaymentLink& link);
    // Only once PayPal confirmed it.
    void linkDeleted(const QString& id);
    void failed(const QString& text);
    // A line for the window while the program waits as PayPal asked, before it asks again.
    void waiting(const QString& text);

private:
    void start(Call call, Environment environment, const QString& clientId, const QString& secret);
    void sendToken();
    void sendCall();
    void answered(int status, const QByteArray& body);
    void tokenAnswered(int status, const QByteArray& body);
    void callAnswered(int status, const QByteArray& body);
    void listAnswered(int status, const QByteArray& body);
    QNetworkRequest request(const QString& path) const;
    void finish();
    void fail(const QString& text);

    TokenCache& m_tokens;
    RequestRunner m_runner;
    Call m_call = Call::Create;
    bool m_asking = false; // for a token, else the call itself
    bool m_tokenFromCache = false;
    quint64 m_calls = 0; // how many were started or cancelled

    Environment m_environment = Environment::Sandbox;
    QUrl m_base;
    QString m_clientId;
    QString m_secret;
    QString m_accessToken;
    QByteArray m_body;
    QByteArray m_requestId;
    QString m_id;
    QString m_pageToken;
    std::optional<LinkListReader> m_pages;
};

} // namespace quorvane
