#include "controlvalues.h"

#include "ascii.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace quorvane {

namespace {

bool isAsciiWhitespace(char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

std::string withoutLineBreaks(std::string_view text)
{
    std::string out;
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return c != '\n' && c != '\r'; });
    return out;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isAsciiWhitespace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isAsciiWhitespace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::size_t skipDigits(std::string_view text, std::size_t i)
{
    while (i < text.size() && isAsciiDigit(text[i])) {
        ++i;
    }
    return i;
}

// "-1.5e3", ".5", "7": the HTML rules for a valid floating-point number.
bool isValidFloat(std::string_view text)
{
    std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    const std::size_t wholeStart = i;
    i = skipDigits(text, i);
    bool digits = i > wholeStart;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionStart = ++i;
        i = skipDigits(text, i);
        if (i == fractionStart) {
            return false;
        }
        digits = true;
    }
    if (!digits) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            ++i;
        }
        const std::size_t exponentStart = i;
        i = skipDigits(text, i);
        if (i == exponentStart) {
            return false;
        }
    }
    return i == text.size();
}

std::string sanitizedEmail(std::string_view value, bool multiple)
{
    const std::string line = withoutLineBreaks(value);
    if (!multiple) {
        return std::string(trimmed(line));
    }
    std::string out;
    std::string_view rest = line;
    for (;;) {
        const std::size_t comma = rest.find(',');
        out += trimmed(rest.substr(0, comma));
        if (comma == std::string_view::npos) {
            return out;
        }
        out += ',';
        rest.remove_prefix(comma + 1);
    }
}

std::string sanitizedColor(std::string_view value)
{
    const bool valid =
        value.size() == 7 && value[0] == '#' && std::all_of(value.begin() + 1, value.end(), [](char c) {
            return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        });
    if (!valid) {
        return "#000000";
    }
    std::string lower(value);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'F' ? static_cast<char>(c + 32) : c; });
    return lower;
}

} // namespace

InputType inputTypeOf(std::string_view typeAttribute)
{
    static constexpr std::array<std::pair<std::string_view, InputType>, 22> Types = {{
        {"hidden", InputType::Hidden},        {"text", InputType::Text},
        {"search", InputType::Text},          {"tel", InputType::Text},
        {"password", InputType::Text},        {"url", InputType::Url},
        {"email", InputType::Email},          {"number", InputType::Number},
        {"color", InputType::Color},          {"checkbox", InputType::Checkbox},
        {"radio", InputType::Radio},          {"file", InputType::File},
        {"image", InputType::Image},          {"submit", InputType::Button},
        {"reset", InputType::Button},         {"button", InputType::Button},
        {"date", InputType::Other},           {"month", InputType::Other},
        {"week", InputType::Other},           {"time", InputType::Other},
        {"datetime-local", InputType::Other}, {"range", InputType::Other},
    }};
    for (const auto& [name, type] : Types) {
        if (equalsNoCase(name, typeAttribute)) {
            return type;
        }
    }
    return InputType::Text;
}

bool takesDirname(std::string_view typeAttribute)
{
    // Text and search, and the unknown types that count as text.
    return inputTypeOf(typeAttribute) == InputType::Text && !equalsNoCase(typeAttribute, "tel") &&
           !equalsNoCase(typeAttribute, "password");
}

std::string sanitizedValue(InputType type, std::string_view value, bool multiple)
{
    switch (type) {
    case InputType::Hidden:
    case InputType::Checkbox:
    case InputType::Radio:
        return std::string(value);
    case InputType::Url:
        return std::string(trimmed(withoutLineBreaks(value)));
    case InputType::Email:
        return sanitizedEmail(value, multiple);
    case InputType::Number:
        return isValidFloat(value) ? std::string(value) : std::string();
    case InputType::Color:
        return sanitizedColor(value);
    case InputType::File:
        return {}; // a file control sends a file, none here
    default:
        return withoutLineBreaks(value);
    }
}

std::string strippedAndCollapsed(std::string_view text)
{
    std::string out;
    bool space = false;
    for (const char c : trimmed(text)) {
        if (isAsciiWhitespace(c)) {
            space = true;
            continue;
        }
        if (space) {
            out += ' ';
            space = false;
        }
        out += c;
    }
    return out;
}

std::string withLineFeeds(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace quorvane
