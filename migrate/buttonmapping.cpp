#include "buttonmapping.h"

#include "ascii.h"
#include "checks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <map>
#include <set>

namespace quorvane {

namespace {

// The fields every button has that say nothing about what it sells.
constexpr std::string_view Unremarkable[] = {"cmd", "business", "charset", "bn"};

constexpr std::string_view WebhooksReplaceIpn =
    "PayPal's webhooks replace instant payment notification: set one up for the app in PayPal's developer "
    "dashboard";
constexpr std::string_view NoFieldForIt = "a payment link has no field for it";

// PayPal's limits on variants.
constexpr std::size_t MaxDimensions = 5;
constexpr std::size_t MaxOptions = 10;
constexpr int OptionFields = 7; // on0…on6

bool isTemplateCode(std::string_view value)
{
    constexpr std::string_view Openings[] = {"<?", "<%", "{{", "{%", "${"};
    return std::any_of(std::begin(Openings), std::end(Openings),
                       [value](std::string_view o) { return value.find(o) != std::string_view::npos; });
}

// A non-negative decimal with at most `decimals` places, as PayPal writes amounts.
bool isDecimal(std::string_view text, std::size_t decimals)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    return !whole.empty() && whole.size() <= 12 && std::all_of(whole.begin(), whole.end(), isAsciiDigit) &&
           (point == std::string_view::npos || (!fraction.empty() && fraction.size() <= decimals &&
                                                std::all_of(fraction.begin(), fraction.end(), isAsciiDigit)));
}

// An amount in hundredths.
unsigned long long hundredths(std::string_view amount)
{
    const std::size_t point = amount.find('.');
    unsigned long long value = 0;
    for (const char c : amount.substr(0, point)) {
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    const std::string_view fraction = point == std::string_view::npos ? "" : amount.substr(point + 1);
    for (std::size_t i = 0; i < 2; ++i) {
        value = value * 10 + (i < fraction.size() ? static_cast<unsigned>(fraction[i] - '0') : 0);
    }
    return value;
}

// tax as a percentage of price, when it is one with at most three decimals.
std::optional<std::string> exactPercentage(std::string_view tax, std::string_view price)
{
    const unsigned long long of = hundredths(price);
    const unsigned long long thousandths = hundredths(tax) * 100000;
    if (of == 0 || thousandths % of != 0) {
        return std::nullopt;
    }
    const unsigned long long p = thousandths / of;
    std::string text = std::to_string(p / 1000);
    if (p % 1000 != 0) {
        std::string fraction = std::to_string(1000 + p % 1000).substr(1);
        fraction.erase(fraction.find_last_not_of('0') + 1);
        text += '.' + fraction;
    }
    return text;
}

class Mapping
{
public:
    explicit Mapping(const FoundForm& form);

    ButtonMapping result;

private:
    const std::string* valueOf(std::string_view name) const
    {
        const auto found = m_first.find(name);
        return found != m_first.end() ? found->second : nullptr;
    }
    // The value of a field the link needs; none, and the hand edit set, when it is
    // template code.
    const std::string* needed(std::string_view name);
    const FormChoice* choiceFor(std::string_view name) const;
    void handEdit(std::string why);
    void readPrice();
    void readTaxAndShipping();
    void readOptions();
    void readNotes();
    void listNotCarried(const FoundForm& form);
    bool used(std::string_view name) const { return m_used.find(name) != m_used.end(); }
    void use(std::string_view name) { m_used.emplace(name); }

    const FoundForm& m_form;
    std::map<std::string_view, const std::string*, std::less<>> m_first;
    std::set<std::string, std::less<>> m_used;
    LineItem m_item;
};

Mapping::Mapping(const FoundForm& form) : m_form(form)
{
    for (const FormField& f : form.fields) {
        m_first.emplace(f.name, &f.value);
    }
    for (const std::string_view name : Unremarkable) {
        use(name);
    }
    const std::string* name = needed("item_name");
    if (result.handEdit.empty() && (name == nullptr || name->empty())) {
        handEdit("the button names no item (item_name)");
    } else if (name != nullptr) {
        m_item.name = *name;
        if (std::optional<Problem> problem = checkEntry(Entry::ItemName, *name)) {
            handEdit("PayPal would refuse item_name: " + problem->message);
        }
    }
    if (const std::string* number = needed("item_number"); number != nullptr && !number->empty()) {
        m_item.productId = *number;
        if (std::optional<Problem> problem = checkEntry(Entry::ItemNumber, *number)) {
            handEdit("PayPal would refuse item_number: " + problem->message);
        }
    }
    if (const std::string* page = needed("return"); page != nullptr && !page->empty()) {
        m_item.returnUrl = *page;
        if (std::optional<Problem> problem = checkEntry(Entry::ReturnUrl, *page)) {
            handEdit("PayPal would refuse the return page \"" + *page + "\": " + problem->message);
        }
    }
    readPrice();
    for (const FormField& f : form.fields) {
        if (f.name.starts_with("discount_") && !f.value.empty()) {
            handEdit("the button gives a discount (" + f.name + "), which a payment link cannot");
        }
    }
    if (const std::string* quantity = valueOf("quantity"); quantity != nullptr && *quantity != "1") {
        // PayPal charges the price that many times; a link would charge it once.
        handEdit("the button sells " + *quantity +
                 " at once (quantity), and a payment link sells one at a time");
    }
    readOptions();
    readTaxAndShipping();
    readNotes();
    listNotCarried(form);
    if (result.handEdit.empty()) {
        result.item = std::move(m_item);
    }
}

const std::string* Mapping::needed(std::string_view name)
{
    use(name);
    const std::string* value = valueOf(name);
    if (value != nullptr && isTemplateCode(*value)) {
        handEdit("the value of " + std::string(name) +
                 " is template code, filled in only on the server: " + *value);
        return nullptr;
    }
    return value;
}

const FormChoice* Mapping::choiceFor(std::string_view name) const
{
    const auto found = std::find_if(m_form.choices.begin(), m_form.choices.end(),
                                    [name](const FormChoice& c) { return c.name == name; });
    return found != m_form.choices.end() ? &*found : nullptr;
}

void Mapping::handEdit(std::string why)
{
    if (result.handEdit.empty()) {
        result.handEdit = std::move(why);
    }
}

void Mapping::readPrice()
{
    const std::string* currency = needed("currency_code");
    m_item.currency = currency != nullptr && !currency->empty() ? *currency : "USD";
    std::transform(m_item.currency.begin(), m_item.currency.end(), m_item.currency.begin(),
                   [](char c) { return isAsciiLetter(c) ? static_cast<char>(c & ~0x20) : c; });
    const std::string* amount = needed("amount");
    if (amount == nullptr || amount->empty()) {
        return; // the options may carry the prices; readOptions decides
    }
    const std::string text = *amount + ' ' + m_item.currency;
    const std::variant<Price, Problem> price = checkPrice(text);
    if (const Problem* problem = std::get_if<Problem>(&price)) {
        handEdit("PayPal would refuse the price \"" + text + "\": " + problem->message);
        return;
    }
    m_item.price = std::get<Price>(price).number;
}

void Mapping::readOptions()
{
    const std::string* index = needed("option_index");
    const std::string pricedName = "on" + (index != nullptr && !index->empty() ? *index : std::string("0"));
    for (int i = 0; i < OptionFields; ++i) {
        const std::string n = std::to_string(i);
        const std::string* name = needed("on" + n);
        const std::string* chosen = needed("os" + n);
        if (name == nullptr || name->empty()) {
            continue;
        }
        const FormChoice* choice = choiceFor("os" + n);
        LinkDimension dimension{*name, false, {}};
        if ("on" + n == pricedName && valueOf("option_select0") != nullptr) {
            dimension.primary = true;
            for (std::size_t k = 0; valueOf("option_select" + std::to_string(k)) != nullptr; ++k) {
                const std::string* label = needed("option_select" + std::to_string(k));
                const std::string* amount = needed("option_amount" + std::to_string(k));
                if (label == nullptr) {
                    return;
                }
                LinkOption option{*label, {}};
                if (amount != nullptr && !amount->empty()) {
                    const std::string text = *amount + ' ' + m_item.currency;
                    const std::variant<Price, Problem> price = checkPrice(text);
                    if (const Problem* problem = std::get_if<Problem>(&price)) {
                        handEdit("PayPal would refuse the price \"" + text + "\" of option " + *label + ": " +
                                 problem->message);
                        return;
                    }
                    option.price = std::string(std::get<Price>(price).number);
                }
                dimension.options.push_back(std::move(option));
            }
        } else if (choice != nullptr && choice->typed) {
            m_item.notes.push_back(*name);
            result.carries.push_back("a note: " + *name);
            continue;
        } else if (choice != nullptr) {
            for (const std::string& label : choice->options) {
                dimension.options.push_back({label, {}});
            }
        } else {
            if (chosen != nullptr && !chosen->empty()) {
                m_item.description += (m_item.description.empty() ? "" : "; ") + *name + ": " + *chosen;
            }
            continue;
        }
        if (dimension.options.empty()) {
            continue; // a menu with nothing to choose
        }
        if (dimension.options.size() > MaxOptions) {
            handEdit("the choice " + *name + " has " + std::to_string(dimension.options.size()) +
                     " options; a payment link takes at most 10");
            return;
        }
        result.carries.push_back(*name + ": " + std::to_string(dimension.options.size()) + " options");
        m_item.dimensions.push_back(std::move(dimension));
    }
    if (m_item.dimensions.size() > MaxDimensions) {
        handEdit("the button has " + std::to_string(m_item.dimensions.size()) +
                 " choices; a payment link takes at most 5");
    }
    const auto priced = std::find_if(m_item.dimensions.begin(), m_item.dimensions.end(),
                                     [](const LinkDimension& d) { return d.primary; });
    if (priced == m_item.dimensions.end() && !m_item.dimensions.empty()) {
        m_item.dimensions.front().primary = true; // PayPal wants one primary dimension
    }
    if (m_item.price.empty() && priced != m_item.dimensions.end() && priced->options.front().price) {
        m_item.price = *priced->options.front().price;
    }
    for (int k = 0; k < 10; ++k) {
        use("option_amount" + std::to_string(k));
        use("option_select" + std::to_string(k));
    }
    if (m_item.price.empty()) {
        handEdit("the button has no price (amount): the buyer types it in at PayPal, and a link needs one");
    }
}

void Mapping::readTaxAndShipping()
{
    const std::string* rate = needed("tax_rate");
    const std::string* tax = needed("tax");
    const bool pricedOptions =
        std::any_of(m_item.dimensions.begin(), m_item.dimensions.end(),
                    [](const LinkDimension& d) { return d.primary && d.options.front().price; });
    if (tax != nullptr && !tax->empty()) {
        std::optional<std::string> percentage;
        if (isDecimal(*tax, 2) && !pricedOptions && !m_item.price.empty()) {
            percentage = exactPercentage(*tax, m_item.price);
        }
        if (percentage) {
            m_item.taxPercentage = percentage;
            result.carries.push_back("tax " + *tax + " as " + *percentage + " %");
        } else {
            result.notCarried.push_back(
                {"tax", "PayPal's links take a tax only as a percentage of the price, and " + *tax +
                            " is no exact percentage of the price"});
        }
        if (rate != nullptr && !rate->empty()) {
            result.notCarried.push_back({"tax_rate", "tax overrides it"});
        }
    } else if (rate != nullptr && !rate->empty()) {
        if (isDecimal(*rate, 3)) {
            m_item.taxPercentage = *rate;
            result.carries.push_back("tax " + *rate + " %");
        } else {
            handEdit("PayPal would refuse the tax rate \"" + *rate + "\": write a percentage like 8.25");
        }
    }
    // Handling is a flat amount on top as shipping is, and a link has no field of its
    // own for it: the two are charged as one.
    std::vector<std::string> charges;
    unsigned long long sum = 0;
    for (const std::string_view name : {"shipping", "handling"}) {
        const std::string* value = needed(name);
        if (value == nullptr || value->empty()) {
            continue;
        }
        if (!isDecimal(*value, 2)) {
            handEdit("PayPal would refuse the " + std::string(name) + " \"" + *value +
                     "\": write an amount like 4.95");
            return;
        }
        charges.push_back(*value);
        sum += hundredths(*value);
    }
    if (charges.size() == 1) {
        m_item.shipping = charges.front();
        result.carries.push_back("shipping " + charges.front());
    } else if (charges.size() == 2) {
        const bool whole =
            charges[0].find('.') == std::string::npos && charges[1].find('.') == std::string::npos;
        std::string cents = std::to_string(100 + sum % 100).substr(1);
        m_item.shipping = std::to_string(sum / 100) + (whole ? "" : "." + cents);
        result.carries.push_back("shipping and handling " + *m_item.shipping);
    }
    const std::string* noShipping = needed("no_shipping");
    m_item.collectShippingAddress = noShipping == nullptr || *noShipping != "1";
}

void Mapping::readNotes()
{
    const std::string* noNote = needed("no_note");
    const std::string* title = needed("cn");
    if (noNote == nullptr || *noNote != "1") {
        m_item.notes.insert(m_item.notes.begin(), title != nullptr ? *title : std::string());
        result.carries.push_back(title != nullptr && !title->empty() ? "a note: " + *title : "a note");
    }
}

void Mapping::listNotCarried(const FoundForm& form)
{
    for (const FormField& f : form.fields) {
        if (used(f.name)) {
            continue;
        }
        use(f.name);
        std::string why =
            f.name == "notify_url"                                   ? std::string(WebhooksReplaceIpn)
            : f.name == "quantity" || f.name == "undefined_quantity" ? "a payment link has no quantity"
            : f.name == "cancel_return"                              ? "a payment link has no cancelled page"
            : f.name.starts_with("os") || f.name.starts_with("option_") ? "no choice name (on) goes with it"
                                                                        : std::string(NoFieldForIt);
        result.notCarried.push_back({f.name, std::move(why)});
    }
}

QJsonObject money(const std::string& value, const std::string& currency)
{
    return {{QStringLiteral("currency_code"), QString::fromStdString(currency)},
            {QStringLiteral("value"), QString::fromStdString(value)}};
}

} // namespace

ButtonMapping mapBuyNowButton(const FoundForm& form)
{
    return std::move(Mapping(form).result);
}

QByteArray linkCreateBody(const LineItem& item)
{
    const auto text = [](const std::string& s) { return QString::fromStdString(s); };
    QJsonObject line{
        {QStringLiteral("name"), text(item.name)},
        {QStringLiteral("unit_amount"), money(item.price, item.currency)},
        {QStringLiteral("collect_shipping_address"), item.collectShippingAddress},
    };
    if (!item.productId.empty()) {
        line.insert(QStringLiteral("product_id"), text(item.productId));
    }
    if (!item.description.empty()) {
        line.insert(QStringLiteral("description"), text(item.description));
    }
    if (item.taxPercentage) {
        line.insert(QStringLiteral("taxes"),
                    QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("PERCENTAGE")},
                                           {QStringLiteral("value"), text(*item.taxPercentage)}}});
    }
    if (item.shipping) {
        line.insert(QStringLiteral("shipping"),
                    QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("FLAT")},
                                           {QStringLiteral("value"), text(*item.shipping)}}});
    }
    QJsonArray notes;
    for (const std::string& label : item.notes) {
        QJsonObject note{{QStringLiteral("required"), false}};
        if (!label.empty()) {
            note.insert(QStringLiteral("label"), text(label));
        }
        notes.append(note);
    }
    if (!notes.isEmpty()) {
        line.insert(QStringLiteral("customer_notes"), notes);
    }
    QJsonArray dimensions;
    for (const LinkDimension& d : item.dimensions) {
        QJsonArray options;
        for (const LinkOption& o : d.options) {
            QJsonObject option{{QStringLiteral("label"), text(o.label)}};
            if (o.price) {
                option.insert(QStringLiteral("unit_amount"), money(*o.price, item.currency));
            }
            options.append(option);
        }
        dimensions.append(QJsonObject{{QStringLiteral("name"), text(d.name)},
                                      {QStringLiteral("primary"), d.primary},
                                      {QStringLiteral("options"), options}});
    }
    if (!dimensions.isEmpty()) {
        line.insert(QStringLiteral("variants"), QJsonObject{{QStringLiteral("dimensions"), dimensions}});
    }
    QJsonObject body{
        {QStringLiteral("integration_mode"), QStringLiteral("LINK")},
        {QStringLiteral("type"), QStringLiteral("BUY_NOW")},
        {QStringLiteral("reusable"), QStringLiteral("MULTIPLE")},
        {QStringLiteral("line_items"), QJsonArray{line}},
    };
    if (!item.returnUrl.empty()) {
        body.insert(QStringLiteral("return_url"), text(item.returnUrl));
    }
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

} // namespace quorvane
