#pragma once

#include "endpoints.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QString>
#include <chrono>
#include <optional>
#include <variant>

namespace quorvane {

// What PayPal's answers mean, and what the seller is told when there is no link.

// What was asked of PayPal, for the wording of the boxes.
enum class Call
{
    Create,
    List,
    Read,
    Delete,
};

struct Token
{
    QString accessToken;
    std::chrono::seconds expiresIn{0};
};

// PayPal's tokens last nine hours; a longer life given is taken as that.
inline constexpr std::chrono::seconds LongestTokenLife{32400};

// The answer to the token call asked for `call`: the token (of RFC 6750's b64token
// characters only, as it goes into a header), or the text of the error box.
std::variant<Token, QString> readTokenAnswer(int status, const QByteArray& body, Environment environment,
                                             Call call);

// The answer to the create call: the payment link, or the text of the error box.
struct CreateAnswer
{
    QString link;
    QString failure;
};
CreateAnswer readCreateAnswer(int status, const QByteArray& body, Environment environment);

// A link the seller may put on a page: https, on paypal.com or one of its hosts.
bool isPayPalLink(const QString& link);

// The box for an answer that is neither a success nor a server error asked twice.
QString failureText(int status, const QByteArray& body, Environment environment, Call call);

// A request that got no HTTP answer.
QString transportFailureText(QNetworkReply::NetworkError error, const QString& host, const QString& detail);
// A request that got no answer in time, or a server error, twice.
QString timeoutText(const QString& host, std::chrono::milliseconds limit);
QString serverErrorText(int status, Call call);
// The wait a Retry-After header asks for, in seconds or as an HTTP date; none when it is neither.
std::optional<std::chrono::seconds> readRetryAfter(const QByteArray& value);
// A 429 that came again, or that asked for a longer wait than the program makes (none when not said).
QString tooManyRequestsText(Call call, std::optional<std::chrono::seconds> wait);
QString unreadableText(Call call);

} // namespace quorvane
