#include "paypalclient.h"

#include "answers.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUuid>
#include <variant>

namespace quorvane {

PayPalClient::PayPalClient(TokenCache& tokens, QObject* parent) : QObject(parent), m_tokens(tokens)
{
    m_deadline.setSingleShot(true);
    m_retry.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_reply) {
            m_reply->abort();
        }
    });
    connect(&m_retry, &QTimer::timeout, this, [this] { m_step == Step::Token ? sendToken() : sendCreate(); });
}

PayPalClient::~PayPalClient()
{
    cancel();
}

void PayPalClient::setTiming(Timing timing)
{
    m_timing = timing;
}

void PayPalClient::createLink(Environment environment, const QString& clientId, const QString& secret,
                              const QByteArray& body)
{
    cancel();
    m_environment = environment;
    m_base = apiBase(environment);
    m_clientId = clientId;
    m_secret = secret;
    m_body = body;
    // One key per press, the same on the retry, so that PayPal makes one link of both.
    m_requestId = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    m_retried = false;
    if (std::optional<QString> token = m_tokens.find(environment, clientId, secret)) {
        m_accessToken = *token;
        m_tokenFromCache = true;
        sendCreate();
    } else {
        m_tokenFromCache = false;
        sendToken();
    }
}

void PayPalClient::cancel()
{
    finish();
    m_retry.stop();
    m_deadline.stop();
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

bool PayPalClient::isBusy() const
{
    return m_reply || m_retry.isActive();
}

QNetworkRequest PayPalClient::request(const char* path) const
{
    QUrl url = m_base;
    url.setPath(QLatin1String(path));
    QNetworkRequest request(url);
    // A redirect would carry the credentials elsewhere: it fails as an unexpected answer.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Accept", "application/json");
    return request;
}

void PayPalClient::sendToken()
{
    m_step = Step::Token;
    QNetworkRequest token = request("/v1/oauth2/token");
    token.setRawHeader("Authorization",
                       "Basic " + (m_clientId + QLatin1Char(':') + m_secret).toUtf8().toBase64());
    token.setHeader(QNetworkRequest::ContentTypeHeader,
                    QByteArrayLiteral("application/x-www-form-urlencoded"));
    send(m_network.post(token, QByteArrayLiteral("grant_type=client_credentials")));
}

void PayPalClient::sendCreate()
{
    m_step = Step::Create;
    QNetworkRequest create = request("/v1/checkout/payment-resources");
    create.setRawHeader("Authorization", "Bearer " + m_accessToken.toUtf8());
    create.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    create.setRawHeader("PayPal-Request-Id", m_requestId);
    send(m_network.post(create, m_body));
}

void PayPalClient::send(QNetworkReply* reply)
{
    m_reply = reply;
    m_timedOut = false;
    connect(reply, &QNetworkReply::finished, this, &PayPalClient::replyFinished);
    m_deadline.start(m_timing.request);
}

void PayPalClient::replyFinished()
{
    QNetworkReply* reply = m_reply.data();
    m_reply.clear();
    m_deadline.stop();
    reply->deleteLater();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (m_timedOut) {
        if (!retryOnce()) {
            fail(timeoutText(m_base.host(), m_timing.request));
        }
        return;
    }
    if (!status.isValid()) {
        fail(transportFailureText(reply->error(), m_base.host(), reply->errorString()));
        return;
    }
    const int code = status.toInt();
    if (code >= 500 && retryOnce()) {
        return;
    }
    const QByteArray body = reply->readAll();
    m_step == Step::Token ? tokenAnswered(code, body) : createAnswered(code, body);
}

bool PayPalClient::retryOnce()
{
    if (m_retried) {
        return false;
    }
    m_retried = true;
    m_retry.start(m_timing.retryDelay);
    return true;
}

void PayPalClient::tokenAnswered(int status, const QByteArray& body)
{
    std::variant<Token, QString> answer = readTokenAnswer(status, body, m_environment);
    if (const auto* text = std::get_if<QString>(&answer)) {
        fail(*text);
        return;
    }
    const Token& token = std::get<Token>(answer);
    m_tokens.store(m_environment, m_clientId, m_secret, token);
    m_accessToken = token.accessToken;
    m_retried = false;
    sendCreate();
}

void PayPalClient::createAnswered(int status, const QByteArray& body)
{
    // A kept token PayPal no longer takes: ask for a new one, once.
    if (status == 401 && m_tokenFromCache) {
        m_tokens.forget(m_environment);
        m_tokenFromCache = false;
        sendToken();
        return;
    }
    const CreateAnswer answer = readCreateAnswer(status, body, m_environment);
    finish();
    if (answer.link.isEmpty()) {
        emit failed(answer.failure);
    } else {
        emit linkCreated(answer.link);
    }
}

void PayPalClient::finish()
{
    m_secret.clear();
    m_accessToken.clear();
    m_body.clear();
}

void PayPalClient::fail(const QString& text)
{
    finish();
    emit failed(text);
}

} // namespace quorvane
