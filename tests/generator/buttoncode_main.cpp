// Writes the button code for a request given as --Field=value arguments, so scripts
// and browser tests can drive the generator exactly as the windows do. Exits 3 when
// the form is incomplete, 4 with PayPal's objections on stderr, one a line, when
// PayPal would refuse the button, 2 on a bad argument.
//
// With --read it reads a pasted text on standard input instead and prints the
// entries it gives as one JSON object; exits 5 with the reason on stderr when the
// text holds no Buy Now button.
#include "buttoncode.h"
#include "buttonreader.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

using quorvane::ButtonRequest;
using quorvane::CheckBoxState;

constexpr int ExitIncomplete = 3;
constexpr int ExitRefused = 4;
constexpr int ExitUsage = 2;
constexpr int ExitNotRead = 5;

std::optional<int> parseNumber(std::string_view text, int max)
{
    if (text.size() != 1 || text[0] < '0' || text[0] - '0' > max) {
        return std::nullopt;
    }
    return text[0] - '0';
}

bool setCheck(CheckBoxState& field, std::string_view value)
{
    const auto n = parseNumber(value, 2);
    if (!n) {
        return false;
    }
    constexpr CheckBoxState states[] = {CheckBoxState::Unticked, CheckBoxState::Ticked,
                                        CheckBoxState::Greyed};
    field = states[*n];
    return true;
}

bool setFlag(bool& field, std::string_view value)
{
    const auto n = parseNumber(value, 1);
    if (!n) {
        return false;
    }
    field = *n == 1;
    return true;
}

bool setField(ButtonRequest& r, std::string_view name, std::string_view value)
{
    std::string* const texts[] = {&r.Account,   &r.ItemName,  &r.ItemNumber,  &r.Amount,
                                  &r.ReturnUrl, &r.CancelUrl, &r.OwnImageUrl, &r.NoteTitle};
    constexpr std::string_view textNames[] = {"Account",   "ItemName",  "ItemNumber",  "Amount",
                                              "ReturnUrl", "CancelUrl", "OwnImageUrl", "NoteTitle"};
    for (std::size_t i = 0; i < std::size(textNames); ++i) {
        if (name == textNames[i]) {
            texts[i]->assign(value);
            return true;
        }
    }
    if (name == "CollectShipping") {
        return setCheck(r.CollectShipping, value);
    }
    if (name == "AllowQuantity") {
        return setCheck(r.AllowQuantity, value);
    }
    if (name == "AllowNote") {
        return setCheck(r.AllowNote, value);
    }
    if (name == "UsePresetImage") {
        return setFlag(r.UsePresetImage, value);
    }
    if (name == "UseOwnImage") {
        return setFlag(r.UseOwnImage, value);
    }
    if (name == "ChosenImage") {
        const auto n = parseNumber(value, 8);
        r.ChosenImage = n.value_or(0);
        return n.has_value();
    }
    return false;
}

bool parseArgument(ButtonRequest& r, std::string_view arg)
{
    if (arg.substr(0, 2) != "--") {
        return false;
    }
    const auto eq = arg.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    return setField(r, arg.substr(2, eq - 2), arg.substr(eq + 1));
}

// A JSON string of what the reader gives, which is valid UTF-8: quotes, backslashes
// and controls escaped.
std::string json(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

int readButton()
{
    const std::string text{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    const auto result = quorvane::ReadButtonCode(text);
    if (const auto* refused = std::get_if<quorvane::NotABuyNowButton>(&result)) {
        std::cerr << refused->message << '\n';
        return ExitNotRead;
    }
    const auto& [r, notCarried] = std::get<quorvane::ReadButton>(result);
    const std::pair<std::string_view, const std::string*> texts[] = {
        {"Account", &r.Account},     {"ItemName", &r.ItemName},      {"ItemNumber", &r.ItemNumber},
        {"Amount", &r.Amount},       {"ReturnUrl", &r.ReturnUrl},    {"CancelUrl", &r.CancelUrl},
        {"NoteTitle", &r.NoteTitle}, {"OwnImageUrl", &r.OwnImageUrl}};
    std::string out = "{";
    for (const auto& [name, value] : texts) {
        out += json(name) + ": " + json(*value) + ", ";
    }
    const std::pair<std::string_view, int> numbers[] = {
        {"CollectShipping", static_cast<int>(r.CollectShipping)},
        {"AllowQuantity", static_cast<int>(r.AllowQuantity)},
        {"AllowNote", static_cast<int>(r.AllowNote)},
        {"UseOwnImage", r.UseOwnImage ? 1 : 0},
        {"ChosenImage", r.ChosenImage}};
    for (const auto& [name, value] : numbers) {
        out += json(name) + ": " + std::to_string(value) + ", ";
    }
    out += "\"NotCarried\": [";
    for (std::size_t i = 0; i < notCarried.size(); ++i) {
        out += (i == 0 ? "" : ", ") + json(notCarried[i]);
    }
    std::cout << out << "]}\n";
    return std::cout.flush() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--read") {
        return readButton();
    }
    ButtonRequest request;
    for (int i = 1; i < argc; ++i) {
        if (!parseArgument(request, argv[i])) {
            std::cerr
                << "usage: buttoncode [--Field=value]... (Account, ItemName, ItemNumber, Amount, ReturnUrl, "
                   "CancelUrl, OwnImageUrl, NoteTitle, CollectShipping=0|1|2, AllowQuantity=0|1|2, "
                   "AllowNote=0|1|2, UsePresetImage=0|1, UseOwnImage=0|1, ChosenImage=0..8), or --read; bad: "
                << argv[i] << '\n';
            return ExitUsage;
        }
    }
    const auto result = quorvane::GenerateButtonCode(request);
    if (const auto* code = std::get_if<quorvane::ButtonCode>(&result)) {
        std::fwrite(code->text.data(), 1, code->text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (const auto* refused = std::get_if<quorvane::Refused>(&result)) {
        for (const quorvane::Problem& problem : refused->problems) {
            std::cerr << problem.message << '\n';
        }
        return ExitRefused;
    }
    std::cerr << "Incomplete\n";
    return ExitIncomplete;
}
