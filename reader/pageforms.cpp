#include "pageforms.h"

#include "htmldocument.h"

#include <utility>

namespace quorvane {

namespace {

// Just past the '>' that ends the end tag starting at offset: the tokenizer reads
// attributes in end tags too, so a quoted '>' does not end it.
std::size_t endTagEnd(std::string_view html, std::size_t offset)
{
    char quote = 0;
    for (std::size_t at = offset + 2; at < html.size(); ++at) {
        const char c = html[at];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '>') {
            return at + 1;
        } else if ((c == '"' || c == '\'') && html[at - 1] == '=') {
            quote = c;
        }
    }
    return html.size();
}

} // namespace

std::optional<std::vector<PageForm>> readPageForms(std::string_view html)
{
    const std::unique_ptr<HtmlDocument> document = HtmlDocument::parse(html);
    if (!document) {
        return std::nullopt;
    }
    std::vector<PageForm> forms;
    for (PlacedPayPalForm& placed : findPayPalForms(*document, html)) {
        const std::size_t end = placed.endTag ? endTagEnd(html, *placed.endTag) : html.size();
        forms.push_back({placed.start, end, placed.endTag.has_value(), std::move(placed.form),
                         std::move(placed.choices)});
    }
    return forms;
}

} // namespace quorvane
