#pragma once

#include <string_view>

namespace quorvane {

// Whether a form's action posts to PayPal Payments Standard, the address read as a
// browser reads it (surrounding spaces, tabs and line breaks, letter case of the
// scheme and host, backslashes, dot segments, default ports): http or https, the
// host paypal.com or one below it, the path /cgi-bin/webscr or an old regional one
// such as /de/cgi-bin/webscr. A relative address never is: a pasted text has no
// page address to resolve it against.
bool isPaymentsStandardAddress(std::string_view action);

} // namespace quorvane
