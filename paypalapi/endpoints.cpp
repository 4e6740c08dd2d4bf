#include "endpoints.h"

#include <cstdio>
#include <mutex>

namespace quorvane {

namespace {

constexpr char OverrideVariable[] = "QUORVANE_PAYPAL_API";

bool isLoopbackHost(const QString& host)
{
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("::1") ||
           host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString environmentName(Environment environment)
{
    return environment == Environment::Live ? QStringLiteral("Live") : QStringLiteral("Sandbox");
}

std::optional<QUrl> loopbackOverride(const QString& value)
{
    const QUrl url(value, QUrl::StrictMode);
    const bool webScheme = url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    const bool originOnly = url.userInfo().isEmpty() &&
                            (url.path().isEmpty() || url.path() == QLatin1String("/")) && !url.hasQuery() &&
                            !url.hasFragment();
    if (!url.isValid() || !webScheme || !originOnly || !isLoopbackHost(url.host())) {
        return std::nullopt;
    }
    QUrl origin = url;
    origin.setPath(QString());
    return origin;
}

QUrl apiBase(Environment environment)
{
    const QString value = qEnvironmentVariable(OverrideVariable);
    if (!value.isEmpty()) {
        if (std::optional<QUrl> local = loopbackOverride(value)) {
            return *local;
        }
        static std::once_flag warned;
        std::call_once(warned, [] {
            std::fputs(
                "quorvane: QUORVANE_PAYPAL_API is ignored: only http://127.0.0.1:PORT, http://[::1]:PORT "
                "or http://localhost:PORT may replace PayPal\n",
                stderr);
        });
    }
    return QUrl(environment == Environment::Live ? QStringLiteral("https://api-m.paypal.com")
                                                 : QStringLiteral("https://api-m.sandbox.paypal.com"));
}

} // namespace quorvane
