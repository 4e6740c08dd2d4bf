#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The characters an entry may not hold.
enum class CharacterRule
{
    // A one-line value: no line break, tab or other control character.
    OneLine,
    // An address or an account: none of those, no space, and nothing that shows nothing.
    Visible,
};

// What to tell the seller about the first character of a UTF-8 text that the rule
// refuses, as "remove the line break at the end"; nothing when the text has none.
std::optional<std::string> strayCharacterAdvice(std::string_view text, CharacterRule rule);

// Which end of a long text a message keeps when it quotes it.
enum class Keep
{
    Start,
    End,
};

// A text as a message quotes it: whole when short, else the characters at the kept end
// with "…" for the rest, cut between two characters as the seller sees them.
std::string shortened(std::string_view text, Keep keep);

} // namespace quorvane
