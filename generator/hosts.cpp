#include "hosts.h"

#include "ascii.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unicode/uidna.h>
#include <vector>

namespace quorvane {

namespace {

constexpr std::uint64_t MaxPort = 65535;
// Numbers in addresses are read no further than this: anything above is too large.
constexpr std::uint64_t TooLarge = std::uint64_t(1) << 40;
// ICU counts in 32 bits; no host an address may hold comes near this.
constexpr std::size_t MaxNameBytes = 1 << 20;

// The number of a text of digits in a radix; nothing if a character is not one of them.
std::optional<std::uint64_t> numberIn(std::string_view digits, int radix)
{
    std::uint64_t value = 0;
    for (const char c : digits) {
        const int d = hexDigitValue(c);
        if (d < 0 || d >= radix) {
            return std::nullopt;
        }
        value = std::min(value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d), TooLarge);
    }
    return value;
}

// One part of an IPv4 address as browsers read it: decimal, octal after a leading
// "0", hexadecimal after "0x".
std::optional<std::uint64_t> ipv4Number(std::string_view part)
{
    if (part.empty()) {
        return std::nullopt;
    }
    if (part.size() >= 2 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
        return numberIn(part.substr(2), 16);
    }
    if (part.size() >= 2 && part[0] == '0') {
        return numberIn(part.substr(1), 8);
    }
    return numberIn(part, 10);
}

// The labels of a name, without the empty one a final dot leaves.
std::vector<std::string_view> labels(std::string_view name)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t dot = name.find('.'); dot != std::string_view::npos; dot = name.find('.', start)) {
        parts.push_back(name.substr(start, dot - start));
        start = dot + 1;
    }
    parts.push_back(name.substr(start));
    if (parts.size() > 1 && parts.back().empty()) {
        parts.pop_back();
    }
    return parts;
}

// Browsers take a name whose last label is a number for an IPv4 address.
bool endsInNumber(std::string_view name)
{
    const std::string_view last = labels(name).back();
    return (!last.empty() && std::all_of(last.begin(), last.end(), isAsciiDigit)) ||
           ipv4Number(last).has_value();
}

bool isIpv4(std::string_view name)
{
    const std::vector<std::string_view> parts = labels(name);
    if (parts.size() > 4) {
        return false;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::optional<std::uint64_t> n = ipv4Number(parts[i]);
        const bool last = i + 1 == parts.size();
        // The last part fills the bytes the parts before it leave.
        if (!n || (!last && *n > 255) || (last && *n >> (8 * (5 - parts.size())) != 0)) {
            return false;
        }
    }
    return true;
}

// An IPv4 address in dotted decimal as it ends an IPv6 address: four numbers up to
// 255, without leading zeros.
bool isEmbeddedIpv4(std::string_view text)
{
    std::size_t numbers = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (numbers > 0) {
            if (text[i] != '.' || numbers == 4) {
                return false;
            }
            ++i;
        }
        if (i == text.size() || !isAsciiDigit(text[i])) {
            return false;
        }
        int value = -1;
        for (; i < text.size() && isAsciiDigit(text[i]); ++i) {
            if (value == 0) {
                return false;
            }
            value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
            if (value > 255) {
                return false;
            }
        }
        ++numbers;
    }
    return numbers == 4;
}

