#include "formfields.h"

#include "ascii.h"
#include "controlvalues.h"
#include "cutoff.h"
#include "gumbolibrary.h"
#include "hosts.h"
#include "paymentaddress.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace quorvane {

namespace {

bool isHtml(const GumboNode& node, GumboTag tag)
{
    return node.type == GUMBO_NODE_ELEMENT && node.v.element.tag == tag &&
           node.v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

const char* attribute(const GumboNode& element, const char* name)
{
    const GumboAttribute* found = gumboLibrary().getAttribute(&element.v.element.attributes, name);
    return found != nullptr ? found->value : nullptr;
}

std::string_view attributeOr(const GumboNode& element, const char* name, std::string_view fallback = {})
{
    const char* value = attribute(element, name);
    return value != nullptr ? std::string_view(value) : fallback;
}

bool hasAttribute(const GumboNode& element, const char* name)
{
    return attribute(element, name) != nullptr;
}

const GumboVector& childrenOf(const GumboNode& node)
{
    return node.type == GUMBO_NODE_DOCUMENT ? node.v.document.children : node.v.element.children;
}

const GumboNode& child(const GumboVector& children, unsigned i)
{
    return *static_cast<const GumboNode*>(children.data[i]);
}

std::size_t startOf(const GumboNode& element)
{
    return element.v.element.start_pos.offset;
}

// Elements whose content the tokenizer reads as plain text, where "</form" is no tag.
bool holdsRawText(const GumboNode& element)
{
    constexpr GumboTag RawText[] = {GUMBO_TAG_SCRIPT,  GUMBO_TAG_STYLE,    GUMBO_TAG_TEXTAREA,
                                    GUMBO_TAG_TITLE,   GUMBO_TAG_XMP,      GUMBO_TAG_IFRAME,
                                    GUMBO_TAG_NOEMBED, GUMBO_TAG_NOFRAMES, GUMBO_TAG_PLAINTEXT};
    return std::any_of(std::begin(RawText), std::end(RawText),
                       [&element](GumboTag tag) { return isHtml(element, tag); });
}

// A control that may submit a field: input, button, select or text area.
struct Control
{
    const GumboNode* node;
    const GumboNode* ancestorForm;
    bool barred;      // disabled itself or by a fieldset
    bool rightToLeft; // what its dirname field says
};

// A stretch of the source text that is no markup: a comment, raw text, a start tag.
struct Span
{
    std::size_t begin;
    std::size_t end;
};

// Everything about the document's tree that deciding the forms' fields takes, from
// one walk that keeps its own stack (template contents are not in the document).
class TreeFacts
{
public:
    TreeFacts(const GumboNode& root, Pacer& pacer);

    std::vector<const GumboNode*> forms;
    std::vector<Control> controls;
    std::unordered_map<std::string_view, const GumboNode*> firstWithId;
    std::vector<Span> unparsed;
    std::optional<std::string_view> baseAddress; // the href of the first base element that has one

private:
    struct Scope
    {
        const GumboNode* form = nullptr;
        bool fieldsetDisabled = false;
        // The nearest valid dir attribute says which way the text runs, dir="auto"
        // counting as left to right: found once for each element, from its parent's.
        bool rightToLeft = false;
    };
    struct Frame
    {
        const GumboNode* node;
        unsigned next;
        Scope children;
        const GumboNode* exemptLegend; // a disabled fieldset's first legend
        Scope legend;
    };

    void visit(const GumboNode& node, const Scope& scope, std::vector<Frame>& stack);
    void addSpan(std::size_t begin, std::size_t length);
};

TreeFacts::TreeFacts(const GumboNode& root, Pacer& pacer)
{
    std::vector<Frame> stack{Frame{&root, 0, {}, nullptr, {}}};
    while (!stack.empty()) {
        pacer.step();
        Frame& top = stack.back();
        const GumboVector& children = childrenOf(*top.node);
        if (top.next == children.length) {
            stack.pop_back();
            continue;
        }
        const GumboNode& node = child(children, top.next++);
        const Scope scope = &node == top.exemptLegend ? top.legend : top.children;
        visit(node, scope, stack);
    }
}

void TreeFacts::visit(const GumboNode& node, const Scope& scope, std::vector<Frame>& stack)
{
    switch (node.type) {
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_WHITESPACE:
        if (node.parent != nullptr && holdsRawText(*node.parent)) {
            addSpan(node.v.text.start_pos.offset, node.v.text.original_text.length);
        }
        return;
    case GUMBO_NODE_COMMENT:
    case GUMBO_NODE_CDATA:
        addSpan(node.v.text.start_pos.offset, node.v.text.original_text.length);
        return;
    case GUMBO_NODE_TEMPLATE: {
        // Its content is no part of the document, and a </form> in it leaves the
        // form element pointer alone.
        const std::size_t end = node.v.element.end_pos.offset;
        addSpan(startOf(node), end > startOf(node) ? end - startOf(node) : SIZE_MAX - startOf(node));
        return;
    }
    case GUMBO_NODE_ELEMENT:
        break;
    default:
        return;
    }
    // What gumbo still builds for <isindex>, which browsers no longer know.
    if ((node.parse_flags & GUMBO_INSERTION_FROM_ISINDEX) != 0) {
        return;
    }
    addSpan(startOf(node), node.v.element.original_tag.length);
    if (const char* id = attribute(node, "id")) {
        firstWithId.emplace(id, &node);
    }
    Frame frame{&node, 0, scope, nullptr, scope};
    const std::string_view dir = attributeOr(node, "dir");
    if (equalsNoCase(dir, "rtl") || equalsNoCase(dir, "ltr") || equalsNoCase(dir, "auto")) {
        frame.children.rightToLeft = frame.legend.rightToLeft = equalsNoCase(dir, "rtl");
    }
    if (isHtml(node, GUMBO_TAG_BASE) && !baseAddress && hasAttribute(node, "href")) {
        baseAddress = attributeOr(node, "href");
    }
    if (isHtml(node, GUMBO_TAG_FORM)) {
        forms.push_back(&node);
        frame.children.form = &node;
        frame.legend.form = &node;
    } else if (isHtml(node, GUMBO_TAG_INPUT) || isHtml(node, GUMBO_TAG_BUTTON) ||
               isHtml(node, GUMBO_TAG_SELECT) || isHtml(node, GUMBO_TAG_TEXTAREA)) {
        // A control in a datalist is barred by the standard, not by Chromium: it submits.
        controls.push_back({&node, scope.form, hasAttribute(node, "disabled") || scope.fieldsetDisabled,
                            frame.children.rightToLeft});
    } else if (isHtml(node, GUMBO_TAG_FIELDSET) && hasAttribute(node, "disabled")) {
        frame.children.fieldsetDisabled = true;
        const GumboVector& children = node.v.element.children;
        for (unsigned i = 0; i < children.length && frame.exemptLegend == nullptr; ++i) {
            if (isHtml(child(children, i), GUMBO_TAG_LEGEND)) {
                frame.exemptLegend = &child(children, i);
            }
        }
    }
    if (node.v.element.children.length != 0) {
        stack.push_back(frame);
    }
}

void TreeFacts::addSpan(std::size_t begin, std::size_t length)
{
    if (length != 0) {
        unparsed.push_back({begin, begin + length});
    }
}

// The form element pointer of the HTML parser: a control made while it points at a
// form belongs to that form even where the tree puts it outside (a form opened in a
// table row, or closed early by a stray end tag). It points from the form's start
// tag to the next </form> end tag; no form starts in between.
class FormPointer
{
public:
    FormPointer(const TreeFacts& facts, std::string_view source);

    // The form the pointer pointed at when the element at this offset was made.
    const GumboNode* formAt(std::size_t offset) const;
    // Where the end tag that leaves the form stands; none when no end tag does.
    std::optional<std::size_t> endTagOf(const GumboNode& form) const;

private:
    struct Reach
    {
        std::size_t begin;
        std::size_t end;
        const GumboNode* form;
    };
    std::vector<Reach> m_reaches; // in source order
    std::size_t m_sourceSize;
};

// Where "</form" in the source is an end tag and not text inside a comment, a
// script, a text area or an attribute.
std::vector<std::size_t> formEndTags(std::string_view source, std::vector<Span> unparsed)
{
    std::vector<std::size_t> candidates;
    for (std::size_t at = source.find("</"); at != std::string_view::npos; at = source.find("</", at + 2)) {
        const std::string_view name = source.substr(at + 2, 5);
        const bool form = name.size() == 5 && (name[0] | 0x20) == 'f' && (name[1] | 0x20) == 'o' &&
                          (name[2] | 0x20) == 'r' && (name[3] | 0x20) == 'm' &&
                          std::strchr("\t\n\f\r />", name[4]) != nullptr && name[4] != '\0';
        if (form) {
            candidates.push_back(at);
        }
    }
    if (candidates.empty()) {
        return candidates;
    }
    std::sort(unparsed.begin(), unparsed.end(),
              [](const Span& a, const Span& b) { return a.begin < b.begin; });
    std::vector<std::size_t> reach(unparsed.size()); // furthest end of the spans up to each
    for (std::size_t i = 0; i < unparsed.size(); ++i) {
        reach[i] = std::max(unparsed[i].end, i == 0 ? 0 : reach[i - 1]);
    }
    std::erase_if(candidates, [&unparsed, &reach](std::size_t at) {
        const auto after =
            std::upper_bound(unparsed.begin(), unparsed.end(), at,
                             [](std::size_t offset, const Span& span) { return offset < span.begin; });
        return after != unparsed.begin() &&
               reach[static_cast<std::size_t>(after - unparsed.begin()) - 1] > at;
    });
    return candidates;
}

FormPointer::FormPointer(const TreeFacts& facts, std::string_view source) : m_sourceSize(source.size())
{
    const std::vector<std::size_t> endTags = formEndTags(source, facts.unparsed);
    for (const GumboNode* form : facts.forms) {
        const std::size_t begin = startOf(*form) + form->v.element.original_tag.length;
        const auto end = std::lower_bound(endTags.begin(), endTags.end(), begin);
        m_reaches.push_back({begin, end == endTags.end() ? source.size() : *end, form});
    }
    std::sort(m_reaches.begin(), m_reaches.end(),
              [](const Reach& a, const Reach& b) { return a.begin < b.begin; });
}

const GumboNode* FormPointer::formAt(std::size_t offset) const
{
    const auto after = std::upper_bound(m_reaches.begin(), m_reaches.end(), offset,
                                        [](std::size_t at, const Reach& reach) { return at < reach.begin; });
    if (after == m_reaches.begin()) {
        return nullptr;
    }
    const Reach& reach = *(after - 1);
    return offset < reach.end ? reach.form : nullptr;
}

std::optional<std::size_t> FormPointer::endTagOf(const GumboNode& form) const
{
    const std::size_t begin = startOf(form) + form.v.element.original_tag.length;
    const auto found = std::lower_bound(m_reaches.begin(), m_reaches.end(), begin,
                                        [](const Reach& reach, std::size_t at) { return reach.begin < at; });
    const bool closed = found != m_reaches.end() && found->form == &form && found->end < m_sourceSize;
    return closed ? std::optional(found->end) : std::nullopt;
}

// Text of the node's descendants, leaving out scripts.
std::string descendantText(const GumboNode& node)
{
    std::string text;
    std::vector<std::pair<const GumboNode*, unsigned>> stack{{&node, 0}};
    while (!stack.empty()) {
        auto& [parent, next] = stack.back();
        const GumboVector& children = parent->v.element.children;
        if (next == children.length) {
            stack.pop_back();
            continue;
        }
        const GumboNode& c = child(children, next++);
        if (c.type == GUMBO_NODE_TEXT || c.type == GUMBO_NODE_WHITESPACE || c.type == GUMBO_NODE_CDATA) {
            text += c.v.text.text;
        } else if (c.type == GUMBO_NODE_ELEMENT && !isHtml(c, GUMBO_TAG_SCRIPT)) {
            stack.emplace_back(&c, 0);
        }
    }
    return text;
}

// The non-negative integer at the start of an attribute, as HTML parses one.
std::optional<unsigned long> nonNegativeInteger(std::string_view text)
{
    while (!text.empty() && std::strchr("\t\n\f\r ", text.front()) != nullptr) {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    unsigned long value = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        value = std::min(value * 10 + static_cast<unsigned long>(text[digits] - '0'), 1000000UL);
    }
    return digits == 0 ? std::nullopt : std::optional<unsigned long>(value);
}

// The entry list of one form: what its controls submit, in tree order.
class EntryList
{
public:
    EntryList(const std::vector<Control>& owned, Pacer& pacer);

    PayPalForm form;

private:
    void addInput(const Control& control, std::string_view name);
    void addSelect(const GumboNode& select, std::string_view name);
    void addDirname(const Control& control);
    void add(std::string_view name, std::string value)
    {
        form.fields.push_back({std::string(name), std::move(value)});
    }

    void addPressed(const GumboNode& button, std::string_view name);

    // The checked radio button of each group: the last one made with checked,
    // disabled or not.
    std::unordered_map<std::string_view, const GumboNode*> m_checkedRadio;
    // The button the buyer presses: the first image button, whose picture the
    // button shows, else the first submit button.
    const GumboNode* m_pressed = nullptr;
};

// An input of type submit or a button of no other type.
bool isSubmitButton(const GumboNode& node)
{
    const std::string_view type = attributeOr(node, "type");
    if (isHtml(node, GUMBO_TAG_BUTTON)) {
        return !equalsNoCase(type, "button") && !equalsNoCase(type, "reset");
    }
    return isHtml(node, GUMBO_TAG_INPUT) && equalsNoCase(type, "submit");
}

bool isImageButton(const GumboNode& node)
{
    return isHtml(node, GUMBO_TAG_INPUT) && inputTypeOf(attributeOr(node, "type")) == InputType::Image;
}

EntryList::EntryList(const std::vector<Control>& owned, Pacer& pacer)
{
    const GumboNode* firstSubmit = nullptr;
    for (const Control& control : owned) {
        pacer.step();
        const GumboNode& node = *control.node;
        if (isHtml(node, GUMBO_TAG_INPUT) && inputTypeOf(attributeOr(node, "type")) == InputType::Radio &&
            hasAttribute(node, "checked")) {
            m_checkedRadio[attributeOr(node, "name")] = &node;
        }
        if (!control.barred && m_pressed == nullptr && isImageButton(node)) {
            m_pressed = &node;
            if (const char* src = attribute(node, "src")) {
                form.pictureAddress = src;
            }
        }
        if (!control.barred && firstSubmit == nullptr && isSubmitButton(node)) {
            firstSubmit = &node;
        }
    }
    m_pressed = m_pressed != nullptr ? m_pressed : firstSubmit;
    for (const Control& control : owned) {
        pacer.step();
        const GumboNode& node = *control.node;
        const std::string_view name = attributeOr(node, "name");
        if (control.barred || name.empty()) {
            continue;
        }
        if (&node == m_pressed) {
            addPressed(node, name);
        } else if (isHtml(node, GUMBO_TAG_BUTTON)) {
            continue; // only the pressed button submits
        } else if (isHtml(node, GUMBO_TAG_INPUT)) {
            addInput(control, name);
        } else if (isHtml(node, GUMBO_TAG_SELECT)) {
            addSelect(node, name);
        } else {
            add(name, withLineFeeds(descendantText(node)));
            addDirname(control);
        }
    }
}

void EntryList::addInput(const Control& control, std::string_view name)
{
    const GumboNode& input = *control.node;
    const std::string_view value = attributeOr(input, "value");
    switch (inputTypeOf(attributeOr(input, "type"))) {
    case InputType::Image:
    case InputType::Button:
        return; // only the pressed button submits
    case InputType::Checkbox:
        if (hasAttribute(input, "checked")) {
            add(name, std::string(attributeOr(input, "value", "on")));
        }
        return;
    case InputType::Radio:
        if (m_checkedRadio[name] == &input) {
            add(name, std::string(attributeOr(input, "value", "on")));
        }
        return;
    case InputType::Hidden:
        add(name, equalsNoCase(name, "_charset_") ? std::string("UTF-8") : std::string(value));
        return;
    default: {
        const InputType type = inputTypeOf(attributeOr(input, "type"));
        add(name, sanitizedValue(type, value, hasAttribute(input, "multiple")));
        if (takesDirname(attributeOr(input, "type", "text"))) {
            addDirname(control);
        }
    }
    }
}

// What Chromium submits for the pressed button: an image button's value besides the
// place clicked, which carries nothing; a submit input's value or its label.
void EntryList::addPressed(const GumboNode& button, std::string_view name)
{
    if (isImageButton(button)) {
        if (!attributeOr(button, "value").empty()) {
            add(name, std::string(attributeOr(button, "value")));
        }
        return;
    }
    add(name, std::string(attributeOr(button, "value", isHtml(button, GUMBO_TAG_BUTTON) ? "" : "Submit")));
}

void EntryList::addSelect(const GumboNode& select, std::string_view name)
{
    std::vector<std::pair<const GumboNode*, bool>> options; // and whether each is disabled
    const GumboVector& children = select.v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        const GumboNode& c = child(children, i);
        if (isHtml(c, GUMBO_TAG_OPTION)) {
            options.emplace_back(&c, hasAttribute(c, "disabled"));
        } else if (isHtml(c, GUMBO_TAG_OPTGROUP)) {
            const GumboVector& grouped = c.v.element.children;
            for (unsigned k = 0; k < grouped.length; ++k) {
                if (isHtml(child(grouped, k), GUMBO_TAG_OPTION)) {
                    const GumboNode& option = child(grouped, k);
                    options.emplace_back(&option,
                                         hasAttribute(option, "disabled") || hasAttribute(c, "disabled"));
                }
            }
        }
    }
    const bool multiple = hasAttribute(select, "multiple");
    const std::optional<unsigned long> size = nonNegativeInteger(attributeOr(select, "size"));
    const bool dropDown = !multiple && (!size || *size <= 1);
    std::vector<bool> selected(options.size());
    std::size_t last = options.size();
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (hasAttribute(*options[i].first, "selected")) {
            selected[i] = multiple;
            last = i;
        }
    }
    if (!multiple && last < options.size()) {
        selected[last] = true; // the last one wins
    }
    if (dropDown && std::find(selected.begin(), selected.end(), true) == selected.end()) {
        const auto enabled =
            std::find_if(options.begin(), options.end(), [](const auto& o) { return !o.second; });
        if (enabled != options.end()) {
            selected[static_cast<std::size_t>(enabled - options.begin())] = true;
        }
    }
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (selected[i] && !options[i].second) {
            const GumboNode& option = *options[i].first;
            const char* value = attribute(option, "value");
            add(name, value != nullptr ? std::string(value) : strippedAndCollapsed(descendantText(option)));
        }
    }
}

