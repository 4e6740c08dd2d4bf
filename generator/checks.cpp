#include "checks.h"

#include "ascii.h"
#include "characters.h"
#include "hosts.h"
#include "utf8.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quorvane {

namespace {

constexpr std::size_t MaxItemCharacters = 127;
constexpr std::size_t MaxAccountCharacters = 127;
constexpr std::size_t MaxAddressCharacters = 1024;

Problem advice(Entry entry, std::string_view text)
{
    return Problem{entry, std::string(entryCaption(entry)) + ": " + std::string(text)};
}

std::optional<Problem> strayCharacterProblem(Entry entry, std::string_view text, CharacterRule rule)
{
    if (std::optional<std::string> found = strayCharacterAdvice(text, rule)) {
        return advice(entry, *found);
    }
    return std::nullopt;
}

bool isMerchantAccountId(std::string_view text)
{
    return text.size() == 13 &&
           std::all_of(text.begin(), text.end(), [](char c) { return isAsciiUpper(c) || isAsciiDigit(c); });
}

// A character of an unquoted local part: what RFC 5322 calls atext, and any
// character outside ASCII, as internationalised mail allows.
bool isAtomCharacter(char c)
{
    constexpr std::string_view specials = "!#$%&'*+-/=?^_`{|}~";
    return isAsciiLetter(c) || isAsciiDigit(c) || static_cast<unsigned char>(c) >= 0x80 ||
           specials.find(c) != std::string_view::npos;
}

// The length of the local part at the start of an address, up to its "@": a
// dot-atom ("first.last") or a quoted string ("\"first last\""); 0 if there is none.
std::size_t localPartLength(std::string_view text)
{
    if (text.starts_with('"')) {
        for (std::size_t i = 1; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c == '"') {
                return i > 1 ? i + 1 : 0;
            }
            if (c == '\\') {
                ++i; // a quoted pair: any printable ASCII character
                if (i == text.size() || text[i] < ' ' || text[i] > '~') {
                    return 0;
                }
            } else if (c < ' ' || c == 0x7F) {
                return 0;
            }
        }
        return 0;
    }
    const std::string_view atom = text.substr(0, text.find('@'));
    const bool wellFormed =
        !atom.empty() && !atom.starts_with('.') && !atom.ends_with('.') &&
        atom.find("..") == std::string_view::npos &&
        std::all_of(atom.begin(), atom.end(), [](char c) { return c == '.' || isAtomCharacter(c); });
    return wellFormed ? atom.size() : 0;
}

bool isMailAddress(std::string_view text)
{
    const std::size_t local = localPartLength(text);
    return local != 0 && local < text.size() && text[local] == '@' &&
           codePointCount(text) <= MaxAccountCharacters && isMailDomain(text.substr(local + 1));
}

std::optional<Problem> checkAccount(std::string_view text)
{
    if (isMerchantAccountId(text)) {
        return std::nullopt;
    }
    if (std::optional<Problem> stray = strayCharacterProblem(Entry::Account, text, CharacterRule::Visible)) {
        return stray;
    }
    constexpr std::string_view MailTo = "mailto:";
    if (startsWithNoCase(text, MailTo)) {
        return advice(Entry::Account, "remove \"" + std::string(text.substr(0, MailTo.size())) +
                                          "\" in front of the address");
    }
    if (isMailAddress(text)) {
        return std::nullopt;
    }
    // Punctuation that follows an address in a sentence comes along when it is copied.
    const std::size_t end = text.find_last_not_of(".,;:!?)]}>'\"") + 1;
    if (end < text.size() && isMailAddress(text.substr(0, end))) {
        return advice(Entry::Account, "remove the \"" + std::string(text.substr(end)) + "\" at the end");
    }
    return Problem{Entry::Account, AccountMessage};
}

std::string_view addressMessage(Entry entry)
{
    switch (entry) {
    case Entry::ReturnUrl:
        return ReturnUrlMessage;
    case Entry::CancelUrl:
        return CancelUrlMessage;
    default:
        return OwnImageUrlMessage;
    }
}

// The length of the "http://" or "https://", in any case, an address starts with; 0
// if it starts with neither.
std::size_t webSchemeLength(std::string_view text)
{
    return startsWithNoCase(text, "http://") ? 7 : startsWithNoCase(text, "https://") ? 8 : 0;
}

// The host and the port (after its ":", if any) of an address's authority, split as
// browsers split them: a ":" inside the brackets of an IPv6 address belongs to it.
std::pair<std::string_view, std::optional<std::string_view>> hostAndPort(std::string_view authority)
{
    bool inBrackets = false;
    for (std::size_t i = 0; i < authority.size(); ++i) {
        if (authority[i] == '[') {
            inBrackets = true;
        } else if (authority[i] == ']') {
            inBrackets = false;
        } else if (authority[i] == ':' && !inBrackets) {
            return {authority.substr(0, i), authority.substr(i + 1)};
        }
    }
    return {authority, std::nullopt};
}