// An IPv6 address as browsers read one between brackets: up to eight groups of up to
// four hexadecimal digits, one "::" for a run of zero groups, and an IPv4 address in
// dotted decimal in place of the last two groups.
bool isIpv6(std::string_view text)
{
    const auto at = [&text](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
    std::size_t groups = 0; // the run of zeros "::" stands for counts as one
    bool compressed = false;
    std::size_t i = 0;
    if (at(0) == ':') {
        if (at(1) != ':') {
            return false;
        }
        i = 2;
        groups = 1;
        compressed = true;
    }
    while (i < text.size()) {
        if (groups == 8) {
            return false;
        }
        if (text[i] == ':') {
            if (compressed) {
                return false;
            }
            ++i;
            ++groups;
            compressed = true;
            continue;
        }
        std::size_t length = 0;
        while (length < 4 && hexDigitValue(at(i + length)) >= 0) {
            ++length;
        }
        if (at(i + length) == '.') {
            return length != 0 && groups <= 6 && (compressed || groups == 6) &&
                   isEmbeddedIpv4(text.substr(i));
        }
        i += length;
        if (at(i) == ':') {
            if (++i == text.size()) {
                return false;
            }
        } else if (i < text.size()) {
            return false;
        }
        ++groups;
    }
    return compressed || groups == 8;
}

// What no domain may hold once browsers have converted it to ASCII.
bool isForbiddenInDomain(char c)
{
    constexpr std::string_view forbidden = "#%/:<>?@[\\]^|";
    return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || forbidden.find(c) != std::string_view::npos;
}

struct IdnaCloser
{
    void operator()(UIDNA* idna) const { uidna_close(idna); }
};

using Idna = std::unique_ptr<UIDNA, IdnaCloser>;

Idna openIdna(std::uint32_t options)
{
    UErrorCode status = U_ZERO_ERROR;
    Idna idna(uidna_openUTS46(options | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ |
                                  UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_NONTRANSITIONAL_TO_UNICODE,
                              &status));
    return U_SUCCESS(status) ? std::move(idna) : nullptr;
}

// A name in ASCII as UTS #46 converts it, if it passes with no error but the ignored ones.
std::optional<std::string> toAscii(const UIDNA* idna, std::string_view name, std::uint32_t ignoredErrors)
{
    if (idna == nullptr || name.size() > MaxNameBytes) {
        return std::nullopt;
    }
    std::string ascii(name.size() + 64, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        UIDNAInfo info = UIDNA_INFO_INITIALIZER;
        const int32_t length =
            uidna_nameToASCII_UTF8(idna, name.data(), static_cast<int32_t>(name.size()), ascii.data(),
                                   static_cast<int32_t>(ascii.size()), &info, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            ascii.resize(static_cast<std::size_t>(length));
            continue;
        }
        if (U_FAILURE(status) || (info.errors & ~ignoredErrors) != 0) {
            return std::nullopt;
        }
        ascii.resize(static_cast<std::size_t>(length));
        return ascii;
    }
    return std::nullopt;
}

bool hasAtLeastTwoLabels(std::string_view name)
{
    const std::vector<std::string_view> parts = labels(name);
    return parts.size() >= 2 &&
           std::none_of(parts.begin(), parts.end(), [](std::string_view label) { return label.empty(); });
}

} // namespace

std::string percentDecoded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
            hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool isWebHost(std::string_view host)
{
    if (host.starts_with('[')) {
        return host.size() >= 2 && host.ends_with(']') && isIpv6(host.substr(1, host.size() - 2));
    }
    const std::optional<std::string> ascii = webDomainInAscii(host);
    if (!ascii) {
        return false;
    }
    return endsInNumber(*ascii) ? isIpv4(*ascii) : hasAtLeastTwoLabels(*ascii);
}

std::optional<std::string> webDomainInAscii(std::string_view host)
{
    // As browsers read it: hyphens anywhere, any ASCII the forbidden set leaves.
    static const Idna idna = openIdna(0);
    constexpr std::uint32_t ignored =
        UIDNA_ERROR_LEADING_HYPHEN | UIDNA_ERROR_TRAILING_HYPHEN | UIDNA_ERROR_HYPHEN_3_4;
    std::optional<std::string> ascii = toAscii(idna.get(), percentDecoded(host), ignored);
    if (!ascii || ascii->empty() || std::any_of(ascii->begin(), ascii->end(), isForbiddenInDomain)) {
        return std::nullopt;
    }
    return ascii;
}

bool isPort(std::string_view port)
{
    const std::optional<std::uint64_t> n = numberIn(port, 10);
    return n && *n <= MaxPort;
}

bool isMailDomain(std::string_view domain)
{
    if (domain.ends_with('.')) {
        return false;
    }
    static const Idna idna = openIdna(UIDNA_USE_STD3_RULES);
    const std::optional<std::string> ascii = toAscii(idna.get(), domain, 0);
    return ascii && hasAtLeastTwoLabels(*ascii) && !endsInNumber(*ascii);
}

} // namespace quorvane
