#include "buttonreader.h"

#include "buttoncode.h"
#include "cutoff.h"
#include "fields.h"
#include "formfields.h"
#include "gumbolibrary.h"
#include "htmldocument.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace quorvane {

namespace {

// The commands of PayPal's other buttons, and what a seller calls them.
struct ButtonKind
{
    std::string_view command;
    std::string_view name;
};
constexpr ButtonKind OtherKinds[] = {
    {"_donations", "Donate"},
    {"_cart", "Shopping Cart"},
    {"_xclick-subscriptions", "Subscribe"},
    {"_xclick-auto-billing", "Automatic Billing"},
    {"_xclick-payment-plan", "Installment Plan"},
    {"_oe-gift-certificate", "Gift Certificate"},
};
constexpr std::string_view HostedCommand = "_s-xclick";

// What the seller is told about a PayPal form that is no Buy Now button.
std::string refusalFor(const std::string* command)
{
    if (command != nullptr && *command == HostedCommand) {
        return std::string(HostedButtonMessage);
    }
    for (const ButtonKind& kind : OtherKinds) {
        if (command != nullptr && *command == kind.command) {
            return "This is a PayPal " + std::string(kind.name) +
                   " button. Quorvane reads Buy Now buttons only.";
        }
    }
    return std::string(UnknownKindMessage);
}

// The fields whose value goes into an entry as it is.
constexpr std::string_view TextFields[] = {field::Business, field::ItemName,     field::ItemNumber,
                                           field::Return,   field::CancelReturn, field::NoteTitle};

std::string* entryFor(ButtonRequest& request, std::string_view name)
{
    std::string* const entries[] = {&request.Account,   &request.ItemName,  &request.ItemNumber,
                                    &request.ReturnUrl, &request.CancelUrl, &request.NoteTitle};
    for (std::size_t i = 0; i < std::size(TextFields); ++i) {
        if (name == TextFields[i]) {
            return entries[i];
        }
    }
    return nullptr;
}

// A no_shipping or no_note value: "1" asks nothing, "0" and none ask. Any other
// value is read as asking too, and is not carried; no_shipping "2" (require an
// address) is among them, since the tool's buttons only ask.
CheckBoxState asks(const std::string* value, bool& carried)
{
    carried = value == nullptr || *value == "0" || *value == "1";
    return value != nullptr && *value == "1" ? CheckBoxState::Unticked : CheckBoxState::Ticked;
}

class Reading
{
public:
    Reading(const PayPalForm& form, Pacer& pacer);

    std::optional<std::string> refusal;
    ReadButton button;

private:
    const std::string* valueOf(std::string_view name) const
    {
        const auto found = m_first.find(name);
        return found != m_first.end() ? found->second : nullptr;
    }
    void notCarried(std::string_view name);
    void readPicture(const std::optional<std::string>& address);

