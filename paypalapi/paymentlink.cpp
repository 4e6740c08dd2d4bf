#include "paymentlink.h"

#include "answers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>
#include <optional>

namespace quorvane {

namespace {

bool matches(const QString& text, const QRegularExpression& pattern, qsizetype longest)
{
    return text.size() <= longest && pattern.match(text).hasMatch();
}

QRegularExpression anchored(const char* pattern)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(pattern)));
}

QString textOf(const QJsonObject& object, const char* name)
{
    return object.value(QLatin1String(name)).toString();
}

// A link of an answer; none when it has no id PayPal gives, a link that is not PayPal's
// (refused as a newly made one is) or a status that is not a word of PayPal's.
std::optional<PaymentLink> readPaymentLink(const QJsonObject& resource)
{
    const QJsonObject item = resource.value(QLatin1String("line_items")).toArray().at(0).toObject();
    const QJsonObject amount = item.value(QLatin1String("unit_amount")).toObject();
    PaymentLink link{textOf(resource, "id"),
                     textOf(item, "name"),
                     textOf(item, "product_id"),
                     textOf(amount, "value"),
                     textOf(amount, "currency_code"),
                     textOf(resource, "status"),
                     QDateTime::fromString(textOf(resource, "create_time"), Qt::ISODateWithMs).toUTC(),
                     textOf(resource, "payment_link"),
                     item};
    if (resource.contains(QLatin1String("return_url"))) {
        link.details.insert(QLatin1String("return_url"), resource.value(QLatin1String("return_url")));
    }
    static const QRegularExpression status = anchored("[A-Z][A-Z_]*");
    static const QRegularExpression price = anchored("(-?[0-9]+)|(-?([0-9]+)?[.][0-9]+)");
    static const QRegularExpression currency = anchored("[A-Z]{3}");
    if (!isPaymentLinkId(link.id) || !isPayPalLink(link.link) ||
        !(link.status.isEmpty() || matches(link.status, status, 40))) {
        return std::nullopt;
    }
    if (!matches(link.price, price, 32) || !matches(link.currency, currency, 3)) {
        link.price.clear();
        link.currency.clear();
    }
    return link;
}

QString notFoundText(const QString& id)
{
    return QStringLiteral(
               "Error: PayPal has no payment link %1 for this app; it may have been deleted already.")
        .arg(id);
}

} // namespace

bool isPaymentLinkId(const QString& id)
{
    static const QRegularExpression form = anchored("[A-Z]{3}-[A-Z0-9]+");
    return matches(id, form, 127);
}

bool isPageToken(const QString& token)
{
    static const QRegularExpression form = anchored("[a-zA-Z0-9_-]+");
    return matches(token, form, 255);
}

std::variant<PaymentLink, QString> readLinkAnswer(int status, const QByteArray& body, Environment environment,
                                                  const QString& id)
{
    if (status == 404) {
        return notFoundText(id);
    }
    if (status != 200) {
        return failureText(status, body, environment, Call::Read);
    }
    const std::optional<PaymentLink> link = readPaymentLink(QJsonDocument::fromJson(body).object());
    if (!link || link->id != id) {
        return unreadableText(Call::Read);
    }
    return *link;
}

QString readDeleteAnswer(int status, const QByteArray& body, Environment environment, const QString& id)
{
    if (status == 204) {
        return {};
    }
    if (status == 404) {
        return notFoundText(id);
    }
    return status >= 200 && status < 300 ? unreadableText(Call::Delete)
                                         : failureText(status, body, environment, Call::Delete);
}

LinkListReader::LinkListReader(Environment environment) : m_environment(environment) {}

LinksPage LinkListReader::read(int status, const QByteArray& body)
{
    LinksPage page;
    if (status != 200) {
        page.failure = failureText(status, body, m_environment, Call::List);
        return page;
    }
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonObject answer = document.object();
    const QJsonArray resources = answer.value(QLatin1String("resources")).toArray();
    for (const QJsonValue resource : resources) {
        if (std::optional<PaymentLink> link = readPaymentLink(resource.toObject())) {
            page.links << *link;
        } else {
            page.failure = unreadableText(Call::List);
        }
    }
    for (const QJsonValue value : answer.value(QLatin1String("links")).toArray()) {
        const QJsonObject next = value.toObject();
        if (textOf(next, "rel") == QLatin1String("next")) {
            page.nextPageToken = QUrlQuery(QUrl(textOf(next, "href")))
                                     .queryItemValue(QStringLiteral("page_token"), QUrl::FullyDecoded);
            if (!isPageToken(page.nextPageToken)) {
                page.failure = unreadableText(Call::List);
            } else if (m_pageTokens.contains(page.nextPageToken)) {
                page.failure = QStringLiteral(
                    "Error: PayPal sent a page of the list a second time, so the list of links is not "
                    "complete. Try again later.");
            } else if (m_pageTokens.size() + 1 >= MostLinkPages) {
                page.failure =
                    QStringLiteral(
                        "Error: PayPal's list of links did not end after %1 pages, so it is not complete.")
                        .arg(MostLinkPages);
            }
            m_pageTokens.insert(page.nextPageToken);
        }
    }
    if (!document.isObject() || resources.size() > LinksPageSize) {
        page.failure = unreadableText(Call::List);
    }
    if (!page.failure.isEmpty()) {
        page.links.clear();
        page.nextPageToken.clear();
    }
    return page;
}

} // namespace quorvane
