#include "buttoncode.h"

#include "charrefs.h"

#include <algorithm>
#include <optional>
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

// The length of the UTF-8 sequence a byte starts; 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead < 0xC2 || lead > 0xF4) {
        return 0;
    }
    return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// Calls f with the code point of each character of a UTF-8 text; a byte that starts
// no whole character stands for one character of its own, U+FFFD.
template <typename F> void forEachCharacter(std::string_view text, F f)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = sequenceLength(lead);
        char32_t cp = length == 1 ? lead : lead & (0xFF >> (length + 1));
        bool whole = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            whole = (next & 0xC0) == 0x80;
            cp = cp << 6 | (next & 0x3F);
        }
        f(whole ? cp : U'\uFFFD');
        i += whole ? length : 1;
    }
}

std::size_t characterCount(std::string_view text)
{
    std::size_t count = 0;
    forEachCharacter(text, [&count](char32_t) { ++count; });
    return count;
}

// Spaces, controls and the characters that show nothing: in an address or an account
// they are always a slip of the keyboard or of the clipboard.
bool isInvisible(char32_t cp)
{
    return cp <= 0x20 || (cp >= 0x7F && cp <= 0xA0) || cp == 0xAD || cp == 0x1680 ||
           (cp >= 0x2000 && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202F) ||
           (cp >= 0x205F && cp <= 0x2064) || cp == 0x3000 || cp == 0xFEFF;
}

