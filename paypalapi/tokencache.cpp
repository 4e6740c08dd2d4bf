#include "tokencache.h"

#include "answers.h"

#include <QCryptographicHash>
#include <utility>

namespace quorvane {

namespace {

using namespace std::chrono_literals;

constexpr auto SafetyMargin = 60s;

QByteArray ownerOf(const QString& clientId, const QString& secret)
{
    return QCryptographicHash::hash((clientId + QLatin1Char(':') + secret).toUtf8(),
                                    QCryptographicHash::Sha256);
}

std::size_t slot(Environment environment)
{
    return static_cast<std::size_t>(environment);
}

} // namespace

TokenCache::TokenCache(Clock clock) : m_clock(std::move(clock)) {}

std::optional<QString> TokenCache::find(Environment environment, const QString& clientId,
                                        const QString& secret) const
{
    const std::optional<Entry>& entry = m_entries[slot(environment)];
    if (!entry || entry->owner != ownerOf(clientId, secret) || m_clock() >= entry->usableUntil) {
        return std::nullopt;
    }
    return entry->accessToken;
}

void TokenCache::store(Environment environment, const QString& clientId, const QString& secret,
                       const Token& token)
{
    m_entries[slot(environment)] =
        Entry{ownerOf(clientId, secret), token.accessToken, m_clock() + token.expiresIn - SafetyMargin};
}

void TokenCache::forget(Environment environment)
{
    m_entries[slot(environment)].reset();
}

TokenCache& sharedTokenCache()
{
    static TokenCache cache;
    return cache;
}

} // namespace quorvane