    std::unordered_map<std::string_view, const std::string*> m_first; // the value of each name's first field
    std::unordered_set<std::string_view> m_listed;
};

Reading::Reading(const PayPalForm& form, Pacer& pacer)
{
    for (const FormField& f : form.fields) {
        pacer.step();
        m_first.emplace(f.name, &f.value);
    }
    const std::string* command = valueOf(field::Cmd);
    if (command == nullptr || *command != BuyNowCommand) {
        refusal = refusalFor(command);
        return;
    }
    ButtonRequest& r = button.request;
    const std::string* amount = valueOf(field::Amount);
    const std::string* currency = valueOf(field::CurrencyCode);
    const bool priced = amount != nullptr && !amount->empty();
    if (priced) {
        r.Amount = *amount;
        if (currency != nullptr && !currency->empty()) {
            r.Amount += ' ';
            r.Amount += *currency;
        }
    }
    bool shippingCarried;
    bool noteCarried;
    r.CollectShipping = asks(valueOf(field::NoShipping), shippingCarried);
    r.AllowNote = asks(valueOf(field::NoNote), noteCarried);
    const std::string* quantity = valueOf(field::UndefinedQuantity);
    r.AllowQuantity =
        quantity != nullptr && *quantity == "1" ? CheckBoxState::Ticked : CheckBoxState::Unticked;

    std::unordered_set<std::string_view> seen;
    for (const FormField& f : form.fields) {
        pacer.step();
        const std::string_view name = f.name;
        const bool first = seen.insert(name).second;
        if (name == field::Charset) {
            continue; // the tool writes it when the values need it
        }
        const bool carried = name == field::Cmd || name == field::Amount ||
                             name == field::UndefinedQuantity || (name == field::CurrencyCode && priced) ||
                             (name == field::NoShipping && shippingCarried) ||
                             (name == field::NoNote && noteCarried);
        if (!first) {
            notCarried(name);
        } else if (std::string* entry = entryFor(r, name)) {
            *entry = f.value;
        } else if (!carried) {
            notCarried(name);
        }
    }
    readPicture(form.pictureAddress);
}

void Reading::notCarried(std::string_view name)
{
    if (m_listed.insert(name).second) {
        button.notCarried.emplace_back(name);
    }
}

void Reading::readPicture(const std::optional<std::string>& address)
{
    ButtonRequest& r = button.request;
    r.ChosenImage = 1;
    r.OwnImageUrl = "http://";
    r.UsePresetImage = true;
    if (!address) {
        notCarried(NoPictureField);
        return;
    }
    for (std::size_t k = 1; k < PresetButtonTable.size(); ++k) {
        if (address->size() == ImageBaseUrl.size() + PresetButtonTable[k].size() &&
            address->starts_with(ImageBaseUrl) && address->ends_with(PresetButtonTable[k])) {
            r.ChosenImage = static_cast<int>(k);
            return;
        }
    }
    r.UsePresetImage = false;
    r.UseOwnImage = true;
    r.OwnImageUrl = *address;
}

// 199990 as "199,990".
std::string withThousands(std::size_t number)
{
    std::string digits = std::to_string(number);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, 1, ',');
    }
    return digits;
}

std::variant<ReadButton, NotABuyNowButton> readWithin(std::string_view html, const WorkBudget& budget)
{
    if (const std::string& problem = gumboLibrary().problem; !problem.empty()) {
        return NotABuyNowButton{"The HTML parser, gumbo, could not be loaded (" + problem +
                                "). Reinstalling Quorvane brings it back."};
    }
    const std::unique_ptr<HtmlDocument> document = HtmlDocument::parse(html, &budget);
    if (!document) {
        return NotABuyNowButton{std::string(TooComplexMessage)};
    }
    const std::optional<PayPalForm> form = findPayPalForm(*document, html, &budget);
    if (!form) {
        return NotABuyNowButton{std::string(NoButtonMessage)};
    }
    Pacer pacer(&budget);
    Reading reading(*form, pacer);
    if (reading.refusal) {
        return NotABuyNowButton{std::move(*reading.refusal)};
    }
    return std::move(reading.button);
}

} // namespace

std::variant<ReadButton, NotABuyNowButton> ReadButtonCode(std::string_view html, Cancellation* cancellation)
{
    const WorkBudget budget(HtmlDocument::timeLimit(html.size()), cancellation);
    try {
        return readWithin(html, budget);
    } catch (const WorkStopped&) {
        return NotABuyNowButton{std::string(TooComplexMessage)};
    }
}

std::string notCarriedMessageText(const std::vector<std::string>& notCarried)
{
    std::string text = notCarried.size() == 1 ? "This field of the button was not carried into the form: "
                                              : "These fields of the button were not carried into the form: ";
    const std::size_t named = std::min(notCarried.size(), MaxNamedNotCarried);
    for (std::size_t i = 0; i < named; ++i) {
        text += i == 0 ? "" : ", ";
        text += notCarried[i];
    }
    if (named < notCarried.size()) {
        text += " … and " + withThousands(notCarried.size() - named) + " more";
    }
    text += '.';
    return text;
}

} // namespace quorvane
