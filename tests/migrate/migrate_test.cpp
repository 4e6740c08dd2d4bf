// The site move's engine against the sample site (makesite.py): finding, byte ranges,
// decoding, mapping and planning.
#include "ascii.h"
#include "pagetext.h"
#include "siteplan.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace quorvane {
namespace {

const std::filesystem::path Site = QUORVANE_SAMPLE_SITE;

const SiteScan& sampleScan()
{
    static const SiteScan scan = scanSite(Site);
    return scan;
}

const SitePlan& samplePlan()
{
    static const SitePlan plan = planSite(sampleScan().pages);
    return plan;
}

std::string fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

const ScannedPage* scanned(std::string_view page)
{
    for (const ScannedPage& p : sampleScan().pages) {
        if (p.relativePath == page) {
            return &p;
        }
    }
    return nullptr;
}

const ButtonPlan& planned(std::string_view page, std::size_t form)
{
    const SiteScan& scan = sampleScan();
    for (const ButtonPlan& b : samplePlan().buttons) {
        if (scan.pages[b.page].relativePath == page && b.form == form) {
            return b;
        }
    }
    throw std::runtime_error("no button planned on " + std::string(page));
}

// Finding: every live form, its kind and its line; the page's encoding.
struct FindCase
{
    const char* page;
    const char* encoding;
    std::vector<std::pair<ButtonKind, int>> forms;
};

TEST(SiteFinding, EveryLiveFormWithItsKindAndLine)
{
    using K = ButtonKind;
    const FindCase cases[] = {
        {"index.html", "UTF-8", {{K::BuyNow, 6}, {K::BuyNow, 17}, {K::Donate, 25}}},
        {"shop/table.html", "UTF-8", {{K::BuyNow, 6}, {K::BuyNow, 9}}},
        {"odd/many.html",
         "UTF-8",
         {{K::BuyNow, 5}, {K::BuyNow, 13}, {K::BuyNow, 21}, {K::BuyNow, 29}, {K::BuyNow, 37}}},
        {"other/comments.html", "UTF-8", {{K::BuyNow, 31}}},
        {"odd/crlf.html", "UTF-8", {{K::BuyNow, 8}}},
        {"odd/mixed.html", "UTF-8", {{K::BuyNow, 5}}},
        {"odd/UPPER.HTM", "UTF-8", {{K::BuyNow, 5}}},
        {"latin/cp1252.html", "windows-1252", {{K::BuyNow, 6}}},
        {"latin/iso.html", "windows-1252", {{K::BuyNow, 6}}},
        {"latin/nometa.html", "windows-1252", {{K::BuyNow, 6}}},
        {"unicode/utf16.html", "UTF-16LE", {{K::BuyNow, 6}}},
        {"unicode/bom.html", "UTF-8", {{K::BuyNow, 6}}},
        {"encoded/gen1.html", "UTF-8", {{K::BuyNow, 6}}},
        {"other/hosted.html", "UTF-8", {{K::Hosted, 5}}},
        {"other/cart.html", "UTF-8", {{K::Cart, 5}}},
        {"other/subscribe.html", "UTF-8", {{K::Subscribe, 5}}},
        {"other/plan.html", "UTF-8", {{K::Other, 5}}},
        {"hand/unclosed.html", "UTF-8", {{K::BuyNow, 5}}},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.page);
        const ScannedPage* page = scanned(c.page);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->encoding, c.encoding);
        std::vector<std::pair<ButtonKind, int>> found;
        for (const FoundForm& f : page->forms) {
            found.emplace_back(f.kind, f.line);
        }
        EXPECT_EQ(found, c.forms);
        EXPECT_EQ(page->sha256.size(), 64u);
    }
    // Pages without a live form, in a hidden folder, or reached through a link.
    for (const char* page : {"about.html", "odd/prose.md", ".git/hooks.html", "home.html", "js/app.js"}) {
        EXPECT_EQ(scanned(page), nullptr) << page;
    }
    EXPECT_EQ(sampleScan().pages.size(), 40u); // of 47 pages listed
    EXPECT_EQ(sampleScan().mentionsOnly, std::vector<std::string>{"odd/prose.md"});
}

