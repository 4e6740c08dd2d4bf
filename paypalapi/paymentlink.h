#pragma once

#include "endpoints.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <variant>

namespace quorvane {

// A payment link of the seller's app as PayPal lists it.
struct PaymentLink
{
    QString id;
    QString itemName;
    QString itemId;
    QString price;     // "34.95"; empty when PayPal gave none that reads as a price
    QString currency;  // "USD"
    QString status;    // "ACTIVE", "INACTIVE"... as PayPal gives it
    QDateTime created; // UTC, invalid if missing
    QString link;
    // Its line item and return_url as PayPal answered them, to tell whether it sells
    // the same as a link about to be made.
    QJsonObject details;
};

// The forms PayPal gives its ids and page tokens; nothing else goes into a request.
bool isPaymentLinkId(const QString& id);
bool isPageToken(const QString& token);

// The answer to reading one link: the link, or the text of the error box.
std::variant<PaymentLink, QString> readLinkAnswer(int status, const QByteArray& body, Environment environment,
                                                  const QString& id);
// The answer to deleting a link: empty when PayPal confirmed it, else the text of the error box.
QString readDeleteAnswer(int status, const QByteArray& body, Environment environment, const QString& id);

// One page of the list: its links and the token of the next page (empty on the last),
// or the text of the error box.
struct LinksPage
{
    QList<PaymentLink> links;
    QString nextPageToken;
    QString failure;
};

// How many links a page of the list holds at most, as the program asks PayPal; and how
// many pages a list may have (more would not be a seller's own links).
inline constexpr int LinksPageSize = 100;
inline constexpr qsizetype MostLinkPages = 1000;

// Reads the pages of one listing in turn; a page token seen before is a loop and ends it,
// as does a page of more links than asked for and a page past the last there may be.
class LinkListReader
{
public:
    explicit LinkListReader(Environment environment);

    LinksPage read(int status, const QByteArray& body);

private:
    Environment m_environment;
    QSet<QString> m_pageTokens;
};

} // namespace quorvane
