#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace quorvane {

// The fields of a Buy Now form, by the names PayPal gives them.
namespace field {
inline constexpr std::string_view Cmd = "cmd";
inline constexpr std::string_view Charset = "charset";
inline constexpr std::string_view Business = "business";
inline constexpr std::string_view UndefinedQuantity = "undefined_quantity";
inline constexpr std::string_view ItemName = "item_name";
inline constexpr std::string_view ItemNumber = "item_number";
inline constexpr std::string_view Amount = "amount";
inline constexpr std::string_view CurrencyCode = "currency_code";
inline constexpr std::string_view Return = "return";
inline constexpr std::string_view CancelReturn = "cancel_return";
inline constexpr std::string_view NoShipping = "no_shipping";
inline constexpr std::string_view NoNote = "no_note";
inline constexpr std::string_view NoteTitle = "cn";
} // namespace field

// The command of a Buy Now button.
inline constexpr std::string_view BuyNowCommand = "_xclick";

// An ASCII text written as decimal character references, made at compile time.
template <std::size_t Capacity> struct AsciiRefs
{
    std::array<char, Capacity> chars{};
    std::size_t size = 0;

    constexpr std::string_view view() const { return {chars.data(), size}; }
};

template <const std::string_view& Text> constexpr auto makeAsciiRefs()
{
    AsciiRefs<Text.size() * 6> refs; // "&#126;" is the longest
    for (const char c : Text) {
        const auto n = static_cast<unsigned>(static_cast<unsigned char>(c));
        refs.chars[refs.size++] = '&';
        refs.chars[refs.size++] = '#';
        if (n >= 100) {
            refs.chars[refs.size++] = static_cast<char>('0' + n / 100);
        }
        if (n >= 10) {
            refs.chars[refs.size++] = static_cast<char>('0' + n / 10 % 10);
        }
        refs.chars[refs.size++] = static_cast<char>('0' + n % 10);
        refs.chars[refs.size++] = ';';
    }
    return refs;
}

// encodedAscii<field::Business> is "&#98;&#117;…&#115;".
template <const std::string_view& Text> inline constexpr auto encodedAsciiRefs = makeAsciiRefs<Text>();
template <const std::string_view& Text>
inline constexpr std::string_view encodedAscii = encodedAsciiRefs<Text>.view();

} // namespace quorvane
