#pragma once

#include "formfields.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvane {

// One live form on a web page that posts to PayPal Payments Standard: a form in a
// comment, a script or a template is no part of the page and is not one.
struct PageForm
{
    // The bytes from the '<' of "<form" to just after the '>' of its "</form>"; a
    // form no end tag closes runs to the end of the text.
    std::size_t begin;
    std::size_t end;
    bool closed;
    PayPalForm form;
    std::vector<FormChoice> choices;
};

// Every such form on a whole page (UTF-8, as a browser has decoded it), in source
// order; none when the page is too large or too complex to read (see
// HtmlDocument::parse). Offsets are into html.
std::optional<std::vector<PageForm>> readPageForms(std::string_view html);

} // namespace quorvane