void EntryList::addDirname(const Control& control)
{
    const std::string_view dirname = attributeOr(*control.node, "dirname");
    if (!dirname.empty()) {
        add(dirname, control.rightToLeft ? "rtl" : "ltr");
    }
}

// The fields of an application/x-www-form-urlencoded text, as PayPal reads them.
void appendQueryFields(std::string_view query, std::vector<FormField>& fields)
{
    const auto decoded = [](std::string_view text) {
        std::string plus(text);
        std::replace(plus.begin(), plus.end(), '+', ' ');
        return percentDecoded(plus);
    };
    while (!query.empty()) {
        const std::string_view pair = query.substr(0, query.find('&'));
        query.remove_prefix(std::min(pair.size() + 1, query.size()));
        const std::size_t equals = std::min(pair.find('='), pair.size());
        if (!pair.empty()) {
            fields.push_back(
                {decoded(pair.substr(0, equals)), decoded(pair.substr(std::min(equals + 1, pair.size())))});
        }
    }
}

// The form a control submits with: the one its form attribute names, else the one
// the form element pointer pointed at, else its ancestor.
const GumboNode* ownerOf(const Control& control, const TreeFacts& facts, const FormPointer& pointer)
{
    if (const char* id = attribute(*control.node, "form")) {
        const auto found = facts.firstWithId.find(id);
        return found != facts.firstWithId.end() && isHtml(*found->second, GUMBO_TAG_FORM) ? found->second
                                                                                          : nullptr;
    }
    const GumboNode* owner = pointer.formAt(startOf(*control.node));
    return owner != nullptr ? owner : control.ancestorForm;
}

