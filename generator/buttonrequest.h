#pragma once

#include <string>

namespace quorvane {

// A check box as the generator sees it. The numbers are the ones the seller's form
// uses; only Ticked counts as ticked. Toolkits number their states differently, so
// a window maps its own state onto this type and never casts.
enum class CheckBoxState : int
{
    Unticked = 0,
    Ticked = 1,
    Greyed = 2,
};

// Everything the seller entered, exactly as typed (UTF-8, nothing trimmed).
struct ButtonRequest
{
    std::string ItemName;
    std::string ItemNumber;
    std::string Amount;
    std::string ReturnUrl;
    std::string Account;
    std::string CancelUrl;
    std::string OwnImageUrl;
    std::string NoteTitle;
    CheckBoxState CollectShipping = CheckBoxState::Unticked;
    CheckBoxState AllowQuantity = CheckBoxState::Unticked;
    CheckBoxState AllowNote = CheckBoxState::Unticked;
    bool UsePresetImage = false;
    bool UseOwnImage = false;
    int ChosenImage = 0; // 1..8 picks a preset picture, 0 none

    friend bool operator==(const ButtonRequest&, const ButtonRequest&) = default;
};

// The entries the seller may be asked to fix, in the order the main window tabs
// through them.
enum class Entry
{
    Account,
    ItemName,
    ItemNumber,
    Amount,
    ReturnUrl,
    CancelUrl,
    OwnImageUrl,
    NoteTitle,
};

} // namespace quorvane