// An absolute http or https address whose host a browser takes and that can exist.
std::optional<Problem> checkAddress(Entry entry, std::string_view text)
{
    if (std::optional<Problem> stray = strayCharacterProblem(entry, text, CharacterRule::Visible)) {
        return stray;
    }
    const std::size_t schemeLength = webSchemeLength(text);
    if (schemeLength == 0 || codePointCount(text) > MaxAddressCharacters) {
        return Problem{entry, addressMessage(entry)};
    }
    const std::string_view rest = text.substr(schemeLength);
    if (startsWithNoCase(rest, "http:") || startsWithNoCase(rest, "https:")) {
        return advice(entry, "the address starts twice; delete the first \"" +
                                 std::string(text.substr(0, schemeLength)) + '"');
    }
    // The authority ends where the path, the query or the fragment begins; browsers
    // take a backslash for a slash. Of user info before an "@" they ask nothing.
    std::string_view authority = rest.substr(0, rest.find_first_of("/?#\\"));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    const auto [host, port] = hostAndPort(authority);
    if (host.empty()) {
        return Problem{entry, addressMessage(entry)};
    }
    if (!isWebHost(host)) {
        return advice(entry,
                      '"' + shortened(host, Keep::Start) +
                          "\" is not the name of a web site; write its whole name, like www.example.com, "
                          "or its IP address");
    }
    if (port && !isPort(*port)) {
        return advice(entry, "write the port \":" + shortened(*port, Keep::Start) +
                                 "\" as a number up to 65535, like \":8080\", or leave it out");
    }
    return std::nullopt;
}

std::optional<Problem> checkOneLine(Entry entry, std::string_view text, std::size_t maxCharacters,
                                    std::string_view tooLong)
{
    if (std::optional<Problem> stray = strayCharacterProblem(entry, text, CharacterRule::OneLine)) {
        return stray;
    }
    if (codePointCount(text) > maxCharacters) {
        return Problem{entry, tooLong};
    }
    return std::nullopt;
}

constexpr std::array<std::string_view, 24> Currencies = {
    "AUD", "BRL", "CAD", "CHF", "CNY", "CZK", "DKK", "EUR", "GBP", "HKD", "HUF", "ILS",
    "JPY", "MXN", "MYR", "NOK", "NZD", "PHP", "PLN", "SEK", "SGD", "THB", "TWD", "USD"};

} // namespace

std::string_view entryCaption(Entry entry)
{
    switch (entry) {
    case Entry::Account:
        return "Your Paypal Account";
    case Entry::ItemName:
        return "Item Name / Service";
    case Entry::ItemNumber:
        return "Item ID / Number";
    case Entry::Amount:
        return "Price of Item / Service";
    case Entry::ReturnUrl:
        return "Success URL";
    case Entry::CancelUrl:
        return "Cancelled URL";
    case Entry::OwnImageUrl:
        return "Your own image";
    case Entry::NoteTitle:
        break;
    }
    return "Note Title";
}

std::variant<Price, Problem> checkPrice(std::string_view text)
{
    const auto refuse = [](std::string_view message) { return Problem{Entry::Amount, std::string(message)}; };
    Price price{text, {}};
    if (const auto space = text.find(' '); space != std::string_view::npos) {
        std::string_view code = text.substr(space + 1);
        price.number = text.substr(0, space);
        if (!price.number.empty() && !isAsciiDigit(price.number.front())) {
            std::swap(price.number, code);
        }
        if (code.empty() || !std::all_of(code.begin(), code.end(), isAsciiLetter)) {
            return refuse(AmountMessage);
        }
        const auto known = std::find_if(Currencies.begin(), Currencies.end(),
                                        [code](std::string_view c) { return equalsNoCase(c, code); });
        if (known == Currencies.end()) {
            return refuse(CurrencyMessage);
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
        return refuse(AmountMessage);
    }
    if (point != std::string_view::npos &&
        (price.currency == "JPY" || price.currency == "HUF" || price.currency == "TWD")) {
        return refuse(WholeAmountMessage);
    }
    return price;
}

std::optional<Problem> checkEntry(Entry entry, std::string_view text)
{
    switch (entry) {
    case Entry::Account:
        return checkAccount(text);
    case Entry::ItemName:
        return checkOneLine(entry, text, MaxItemCharacters, ItemNameMessage);
    case Entry::ItemNumber:
        return checkOneLine(entry, text, MaxItemCharacters, ItemNumberMessage);
    case Entry::Amount: {
        auto price = checkPrice(text);
        if (auto* refused = std::get_if<Problem>(&price)) {
            return std::move(*refused);
        }
        return std::nullopt;
    }
    case Entry::ReturnUrl:
    case Entry::CancelUrl:
    case Entry::OwnImageUrl:
        return checkAddress(entry, text);
    case Entry::NoteTitle:
        break;
    }
    return strayCharacterProblem(entry, text, CharacterRule::OneLine); // the note title has no limit
}

std::vector<Problem> buttonProblems(const ButtonRequest& r)
{
    std::vector<Problem> problems;
    const std::pair<Entry, const std::string*> entries[] = {
        {Entry::Account, &r.Account},         {Entry::ItemName, &r.ItemName},
        {Entry::ItemNumber, &r.ItemNumber},   {Entry::Amount, &r.Amount},
        {Entry::ReturnUrl, &r.ReturnUrl},     {Entry::CancelUrl, &r.CancelUrl},
        {Entry::OwnImageUrl, &r.OwnImageUrl}, {Entry::NoteTitle, &r.NoteTitle},
    };
    for (const auto& [entry, text] : entries) {
        if (entry == Entry::OwnImageUrl && !r.UseOwnImage) {
            continue;
        }
        if (std::optional<Problem> found = checkEntry(entry, *text)) {
            problems.push_back(std::move(*found));
        }
    }
    return problems;
}

std::string refusalMessageText(const std::vector<Problem>& problems, std::string_view heading)
{
    std::string text(heading);
    for (const Problem& problem : problems) {
        text += '\n';
        text += problem.message;
    }
    return text;
}

} // namespace quorvane
