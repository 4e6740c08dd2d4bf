#pragma once

#include "buttonrequest.h"
#include "checks.h"

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvane {

// The HTML of the payment form: 14 lines, each ending in a lone carriage return; a
// line more for a currency and one for the character set when a value is not ASCII.
struct ButtonCode
{
    std::string text;
};

// A required entry is empty; `entry` is the first empty one in the window's order.
struct Incomplete
{
    Entry entry = Entry::Account;
};

// The form is complete but PayPal would refuse the button; every problem, in the
// window's order.
struct Refused
{
    std::vector<Problem> problems;
};

using ButtonCodeResult = std::variant<Incomplete, Refused, ButtonCode>;

ButtonCodeResult GenerateButtonCode(const ButtonRequest& request);

// The address of the button's picture: the chosen preset's, or the seller's own.
std::string pictureUrl(const ButtonRequest& request);

// What the seller is told when the form is incomplete.
inline constexpr std::string_view IncompleteMessageText =
    "Error: Please complete the whole form before generating the code";
inline constexpr std::string_view IncompleteMessageTitle = "Error";

// File names of the service's own button pictures; index 0 is "no picture chosen".
inline constexpr std::array<std::string_view, 9> PresetButtonTable = {
    "",
    "x-click-but23.gif",
    "x-click-butcc.gif",
    "x-click-but02.gif",
    "x-click-but03.gif",
    "x-click-but5.gif",
    "x-click-but01.gif",
    "x-click-but9.gif",
    "x-click-but6.gif",
};

// "https://www.paypal.com/cgi-bin/webscr", kept only encoded so the address never
// stands as plain text in the tool or in the page it writes.
inline constexpr std::string_view PaymentEndpointUrl =
    "&#104;&#116;&#116;&#112;&#115;&#58;&#47;&#47;&#119;&#119;&#119;&#46;&#112;&#97;&#121;"
    "&#112;&#97;&#108;&#46;&#99;&#111;&#109;&#47;&#99;&#103;&#105;&#45;&#98;&#105;&#110;&#47;"
    "&#119;&#101;&#98;&#115;&#99;&#114;";

inline constexpr std::string_view ImageBaseUrl = "https://www.paypal.com/images/";

} // namespace quorvane
