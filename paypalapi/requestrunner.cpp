#include "requestrunner.h"

#include "answers.h"

#include <QNetworkReply>

namespace quorvane {

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

void RequestRunner::run(const QNetworkRequest& request, const QByteArray& verb, const QByteArray& body)
{
    cancel();
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
    m_reply = m_body.isEmpty() ? m_network.sendCustomRequest(m_request, m_verb)
                               : m_network.sendCustomRequest(m_request, m_verb, m_body);
    connect(m_reply, &QNetworkReply::finished, this, &RequestRunner::replyFinished);
    m_deadline.start(m_timing.request);
}

void RequestRunner::replyFinished()
{
    QNetworkReply* reply = m_reply.data();
    m_reply.clear();
    m_deadline.stop();
    reply->deleteLater();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString host = m_request.url().host();
    if (m_timedOut) {
        if (!retryOnce()) {
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
    if (code >= 500 && retryOnce()) {
        return;
    }
    forget();
    emit answered(code, reply->readAll());
}

bool RequestRunner::retryOnce()
{
    if (m_retried) {
        return false;
    }
    m_retried = true;
    m_retry.start(m_timing.retryDelay);
    return true;
}

// The request carries the secret or the token: kept no longer than it is needed.
void RequestRunner::forget()
{
    m_request = QNetworkRequest();
    m_body.clear();
}

} // namespace quorvane
