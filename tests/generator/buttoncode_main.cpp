// Writes the button code for a request given as --Field=value arguments, so scripts
// and browser tests can drive the generator exactly as the windows do. Exits 3 when
// the form is incomplete, 4 with PayPal's objections on stderr, one a line, when
// PayPal would refuse the button, 2 on a bad argument.
#include "buttoncode.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

using quorvane::ButtonRequest;
using quorvane::CheckBoxState;

constexpr int ExitIncomplete = 3;
constexpr int ExitRefused = 4;
constexpr int ExitUsage = 2;

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

} // namespace

int main(int argc, char** argv)
{
    ButtonRequest request;
    for (int i = 1; i < argc; ++i) {
        if (!parseArgument(request, argv[i])) {
            std::cerr
                << "usage: buttoncode [--Field=value]... (Account, ItemName, ItemNumber, Amount, ReturnUrl, "
                   "CancelUrl, OwnImageUrl, NoteTitle, CollectShipping=0|1|2, AllowQuantity=0|1|2, "
                   "AllowNote=0|1|2, UsePresetImage=0|1, UseOwnImage=0|1, ChosenImage=0..8); bad: "
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
