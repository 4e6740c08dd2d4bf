#include "paymentaddress.h"

#include "ascii.h"
#include "hosts.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

namespace {

// The address as the URL parser sees it: leading and trailing C0 controls and
// spaces dropped, tabs and line breaks anywhere removed.
std::string cleaned(std::string_view text)
{
    const auto isControlOrSpace = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!text.empty() && isControlOrSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isControlOrSpace(text.back())) {
        text.remove_suffix(1);
    }
    std::string out;
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return c != '\t' && c != '\n' && c != '\r'; });
    return out;
}

// The length of the address's scheme, up to the ":"; 0 when it has none: a letter,
// then letters, digits, "+", "-" and ".".
std::size_t schemeLength(std::string_view url)
{
    if (url.empty() || !isAsciiLetter(url[0])) {
        return 0;
    }
    const std::size_t end =
        url.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.");
    return end != std::string_view::npos && url[end] == ':' ? end : 0;
}

bool isPayPalHost(std::string_view authority, bool secure)
{
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    std::string_view port;
    if (const auto colon = authority.find(':'); colon != std::string_view::npos) {
        port = authority.substr(colon + 1);
        authority = authority.substr(0, colon);
    }
    if (!std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const std::size_t digits = port.find_first_not_of('0');
    const std::string_view number =
        digits == std::string_view::npos ? std::string_view("0") : port.substr(digits);
    if (!port.empty() && number != (secure ? "443" : "80")) {
        return false;
    }
    const std::optional<std::string> ascii = webDomainInAscii(authority);
    if (!ascii) {
        return false;
    }
    std::string_view host = *ascii;
    if (host.ends_with('.')) {
        host.remove_suffix(1); // the root of the name, as DNS reads it
    }
    constexpr std::string_view Domain = "paypal.com";
    if (host == Domain) {
        return true;
    }
    if (host.size() <= Domain.size() + 1 || !host.ends_with(Domain) ||
        host[host.size() - Domain.size() - 1] != '.') {
        return false;
    }
    const std::string_view labels = host.substr(0, host.size() - Domain.size() - 1);
    return labels.front() != '.' && labels.find("..") == std::string_view::npos &&
           std::all_of(labels.begin(), labels.end(), [](char c) {
               return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
           });
}

bool isDotSegment(std::string_view segment, bool twoDots)
{
    const std::string lower = lowerAscii(segment);
    return twoDots ? lower == ".." || lower == ".%2e" || lower == "%2e." || lower == "%2e%2e"
                   : lower == "." || lower == "%2e";
}

// The path's segments once "." and ".." are resolved.
std::vector<std::string_view> pathSegments(std::string_view path)
{
    std::vector<std::string_view> segments;
    while (!path.empty()) {
        path.remove_prefix(1); // the slash
        const std::string_view segment = path.substr(0, path.find('/'));
        path.remove_prefix(segment.size());
        const bool last = path.empty();
        if (isDotSegment(segment, true)) {
            if (!segments.empty()) {
                segments.pop_back();
            }
            if (last) {
                segments.emplace_back();
            }
        } else if (isDotSegment(segment, false)) {
            if (last) {
                segments.emplace_back();
            }
        } else {
            segments.push_back(segment);
        }
    }
    return segments;
}

// "de", "uk" or "en_US": the language or country part of an old regional path.
bool isRegion(std::string_view segment)
{
    const auto letters = [](std::string_view s) {
        return s.size() == 2 && isAsciiLetter(s[0]) && isAsciiLetter(s[1]);
    };
    return letters(segment) || (segment.size() == 5 && segment[2] == '_' && letters(segment.substr(0, 2)) &&
                                letters(segment.substr(3)));
}

// An http or https address in parts, as written; an empty authority when it has no
// host (the page's own, when no base gives one).
struct Url
{
    std::string scheme = "https";
    std::string authority;
    std::string path = "/";
    std::string query;
};

// A reference resolved against a base as the URL parser resolves it; nothing when
// it is no http or https address.
std::optional<Url> resolved(std::string_view reference, const Url& base)
{
    std::string text = cleaned(reference);
    // In http and https addresses a backslash is a slash, up to the query.
    const std::size_t queryStart = std::min(text.find_first_of("?#"), text.size());
    std::replace(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(queryStart), '\\', '/');
    std::string_view rest = text;
    Url url = base;
    if (const std::size_t colon = schemeLength(rest); colon != 0) {
        url.scheme = lowerAscii(rest.substr(0, colon));
        if (url.scheme != "http" && url.scheme != "https") {
            return std::nullopt;
        }
        rest.remove_prefix(colon + 1);
    }
    // Only "//" leads to another host, but after another scheme than the base's
    // any number of slashes does, none too.
    const bool ownAuthority = rest.starts_with("//") || url.scheme != base.scheme;
    if (ownAuthority) {
        rest.remove_prefix(std::min(rest.find_first_not_of('/'), rest.size()));
        const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
        url.authority = rest.substr(0, authorityEnd);
        rest.remove_prefix(authorityEnd);
        url.path = "/";
    }
    const std::string_view path = rest.substr(0, rest.find_first_of("?#"));
    if (path.starts_with('/')) {
        url.path = path;
    } else if (!path.empty()) {
        url.path = url.path.substr(0, url.path.rfind('/') + 1) + std::string(path);
    }
    // The base's query stays only for a reference of a fragment alone.
    const std::size_t query = rest.find('?');
    const std::size_t fragment = rest.find('#');
    if (query < fragment) {
        url.query =
            rest.substr(query + 1, fragment == std::string_view::npos ? fragment : fragment - query - 1);
    } else if (ownAuthority || !path.empty()) {
        url.query.clear();
    }
    return url;
}

} // namespace

std::optional<PaymentsStandardAddress> paymentsStandardAddress(std::string_view action, std::string_view base)
{
    // An empty action is the page's own address, which a pasted text has not.
    // A base of another scheme than http or https leaves relative actions in it.
    const std::optional<Url> page = resolved(base, Url{});
    const std::optional<Url> url = resolved(action, page.value_or(Url{"other", "", "/", ""}));
    if (!url || cleaned(action).empty() || url->authority.empty() || url->scheme == "other" ||
        !isPayPalHost(url->authority, url->scheme == "https")) {
        return std::nullopt;
    }
    const std::vector<std::string_view> segments = pathSegments(url->path);
    const auto isWebscr = [&segments](std::size_t from) {
        return segments.size() == from + 2 && segments[from] == "cgi-bin" && segments[from + 1] == "webscr";
    };
    if (!isWebscr(0) && !(!segments.empty() && isRegion(segments[0]) && isWebscr(1))) {
        return std::nullopt;
    }
    return PaymentsStandardAddress{url->query};
}

} // namespace quorvane
