#pragma once

#include "buttonrequest.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvane {

class Cancellation;

// A Buy Now button read back into the main window's entries.
struct ReadButton
{
    // Exactly what the main window shows: every text (the own-image address
    // "http://" when a preset picture is chosen), the three check boxes, one of
    // the two picture options and a preset picture 1..8.
    ButtonRequest request;
    // The fields of the button that the entries do not hold, by name, in the
    // button's order; "image" when it had no image button to take the picture from.
    std::vector<std::string> notCarried;

    friend bool operator==(const ReadButton&, const ReadButton&) = default;
};

// Why the text gave no Buy Now button: the text of the error box, for the seller.
struct NotABuyNowButton
{
    std::string message;

    friend bool operator==(const NotABuyNowButton&, const NotABuyNowButton&) = default;
};

// Reads a pasted text as a browser does and takes the first form in it that posts
// to PayPal Payments Standard. A pure function, safe to call on any thread. A real
// page takes about 55 ms of processor time a megabyte, gumbo's parse 48 of them;
// the walk through the form is linear in the tree. No text takes more than 1 s of
// processor time plus 0.5 s a megabyte (16 MB at most), parse, walk and mapping
// together, and the tree no more than 64 MB of memory plus 48 bytes a byte: past
// that the text is given up as too complex. Measured: 100,000 nested elements
// around 50,000 dirname controls (1.8 MB) read in 0.15 s, 1.15 to 1.35 times the
// parse alone; 16 MB of controls in 1.3 s at 640 MB at most. Linux only: the time
// limit is a signal (SIGRTMIN + 7) to the calling thread.
//
// Cancelling the cancellation, from any thread, stops the read within a few
// milliseconds of processor time; it then gives TooComplexMessage, which whoever
// cancelled it does not show.
std::variant<ReadButton, NotABuyNowButton> ReadButtonCode(std::string_view html,
                                                          Cancellation* cancellation = nullptr);

// The one sentence of the information box that lists what was not carried: the
// first MaxNamedNotCarried names and how many more there are.
std::string notCarriedMessageText(const std::vector<std::string>& notCarried);
inline constexpr std::size_t MaxNamedNotCarried = 10;

// The name in notCarried for a button without an image button.
inline constexpr std::string_view NoPictureField = "image";

inline constexpr std::string_view ReadErrorTitle = "Error";
inline constexpr std::string_view NoButtonMessage = "No PayPal button was found in this text.";
inline constexpr std::string_view TooComplexMessage =
    "This text is too large or too deeply nested to be read as a web page. Paste the code of the button "
    "alone.";
inline constexpr std::string_view HostedButtonMessage =
    "This button is kept at PayPal (a hosted or encrypted button): its details are not in the code, so "
    "Quorvane cannot read them.";
// Other kinds of button get "This is a PayPal Donate button. Quorvane reads Buy
// Now buttons only." and the like; a form without a known cmd gets this:
inline constexpr std::string_view UnknownKindMessage =
    "This PayPal form is not a Buy Now button. Quorvane reads Buy Now buttons only.";

} // namespace quorvane
