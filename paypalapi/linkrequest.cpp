#include "linkrequest.h"

#include "buttoncode.h"
#include "checks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

bool isTicked(CheckBoxState state)
{
    return state == CheckBoxState::Ticked;
}

std::optional<EntryFix> entryFix(const ButtonRequest& r)
{
    // In the main window's order; the own image's address only when it is used.
    const std::pair<Entry, const std::string*> used[] = {
        {Entry::ItemName, &r.ItemName},   {Entry::ItemNumber, &r.ItemNumber},   {Entry::Amount, &r.Amount},
        {Entry::ReturnUrl, &r.ReturnUrl}, {Entry::OwnImageUrl, &r.OwnImageUrl},
    };
    for (const auto& [entry, value] : used) {
        const bool required = entry != Entry::ItemNumber && (entry != Entry::OwnImageUrl || r.UseOwnImage);
        if (required && value->empty()) {
            return EntryFix{entry, std::string(LinkIncompleteText), std::string(IncompleteMessageTitle)};
        }
    }
    std::vector<Problem> problems;
    for (const auto& [entry, value] : used) {
        if (entry == Entry::OwnImageUrl && !r.UseOwnImage) {
            continue;
        }
        if (std::optional<Problem> problem = checkEntry(entry, *value)) {
            problems.push_back(std::move(*problem));
        }
    }
    if (problems.empty()) {
        return std::nullopt;
    }
    return EntryFix{problems.front().entry, refusalMessageText(problems, LinkRefusedHeading),
                    std::string(RefusedMessageTitle)};
}

} // namespace

std::variant<EntryFix, QByteArray> linkRequestBody(const ButtonRequest& r)
{
    if (std::optional<EntryFix> fix = entryFix(r)) {
        return std::move(*fix);
    }
    const Price price = std::get<Price>(checkPrice(r.Amount));
    const QJsonObject amount{
        {QStringLiteral("currency_code"),
         price.currency.empty() ? QStringLiteral("USD") : text(price.currency)},
        {QStringLiteral("value"), text(price.number)},
    };
    QJsonObject item{
        {QStringLiteral("name"), text(r.ItemName)},
        {QStringLiteral("unit_amount"), amount},
        {QStringLiteral("collect_shipping_address"), isTicked(r.CollectShipping)},
    };
    if (!r.ItemNumber.empty()) {
        item.insert(QStringLiteral("product_id"), text(r.ItemNumber));
    }
    if (isTicked(r.AllowNote)) {
        // A note without a label gets PayPal's own wording.
        QJsonObject note{{QStringLiteral("required"), false}};
        if (!r.NoteTitle.empty()) {
            note.insert(QStringLiteral("label"), text(r.NoteTitle));
        }
        item.insert(QStringLiteral("customer_notes"), QJsonArray{note});
    }
    const QJsonObject body{
        {QStringLiteral("integration_mode"), QStringLiteral("LINK")},
        {QStringLiteral("type"), QStringLiteral("BUY_NOW")},
        {QStringLiteral("reusable"), QStringLiteral("MULTIPLE")},
        {QStringLiteral("return_url"), text(r.ReturnUrl)},
        {QStringLiteral("line_items"), QJsonArray{item}},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QString pageCode(const QString& link, const QString& picture)
{
    return QStringLiteral("<a href=\"%1\"><img src=\"%2\" alt=\"Buy Now with PayPal\" border=\"0\"></a>")
        .arg(link.toHtmlEscaped(), picture.toHtmlEscaped());
}

} // namespace quorvane
