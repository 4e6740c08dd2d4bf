#include "buttoncode.h"

#include "charrefs.h"
#include "fields.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

namespace quorvane {

namespace {

constexpr std::string_view Cr = "\r";
constexpr std::string_view EncodedHidden = "&#104;&#105;&#100;&#100;&#101;&#110;";
constexpr std::string_view EncodedOne = "&#49;";
constexpr std::string_view EncodedZero = "&#48;";

bool isTicked(CheckBoxState state)
{
    return state == CheckBoxState::Ticked;
}

// The first empty required entry, in the window's order; none when the form is complete.
// A text of spaces counts as filled in.
std::optional<Entry> firstEmptyEntry(const ButtonRequest& r)
{
    const std::pair<Entry, const std::string*> required[] = {
        {Entry::Account, &r.Account},         {Entry::ItemName, &r.ItemName},
        {Entry::ItemNumber, &r.ItemNumber},   {Entry::Amount, &r.Amount},
        {Entry::ReturnUrl, &r.ReturnUrl},     {Entry::CancelUrl, &r.CancelUrl},
        {Entry::OwnImageUrl, &r.OwnImageUrl},
    };
    for (const auto& [entry, text] : required) {
        if (text->empty() && (entry != Entry::OwnImageUrl || r.UseOwnImage)) {
            return entry;
        }
    }
    return std::nullopt;
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Everything of a hidden field up to its value.
void appendFieldStart(std::string& out, std::string_view encodedName)
{
    out += "<input type=\"";
    out += EncodedHidden;
    out += "\" name=\"";
    out += encodedName;
    out += "\" value=\"";
}

void appendHidden(std::string& out, std::string_view encodedName, std::string_view encodedValue,
                  std::string_view close = ">")
{
    appendFieldStart(out, encodedName);
    out += encodedValue;
    out += '"';
    out += close;
    out += Cr;
}

// A field whose value the seller typed.
void appendHiddenText(std::string& out, std::string_view encodedName, std::string_view value)
{
    appendFieldStart(out, encodedName);
    appendCharRefs(out, value);
    out += "\">";
    out += Cr;
}

// Whether a value the form submits holds a character outside ASCII; the picture's
// address is not submitted.
bool submitsNonAscii(const ButtonRequest& r)
{
    return !isAscii(r.Account) || !isAscii(r.ItemName) || !isAscii(r.ItemNumber) || !isAscii(r.Amount) ||
           !isAscii(r.ReturnUrl) || !isAscii(r.CancelUrl) || !isAscii(r.NoteTitle);
}

} // namespace

std::string pictureUrl(const ButtonRequest& r)
{
    if (!r.UsePresetImage) {
        return r.OwnImageUrl;
    }
    const bool known = r.ChosenImage > 0 && r.ChosenImage < static_cast<int>(PresetButtonTable.size());
    std::string url(ImageBaseUrl);
    url += known ? PresetButtonTable[static_cast<std::size_t>(r.ChosenImage)] : std::string_view();
    return url;
}

ButtonCodeResult GenerateButtonCode(const ButtonRequest& r)
{
    if (const auto empty = firstEmptyEntry(r)) {
        return Incomplete{*empty};
    }
    if (std::vector<Problem> problems = buttonProblems(r); !problems.empty()) {
        return Refused{std::move(problems)};
    }
    const Price price = std::get<Price>(checkPrice(r.Amount));
    // The browser sends UTF-8 whatever the page's encoding, and the charset field
    // tells PayPal so whatever the account's setting.
    const bool utf8 = submitsNonAscii(r);

    std::string out;
    out.reserve(2048 +
                8 * (r.Account.size() + r.ItemName.size() + r.ItemNumber.size() + r.Amount.size() +
                     r.ReturnUrl.size() + r.CancelUrl.size() + r.NoteTitle.size() + r.OwnImageUrl.size()));

    out += "<form action=\"";
    out += PaymentEndpointUrl;
    out += "\" method=\"&#112;&#111;&#115;&#116;\"";
    out += utf8 ? " accept-charset=\"&#85;&#84;&#70;&#45;&#56;\">" : ">";
    out += Cr;
    appendHidden(out, encodedAscii<field::Cmd>, encodedAscii<BuyNowCommand>);
    if (utf8) {
        appendHidden(out, encodedAscii<field::Charset>, "&#85;&#84;&#70;&#45;&#56;");
    }
    appendHiddenText(out, encodedAscii<field::Business>, r.Account);
    appendHidden(out, encodedAscii<field::UndefinedQuantity>,
                 isTicked(r.AllowQuantity) ? EncodedOne : EncodedZero, " > ");
    appendHiddenText(out, encodedAscii<field::ItemName>, r.ItemName);
    appendHiddenText(out, encodedAscii<field::ItemNumber>, r.ItemNumber);
    appendHiddenText(out, encodedAscii<field::Amount>, price.number);
    if (!price.currency.empty()) {
        appendHiddenText(out, encodedAscii<field::CurrencyCode>, price.currency);
    }
    appendHiddenText(out, encodedAscii<field::Return>, r.ReturnUrl);
    appendHiddenText(out, encodedAscii<field::CancelReturn>, r.CancelUrl);
    appendHidden(out, encodedAscii<field::NoShipping>,
                 isTicked(r.CollectShipping) ? EncodedZero : EncodedOne);
    appendHidden(out, encodedAscii<field::NoNote>, isTicked(r.AllowNote) ? EncodedZero : EncodedOne);
    appendHiddenText(out, encodedAscii<field::NoteTitle>, r.NoteTitle);
    out += "<input type=\"&#105;&#109;&#97;&#103;&#101;\" src=\"";
    appendCharRefs(out, pictureUrl(r));
    out += "\" border=\"0\" name=\"submit\" alt=\"Make payments with PayPal - it's fast, free and secure!\">";
    out += Cr;
    out += "</form>";
    out += Cr;
    return ButtonCode{std::move(out)};
}

} // namespace quorvane