TEST(SiteFinding, SkipsLinksOutAndLoopsAndBinaryFilesWithTheReason)
{
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"home.html", "it is a link to another part of the site, which is read under its own name"},
        {"outside", "it is a link that leads out of the folder"},
        {"blog/loop", "it is a link back to a folder that holds it (a loop)"},
        {"img/photo.php", "it is not text"},
    };
    std::vector<std::pair<std::string, std::string>> skipped;
    for (const SkippedFile& s : sampleScan().skipped) {
        skipped.emplace_back(s.relativePath, s.reason);
    }
    std::sort(skipped.begin(), skipped.end());
    std::vector<std::pair<std::string, std::string>> sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(skipped, sorted);

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quorvane-migrate-big";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "big.html", std::ios::binary) << std::string(MaxPageBytes + 1, 'a');
    std::ofstream(folder / "small.html", std::ios::binary) << "webscr";
    ASSERT_EQ(mkfifo((folder / "pipe.html").c_str(), 0600), 0);
    const SiteScan scan = scanSite(folder, {"missing.html", "../small.html", "/etc/hosts"});
    std::filesystem::remove_all(folder);
    std::vector<std::string> reasons;
    for (const SkippedFile& s : scan.skipped) {
        reasons.push_back(s.relativePath + ": " + s.reason);
    }
    EXPECT_EQ(reasons, (std::vector<std::string>{"../small.html: it is not inside the folder",
                                                 "/etc/hosts: it is not inside the folder",
                                                 "big.html: it is larger than 16 MB",
                                                 "missing.html: it cannot be read: No such file or directory",
                                                 "pipe.html: it is not a file"}));
    EXPECT_EQ(scan.pagesRead, 1u);
}

TEST(SiteFinding, RangesRunFromTheFormToItsEndTagInTheOriginalBytes)
{
    std::size_t checked = 0;
    for (const ScannedPage& page : sampleScan().pages) {
        const std::string bytes = fileBytes(Site / page.relativePath);
        EXPECT_EQ(
            QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256).toHex(),
            QByteArray::fromStdString(page.sha256));
        const std::size_t unit = page.encoding.starts_with("UTF-16") ? 2 : 1;
        for (const FoundForm& form : page.forms) {
            SCOPED_TRACE(page.relativePath + " line " + std::to_string(form.line));
            ASSERT_LE(form.end, bytes.size());
            std::string range;
            for (std::size_t at = form.begin; at < form.end; at += unit) {
                range += bytes[at];
            }
            EXPECT_TRUE(startsWithNoCase(range, "<form ")) << range.substr(0, 10);
            EXPECT_EQ(form.closed ? range.substr(range.size() - 7) : std::string("</form>"), "</form>");
            EXPECT_EQ(form.closed, form.end != bytes.size());
            ++checked;
        }
    }
    EXPECT_EQ(checked, 49u);
}

TEST(SiteFinding, WebscrInAnySpelling)
{
    const std::pair<std::string, bool> cases[] = {
        {"cgi-bin/webscr", true},
        {"CGI-BIN/WebScr", true},
        {"&#119;&#101;&#98;&#115;&#99;&#114;", true},
        {"&#x77;&#X45;&#x62;&#x73;&#x63;&#x72;", true},
        {"web&#115;cr", true},
        {"w&#0101;bscr", true},
        {"&#119;ebsc&#114;", true},
        {std::string("\xFF\xFE", 2) + std::string("w\0e\0b\0s\0c\0r\0", 12), true},
        {"websc-r", false},
        {"webs&#99;", false},
        {"web scr", false},
        {"&#119;&#101;&#98;&#115;&#99;", false},
        {std::string("w\0e\0b\0s\0c\0r\0", 12), false},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(mentionsWebscr(text), expected) << text;
    }
}

TEST(SiteDecoding, SniffsTheEncodingAsABrowserDoes)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\xEF\xBB\xBF<meta charset=latin1>", "UTF-8"},
        {"\xFF\xFE<\0", "UTF-16LE"},
        {"\xFE\xFF\0<", "UTF-16BE"},
        {"<meta charset=\"ISO-8859-1\">caf\xE9", "windows-1252"},
        {"<META HTTP-EQUIV=Content-Type CONTENT='text/html; charset=koi8-r'>", "KOI8-R"},
        {"<meta content=\"text/html; charset=shift_jis\">", "UTF-8"}, // no http-equiv
        {"<meta charset=\"utf-16\">", "UTF-8"},
        {"<!-- <meta charset=latin2> --><meta charset=latin2>", "ISO-8859-2"},
        {"<!-- <meta charset=latin2> -->caf\xC3\xA9", "UTF-8"},
        {"<p title='<meta charset=latin2>'>", "UTF-8"},
        {"<meta charset=nonsense>caf\xE9", "windows-1252"},
        {std::string(1100, ' ') + "<meta charset=latin2>", "UTF-8"},
        {"caf\xC3\xA9 \xEF\xBF\xBD", "UTF-8"},
        {"caf\xE9", "windows-1252"},
        {"caf\xC3", "windows-1252"},
    };
    for (const auto& [bytes, encoding] : cases) {
        EXPECT_EQ(sniffEncoding(bytes), encoding) << bytes;
    }
}

