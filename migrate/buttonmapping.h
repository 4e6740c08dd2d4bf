#pragma once

#include "sitescan.h"

#include <QByteArray>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// What a payment link sells, in the words of PayPal's line item (Payment Links and
// Buttons v1): the values as the create call takes them.
struct LinkOption
{
    std::string label;
    std::optional<std::string> price; // unit_amount.value, in the item's currency
};

struct LinkDimension
{
    std::string name;
    bool primary = false; // only the primary dimension's options carry prices
    std::vector<LinkOption> options;
};

struct LineItem
{
    std::string name;
    std::string productId;
    std::string description;
    std::string price; // unit_amount.value
    std::string currency;
    std::optional<std::string> taxPercentage; // taxes: one PERCENTAGE tax
    std::optional<std::string> shipping;      // shipping: one FLAT amount
    bool collectShippingAddress = true;
    std::vector<std::string> notes; // customer_notes' labels; empty: PayPal's own wording
    std::vector<LinkDimension> dimensions;
    std::string returnUrl; // return_url; none when empty
};

// A field of the button that the link cannot hold, and why.
struct NotCarried
{
    std::string field;
    std::string why;
};

// What a Buy Now button becomes.
struct ButtonMapping
{
    std::optional<LineItem> item; // none when the seller must edit the button by hand
    std::string handEdit;         // why, then
    std::vector<std::string>
        carries; // beyond name and price: "tax 7.5 %", "shipping 4.95", "Size: 3 options"
    std::vector<NotCarried> notCarried;
};

// Maps the fields a Buy Now form submits onto a payment link's line item:
// item_name, item_number, amount and currency_code, return; tax_rate as a
// PERCENTAGE tax, and tax (a flat amount) as the percentage of the price it is when
// that is exact, PayPal's taxes having no flat kind; shipping, with handling added,
// as FLAT shipping; on0…on6 with os0…os6 as variant dimensions when os is a menu
// (its options priced by option_select0…9 and option_amount0…9 for the dimension
// option_index names), as customer notes labelled by on when os is a text box, as
// the description when os is fixed; no_shipping 0 or 2 as collecting the address;
// no_note and cn as a note. A button whose price a link would change (a quantity
// above one, a discount) or that PayPal would refuse is a hand edit.
ButtonMapping mapBuyNowButton(const FoundForm& form);

// The JSON body of the create call for the item: keys in a fixed order, so the same
// item always gives the same bytes.
QByteArray linkCreateBody(const LineItem& item);

} // namespace quorvane
