#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace quorvane {

// Letters, digits and case as addresses, field names and currency codes use them:
// ASCII only, whatever the locale.

inline bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline bool isAsciiUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

inline bool isAsciiLetter(char c)
{
    return isAsciiUpper(c) || (c >= 'a' && c <= 'z');
}

inline char lowerAscii(char c)
{
    return isAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string lowerAscii(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return lowerAscii(c); });
    return lower;
}

inline bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

inline bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// The value of a hexadecimal digit, -1 for any other character.
inline int hexDigitValue(char c)
{
    if (isAsciiDigit(c)) {
        return c - '0';
    }
    c = lowerAscii(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace quorvane