TEST(SiteDecoding, OffsetsLeadBackToTheOriginalBytes)
{
    struct Case
    {
        std::string bytes;
        std::string utf8;
        std::vector<std::size_t> decoded;
        std::vector<std::size_t> original;
    };
    const Case cases[] = {
        {"<meta charset=windows-1252>\xE9\x80<b>",
         "<meta charset=windows-1252>\xC3\xA9\xE2\x82\xAC<b>",
         {27, 32, 35},
         {27, 29, 32}},
        {std::string("\xFF\xFE\xE9\0<\0\x3D\xD8\x00\xDE<\0", 12),
         "\xC3\xA9<\xF0\x9F\x98\x80<",
         {0, 2, 3, 7, 8},
         {2, 4, 6, 10, 12}},
        {"\xEF\xBB\xBF\xC3\xA9<", "\xC3\xA9<", {2, 3}, {5, 6}},
    };
    std::string pairs("\xFF\xFE"
                      "a\0",
                      4); // surrogate pairs across the decoder's buffers
    std::string utf8 = "a";
    for (int i = 0; i < 3000; ++i) {
        pairs += std::string("\x3D\xD8\x00\xDE", 4);
        utf8 += "\xF0\x9F\x98\x80";
    }
    const std::vector<Case> all = {
        cases[0],
        cases[1],
        cases[2],
        {pairs + std::string("<\0", 2), utf8 + "<", {1, 12001, 12002}, {4, 12004, 12006}}};
    for (const Case& c : all) {
        const PageText text(c.bytes);
        EXPECT_EQ(text.utf8(), c.utf8);
        EXPECT_EQ(text.originalOffsets(c.decoded), c.original);
    }
}

// Mapping: the line item each Buy Now button becomes, and what it leaves out.
struct MapCase
{
    const char* page;
    std::size_t form;
    const char* lineItem; // JSON, or the hand edit's reason
    std::vector<std::string> notCarried;
};

