#include "buttoncode.h"

#include "charrefs.h"

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

bool isComplete(const ButtonRequest& r)
{
    for (const std::string* required :
         {&r.ItemName, &r.ItemNumber, &r.Amount, &r.ReturnUrl, &r.Account, &r.CancelUrl}) {
        if (required->empty()) {
            return false;
        }
    }
    return !r.UseOwnImage || !r.OwnImageUrl.empty();
}

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
void appendHiddenText(std::string& out, std::string_view encodedName, const std::string& value)
{
    appendFieldStart(out, encodedName);
    appendCharRefs(out, value);
    out += "\">";
    out += Cr;
}

} // namespace

ButtonCodeResult GenerateButtonCode(const ButtonRequest& r)
{
    if (!isComplete(r)) {
        return Incomplete{};
    }

    std::string out;
    out.reserve(2048 +
                8 * (r.Account.size() + r.ItemName.size() + r.ItemNumber.size() + r.Amount.size() +
                     r.ReturnUrl.size() + r.CancelUrl.size() + r.NoteTitle.size() + r.OwnImageUrl.size()));

    out += "<form action=\"";
    out += PaymentEndpointUrl;
    out += "\" method=\"&#112;&#111;&#115;&#116;\">";
    out += Cr;
    appendHidden(out, "&#99;&#109;&#100;", "&#95;&#120;&#99;&#108;&#105;&#99;&#107;");
    appendHiddenText(out, "&#98;&#117;&#115;&#105;&#110;&#101;&#115;&#115;", r.Account);
    appendHidden(
        out,
        "&#117;&#110;&#100;&#101;&#102;&#105;&#110;&#101;&#100;&#95;&#113;&#117;&#97;&#110;&#116;&#105;"
        "&#116;&#121;",
        isTicked(r.AllowQuantity) ? EncodedOne : EncodedZero, " > ");
    appendHiddenText(out, "&#105;&#116;&#101;&#109;&#95;&#110;&#97;&#109;&#101;", r.ItemName);
    appendHiddenText(out, "&#105;&#116;&#101;&#109;&#95;&#110;&#117;&#109;&#98;&#101;&#114;", r.ItemNumber);
    appendHiddenText(out, "&#97;&#109;&#111;&#117;&#110;&#116;", r.Amount);
    appendHiddenText(out, "&#114;&#101;&#116;&#117;&#114;&#110;", r.ReturnUrl);
    appendHiddenText(out, "&#99;&#97;&#110;&#99;&#101;&#108;&#95;&#114;&#101;&#116;&#117;&#114;&#110;",
                     r.CancelUrl);
    appendHidden(out, "&#110;&#111;&#95;&#115;&#104;&#105;&#112;&#112;&#105;&#110;&#103;",
                 isTicked(r.CollectShipping) ? EncodedZero : EncodedOne);
    appendHidden(out, "&#110;&#111;&#95;&#110;&#111;&#116;&#101;",
                 isTicked(r.AllowNote) ? EncodedZero : EncodedOne);
    appendHiddenText(out, "&#99;&#110;", r.NoteTitle);
    out += "<input type=\"&#105;&#109;&#97;&#103;&#101;\" src=\"";
    appendCharRefs(out, pictureUrl(r));
    out += "\" border=\"0\" name=\"submit\" alt=\"Make payments with PayPal - it's fast, free and secure!\">";
    out += Cr;
    out += "</form>";
    out += Cr;
    return ButtonCode{std::move(out)};
}

} // namespace quorvane