std::vector<FormChoice> choicesOf(const std::vector<Control>& owned)
{
    std::vector<FormChoice> choices;
    for (const Control& control : owned) {
        const GumboNode& node = *control.node;
        const std::string_view name = attributeOr(node, "name");
        if (control.barred || name.empty()) {
            continue;
        }
        if (isHtml(node, GUMBO_TAG_SELECT)) {
            FormChoice menu{std::string(name), false, {}};
            std::vector<const GumboNode*> stack{&node};
            while (!stack.empty()) {
                const GumboNode& parent = *stack.back();
                stack.pop_back();
                const GumboVector& children = parent.v.element.children;
                for (unsigned i = children.length; i-- > 0;) {
                    const GumboNode& c = child(children, i);
                    if (isHtml(c, GUMBO_TAG_OPTGROUP) && !hasAttribute(c, "disabled")) {
                        stack.push_back(&c);
                    } else if (isHtml(c, GUMBO_TAG_OPTION) && !hasAttribute(c, "disabled")) {
                        const char* value = attribute(c, "value");
                        menu.options.push_back(value != nullptr ? std::string(value)
                                                                : strippedAndCollapsed(descendantText(c)));
                    }
                }
            }
            std::reverse(menu.options.begin(), menu.options.end());
            choices.push_back(std::move(menu));
        } else if (isHtml(node, GUMBO_TAG_TEXTAREA) ||
                   inputTypeOf(attributeOr(node, "type")) == InputType::Text) {
            choices.push_back({std::string(name), true, {}});
        } else if (inputTypeOf(attributeOr(node, "type")) == InputType::Radio) {
            // A group of radio buttons is one menu.
            const auto group = std::find_if(choices.begin(), choices.end(), [name](const FormChoice& c) {
                return c.name == name && !c.typed;
            });
            FormChoice& menu = group != choices.end() ? *group : choices.emplace_back(std::string(name));
            menu.options.emplace_back(attributeOr(node, "value", "on"));
        }
    }
    return choices;
}

} // namespace

