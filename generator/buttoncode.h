#pragma once

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvane {

// A check box as the generator sees it. The numbers are the ones the seller's form
// uses; only Ticked counts as ticked. Toolkits number their states differently, so
// a window maps its own state onto this type and never casts.
enum class CheckBoxState : int
{
    Unticked = 0,
    Ticked = 1,
    Greyed = 2,
};

// Everything the seller entered, exactly as typed (UTF-8, nothing trimmed).
struct ButtonRequest
{
    std::string ItemName;
    std::string ItemNumber;
    std::string Amount;
    std::string ReturnUrl;
    std::string Account;
    std::string CancelUrl;
    std::string OwnImageUrl;
    std::string NoteTitle;
    CheckBoxState CollectShipping = CheckBoxState::Unticked;
    CheckBoxState AllowQuantity = CheckBoxState::Unticked;
    CheckBoxState AllowNote = CheckBoxState::Unticked;
    bool UsePresetImage = false;
    bool UseOwnImage = false;
    int ChosenImage = 0; // 1..8 picks a preset picture, 0 none
};

// The HTML of the payment form: 14 lines, each ending in a lone carriage return; a
// line more for a currency and one for the character set when a value is not ASCII.
struct ButtonCode
{
    std::string text;
};

// The entries the seller may be asked to fix, in the order the main window tabs
// through them.
enum class Entry
{
    Account,
    ItemName,
    ItemNumber,
    Amount,
    ReturnUrl,
    CancelUrl,
    OwnImageUrl,
};

// A required entry is empty; `entry` is the first empty one in the window's order.
struct Incomplete
{
    Entry entry = Entry::Account;
};

// An entry PayPal would refuse, and how to write it instead.
struct Problem
{
    Entry entry;
    std::string_view message;

    friend bool operator==(const Problem&, const Problem&) = default;
};

// The form is complete but PayPal would refuse the button; every problem, in the
// window's order.
struct Refused
{
    std::vector<Problem> problems;
};

using ButtonCodeResult = std::variant<Incomplete, Refused, ButtonCode>;

ButtonCodeResult GenerateButtonCode(const ButtonRequest& request);

// What the seller is told when the form is incomplete.
inline constexpr std::string_view IncompleteMessageText =
    "Error: Please complete the whole form before generating the code";
inline constexpr std::string_view IncompleteMessageTitle = "Error";

// What the seller is told when PayPal would refuse the button: the heading, then
// one line per problem, each naming the entry by its caption.
inline constexpr std::string_view RefusedMessageHeading = "Error: PayPal would refuse this button:";
inline constexpr std::string_view RefusedMessageTitle = "Error";
inline constexpr std::string_view AccountMessage =
    "Your Paypal Account: write the e-mail address of your PayPal account, like seller@example.com, or its "
    "merchant account ID of 13 capital letters and digits";
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

// The text of the box for a refusal: the heading and the problems, one a line.
std::string refusalMessageText(const Refused& refused);

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