TEST(SiteMapping, LineItemsAndWhatTheyLeaveOut)
{
    const MapCase cases[] = {
        {"shop/tax.html",
         0,
         R"({"collect_shipping_address":true,"customer_notes":[{"label":"Gift message","required":false}],)"
         R"("name":"Kettle","shipping":[{"type":"FLAT","value":"6.95"}],"taxes":[{"type":"PERCENTAGE","value":"8.25"}],)"
         R"("unit_amount":{"currency_code":"EUR","value":"40.00"}})",
         {}},
        {"shop/flattax.html",
         0,
         R"({"collect_shipping_address":false,"name":"Rug","taxes":[{"type":"PERCENTAGE","value":"7.5"}],)"
         R"("unit_amount":{"currency_code":"EUR","value":"20.00"}})",
         {}},
        {"shop/flattax.html",
         1,
         R"({"collect_shipping_address":true,"customer_notes":[{"required":false}],"name":"Pin",)"
         R"("unit_amount":{"currency_code":"EUR","value":"3.00"}})",
         {"tax"}},
        {"shop/options.html",
         0,
         R"({"collect_shipping_address":true,"customer_notes":[{"required":false}],"name":"Poster",)"
         R"("unit_amount":{"currency_code":"USD","value":"10.00"},"variants":{"dimensions":[{"name":"Format",)"
         R"("options":[{"label":"Small","unit_amount":{"currency_code":"USD","value":"10.00"}},{"label":"Large",)"
         R"("unit_amount":{"currency_code":"USD","value":"14.00"}}],"primary":true}]}})",
         {}},
        {"shop/sizes.html",
         0,
         R"({"collect_shipping_address":true,"customer_notes":[{"required":false},{"label":"Name on the back",)"
         R"("required":false}],"description":"Colour: Blue","name":"Shirt","unit_amount":{"currency_code":"EUR",)"
         R"("value":"20.00"},"variants":{"dimensions":[{"name":"Size","options":[{"label":"S"},{"label":"M"},)"
         R"({"label":"L"}],"primary":true},{"name":"Fit","options":[{"label":"Slim"},{"label":"Loose"}],"primary":false}]}})",
         {}},
        {"shop/notify.html",
         0,
         R"({"collect_shipping_address":true,"customer_notes":[{"required":false}],"name":"Book",)"
         R"("unit_amount":{"currency_code":"EUR","value":"15.00"}})",
         {"notify_url", "custom", "invoice", "undefined_quantity", "cancel_return"}},
        {"latin/cp1252.html",
         0,
         R"({"collect_shipping_address":true,"customer_notes":[{"required":false}],"name":"Café crème – 5 €",)"
         R"("product_id":"Ç-1","unit_amount":{"currency_code":"EUR","value":"5.00"}})",
         {}},
        {"encoded/gen2.html",
         0,
         R"({"collect_shipping_address":true,"customer_notes":[{"label":"Engraving","required":false}],"name":"Vase",)"
         R"("product_id":"V-9","unit_amount":{"currency_code":"USD","value":"45.00"}})",
         {"undefined_quantity", "cancel_return"}},
        {"unicode/utf16.html",
         0,
         R"({"collect_shipping_address":true,"customer_notes":[{"required":false}],"name":"Teapot 急須",)"
         R"("unit_amount":{"currency_code":"EUR","value":"30.00"}})",
         {}},
        {"php/product.php",
         0,
         "the value of amount is template code, filled in only on the server: <?php echo $price ?>",
         {}},
        {"jsp/total.jsp",
         0,
         "the value of item_name is template code, filled in only on the server: ${item}",
         {}},
        {"hand/noprice.html",
         0,
         "the button has no price (amount): the buyer types it in at PayPal, and a link needs one",
         {}},
        {"hand/badprice.html",
         0,
         "PayPal would refuse the price \"12,50 EUR\": Price of Item / Service: write a number",
         {}},
        {"hand/relreturn.html", 0, "PayPal would refuse the return page \"/thanks.html\": Success URL", {}},
        {"hand/quantity.html",
         0,
         "the button sells 3 at once (quantity), and a payment link sells one at a time",
         {"quantity"}},
        {"hand/quantity.html",
         1,
         "the button gives a discount (discount_amount), which a payment link cannot",
         {"discount_amount"}},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(std::string(c.page) + " " + std::to_string(c.form));
        const ButtonMapping& mapping = planned(c.page, c.form).mapping;
        std::vector<std::string> notCarried;
        for (const NotCarried& n : mapping.notCarried) {
            notCarried.push_back(n.field);
        }
        EXPECT_EQ(notCarried, c.notCarried);
        if (!mapping.item) {
            EXPECT_TRUE(mapping.handEdit.starts_with(c.lineItem)) << mapping.handEdit;
            continue;
        }
        const QJsonObject body = QJsonDocument::fromJson(linkCreateBody(*mapping.item)).object();
        EXPECT_EQ(
            QJsonDocument(body["line_items"][0].toObject()).toJson(QJsonDocument::Compact).toStdString(),
            c.lineItem);
        EXPECT_EQ(body["integration_mode"].toString() + body["type"].toString() + body["reusable"].toString(),
                  "LINKBUY_NOWMULTIPLE");
    }
    EXPECT_EQ(planned("shop/notify.html", 0).mapping.notCarried.front().why,
              "PayPal's webhooks replace instant payment notification: set one up for the app in PayPal's "
              "developer dashboard");
}

