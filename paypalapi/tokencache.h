#pragma once

#include "endpoints.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

namespace quorvane {

struct Token;

// The access tokens of this run, one per environment, each for the client ID and
// secret it was issued to, in memory only. A token is used until a minute before
// PayPal said it expires.
class TokenCache
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit TokenCache(Clock clock = std::chrono::steady_clock::now);

    std::optional<QString> find(Environment environment, const QString& clientId,
                                const QString& secret) const;
    void store(Environment environment, const QString& clientId, const QString& secret, const Token& token);
    void forget(Environment environment);

private:
    struct Entry
    {
        QByteArray owner; // a digest of the client ID and secret, never the secret itself
        QString accessToken;
        std::chrono::steady_clock::time_point usableUntil;
    };

    Clock m_clock;
    std::array<std::optional<Entry>, EnvironmentCount> m_entries;
};

// The tokens the windows share.
TokenCache& sharedTokenCache();

} // namespace quorvane
