#include "answers.h"

#include "checks.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <algorithm>

namespace quorvane {

namespace {

// The main window's caption for a field of the create call, by PayPal's name of it in
// a JSON pointer ("/line_items/0/unit_amount/value") or a path ("line_items[0].name").
QString fieldCaption(const QString& field)
{
    const QStringList parts =
        field.split(QRegularExpression(QStringLiteral("[/.\\[\\]]")), Qt::SkipEmptyParts);
    const QString last = parts.isEmpty() ? QString() : parts.last();
    if (last == QLatin1String("collect_shipping_address")) {
        return QStringLiteral("Collect shipping details");
    }
    const std::optional<Entry> entry = parts.contains(QLatin1String("unit_amount"))      ? Entry::Amount
                                       : parts.contains(QLatin1String("customer_notes")) ? Entry::NoteTitle
                                       : last == QLatin1String("name")                   ? Entry::ItemName
                                       : last == QLatin1String("product_id")             ? Entry::ItemNumber
                                       : last == QLatin1String("return_url") ? std::optional(Entry::ReturnUrl)
                                                                             : std::nullopt;
    if (!entry) {
        return field;
    }
    const std::string_view caption = entryCaption(*entry);
    return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
}

QString credentialsRefusedText(Environment environment)
{
    return QStringLiteral(
               "Error: PayPal did not accept this client ID and secret for %1. Copy both from an app "
               "of the %1 tab in Apps & Credentials of the PayPal developer dashboard: Live and "
               "Sandbox apps have different credentials.")
        .arg(environmentName(environment));
}

// What did not happen, for the end of a box: "did not create the link".
QString deed(Call call)
{
    switch (call) {
    case Call::Create:
        return QStringLiteral("create the link");
    case Call::List:
        return QStringLiteral("list the links");
    case Call::Read:
        return QStringLiteral("show the link");
    case Call::Delete:
        return QStringLiteral("delete the link");
    }
    return {};
}

QString refusedText(const QByteArray& body, Call call)
{
    const QJsonObject answer = QJsonDocument::fromJson(body).object();
    QString text = QStringLiteral("Error: PayPal refused to %1:").arg(deed(call));
    const QJsonArray details = answer.value(QLatin1String("details")).toArray();
    for (const QJsonValue& value : details) {
        const QJsonObject detail = value.toObject();
        const QString field = detail.value(QLatin1String("field")).toString();
        const QString issue = detail.value(QLatin1String("issue")).toString();
        const QString description = detail.value(QLatin1String("description")).toString();
        text += QLatin1Char('\n');
        if (!field.isEmpty()) {
            text += fieldCaption(field) + QStringLiteral(": ");
        }
        text += issue;
        if (!description.isEmpty()) {
            text += issue.isEmpty() ? description : QStringLiteral(" (%1)").arg(description);
        }
    }
    if (details.isEmpty()) {
        const QString message = answer.value(QLatin1String("message"))
                                    .toString(answer.value(QLatin1String("error_description")).toString());
        text += QLatin1Char(' ') + (message.isEmpty() ? QStringLiteral("no reason given.") : message);
    }
    return text;
}

} // namespace

QString failureText(int status, const QByteArray& body, Environment environment, Call call)
{
    switch (status) {
    case 401:
        return credentialsRefusedText(environment);
    case 403:
        return QStringLiteral(
                   "Error: PayPal does not let this app %1 payment links. In the PayPal developer dashboard, "
                   "open the app in Apps & Credentials and enable Payment Links and Buttons, then try again.")
            .arg(deed(call).section(QLatin1Char(' '), 0, 0));
    case 400:
    case 422:
        return refusedText(body, call);
    default:
        return status >= 500 ? serverErrorText(status, call)
                             : QStringLiteral("Error: PayPal answered with HTTP status %1 and did not %2.")
                                   .arg(QString::number(status), deed(call));
    }
}

std::variant<Token, QString> readTokenAnswer(int status, const QByteArray& body, Environment environment,
                                             Call call)
{
    if (status != 200) {
        return failureText(status, body, environment, call);
    }
    static const QRegularExpression b64token(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9\\-._~+/]+=*")));
    const QJsonObject answer = QJsonDocument::fromJson(body).object();
    const QString token = answer.value(QLatin1String("access_token")).toString();
    const double life = answer.value(QLatin1String("expires_in")).toDouble();
    if (!b64token.match(token).hasMatch() || !(life >= 1)) {
        return unreadableText(call);
    }
    // Clamped before it becomes a count, so that no figure overflows the clock.
    return Token{token, std::chrono::seconds(static_cast<std::chrono::seconds::rep>(
                            std::min(life, static_cast<double>(LongestTokenLife.count()))))};
}

CreateAnswer readCreateAnswer(int status, const QByteArray& body, Environment environment)
{
    if (status != 200 && status != 201) {
        return {QString(), failureText(status, body, environment, Call::Create)};
    }
    const QString link =
        QJsonDocument::fromJson(body).object().value(QLatin1String("payment_link")).toString();
    if (!isPayPalLink(link)) {
        return {QString(), unreadableText(Call::Create)};
    }
    return {link, QString()};
}

bool isPayPalLink(const QString& link)
{
    const QUrl url(link, QUrl::StrictMode);
    const QString host = url.host();
    return url.isValid() && url.scheme() == QLatin1String("https") && url.userInfo().isEmpty() &&
           (host == QLatin1String("paypal.com") || host.endsWith(QLatin1String(".paypal.com")));
}

QString transportFailureText(QNetworkReply::NetworkError error, const QString& host, const QString& detail)
{
    switch (error) {
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral(
                   "Error: The address of PayPal's server, %1, could not be found. Check the Internet "
                   "connection and try again.")
            .arg(host);
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral(
                   "Error: The connection to PayPal's server, %1, could not be verified as secure, so "
                   "nothing was sent (%2).")
            .arg(host, detail);
    default:
        return QStringLiteral("Error: PayPal's server, %1, could not be reached (%2). Check the Internet "
                              "connection and try again.")
            .arg(host, detail);
    }
}

QString timeoutText(const QString& host, std::chrono::milliseconds limit)
{
    return QStringLiteral(
               "Error: PayPal's server, %1, did not answer within %2 seconds, also when asked a second "
               "time. Try again later.")
        .arg(host, QString::number(static_cast<double>(limit.count()) / 1000.0));
}

QString serverErrorText(int status, Call call)
{
    return QStringLiteral(
               "Error: PayPal's server had a problem (HTTP status %1), also when asked a second time, "
               "and did not %2. Try again in a few minutes.")
        .arg(QString::number(status), deed(call));
}

std::optional<std::chrono::seconds> readRetryAfter(const QByteArray& value)
{
    static const QRegularExpression seconds(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{1,9}")));
    QString text = QString::fromLatin1(value).trimmed();
    if (seconds.match(text).hasMatch()) {
        return std::chrono::seconds(text.toLongLong());
    }
    // HTTP's dates are in GMT, a zone Qt reads only as an offset.
    if (text.endsWith(QLatin1String(" GMT"))) {
        text = text.chopped(4) + QLatin1String(" +0000");
    }
    const QDateTime date = QDateTime::fromString(text, Qt::RFC2822Date);
    if (!date.isValid()) {
        return std::nullopt;
    }
    return std::chrono::seconds(std::max<qint64>(0, QDateTime::currentDateTimeUtc().secsTo(date)));
}

QString tooManyRequestsText(Call call, std::optional<std::chrono::seconds> wait)
{
    const qint64 minutes = wait ? (wait->count() + 59) / 60 : 1;
    return QStringLiteral(
               "Error: PayPal is getting too many requests from this app (HTTP status 429) and did not %1. Try "
               "again in %2.")
        .arg(deed(call),
             minutes <= 1 ? QStringLiteral("a minute") : QStringLiteral("%1 minutes").arg(minutes));
}

QString unreadableText(Call call)
{
    const QString unread = QStringLiteral("Error: PayPal's answer could not be read, so ");
    switch (call) {
    case Call::List:
        return unread + QStringLiteral("the list of links is not complete.");
    case Call::Delete:
        return unread + QStringLiteral("it is not known whether the link was deleted.");
    case Call::Create:
    case Call::Read:
        break;
    }
    return unread + QStringLiteral("there is no link to show.");
}

} // namespace quorvane
