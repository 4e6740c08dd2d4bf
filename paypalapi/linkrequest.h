#pragma once

#include "buttonrequest.h"

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>
#include <variant>

namespace quorvane {

// What a payment link is made of: the main window's entries as PayPal's Payment Links
// and Buttons API takes them, and the line of HTML that shows the link on a page.

// An entry the seller must fix before a link can be made, and the box that says so.
struct EntryFix
{
    Entry entry;
    std::string text;
    std::string title;

    friend bool operator==(const EntryFix&, const EntryFix&) = default;
};

inline constexpr std::string_view LinkIncompleteText =
    "Error: Please fill in the item name, the price and the success URL (and the address of your own image, "
    "when you use one) before making a payment link";
inline constexpr std::string_view LinkRefusedHeading = "Error: PayPal would refuse this payment link:";

// What the window says once about the entries a link leaves out.
inline constexpr std::string_view UnusedEntriesText =
    "A payment link does not use Your Paypal Account (the link belongs to your app's PayPal account), the "
    "Cancelled URL, or Allow buyers to purchase more than one (PayPal's links have no field for it).";

// The JSON body of the create call for the entries, or the first thing to fix: the
// entries a link uses are checked as Generate checks them, Item ID being optional.
std::variant<EntryFix, QByteArray> linkRequestBody(const ButtonRequest& request);

// One line of HTML: the picture, linked to the payment link.
QString pageCode(const QString& link, const QString& picture);

} // namespace quorvane