std::optional<PayPalForm> findPayPalForm(const HtmlDocument& document, std::string_view source,
                                         const WorkBudget* budget)
{
    Pacer pacer(budget);
    const TreeFacts facts(document.root(), pacer);
    std::optional<PaymentsStandardAddress> address;
    const auto button = std::find_if(
        facts.forms.begin(), facts.forms.end(), [&pacer, &address, &facts](const GumboNode* form) {
            pacer.step();
            address = paymentsStandardAddress(attributeOr(*form, "action"), facts.baseAddress.value_or(""));
            return address.has_value();
        });
    if (button == facts.forms.end()) {
        return std::nullopt;
    }
    const FormPointer pointer(facts, source);
    std::vector<Control> owned;
    for (const Control& control : facts.controls) {
        pacer.step();
        if (ownerOf(control, facts, pointer) == *button) {
            owned.push_back(control);
        }
    }
    PayPalForm form = EntryList(owned, pacer).form;
    // A form that gets sends its fields as the query, in place of the action's own.
    if (equalsNoCase(attributeOr(**button, "method"), "post")) {
        appendQueryFields(address->query, form.fields);
    }
    return form;
}

std::vector<PlacedPayPalForm> findPayPalForms(const HtmlDocument& document, std::string_view source)
{
    Pacer pacer(nullptr);
    const TreeFacts facts(document.root(), pacer);
    std::unordered_map<const GumboNode*, std::vector<Control>> owned;
    std::unordered_map<const GumboNode*, PaymentsStandardAddress> addresses;
    for (const GumboNode* form : facts.forms) {
        if (auto address =
                paymentsStandardAddress(attributeOr(*form, "action"), facts.baseAddress.value_or(""))) {
            owned.emplace(form, std::vector<Control>());
            addresses.emplace(form, std::move(*address));
        }
    }
    if (owned.empty()) {
        return {};
    }
    const FormPointer pointer(facts, source);
    for (const Control& control : facts.controls) {
        const auto found = owned.find(ownerOf(control, facts, pointer));
        if (found != owned.end()) {
            found->second.push_back(control);
        }
    }
    std::vector<PlacedPayPalForm> placed;
    for (const GumboNode* form : facts.forms) {
        const auto found = owned.find(form);
        if (found == owned.end()) {
            continue;
        }
        PayPalForm fields = EntryList(found->second, pacer).form;
        if (equalsNoCase(attributeOr(*form, "method"), "post")) {
            appendQueryFields(addresses.at(form).query, fields.fields);
        }
        placed.push_back(
            {std::move(fields), choicesOf(found->second), startOf(*form), pointer.endTagOf(*form)});
    }
    return placed;
}

} // namespace quorvane
