#include "paypalclient.h"

#include <QNetworkRequest>
#include <QRegularExpression>
#include <QUrlQuery>
#include <QUuid>
#include <variant>

namespace quorvane {

namespace {

const QString LinksPath = QStringLiteral("/v1/checkout/payment-resources");

} // namespace

PayPalClient::PayPalClient(TokenCache& tokens, QObject* parent) : QObject(parent), m_tokens(tokens)
{
    connect(&m_runner, &RequestRunner::answered, this, &PayPalClient::answered);
    connect(&m_runner, &RequestRunner::failed, this, &PayPalClient::fail);
    connect(&m_runner, &RequestRunner::waiting, this, &PayPalClient::waiting);
}

PayPalClient::~PayPalClient()
{
    cancel();
}

void PayPalClient::setTiming(Timing timing)
{
    m_runner.setTiming(timing);
}

void PayPalClient::createLink(Environment environment, const QString& clientId, const QString& secret,
                              const QByteArray& body, const QByteArray& requestId)
{
    cancel();
    m_body = body;
    // One key per press, the same on the retry, so that PayPal makes one link of both.
    m_requestId = requestId.isEmpty() ? QUuid::createUuid().toByteArray(QUuid::WithoutBraces) : requestId;
    start(Call::Create, environment, clientId, secret);
}

void PayPalClient::listLinks(Environment environment, const QString& clientId, const QString& secret)
{
    cancel();
    m_pages.emplace(environment);
    start(Call::List, environment, clientId, secret);
}

void PayPalClient::readLink(Environment environment, const QString& clientId, const QString& secret,
                            const QString& id)
{
    cancel();
    m_id = id;
    start(Call::Read, environment, clientId, secret);
}

void PayPalClient::deleteLink(Environment environment, const QString& clientId, const QString& secret,
                              const QString& id)
{
    cancel();
    m_id = id;
    start(Call::Delete, environment, clientId, secret);
}

void PayPalClient::start(Call call, Environment environment, const QString& clientId, const QString& secret)
{
    m_call = call;
    m_environment = environment;
    m_base = apiBase(environment);
    m_clientId = clientId;
    m_secret = secret;
    // Only an id of PayPal's form goes into an address, only a key of its form into a header.
    if ((call == Call::Read || call == Call::Delete) && !isPaymentLinkId(m_id)) {
        fail(QStringLiteral("Error: \"%1\" is not the ID of a PayPal payment link.").arg(m_id.left(130)));
        return;
    }
    static const QRegularExpression requestKey(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9a-zA-Z_-]{1,108}")));
    if (call == Call::Create && !requestKey.match(QString::fromLatin1(m_requestId)).hasMatch()) {
        fail(QStringLiteral("Error: \"%1\" cannot be the PayPal-Request-Id of a payment link.")
                 .arg(QString::fromLatin1(m_requestId.left(130))));
        return;
    }
    if (std::optional<QString> token = m_tokens.find(environment, clientId, secret)) {
        m_accessToken = *token;
        m_tokenFromCache = true;
        sendCall();
    } else {
        m_tokenFromCache = false;
        sendToken();
    }
}

void PayPalClient::cancel()
{
    ++m_calls;
    m_runner.cancel();
    finish();
}

bool PayPalClient::isBusy() const
{
    return m_runner.isBusy();
}

QNetworkRequest PayPalClient::request(const QString& path) const
{
    QUrl url = m_base;
    url.setPath(path);
    QNetworkRequest request(url);
    // A redirect would carry the credentials elsewhere: it fails as an unexpected answer.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Accept", "application/json");
    // Answers come as they are sent, so that their size limit is that of what is read.
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

void PayPalClient::sendToken()
{
    m_asking = true;
    QNetworkRequest token = request(QStringLiteral("/v1/oauth2/token"));
    token.setRawHeader("Authorization",
                       "Basic " + (m_clientId + QLatin1Char(':') + m_secret).toUtf8().toBase64());
    token.setHeader(QNetworkRequest::ContentTypeHeader,
                    QByteArrayLiteral("application/x-www-form-urlencoded"));
    m_runner.run(m_call, token, "POST", QByteArrayLiteral("grant_type=client_credentials"));
}

void PayPalClient::sendCall()
{
    m_asking = false;
    QNetworkRequest call =
        request(m_call == Call::Create || m_call == Call::List ? LinksPath : LinksPath + '/' + m_id);
    call.setRawHeader("Authorization", "Bearer " + m_accessToken.toUtf8());
    switch (m_call) {
    case Call::Create:
        call.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        call.setRawHeader("PayPal-Request-Id", m_requestId);
        m_runner.run(m_call, call, "POST", m_body);
        return;
    case Call::List: {
        // The page size goes with the first request only, as PayPal asks.
        QUrlQuery query;
        query.addQueryItem(m_pageToken.isEmpty() ? QStringLiteral("page_size") : QStringLiteral("page_token"),
                           m_pageToken.isEmpty() ? QString::number(LinksPageSize) : m_pageToken);
        QUrl url = call.url();
        url.setQuery(query);
        call.setUrl(url);
        m_runner.run(m_call, call, "GET");
        return;
    }
    case Call::Read:
        m_runner.run(m_call, call, "GET");
        return;
    case Call::Delete:
        m_runner.run(m_call, call, "DELETE");
        return;
    }
}

void PayPalClient::answered(int status, const QByteArray& body)
{
    // A kept token PayPal no longer takes: ask for a new one, once.
    if (!m_asking && status == 401 && m_tokenFromCache) {
        m_tokens.forget(m_environment);
        m_tokenFromCache = false;
        sendToken();
        return;
    }
    m_asking ? tokenAnswered(status, body) : callAnswered(status, body);
}

void PayPalClient::tokenAnswered(int status, const QByteArray& body)
{
    std::variant<Token, QString> answer = readTokenAnswer(status, body, m_environment, m_call);
    if (const auto* text = std::get_if<QString>(&answer)) {
        fail(*text);
        return;
    }
    const Token& token = std::get<Token>(answer);
    m_tokens.store(m_environment, m_clientId, m_secret, token);
    m_accessToken = token.accessToken;
    sendCall();
}

void PayPalClient::callAnswered(int status, const QByteArray& body)
{
    switch (m_call) {
    case Call::Create: {
        const CreateAnswer answer = readCreateAnswer(status, body, m_environment);
        finish();
        answer.link.isEmpty() ? emit failed(answer.failure) : emit linkCreated(answer.link);
        return;
    }
    case Call::List:
        listAnswered(status, body);
        return;
    case Call::Read: {
        const std::variant<PaymentLink, QString> answer = readLinkAnswer(status, body, m_environment, m_id);
        finish();
        std::holds_alternative<QString>(answer) ? emit failed(std::get<QString>(answer))
                                                : emit linkRead(std::get<PaymentLink>(answer));
        return;
    }
    case Call::Delete: {
        const QString id = m_id;
        const QString failure = readDeleteAnswer(status, body, m_environment, id);
        finish();
        failure.isEmpty() ? emit linkDeleted(id) : emit failed(failure);
        return;
    }
    }
}

void PayPalClient::listAnswered(int status, const QByteArray& body)
{
    const LinksPage page = m_pages->read(status, body);
    if (!page.failure.isEmpty()) {
        fail(page.failure);
        return;
    }
    m_pageToken = page.nextPageToken;
    const bool last = m_pageToken.isEmpty();
    if (last) {
        finish();
    }
    const quint64 listing = m_calls;
    emit linksPage(page.links);
    // Unless the page's receiver cancelled or asked for something else.
    if (listing != m_calls) {
        return;
    }
    last ? emit linksListed() : sendCall();
}

void PayPalClient::finish()
{
    m_secret.clear();
    m_accessToken.clear();
    m_body.clear();
    m_pageToken.clear();
    m_pages.reset();
}

void PayPalClient::fail(const QString& text)
{
    finish();
    emit failed(text);
}

} // namespace quorvane
