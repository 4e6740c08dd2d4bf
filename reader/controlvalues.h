#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// What a browser does to the values of form controls before it submits them.

enum class InputType
{
    Hidden,
    Text, // also search, tel, password and any unknown type
    Url,
    Email,
    Number,
    Color,
    Checkbox,
    Radio,
    File,
    Image,
    Button, // submit, reset and button: never submitted unless pressed
    Other,  // date, time and range kinds, read as written less line breaks
};

// The state of an input's type attribute: ASCII case-insensitive, text when it is
// missing or unknown.
InputType inputTypeOf(std::string_view typeAttribute);

// Whether the type submits a second field named by the dirname attribute.
bool takesDirname(std::string_view typeAttribute);

// The value of an input, from its value attribute, after the type's sanitization:
// line breaks stripped from text, surrounding spaces too from addresses, a number
// that is not a valid one emptied.
std::string sanitizedValue(InputType type, std::string_view value, bool multiple);

// ASCII whitespace stripped from both ends and each run of it inside made one
// space, as an option's text is read.
std::string strippedAndCollapsed(std::string_view text);

// Every CR LF pair and lone CR made LF, as a text area's value is read.
std::string withLineFeeds(std::string_view text);

} // namespace quorvane
