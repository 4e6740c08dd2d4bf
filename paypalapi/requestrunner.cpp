#include "requestrunner.h"

#include <QNetworkReply>
#include <optional>
#include <utility>

namespace quorvane {

namespace {

using namespace std::chrono_literals;

// The most PayPal's answer may hold, and how much of it waits unread at a time.
constexpr qsizetype LongestAnswer = 1024 * 1024;
constexpr qint64 ReadBuffer = 64 * 1024;
// The longest wait PayPal may ask for before the program tries again by itself.
constexpr std::chrono::seconds LongestWait = 60s;

} // namespace

RequestRunner::RequestRunner(QObject* parent) : QObject(parent)
{
    m_deadline.setSingleShot(true);
    m_retry.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_reply) {
            m_reply->abort();
        }
    });
    connect(&m_retry, &QTimer::timeout, this, &RequestRunner::send);
}

RequestRunner::~RequestRunner()
{
    cancel();
}

void RequestRunner::setTiming(Timing timing)
{
    m_timing = timing;
}

void RequestRunner::run(Call call, const QNetworkRequest& request, const QByteArray& verb,
                        const QByteArray& body)
{
    cancel();
    m_call = call;
    m_request = request;
    m_verb = verb;
    m_body = body;
    m_retried = false;
    send();
}

void RequestRunner::cancel()
{
    m_retry.stop();
    m_deadline.stop();
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    forget();
}

bool RequestRunner::isBusy() const
{
    return m_reply || m_retry.isActive();
}

void RequestRunner::send()
{
    m_timedOut = false;
    m_tooLong = false;
    m_received.clear();
    m_reply = m_body.isEmpty() ? m_network.sendCustomRequest(m_request, m_verb)
                               : m_network.sendCustomRequest(m_request, m_verb, m_body);
    // Qt holds no more than this unread: the rest waits in the connection.
    m_reply->setReadBufferSize(ReadBuffer);
    connect(m_reply, &QNetworkReply::readyRead, this, &RequestRunner::readSome);
    connect(m_reply, &QNetworkReply::finished, this, &RequestRunner::replyFinished);
    m_deadline.start(m_timing.request);
}

void RequestRunner::readSome()
{
    m_received += m_reply->read(LongestAnswer + 1 - m_received.size());
    if (m_received.size() > LongestAnswer && !m_tooLong) {
        m_tooLong = true;
        m_received.clear();
        m_reply->abort();
    }
}

void RequestRunner::replyFinished()
{
    if (!m_tooLong && m_reply->isOpen()) {
        readSome();
    }
    QNetworkReply* reply = m_reply.data();
    m_reply.clear();
    m_deadline.stop();
    reply->deleteLater();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString host = m_request.url().host();
    if (m_tooLong) {
        forget();
        emit failed(unreadableText(m_call));
        return;
    }
    if (m_timedOut) {
        if (!retryOnce(m_timing.retryDelay)) {
            forget();
            emit failed(timeoutText(host, m_timing.request));
        }
        return;
    }
    if (!status.isValid()) {
        forget();
        emit failed(transportFailureText(reply->error(), host, reply->errorString()));
        return;
    }
    const int code = status.toInt();
    if ((code >= 500 && retryOnce(m_timing.retryDelay)) ||
        (code == 429 && waitAsAsked(reply->rawHeader("Retry-After")))) {
        return;
    }
    const QByteArray body = std::exchange(m_received, {});
    forget();
    if (code == 429) {
        emit failed(tooManyRequestsText(m_call, readRetryAfter(reply->rawHeader("Retry-After"))));
    } else {
        emit answered(code, body);
    }
}

bool RequestRunner::retryOnce(std::chrono::milliseconds delay)
{
    if (m_retried) {
        return false;
    }
    m_retried = true;
    m_retry.start(delay);
    return true;
}

// The one retry after a 429, once the wait PayPal asked for is over (the retry delay
// when it asked none); none when it asked for more than a minute.
bool RequestRunner::waitAsAsked(const QByteArray& retryAfter)
{
    const std::chrono::milliseconds wait =
        readRetryAfter(retryAfter)
            .value_or(std::chrono::duration_cast<std::chrono::seconds>(m_timing.retryDelay));
    if (wait > LongestWait || !retryOnce(wait)) {
        return false;
    }
    emit waiting(QStringLiteral("PayPal asks for a pause: asking again in %1 s…")
                     .arg(std::chrono::duration_cast<std::chrono::seconds>(wait).count()));
    return true;
}

// The request carries the secret or the token: kept no longer than it is needed.
void RequestRunner::forget()
{
    m_request = QNetworkRequest();
    m_body.clear();
}

} // namespace quorvane
