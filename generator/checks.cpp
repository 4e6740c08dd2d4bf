#include "checks.h"

#include "utf8.h"

#include <algorithm>
#include <array>

namespace quorvane {

namespace {

constexpr std::size_t MaxItemCharacters = 127;
constexpr std::size_t MaxAddressCharacters = 1024;

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
    forEachCodePoint(text, [&found](char32_t cp, std::size_t) { found = found || isInvisible(cp); });
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
    return !host.empty() && !hasInvisible(text) && codePointCount(text) <= MaxAddressCharacters;
}

constexpr std::array<std::string_view, 24> Currencies = {
    "AUD", "BRL", "CAD", "CHF", "CNY", "CZK", "DKK", "EUR", "GBP", "HKD", "HUF", "ILS",
    "JPY", "MXN", "MYR", "NOK", "NZD", "PHP", "PLN", "SEK", "SGD", "THB", "TWD", "USD"};

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

std::optional<Problem> problem(bool refused, Entry entry, std::string_view message)
{
    return refused ? std::optional<Problem>(Problem{entry, std::string(message)}) : std::nullopt;
}

} // namespace

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
        return problem(!isAccount(text), entry, AccountMessage);
    case Entry::ItemName:
        return problem(codePointCount(text) > MaxItemCharacters, entry, ItemNameMessage);
    case Entry::ItemNumber:
        return problem(codePointCount(text) > MaxItemCharacters, entry, ItemNumberMessage);
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
        return problem(!isWebAddress(text), entry, addressMessage(entry));
    case Entry::NoteTitle:
        break;
    }
    return std::nullopt;
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

std::string refusalMessageText(const std::vector<Problem>& problems)
{
    std::string text(RefusedMessageHeading);
    for (const Problem& problem : problems) {
        text += '\n';
        text += problem.message;
    }
    return text;
}

} // namespace quorvane
