#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Writes every character of a UTF-8 text as a decimal character reference ("&#97;").
// A character that windows-1252 has gives its code-page value ("€" gives 128), any
// other its Unicode code point; each invalid UTF-8 sequence gives U+FFFD. Never fails.
std::string EncodeCharRefs(std::string_view text);

// The same, appended to out: the generator builds its page in one buffer with it.
void appendCharRefs(std::string& out, std::string_view text);

} // namespace quorvane
