#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// A form's action that posts to PayPal Payments Standard.
struct PaymentsStandardAddress
{
    // What stands between "?" and "#", as written: PayPal reads its fields too.
    std::string query;
};

// The action when it posts to PayPal Payments Standard, resolved as a browser's URL
// parser resolves it against a page served over https (the pasted text has no
// address of its own): surrounding spaces and controls, tabs and line breaks
// anywhere, letter case of the scheme, backslashes, scheme-relative "//host" and any
// run of slashes after it, the host mapped by UTS #46 (full-width letters,
// ideographic full stops, ignored code points), dot segments, default ports. Then it
// must be http or https, the host paypal.com or one below it, the path
// /cgi-bin/webscr or an old regional one such as /de/cgi-bin/webscr. An address on
// the page's own host never is.
std::optional<PaymentsStandardAddress> paymentsStandardAddress(std::string_view action);

inline bool isPaymentsStandardAddress(std::string_view action)
{
    return paymentsStandardAddress(action).has_value();
}

} // namespace quorvane
