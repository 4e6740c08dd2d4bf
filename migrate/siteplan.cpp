#include "siteplan.h"

#include "linkrequest.h"

#include <unordered_map>

namespace quorvane {

namespace {

std::string atLine(int line, std::string_view why)
{
    return "Line " + std::to_string(line) + ": " + std::string(why);
}

const std::string* commandOf(const FoundForm& form)
{
    for (const FormField& f : form.fields) {
        if (f.name == "cmd") {
            return &f.value;
        }
    }
    return nullptr;
}

// Bytes beyond ASCII as %XX.
std::string asciiAddress(std::string_view address)
{
    std::string out;
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            constexpr char Hex[] = "0123456789ABCDEF";
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0xF];
        }
    }
    return out;
}

// What becomes of one form; a link's place in the plan is left to planSite.
ButtonPlan fateOf(const FoundForm& form)
{
    ButtonPlan button;
    switch (form.kind) {
    case ButtonKind::Donate:
    case ButtonKind::Subscribe:
        button.action = PlanAction::NotAffected;
        button.reason = atLine(form.line, form.kind == ButtonKind::Donate
                                              ? "a Donate button, which keeps working after 2027"
                                              : "a Subscribe button, which keeps working after 2027");
        return button;
    case ButtonKind::Hosted:
        button.action = PlanAction::KeptAtPayPal;
        button.reason =
            atLine(form.line, "a button kept at PayPal: its details are not in the page; make its "
                              "link in your PayPal account");
        return button;
    case ButtonKind::Cart:
        button.reason = atLine(form.line, "a shopping cart button: a payment link sells one item");
        return button;
    case ButtonKind::Other: {
        const std::string* cmd = commandOf(form);
        button.reason = atLine(form.line, cmd != nullptr ? "not a Buy Now button (cmd " + *cmd + ")"
                                                         : std::string("a PayPal form with no cmd"));
        return button;
    }
    case ButtonKind::BuyNow:
        break;
    }
    button.mapping = mapBuyNowButton(form);
    if (!form.closed) {
        button.reason = atLine(form.line, "no </form> closes the form, so where it ends is unclear");
    } else if (!button.mapping.item) {
        button.reason = atLine(form.line, button.mapping.handEdit);
    } else if (form.templated) {
        button.action = PlanAction::PasteByHand;
        button.reason = atLine(form.line, "the form holds template code, so the page is not rewritten: paste "
                                          "the page code in its place");
    } else {
        button.action = PlanAction::Move;
    }
    return button;
}

} // namespace

SitePlan planSite(const std::vector<ScannedPage>& pages)
{
    SitePlan plan;
    std::unordered_map<std::string, std::size_t> linkByKey;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        for (std::size_t f = 0; f < pages[p].forms.size(); ++f) {
            ButtonPlan button = fateOf(pages[p].forms[f]);
            button.page = p;
            button.form = f;
            if (button.action == PlanAction::Move || button.action == PlanAction::PasteByHand) {
                QByteArray body = linkCreateBody(*button.mapping.item);
                std::string key =
                    fileDigest(std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
                const auto [known, added] = linkByKey.emplace(key, plan.links.size());
                if (added) {
                    plan.links.push_back({std::move(key), std::move(body), {}});
                }
                button.link = known->second;
                plan.links[button.link].buttons.push_back(plan.buttons.size());
            }
            plan.buttons.push_back(std::move(button));
        }
    }
    return plan;
}

std::string requestIdFor(std::string_view environment, std::string_view clientId, const PlannedLink& link)
{
    QByteArray input(environment.data(), static_cast<qsizetype>(environment.size()));
    input += '\0';
    input.append(clientId.data(), static_cast<qsizetype>(clientId.size()));
    input += '\0';
    input += link.body;
    return fileDigest(std::string_view(input.constData(), static_cast<std::size_t>(input.size())));
}

std::string pictureFor(const FoundForm& form, std::string_view fallback)
{
    return form.pictureAddress && !form.pictureAddress->empty() ? *form.pictureAddress
                                                                : std::string(fallback);
}

std::string replacementCode(std::string_view link, std::string_view picture)
{
    const auto text = [](std::string_view address) { return QString::fromStdString(asciiAddress(address)); };
    return pageCode(text(link), text(picture)).toStdString();
}

std::string inPageEncoding(std::string_view ascii, std::string_view encoding)
{
    if (encoding != "UTF-16LE" && encoding != "UTF-16BE") {
        return std::string(ascii);
    }
    std::string wide;
    wide.reserve(2 * ascii.size());
    for (const char c : ascii) {
        wide += encoding == "UTF-16LE" ? std::string{c, '\0'} : std::string{'\0', c};
    }
    return wide;
}

} // namespace quorvane
