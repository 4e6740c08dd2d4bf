#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace quorvane {

// PayPal's two worlds: real money, and the test accounts of the developer dashboard.
enum class Environment
{
    Live,
    Sandbox,
};

inline constexpr int EnvironmentCount = 2;

// "Live" or "Sandbox", as the developer dashboard names them.
QString environmentName(Environment environment);

// The address of PayPal's REST API for an environment. QUORVANE_PAYPAL_API, when it
// names a loopback address, replaces both (for tests); any other value is ignored
// with one line on standard error.
QUrl apiBase(Environment environment);

// The address QUORVANE_PAYPAL_API stands for, if it is http or https on 127.0.0.1,
// ::1 or localhost, with nothing but an optional port after the host.
std::optional<QUrl> loopbackOverride(const QString& value);

} // namespace quorvane
