#pragma once

#include "buttonrequest.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvane {

// What PayPal accepts in each entry, and what to tell the seller when it would not.

// An entry PayPal would refuse, and how to write it instead.
struct Problem
{
    Problem(Entry e, std::string_view m) : entry(e), message(m) {}

    Entry entry;
    std::string message;

    friend bool operator==(const Problem&, const Problem&) = default;
};

// A price as PayPal takes it: the number for `amount` and the currency code, upper
// case, for `currency_code` (empty when the seller named none: US dollars).
struct Price
{
    std::string_view number;
    std::string_view currency;
};

std::variant<Price, Problem> checkPrice(std::string_view text);

// The caption of an entry on the main window, which every message about it starts with.
std::string_view entryCaption(Entry entry);

// The problem with one text entry other than the price, if any. Required entries are
// checked for being filled in elsewhere: an empty text here is judged on its form.
std::optional<Problem> checkEntry(Entry entry, std::string_view text);

// Everything PayPal would refuse in a complete form, in the window's order.
std::vector<Problem> buttonProblems(const ButtonRequest& request);

// What the seller is told when PayPal would refuse the button: the heading, then
// one line per problem, each naming the entry by its caption. Beside these fixed
// messages, a problem may name what is wrong in the text itself: a character that has
// no place there and where it stands ("Success URL: remove the invisible character
// U+2068 after "https://example.com/""), an address that starts twice, a host or a
// port no browser takes, "mailto:" or punctuation around an account.
inline constexpr std::string_view RefusedMessageHeading = "Error: PayPal would refuse this button:";
inline constexpr std::string_view RefusedMessageTitle = "Error";
inline constexpr std::string_view AccountMessage =
    "Your Paypal Account: write the e-mail address of your PayPal account, like seller@example.com, with no "
    "spaces, or its merchant account ID of 13 capital letters and digits";
inline constexpr std::string_view ItemNameMessage = "Item Name / Service: write at most 127 characters";
inline constexpr std::string_view ItemNumberMessage = "Item ID / Number: write at most 127 characters";
inline constexpr std::string_view AmountMessage =
    "Price of Item / Service: write a number above 0 with a point and at most 2 decimals, like 12.50, with "
    "no thousands separator, symbol or space; a currency code may stand one space before or after it, like "
    "12.50 EUR";
inline constexpr std::string_view WholeAmountMessage =
    "Price of Item / Service: prices in JPY, HUF and TWD take no decimals, like 1500 JPY";
inline constexpr std::string_view CurrencyMessage =
    "Price of Item / Service: PayPal takes these currency codes only: AUD BRL CAD CHF CNY CZK DKK EUR GBP "
    "HKD HUF ILS JPY MXN MYR NOK NZD PHP PLN SEK SGD THB TWD USD";
inline constexpr std::string_view ReturnUrlMessage =
    "Success URL: write the whole address of the page, starting with https:// or http://, like "
    "https://example.com/thanks, with no spaces or other invisible characters, at most 1024 characters";
inline constexpr std::string_view CancelUrlMessage =
    "Cancelled URL: write the whole address of the page, starting with https:// or http://, like "
    "https://example.com/shop, with no spaces or other invisible characters, at most 1024 characters";
inline constexpr std::string_view OwnImageUrlMessage =
    "Your own image: write the whole address of the picture, starting with https:// or http://, like "
    "https://example.com/buy.png, with no spaces or other invisible characters, at most 1024 characters";

// The text of the box for a list of problems: the heading and the problems, one a line.
std::string refusalMessageText(const std::vector<Problem>& problems,
                               std::string_view heading = RefusedMessageHeading);

} // namespace quorvane
