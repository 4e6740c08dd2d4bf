#pragma once

#include "buttonmapping.h"
#include "sitescan.h"

#include <QByteArray>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// What becomes of one PayPal form of the site.
enum class PlanAction
{
    Move,         // a link is made and the form is replaced by it
    PasteByHand,  // a link is made, but the form holds template code: the seller pastes the page code
    HandEdit,     // no link can be made from the form as it stands
    NotAffected,  // Donate and Subscribe buttons keep working after 2027
    KeptAtPayPal, // a hosted button: its details are not in the page
};

struct ButtonPlan
{
    std::size_t page = 0; // in the scan's pages
    std::size_t form = 0; // in that page's forms
    PlanAction action = PlanAction::HandEdit;
    std::string reason;    // why it is not moved, with its line, for the seller
    std::size_t link = 0;  // in the plan's links, for Move and PasteByHand
    ButtonMapping mapping; // for Buy Now buttons
};

// One payment link to make: the same item on several pages gets one.
struct PlannedLink
{
    std::string key;                  // the same for the same item, whichever page it is on
    QByteArray body;                  // of the create call
    std::vector<std::size_t> buttons; // in the plan's buttons
};

struct SitePlan
{
    std::vector<ButtonPlan> buttons; // in page order, then form order
    std::vector<PlannedLink> links;  // in the order of their first button
};

SitePlan planSite(const std::vector<ScannedPage>& pages);

// The PayPal-Request-Id for a link: the same environment ("sandbox" or "live"),
// client ID and item always give the same, so a repeated run within PayPal's six
// hours makes no second link. 64 characters of [0-9a-f].
std::string requestIdFor(std::string_view environment, std::string_view clientId, const PlannedLink& link);

// The picture a moved button shows: its own image button's picture as written,
// else the given one.
std::string pictureFor(const FoundForm& form, std::string_view fallback);

// The one line of HTML that replaces a moved form: ASCII only, so it is written into
// a page of any encoding unchanged (characters beyond ASCII in the picture's address
// are percent-encoded as UTF-8).
std::string replacementCode(std::string_view link, std::string_view picture);

// ASCII text as it is written into a page of the encoding: itself, or widened to
// two bytes a character for a UTF-16 page.
std::string inPageEncoding(std::string_view ascii, std::string_view encoding);

} // namespace quorvane
