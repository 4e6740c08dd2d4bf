#pragma once

#include <cstddef>
#include <string_view>

namespace quorvane {

inline constexpr char32_t ReplacementCharacter = 0xFFFD;

// One character of a UTF-8 text and the bytes it takes.
struct Decoded
{
    char32_t codePoint;
    std::size_t length;
};

// Decodes the character at the start of `in` (not empty). An invalid sequence, taken
// as its longest valid-looking prefix or else one byte, gives U+FFFD: one replacement
// per maximal invalid subsequence, as browsers and the Unicode standard count them.
[[gnu::always_inline]] inline Decoded decodeUtf8(const unsigned char* in, std::size_t available)
{
    const unsigned char lead = in[0];
    if (lead < 0x80) {
        return {lead, 1};
    }
    // The well-formed two- and three-byte forms that Latin and CJK text are made of.
    if (lead >= 0xC2 && lead <= 0xDF && available >= 2 && (in[1] & 0xC0) == 0x80) {
        return {static_cast<char32_t>((lead & 0x1F) << 6 | (in[1] & 0x3F)), 2};
    }
    if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && available >= 3 && (in[1] & 0xC0) == 0x80 &&
        (in[2] & 0xC0) == 0x80) {
        return {static_cast<char32_t>((lead & 0x0F) << 12 | (in[1] & 0x3F) << 6 | (in[2] & 0x3F)), 3};
    }
    std::size_t needed;
    char32_t cp;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) {
            low = 0xA0; // no overlong forms
        } else if (lead == 0xED) {
            high = 0x9F; // no surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F; // nothing above U+10FFFF
        }
    } else {
        return {ReplacementCharacter, 1};
    }
    std::size_t length = 1;
    for (std::size_t i = 0; i < needed; ++i) {
        if (length >= available || in[length] < low || in[length] > high) {
            return {ReplacementCharacter, length};
        }
        cp = cp << 6 | (in[length] & 0x3F);
        ++length;
        low = 0x80;
        high = 0xBF;
    }
    return {cp, length};
}

// Calls f(codePoint, offset) for each character of a UTF-8 text, decoded as above.
template <typename F> void forEachCodePoint(std::string_view text, F f)
{
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        const Decoded d = decodeUtf8(in + i, text.size() - i);
        f(d.codePoint, i);
        i += d.length;
    }
}

// The number of characters the encoder writes for a text.
inline std::size_t codePointCount(std::string_view text)
{
    std::size_t count = 0;
    forEachCodePoint(text, [&count](char32_t, std::size_t) { ++count; });
    return count;
}

} // namespace quorvane
