#pragma once

#include <QProcess>
#include <QStringList>
#include <memory>

namespace quorvane::bench {

// Prints the reason and ends the probe: a figure taken without its set-up is meaningless.
[[noreturn]] void fail(const char* what);

// The fake PayPal (tests/paypalapi/fakepaypal.py) started with the options on a loopback
// port, standing in for PayPal from now on (QUORVANE_PAYPAL_API); what it prints later is
// read and dropped. Ends the probe if it does not start.
std::unique_ptr<QProcess> startFakePayPal(const char* script, const QStringList& options);

// Ends the fake PayPal once it has read its standard input to the end.
void stopFakePayPal(QProcess& fake);

} // namespace quorvane::bench
