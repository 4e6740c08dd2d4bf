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
// parser resolves it against the page's base: the href of its first base element
// when it has one, else a page served over https whose address the pasted text does
// not hold. Read as browsers read them: surrounding spaces and controls, tabs and
// line breaks anywhere, letter case of the scheme, backslashes, scheme-relative
// "//host" and any run of slashes after it, the host mapped by UTS #46 (full-width
// letters, ideographic full stops, ignored code points), dot segments, default
// ports. Then it must be http or https, the host paypal.com or one below it, the
// path /cgi-bin/webscr or an old regional one such as /de/cgi-bin/webscr.
std::optional<PaymentsStandardAddress> paymentsStandardAddress(std::string_view action,
                                                               std::string_view base = {});

inline bool isPaymentsStandardAddress(std::string_view action, std::string_view base = {})
{
    return paymentsStandardAddress(action, base).has_value();
}

} // namespace quorvane