bool hasInvisible(std::string_view text)
{
    bool found = false;
    forEachCharacter(text, [&found](char32_t cp) { found = found || isInvisible(cp); });
    return found;
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isAsciiUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool isAsciiLetter(char c)
{
    return isAsciiUpper(c) || (c >= 'a' && c <= 'z');
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char lowerAscii(char c)
{
    return isAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// An e-mail address (one "@", something before it, a dotted domain after it) or a
// merchant account ID (13 capital letters and digits).
bool isAccount(std::string_view text)
{
    if (text.size() == 13 &&
        std::all_of(text.begin(), text.end(), [](char c) { return isAsciiUpper(c) || isAsciiDigit(c); })) {
        return true;
    }
    const auto at = text.find('@');
    if (at == 0 || at == std::string_view::npos || text.find('@', at + 1) != std::string_view::npos ||
        hasInvisible(text)) {
        return false;
    }
    const std::string_view domain = text.substr(at + 1);
    return domain.find('.') != std::string_view::npos && domain.front() != '.' && domain.back() != '.' &&
           domain.find("..") == std::string_view::npos;
}

// An absolute http or https address with a host, as PayPal takes it.
bool isWebAddress(std::string_view text)
{
    constexpr std::size_t MaxCharacters = 1024;
    std::string_view rest;
    if (startsWithNoCase(text, "http://")) {
        rest = text.substr(7);
    } else if (startsWithNoCase(text, "https://")) {
        rest = text.substr(8);
    } else {
        return false;
    }
    std::string_view host = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = host.rfind('@'); at != std::string_view::npos) {
        host.remove_prefix(at + 1);
    }
    // An IPv6 host stands in brackets; any other ends where its port begins.
    host = host.starts_with('[') ? host.substr(1, host.find(']') - 1) : host.substr(0, host.find(':'));
    return !host.empty() && !hasInvisible(text) && characterCount(text) <= MaxCharacters;
}

constexpr std::array<std::string_view, 24> Currencies = {
    "AUD", "BRL", "CAD", "CHF", "CNY", "CZK", "DKK", "EUR", "GBP", "HKD", "HUF", "ILS",
    "JPY", "MXN", "MYR", "NOK", "NZD", "PHP", "PLN", "SEK", "SGD", "THB", "TWD", "USD"};

// The price split into what goes into `amount` and the currency code PayPal is told
// (none for a plain number), or what is wrong with it.
struct Price
{
    std::string_view number;
    std::string_view currency;
    std::string_view problem;
};

Price readPrice(std::string_view text)
{
    Price price{text, {}, {}};
    if (const auto space = text.find(' '); space != std::string_view::npos) {
        std::string_view code = text.substr(space + 1);
        price.number = text.substr(0, space);
        if (!price.number.empty() && !isAsciiDigit(price.number.front())) {
            std::swap(price.number, code);
        }
        if (code.empty() || !std::all_of(code.begin(), code.end(), isAsciiLetter)) {
            return {{}, {}, AmountMessage};
        }
        const auto known = std::find_if(Currencies.begin(), Currencies.end(),
                                        [code](std::string_view c) { return equalsNoCase(c, code); });
        if (known == Currencies.end()) {
            return {{}, {}, CurrencyMessage};
        }
        price.currency = *known;
    }
    const std::string_view number = price.number;
    const auto point = number.find('.');
    const std::string_view whole = number.substr(0, point);
    const std::string_view decimals =
        point == std::string_view::npos ? std::string_view() : number.substr(point + 1);
    const bool wellFormed =
        !whole.empty() && std::all_of(whole.begin(), whole.end(), isAsciiDigit) &&
        (point == std::string_view::npos || (!decimals.empty() && decimals.size() <= 2 &&
                                             std::all_of(decimals.begin(), decimals.end(), isAsciiDigit)));
    if (!wellFormed || number.find_first_of("123456789") == std::string_view::npos) {
        return {{}, {}, AmountMessage};
    }
    if (point != std::string_view::npos &&
        (price.currency == "JPY" || price.currency == "HUF" || price.currency == "TWD")) {
        return {{}, {}, WholeAmountMessage};
    }
    return price;
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
void appendHiddenText(std::string& out, std::string_view encodedName, std::string_view value)
{
    appendFieldStart(out, encodedName);
    appendCharRefs(out, value);
    out += "\">";
    out += Cr;
}

// Everything PayPal would refuse in a complete form, in the window's order.
std::vector<Problem> problemsOf(const ButtonRequest& r, const Price& price)
{
    constexpr std::size_t MaxItemCharacters = 127;
    std::vector<Problem> problems;
    const auto refuse = [&problems](bool refused, Entry entry, std::string_view message) {
        if (refused) {
            problems.push_back({entry, message});
        }
    };
    refuse(!isAccount(r.Account), Entry::Account, AccountMessage);
    refuse(characterCount(r.ItemName) > MaxItemCharacters, Entry::ItemName, ItemNameMessage);
    refuse(characterCount(r.ItemNumber) > MaxItemCharacters, Entry::ItemNumber, ItemNumberMessage);
    refuse(!price.problem.empty(), Entry::Amount, price.problem);
    refuse(!isWebAddress(r.ReturnUrl), Entry::ReturnUrl, ReturnUrlMessage);
    refuse(!isWebAddress(r.CancelUrl), Entry::CancelUrl, CancelUrlMessage);
    refuse(r.UseOwnImage && !isWebAddress(r.OwnImageUrl), Entry::OwnImageUrl, OwnImageUrlMessage);
    return problems;
}

// Whether a value the form submits holds a character outside ASCII; the picture's
// address is not submitted.
bool submitsNonAscii(const ButtonRequest& r)
{
    return !isAscii(r.Account) || !isAscii(r.ItemName) || !isAscii(r.ItemNumber) || !isAscii(r.Amount) ||
           !isAscii(r.ReturnUrl) || !isAscii(r.CancelUrl) || !isAscii(r.NoteTitle);
}

} // namespace

std::string refusalMessageText(const Refused& refused)
{
    std::string text(RefusedMessageHeading);
    for (const Problem& problem : refused.problems) {
        text += '\n';
        text += problem.message;
    }
    return text;
}

ButtonCodeResult GenerateButtonCode(const ButtonRequest& r)
{
    if (const auto empty = firstEmptyEntry(r)) {
        return Incomplete{*empty};
    }
    const Price price = readPrice(r.Amount);
    if (std::vector<Problem> problems = problemsOf(r, price); !problems.empty()) {
        return Refused{std::move(problems)};
    }
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
    appendHidden(out, "&#99;&#109;&#100;", "&#95;&#120;&#99;&#108;&#105;&#99;&#107;");
    if (utf8) {
        appendHidden(out, "&#99;&#104;&#97;&#114;&#115;&#101;&#116;", "&#85;&#84;&#70;&#45;&#56;");
    }
    appendHiddenText(out, "&#98;&#117;&#115;&#105;&#110;&#101;&#115;&#115;", r.Account);
    appendHidden(
        out,
        "&#117;&#110;&#100;&#101;&#102;&#105;&#110;&#101;&#100;&#95;&#113;&#117;&#97;&#110;&#116;&#105;"
        "&#116;&#121;",
        isTicked(r.AllowQuantity) ? EncodedOne : EncodedZero, " > ");
    appendHiddenText(out, "&#105;&#116;&#101;&#109;&#95;&#110;&#97;&#109;&#101;", r.ItemName);
    appendHiddenText(out, "&#105;&#116;&#101;&#109;&#95;&#110;&#117;&#109;&#98;&#101;&#114;", r.ItemNumber);
    appendHiddenText(out, "&#97;&#109;&#111;&#117;&#110;&#116;", price.number);
    if (!price.currency.empty()) {
        appendHiddenText(out, "&#99;&#117;&#114;&#114;&#101;&#110;&#99;&#121;&#95;&#99;&#111;&#100;&#101;",
                         price.currency);
    }
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