// Planning: what becomes of each button, one link per item.
TEST(SitePlanning, EachButtonsFateWithTheReasonAndLine)
{
    using A = PlanAction;
    const std::tuple<const char*, std::size_t, PlanAction, const char*> cases[] = {
        {"index.html", 0, A::Move, ""},
        {"index.html", 2, A::NotAffected, "Line 25: a Donate button, which keeps working after 2027"},
        {"other/subscribe.html", 0, A::NotAffected,
         "Line 5: a Subscribe button, which keeps working after 2027"},
        {"other/hosted.html", 0, A::KeptAtPayPal,
         "Line 5: a button kept at PayPal: its details are not in the page"},
        {"other/cart.html", 0, A::HandEdit, "Line 5: a shopping cart button: a payment link sells one item"},
        {"other/plan.html", 0, A::HandEdit, "Line 5: not a Buy Now button (cmd _xclick-payment-plan)"},
        {"php/custom.php", 0, A::PasteByHand,
         "Line 5: the form holds template code, so the page is not rewritten"},
        {"php/product.php", 0, A::HandEdit, "Line 5: the value of amount is template code"},
        {"twig/item.twig", 0, A::HandEdit, "Line 5: the value of item_name is template code"},
        {"asp/item.asp", 0, A::HandEdit, "Line 5: the value of amount is template code"},
        {"tpl/list.tpl", 0, A::Move, ""},
        {"hand/unclosed.html", 0, A::HandEdit, "Line 5: no </form> closes the form"},
        {"odd/crlf.html", 0, A::Move, ""},
    };
    for (const auto& [page, form, action, reason] : cases) {
        const ButtonPlan& button = planned(page, form);
        EXPECT_EQ(button.action, action) << page;
        EXPECT_TRUE(button.reason.starts_with(reason)) << page << ": " << button.reason;
    }
}

TEST(SitePlanning, TheSameItemOnSeveralPagesGetsOneLink)
{
    const SitePlan& plan = samplePlan();
    const std::size_t mug = planned("index.html", 0).link;
    for (const char* page : {"dup/page1.html", "dup/page2.html", "dup/page3.html"}) {
        EXPECT_EQ(planned(page, 0).link, mug) << page;
    }
    EXPECT_NE(planned("dup/other-price.html", 0).link, mug);
    EXPECT_EQ(plan.links[mug].buttons.size(), 4u);
    std::set<std::string> keys;
    std::size_t moved = 0;
    for (const PlannedLink& link : plan.links) {
        keys.insert(link.key);
        moved += link.buttons.size();
    }
    EXPECT_EQ(keys.size(), plan.links.size());
    EXPECT_EQ(plan.links.size(), 31u);
    EXPECT_EQ(moved, 34u);

    const std::string id = requestIdFor("sandbox", "AbC", plan.links[mug]);
    EXPECT_EQ(id.size(), 64u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(requestIdFor("sandbox", "AbC", plan.links[mug]), id);
    EXPECT_NE(requestIdFor("live", "AbC", plan.links[mug]), id);
    EXPECT_NE(requestIdFor("sandbox", "AbD", plan.links[mug]), id);
    EXPECT_NE(requestIdFor("sandbox", "AbC", plan.links[mug + 1]), id);
}

TEST(SitePlanning, TheReplacementShowsTheButtonsOwnPicture)
{
    const std::string link = "https://www.paypal.com/ncp/payment/ABC123";
    const std::pair<const char*, const char*> cases[] = {
        {"pics/relative.html",
         R"(<a href="https://www.paypal.com/ncp/payment/ABC123"><img src="../img/buy now.gif" )"
         R"(alt="Buy Now with PayPal" border="0"></a>)"},
        {"pics/none.html",
         R"(<a href="https://www.paypal.com/ncp/payment/ABC123"><img )"
         R"(src="https://x.test/%C3%A9.gif?a=1&amp;b" alt="Buy Now with PayPal" border="0"></a>)"},
    };
    for (const auto& [page, expected] : cases) {
        const FoundForm& form = scanned(page)->forms.front();
        EXPECT_EQ(replacementCode(link, pictureFor(form, "https://x.test/é.gif?a=1&b")), expected);
    }
    EXPECT_EQ(inPageEncoding("<a>", "UTF-16LE"), std::string("<\0a\0>\0", 6));
    EXPECT_EQ(inPageEncoding("<a>", "UTF-16BE"), std::string("\0<\0a\0>", 6));
    EXPECT_EQ(inPageEncoding("<a>", "windows-1252"), "<a>");
}

TEST(SiteScanning, ReportsProgressAndStopsWhenCancelled)
{
    std::vector<std::size_t> done;
    std::atomic<bool> cancel = false;
    const SiteScan scan = scanSite(Site, {}, [&](std::size_t d, std::size_t total) {
        done.push_back(d);
        EXPECT_EQ(total, 47u);
        cancel = d == 3;
    });
    EXPECT_FALSE(scan.cancelled);
    EXPECT_EQ(done.size(), 48u);
    done.clear();
    const SiteScan stopped = scanSite(
        Site, {}, [&](std::size_t d, std::size_t) { cancel = d == 3; }, &cancel);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.pagesRead, 4u);
}

} // namespace
} // namespace quorvane
