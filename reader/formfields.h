#pragma once

#include "htmldocument.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class WorkBudget;

// One name and value that a form submits.
struct FormField
{
    std::string name;
    std::string value;

    friend bool operator==(const FormField&, const FormField&) = default;
};

// The button: the first form in the tree that posts to PayPal Payments Standard.
struct PayPalForm
{
    // What a browser submits when the buyer presses the button, in tree order: the
    // values of the form's entry list, before the transfer encoding turns each line
    // break into CR LF. The pressed button is the first image button, else the first
    // submit button. When the form posts, the fields of the action's query follow:
    // PayPal reads those too.
    std::vector<FormField> fields;
    // The src of the form's first image button; none when it has no image button
    // or that button no src.
    std::optional<std::string> pictureAddress;
};

// Nothing when the tree has no such form. The walk is linear in the tree; with a
// budget it throws WorkStopped once the budget is spent.
std::optional<PayPalForm> findPayPalForm(const HtmlDocument& document, std::string_view source,
                                         const WorkBudget* budget = nullptr);

// A control the buyer fills in: a select menu, or a group of radio buttons, with its
// options' values; or a text box (an input of a text kind, or a text area).
struct FormChoice
{
    std::string name;
    bool typed = false;
    std::vector<std::string> options; // of a menu, in order, disabled ones left out

    friend bool operator==(const FormChoice&, const FormChoice&) = default;
};

// A form that posts to PayPal Payments Standard and where it stands in the source.
struct PlacedPayPalForm
{
    PayPalForm form;
    std::vector<FormChoice> choices;   // of its enabled, named controls, in tree order
    std::size_t start;                 // the '<' of its start tag
    std::optional<std::size_t> endTag; // the '<' of the end tag that closes it, if one does
};

// Every form in the tree that posts to PayPal Payments Standard, in source order.
std::vector<PlacedPayPalForm> findPayPalForms(const HtmlDocument& document, std::string_view source);

} // namespace quorvane
